#pragma once
// In-memory serial link for unit tests: replies come from a scripted byte
// queue and/or a responder called for every write. Time is virtual: a read
// that finds nothing advances the clock by its timeout, so deadlines are
// exercised without real waiting.
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "instrument/SerialLink.h"

namespace korv {

class FakeSerialLink : public SerialLink {
public:
  // Called with each block the program writes; returns the bytes the
  // instrument sends back.
  using Responder = std::function<std::string(std::string_view written)>;

  void Open() override;
  void Close() override { m_open = false; }
  bool IsOpen() const override { return m_open; }
  std::size_t OutputRoom() const override { return m_outputRoom; }
  void Write(std::string_view bytes) override;
  std::size_t Read(std::uint8_t *buf, std::size_t max, int timeoutMs) override;
  void FlushInput() override;
  void FlushOutput() override { ++m_outputFlushes; }
  std::int64_t NowMs() const override { return m_now; }
  std::string Name() const override { return "fake"; }

  // Bytes the instrument has already sent.
  void Feed(std::string_view bytes);
  void SetResponder(Responder r) { m_responder = std::move(r); }
  void SetOutputRoom(std::size_t room) { m_outputRoom = room; }
  void SetOpenError(std::string message) { m_openError = std::move(message); }
  // Delivers at most this many bytes per read (0: all), to exercise
  // partial arrivals.
  void SetChunk(std::size_t n) { m_chunk = n; }
  // Each byte delivered takes this long on the virtual clock (a line's speed).
  void SetByteTimeMs(double ms) { m_byteTime = ms; }
  // Once the bytes queued so far are read, the device is gone.
  void GoneAfterQueued() { m_goneAfterQueued = true; }

  const std::string &Written() const { return m_written; }
  int InputFlushes() const { return m_inputFlushes; }
  int OutputFlushes() const { return m_outputFlushes; }
  int OpenCount() const { return m_openCount; }

private:
  bool m_open = false;
  std::size_t m_outputRoom = 4096;
  std::deque<std::uint8_t> m_incoming;
  std::string m_written;
  Responder m_responder;
  std::string m_openError;
  std::size_t m_chunk = 0;
  bool m_goneAfterQueued = false;
  double m_byteTime = 0.0;
  double m_lineDebt = 0.0; // fractions of a millisecond not yet on the clock
  std::int64_t m_now = 1000000;
  int m_inputFlushes = 0;
  int m_outputFlushes = 0;
  int m_openCount = 0;
};

} // namespace korv
