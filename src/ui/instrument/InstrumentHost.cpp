#include "ui/instrument/InstrumentHost.h"

#include "instrument/QtSerialLink.h"

namespace korv {

TLinkFactory LinkToPort(const std::string &port) {
  return [port]() -> std::unique_ptr<SerialLink> { return std::make_unique<QtSerialLink>(port); };
}

} // namespace korv
