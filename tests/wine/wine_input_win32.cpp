// Runs the Win32 input code for real (under wine on Linux): a low-level keyboard hook
// in this process sees the synthetic events, the clipboard is read back with the
// shell's own calls. Exit code 0 = every check passed.

#include "platform/DropFiles.h"
#include "platform/win/Win32Input.h"
#include "tests/wine/WineCheck.h"

#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

using winecheck::check;

// --- events seen by the hook -------------------------------------------------------

CRITICAL_SECTION seenLock;
std::vector<KeyEvent> seen;

LRESULT CALLBACK keyboardHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION) {
        const auto *info = reinterpret_cast<const KBDLLHOOKSTRUCT *>(lParam);
        KeyEvent event;
        event.virtualKey = static_cast<std::uint16_t>(info->vkCode);
        event.up = (info->flags & LLKHF_UP) != 0;
        event.extended = (info->flags & LLKHF_EXTENDED) != 0;
        EnterCriticalSection(&seenLock);
        seen.push_back(event);
        LeaveCriticalSection(&seenLock);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

HANDLE hookReady;

// The hook is called on the thread that installed it while that thread waits for messages.
DWORD WINAPI hookThread(LPVOID) {
    HHOOK hook = SetWindowsHookExW(WH_KEYBOARD_LL, keyboardHook, GetModuleHandleW(nullptr), 0);
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
    SetEvent(hookReady);
    if (!hook)
        return 1;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0)
        DispatchMessageW(&msg);
    UnhookWindowsHookEx(hook);
    return 0;
}

void clearSeen() {
    EnterCriticalSection(&seenLock);
    seen.clear();
    LeaveCriticalSection(&seenLock);
}

std::vector<KeyEvent> waitForSeen(std::size_t count) {
    for (int i = 0; i < 200; ++i) {
        EnterCriticalSection(&seenLock);
        const std::size_t now = seen.size();
        LeaveCriticalSection(&seenLock);
        if (now >= count)
            break;
        Sleep(10);
    }
    Sleep(50); // any surplus event would arrive now
    EnterCriticalSection(&seenLock);
    std::vector<KeyEvent> copy = seen;
    LeaveCriticalSection(&seenLock);
    return copy;
}

std::string describe(const std::vector<KeyEvent> &events) {
    std::string text;
    char part[32];
    for (const KeyEvent &e : events) {
        std::snprintf(part, sizeof part, "%02X%s%s ", e.virtualKey, e.up ? "u" : "d", e.extended ? "e" : "");
        text += part;
    }
    return text;
}

void checkEvents(const std::vector<KeyEvent> &expected, const std::vector<KeyEvent> &actual,
                 const char *what) {
    const bool same = expected == actual;
    if (!same)
        std::printf("  expected %s\n  seen     %s\n", describe(expected).c_str(), describe(actual).c_str());
    check(same, what);
}

KeyEvent down(std::uint16_t vk, bool extended = false) {
    return KeyEvent{vk, false, extended};
}
KeyEvent up(std::uint16_t vk, bool extended = false) {
    return KeyEvent{vk, true, extended};
}

bool held(std::uint16_t vk) {
    return (GetAsyncKeyState(vk) & 0x8000) != 0;
}

// --- clipboard -----------------------------------------------------------------------

bool setClipboardUnicodeText(const std::wstring &text) {
    if (!OpenClipboard(nullptr))
        return false;
    EmptyClipboard();
    const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    std::memcpy(GlobalLock(memory), text.c_str(), bytes);
    GlobalUnlock(memory);
    const bool ok = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
    CloseClipboard();
    return ok;
}

std::wstring clipboardUnicodeText() {
    std::wstring text;
    if (!OpenClipboard(nullptr))
        return text;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        text = static_cast<const wchar_t *>(GlobalLock(data));
        GlobalUnlock(data);
    }
    CloseClipboard();
    return text;
}

struct DropRead {
    bool available = false;
    UINT fileCount = 0;
    std::wstring path;
    std::vector<std::uint8_t> bytes;
    int formatCount = 0;
    int privateFormats = 0; // of win32PrivateClipboardFormats, present with a DWORD 0
};

// Counts the privacy formats on the open clipboard that hold a DWORD 0.
int privateFormatsOnClipboard() {
    int found = 0;
    for (const wchar_t *name : win32PrivateClipboardFormats) {
        HANDLE data = GetClipboardData(RegisterClipboardFormatW(name));
        const auto *value = data ? static_cast<const DWORD *>(GlobalLock(data)) : nullptr;
        if (value && GlobalSize(data) >= sizeof(DWORD) && *value == 0)
            ++found;
        if (value)
            GlobalUnlock(data);
    }
    return found;
}

