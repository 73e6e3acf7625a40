#include "platform/DropFiles.h"

namespace {

constexpr std::size_t headerSize = 20;

void putLittleEndian32(std::vector<std::uint8_t> &block, std::size_t offset, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        block[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

} // namespace

std::vector<std::uint8_t> dropFilesBlock(const std::u16string &path) {
    // Zero-filled, so both terminators and the point/fNC fields are already 0.
    std::vector<std::uint8_t> block(headerSize + 2 * path.size() + 4, 0);
    putLittleEndian32(block, 0, headerSize); // pFiles
    putLittleEndian32(block, 16, 1);         // fWide: the list is UTF-16
    std::size_t offset = headerSize;
    for (char16_t unit : path) {
        if (unit == u'/')
            unit = u'\\';
        block[offset] = static_cast<std::uint8_t>(unit & 0xFF);
        block[offset + 1] = static_cast<std::uint8_t>(unit >> 8);
        offset += 2;
    }
    return block;
}
