#include "output/OutputRunner.h"

#include "output/PasteShortcut.h"
#include "output/PhraseMarkup.h"
#include "platform/InputOperations.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonObject>
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

// QTimer::singleShot that never runs the task early. Windows times even a precise timer
// in whole milliseconds of a clock of its own, and may call it a millisecond early by
// QElapsedTimer's; a coarse timer of two seconds and more may come 5 % early anywhere.
void runAfterAtLeast(int ms, QObject *context, std::function<void()> task, QElapsedTimer since = {}) {
    if (!since.isValid())
        since.start();
    const int left = int(qMax<qint64>(0, ms - since.elapsed()));
    QTimer::singleShot(left, context, [ms, context, task = std::move(task), since]() mutable {
        if (since.elapsed() < ms)
            runAfterAtLeast(ms, context, std::move(task), since);
        else
            task();
    });
}

// The target needs a moment to see the new clipboard owner before the paste.
constexpr int clipboardSettleMs = 50;
constexpr int fileWaitMs = 1000;

void sendPaste(const OutputAction &chord) {
    if (isPlainCtrlV(chord))
        sendPasteShortcut();
    else
        pressKeyChord(chord.modifiers, chord.mainKey);
}

// Putting the user's clipboard back (OutputSettings::restoresClipboard, off by default)
// waits this long after the last paste so that the target has taken the pasted content.
constexpr int clipboardRestoreWaitMs = 1000;

// The user's clipboard while an output, and the wait after it, have it borrowed. A new
// output during that wait borrows it on and keeps the saved content. Whatever anyone copies
// meanwhile is newer than the saved content: the clipboard is given back only while it
// still holds what the output itself put there last.
struct BorrowedClipboard {
    ClipboardContent saved;
    bool borrowed = false;
    // Only the latest wait gives it back: a new output, or a new wait, cancels the others.
    quint64 latestWait = 0;
    // What the output put on the clipboard last: a text, a file's path, or nothing yet.
    enum class Put { Nothing, Text, File } lastPut = Put::Nothing;
    QString lastPutValue;
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

// False as well when the output has not put anything there yet.
bool clipboardHoldsOutput() {
    const BorrowedClipboard &clipboard = borrowedClipboard();
    switch (clipboard.lastPut) {
    case BorrowedClipboard::Put::Text:
        return clipboardHoldsText(clipboard.lastPutValue);
    case BorrowedClipboard::Put::File:
        return clipboardHoldsFile(clipboard.lastPutValue);
    case BorrowedClipboard::Put::Nothing:
        break;
    }
    return false;
}

void notePutOnClipboard(BorrowedClipboard::Put kind, const QString &value) {
    BorrowedClipboard &clipboard = borrowedClipboard();
    clipboard.lastPut = kind;
    clipboard.lastPutValue = value;
}

void borrowClipboard() {
    BorrowedClipboard &clipboard = borrowedClipboard();
    ++clipboard.latestWait;
    // Borrowing on keeps the saved content, unless something newer was copied meanwhile.
    if (!clipboard.borrowed || !clipboardHoldsOutput()) {
        clipboard.saved = clipboardContent();
        notePutOnClipboard(BorrowedClipboard::Put::Nothing, QString());
    }
    clipboard.borrowed = true;
}

void giveClipboardBackLater() {
    BorrowedClipboard &clipboard = borrowedClipboard();
    if (!clipboard.borrowed)
        return;
    runAfterAtLeast(clipboardRestoreWaitMs, QCoreApplication::instance(), [wait = ++clipboard.latestWait] {
        BorrowedClipboard &borrowed = borrowedClipboard();
        if (wait != borrowed.latestWait)
            return;
        if (clipboardHoldsOutput())
            restoreClipboardContent(borrowed.saved);
        borrowed.saved.clear();
        borrowed.borrowed = false;
        notePutOnClipboard(BorrowedClipboard::Put::Nothing, QString());
    });
}

// Requests made while a run goes on, oldest first: each is the user's choice of a phrase
// (a key held on the pick window, a click, a phrase hotkey) and is input in its turn.
struct PendingOutput {
    QString text;
    OutputSettingsSource settings;
};

QList<PendingOutput> &pendingOutputs() {
    static QList<PendingOutput> pending;
    return pending;
}

void runPhraseOutput(const QString &text, const OutputSettingsSource &settings);

} // namespace

