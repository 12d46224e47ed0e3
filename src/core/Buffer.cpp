#include "core/Buffer.h"

#include "core/Excption.h"

namespace korv {

void TBuffer::Put(std::uint8_t b) {
  if (m_count > kSize - 1) throw Exception("Buffer is full.");
  m_data[static_cast<std::size_t>(m_write)] = b;
  m_write = (m_write + 1) & (kSize - 1);
  ++m_count;
}

std::uint8_t TBuffer::Get() {
  if (m_count <= 0) throw Exception("Buffer is empty.");
  const std::uint8_t b = m_data[static_cast<std::size_t>(m_read)];
  m_read = (m_read + 1) & (kSize - 1);
  --m_count;
  return b;
}

void TBuffer::Clear() {
  m_count = 0;
  m_read = m_write;
}

} // namespace korv
