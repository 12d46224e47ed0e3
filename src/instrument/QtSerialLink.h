#pragma once
// SerialLink over QSerialPort. Used from one thread (the worker that runs
// the instrument operation); reads block with waitForReadyRead, so no event
// loop is needed.
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "instrument/SerialLink.h"

class QSerialPort;

namespace korv {

inline constexpr const char *kMsgNoSerialDevice =
    "No serial device is set up for the instrument: Comm %d names none (this computer has %d).\r\nChoose the "
    "instrument's port in Options > General.";

inline constexpr const char *kMsgNoPortChosen =
    "No serial device is chosen for the instrument.\r\nChoose the instrument's port in Options > General.";

class QtSerialLink : public SerialLink {
public:
  explicit QtSerialLink(std::string device);
  ~QtSerialLink() override;
  QtSerialLink(const QtSerialLink &) = delete;
  QtSerialLink &operator=(const QtSerialLink &) = delete;

  void Open() override;
  void Close() override;
  bool IsOpen() const override;
  std::size_t OutputRoom() const override;
  void Write(std::string_view bytes) override;
  std::size_t Read(std::uint8_t *buf, std::size_t max, int timeoutMs) override;
  void FlushInput() override;
  void FlushOutput() override;
  std::string Name() const override { return m_device; }

  // The device for a CommPort number (1 = the first serial device found) or
  // a CommDevice path, which wins when not empty. Empty when there is none.
  // A CommDevice that is no serial device throws EmoxIODeviceErr naming the
  // setting.
  static std::string ResolvePort(int commPort, const std::string &commDevice);
  // The serial devices of this computer, in CommPort order: path and the
  // library's description (maker and product when it has none).
  static std::vector<std::pair<std::string, std::string>> Devices();

  // The first serial device with this USB id ("" when none is attached).
  static std::string FindUsbDevice(std::uint16_t vendor, std::uint16_t product);
  // Every serial device found, as "path (description)" pairs for a list.
  static std::vector<std::pair<std::string, std::string>> ListDevices();

private:
  // Throws EmoxIODisconnected when the device went away; otherwise clears
  // the error a time-out leaves.
  void ThrowIfGone();
  static constexpr std::size_t kOutputBuffer = 4096;
  std::string m_device;
  std::unique_ptr<QSerialPort> m_port;
};

} // namespace korv
