#pragma once
// What the instrument windows need of the program around them, given as
// functions so that they never include the main window (and tests can
// stand in for it).
#include <QList>
#include <functional>
#include <string>

#include "core/Declare.h"
#include "settings/Config.h"
#include "ui/common/WorkerRunner.h"

namespace korv {

class TfrmDoc;

struct TInstrumentHost {
  // The document windows in window order, and the active one (or null).
  std::function<QList<TfrmDoc *>()> Documents;
  std::function<TfrmDoc *()> Active;
  // A new, empty document window; null when no further window may open.
  std::function<TfrmDoc *()> NewWindow;
  // The serial device the settings name; throws EmoxIODeviceErr when they
  // name none.
  std::function<std::string()> PortName;
  // The settings the windows read and change (UploadRoot, UploadStyle,
  // DielectricFormat); null: defaults, nothing stored.
  TKorvSettings *Settings = nullptr;
};

// A job's link to the serial device named port (made when the job starts).
TLinkFactory LinkToPort(const std::string &port);

} // namespace korv
