#include "platform/InputOperations.h"

#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeData>
#include <QUrl>

// Qt reads and offers every format on both systems, so the two backends share this. Under
// Wayland, where Qt's clipboard works only while a window of ours has the focus, the
// compositor's data control serves instead (wayland/InputOperations_linux.cpp).

#ifdef Q_OS_LINUX
bool waylandClipboardContent(ClipboardContent *content);
bool restoreWaylandClipboard(const ClipboardContent &content);
#endif

ClipboardContent clipboardContent() {
    ClipboardContent content;
#ifdef Q_OS_LINUX
    if (waylandClipboardContent(&content))
        return content;
#endif
    QClipboard *clipboard = QGuiApplication::clipboard();
    const QMimeData *mime = clipboard ? clipboard->mimeData(QClipboard::Clipboard) : nullptr;
    if (!mime)
        return content;
    for (const QString &format : mime->formats())
        content.append({format, mime->data(format)});
    return content;
}

void restoreClipboardContent(const ClipboardContent &content) {
#ifdef Q_OS_LINUX
    if (restoreWaylandClipboard(content))
        return;
#endif
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        return;
    if (content.isEmpty()) {
        clipboard->clear(QClipboard::Clipboard);
        return;
    }
    auto *mime = new QMimeData;
    for (const auto &format : content)
        mime->setData(format.first, format.second);
    clipboard->setMimeData(mime, QClipboard::Clipboard);
}

namespace {

// The clipboard as this session sees it: under Wayland, where Qt sees it only while a window
// of ours has the focus, a copy of what data control reads (filled into waylandCopy).
const QMimeData *currentClipboard(QMimeData *waylandCopy) {
#ifdef Q_OS_LINUX
    ClipboardContent content;
    if (waylandClipboardContent(&content)) {
        for (const auto &format : content)
            waylandCopy->setData(format.first, format.second);
        return waylandCopy;
    }
#else
    Q_UNUSED(waylandCopy);
#endif
    QClipboard *clipboard = QGuiApplication::clipboard();
    return clipboard ? clipboard->mimeData(QClipboard::Clipboard) : nullptr;
}

// Windows hands plain text back with CRLF line ends turned into LF.
QString withLfLineEnds(QString text) {
    return text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
}

} // namespace

bool clipboardHoldsText(const QString &text) {
    QMimeData waylandCopy;
    const QMimeData *mime = currentClipboard(&waylandCopy);
    return mime && mime->hasText() && !mime->hasUrls() &&
           withLfLineEnds(mime->text()) == withLfLineEnds(text);
}

bool clipboardHoldsFile(const QString &filePath) {
    QMimeData waylandCopy;
    const QMimeData *mime = currentClipboard(&waylandCopy);
    if (!mime || !mime->hasUrls())
        return false;
    const QList<QUrl> urls = mime->urls();
    return urls.size() == 1 && urls.first().isLocalFile() &&
           QFileInfo(urls.first().toLocalFile()) == QFileInfo(filePath);
}
