// simulate, identify, list, receive, delete and send: talking to instruments.
#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <unistd.h>

#include <QCoreApplication>

#include "cli/Command.h"
#include "cli/InstrumentSession.h"
#include "cli/Json.h"
#include "core/DateTime.h"
#include "core/ErrorText.h"
#include "core/Excption.h"
#include "core/TextUtil.h"
#include "formats/DocumentIO.h"
#include "instrument/DownLoad.h"
#include "instrument/QtSerialLink.h"
#include "instrument/SAComm.h"
#include "instrument/UpLoad.h"
#include "measure/Convert.h"
#include "settings/IniFile.h"
#include "sim/PtyHost.h"
#include "sim/Simulator.h"

namespace korv::cli {

namespace {

std::atomic<bool> g_stop{false};

extern "C" void StopServing(int) { g_stop.store(true); }

} // namespace

// --port, or the device the settings name. A setting that names no usable
// device is an error naming the setting, never a silent fall-back.
std::string PortFrom(const Options &o) {
  if (o.Has("port")) return o.Value("port");
  const TIniFile ini = LoadSettings();
  int commPort = 1;
  if (ini.ReadString("OPTIONS", "CommPort", "").empty() && ini.ReadString("OPTIONS", "CommDevice", "").empty())
    throw UsageError{"no --port given and the settings choose no serial device (CommDevice or CommPort)"};
  if (!ini.ReadString("OPTIONS", "CommPort", "").empty()) {
    // A value that is no number reads as either default.
    commPort = ini.ReadInteger("OPTIONS", "CommPort", 0);
    if (commPort != ini.ReadInteger("OPTIONS", "CommPort", 1))
      throw Exception("The setting CommPort in [OPTIONS] of " + ini.FileName() + " is not a number.");
  }
  std::string device = QtSerialLink::ResolvePort(commPort, ini.ReadString("OPTIONS", "CommDevice", ""));
  if (device.empty()) throw UsageError{"no --port given and the CommPort/CommDevice setting names no serial device"};
  return device;
}

namespace {

std::vector<int> Locations(const Options &o) {
  std::vector<int> out;
  for (const std::string &p : o.Positional()) {
    long long v = 0;
    if (!ParseInt(p, v) || v < -32768 || v > 32767) throw UsageError{"not a location: " + p};
    out.push_back(static_cast<int>(v));
  }
  if (out.empty()) throw UsageError{"give at least one location"};
  return out;
}

const char *KindName(TInstrumentKind k) {
  switch (k) {
  case ikSiteMaster: return "sitemaster";
  case ikRtTester: return "rt";
  default: return "lx";
  }
}

void Warn(const std::string &message) { std::cerr << "warning: " << message << "\n"; }

int Fail(const std::string &message) {
  std::cerr << message << "\n";
  return 1;
}

std::string ShortDate(double when) {
  const TCivilTime c = DecodeDateTime(when);
  return Format("%.2d-%s-%.4d %.2d:%.2d", c.Day, MonthNumberToName(c.Month).c_str(), c.Year, c.Hour, c.Minute);
}

int RunSimulate(const Args &args) {
  const Options o(args, {"instrument", "model", "firmware", "traces", "fault", "root", "count", "save-buffers"},
                  {"pace"});
  // A handheld is a folder, not a serial line: it is prepared, not served.
  if (o.Value("instrument") == "handheld") return RunSimulateHandheld(o);
  if (o.Has("root") || o.Has("count")) throw UsageError{"--root and --count are for --instrument handheld"};
  TSimOptions sim;
  sim.Instrument = o.Value("instrument", "lx");
  sim.Model = o.Value("model");
  sim.Firmware = o.Value("firmware");
  if (o.Has("save-buffers")) {
    long long n = 0;
    if (!ParseInt(o.Value("save-buffers"), n) || n < 1 || n > 100000)
      throw UsageError{"--save-buffers takes a count of traces: " + o.Value("save-buffers")};
    sim.SaveBuffers = static_cast<int>(n);
  }
  std::vector<std::string> sources = o.Values("traces");
  for (const auto &p : o.Positional())
    sources.push_back(p);
  for (const std::string &src : sources) {
    std::vector<std::string> files;
    std::error_code ec;
    if (std::filesystem::is_directory(src, ec)) {
      for (const auto &e : std::filesystem::directory_iterator(src, ec))
        if (e.is_regular_file()) files.push_back(e.path().string());
      std::sort(files.begin(), files.end());
    } else {
      files.push_back(src);
    }
    for (const auto &f : files) {
      try {
        const TOpenResult r = OpenDocument(f);
        for (auto &one : SplitIntoTraces(*r.Document))
          sim.Traces.push_back(std::move(one));
      } catch (...) {
        const TFailureReport rep = DescribeOpenFailure(std::current_exception(), f);
        return Fail(rep.Message.empty() ? rep.Summary : rep.Message);
      }
    }
  }
  TPtyHostOptions hostOptions;
  hostOptions.Pace = o.Has("pace");
  if (o.Has("fault")) {
    try {
      hostOptions.Fault = ParseSimFault(o.Value("fault"));
      sim.MissFirstSetupSync = hostOptions.Fault == TSimFault::SyncOnce;
    } catch (const Exception &e) {
      throw UsageError{e.Message()};
    }
  }
  std::unique_ptr<TSimulator> simulator;
  try {
    simulator = MakeSimulator(std::move(sim));
  } catch (const Exception &e) {
    throw UsageError{e.Message()};
  }
  TPtyHost host(*simulator, hostOptions);
  const std::string port = host.Open();
  std::cout << "port: " << port << std::endl;
  std::cerr << simulator->Description() << (hostOptions.Pace ? ", paced at 9600 baud" : "") << std::endl;
  std::signal(SIGINT, StopServing);
  std::signal(SIGTERM, StopServing);
  host.Serve(g_stop);
  std::cerr << "served " << host.BytesIn() << " bytes in, " << host.BytesOut() << " bytes out" << std::endl;
  return 0;
}

int RunIdentify(const Args &args) {
  const Options o(args, {"port"}, {"json"});
  // Without --port an attached NanoVNA is the instrument meant.
  std::string port = o.Value("port");
  if (port.empty()) port = NanoVnaPort();
  TSession s(port.empty() ? PortFrom(o) : port);
  {
    // A NanoVNA shell answers an empty line with its prompt at once; the
    // other instruments are asked only when it did not.
    TNanoVna vna(s.Link);
    bool nano = false;
    try {
      nano = vna.Probe(1500);
    } catch (const EmoxIODeviceErr &e) {
      return Fail(e.Message());
    }
    if (nano) {
      try {
        PrintNanoIdentity(vna.Identify(), o.Has("json"));
      } catch (const Exception &e) {
        return Fail(e.Message());
      }
      return 0;
    }
    vna.Close();
  }
  const TInstrumentIdentity id = IdentifyInstrument(s.Comm);
  if (o.Has("json")) {
    JsonWriter j;
    j.BeginObject();
    j.Key("kind").String(KindName(id.Kind)).Key("model").String(id.ModelLine);
    if (id.Kind == ikAnalyzer) {
      j.Key("firmware").String(id.FirmwareText).Key("firmwareDate").Number(id.FirmwareDate);
      j.Key("generation").Integer(id.Generation()).Key("qe").Bool(id.QEModel);
    }
    j.EndObject();
    std::cout << j.Text() << "\n";
  } else {
    std::cout << "kind: " << KindName(id.Kind) << "\n";
    if (!id.ModelLine.empty()) std::cout << "model: " << id.ModelLine << "\n";
    if (id.Kind == ikAnalyzer)
      std::cout << "firmware: " << id.FirmwareText << " (generation " << id.Generation() << (id.QEModel ? ", QE" : "")
                << ")\n";
  }
  return 0;
}

int RunList(const Args &args) {
  const Options o(args, {"port"}, {"json"});
  TSession s(PortFrom(o));
  const TInstrumentIdentity id = IdentifyInstrument(s.Comm);
  const TmoxDirList list = ReadDirectory(s.Comm, id, NowDayCount());
  if (o.Has("json")) {
    JsonWriter j;
    j.BeginArray();
    for (int i = 0; i < list.Count(); ++i) {
      j.BeginObject();
      j.Key("location").Integer(list.Number(i)).Key("name").String(list.Text(i)).Key("date").Number(list.Time(i));
      j.EndObject();
    }
    j.EndArray();
    std::cout << j.Text() << "\n";
  } else {
    for (int i = 0; i < list.Count(); ++i)
      std::cout << Format("%3d  ", list.Number(i)) << ShortDate(list.Time(i)) << "  " << list.Text(i) << "\n";
  }
  return 0;
}

// Adds the traces of src to dst in dst's units.
void MergeInto(TmoxDocument &dst, const TmoxDocument &src) {
  for (int i = 0; i < src.Doc.TraceCount(); ++i) {
    TTraceData t = src.Doc.Traces[i];
    ConvertArray(t.Mag, src.Doc.ScaleUnit, dst.Doc.ScaleUnit);
    ConvertDistanceUnits(t, src.Doc.DistUnit, dst.Doc.DistUnit);
    dst.Doc.AddTrace(t);
  }
}

int RunReceive(const Args &args) {
  const Options o(args, {"port", "out", "out-dir", "style"}, {});
  const std::vector<int> locations = Locations(o);
  const bool toFile = o.Has("out");
  if (toFile == o.Has("out-dir")) throw UsageError{"give exactly one of --out FILE.kdt and --out-dir DIR"};
  const long long style = o.Integer("style", 0);
  if (style < 0 || style > 3) throw UsageError{"--style must be 0 to 3"};
  if (locations.size() > static_cast<std::size_t>(kMaxSelection))
    throw UsageError{"at most " + std::to_string(kMaxSelection) + " locations"};
  const TReceiveDestination dest = toFile ? TReceiveDestination::OneNewDocument : TReceiveDestination::Files;
  if (const std::string m = CheckReceiveSelection(static_cast<int>(locations.size()), dest, 0); !m.empty())
    return Fail(m);

  const TIniFile ini = LoadSettings();
  TSession s(PortFrom(o));
  const TInstrumentIdentity id = IdentifyInstrument(s.Comm);
  std::vector<TSelectedTrace> selection;
  TmoxDirList list;
  if (id.Kind == ikAnalyzer) list = ReadDirectory(s.Comm, id, NowDayCount());
  for (int loc : locations) {
    TSelectedTrace sel{loc, {}};
    for (int i = 0; i < list.Count(); ++i)
      if (list.Number(i) == loc) sel.Name = list.Text(i);
    selection.push_back(sel);
  }
  TFetchOptions fo;
  fo.Destination = dest;
  fo.CurrentScaleUnit = static_cast<std::uint8_t>(std::clamp(ini.ReadInteger("OPTIONS", "DefaultLossUnit", 0), 0, 4));
  fo.CurrentDistUnit =
      static_cast<std::uint8_t>(std::clamp(ini.ReadInteger("OPTIONS", "DefaultDistanceUnit", 0), 0, 1));
  fo.Warning = Warn;
  std::unique_ptr<TmoxDocument> combined;
  std::string root = toFile ? std::string() : o.Value("out-dir");
  if (!root.empty() && root.back() != '/') root += '/';
  fo.TraceFailed = [](const TSelectedTrace &sel, const std::string &message) {
    Warn("location " + std::to_string(sel.Location) + ": " + message);
  };
  int received = 0;
  int failed = 0;
  try {
    failed = FetchTraces(s.Comm, id, selection, fo, [&](const TSelectedTrace &sel, std::unique_ptr<TmoxDocument> doc) {
      ++received;
      if (toFile) {
        if (!combined)
          combined = std::move(doc);
        else
          MergeInto(*combined, *doc);
      } else {
        std::cout << SaveReceivedTrace(*doc, root, static_cast<int>(style), sel.Location) << "\n";
      }
    });
  } catch (const Exception &e) {
    // What arrived before the failure is kept, in the file asked for.
    if (toFile && combined) {
      SaveOrReport(*combined, o.Value("out"));
      std::cout << o.Value("out") << "\n";
    }
    return Fail(std::string(kMsgChildDocError) + e.Message());
  }
  if (toFile) {
    if (!combined) return Fail("No trace was received.");
    SaveOrReport(*combined, o.Value("out"));
    std::cout << o.Value("out") << "\n";
  }
  // What was received is kept; a location that gave nothing still fails the run.
  if (received == 0) return Fail("No trace was received.");
  return failed > 0 ? 1 : 0;
}

int RunDelete(const Args &args) {
  const Options o(args, {"port"}, {});
  const std::vector<int> locations = Locations(o);
  TSession s(PortFrom(o));
  const TInstrumentIdentity id = IdentifyInstrument(s.Comm);
  std::vector<TSelectedTrace> selection;
  selection.reserve(locations.size());
  for (int loc : locations)
    selection.push_back({loc, {}});
  int refused = 0;
  try {
    refused = DeleteTraces(s.Comm, id, selection, {}, [&](const std::string &m) { Warn(m); });
  } catch (const EmoxIODeviceErr &e) {
    return Fail(e.Message());
  } catch (const EmoxIOTimeOutErr &e) {
    return Fail(e.Message());
  } catch (const EmoxIOTraceCRCErr &e) {
    return Fail(e.Message());
  } catch (const Exception &e) {
    return Fail(std::string(kMsgDeleteFailed) + e.Message());
  }
  // A location that could not be deleted fails the run, as in receive.
  return refused > 0 ? 1 : 0;
}

// "FILE:N" names trace N (1-based) of FILE, "FILE" all its traces. A name
// that itself ends in ":digits" and exists is taken whole.
struct TSendArg {
  std::string File;
  int Trace = 0; // 0: every trace
};

TSendArg ParseSendArg(const std::string &arg) {
  const std::size_t colon = arg.rfind(':');
  std::error_code ec;
  if (colon == std::string::npos || colon + 1 == arg.size() || std::filesystem::exists(arg, ec)) return {arg, 0};
  const std::string tail = arg.substr(colon + 1);
  if (tail.find_first_not_of("0123456789") != std::string::npos) return {arg, 0};
  long long n = 0;
  if (!ParseInt(tail, n) || n < 1 || n > kMaxTraces) throw UsageError{"not a trace number: " + arg};
  return {arg.substr(0, colon), static_cast<int>(n)};
}

int RunSend(const Args &args) {
  const Options o(args, {"port"}, {"again"});
  if (o.Positional().empty()) throw UsageError{"give at least one document file"};
  std::vector<TSendArg> wanted;
  for (const std::string &p : o.Positional())
    wanted.push_back(ParseSendArg(p));

  // Every file is read and every trace named before the analyzer is asked anything.
  std::vector<std::unique_ptr<TmoxDocument>> docs;
  std::vector<TSendTrace> selection;
  for (const TSendArg &w : wanted) {
    try {
      docs.push_back(OpenOrReport(w.File).Document);
    } catch (const Exception &e) {
      return Fail(e.Message());
    }
    const TmoxDocument &doc = *docs.back();
    if (w.Trace > doc.Doc.TraceCount())
      return Fail(w.File + ": there is no trace " + std::to_string(w.Trace) + " (the file holds " +
                  std::to_string(doc.Doc.TraceCount()) + ").");
    if (w.Trace > 0) {
      selection.push_back({&doc, w.Trace - 1});
    } else {
      for (int i = 0; i < doc.Doc.TraceCount(); ++i)
        selection.push_back({&doc, i});
    }
  }

  const TIniFile ini = LoadSettings();
  const int dielectricFormat = ini.ReadInteger("OPTIONS", "DielectricFormat", 1) != 0 ? 1 : 0;
  TSession s(PortFrom(o));
  int sent = 0;
  std::size_t wantedCount = selection.size();
  try {
    const TAnalyzerTarget target = IdentifyAnalyzer(s.Comm);
    // A trace the analyzer already holds is not stored twice unless asked.
    if (const auto stored = FindAlreadyStored(target, selection); !stored.empty() && !o.Has("again")) {
      std::cerr << AlreadyStoredText(stored) << "\n(not sent again; --again sends them anyway)\n";
      std::vector<TSendTrace> rest;
      for (std::size_t i = 0, k = 0; i < selection.size(); ++i) {
        if (k < stored.size() && stored[k].Index == i) {
          ++k;
          continue;
        }
        rest.push_back(selection[i]);
      }
      selection = std::move(rest);
      wantedCount = selection.size();
    }
    const auto encoded = EncodeSelection(target, selection, dielectricFormat);
    // Ctrl-C stops before the next trace, so no trace is left half sent.
    std::signal(SIGINT, StopServing);
    std::signal(SIGTERM, StopServing);
    TSendProgress progress;
    progress.Cancel = &g_stop;
    progress.Stored = [&sent](int n) { sent = n; };
    sent = SendEncodedTraces(s.Comm, encoded, progress);
  } catch (const Exception &e) {
    // Traces stored before the failure stay in the analyzer: say how many.
    if (sent > 0) std::cout << "sent " << sent << " of " << wantedCount << " traces before the failure\n";
    return Fail(e.Message());
  }
  std::cout << "sent " << sent << (sent == 1 ? " trace" : " traces") << "\n";
  if (sent < static_cast<int>(wantedCount)) return Fail("Cancelled before all traces were sent.");
  return 0;
}

const Registrar kSimulate(
    "simulate",
    "simulate --instrument lx|rt|sitemaster|nanovna [--model M] [--firmware DDMmmYY] "
    "[--traces DIR|FILE]... [--fault slow|drop|garbage|silence|cutoff|sync-once] [--save-buffers N] [--pace] | "
    "simulate --instrument nanovna [--model nanovna|h4|d] [--firmware VERSION|old] "
    "[--traces FILE] [--fault F] | "
    "simulate --instrument handheld --root DIR [--count N]",
    "serve a simulated instrument on a pseudo-terminal (first line: port: DEVICE), or "
    "prepare a handheld folder with trace files",
    RunSimulate);
const Registrar kIdentify("identify", "identify [--port DEV] [--json]", "identify the connected instrument",
                          RunIdentify);
const Registrar kList("list", "list [--port DEV] [--json]", "list the traces stored in the instrument", RunList);
const Registrar kReceive("receive", "receive [--port DEV] LOCATION... (--out FILE.kdt | --out-dir DIR [--style 0-3])",
                         "receive stored traces into one document or into files", RunReceive);
const Registrar kSend("send", "send [--port DEV] [--again] FILE[:N]...",
                      "send traces of document files (trace N, or all) to an LX-x000QE analyzer; traces it "
                      "already holds are sent again only with --again",
                      RunSend);
const Registrar kDelete("delete", "delete [--port DEV] LOCATION...", "delete stored traces from an LX-x000QE analyzer",
                        RunDelete);

} // namespace

} // namespace korv::cli
