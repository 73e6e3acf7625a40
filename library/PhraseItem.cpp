#include "library/PhraseItem.h"

#include "library/JsonFile.h"
#include "library/PhraseFileLayout.h"
#include "library/StarterPhrases.h"

#include <QBrush>
#include <QColor>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QListWidget>
#include <QPointer>
#include <QSet>
#include <QSignalBlocker>

#include <algorithm>
#include <future>
#include <optional>
#include <typeinfo>

namespace {

const QString firstGroupName = QStringLiteral("短语1");

// A row shows a line or a few of its text; laying out megabytes of text for it took
// seconds and gigabytes at every paint.
constexpr qsizetype longestShownText = 2000;

} // namespace

QString shownPhraseText(const QString &text) {
    if (text.size() <= longestShownText)
        return text;
    // Not between the two halves of a surrogate pair.
    const qsizetype cut =
        text.at(longestShownText - 1).isHighSurrogate() ? longestShownText - 1 : longestShownText;
    return text.left(cut) + QStringLiteral("……");
}

namespace {

// A phrase item keeps its four strings as plain members and answers the
// display text, tooltip and text colour from them when asked. Item data kept by the base
// class costs a list entry and a variant per role, and a wrapped tooltip copy and a brush
// per phrase would cost more: most are never shown.
class PhraseListItem : public QListWidgetItem {
public:
    explicit PhraseListItem(const PhraseRecord &record) : phrase(record) {}
    explicit PhraseListItem(PhraseRecord &&record) : phrase(std::move(record)) {}

    const PhraseRecord &record() const { return phrase; }

    QVariant data(int role) const override {
        switch (role) {
        case PhraseTextRole:
            return phrase.text;
        case PhraseRemarkRole:
            return phrase.remark;
        case PhraseGroupRole:
            return phrase.tab;
        case PhraseHotkeyRole:
            return phrase.hotkey;
        case Qt::DisplayRole:
        case Qt::EditRole: {
            // A display text set on the item itself wins, as on any list item.
            const QVariant own = QListWidgetItem::data(role);
            return own.isValid()
                       ? own
                       : QVariant(shownPhraseText(phrase.remark.isEmpty() ? phrase.text : phrase.remark));
        }
        case Qt::ToolTipRole:
            return phraseToolTip(phrase.text, phrase.remark);
        case Qt::ForegroundRole:
            return phraseTextBrush(!phrase.remark.isEmpty());
        default:
            return QListWidgetItem::data(role);
        }
    }

    void setData(int role, const QVariant &value) override {
        QString *member = memberFor(role);
        if (!member) {
            QListWidgetItem::setData(role, value);
            return;
        }
        const QString text = value.toString();
        if (*member == text && member->isNull() == text.isNull())
            return;
        *member = text;
        if (role == PhraseTextRole || role == PhraseRemarkRole)
            changed({role, Qt::DisplayRole, Qt::EditRole});
        else
            changed({role});
    }

    // Drops a display text set on the item itself: the text and remark give it again.
    void forgetOwnDisplayText() {
        if (QListWidgetItem::data(Qt::DisplayRole).isValid())
            QListWidgetItem::setData(Qt::DisplayRole, QVariant());
    }

    QListWidgetItem *clone() const override { return new PhraseListItem(*this); }

private:
    QString *memberFor(int role) {
        switch (role) {
        case PhraseTextRole:
            return &phrase.text;
        case PhraseRemarkRole:
            return &phrase.remark;
        case PhraseGroupRole:
            return &phrase.tab;
        case PhraseHotkeyRole:
            return &phrase.hotkey;
        default:
            return nullptr;
        }
    }

    // What the base class does for the data it keeps: the list's model tells its views.
    void changed(const QList<int> &roles) {
        if (QListWidget *list = listWidget()) {
            const QModelIndex index = list->indexFromItem(this);
            emit list->model()->dataChanged(index, index, roles);
        }
    }

    static QBrush phraseTextBrush(bool hasRemark) {
        static const QBrush remarked(QColor(QStringLiteral("#2E7D32")));
        static const QBrush plain(QColor(QStringLiteral("#323130")));
        return hasRemark ? remarked : plain;
    }

    PhraseRecord phrase;
};

} // namespace

void refreshPhraseItem(QListWidgetItem *item) {
    // A phrase item derives all three by itself; another item gets its display text stored.
    if (typeid(*item) == typeid(PhraseListItem)) {
        static_cast<PhraseListItem *>(item)->forgetOwnDisplayText();
        return;
    }
    const QString remark = item->data(PhraseRemarkRole).toString();
    item->setData(Qt::DisplayRole,
                  shownPhraseText(remark.isEmpty() ? item->data(PhraseTextRole).toString() : remark));
}

