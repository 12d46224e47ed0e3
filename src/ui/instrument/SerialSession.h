#pragma once
// The link and the exchanges over it for one operation; made and used on
// the worker thread that runs the operation.
#include <string>

#include "instrument/QtSerialLink.h"
#include "instrument/SAComm.h"

namespace korv {

struct TSerialSession {
  explicit TSerialSession(const std::string &port) : Link(port), Comm(Link) {}
  QtSerialLink Link;
  TSAComm Comm;
};

} // namespace korv
