// The application phrases are input into: one focused text field that records, as JSON lines
// in the file named by its first argument, every key press and release (auto-repeated
// releases left out), every paste, every change of its text, and each loss of the input focus
// as the X server reports it (Qt's own bookkeeping hides a short loss behind a timer).
// "atMs" is the monotonic clock in milliseconds, comparable across processes.

#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QKeyEvent>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTimer>
#include <QUrl>
#include <QWindow>

#include <xcb/xcb.h>

using namespace Qt::StringLiterals;

namespace {

QFile logFile;

void logEvent(const QString &kind, QJsonObject event = {}) {
    event.insert(u"event"_s, kind);
    event.insert(u"atMs"_s, double(QDeadlineTimer::current().deadline()));
    logFile.write(QJsonDocument(event).toJson(QJsonDocument::Compact) + '\n');
    logFile.flush();
}

class FocusOutRecorder : public QAbstractNativeEventFilter {
public:
    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *) override {
        const auto *event = static_cast<const xcb_focus_out_event_t *>(message);
        if (eventType != QByteArrayLiteral("xcb_generic_event_t") ||
            (event->response_type & 0x7f) != XCB_FOCUS_OUT)
            return false;
        // Key grabs (modes Grab and Ungrab) and moves inside the window (details Inferior
        // and Pointer) leave the keyboard focus where it was.
        if ((event->mode == XCB_NOTIFY_MODE_NORMAL || event->mode == XCB_NOTIFY_MODE_WHILE_GRABBED) &&
            event->detail != XCB_NOTIFY_DETAIL_INFERIOR && event->detail != XCB_NOTIFY_DETAIL_POINTER)
            logEvent(u"focusout"_s);
        return false;
    }
};

class RecordingEdit : public QPlainTextEdit {
public:
    RecordingEdit() {
        connect(this, &QPlainTextEdit::textChanged, this, [this] {
            logEvent(u"text"_s, {{u"text"_s, toPlainText()}});
        });
    }

protected:
    void keyPressEvent(QKeyEvent *event) override {
        logEvent(u"key"_s, {{u"key"_s, QKeySequence(event->keyCombination()).toString()}});
        QPlainTextEdit::keyPressEvent(event);
    }

    void keyReleaseEvent(QKeyEvent *event) override {
        if (!event->isAutoRepeat())
            logEvent(u"keyup"_s, {{u"key"_s, QKeySequence(event->keyCombination()).toString()}});
        QPlainTextEdit::keyReleaseEvent(event);
    }

    bool canInsertFromMimeData(const QMimeData *source) const override {
        return source->hasUrls() || QPlainTextEdit::canInsertFromMimeData(source);
    }

    // Files arrive as their URLs, followed by a note when the file managers' own format
    // does not name the same files.
    void insertFromMimeData(const QMimeData *source) override {
        logEvent(u"paste"_s, {{u"text"_s, source->text()}});
        if (!source->hasUrls() || source->hasText())
            return QPlainTextEdit::insertFromMimeData(source);
        QByteArray gnome = "copy";
        for (const QUrl &url : source->urls()) {
            insertPlainText(url.toString());
            gnome += '\n' + url.toEncoded();
        }
        if (source->data(u"x-special/gnome-copied-files"_s) != gnome)
            insertPlainText(u" (x-special/gnome-copied-files differs)"_s);
    }
};

} // namespace

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    logFile.setFileName(QString::fromLocal8Bit(argc > 1 ? argv[1] : ""));
    if (!logFile.open(QIODevice::WriteOnly | QIODevice::Append))
        return 2;
    FocusOutRecorder focusOutRecorder;
    app.installNativeEventFilter(&focusOutRecorder);

    RecordingEdit edit;
    edit.setWindowTitle(u"verbolin-input-target"_s);
    edit.resize(600, 300);
    edit.show();
    edit.setFocus();
    // Ready once the window has the focus; a window manager busy at the start of a session may
    // pass over the first request, so it is asked again each second.
    QTimer poll;
    int ticks = 0;
    QObject::connect(&poll, &QTimer::timeout, &edit, [&] {
        if (edit.isActiveWindow() && edit.hasFocus()) {
            poll.stop();
            logEvent(u"ready"_s, {{u"window"_s, QString::number(edit.winId())}});
        } else if (ticks++ % 50 == 0)
            edit.activateWindow();
    });
    poll.start(20);
    return app.exec();
}
