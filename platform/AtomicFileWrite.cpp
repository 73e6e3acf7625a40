#include "platform/AtomicFileWrite.h"

#include <QLatin1String>
#include <QStringView>

#include <algorithm>

namespace {

bool isLowercaseLetterOrDigit(QChar c) {
    return (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9');
}

} // namespace

bool isSaveTemporaryOf(const QString &name, const QString &fileName) {
    const QLatin1String marker(".verbolin-tmp-");
    const qsizetype randomLength = 8;
    if (name.size() != 1 + fileName.size() + marker.size() + randomLength || !name.startsWith(u'.'))
        return false;
    const QStringView view(name);
    if (view.sliced(1, fileName.size()) != fileName ||
        view.sliced(1 + fileName.size(), marker.size()) != marker)
        return false;
    const QStringView random = view.last(randomLength);
    return std::all_of(random.begin(), random.end(), isLowercaseLetterOrDigit);
}
