#include "platform/AtomicFileWrite.h"

#include <QDir>
#include <QFileInfo>
#include <QLatin1String>
#include <QRandomGenerator>
#include <QStringView>

#include <algorithm>

namespace {

bool isLowercaseLetterOrDigit(QChar c) {
    return (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9');
}

} // namespace

const QLatin1String temporaryMarker(".verbolin-tmp-");
constexpr qsizetype temporaryRandomLength = 8;

QString newSaveTemporaryPath(const QString &target) {
    static const char digits[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    QString random;
    for (qsizetype i = 0; i < temporaryRandomLength; ++i)
        random += QLatin1Char(digits[QRandomGenerator::global()->bounded(36)]);
    const QFileInfo info(target);
    return info.dir().filePath(QLatin1Char('.') + info.fileName() + temporaryMarker + random);
}

bool isSaveTemporaryOf(const QString &name, const QString &fileName) {
    const QLatin1String marker = temporaryMarker;
    const qsizetype randomLength = temporaryRandomLength;
    if (name.size() != 1 + fileName.size() + marker.size() + randomLength || !name.startsWith(u'.'))
        return false;
    const QStringView view(name);
    if (view.sliced(1, fileName.size()) != fileName ||
        view.sliced(1 + fileName.size(), marker.size()) != marker)
        return false;
    const QStringView random = view.last(randomLength);
    return std::all_of(random.begin(), random.end(), isLowercaseLetterOrDigit);
}
