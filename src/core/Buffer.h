#pragma once
// 16 KB byte ring buffer between the serial port and the protocol reader.
#include <array>
#include <cstdint>

namespace korv {

class TBuffer {
public:
  static constexpr int kSize = 16384;
  // Throws Exception "Buffer is full." when 16,384 bytes are held.
  void Put(std::uint8_t b);
  // Throws Exception "Buffer is empty.".
  std::uint8_t Get();
  int Count() const { return m_count; }
  void Clear();

private:
  std::array<std::uint8_t, kSize> m_data{};
  int m_write = 0;
  int m_read = 0;
  int m_count = 0;
};

} // namespace korv
