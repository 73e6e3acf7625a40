#include "output/OutputRunner.h"

#include "app/Settings.h"
#include "output/PasteShortcut.h"
#include "output/PhraseMarkup.h"
#include "platform/InputOperations.h"

#include <QCoreApplication>
#include <QTimer>

bool outputRunning = false;
qint32 syntheticKeyCounter = 0;

namespace {

std::function<void()> &outputStateObserver() {
    static std::function<void()> observer;
    return observer;
}

void notifyOutputState() {
    if (outputStateObserver())
        outputStateObserver()();
}

// The target needs a moment to see the new clipboard owner before the paste.
constexpr int clipboardSettleMs = 50;
constexpr int fileWaitMs = 1000;

// Read at every use so that a change in the settings applies to a running output too.
// A hand-edited negative value counts as no delay.
int outputDelayMs() {
    return qMax(0, settings::inputDelay());
}

// The paste chord suits the window that has the focus now (a terminal wants its own);
// the user's table in config.json is read at every use, like the delay.
OutputAction currentPasteChord() {
    return pasteChordFor(focusedWindowClasses(), settings::terminalPasteKeys());
}

void sendPaste(const OutputAction &chord) {
    if (isPlainCtrlV(chord))
        sendPasteShortcut();
    else
        pressKeyChord(chord);
}

// Putting the user's clipboard back (settings::restoresClipboard, off by default)
// waits this long after the last paste so that the target has taken the pasted content.
constexpr int clipboardRestoreWaitMs = 1000;

// The user's clipboard while an output, and the wait after it, have it borrowed. A new
// output during that wait borrows it on and keeps the saved content.
struct BorrowedClipboard {
    ClipboardContent saved;
    bool borrowed = false;
    QTimer *restoreTimer = nullptr;
};

BorrowedClipboard &borrowedClipboard() {
    static BorrowedClipboard clipboard;
    return clipboard;
}

bool usesClipboard(const QList<OutputAction> &actions) {
    for (const OutputAction &action : actions) {
        if (action.kind == OutputAction::Text || action.kind == OutputAction::PasteFile)
            return true;
    }
    return false;
}

void borrowClipboard() {
    BorrowedClipboard &clipboard = borrowedClipboard();
    if (clipboard.restoreTimer)
        clipboard.restoreTimer->stop();
    if (!clipboard.borrowed)
        clipboard.saved = clipboardContent();
    clipboard.borrowed = true;
}

void giveClipboardBackLater() {
    BorrowedClipboard &clipboard = borrowedClipboard();
    if (!clipboard.borrowed)
        return;
    if (!clipboard.restoreTimer) {
        clipboard.restoreTimer = new QTimer(QCoreApplication::instance());
        clipboard.restoreTimer->setSingleShot(true);
        clipboard.restoreTimer->setTimerType(Qt::PreciseTimer); // never shorter than the wait
        QObject::connect(clipboard.restoreTimer, &QTimer::timeout, clipboard.restoreTimer, [] {
            BorrowedClipboard &borrowed = borrowedClipboard();
            restoreClipboardContent(borrowed.saved);
            borrowed.saved.clear();
            borrowed.borrowed = false;
        });
    }
    clipboard.restoreTimer->start(clipboardRestoreWaitMs);
}

} // namespace

void setOutputStateObserver(std::function<void()> observer) {
    outputStateObserver() = std::move(observer);
}

void startPhraseOutput(const QString &text) {
    if (outputRunning)
        return;
    QList<OutputAction> actions;
    parsePhraseMarkup(text, actions);
    outputRunning = true;
    notifyOutputState();
    if (settings::restoresClipboard() && usesClipboard(actions))
        borrowClipboard();
    auto *runner = new VerbolinOutputRunner(actions, QCoreApplication::instance());
    releaseHeldModifiers();
    runner->runNextAction();
}

VerbolinOutputRunner::VerbolinOutputRunner(const QList<OutputAction> &actions, QObject *parent)
    : QObject(parent), actions(actions) {}

VerbolinOutputRunner::~VerbolinOutputRunner() = default;

void VerbolinOutputRunner::runNextAction() {
    if (nextIndex >= actions.size()) {
        finish();
        return;
    }
    const OutputAction action = actions.at(nextIndex);
    ++nextIndex;

    switch (action.kind) {
    case OutputAction::Text: {
        const OutputAction chord = currentPasteChord();
        setClipboardText(action.text);
        if (pastesPrimarySelection(chord))
            setPrimarySelectionText(action.text);
        QTimer::singleShot(clipboardSettleMs, this, [this, chord] {
            sendPaste(chord);
            continueRun();
        });
        return;
    }
    case OutputAction::KeyPress:
        ++syntheticKeyCounter;
        notifyOutputState();
        pressKeyChord(action);
        QTimer::singleShot(outputDelayMs(), this, [this] {
            syntheticKeyCounter = qMax(0, syntheticKeyCounter - 1);
            notifyOutputState();
            continueRun();
        });
        return;
    case OutputAction::Pause:
        QTimer::singleShot(qMax(0, action.pauseMs), this, [this] { continueRun(); });
        return;
    case OutputAction::PasteFile:
        QTimer::singleShot(fileWaitMs, this, [this, action] {
            // A file gone since the parse, or a busy clipboard: pasting would insert
            // whatever the clipboard still holds, so that paste is left out.
            const bool onClipboard = !action.filePath.isEmpty() && putFileOnClipboard(action.filePath);
            const OutputAction chord = currentPasteChord();
            // A terminal pasting the primary selection gets the file's path as text.
            if (onClipboard && pastesPrimarySelection(chord))
                setPrimarySelectionText(action.filePath);
            QTimer::singleShot(clipboardSettleMs, this, [this, onClipboard, chord] {
                if (onClipboard)
                    sendPaste(chord);
                continueRun();
            });
        });
        return;
    }
    continueRun();
}

void VerbolinOutputRunner::continueRun() {
    if (nextIndex >= actions.size()) {
        finish();
        return;
    }
    QTimer::singleShot(outputDelayMs(), this, [this] { runNextAction(); });
}

void VerbolinOutputRunner::finish() {
    giveClipboardBackLater();
    outputRunning = false;
    notifyOutputState();
    deleteLater();
}
