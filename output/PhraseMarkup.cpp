#include "output/PhraseMarkup.h"

#include "output/KeyNames.h"
#include "output/PauseLength.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace {

// Names that may stand alone as a tag, such as "<Enter>" or "<Ctrl>".
constexpr const char16_t *shorthandKeyNames[] = {
    u"enter", u"return", u"tab", u"space", u"esc",     u"escape", u"backspace", u"left", u"right", u"up",
    u"down",  u"insert", u"ins", u"ctrl",  u"control", u"shift",  u"alt",       u"win",  u"meta",  u"windows",
};

bool isShorthandKeyName(const QString &lower) {
    for (const char16_t *name : shorthandKeyNames) {
        if (lower == QStringView(name))
            return true;
    }
    return false;
}

bool startsWithWordAndSpace(const QString &t, QLatin1String word) {
    return t.size() > word.size() &&
           QStringView(t).left(word.size()).compare(word, Qt::CaseInsensitive) == 0 &&
           t.at(word.size()).isSpace();
}

bool isQuotedWith(const QString &p, QChar quote) {
    return p.size() >= 2 && p.startsWith(quote) && p.endsWith(quote);
}

// The path rules of "<img ...>" and "<file ...>": an existing regular file given by an
// absolute path, optionally in one pair of matching quotes.
bool parsePathTag(const QString &pathText, OutputAction &action) {
    QString p = cleanPathText(pathText);
    if (isQuotedWith(p, u'"') || isQuotedWith(p, u'\''))
        p = cleanPathText(p.mid(1, p.size() - 2));

    // An empty name or an embedded NUL never names a file; the file-system layer would
    // warn about both or cut the name short at the NUL.
    if (p.isEmpty() || p.contains(QChar(u'\0')))
        return false;
    const QFileInfo info(p);
    if (info.isRelative() || !info.isFile())
        return false;

    action.kind = OutputAction::PasteFile;
    action.filePath = QDir::cleanPath(info.absoluteFilePath());
    return true;
}

} // namespace

QString cleanPathText(const QString &s) {
    QString result = s;
    result.removeIf([](QChar c) {
        switch (c.unicode()) {
        case 0x200E: // left-to-right mark
        case 0x200F: // right-to-left mark
        case 0x202A: // embeddings, overrides and their terminator
        case 0x202B:
        case 0x202C:
        case 0x202D:
        case 0x202E:
        case 0x2066: // isolates and their terminator
        case 0x2067:
        case 0x2068:
        case 0x2069:
            return true;
        default:
            return false;
        }
    });
    return result.trimmed();
}

void appendTextAction(QList<OutputAction> &actions, const QString &text) {
    if (text.isEmpty())
        return;
    OutputAction action;
    action.kind = OutputAction::Text;
    action.text = text;
    actions.append(action);
}

bool parseTag(const QString &inner, OutputAction &action) {
    const QString t = inner.trimmed();
    if (t.isEmpty())
        return false;
    const QString lower = t.toLower();

    if (lower == u"sleep") {
        action.kind = OutputAction::Pause;
        action.pauseMs = 1000;
        return true;
    }

    // Only U+0020 separates the words here, so a chord or pause value cannot hold a space.
    const QStringList pieces = t.split(u' ', Qt::SkipEmptyParts);
    if (pieces.size() == 2) {
        if (pieces.at(0).compare(QLatin1String("sleep"), Qt::CaseInsensitive) == 0) {
            qint32 ms = 0;
            if (!parsePauseLength(pieces.at(1), ms))
                return false;
            action.kind = OutputAction::Pause;
            action.pauseMs = ms;
            return true;
        }
        if (pieces.at(0).compare(QLatin1String("press"), Qt::CaseInsensitive) == 0)
            return parseKeyChord(pieces.at(1), action);
    }

    if (startsWithWordAndSpace(t, QLatin1String("img")))
        return parsePathTag(t.mid(4), action);
    if (startsWithWordAndSpace(t, QLatin1String("file")))
        return parsePathTag(t.mid(5), action);

    if (isShorthandKeyName(lower))
        return parseKeyChord(t, action);
    return false;
}

bool parsePhraseMarkup(const QString &phrase, QList<OutputAction> &actions) {
    QString pending;
    const qsizetype length = phrase.size();
    // Once a search for ">" found none, no later "<" can find one either; remembering it
    // keeps a phrase full of "<" linear.
    bool noMoreClosers = false;

    qsizetype i = 0;
    while (i < length) {
        const QChar c = phrase.at(i);
        if (c == u'\\') {
            if (i + 1 < length && phrase.at(i + 1) == u'<') {
                pending.append(u'<');
                i += 2;
            } else {
                pending.append(c);
                i += 1;
            }
            continue;
        }
        if (c == u'<') {
            const qsizetype j = noMoreClosers ? -1 : phrase.indexOf(u'>', i + 1);
            if (j < 0) {
                noMoreClosers = true;
                pending.append(c);
                i += 1;
                continue;
            }
            OutputAction action;
            if (parseTag(phrase.mid(i + 1, j - i - 1), action)) {
                appendTextAction(actions, pending);
                pending.clear();
                actions.append(action);
            } else {
                pending.append(QStringView(phrase).mid(i, j - i + 1));
            }
            i = j + 1;
            continue;
        }
        pending.append(c);
        i += 1;
    }
    appendTextAction(actions, pending);
    return true;
}
