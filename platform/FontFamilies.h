#pragma once

#include <QStringList>

// A font-family list as the system's fonts answer it: the family that stands in for the
// first one when the system lacks it, then each later family it has, every family once.
// Qt then no longer looks up the missing families again and again: a missing first family
// costs a search through every font for each script a text uses, and each missing later
// family a font match per font engine, then a lookup for every character the earlier fonts
// lack, each time a text is laid out. The first font is the same. A missing later family
// only ever drew with its own stand-in; where that stand-in has a character none of the
// other fonts has, fontconfig's fallbacks now draw it. Needs the font configuration loaded
// (finishFontSetup()). On Windows, whose families the list names, the list as it is.
QStringList installedFontFamilies(const QStringList &families);
