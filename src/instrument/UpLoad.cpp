#include "instrument/UpLoad.h"

#include <cmath>
#include <filesystem>
#include <system_error>
#include <unistd.h>

#include "core/DateTime.h"
#include "core/Excption.h"
#include "core/TextUtil.h"
#include "formats/DocumentIO.h"

namespace korv {

namespace {

// Closes the port however the operation ends.
class TPortGuard {
public:
  explicit TPortGuard(TSAComm &comm) : m_comm(comm) { m_comm.Open(); }
  ~TPortGuard() { m_comm.Close(); }
  TPortGuard(const TPortGuard &) = delete;
  TPortGuard &operator=(const TPortGuard &) = delete;

private:
  TSAComm &m_comm;
};

bool Contains(const std::string &s, std::string_view part) { return s.find(part) != std::string::npos; }

bool ParseLocation(std::string_view text, int &location) {
  long long v = 0;
  if (!ParseInt(Trim(text), v) || v < -32768 || v > 32767) return false;
  location = static_cast<int>(v);
  return true;
}

// Characters that cannot be part of a file name.
std::string StripNameChars(std::string_view s) {
  std::string out;
  for (char c : s)
    if (std::string_view("\"*./:<>?\\|").find(c) == std::string_view::npos) out.push_back(c);
  return out;
}

std::string CollapseBlanks(std::string_view s) {
  std::string out;
  for (char c : s)
    if (c != ' ' || (!out.empty() && out.back() != ' ')) out.push_back(c);
  while (!out.empty() && out.back() == ' ')
    out.pop_back();
  return out;
}

std::string TwoDigits(int v) { return Format("%.2d", v); }

// "05-Jan-2024 13 07"
std::string NameDate(double when) {
  const TCivilTime c = DecodeDateTime(when);
  return TwoDigits(c.Day) + "-" + MonthNumberToName(c.Month) + "-" + Format("%.4d", c.Year) + " " + TwoDigits(c.Hour) +
         " " + TwoDigits(c.Minute);
}

// "2024Jan05"
std::string FolderDate(double when) {
  const TCivilTime c = DecodeDateTime(when);
  return Format("%.4d", c.Year) + MonthNumberToName(c.Month) + TwoDigits(c.Day);
}

std::string CutOffMessage(const TSelectedTrace &sel, const std::string &name, int got, int expected, const char *unit,
                          int delivered) {
  const std::string shown = name.empty() ? sel.Name : name;
  std::string m = std::string(kMsgTimeOut) + "\r\n" +
                  Format(kMsgReplyStopped, shown.c_str(), sel.Location, got, std::max(got, expected), unit) + " ";
  if (delivered == 0) return m + kMsgNoneKept;
  return m + (delivered == 1 ? std::string(kMsgKeptOneBefore) : Format(kMsgKeptBefore, delivered));
}

std::string NotResponding(TSAComm &comm) {
  return std::string(kMsgNotResponding) + "\r\n" + Format(kMsgNoAnswerOn, comm.Link().Name().c_str());
}

void Step(const TProgressFn &progress, int &position, int maximum) {
  ++position;
  if (progress) progress(position, maximum);
}

} // namespace

TInstrumentIdentity IdentifyInstrument(TSAComm &comm) {
  TInstrumentIdentity id;
  id.FirmwareDate = ParseAnalyzerDate(kDefaultFirmwareDate);
  comm.ReplyLines.clear();
  comm.QEModel = false;
  TPortGuard port(comm);
  try {
    comm.WakeAnalyzer();
    id.FirmwareText = comm.ReadStatusWithDate();
  } catch (const EmoxIOTimeOutErr &) {
  }
  try {
    id.FirmwareDate = ParseAnalyzerDate(id.FirmwareText);
  } catch (const Exception &) {
    // A date the analyzer garbled: treat it as the oldest firmware.
    id.FirmwareText = kDefaultFirmwareDate;
  }
  id.QEModel = comm.QEModel;
  try {
    comm.ProbeStatus();
  } catch (const EmoxIOTimeOutErr &) {
  }
  if (comm.ReplyLines.empty()) {
    std::string ident;
    try {
      ident = comm.SiteMasterIdentify();
    } catch (const EmoxIOTimeOutErr &) {
    }
    if (ident != "S331") throw EmoxIODeviceErr(NotResponding(comm));
    id.Kind = ikSiteMaster;
    id.ModelLine = ident;
    return id;
  }
  const std::string &first = comm.ReplyLines.front();
  bool analyzer = false;
  for (const char *m : {"LX-3200", "LX-3250", "LX-3400", "LX-3600", "LX-3100", "Site"})
    analyzer = analyzer || Contains(first, m);
  if (analyzer) {
    id.Kind = ikAnalyzer;
    id.ModelLine = first;
  } else if (const std::size_t rt = first.find("RT-"); rt != std::string::npos) {
    id.Kind = ikRtTester;
    id.ModelLine = first;
    if (rt + 3 < first.size()) id.RtModelDigit = first[rt + 3];
  } else {
    throw EmoxIODeviceErr(NotResponding(comm));
  }
  return id;
}

bool CanDelete(TInstrumentKind kind) { return kind == ikAnalyzer; }

int HighestLocation(TInstrumentKind kind) {
  switch (kind) {
  case ikSiteMaster: return 40;
  case ikRtTester: return 12;
  default: return 500;
  }
}

std::string FirstGenerationEntryName(long long site, long long sector, long long antennaKind, long long antennaNumber) {
  std::string name;
  if (site != 0) name += "Site " + std::to_string(site) + " ";
  switch (sector) {
  case 0: break;
  case 1: name += "Alpha "; break;
  case 2: name += "Beta "; break;
  case 3: name += "Gamma "; break;
  default: name += std::to_string(sector);
  }
  if (antennaNumber != 0) {
    if (antennaKind == 1)
      name += "Tx ";
    else if (antennaKind == 2)
      name += "Rx ";
    else if (antennaKind != 0)
      name += std::to_string(antennaKind);
    name += std::to_string(antennaNumber);
  }
  return name;
}

TmoxDirList BuildDirectoryList(const TInstrumentIdentity &id, std::vector<std::string> lines, double now) {
  TmoxDirList list;
  if (id.Kind == ikAnalyzer) lines.resize(lines.size() >= 2 ? lines.size() - 2 : 0);
  if (id.Kind == ikAnalyzer) list.Add("Current Trace", kCurrentTraceLocation, now);
  for (const std::string &line : lines) {
    if (list.Count() >= TmoxDirList::kCapacity) break;
    int location = 0;
    if (id.Kind != ikAnalyzer) {
      const std::size_t comma = line.find(',');
      if (comma == std::string::npos || !ParseLocation(line.substr(0, comma), location)) continue;
      list.Add(line.substr(comma + 1, 500), location, std::floor(now));
    } else if (id.Generation() == 1) {
      std::vector<std::string> f;
      std::size_t start = 0;
      for (std::size_t sep; (sep = line.find(", ", start)) != std::string::npos; start = sep + 2)
        f.push_back(line.substr(start, sep - start));
      f.push_back(line.substr(start));
      if (f.size() < 6) continue;
      long long v[4] = {};
      bool ok = true;
      for (int i = 0; i < 4; ++i)
        ok = ok && ParseInt(Trim(f[static_cast<std::size_t>(i)]), v[i]);
      if (!ok || !ParseLocation(f[5], location)) continue;
      try {
        const double when = ParseAnalyzerDate(f[4]);
        list.Add(FirstGenerationEntryName(v[0], v[1], v[2], v[3]), location, when);
      } catch (const Exception &) {
      }
    } else {
      const std::size_t q1 = line.find('"');
      const std::size_t q2 = q1 == std::string::npos ? q1 : line.find('"', q1 + 1);
      if (q2 == std::string::npos) continue;
      const std::string rest = line.substr(q2 + 1);
      const std::size_t c1 = rest.find(',');
      const std::size_t c2 = c1 == std::string::npos ? c1 : rest.find(',', c1 + 1);
      if (c2 == std::string::npos || !ParseLocation(rest.substr(c2 + 1), location)) continue;
      try {
        const double when = ParseAnalyzerDate(rest.substr(c1 + 1, c2 - c1 - 1));
        list.Add(line.substr(q1 + 1, q2 - q1 - 1), location, when);
      } catch (const Exception &) {
      }
    }
  }
  return list;
}

TmoxDirList ReadDirectory(TSAComm &comm, const TInstrumentIdentity &id, double now) {
  comm.ReplyLines.clear();
  std::vector<std::string> lines;
  {
    TPortGuard port(comm);
    switch (id.Kind) {
    case ikAnalyzer:
      comm.WakeAnalyzer();
      comm.ReadTraceDirectory();
      lines = comm.ReplyLines;
      break;
    case ikSiteMaster:
      for (int n = 1; n <= 40; ++n)
        lines.push_back(std::to_string(n) + ",Trace #" + std::to_string(n));
      break;
    case ikRtTester:
      comm.RtReadDirectory();
      for (int i = 1; i <= 12; ++i)
        if (comm.ReplyBytes[2 * static_cast<std::size_t>(i - 1)] == '1')
          lines.push_back(std::to_string(i) + ",Trace #" + std::to_string(i));
      break;
    }
  }
  comm.ReplyLines.clear();
  return BuildDirectoryList(id, std::move(lines), now);
}

std::string CheckReceiveSelection(int selected, TReceiveDestination dest, int activeDocTraces) {
  const bool toDocuments = dest != TReceiveDestination::Files;
  if (toDocuments && selected > kMaxSelectedForDocuments) return Format(kMsgTooManySelected, kMaxSelectedForDocuments);
  if (selected <= 0) return kMsgNoTraceSelected;
  if (!toDocuments || dest == TReceiveDestination::SeparateDocuments) return {};
  const int freeSlots = dest == TReceiveDestination::ActiveDocument ? kMaxTraces - activeDocTraces : kMaxTraces;
  return freeSlots >= selected ? std::string() : std::string(kMsgTooManyTraces);
}

std::string ReceivedTraceName(const TInstrumentIdentity &id, const TSelectedTrace &sel, TReceiveDestination dest) {
  std::string number = "Trace #" + std::to_string(sel.Location);
  switch (id.Kind) {
  case ikSiteMaster: return number;
  case ikRtTester:
    if (dest == TReceiveDestination::Files) return std::string(1, id.RtModelDigit) + number;
    return std::string("RT") + id.RtModelDigit + "00 " + number;
  default: return sel.Name;
  }
}

int FetchTraces(TSAComm &comm, const TInstrumentIdentity &identity, const std::vector<TSelectedTrace> &selection,
                const TFetchOptions &options, const TTraceSink &sink) {
  TInstrumentIdentity id = identity;
  comm.ReplyLines.clear();
  comm.QEModel = id.QEModel;
  TPortGuard port(comm);
  const int maximum = 2 * static_cast<int>(selection.size());
  int position = 0;
  if (options.Progress) options.Progress(0, maximum);
  switch (id.Kind) {
  case ikAnalyzer: comm.WakeAnalyzer(); break;
  case ikSiteMaster: comm.SiteMasterIdentify(); break;
  case ikRtTester:
    comm.RtReadStatus();
    id.RtModelDigit = static_cast<char>(comm.ReplyBytes[3]);
    break;
  }
  TReplyContext ctx;
  ctx.FirmwareDate = id.FirmwareDate;
  ctx.ReportsPointCount = id.QEModel;
  ctx.CurrentScaleUnit = options.CurrentScaleUnit;
  ctx.CurrentDistUnit = options.CurrentDistUnit;
  const int highest = HighestLocation(id.Kind);
  int failed = 0;
  int delivered = 0;
  if (options.Lines)
    comm.SetLineProgress([&](int lines) { options.Lines(lines, std::max(lines, comm.ExpectedReplyLines())); });
  auto fail = [&](const TSelectedTrace &sel, const std::string &message) {
    ++failed;
    if (options.TraceFailed)
      options.TraceFailed(sel, message);
    else if (options.Warning)
      options.Warning(message);
  };
  for (const TSelectedTrace &sel : selection) {
    if (comm.CancelRequested()) break;
    Step(options.Progress, position, maximum);
    comm.ReplyLines.clear();
    if (sel.Location < 1 || sel.Location > highest) {
      fail(sel, kMsgInvalidLocation);
      continue;
    }
    const std::string name = ReceivedTraceName(id, sel, options.Destination);
    auto doc = std::make_unique<TmoxDocument>();
    try {
      switch (id.Kind) {
      case ikAnalyzer:
        comm.WakeAnalyzer();
        try {
          comm.ReadTrace(sel.Location, id.FirmwareDate);
        } catch (const EmoxIOTimeOutErr &) {
          throw EmoxIOTimeOutErr(CutOffMessage(sel, name, static_cast<int>(comm.ReplyLines.size()),
                                               comm.ExpectedReplyLines(), "lines", delivered));
        }
        BuildFromAnalyzerReply(*doc, name, comm.ReplyLines, ctx);
        break;
      case ikSiteMaster: try { comm.SiteMasterReadTrace(sel.Location);
        } catch (const EmoxIOTimeOutErr &) {
          throw EmoxIOTimeOutErr(
              CutOffMessage(sel, name, comm.ReplyLength, 2 + static_cast<int>(kSmTraceLength), "bytes", delivered));
        }
        // Only the full block is a trace; the short answer means none is stored.
        if (comm.ReplyLength != 604) throw EmoxIONoTraceErr(kMsgNoTraceStored);
        BuildFromSiteMasterReply(*doc, name, comm.ReplyBytes.data(), static_cast<std::size_t>(comm.ReplyLength), ctx);
        // The instrument's own texts name the trace, in windows and in file names.
        if (TTraceData &t = doc->Doc.Traces[0]; t.Label.str().empty()) t.Label = t.Title.str().substr(0, 50);
        break;
      case ikRtTester: try { comm.RtReadTrace(sel.Location);
        } catch (const EmoxIOTimeOutErr &) {
          throw EmoxIOTimeOutErr(CutOffMessage(sel, name, comm.ReplyLength, kRtTraceBytes, "bytes", delivered));
        }
        BuildFromRtReply(*doc, name, comm.ReplyBytes.data(), static_cast<std::size_t>(comm.ReplyLength), ctx);
        break;
      }
    } catch (const EmoxIOError &e) {
      // Nothing at this location, or nothing usable (a damaged block, a
      // field that is no number, a failed check sum): the other locations
      // may hold good traces. A link that stopped answering ends the run.
      if (dynamic_cast<const EmoxIOTimeOutErr *>(&e) != nullptr ||
          dynamic_cast<const EmoxIODeviceErr *>(&e) != nullptr || dynamic_cast<const EmoxIOCancelled *>(&e) != nullptr)
        throw;
      fail(sel, e.Message());
      continue;
    }
    Step(options.Progress, position, maximum);
    sink(sel, std::move(doc));
    ++delivered;
  }
  comm.SetLineProgress({});
  if (id.Kind == ikSiteMaster)
    comm.SiteMasterRelease();
  else if (id.Kind == ikRtTester)
    comm.RtRelease();
  comm.ReplyLines.clear();
  return failed;
}

int DeleteTraces(TSAComm &comm, const TInstrumentIdentity &id, const std::vector<TSelectedTrace> &selection,
                 const TProgressFn &progress, const TWarningFn &warning) {
  // The current trace is the analyzer's sweep, not a stored location.
  const int highest = CanDelete(id.Kind) ? kCurrentTraceLocation - 1 : 0;
  int refused = 0;
  comm.ReplyLines.clear();
  TPortGuard port(comm);
  const int maximum = 2 * static_cast<int>(selection.size());
  int position = 0;
  if (progress) progress(0, maximum);
  if (id.Kind == ikAnalyzer) comm.WakeAnalyzer();
  for (const TSelectedTrace &sel : selection) {
    if (comm.CancelRequested()) break;
    Step(progress, position, maximum);
    comm.ReplyLines.clear();
    if (sel.Location < 1 || sel.Location > highest) {
      ++refused;
      if (warning) warning(kMsgInvalidLocation);
      continue;
    }
    comm.WakeAnalyzer();
    comm.DeleteStoredTrace(sel.Location);
    Step(progress, position, maximum);
  }
  return refused;
}

std::string ReceivedTraceBaseName(const TTraceData &trace, int location) {
  std::string base = StripNameChars(trace.Label.str());
  if (!base.empty()) return base.substr(0, 50);
  base = (trace.Model.str() + " SN ").substr(0, 14);
  base = (base + trace.SN.str()).substr(0, 45);
  base = (base + " buf ").substr(0, 50);
  base += std::to_string(location) + " " + NameDate(trace.DateTime);
  // Model and serial number come from the instrument: keep them out of the
  // path syntax, and an empty one must not leave a leading or doubled blank.
  return CollapseBlanks(StripNameChars(base));
}

std::string ReceivedTraceFolder(const std::string &root, int style, const TTraceData &trace) {
  std::string folder = root;
  if (!folder.empty() && folder.back() != '/') folder += '/';
  const std::string sn = "SN" + StripNameChars(trace.SN.str());
  switch (style) {
  case 1: return folder + FolderDate(trace.DateTime) + "/";
  case 2: return folder + sn + "/";
  case 3: return folder + sn + "/" + FolderDate(trace.DateTime) + "/";
  default: return folder;
  }
}

void ForceFolders(const std::string &folder) {
  namespace fs = std::filesystem;
  for (std::size_t slash = folder.find('/'); slash != std::string::npos; slash = folder.find('/', slash + 1)) {
    const std::string prefix = folder.substr(0, slash);
    if (prefix.empty()) continue;
    std::error_code ec;
    if (fs::is_directory(prefix, ec)) continue;
    fs::create_directory(prefix, ec);
    if (!fs::is_directory(prefix, ec)) throw EmoxFileCreateError(std::string(kMsgCreateFile) + prefix);
  }
}

std::string UniqueTracePath(const std::string &folder, const std::string &base,
                            const std::function<bool(const std::string &)> &isOpen) {
  std::string candidate = base;
  for (int n = 1;; ++n) {
    std::string path = folder + candidate + ".kdt";
    std::error_code ec;
    const bool taken = (isOpen && isOpen(candidate + ".kdt")) || std::filesystem::exists(path, ec);
    if (!taken) return path;
    if (n > 100000) throw EmoxFileCreateError(std::string(kMsgCreateFile) + path);
    candidate = base + "(" + std::to_string(n) + ")";
  }
}

std::string SaveReceivedTrace(TmoxDocument &doc, const std::string &root, int style, int location,
                              const std::function<bool(const std::string &)> &isOpen) {
  const TTraceData &t = doc.Doc.Traces[0];
  const std::string folder = ReceivedTraceFolder(root, style, t);
  ForceFolders(folder);
  std::string path = UniqueTracePath(folder, ReceivedTraceBaseName(t, location), isOpen);
  SaveDocument(doc, path, [] { return true; });
  return path;
}

} // namespace korv

