#include "output/PauseLength.h"

#include <cmath>

bool parsePauseLength(const QString &text, qint32 &milliseconds) {
    QString t = text.trimmed();
    bool inMilliseconds = false;
    if (t.endsWith(QLatin1String("ms"), Qt::CaseInsensitive)) {
        inMilliseconds = true;
        t.chop(2);
    } else if (t.endsWith(QLatin1String("s"), Qt::CaseInsensitive)) {
        t.chop(1);
    }
    if (t.isEmpty())
        return false;

    if (inMilliseconds) {
        bool ok = false;
        const int value = t.toInt(&ok, 10);
        if (!ok || value < 0)
            return false;
        milliseconds = value;
        return true;
    }

    // QString::toDouble always reads the C locale: "." as decimal point, exponents allowed.
    bool ok = false;
    const double seconds = t.toDouble(&ok);
    if (!ok || std::isnan(seconds) || seconds < 0.0 || seconds > maxPauseSeconds)
        return false;
    // Two statements on purpose: a fused multiply-add would round 0.1005 s differently.
    const double scaled = seconds * 1000.0;
    const double rounded = std::floor(scaled + 0.5);
    milliseconds = rounded >= double(maxPauseMs) ? maxPauseMs : qint32(rounded);
    return true;
}
