#include "platform/FontFamilies.h"

#include <QFontDatabase>

#include <fontconfig/fontconfig.h>

namespace {

// The family Qt falls back to for a family the system lacks: the best match for it, asked
// the way Qt asks for its fallbacks (upright, in the user's language).
QString standInFamily(const QByteArray &family) {
    FcPattern *pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8 *>(family.constData()));
    FcPatternAddInteger(pattern, FC_SLANT, FC_SLANT_ROMAN);
    FcPattern *defaults = FcPatternCreate();
    FcDefaultSubstitute(defaults);
    FcChar8 *language = nullptr;
    if (FcPatternGetString(defaults, FC_LANG, 0, &language) == FcResultMatch)
        FcPatternAddString(pattern, FC_LANG, language);
    FcPatternDestroy(defaults);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern *match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    QString standIn;
    FcChar8 *name = nullptr;
    if (match && FcPatternGetString(match, FC_FAMILY, 0, &name) == FcResultMatch)
        standIn = QString::fromUtf8(reinterpret_cast<const char *>(name));
    if (match)
        FcPatternDestroy(match);
    return standIn;
}

} // namespace

QStringList installedFontFamilies(const QStringList &families) {
    // Qt's own list of the system's families, read from fontconfig once for all texts.
    const QStringList systemFamilies = QFontDatabase::families();
    QStringList installed;
    for (const QString &family : families) {
        if (systemFamilies.contains(family, Qt::CaseInsensitive))
            installed.append(family);
        else if (&family == &families.constFirst())
            installed.append(standInFamily(family.toUtf8()));
    }
    installed.removeAll(QString());
    installed.removeDuplicates();
    // Nothing found at all (no fonts, no configuration): Qt's own search is all there is.
    return installed.isEmpty() ? families : installed;
}
