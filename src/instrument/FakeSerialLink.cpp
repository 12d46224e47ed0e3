#include "instrument/FakeSerialLink.h"

#include <algorithm>
#include <cmath>

#include "core/Excption.h"

namespace korv {

void FakeSerialLink::Open() {
  if (!m_openError.empty()) throw EmoxIODeviceErr(m_openError);
  m_open = true;
  ++m_openCount;
}

void FakeSerialLink::Write(std::string_view bytes) {
  m_written.append(bytes);
  if (m_responder) Feed(m_responder(bytes));
}

std::size_t FakeSerialLink::Read(std::uint8_t *buf, std::size_t max, int timeoutMs) {
  if (m_incoming.empty()) {
    if (m_goneAfterQueued) throw EmoxIODisconnected("fake: gone");
    m_now += std::max(timeoutMs, 1);
    return 0;
  }
  std::size_t n = std::min(max, m_incoming.size());
  if (m_chunk > 0) n = std::min(n, m_chunk);
  for (std::size_t i = 0; i < n; ++i) {
    buf[i] = m_incoming.front();
    m_incoming.pop_front();
  }
  ++m_now; // arrivals take a little time, so clocks move on long replies
  m_lineDebt += m_byteTime * static_cast<double>(n);
  m_now += static_cast<std::int64_t>(m_lineDebt);
  m_lineDebt -= std::floor(m_lineDebt);
  return n;
}

void FakeSerialLink::FlushInput() {
  m_incoming.clear();
  ++m_inputFlushes;
}

void FakeSerialLink::Feed(std::string_view bytes) {
  for (char c : bytes)
    m_incoming.push_back(static_cast<std::uint8_t>(c));
}

} // namespace korv
