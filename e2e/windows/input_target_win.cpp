// The Windows target of the road under wine: keeps the focus it is given and writes what arrives
// to RECORD\received.txt (UTF-16LE): characters, Enter as a line break, Ctrl+V as the clipboard's
// text or "[file:PATH]", other Ctrl chords as "<ctrl+shift+KEY>"; each loss of the activation or
// the focus adds a line to RECORD\focus.log. Usage: input_target_win.exe RECORD
#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <string>

namespace {

std::wstring recordFolder, received;

void writeFile(const wchar_t *name, const wchar_t *mode, const std::wstring &text) {
    if (FILE *file = _wfopen((recordFolder + L"\\" + name).c_str(), mode)) {
        std::fwrite(text.data(), sizeof(wchar_t), text.size(), file);
        std::fclose(file);
    }
}

void receive(const std::wstring &text) {
    received += text;
    writeFile(L"received.txt", L"wb", received);
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
    if (key == 'V' && !isDown(VK_SHIFT) && !isDown(VK_MENU))
        return pasteClipboard(window);
    const wchar_t character = static_cast<wchar_t>(MapVirtualKeyW(static_cast<UINT>(key), MAPVK_VK_TO_CHAR));
    receive(std::wstring(L"<ctrl+") + (isDown(VK_SHIFT) ? L"shift+" : L"") +
            (isDown(VK_MENU) ? L"alt+" : L"") + character + L">");
}

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        keyDown(window, wParam);
        break;
    case WM_CHAR: // control characters come from Ctrl chords, which keyDown records
        if (wParam == L'\r' || wParam >= 0x20)
            receive(std::wstring(1, wParam == L'\r' ? L'\n' : static_cast<wchar_t>(wParam)));
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE)
            writeFile(L"focus.log", L"ab", L"deactivated\n");
        break;
    case WM_KILLFOCUS:
        writeFile(L"focus.log", L"ab", L"focus lost\n");
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
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
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
