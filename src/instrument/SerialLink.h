#pragma once
// The transport under every instrument exchange: a byte pipe with the fixed
// line settings (9600 baud, 8 data bits, no parity, 1 stop bit, no flow
// control). Protocol code sees only this interface, so it runs the same over
// a real port, a pseudo-terminal or the in-memory fake of the tests.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/Excption.h"

namespace korv {

inline constexpr const char *kMsgDisconnected =
    "The instrument on %s was disconnected.\r\nCheck the cable and the port, then try again.";

// The device went away while in use (a USB adapter pulled, a pseudo-terminal
// closed): said at once instead of waiting for a deadline.
class EmoxIODisconnected : public EmoxIODeviceErr {
public:
  using EmoxIODeviceErr::EmoxIODeviceErr;
};

class SerialLink {
public:
  virtual ~SerialLink() = default;
  // Opens with the fixed settings. A port that cannot be opened (missing,
  // in use) throws EmoxIODeviceErr with the port's own message.
  virtual void Open() = 0;
  virtual void Close() = 0;
  virtual bool IsOpen() const = 0;
  // Room left in the output buffer; a command longer than this is not sent.
  virtual std::size_t OutputRoom() const = 0;
  virtual void Write(std::string_view bytes) = 0;
  // Waits at most timeoutMs for bytes and copies up to max of them into buf.
  // Returns the number copied; 0 means nothing arrived in time. A device
  // that went away throws EmoxIODisconnected.
  virtual std::size_t Read(std::uint8_t *buf, std::size_t max, int timeoutMs) = 0;
  virtual void FlushInput() = 0;
  virtual void FlushOutput() = 0;
  // Monotonic milliseconds. Deadlines are measured with this clock so the
  // fake link can run a 15-second deadline without waiting 15 seconds.
  virtual std::int64_t NowMs() const;
  // The name shown in messages (device path).
  virtual std::string Name() const = 0;
};

// Why a device name cannot be a serial port, or empty when it can: the name
// must be a path without NUL or control characters, naming a character
// device. Checked before the name reaches the serial library, which
// misbehaves on names such as a folder.
std::string SerialDeviceProblem(const std::string &device);

} // namespace korv
