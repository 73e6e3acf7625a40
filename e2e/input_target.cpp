// A stand-in for the application that receives phrase output: one focused text field
// that records every key press and release (auto-repeated releases left out), every
// paste (with its formats) and every change of its text as JSON lines in the file named
// by its first argument. Times are milliseconds of the monotonic clock, comparable with
// other processes on the same machine. Each time its window loses the input focus to
// another window it records a "focusout" at once.

#include "e2e/FocusOutRecorder.h"

#include <QApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QKeyEvent>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QUrl>
#include <QWindow>

#include <chrono>
#include <memory>

namespace {

QFile logFile;

qint64 monotonicMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void logEvent(QJsonObject event) {
    event.insert(QStringLiteral("atMs"), double(monotonicMs()));
    logFile.write(QJsonDocument(event).toJson(QJsonDocument::Compact) + '\n');
    logFile.flush();
}

class RecordingEdit : public QPlainTextEdit {
public:
    RecordingEdit() {
        connect(this, &QPlainTextEdit::textChanged, this, [this] {
            logEvent(
                {{QStringLiteral("event"), QStringLiteral("text")}, {QStringLiteral("text"), toPlainText()}});
        });
    }

protected:
    void keyPressEvent(QKeyEvent *event) override {
        logEvent({{QStringLiteral("event"), QStringLiteral("key")},
                  {QStringLiteral("key"), QKeySequence(event->keyCombination()).toString()}});
        QPlainTextEdit::keyPressEvent(event);
    }

    void keyReleaseEvent(QKeyEvent *event) override {
        if (!event->isAutoRepeat())
            logEvent({{QStringLiteral("event"), QStringLiteral("keyup")},
                      {QStringLiteral("key"), QKeySequence(event->keyCombination()).toString()}});
        QPlainTextEdit::keyReleaseEvent(event);
    }

    bool canInsertFromMimeData(const QMimeData *source) const override {
        return source->hasUrls() || QPlainTextEdit::canInsertFromMimeData(source);
    }

    void insertFromMimeData(const QMimeData *source) override {
        QJsonArray urls;
        for (const QUrl &url : source->urls())
            urls.append(url.toString());
        logEvent({{QStringLiteral("event"), QStringLiteral("paste")},
                  {QStringLiteral("formats"), QJsonArray::fromStringList(source->formats())},
                  {QStringLiteral("text"), source->text()},
                  {QStringLiteral("urls"), urls},
                  {QStringLiteral("gnome"),
                   QString::fromUtf8(source->data(QStringLiteral("x-special/gnome-copied-files")))}});
        if (source->hasUrls() && !source->hasText()) {
            for (const QUrl &url : source->urls())
                insertPlainText(url.toString());
            return;
        }
        QPlainTextEdit::insertFromMimeData(source);
    }
};

} // namespace

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    if (argc < 2)
        return 2;
    logFile.setFileName(QString::fromLocal8Bit(argv[1]));
    if (!logFile.open(QIODevice::WriteOnly | QIODevice::Append))
        return 2;

    const std::unique_ptr<QAbstractNativeEventFilter> focusOutRecorder(
        newFocusOutRecorder([](quint64 window) {
            logEvent({{QStringLiteral("event"), QStringLiteral("focusout")},
                      {QStringLiteral("window"), QString::number(window)}});
        }));
    if (focusOutRecorder)
        app.installNativeEventFilter(focusOutRecorder.get());

    RecordingEdit edit;
    edit.setWindowTitle(QStringLiteral("verbolin-input-target"));
    edit.resize(600, 300);
    edit.show();
    edit.raise();
    edit.activateWindow();
    edit.setFocus();

    bool ready = false;
    const auto reportReady = [&] {
        if (!ready && edit.isActiveWindow() && edit.hasFocus()) {
            ready = true;
            logEvent({{QStringLiteral("event"), QStringLiteral("ready")},
                      {QStringLiteral("window"), QString::number(edit.winId())}});
        }
    };
    QObject::connect(&app, &QGuiApplication::applicationStateChanged, &edit, reportReady);
    QObject::connect(&app, &QGuiApplication::focusWindowChanged, &edit, reportReady);
    reportReady();
    return app.exec();
}
