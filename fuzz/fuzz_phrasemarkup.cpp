// libFuzzer target: any phrase text must parse without faults into a result that
// accounts for every character (see tests/MarkupCheck.h).

#include "output/PhraseMarkup.h"
#include "tests/MarkupCheck.h"

#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    // The first byte picks the reading, so that unpaired surrogates are reached too.
    if (size == 0)
        return 0;
    QString phrase;
    if (data[0] == 0xFF)
        phrase = QString::fromUtf16(reinterpret_cast<const char16_t *>(data + 1), qsizetype((size - 1) / 2));
    else
        phrase = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));

    QList<OutputAction> actions;
    if (!parsePhraseMarkup(phrase, actions))
        std::abort();
    const QString problem = checkMarkupResult(phrase, actions);
    if (!problem.isEmpty()) {
        std::fprintf(stderr, "markup check failed: %s\n", problem.toUtf8().constData());
        std::abort();
    }
    return 0;
}
