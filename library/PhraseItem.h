#pragma once

#include "library/JsonFile.h"
#include "library/PhraseRecords.h"

#include <Qt>

#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <vector>

class QListWidget;
class QListWidgetItem;

// Item data roles of a phrase item. The list widget is the phrase store: its rows, in
// order, are the phrases.
enum PhraseRole {
    PhraseTextRole = Qt::UserRole,
    PhraseRemarkRole = Qt::UserRole + 1,
    PhraseGroupRole = Qt::UserRole + 2,
    PhraseHotkeyRole = Qt::UserRole + 3,
    PhraseBadgeRole = Qt::UserRole + 4, // a shown row's badge, from its place; never stored
    // The part of a shown row's display text where the search text was found, as a QPoint
    // holding its first and its end UTF-16 unit; none without a search. Never stored.
    PhraseFoundRole = Qt::UserRole + 5,
    // A shown row's group name while the list shows the rows of every group; never stored.
    PhraseGroupTagRole = Qt::UserRole + 6,
};

// What a row shows of a phrase's text or remark: all of it, or for a very long one its
// first two thousand characters and "……". The phrase itself stays whole.
QString shownPhraseText(const QString &text);

// Sets display text, tooltip and text colour from the text and remark roles.
void refreshPhraseItem(QListWidgetItem *item);

QListWidgetItem *newPhraseItem(const PhraseRecord &record);
// The strings of an item made by newPhraseItem, read without copies; null for any other item.
const PhraseRecord *phraseRecordIn(const QListWidgetItem *item);
PhraseRecord phraseRecordOf(const QListWidgetItem *item);

void appendFirstRunPhrase(QListWidget *list, const QString &text);

// What loadPhrases() reads and decodes before it touches the list. It needs no widgets
// and no state of the program, so it may be read on another thread.
struct PhraseFileRead {
    PhraseFileRead();
    PhraseFileRead(PhraseFileRead &&) noexcept;
    PhraseFileRead &operator=(PhraseFileRead &&) noexcept;
    ~PhraseFileRead();

    std::optional<JsonFileBytes> file; // nothing: the file could not be opened
    // The phrases' items, when the bytes are exactly what a save writes for them; and
    // whether one of those lacks a text or a group (a save repairs it).
    std::optional<std::vector<std::unique_ptr<QListWidgetItem>>> inWrittenLayout;
    // Their fingerprints as a save writes them, ready soon after.
    std::shared_future<QList<PhraseFingerprint>> fingerprints;
    bool needsRepair = false;
};
PhraseFileRead readPhraseFile(const QString &path);

// Fills the list from data.json; a missing file gives the starter phrases (saved at once).
// A file that cannot be read, or whose entries had to be skipped or repaired, is kept
// aside first. True when the file already holds what savePhrases() would write, so that
// a save right after the load has nothing to do.
bool loadPhrases(QListWidget *list, const QString &path);
// The same with the file read ahead by readPhraseFile(path).
bool loadPhrases(QListWidget *list, const QString &path, PhraseFileRead read);

// Repairs every row (an empty text takes the display text, an empty group becomes
// "短语1") and writes the whole list, atomically. False when the file does not hold it
// (the user is told, and the save is retried). A version of the file written elsewhere
// since it was last read or written here is merged into the list first: phrases added on
// either side are kept (once when both added the same), phrases removed on either side
// removed, except one added here that the outside version never had.
bool savePhrases(QListWidget *list, const QString &path);

// Called from the event loop after a save took in phrases written elsewhere, so that the
// hotkeys, the groups and the shown rows follow.
void setPhrasesTakenInHandler(std::function<void()> handler);