namespace korv {

std::string RootFolderProblem(const std::string &root) {
  namespace fs = std::filesystem;
  const std::string shown = "The Root Folder \"" + root + "\" ";
  for (char c : root)
    if (static_cast<unsigned char>(c) < 0x20) return shown + "holds control characters.";
  if (root.empty() || root == "/") return shown + "cannot take received traces: give a folder.";
  std::error_code ec;
  fs::path p = fs::path(root).lexically_normal();
  if (!p.has_filename()) p = p.parent_path();
  if (p.empty()) p = fs::current_path(ec);
  // A missing Root Folder is made only inside a folder that exists: a
  // typed path on a stick that is not mounted must not become folders on
  // the system disk.
  if (!fs::exists(p, ec)) {
    const fs::path parent = p.has_parent_path() ? p.parent_path() : fs::current_path(ec);
    if (!fs::exists(parent, ec)) return shown + "cannot be used: it does not exist, nor does " + parent.string() + ".";
    p = parent;
  }
  if (!fs::is_directory(p, ec)) return shown + "cannot be used: " + p.string() + " is no folder.";
  if (::access(p.c_str(), W_OK | X_OK) != 0) return shown + "cannot be used: " + p.string() + " may not be written.";
  return {};
}

std::string TReceiveSummary::Text() const {
  std::string t = Format("Received %d of %d traces", Received, Selected);
  t += Folder.empty() ? std::string(".") : " into files under " + Folder + ".";
  if (Cancelled) t += "\r\nCancelled: the rest were not asked for.";
  if (!Failed.empty()) {
    t += "\r\nNot received:";
    for (const std::string &f : Failed)
      t += "\r\n" + f;
  }
  if (!Error.empty()) t += "\r\n" + Error;
  return t;
}

} // namespace korv
