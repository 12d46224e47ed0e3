#pragma once
#include <cstddef>
#include <cstdint>

namespace korv {
// CRC-16/UMTS (poly 0x8005, init 0, MSB first, no reflection, no final XOR).
// An odd length counts as if one zero byte followed.
std::uint16_t Crc16(const std::uint8_t *data, std::size_t length);
// The published CRC-16/UMTS of exactly these bytes (no padding).
std::uint16_t Crc16Umts(const std::uint8_t *data, std::size_t length);
// The same continued from the CRC of the bytes before these.
std::uint16_t Crc16UmtsFrom(std::uint16_t crc, const std::uint8_t *data, std::size_t length);
} // namespace korv
