// Differential fuzz target for the direct data.json reader: whatever it accepts must read
// exactly as Qt's JSON parser reads it, and must be byte for byte what a save writes for
// those phrases (the start-up save is skipped on that promise). The first input byte picks
// the mode: raw file bytes, or phrases built from the input and written the program's way.
#include "library/PhraseFileLayout.h"
#include "library/PhraseRecords.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <cstdint>
#include <cstdlib>

namespace {

QByteArray writtenBytes(const QList<PhraseRecord> &records) {
    return QJsonDocument(phraseRecordsToJson(records)).toJson(QJsonDocument::Indented);
}

void checkAccepted(const QByteArray &bytes) {
    const std::optional<QList<PhraseRecord>> direct = phraseRecordsInWrittenLayout(bytes);
    if (!direct)
        return;
    const QJsonDocument document = QJsonDocument::fromJson(bytes);
    if (!document.isArray())
        std::abort(); // accepted what the parser refuses
    bool lossy = false;
    if (phraseRecordsFromJson(document.array(), &lossy) != *direct || lossy)
        std::abort(); // read differently from the parser
    if (writtenBytes(*direct) != bytes)
        std::abort(); // a save would have changed the file
}

// Strings of UTF-16 units straight from the input, so lone surrogates and control
// characters come up as often as letters.
QList<PhraseRecord> recordsOf(const uint8_t *data, size_t size) {
    QList<PhraseRecord> records;
    QString fields[4];
    int field = 0;
    for (size_t i = 0; i + 1 < size; i += 2) {
        const char16_t unit = char16_t(data[i] | data[i + 1] << 8);
        if (unit == 0xFFFE) { // field separator
            if (++field == 4) {
                records.append({fields[0], fields[1], fields[2], fields[3]});
                for (QString &f : fields)
                    f.clear();
                field = 0;
            }
            continue;
        }
        fields[field].append(QChar(unit));
    }
    records.append({fields[0], fields[1], fields[2], fields[3]});
    return records;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size == 0)
        return 0;
    if (data[0] & 1) {
        checkAccepted(QByteArray(reinterpret_cast<const char *>(data + 1), int(size - 1)));
        return 0;
    }
    const QList<PhraseRecord> records = recordsOf(data + 1, size - 1);
    const QByteArray bytes = writtenBytes(records);
    checkAccepted(bytes);
    // Text the writer keeps as it is must be read back directly, not only tolerated.
    bool plain = true;
    for (const PhraseRecord &r : records)
        for (const QString *s : {&r.text, &r.remark, &r.tab, &r.hotkey})
            for (QChar c : *s)
                plain = plain && c.unicode() >= 0x20 && !c.isSurrogate() && c.unicode() != 0xFEFF;
    if (plain && !phraseRecordsInWrittenLayout(bytes))
        std::abort();
    return 0;
}
