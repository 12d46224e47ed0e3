#include "core/Crc16.h"

#include <array>

namespace korv {

namespace {
constexpr std::array<std::uint16_t, 256> MakeTable() {
  std::array<std::uint16_t, 256> t{};
  for (unsigned i = 0; i < 256; ++i) {
    unsigned crc = i << 8;
    for (int b = 0; b < 8; ++b) crc = (crc & 0x8000U) ? ((crc << 1) ^ 0x8005U) : (crc << 1);
    t[i] = static_cast<std::uint16_t>(crc);
  }
  return t;
}
constexpr auto kTable = MakeTable();
} // namespace

std::uint16_t Crc16Umts(const std::uint8_t *data, std::size_t length) {
  unsigned crc = 0;
  for (std::size_t i = 0; i < length; ++i)
    crc = (crc << 8 ^ kTable[((crc >> 8) ^ data[i]) & 0xFFU]) & 0xFFFFU;
  return static_cast<std::uint16_t>(crc);
}

std::uint16_t Crc16(const std::uint8_t *data, std::size_t length) {
  unsigned crc = Crc16Umts(data, length);
  if (length % 2 != 0) crc = (crc << 8 ^ kTable[(crc >> 8) & 0xFFU]) & 0xFFFFU;
  return static_cast<std::uint16_t>(crc);
}

} // namespace korv
