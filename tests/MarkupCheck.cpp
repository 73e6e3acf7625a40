#include "tests/MarkupCheck.h"

#include "output/PhraseMarkup.h"

namespace {

QString where(qsizetype inputPos, qsizetype actionIndex) {
    return QStringLiteral(" (phrase position %1, action %2)").arg(inputPos).arg(actionIndex);
}

} // namespace

QString checkMarkupResult(const QString &phrase, const QList<OutputAction> &actions) {
    const qsizetype n = phrase.size();
    qsizetype pos = 0;

    for (qsizetype k = 0; k < actions.size(); ++k) {
        const OutputAction &action = actions.at(k);
        if (action.kind == OutputAction::Text) {
            const QString &s = action.text;
            if (s.isEmpty())
                return QStringLiteral("empty Text action") + where(pos, k);
            if (k > 0 && actions.at(k - 1).kind == OutputAction::Text)
                return QStringLiteral("two Text actions in a row") + where(pos, k);
            if (!action.modifiers.isEmpty() || action.mainKey != 0 || action.pauseMs != 0 ||
                !action.filePath.isEmpty())
                return QStringLiteral("Text action with fields of another kind") + where(pos, k);

            qsizetype q = 0;
            while (q < s.size()) {
                if (pos >= n)
                    return QStringLiteral("Text carries characters beyond the phrase") + where(pos, k);
                const QChar c = phrase.at(pos);
                if (c == u'\\' && pos + 1 < n && phrase.at(pos + 1) == u'<') {
                    if (s.at(q) != u'<')
                        return QStringLiteral("escape \\< not typed as <") + where(pos, k);
                    pos += 2;
                    q += 1;
                    continue;
                }
                if (c == u'<') {
                    const qsizetype j = phrase.indexOf(u'>', pos + 1);
                    if (j < 0) {
                        if (s.at(q) != u'<')
                            return QStringLiteral("unclosed < not typed") + where(pos, k);
                        pos += 1;
                        q += 1;
                        continue;
                    }
                    OutputAction probe;
                    if (parseTag(phrase.mid(pos + 1, j - pos - 1), probe))
                        return QStringLiteral("a valid tag was typed as text") + where(pos, k);
                    const qsizetype span = j - pos + 1;
                    if (QStringView(s).mid(q, span) != QStringView(phrase).mid(pos, span))
                        return QStringLiteral("rejected tag not typed verbatim") + where(pos, k);
                    pos += span;
                    q += span;
                    continue;
                }
                if (s.at(q) != c)
                    return QStringLiteral("Text differs from the phrase") + where(pos, k);
                pos += 1;
                q += 1;
            }
            continue;
        }

        if (pos >= n || phrase.at(pos) != u'<')
            return QStringLiteral("action without a tag in the phrase") + where(pos, k);
        const qsizetype j = phrase.indexOf(u'>', pos + 1);
        if (j < 0)
            return QStringLiteral("action from an unclosed tag") + where(pos, k);
        OutputAction expected;
        if (!parseTag(phrase.mid(pos + 1, j - pos - 1), expected))
            return QStringLiteral("action from a rejected tag") + where(pos, k);
        if (expected != action)
            return QStringLiteral("action differs from its tag") + where(pos, k);
        pos = j + 1;
    }

    if (pos != n)
        return QStringLiteral("phrase characters not accounted for") + where(pos, actions.size());
    return QString();
}
