#pragma once

#include <QList>
#include <QObject>
#include <QString>

class GlobalHotkey;
class QKeySequenceEdit;

// "Kjj" abbreviates kuaijiejian, Chinese for "hotkey": the filter of the per-phrase hotkey
// editor (add and edit windows). While the editor has the focus the phrase hotkeys are
// off, so that typing one records it instead of inputting its phrase.
class KjjHotkeyEditFilter : public QObject {
    Q_OBJECT
public:
    KjjHotkeyEditFilter(QKeySequenceEdit *editor, const QList<GlobalHotkey *> &phraseHotkeys,
                        QObject *parent);
    bool eventFilter(QObject *watched, QEvent *event) override;
    QKeySequenceEdit *watchedEditor() const { return editor; }

private:
    QKeySequenceEdit *const editor;
    const QList<GlobalHotkey *> &phraseHotkeys;
};

// On the settings window's global-hotkey editor: while it has the focus every hotkey of
// the program is off; when it loses the focus a new sequence is checked, then taken by
// the global hotkey and saved, and an empty or refused one gives way to the stored one.
class HotkeyEditFilter : public QObject {
    Q_OBJECT
public:
    HotkeyEditFilter(QKeySequenceEdit *editor, GlobalHotkey *globalHotkey, const QString &configPath,
                     const QList<GlobalHotkey *> &phraseHotkeys, QObject *parent);
    bool eventFilter(QObject *watched, QEvent *event) override;
    QKeySequenceEdit *watchedEditor() const { return editor; }

private:
    void applyEditedHotkey();

    QKeySequenceEdit *const editor;
    GlobalHotkey *const globalHotkey;
    const QString configPath;
    const QList<GlobalHotkey *> &phraseHotkeys;
};

// Install the filters with the program's own hotkeys and configuration file; the filters
// belong to the application object. The settings editor's needs the global hotkey made
// first.
void installPhraseHotkeyEditFilter(QKeySequenceEdit *editor);
void installHotkeyEditFilter(QKeySequenceEdit *editor);
