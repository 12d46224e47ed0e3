#pragma once
// What every instrument command of korvtool shares: the settings file, the
// port to use and the link with its exchanges for one command.
#include <iostream>
#include <memory>
#include <string>

#include <QCoreApplication>

#include "cli/Command.h"
#include "instrument/NanoVna.h"
#include "instrument/QtSerialLink.h"
#include "instrument/SAComm.h"
#include "settings/IniFile.h"

namespace korv::cli {

// --port, or the device the settings name. A setting that names no usable
// device is an error naming the setting, never a silent fall-back.
std::string PortFrom(const Options &o);

// The first serial device with a NanoVNA's USB id ("" when none).
std::string NanoVnaPort();
// identify's report of a NanoVNA-family analyzer.
void PrintNanoIdentity(const TNanoIdentity &id, bool json);

// The link and the exchanges over it for one command.
struct TSession {
  explicit TSession(const std::string &port) : App(EnsureApp()), Link(port), Comm(Link) {
    Comm.SetBusyNotice([] { std::cerr << "waiting for the instrument to finish an earlier reply..." << std::endl; });
  }
  // The serial port wants a Qt thread context even when nothing runs an event loop.
  static std::unique_ptr<QCoreApplication> EnsureApp() {
    if (QCoreApplication::instance() != nullptr) return nullptr;
    static int argc = 1;
    static char name[] = "korvtool";
    static char *argv[] = {name, nullptr};
    return std::make_unique<QCoreApplication>(argc, argv);
  }
  std::unique_ptr<QCoreApplication> App;
  QtSerialLink Link;
  TSAComm Comm;
};

} // namespace korv::cli
