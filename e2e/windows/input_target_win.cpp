// The Windows program phrases are input into, for the end-to-end road under wine. It
// keeps the focus it is given and records what arrives, as a person would see it:
// typed characters, Enter as a line break, Ctrl+V pasting the clipboard's text or its
// files as "[file:PATH]", other Ctrl chords as "<ctrl+shift+KEY>". Every change rewrites
// RECORD\received.txt (UTF-8); each loss of the activation or the focus adds a line to
// RECORD\focus.log.
// Usage: input_target_win.exe RECORD
#include <windows.h>

#include <shellapi.h>

#include <string>

namespace {

std::wstring recordFolder;
std::wstring received;

void writeFile(const std::wstring &name, const std::string &bytes, bool append) {
    const HANDLE file = CreateFileW((recordFolder + L"\\" + name).c_str(),
                                    append ? FILE_APPEND_DATA : GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                    append ? OPEN_ALWAYS : CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

std::string utf8(const std::wstring &text) {
    if (text.empty())
        return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size, nullptr,
                        nullptr);
    return bytes;
}

void receive(const std::wstring &text) {
    received += text;
    writeFile(L"received.txt", utf8(received), false);
}

void pasteClipboard(HWND window) {
    if (!OpenClipboard(window))
        return;
    if (const HANDLE drop = GetClipboardData(CF_HDROP)) {
        const UINT count = DragQueryFileW(static_cast<HDROP>(drop), 0xFFFFFFFF, nullptr, 0);
        for (UINT i = 0; i < count; ++i) {
            wchar_t path[MAX_PATH * 4] = {};
            DragQueryFileW(static_cast<HDROP>(drop), i, path, MAX_PATH * 4);
            receive(L"[file:" + std::wstring(path) + L"]");
        }
    } else if (const HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto *text = static_cast<const wchar_t *>(GlobalLock(data))) {
            receive(text);
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
}

bool isDown(int key) {
    return (GetKeyState(key) & 0x8000) != 0;
}

void keyDown(HWND window, WPARAM key) {
    if (!isDown(VK_CONTROL) || key == VK_CONTROL || key == VK_SHIFT || key == VK_MENU)
        return;
    if (key == 'V' && !isDown(VK_SHIFT) && !isDown(VK_MENU)) {
        pasteClipboard(window);
        return;
    }
    std::wstring chord = L"<ctrl+";
    if (isDown(VK_SHIFT))
        chord += L"shift+";
    if (isDown(VK_MENU))
        chord += L"alt+";
    chord += static_cast<wchar_t>(MapVirtualKeyW(static_cast<UINT>(key), MAPVK_VK_TO_CHAR) & 0xFFFF);
    receive(chord + L">");
}

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        keyDown(window, wParam);
        break;
    case WM_CHAR:
        // Control characters come from Ctrl chords, which keyDown records.
        if (wParam == L'\r')
            receive(L"\n");
        else if (wParam >= 0x20)
            receive(std::wstring(1, static_cast<wchar_t>(wParam)));
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE)
            writeFile(L"focus.log", "deactivated\n", true);
        break;
    case WM_KILLFOCUS:
        writeFile(L"focus.log", "focus lost\n", true);
        break;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
    int count = 0;
    LPWSTR *arguments = CommandLineToArgvW(commandLine, &count);
    if (!arguments || count < 1 || !*arguments[0])
        return 2;
    recordFolder = arguments[0];
    LocalFree(arguments);
    writeFile(L"received.txt", {}, false);
    writeFile(L"focus.log", {}, false);

    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = L"VerbolinInputTarget";
    RegisterClassW(&windowClass);
    const HWND window =
        CreateWindowExW(0, windowClass.lpszClassName, L"Verbolin input target", WS_OVERLAPPEDWINDOW, 40, 600,
                        480, 320, nullptr, nullptr, instance, nullptr);
    if (!window)
        return 1;
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    SetFocus(window);

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
