#pragma once

#include <QString>
#include <QStringList>

// GNOME's custom keyboard shortcuts (Settings → Keyboard), read through the gsettings tool:
// the commands they run. Where a binding of "verbolin --hotkey ..." is there already, the
// program need not ask the user to make one.
namespace gnomeshortcuts {

// The commands of the custom shortcuts; empty where there are none or gsettings cannot
// tell (no GNOME schema, no gsettings). All are asked for within a second; those not read
// by then are left out.
QStringList customShortcutCommands();

// gsettings' printed values: an array of object paths ("@as []" or "['/a/', '/b/']") and
// a string ("'text'"), in GVariant's text form. Anything else gives nothing.
QStringList parsePathArray(const QString &printed);
QString parseString(const QString &printed);

} // namespace gnomeshortcuts
