// The application phrases are input into: one focused text field that records every key
// press and release (auto-repeated releases left out), every paste and every change of
// its text as JSON lines in the file named by its first argument, and each time its
// window loses the input focus to another window, as the X server reports it (Qt's own
// focus bookkeeping hides a short loss behind a timer). Times ("atMs") are milliseconds of
// the monotonic clock, comparable with other processes on the same machine.

#include <QAbstractNativeEventFilter>
#include <QApplication>
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

#include <chrono>

namespace {

QFile logFile;

void logEvent(const QString &kind, QJsonObject event = {}) {
    using namespace std::chrono;
    event.insert(QStringLiteral("event"), kind);
    event.insert(QStringLiteral("atMs"),
                 double(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count()));
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
            logEvent(QStringLiteral("focusout"));
        return false;
    }
};

class RecordingEdit : public QPlainTextEdit {
public:
    RecordingEdit() {
        connect(this, &QPlainTextEdit::textChanged, this, [this] {
            logEvent(QStringLiteral("text"), {{QStringLiteral("text"), toPlainText()}});
        });
    }

protected:
    void keyPressEvent(QKeyEvent *event) override {
        logEvent(QStringLiteral("key"),
                 {{QStringLiteral("key"), QKeySequence(event->keyCombination()).toString()}});
        QPlainTextEdit::keyPressEvent(event);
    }

    void keyReleaseEvent(QKeyEvent *event) override {
        if (!event->isAutoRepeat())
            logEvent(QStringLiteral("keyup"),
                     {{QStringLiteral("key"), QKeySequence(event->keyCombination()).toString()}});
        QPlainTextEdit::keyReleaseEvent(event);
    }

    bool canInsertFromMimeData(const QMimeData *source) const override {
        return source->hasUrls() || QPlainTextEdit::canInsertFromMimeData(source);
    }

    // Files arrive as their URLs, followed by a note when the file managers' own format
    // does not name the same files.
    void insertFromMimeData(const QMimeData *source) override {
        logEvent(QStringLiteral("paste"), {{QStringLiteral("text"), source->text()}});
        if (!source->hasUrls() || source->hasText())
            return QPlainTextEdit::insertFromMimeData(source);
        QByteArray gnome = "copy";
        for (const QUrl &url : source->urls()) {
            insertPlainText(url.toString());
            gnome += '\n' + url.toEncoded();
        }
        if (source->data(QStringLiteral("x-special/gnome-copied-files")) != gnome)
            insertPlainText(QStringLiteral(" (x-special/gnome-copied-files differs)"));
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
    edit.setWindowTitle(QStringLiteral("verbolin-input-target"));
    edit.resize(600, 300);
    edit.show();
    edit.activateWindow();
    edit.setFocus();
    bool ready = false;
    const auto reportReady = [&] {
        if (!ready && edit.isActiveWindow() && edit.hasFocus()) {
            ready = true;
            logEvent(QStringLiteral("ready"), {{QStringLiteral("window"), QString::number(edit.winId())}});
        }
    };
    QObject::connect(&app, &QGuiApplication::focusWindowChanged, &edit, reportReady);
    QObject::connect(&app, &QGuiApplication::applicationStateChanged, &edit, reportReady);
    reportReady();
    // A window manager busy at the start of a session may pass over the first request.
    QTimer retry;
    QObject::connect(&retry, &QTimer::timeout, &edit, [&] { ready ? retry.stop() : edit.activateWindow(); });
    retry.start(1000);
    return app.exec();
}