const PhraseRecord *phraseRecordIn(const QListWidgetItem *item) {
    return typeid(*item) == typeid(PhraseListItem) ? &static_cast<const PhraseListItem *>(item)->record()
                                                   : nullptr;
}

QListWidgetItem *newPhraseItem(const PhraseRecord &record) {
    return new PhraseListItem(record);
}

PhraseRecord phraseRecordOf(const QListWidgetItem *item) {
    if (const PhraseRecord *record = phraseRecordIn(item))
        return *record;
    return {item->data(PhraseTextRole).toString(), item->data(PhraseRemarkRole).toString(),
            item->data(PhraseGroupRole).toString(), item->data(PhraseHotkeyRole).toString()};
}

void appendFirstRunPhrase(QListWidget *list, const QString &text) {
    list->addItem(newPhraseItem({text, QString(), firstGroupName, QString()}));
}

namespace {

bool lacksTextOrGroup(const PhraseRecord &record) {
    return record.text.isEmpty() || record.tab.isEmpty();
}

// A record as a save writes it: an empty text takes the remark, an empty group becomes
// the first starter group.
PhraseRecord repaired(PhraseRecord r) {
    if (r.text.isEmpty())
        r.text = r.remark;
    if (r.tab.isEmpty())
        r.tab = firstGroupName;
    return r;
}

// Items for the records, their strings shared. A list widget is filled on the main thread
// only, but its items can be made anywhere: for a big library they are made on the
// reading thread and one more, as making them costs about as much as adding them.
std::vector<std::unique_ptr<QListWidgetItem>> phraseItemsOf(const QList<PhraseRecord> &records) {
    std::vector<std::unique_ptr<QListWidgetItem>> items(std::size_t(records.size()));
    const PhraseRecord *const record = records.constData();
    const auto make = [&items, record](qsizetype from, qsizetype to) {
        for (qsizetype i = from; i < to; ++i)
            items[std::size_t(i)] = std::make_unique<PhraseListItem>(record[i]);
    };
    constexpr qsizetype splitFrom = 2048;
    const qsizetype count = records.size();
    if (count < splitFrom) {
        make(0, count);
        return items;
    }
    std::future<void> second = std::async(std::launch::async, make, count / 2, count);
    make(0, count / 2);
    second.get();
    return items;
}

// The phrases of a file the general parser reads; nothing when they are no array (the
// file is kept aside).
std::optional<QList<PhraseRecord>> parsedPhraseRecords(const QString &path, const QByteArray &bytes) {
    const QJsonDocument document = jsonDocumentOf(bytes);
    if (!document.isArray()) {
        keepUnreadableFile(path);
        return std::nullopt;
    }
    bool lossy = false;
    QList<PhraseRecord> records = phraseRecordsFromJson(document.array(), &lossy);
    if (lossy || hasRepeatedKeys(bytes, document))
        keepRepairedFile(path); // the next save would drop what was skipped
    return records;
}

} // namespace

