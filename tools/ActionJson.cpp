#include "tools/ActionJson.h"

namespace {

void appendHexEscape(QByteArray &out, char16_t unit) {
    static const char digits[] = "0123456789abcdef";
    out += "\\u";
    for (int shift = 12; shift >= 0; shift -= 4)
        out += digits[(unit >> shift) & 0xF];
}

void appendJsonString(QByteArray &out, const QString &s) {
    out += '"';
    const qsizetype n = s.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = s.at(i).unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(s.at(i + 1).unicode())) {
            out += QStringView(s).mid(i, 2).toUtf8();
            ++i;
            continue;
        }
        if (QChar::isSurrogate(c)) {
            appendHexEscape(out, c);
            continue;
        }
        switch (c) {
        case u'"':
            out += "\\\"";
            break;
        case u'\\':
            out += "\\\\";
            break;
        case u'\n':
            out += "\\n";
            break;
        case u'\r':
            out += "\\r";
            break;
        case u'\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20)
                appendHexEscape(out, c);
            else if (c < 0x80)
                out += char(c);
            else
                out += QString(QChar(c)).toUtf8();
        }
    }
    out += '"';
}

} // namespace

QString actionKindName(OutputAction::Kind kind) {
    switch (kind) {
    case OutputAction::Text:
        return QStringLiteral("Text");
    case OutputAction::KeyPress:
        return QStringLiteral("KeyPress");
    case OutputAction::Pause:
        return QStringLiteral("Pause");
    case OutputAction::PasteFile:
        return QStringLiteral("PasteFile");
    }
    return QString::number(quint32(kind));
}

QByteArray actionToJsonLine(const OutputAction &action) {
    QByteArray out;
    out += "{\"kind\":";
    appendJsonString(out, actionKindName(action.kind));
    out += ",\"text\":";
    appendJsonString(out, action.text);
    out += ",\"modifiers\":[";
    for (qsizetype m = 0; m < action.modifiers.size(); ++m) {
        if (m > 0)
            out += ',';
        out += QByteArray::number(action.modifiers.at(m));
    }
    out += "],\"mainKey\":";
    out += QByteArray::number(action.mainKey);
    out += ",\"pauseMs\":";
    out += QByteArray::number(action.pauseMs);
    out += ",\"filePath\":";
    appendJsonString(out, action.filePath);
    out += '}';
    return out;
}
