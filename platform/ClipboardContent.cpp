#include "platform/InputOperations.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

// Qt reads and offers every format on both systems, so the two backends share this.

ClipboardContent clipboardContent() {
    ClipboardContent content;
    QClipboard *clipboard = QGuiApplication::clipboard();
    const QMimeData *mime = clipboard ? clipboard->mimeData(QClipboard::Clipboard) : nullptr;
    if (!mime)
        return content;
    for (const QString &format : mime->formats())
        content.append({format, mime->data(format)});
    return content;
}

void restoreClipboardContent(const ClipboardContent &content) {
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