DropRead readClipboardDrop() {
    DropRead read;
    if (!OpenClipboard(nullptr))
        return read;
    read.formatCount = CountClipboardFormats();
    read.privateFormats = privateFormatsOnClipboard();
    read.available = IsClipboardFormatAvailable(CF_HDROP);
    if (HANDLE data = GetClipboardData(CF_HDROP)) {
        HDROP drop = static_cast<HDROP>(data);
        read.fileCount = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
        wchar_t buffer[MAX_PATH * 2] = {};
        DragQueryFileW(drop, 0, buffer, MAX_PATH * 2);
        read.path = buffer;
        const auto *raw = static_cast<const std::uint8_t *>(GlobalLock(data));
        if (raw)
            read.bytes.assign(raw, raw + GlobalSize(data));
        GlobalUnlock(data);
    }
    CloseClipboard();
    return read;
}

std::wstring makeTestFile() {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring folder = std::wstring(temp) + L"短语 测试";
    CreateDirectoryW(folder.c_str(), nullptr);
    std::wstring path = folder + L"\\图 片 1.png";
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    WriteFile(file, "png", 3, &written, nullptr);
    CloseHandle(file);
    return path;
}

HANDLE clipboardTaken;
HANDLE clipboardMayClose;

// Another program holding the clipboard open: a window of another thread opens it.
DWORD WINAPI holdClipboard(LPVOID) {
    HWND window =
        CreateWindowExW(0, L"STATIC", L"holder", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    const bool opened = window && OpenClipboard(window);
    SetEvent(clipboardTaken);
    WaitForSingleObject(clipboardMayClose, 5000);
    if (opened)
        CloseClipboard();
    if (window)
        DestroyWindow(window);
    return opened ? 0 : 1;
}

// --- the checks --------------------------------------------------------------------

void chordsArriveInOrderWithTheirFlags() {
    struct Case {
        const char *what;
        std::vector<std::uint16_t> modifiers;
        std::uint16_t mainKey;
        std::vector<KeyEvent> expected;
    };
    const std::vector<Case> cases = {
        {"Ctrl+Shift+A: modifiers around the key",
         {0xA2, 0xA0},
         0x41,
         {down(0xA2), down(0xA0), down(0x41), up(0x41), up(0xA0), up(0xA2)}},
        {"Win+Left: both extended",
         {0x5B},
         0x25,
         {down(0x5B, true), down(0x25, true), up(0x25, true), up(0x5B, true)}},
        {"Ctrl+Insert: Insert extended, Ctrl not",
         {0xA2},
         0x2D,
         {down(0xA2), down(0x2D, true), up(0x2D, true), up(0xA2)}},
        {"three modifiers and F5: eight events",
         {0xA2, 0xA4, 0xA0},
         0x74,
         {down(0xA2), down(0xA4), down(0xA0), down(0x74), up(0x74), up(0xA0), up(0xA4), up(0xA2)}},
        {"Ctrl alone: down and up", {0xA2}, 0, {down(0xA2), up(0xA2)}},
    };
    for (const Case &c : cases) {
        clearSeen();
        win32SendKeyEventsOneByOne(chordKeyEvents(c.modifiers, c.mainKey));
        checkEvents(c.expected, waitForSeen(c.expected.size()), c.what);
    }
}

void pasteShortcutIsFourEvents() {
    clearSeen();
    win32SendKeyEvents(pasteShortcutEvents());
    checkEvents({down(0xA2), down(0x56), up(0x56), up(0xA2)}, waitForSeen(4),
                "paste shortcut: left Ctrl, V down, V up, left Ctrl up in one call");
}

void heldModifiersAreReleased() {
    // Wine tells right Shift from left only by its scan code, which these events do not
    // carry, so the keys held here are left-hand ones plus the extended left Windows key.
    clearSeen();
    win32SendKeyEventsOneByOne({down(0xA2), down(0xA0), down(0x5B, true)});
    waitForSeen(3);
    check(held(0xA2) && held(0xA0) && held(0x5B), "left Ctrl, left Shift and left Win count as held");

    clearSeen();
    const HeldModifiers found = win32ReleaseHeldModifiers();
    check(found == HeldModifiers{true, false, false, false, true, false, true, false},
          "release reports left Ctrl, left Shift and left Win as held");
    checkEvents({up(0xA2), up(0xA0), up(0x5B, true)}, waitForSeen(3),
                "release sends key-ups in the order Ctrl, Shift, Win, Win extended");
    check(!held(0xA2) && !held(0xA0) && !held(0x5B) && !held(VK_CONTROL) && !held(VK_SHIFT),
          "no modifier counts as held after the release");

    clearSeen();
    check(win32ReleaseHeldModifiers() == HeldModifiers{}, "a second release finds nothing held");
    check(waitForSeen(0).empty(), "and sends nothing");
}

void fileDropReadsBackAsThePath() {
    const std::wstring path = makeTestFile();
    check(GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES,
          "test file with Chinese and spaces exists");

    check(win32PutFileOnClipboard(path), "putting the file on the clipboard succeeds");
    DropRead read = readClipboardDrop();
    check(read.available, "CF_HDROP is on the clipboard");
    check(read.privateFormats == 3, "the drop is marked private in all three formats");
    check(read.formatCount == 4, "nothing but the file drop and those marks is on the clipboard");
    check(read.fileCount == 1, "the drop lists exactly one file");
    check(read.path == path, "DragQueryFileW gives back the path, Chinese and spaces included");
    const std::vector<std::uint8_t> expected = dropFilesBlock(std::u16string(path.begin(), path.end()));
    check(read.bytes.size() >= expected.size() &&
              std::memcmp(read.bytes.data(), expected.data(), expected.size()) == 0,
          "the clipboard block is the DROPFILES block byte for byte");

    std::wstring slashed = path;
    for (wchar_t &c : slashed)
        if (c == L'\\')
            c = L'/';
    check(win32PutFileOnClipboard(slashed), "a path with \"/\" separators is accepted");
    read = readClipboardDrop();
    check(read.path == path, "and reads back with \"\\\" separators");
}

void failedFileLeavesTheClipboardAlone() {
    const std::wstring kept = L"保留的内容 keep";
    check(setClipboardUnicodeText(kept), "clipboard holds a text before the failures");

    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    check(win32PutTextOnClipboard(L"短语 text"), "a phrase's text goes on the clipboard");
    check(clipboardUnicodeText() == L"短语 text", "and reads back");
    // Emptied without an owner, the clipboard refuses SetClipboardData on Windows.
    check(GetClipboardOwner() != nullptr, "a window of the program owns the clipboard");
    check(OpenClipboard(nullptr) && privateFormatsOnClipboard() == 3 && CloseClipboard(),
          "the text is marked private in all three formats");
    check(setClipboardUnicodeText(kept), "clipboard holds the user's text again");
    check(!win32PutFileOnClipboard(std::wstring(temp) + L"不存在的文件.png"), "a missing file is refused");
    check(clipboardUnicodeText() == kept, "after a missing file the text is still there");
    check(!win32PutFileOnClipboard(std::wstring(temp) + L"短语 测试"), "a folder is refused");
    check(clipboardUnicodeText() == kept, "after a folder the text is still there");

    // Another thread holds the clipboard open: the file cannot go on it.
    clipboardTaken = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    clipboardMayClose = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE holder = CreateThread(nullptr, 0, holdClipboard, nullptr, 0, nullptr);
    WaitForSingleObject(clipboardTaken, 5000);
    const bool putWhileBusy = win32PutFileOnClipboard(makeTestFile());
    SetEvent(clipboardMayClose);
    WaitForSingleObject(holder, 5000);
    CloseHandle(holder);
    check(!putWhileBusy, "a busy clipboard is reported as a failure");
    check(clipboardUnicodeText() == kept, "after a busy clipboard the text is still there");
}

} // namespace

int wmain() {
    InitializeCriticalSection(&seenLock);
    hookReady = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    DWORD hookThreadId = 0;
    HANDLE thread = CreateThread(nullptr, 0, hookThread, nullptr, 0, &hookThreadId);
    WaitForSingleObject(hookReady, 5000);

    chordsArriveInOrderWithTheirFlags();
    pasteShortcutIsFourEvents();
    heldModifiersAreReleased();
    fileDropReadsBackAsThePath();
    failedFileLeavesTheClipboardAlone();

    PostThreadMessageW(hookThreadId, WM_QUIT, 0, 0);
    WaitForSingleObject(thread, 5000);
    std::printf("%d failure(s)\n", winecheck::failures());
    return winecheck::failures() == 0 ? 0 : 1;
}