namespace {

// The fingerprints of the records as a save writes them, made on a thread of their own:
// reading a big library's every character would hold up the start-up by several
// milliseconds, and nothing needs them before the first save.
std::shared_future<QList<PhraseFingerprint>> fingerprintsLater(QList<PhraseRecord> records) {
    return std::async(std::launch::async,
                      [records = std::move(records)]() mutable {
                          QList<PhraseFingerprint> fingerprints;
                          fingerprints.reserve(records.size());
                          for (const PhraseRecord &r : std::as_const(records))
                              fingerprints.append(phraseFingerprint(lacksTextOrGroup(r) ? repaired(r) : r));
                          records = {}; // the strings' last references may be the items'
                          return fingerprints;
                      })
        .share();
}

std::shared_future<QList<PhraseFingerprint>> fingerprintsNow(const QList<PhraseRecord> &records) {
    std::promise<QList<PhraseFingerprint>> made;
    made.set_value(phraseFingerprints(records));
    return made.get_future().share();
}

// What this program knows of a data.json, for merging a version written elsewhere.
struct PhraseFileSync {
    // The phrases the file held when last read or written here.
    std::shared_future<QList<PhraseFingerprint>> base = fingerprintsNow({});
    QList<PhraseRecord> ownAdditions; // added by saves here since a version from outside was taken in
    int takenIn = 0;                  // how many versions from outside were merged in
};

QHash<QString, PhraseFileSync> &phraseFileSyncs() {
    static QHash<QString, PhraseFileSync> syncs;
    return syncs;
}

PhraseFileSync &phraseFileSync(const QString &path) {
    return phraseFileSyncs()[QFileInfo(path).absoluteFilePath()];
}

std::function<void()> &phrasesTakenInHandler() {
    static std::function<void()> handler;
    return handler;
}

QList<PhraseRecord> recordsOf(const QListWidget *list) {
    QList<PhraseRecord> records;
    records.reserve(list->count());
    for (int row = 0; row < list->count(); ++row)
        records.append(phraseRecordOf(list->item(row)));
    return records;
}

// The records a save writes: an empty text takes the display text, an empty group becomes
// the first starter group.
QList<PhraseRecord> repairedRecordsOf(QListWidget *list) {
    QList<PhraseRecord> records;
    records.reserve(list->count());
    for (int row = 0; row < list->count(); ++row) {
        QListWidgetItem *item = list->item(row);
        if (item->data(PhraseTextRole).toString().isEmpty()) {
            // The remark whole, not the row's shortened display of it.
            const QString remark = item->data(PhraseRemarkRole).toString();
            item->setData(PhraseTextRole, remark.isEmpty() ? item->data(Qt::DisplayRole).toString() : remark);
            refreshPhraseItem(item);
        }
        if (item->data(PhraseGroupRole).toString().isEmpty())
            item->setData(PhraseGroupRole, firstGroupName);
        records.append(phraseRecordOf(item));
    }
    return records;
}

// The multiset difference a − b.
QList<PhraseRecord> recordsNotIn(const QList<PhraseRecord> &a, const QList<PhraseFingerprint> &b) {
    QHash<PhraseFingerprint, int> left;
    for (PhraseFingerprint k : b)
        ++left[k];
    QList<PhraseRecord> rest;
    for (const PhraseRecord &r : a) {
        int &n = left[phraseFingerprint(r)];
        if (n > 0)
            --n;
        else
            rest.append(r);
    }
    return rest;
}

// Replaces the list's rows by the items, told to the views as one change.
void fillList(QListWidget *list, std::vector<std::unique_ptr<QListWidgetItem>> items) {
    list->clear();
    // The rows are added with the model's signals held: told one row at a time, the view
    // and the selection would take more time than the adding itself. Told once instead
    // that the (empty) list's layout changed, they take the rows as new.
    QAbstractItemModel *model = list->model();
    emit model->layoutAboutToBeChanged();
    {
        const QSignalBlocker held(model);
        for (std::unique_ptr<QListWidgetItem> &item : items)
            list->addItem(item.release());
    }
    emit model->layoutChanged();
}

// Brings the list to the merge's result: the rows of ours it drops are deleted, theirs'
// additions inserted, the rest stay the same items (a phrase open in an editor stays).
void applyMerge(QListWidget *list, PhraseMerge merge) {
    // Theirs as a whole (ours had no change of its own): read in like a load.
    if (std::all_of(merge.oursRows.cbegin(), merge.oursRows.cend(), [](int row) { return row < 0; })) {
        fillList(list, phraseItemsOf(merge.records));
        return;
    }
    QList<bool> keptRows(list->count(), false);
    for (int row : merge.oursRows)
        if (row >= 0)
            keptRows[row] = true;
    for (int row = list->count() - 1; row >= 0; --row)
        if (!keptRows.at(row))
            delete list->takeItem(row);
    for (int i = 0; i < merge.records.size(); ++i)
        if (merge.oursRows.at(i) < 0)
            list->insertItem(i, newPhraseItem(merge.records.at(i)));
}

// A version of data.json written elsewhere, merged into the list (see writeJsonFile);
// what to write instead, or nothing when it cannot be merged.
std::optional<QByteArray> takeInOutsidePhrases(QListWidget *list, const QString &path,
                                               const QByteArray &outside) {
    if (!list)
        return std::nullopt;
    std::optional<QList<PhraseRecord>> theirs = phraseRecordsInWrittenLayout(outside);
    if (!theirs) {
        const QJsonDocument document = jsonDocumentOf(outside);
        if (!document.isArray()) {
            // A broken edit: kept aside, and the program's phrases are written.
            if (keepUnreadableFile(path).isEmpty())
                return std::nullopt;
            return QJsonDocument(phraseRecordsToJson(repairedRecordsOf(list)))
                .toJson(QJsonDocument::Indented);
        }
        bool lossy = false;
        theirs = phraseRecordsFromJson(document.array(), &lossy);
        if ((lossy || hasRepeatedKeys(outside, document)) && keepRepairedFile(path).isEmpty())
            return std::nullopt;
    }
    // Compared as a save writes them, as the program's own are.
    for (PhraseRecord &r : *theirs)
        r = repaired(std::move(r));
    PhraseFileSync &sync = phraseFileSync(path);
    const QList<PhraseRecord> ours = repairedRecordsOf(list);
    PhraseMerge merge = mergePhraseRecords(sync.base.get(), ours, *theirs, sync.ownAdditions);
    if (merge.theirOrderLost && keepOutsideVersion(path).isEmpty())
        return std::nullopt;
    applyMerge(list, std::move(merge));
    sync.base = fingerprintsNow(*theirs);
    sync.ownAdditions.clear();
    // A version a save of ours displaced: the file holds ours, so a writer that reads it now
    // does not know the phrases only that version had, and must not take them away.
    if (displacedVersionIsMerged(path))
        sync.ownAdditions = recordsNotIn(*theirs, phraseFingerprints(ours));
    ++sync.takenIn;
    if (phrasesTakenInHandler())
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [] {
                if (phrasesTakenInHandler())
                    phrasesTakenInHandler()();
            },
            Qt::QueuedConnection);
    return QJsonDocument(phraseRecordsToJson(repairedRecordsOf(list))).toJson(QJsonDocument::Indented);
}

} // namespace

