#include "platform/InputOperations.h"
#include "platform/InputRecording.h"

#include <QElapsedTimer>
#include <QFileInfo>

namespace {

struct RecordingState {
    QList<RecordedInputCall> calls;
    QElapsedTimer clock;
    HeldModifiers held{};
    QString clipboardText;
    QString clipboardFile;
    QStringList focusedClasses;
    bool focusedWindowUnknown = false;
};

RecordingState &state() {
    static RecordingState recording;
    if (!recording.clock.isValid())
        recording.clock.start();
    return recording;
}

RecordedInputCall &record(const QString &operation, const QString &argument = QString(),
                          std::vector<KeyEvent> events = {}) {
    RecordedInputCall call;
    call.operation = operation;
    call.argument = argument;
    call.events = std::move(events);
    call.atMs = state().clock.elapsed();
    state().calls.append(call);
    return state().calls.last();
}

} // namespace

QList<RecordedInputCall> recordedInputCalls() {
    return state().calls;
}

void resetInputRecording() {
    state().calls.clear();
    state().clock.restart();
    state().held = HeldModifiers{};
    state().clipboardText.clear();
    state().clipboardFile.clear();
    state().focusedClasses.clear();
    state().focusedWindowUnknown = false;
}

void setSimulatedHeldModifiers(const HeldModifiers &held) {
    state().held = held;
}

void setSimulatedFocusedWindowClasses(const QStringList &classes) {
    state().focusedClasses = classes;
}

QString recordedClipboardText() {
    return state().clipboardText;
}

QString recordedClipboardFile() {
    return state().clipboardFile;
}

void simulateOtherProgramCopying(const QString &text) {
    state().clipboardText = text;
    state().clipboardFile.clear();
}

void sendVirtualKey(quint16 virtualKey, bool keyUp) {
    record(QStringLiteral("sendVirtualKey"), QString(), {keyEvent(virtualKey, keyUp)});
}

void pressKeyChord(const QList<quint16> &chordModifiers, quint16 mainKey) {
    const std::vector<std::uint16_t> modifiers(chordModifiers.cbegin(), chordModifiers.cend());
    record(QStringLiteral("pressKeyChord"), QString(), chordKeyEvents(modifiers, mainKey));
}

void sendPasteShortcut() {
    record(QStringLiteral("sendPasteShortcut"), QString(), pasteShortcutEvents());
}

QStringList focusedWindowClasses() {
    return state().focusedClasses;
}

bool focusedWindowUnknown() {
    return state().focusedWindowUnknown;
}

void setSimulatedFocusedWindowUnknown(bool unknown) {
    state().focusedWindowUnknown = unknown;
}

HeldModifiers releaseHeldModifiers() {
    const HeldModifiers held = state().held;
    record(QStringLiteral("releaseHeldModifiers"), QString(), modifierReleaseEvents(held));
    state().held = HeldModifiers{};
    return held;
}

void awaitHotkeyKeysLetGo() {
    record(QStringLiteral("awaitHotkeyKeysLetGo"), QString());
}

void setClipboardText(const QString &text) {
    record(QStringLiteral("setClipboardText"), text);
    state().clipboardText = text;
    state().clipboardFile.clear();
}

void setPrimarySelectionText(const QString &text) {
    record(QStringLiteral("setPrimarySelectionText"), text);
}

ClipboardContent clipboardContent() {
    record(QStringLiteral("clipboardContent"));
    ClipboardContent content;
    if (!state().clipboardText.isEmpty())
        content.append({QStringLiteral("text/plain"), state().clipboardText.toUtf8()});
    return content;
}

void restoreClipboardContent(const ClipboardContent &content) {
    record(QStringLiteral("restoreClipboardContent"));
    state().clipboardText = content.isEmpty() ? QString() : QString::fromUtf8(content.first().second);
    state().clipboardFile.clear();
}

bool clipboardHoldsText(const QString &text) {
    return state().clipboardFile.isEmpty() && state().clipboardText == text;
}

bool clipboardHoldsFile(const QString &filePath) {
    return !state().clipboardFile.isEmpty() &&
           state().clipboardFile == QFileInfo(filePath).absoluteFilePath();
}

bool putFileOnClipboard(const QString &filePath) {
    const QFileInfo info(filePath);
    const bool ok = !filePath.isEmpty() && info.isFile();
    record(QStringLiteral("putFileOnClipboard"), filePath).result = ok;
    if (ok) {
        state().clipboardText.clear();
        state().clipboardFile = info.absoluteFilePath();
    }
    return ok;
}
