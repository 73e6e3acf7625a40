#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QPoint>
#include <QSize>
#include <QString>
#include <QStringList>

struct OutputSettings;

// The process-wide settings object; it mirrors config.json (library/ConfigStore.h loads
// and saves it) and every reader reads its key at the moment of use.
QJsonObject &configObject();

// Typed reads with read defaults: missing or mistyped values give the default. The
// program reads through the accessors below, which name the keys.
int configInt(const QString &key, int readDefault = 0);
bool configBool(const QString &key, bool readDefault = false);
QString configString(const QString &key);

// Every setting of config.json, one typed accessor each. The JSON names (kept as stored
// files have them) and what a missing or mistyped value reads as are in Settings.cpp,
// beside each accessor; nothing else spells them. Each read goes to the settings object
// at the moment of use, so a change applies at once; a setter changes the object only,
// the caller saves (saveConfig).
namespace settings {

// "hotkey": the global hotkey that shows the pick window, as portable text.
QString globalHotkey();
void setGlobalHotkey(const QString &portableText);

// "zhiding": the pick window stays above other windows.
bool alwaysOnTop();
void setAlwaysOnTop(bool on);

// "tudingflag": the pick window stays open after a phrase is input.
bool isPinned();
void setPinned(bool on);

// While pinned, whether Enter ("enter_key_input_phrase_when_pinned") and the badge keys
// ("badge_key_input_phrase_when_pinned") input a phrase or reach the focused application.
bool enterKeyInputsWhenPinned();
void setEnterKeyInputsWhenPinned(bool on);
bool badgeKeyInputsWhenPinned();
void setBadgeKeyInputsWhenPinned(bool on);

// "arrow_key_cycle_select_phrase_item": Up on the first phrase goes to the last, and back.
bool arrowKeysWrapAround();
void setArrowKeysWrapAround(bool on);

// "search_all_groups": a search shows the matching phrases of every group, not only of the
// current one.
bool searchesAllGroups();
void setSearchesAllGroups(bool on);

// "jiaobiao": badges in the top-left corner of a phrase rather than the top-right one.
bool badgeOnLeft();
void setBadgeOnLeft(bool on);

// "width" and "height": the size of the windows.
int windowWidth();
int windowHeight();
void setWindowSize(int width, int height);

// "default_item_height": the item height of a new group.
int defaultItemHeight();
void setDefaultItemHeight(int height);

// "phrase_item_padding_horizontal" and "_vertical": the padding of a phrase row.
int phraseItemPaddingHorizontal();
void setPhraseItemPaddingHorizontal(int pixels);
int phraseItemPaddingVertical();
void setPhraseItemPaddingVertical(int pixels);

// "gundong": pixels the phrase list scrolls per step.
int scrollStep();
void setScrollStep(int pixels);

// "ziqidong": the program starts hidden at login.
bool startsAtLogin();
void setStartsAtLogin(bool on);

// "delay": milliseconds between the actions of a phrase, as stored (may be negative).
int inputDelay();
void setInputDelay(int milliseconds);

// "restore_clipboard" (not in a new file): the user's clipboard is put back after an output.
bool restoresClipboard();

// "terminal_paste_keys" (not in a new file): the user's table of paste chords, see
// pasteChordFor.
QJsonValue terminalPasteKeys();

// "paste_keys" (not in a new file): the paste chord where the system does not say which
// window has the focus (Wayland); "Ctrl+V" when missing or no chord.
QJsonValue pasteKeys();
void setPasteKeys(const QString &portableText);

// "remote_desktop_token" (not in a new file): the token with which the desktop remembers
// that the user let the program send keys through its RemoteDesktop keyboard; empty when
// missing or mistyped. Setting an empty one removes the key.
QString remoteDesktopToken();
void setRemoteDesktopToken(const QString &token);

// The delay, the paste chords and the clipboard choice as phrase output takes them, read now.
OutputSettings outputSettings();

// The long-lived windows that reopen where the user left them ("chuangkou_x" and "_y" for
// the pick window, "shezhichuangkou", "tianjiachuangkou", "xiugaichuangkou" for the
// settings, add and edit windows).
enum class SavedWindow { Pick, Settings, Add, Edit };
QPoint savedPosition(SavedWindow window);
// Returns whether the stored position changed.
bool setSavedPosition(SavedWindow window, QPoint position);

} // namespace settings

// The complete set for a new file, positions centred for a 500-pixel window on a
// screen of the given size.
QJsonObject defaultConfig(QSize screenSize);

// Adds the keys that files from older versions lack, with their new-file values.
void addMissingSettings(QJsonObject &config);

// Adds the default global hotkey when the file names none; returns it, or empty.
QString addMissingGlobalHotkey(QJsonObject &config);

// The window position keys whose value is there but no whole int (text, a fraction, a
// number beyond int): they would read as 0, and be written back so.
QStringList unusableWindowPositions(const QJsonObject &config);