void setPhrasesTakenInHandler(std::function<void()> handler) {
    phrasesTakenInHandler() = std::move(handler);
}

PhraseFileRead::PhraseFileRead() = default;
PhraseFileRead::PhraseFileRead(PhraseFileRead &&) noexcept = default;
PhraseFileRead &PhraseFileRead::operator=(PhraseFileRead &&) noexcept = default;
PhraseFileRead::~PhraseFileRead() = default;

PhraseFileRead readPhraseFile(const QString &path) {
    PhraseFileRead read;
    read.file = readJsonFileBytesOnAnyThread(path);
    if (!read.file || read.file->bytes.size() > maximumJsonFileSize)
        return read;
    if (std::optional<QList<PhraseRecord>> records = phraseRecordsInWrittenLayout(read.file->bytes)) {
        read.needsRepair = std::any_of(records->cbegin(), records->cend(), &lacksTextOrGroup);
        read.inWrittenLayout = phraseItemsOf(*records);
        read.fingerprints = fingerprintsLater(std::move(*records));
    }
    return read;
}

bool loadPhrases(QListWidget *list, const QString &path) {
    return loadPhrases(list, path, readPhraseFile(path));
}

bool loadPhrases(QListWidget *list, const QString &path, PhraseFileRead read) {
    phraseFileSync(path) = {}; // until read, nothing is known of what the file holds
    if (!read.file) {
        if (QFile::exists(path))
            keepUnreadableFile(path); // there but unreadable: it must not be replaced
        for (const char *text : starterPhrases)
            appendFirstRunPhrase(list, QString::fromUtf8(text));
        savePhrases(list, path);
        // The starters are no addition of the user's: an outside version may drop them.
        phraseFileSync(path).ownAdditions.clear();
        return false;
    }
    rememberJsonFileBytes(path, *read.file);
    const bool writtenLayout = bool(read.inWrittenLayout);
    bool needsRepair = read.needsRepair;
    std::vector<std::unique_ptr<QListWidgetItem>> items;
    std::shared_future<QList<PhraseFingerprint>> base;
    if (writtenLayout) {
        items = std::move(*read.inWrittenLayout);
        base = std::move(read.fingerprints);
    } else {
        std::optional<QList<PhraseRecord>> records = parsedPhraseRecords(path, read.file->bytes);
        read.file.reset(); // the bytes are not needed while the items are made
        if (!records)
            return false;
        // The phrases of a group share one copy of its name (the written layout's reader
        // shares them already).
        QSet<QString> groupNames;
        items.reserve(std::size_t(records->size()));
        for (PhraseRecord &record : *records) {
            needsRepair = needsRepair || lacksTextOrGroup(record);
            record.tab = *groupNames.insert(record.tab);
            items.push_back(std::make_unique<PhraseListItem>(record));
        }
        base = fingerprintsLater(std::move(*records));
    }
    read.file.reset();
    fillList(list, std::move(items));
    phraseFileSync(path).base = std::move(base);
    return writtenLayout && !needsRepair;
}

bool savePhrases(QListWidget *list, const QString &path) {
    const QList<PhraseRecord> records = repairedRecordsOf(list);
    const QPointer<QListWidget> guarded(list);
    const OutsideMerge merge = [guarded, path](const QByteArray &outside) {
        return takeInOutsidePhrases(guarded, path, outside);
    };
    const int takenIn = phraseFileSync(path).takenIn;
    if (!writeJsonFile(path, QJsonDocument(phraseRecordsToJson(records)), merge))
        return false;
    // What the file holds now: the records, or the list an outside version was merged into.
    PhraseFileSync &sync = phraseFileSync(path);
    const QList<PhraseRecord> written = sync.takenIn == takenIn ? records : recordsOf(list);
    sync.ownAdditions.append(recordsNotIn(written, sync.base.get()));
    sync.base = fingerprintsNow(written);
    return true;
}
