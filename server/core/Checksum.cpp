#include "core/Checksum.h"

#include <array>

namespace tessivar {

namespace {

// Slicing-by-8 tables of the reflected CRC-16 polynomial 0x8408: entry k of a byte is
// what that byte contributes when k more bytes follow it in the same step. qChecksum
// walks nibbles one at a time; files are checked whole when queued, so this matters.
using CrcTables = std::array<std::array<quint16, 256>, 8>;

constexpr CrcTables makeCrcTables()
{
    CrcTables tables{};
    for (unsigned byte = 0; byte < 256; ++byte) {
        quint16 crc = static_cast<quint16>(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? static_cast<quint16>((crc >> 1) ^ 0x8408) : static_cast<quint16>(crc >> 1);
        tables[0][byte] = crc;
    }
    for (std::size_t k = 1; k < tables.size(); ++k)
        for (unsigned byte = 0; byte < 256; ++byte) {
            const quint16 previous = tables[k - 1][byte];
            tables[k][byte] = static_cast<quint16>((previous >> 8) ^ tables[0][previous & 0xff]);
        }
    return tables;
}

constexpr CrcTables kCrcTables = makeCrcTables();

} // namespace

quint16 checksum(QByteArrayView data)
{
    const auto* p = reinterpret_cast<const unsigned char*>(data.data());
    qsizetype remaining = data.size();
    quint16 crc = 0xffff;
    for (; remaining >= 8; remaining -= 8, p += 8) {
        const unsigned low = (crc & 0xff) ^ p[0];
        const unsigned high = (crc >> 8) ^ p[1];
        crc = kCrcTables[7][low] ^ kCrcTables[6][high] ^ kCrcTables[5][p[2]] ^ kCrcTables[4][p[3]] ^ kCrcTables[3][p[4]]
            ^ kCrcTables[2][p[5]] ^ kCrcTables[1][p[6]] ^ kCrcTables[0][p[7]];
    }
    for (; remaining > 0; --remaining, ++p)
        crc = static_cast<quint16>((crc >> 8) ^ kCrcTables[0][(crc ^ *p) & 0xff]);
    return static_cast<quint16>(~crc);
}

} // namespace tessivar
