#include "platform/Win32Input.h"

#include "platform/DropFiles.h"

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
    input.ki.dwExtraInfo = 0;
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

    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, block.size());
    if (!memory)
        return false;
    void *bytes = GlobalLock(memory);
    if (!bytes) {
        GlobalFree(memory);
        return false;
    }
    std::memcpy(bytes, block.data(), block.size());
    GlobalUnlock(memory);

    if (!OpenClipboard(nullptr)) {
        GlobalFree(memory);
        return false;
    }
    EmptyClipboard();
    const bool set = SetClipboardData(CF_HDROP, memory) != nullptr;
    if (set)
        markClipboardPrivate();
    CloseClipboard();
    if (!set) {
        GlobalFree(memory);
        return false;
    }
    return true; // the clipboard owns the block now
}

bool win32PutTextOnClipboard(const std::wstring &text) {
    const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (!memory)
        return false;
    void *target = GlobalLock(memory);
    if (!target) {
        GlobalFree(memory);
        return false;
    }
    std::memcpy(target, text.c_str(), bytes);
    GlobalUnlock(memory);
    if (!OpenClipboard(nullptr)) {
        GlobalFree(memory);
        return false;
    }
    EmptyClipboard();
    const bool set = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
    if (set)
        markClipboardPrivate();
    else
        GlobalFree(memory);
    CloseClipboard();
    return set;
}