void setOutputStateObserver(std::function<void()> observer) {
    outputStateObserver() = std::move(observer);
}

void startPhraseOutput(const QString &text, const OutputSettingsSource &settings) {
    if (outputRunning) {
        pendingOutputs().append({text, settings});
        return;
    }
    runPhraseOutput(text, settings);
}

namespace {

void runPhraseOutput(const QString &text, const OutputSettingsSource &settings) {
    QList<OutputAction> actions;
    parsePhraseMarkup(text, actions);
    outputRunning = true;
    notifyOutputState();
    if (settings().restoresClipboard && usesClipboard(actions))
        borrowClipboard();
    auto *runner = new VerbolinOutputRunner(actions, settings, QCoreApplication::instance());
    releaseHeldModifiers();
    runner->runNextAction();
}

} // namespace

VerbolinOutputRunner::VerbolinOutputRunner(const QList<OutputAction> &actions, OutputSettingsSource settings,
                                           QObject *parent)
    : QObject(parent), actions(actions), settings(std::move(settings)) {}

VerbolinOutputRunner::~VerbolinOutputRunner() = default;

// Asked at every use so that a change in the settings applies to a running output too.
// A hand-edited negative value counts as no delay.
int VerbolinOutputRunner::delayMs() const {
    return qMax(0, settings().delayMs);
}

// The paste chord suits the window that has the focus now (a terminal wants its own);
// the user's table is asked for at every use, like the delay.
OutputAction VerbolinOutputRunner::currentPasteChord() const {
    const OutputSettings now = settings();
    // Where the focused window is not known, the user's one chord serves every program.
    if (focusedWindowUnknown()) {
        const QString any = QStringLiteral("*");
        return pasteChordFor({any}, QJsonObject{{any, now.pasteKeys}});
    }
    return pasteChordFor(focusedWindowClasses(), now.terminalPasteKeys);
}

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
        notePutOnClipboard(BorrowedClipboard::Put::Text, action.text);
        if (pastesPrimarySelection(chord))
            setPrimarySelectionText(action.text);
        runAfterAtLeast(clipboardSettleMs, this, [this, chord] {
            sendPaste(chord);
            continueRun();
        });
        return;
    }
    case OutputAction::KeyPress:
        ++syntheticKeyCounter;
        notifyOutputState();
        pressKeyChord(action.modifiers, action.mainKey);
        runAfterAtLeast(delayMs(), this, [this] {
            syntheticKeyCounter = qMax(0, syntheticKeyCounter - 1);
            notifyOutputState();
            continueRun();
        });
        return;
    case OutputAction::Pause:
        runAfterAtLeast(qMax(0, action.pauseMs), this, [this] { continueRun(); });
        return;
    case OutputAction::PasteFile:
        runAfterAtLeast(fileWaitMs, this, [this, action] {
            // A file gone since the parse, or a busy clipboard: pasting would insert
            // whatever the clipboard still holds, so that paste is left out.
            const bool onClipboard = !action.filePath.isEmpty() && putFileOnClipboard(action.filePath);
            if (onClipboard)
                notePutOnClipboard(BorrowedClipboard::Put::File, action.filePath);
            const OutputAction chord = currentPasteChord();
            // A terminal pasting the primary selection gets the file's path as text.
            if (onClipboard && pastesPrimarySelection(chord))
                setPrimarySelectionText(action.filePath);
            runAfterAtLeast(clipboardSettleMs, this, [this, onClipboard, chord] {
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
    runAfterAtLeast(delayMs(), this, [this] { runNextAction(); });
}

void VerbolinOutputRunner::finish() {
    giveClipboardBackLater();
    deleteLater();
    if (!pendingOutputs().isEmpty()) {
        // The next run waits as the next action of this one would: the target is still
        // taking the last paste, and a clipboard replaced at once could be pasted in its
        // place. outputRunning stays set meanwhile, so that later requests queue behind.
        const PendingOutput next = pendingOutputs().takeFirst();
        runAfterAtLeast(qMax(delayMs(), clipboardSettleMs), QCoreApplication::instance(), [next] {
            outputRunning = false;
            runPhraseOutput(next.text, next.settings);
        });
        return;
    }
    outputRunning = false;
    notifyOutputState();
}
