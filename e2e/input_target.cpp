// The application phrases are input into: a focused text field that logs as JSON lines (file: argv[1])
// key presses, releases but auto-repeated ones, pastes, text changes and each focus loss the X server
// reports (Qt hides a short loss behind a timer); "atMs" is the monotonic clock, the same in every process.
// With "--terminal" (argv[2]) it behaves as the VTE terminals do: its WM_CLASS is xfce4-terminal's, it
// pastes on Ctrl+Shift+V, and Ctrl+V pastes nothing (a terminal types a control character).

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
        // Key grabs (modes Grab, Ungrab) and moves inside the window (Inferior, Pointer) keep the focus.
        if ((event->mode == XCB_NOTIFY_MODE_NORMAL || event->mode == XCB_NOTIFY_MODE_WHILE_GRABBED) &&
            event->detail != XCB_NOTIFY_DETAIL_INFERIOR && event->detail != XCB_NOTIFY_DETAIL_POINTER)
            logEvent(u"focusout"_s);
        return false;
    }
};

class RecordingEdit : public QPlainTextEdit {
public:
    bool terminal = false;

    RecordingEdit() {
        connect(this, &QPlainTextEdit::textChanged, this, [this] {
            logEvent(u"text"_s, {{u"text"_s, toPlainText()}});
        });
    }

protected:
    void keyPressEvent(QKeyEvent *event) override {
        logEvent(u"key"_s, {{u"key"_s, QKeySequence(event->keyCombination()).toString()}});
        if (terminal && event->key() == Qt::Key_V) {
            const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
            if (modifiers == (Qt::ControlModifier | Qt::ShiftModifier))
                paste();
            if (modifiers.testFlag(Qt::ControlModifier))
                return;
        }
        QPlainTextEdit::keyPressEvent(event);
    }

    void keyReleaseEvent(QKeyEvent *event) override {
        if (!event->isAutoRepeat())
            logEvent(u"keyup"_s, {{u"key"_s, QKeySequence(event->keyCombination()).toString()}});
        QPlainTextEdit::keyReleaseEvent(event);
    }

    // Files arrive as their URLs, with a note when the file managers' format names others.
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
    const bool terminal = argc > 2 && QByteArray(argv[2]) == "--terminal";
    // WM_CLASS names the program as the X11 platform plugin finds it: the resource name first.
    if (terminal)
        qputenv("RESOURCE_NAME", "xfce4-terminal");
    QApplication app(argc, argv);
    logFile.setFileName(QString::fromLocal8Bit(argc > 1 ? argv[1] : ""));
    if (!logFile.open(QIODevice::WriteOnly | QIODevice::Append))
        return 2;
    FocusOutRecorder focusOutRecorder;
    app.installNativeEventFilter(&focusOutRecorder);

    // Under Wayland no client sees the focus of others: the target says when it has it.
    QObject::connect(&app, &QGuiApplication::applicationStateChanged, &app, [](Qt::ApplicationState state) {
        logEvent(u"activation"_s, {{u"active"_s, state == Qt::ApplicationActive}});
    });

    RecordingEdit edit;
    edit.terminal = terminal;
    edit.setWindowTitle(u"verbolin-input-target"_s);
    edit.resize(600, 300);
    edit.show();
    edit.setFocus();
    // Ready once focused; a window manager busy at the start may pass over a request: asked each second.
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
