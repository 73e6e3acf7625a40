// libFuzzer target: any phrase text must parse without faults into exactly the plain
// left-to-right reading of the phrase: "\<" types "<", a "<...>" span that parseTag accepts
// is its action, a refused span and any other character are typed as written, and
// adjacent typed text is one Text action.

#include "output/PhraseMarkup.h"

#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

QList<OutputAction> plainReading(const QString &phrase) {
    QList<OutputAction> reading;
    QString text;
    const auto endText = [&] {
        if (!text.isEmpty())
            reading.append(OutputAction{OutputAction::Text, text, {}, 0, 0, {}});
        text.clear();
    };
    for (qsizetype pos = 0; pos < phrase.size();) {
        if (phrase.mid(pos, 2) == QLatin1String("\\<")) {
            text += u'<';
            pos += 2;
            continue;
        }
        const qsizetype close = phrase.at(pos) == u'<' ? phrase.indexOf(u'>', pos + 1) : -1;
        OutputAction tag;
        if (close < 0) {
            text += phrase.at(pos++);
        } else if (parseTag(phrase.mid(pos + 1, close - pos - 1), tag)) {
            endText();
            reading.append(tag);
            pos = close + 1;
        } else {
            text += phrase.mid(pos, close - pos + 1);
            pos = close + 1;
        }
    }
    endText();
    return reading;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    // The first byte picks the reading, so that unpaired surrogates are reached too.
    if (size == 0)
        return 0;
    QString phrase;
    if (data[0] == 0xFF)
        phrase = QString::fromUtf16(reinterpret_cast<const char16_t *>(data + 1), qsizetype((size - 1) / 2));
    else
        phrase = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));

    QList<OutputAction> actions;
    if (!parsePhraseMarkup(phrase, actions))
        std::abort();
    const QList<OutputAction> expected = plainReading(phrase);
    if (actions != expected) {
        qsizetype k = 0;
        while (k < actions.size() && k < expected.size() && actions.at(k) == expected.at(k))
            ++k;
        std::fprintf(stderr, "markup check failed: action %lld of %lld departs from the reading\n",
                     static_cast<long long>(k), static_cast<long long>(actions.size()));
        std::abort();
    }
    return 0;
}
