#include "platform/InstanceChannel.h"

namespace instancechannel {

QByteArray requestFor(const QStringList &arguments) {
    QByteArray request = showRequest.chopped(1);
    for (const QString &argument : arguments)
        request += ' ' + argument.toUtf8().toPercentEncoding();
    return request + '\n';
}

bool argumentsOf(const QByteArray &request, QStringList *arguments) {
    const QByteArray head = showRequest.chopped(1);
    if (request.size() > maxRequestSize || !request.endsWith('\n') || !request.startsWith(head))
        return false;
    const QByteArray rest = request.sliced(head.size()).chopped(1);
    if (!rest.isEmpty() && !rest.startsWith(' '))
        return false;
    if (rest.contains('\n') || rest.contains('\r'))
        return false;
    arguments->clear();
    if (rest.isEmpty())
        return true;
    // Every argument is encoded, so a blank only ever separates two of them.
    const QList<QByteArray> parts = rest.sliced(1).split(' ');
    for (const QByteArray &part : parts)
        *arguments << QString::fromUtf8(QByteArray::fromPercentEncoding(part));
    return true;
}

} // namespace instancechannel
