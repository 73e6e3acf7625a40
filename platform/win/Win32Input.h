#pragma once

// The Win32 calls of phrase output, free of Qt so that a test driver cross-built with
// mingw runs them under wine.

#include "platform/KeyEvents.h"

#include <string>
#include <vector>

// What the program's own key events carry as their extra information, so that its
// keyboard hook lets them pass (other programs' injected keys are taken like typed ones).
constexpr unsigned long win32OwnInputSignature = 0x56424C4EUL;

// One SendInput call carrying all the events, in order.
void win32SendKeyEvents(const std::vector<KeyEvent> &events);

// Each event in a SendInput call of its own.
void win32SendKeyEventsOneByOne(const std::vector<KeyEvent> &events);

// Sends the events (in one call, or one call each) with the program's hotkeys for the
// combinations they press (keyPressCombinations) let go, so that neither the main hotkey (a paste chord may
// be the hotkey itself) nor a phrase's takes them. Returns the hotkeys let go: the caller gives them to
// Win32Hotkey::resumeHotkeys once the system has handled the keys, which happens while
// the thread takes its messages (its own keyboard hook sees them first), not before.
std::vector<int> win32SendKeyEventsPastHotkeys(const std::vector<KeyEvent> &events, bool oneByOne);

// Reads the eight modifier keys with GetAsyncKeyState, then sends one key-up per held key.
HeldModifiers win32ReleaseHeldModifiers();

// The registered clipboard formats that keep content out of clipboard monitors, the
// clipboard history and the cloud clipboard; the last two hold a DWORD 0.
inline const wchar_t *const win32PrivateClipboardFormats[] = {L"ExcludeClipboardContentFromMonitorProcessing",
                                                              L"CanIncludeInClipboardHistory",
                                                              L"CanUploadToCloudClipboard"};

// Replaces the clipboard content with this text (CF_UNICODETEXT), marked private. False
// when the clipboard cannot be opened or the data cannot be set.
bool win32PutTextOnClipboard(const std::wstring &text);

// Offers the file as CF_HDROP, marked private, and nothing else. The path must be absolute with "\"
// separators. False, without touching the clipboard, when it is not an existing regular
// file, or the block cannot be made, or the clipboard cannot be opened; false after the
// clipboard was emptied when setting the data fails.
bool win32PutFileOnClipboard(const std::wstring &nativePath);
