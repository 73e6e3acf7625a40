#pragma once

#include <cstdint>

// The Linux input key code (linux/input-event-codes.h numbering) of the key that carries a
// Windows virtual-key code on a US layout: every code that phrase output can send (letters,
// digits, F1 to F24, the named keys, left and right modifiers). 0 when there is none.
std::uint32_t evdevKeyForVirtualKey(std::uint16_t virtualKey);

// Whether the virtual key types a character whose key depends on the layout (letters and
// digits), as opposed to a key found at the same place on every layout (Enter, the arrows,
// the modifiers, F1 to F24).
bool virtualKeyIsCharacter(std::uint16_t virtualKey);
