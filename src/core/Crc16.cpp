#include "core/Crc16.h"

#include <array>

namespace korv {

namespace {
// kTables[k][b]: the CRC of byte b followed by k zero bytes. Eight tables let
// the loop take eight bytes per step (slicing); the result is the same as the
// bit-by-bit definition.
using Tables = std::array<std::array<std::uint16_t, 256>, 8>;

constexpr Tables MakeTables() {
  Tables t{};
  for (unsigned i = 0; i < 256; ++i) {
    unsigned crc = i << 8;
    for (int b = 0; b < 8; ++b)
      crc = (crc & 0x8000U) ? ((crc << 1) ^ 0x8005U) : (crc << 1);
    t[0][i] = static_cast<std::uint16_t>(crc);
  }
  for (std::size_t k = 1; k < 8; ++k)
    for (unsigned i = 0; i < 256; ++i) {
      const unsigned prev = t[k - 1][i];
      t[k][i] = static_cast<std::uint16_t>(((prev << 8) ^ t[0][prev >> 8]) & 0xFFFFU);
    }
  return t;
}
constexpr Tables kTables = MakeTables();

inline unsigned Step(unsigned crc, std::uint8_t byte) {
  return (crc << 8 ^ kTables[0][((crc >> 8) ^ byte) & 0xFFU]) & 0xFFFFU;
}
} // namespace

std::uint16_t Crc16Umts(const std::uint8_t *data, std::size_t length) { return Crc16UmtsFrom(0, data, length); }

std::uint16_t Crc16UmtsFrom(std::uint16_t start, const std::uint8_t *data, std::size_t length) {
  unsigned crc = start;
  std::size_t i = 0;
  for (; i + 8 <= length; i += 8) {
    const unsigned b0 = data[i] ^ (crc >> 8);
    const unsigned b1 = data[i + 1] ^ (crc & 0xFFU);
    crc = kTables[7][b0] ^ kTables[6][b1] ^ kTables[5][data[i + 2]] ^ kTables[4][data[i + 3]] ^
          kTables[3][data[i + 4]] ^ kTables[2][data[i + 5]] ^ kTables[1][data[i + 6]] ^ kTables[0][data[i + 7]];
  }
  for (; i < length; ++i)
    crc = Step(crc, data[i]);
  return static_cast<std::uint16_t>(crc);
}

std::uint16_t Crc16(const std::uint8_t *data, std::size_t length) {
  unsigned crc = Crc16Umts(data, length);
  if (length % 2 != 0) crc = Step(crc, 0);
  return static_cast<std::uint16_t>(crc);
}

} // namespace korv
