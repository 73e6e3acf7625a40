#pragma once

#include <cstdint>

// The X keysym for a Windows virtual-key code: every code that phrase output can send
// (letters, digits, F1 to F24, the named keys, left and right modifiers). 0 when the
// code has no keysym here.
unsigned long x11KeysymForVirtualKey(std::uint16_t virtualKey);
