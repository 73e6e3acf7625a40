#include "platform/win/Win32Input.h"

#include "platform/DropFiles.h"
#include "platform/win/Win32Hotkey.h"

#include <windows.h>

#include <cstring>

namespace {

INPUT keyboardInput(const KeyEvent &event) {
    INPUT input;
    std::memset(&input, 0, sizeof input);
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = event.virtualKey;
    input.ki.wScan = 0;
    input.ki.dwFlags = (event.up ? KEYEVENTF_KEYUP : 0) | (event.extended ? KEYEVENTF_EXTENDEDKEY : 0);
    input.ki.time = 0;
    input.ki.dwExtraInfo = win32OwnInputSignature;
    return input;
}

bool isRegularFile(const std::wstring &path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0;
}

// Called with the clipboard open, after the content is set. A format that cannot be set
// leaves the content unmarked but still pasted.
void markClipboardPrivate() {
    for (const wchar_t *name : win32PrivateClipboardFormats) {
        const UINT format = RegisterClipboardFormatW(name);
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DWORD));
        if (!format || !memory || !SetClipboardData(format, memory)) {
            if (memory)
                GlobalFree(memory);
        }
    }
}

// The window that owns what the program puts on the clipboard. Opened without an owner,
// the clipboard gets none from EmptyClipboard, and SetClipboardData is documented to fail
// then. A message-only window of the system's static class needs no window procedure of ours.
HWND clipboardOwnerWindow() {
    static HWND owner = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                        GetModuleHandleW(nullptr), nullptr);
    return owner;
}

// Replaces the clipboard's content by one format holding a copy of the bytes, marked
// private. False, with the clipboard as it was, when the block cannot be made or the
// clipboard cannot be opened; false after emptying it when setting the data fails.
bool putOnClipboard(UINT format, const void *data, std::size_t size) {
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    if (!memory)
        return false;
    void *bytes = GlobalLock(memory);
    if (!bytes) {
        GlobalFree(memory);
        return false;
    }
    std::memcpy(bytes, data, size);
    GlobalUnlock(memory);

    if (!OpenClipboard(clipboardOwnerWindow())) {
        GlobalFree(memory);
        return false;
    }
    EmptyClipboard();
    const bool set = SetClipboardData(format, memory) != nullptr;
    if (set)
        markClipboardPrivate(); // the clipboard owns the block now
    else
        GlobalFree(memory);
    CloseClipboard();
    return set;
}

} // namespace

void win32SendKeyEvents(const std::vector<KeyEvent> &events) {
    if (events.empty())
        return;
    std::vector<INPUT> inputs;
    inputs.reserve(events.size());
    for (const KeyEvent &event : events)
        inputs.push_back(keyboardInput(event));
    // A refused event is lost; output goes on regardless.
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

void win32SendKeyEventsOneByOne(const std::vector<KeyEvent> &events) {
    for (const KeyEvent &event : events) {
        INPUT input = keyboardInput(event);
        SendInput(1, &input, sizeof(INPUT));
    }
}

std::vector<int> win32SendKeyEventsPastHotkeys(const std::vector<KeyEvent> &events, bool oneByOne) {
    std::vector<Win32Hotkey::Combination> pressed;
    for (const KeyPressCombination &c : keyPressCombinations(events)) {
        unsigned modifiers = 0;
        modifiers |= (c.modifiers & KeyPressCombination::Shift) ? MOD_SHIFT : 0;
        modifiers |= (c.modifiers & KeyPressCombination::Control) ? MOD_CONTROL : 0;
        modifiers |= (c.modifiers & KeyPressCombination::Alt) ? MOD_ALT : 0;
        modifiers |= (c.modifiers & KeyPressCombination::Meta) ? MOD_WIN : 0;
        pressed.push_back({modifiers, c.virtualKey});
    }
    const std::vector<int> suspended = Win32Hotkey::suspendHotkeys(pressed);
    if (oneByOne)
        win32SendKeyEventsOneByOne(events);
    else
        win32SendKeyEvents(events);
    return suspended;
}

HeldModifiers win32ReleaseHeldModifiers() {
    HeldModifiers held{};
    for (std::size_t i = 0; i < releasableModifierKeys.size(); ++i)
        held[i] = (GetAsyncKeyState(releasableModifierKeys[i]) & 0x8000) != 0;
    win32SendKeyEventsOneByOne(modifierReleaseEvents(held));
    return held;
}

bool win32PutFileOnClipboard(const std::wstring &nativePath) {
    if (nativePath.empty() || !isRegularFile(nativePath))
        return false;
    const std::vector<std::uint8_t> block =
        dropFilesBlock(std::u16string(nativePath.begin(), nativePath.end()));
    return putOnClipboard(CF_HDROP, block.data(), block.size());
}

bool win32PutTextOnClipboard(const std::wstring &text) {
    return putOnClipboard(CF_UNICODETEXT, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
}
