// sweep: a live sweep from a NanoVNA-family analyzer into a document file.
#include <algorithm>
#include <atomic>
#include <csignal>
#include <iostream>

#include "cli/Command.h"
#include "cli/InstrumentSession.h"
#include "cli/Json.h"
#include "core/DateTime.h"
#include "core/Excption.h"
#include "core/TextUtil.h"
#include "instrument/NanoVna.h"
#include "instrument/Protocol.h"

namespace korv::cli {

namespace {

std::atomic<bool> g_cancel{false};

extern "C" void CancelSweep(int) { g_cancel.store(true); }

int Fail(const std::string &message) {
  std::cerr << message << "\n";
  return 1;
}

} // namespace

std::string NanoVnaPort() { return QtSerialLink::FindUsbDevice(kNanoUsbVendor, kNanoUsbProduct); }

void PrintNanoIdentity(const TNanoIdentity &id, bool json) {
  if (json) {
    JsonWriter j;
    j.BeginObject();
    j.Key("kind").String("nanovna").Key("model").String(id.Model).Key("firmware").String(id.Firmware);
    j.Key("scanPoints").Integer(id.ScanPoints).Key("info").BeginArray();
    for (const std::string &l : id.Info)
      j.String(l);
    j.EndArray().EndObject();
    std::cout << j.Text() << "\n";
  } else {
    std::cout << "kind: nanovna\nmodel: " << id.Model << "\nfirmware: " << id.Firmware
              << "\npoints per scan: " << id.ScanPoints << "\n";
  }
}

namespace {

int RunSweep(const Args &args) {
  const Options o(args, {"port", "start", "stop", "points", "out", "out-dir", "label"}, {"json"});
  if (!o.Positional().empty()) throw UsageError{"unexpected argument " + o.Positional().front()};
  if (!o.Has("start") || !o.Has("stop")) throw UsageError{"--start and --stop (MHz) are needed"};
  const double startMHz = o.Number("start", 0.0);
  const double stopMHz = o.Number("stop", 0.0);
  if (!(startMHz > 0.0) || !(stopMHz > startMHz) || stopMHz > 1e6)
    throw UsageError{"--start and --stop must be MHz above 0 with start below stop"};
  const long long points = o.Integer("points", 101);
  if (points < 2 || points > kNanoMaxSweepPoints)
    throw UsageError{"--points must be between 2 and " + std::to_string(kNanoMaxSweepPoints)};
  const bool toFile = o.Has("out");
  if (toFile == o.Has("out-dir")) throw UsageError{"give exactly one of --out FILE and --out-dir DIR"};
  const std::string label = o.Value("label");
  if (label.size() > 50) throw UsageError{"--label holds at most 50 characters"};

  std::string port = o.Value("port");
  if (port.empty()) port = NanoVnaPort();
  if (port.empty()) return Fail("No NanoVNA (USB id 0483:5740) is attached; name its device with --port.");
  const TIniFile ini = LoadSettings();
  const auto distUnit =
      static_cast<std::uint8_t>(std::clamp(ini.ReadInteger("OPTIONS", "DefaultDistanceUnit", 0), 0, 1));

  TSession s(port);
  TNanoVna vna(s.Link);
  std::signal(SIGINT, CancelSweep);
  std::signal(SIGTERM, CancelSweep);
  vna.SetCancelFlag(&g_cancel);
  int shown = 0;
  vna.SetProgress([&](int done, int total) {
    // About twenty progress lines, whatever the length.
    if (done == total || done - shown >= std::max(1, total / 20)) {
      shown = done;
      std::cerr << "swept " << done << " of " << total << " points" << std::endl;
    }
  });
  TmoxDocument doc;
  TNanoIdentity id;
  TNanoSweep sweep;
  TReflectionExcess excess;
  try {
    id = vna.Identify();
    sweep = vna.Sweep(id, startMHz * 1e6, stopMHz * 1e6, static_cast<int>(points));
    vna.Close();
    BuildFromNanoSweep(doc, sweep, id, label, NowDayCount(), distUnit, &excess);
  } catch (const Exception &e) {
    return Fail(e.Message());
  }
  if (const std::string m = excess.Message(); !m.empty()) std::cerr << "warning: " << m << "\n";
  std::string written;
  try {
    if (toFile) {
      SaveOrReport(doc, o.Value("out"));
      written = o.Value("out");
    } else {
      written = SaveSweepUnder(doc, o.Value("out-dir"));
    }
  } catch (const Exception &e) {
    return Fail(e.Message());
  }
  if (o.Has("json")) {
    JsonWriter j;
    j.BeginObject();
    j.Key("file").String(written).Key("model").String(id.Model).Key("firmware").String(id.Firmware);
    j.Key("points").Integer(static_cast<long long>(sweep.S11.size())).Key("scans").Integer(sweep.Scans);
    j.Key("fellBack").Bool(sweep.FellBack).Key("aboveTotalReflection").Integer(excess.Above);
    j.EndObject();
    std::cout << j.Text() << "\n";
  } else {
    std::cout << written << "\n";
  }
  return 0;
}

const Registrar kSweep("sweep",
                       "sweep [--port DEV] --start MHZ --stop MHZ [--points N] (--out FILE | --out-dir DIR) "
                       "[--label TEXT] [--json]",
                       "sweep with a NanoVNA-family analyzer (without --port: the first device with USB id "
                       "0483:5740) into a one-trace document",
                       RunSweep);

} // namespace

} // namespace korv::cli
