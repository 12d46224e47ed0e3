#include "instrument/QtSerialLink.h"

#include <QSerialPort>
#include <QSerialPortInfo>

#include "core/Excption.h"
#include "core/TextUtil.h"

namespace korv {

QtSerialLink::QtSerialLink(std::string device) : m_device(std::move(device)) {}

QtSerialLink::~QtSerialLink() { Close(); }

void QtSerialLink::Open() {
  if (IsOpen()) return; // an open port keeps its settings
  if (const std::string problem = SerialDeviceProblem(m_device); !problem.empty()) throw EmoxIODeviceErr(problem);
  m_port = std::make_unique<QSerialPort>();
  m_port->setPortName(QString::fromStdString(m_device));
  if (!m_port->open(QIODevice::ReadWrite)) {
    const std::string msg = m_port->errorString().toStdString();
    m_port.reset();
    throw EmoxIODeviceErr(msg.empty() ? "Unable to open " + m_device : m_device + ": " + msg);
  }
  // Settings after open: a pseudo-terminal accepts them too.
  m_port->setBaudRate(QSerialPort::Baud9600);
  m_port->setDataBits(QSerialPort::Data8);
  m_port->setParity(QSerialPort::NoParity);
  m_port->setStopBits(QSerialPort::OneStop);
  m_port->setFlowControl(QSerialPort::NoFlowControl);
  // Whatever the instrument sent while nobody listened belongs to no reply.
  m_port->clear(QSerialPort::AllDirections);
}

void QtSerialLink::Close() {
  if (m_port) {
    if (m_port->isOpen()) {
      m_port->waitForBytesWritten(200);
      m_port->close();
    }
    m_port.reset();
  }
}

bool QtSerialLink::IsOpen() const { return m_port && m_port->isOpen(); }

std::size_t QtSerialLink::OutputRoom() const {
  if (!IsOpen()) return 0;
  const auto pending = static_cast<std::size_t>(m_port->bytesToWrite());
  return pending >= kOutputBuffer ? 0 : kOutputBuffer - pending;
}

void QtSerialLink::Write(std::string_view bytes) {
  if (!IsOpen()) return;
  if (m_port->write(bytes.data(), static_cast<qint64>(bytes.size())) < 0) ThrowIfGone();
  // Push it to the driver now: nobody runs an event loop on this thread.
  while (m_port && m_port->bytesToWrite() > 0)
    if (!m_port->waitForBytesWritten(1000)) {
      ThrowIfGone();
      break;
    }
}

void QtSerialLink::ThrowIfGone() {
  // A vanished device shows as a resource error, or (a pseudo-terminal whose
  // other side closed) as a read that finds the end of the stream; a plain
  // time-out is no error.
  const bool gone = !m_port->isOpen() || m_port->error() == QSerialPort::ResourceError ||
                    m_port->error() == QSerialPort::ReadError || m_port->error() == QSerialPort::WriteError ||
                    m_port->error() == QSerialPort::DeviceNotFoundError ||
                    m_port->error() == QSerialPort::PermissionError;
  if (!gone) {
    m_port->clearError();
    return;
  }
  m_port->close();
  m_port.reset();
  throw EmoxIODisconnected(Format(kMsgDisconnected, m_device.c_str()));
}

std::size_t QtSerialLink::Read(std::uint8_t *buf, std::size_t max, int timeoutMs) {
  if (!IsOpen() || max == 0) return 0;
  if (m_port->bytesAvailable() <= 0 && !m_port->waitForReadyRead(timeoutMs < 0 ? 0 : timeoutMs)) {
    ThrowIfGone();
    return 0;
  }
  const qint64 n = m_port->read(reinterpret_cast<char *>(buf), static_cast<qint64>(max));
  if (n < 0) ThrowIfGone();
  return n > 0 ? static_cast<std::size_t>(n) : 0;
}

void QtSerialLink::FlushInput() {
  if (!IsOpen()) return;
  m_port->clear(QSerialPort::Input);
  m_port->readAll();
}

void QtSerialLink::FlushOutput() {
  if (IsOpen()) m_port->clear(QSerialPort::Output);
}

std::string QtSerialLink::ResolvePort(int commPort, const std::string &commDevice) {
  if (!commDevice.empty()) {
    if (const std::string problem = SerialDeviceProblem(commDevice); !problem.empty())
      throw EmoxIODeviceErr("The setting CommDevice: " + problem);
    return commDevice;
  }
  const auto ports = QSerialPortInfo::availablePorts();
  if (commPort < 1 || commPort > ports.size()) return {};
  return ports[commPort - 1].systemLocation().toStdString();
}

std::string QtSerialLink::FindUsbDevice(std::uint16_t vendor, std::uint16_t product) {
  for (const QSerialPortInfo &p : QSerialPortInfo::availablePorts())
    if (p.hasVendorIdentifier() && p.hasProductIdentifier() && p.vendorIdentifier() == vendor &&
        p.productIdentifier() == product)
      return p.systemLocation().toStdString();
  return {};
}

std::vector<std::pair<std::string, std::string>> QtSerialLink::ListDevices() {
  std::vector<std::pair<std::string, std::string>> out;
  for (const QSerialPortInfo &p : QSerialPortInfo::availablePorts()) {
    std::string text = p.description().toStdString();
    if (p.hasVendorIdentifier() && p.hasProductIdentifier())
      text += (text.empty() ? "" : ", ") +
              QString::asprintf("USB %04x:%04x", p.vendorIdentifier(), p.productIdentifier()).toStdString();
    out.emplace_back(p.systemLocation().toStdString(), text);
  }
  return out;
}

} // namespace korv

namespace korv {

std::vector<std::pair<std::string, std::string>> QtSerialLink::Devices() {
  std::vector<std::pair<std::string, std::string>> out;
  for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
    QString what = info.description();
    if (what.isEmpty()) what = (info.manufacturer() + QLatin1Char(' ') + info.serialNumber()).trimmed();
    out.emplace_back(info.systemLocation().toStdString(), what.toStdString());
  }
  return out;
}

} // namespace korv
