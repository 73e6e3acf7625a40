#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The file-drop block (DROPFILES header, then a double-terminated UTF-16 list) that
// offers one file on the Windows clipboard: 20 + 2n + 4 bytes for a path of n units.
// "/" separators are written as the native "\" (no Windows file name contains "/").
std::vector<std::uint8_t> dropFilesBlock(const std::u16string &path);
