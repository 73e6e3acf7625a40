#include "library/UserNotices.h"

#include <QSet>
#include <QStringList>

#include <cstdio>
#include <utility>

namespace {

struct Notices {
    NoticeSink sink;
    QStringList waiting;
    QSet<QString> told;
};

Notices &notices() {
    static Notices n;
    return n;
}

} // namespace

void setNoticeSink(NoticeSink sink) {
    Notices &n = notices();
    n.sink = std::move(sink);
    if (!n.sink)
        return;
    // One message for everything found while loading: a tray shows one balloon at a time.
    const QStringList waiting = std::exchange(n.waiting, {});
    if (!waiting.isEmpty())
        n.sink(waiting.join(QLatin1Char('\n')));
}

void tellUser(const QString &cause, const QString &message, const QString &errorLine) {
    Notices &n = notices();
    if (n.told.contains(cause))
        return;
    n.told.insert(cause);
    std::fprintf(stderr, "verbolin: %s\n", qPrintable(errorLine));
    if (n.sink)
        n.sink(message);
    else
        n.waiting.append(message);
}

void forgetCauses(const QString &prefix) {
    Notices &n = notices();
    for (auto it = n.told.begin(); it != n.told.end();) {
        if (it->startsWith(prefix))
            it = n.told.erase(it);
        else
            ++it;
    }
}
