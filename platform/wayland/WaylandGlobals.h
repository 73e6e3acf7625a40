#pragma once

#include <QStringList>

// The names of the interfaces the Wayland compositor named by the environment
// (WAYLAND_DISPLAY) offers, asked on a connection of our own; empty without a compositor.
QStringList waylandGlobalInterfaces();
