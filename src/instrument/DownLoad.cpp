#include "instrument/DownLoad.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <numbers>

#include "core/Crc16.h"
#include "core/DateTime.h"
#include "core/ErrorText.h"
#include "core/Excption.h"
#include "core/TextUtil.h"
#include "formats/DocumentIO.h"
#include "instrument/Protocol.h"
#include "instrument/UpLoad.h"
#include "measure/Convert.h"

namespace korv {

namespace {

bool Contains(const std::string &s, std::string_view part) { return s.find(part) != std::string::npos; }

double CalendarDate(int y, int m, int d) { return EncodeDateTime(TCivilTime{y, m, d, 0, 0, 0}); }

// Closes the link on every way out of an operation.
class TLinkGuard {
public:
  explicit TLinkGuard(TSAComm &comm) : m_comm(comm) { m_comm.Open(); }
  ~TLinkGuard() {
    try {
      m_comm.Close();
    } catch (...) { // NOLINT(bugprone-empty-catch): a failing close must not mask the error in flight
    }
  }
  TLinkGuard(const TLinkGuard &) = delete;
  TLinkGuard &operator=(const TLinkGuard &) = delete;

private:
  TSAComm &m_comm;
};

std::string Int(double v) { return std::to_string(std::llround(v)); }

std::string Quoted(const std::string &s) { return "\"" + s + "\""; }

// Frequencies the compatibility rules look at, in MHz.
struct TBand {
  double F0 = 0.0;
  double F237 = 0.0;
  double FLast = 0.0;
};

TBand BandOf(const TTraceData &t) {
  const std::size_t n = std::min(t.Freq.size(), static_cast<std::size_t>(std::max(t.NumPoints, 0)));
  if (n == 0) throw EmoxIOCompatibilityError(kMsgNotCompatible);
  TBand b;
  b.F0 = t.Freq[0];
  b.FLast = t.Freq[n - 1];
  // A trace shorter than the analyzer's 238 points is judged by its last one.
  b.F237 = t.Freq[std::min<std::size_t>(237, n - 1)];
  return b;
}

// A kHz of tolerance; the extra Hz absorbs the rounding of frequencies
// rebuilt from a stored start and step, so a band edge reads as its edge.
constexpr double kBandTolerance = 0.001 + 1e-6;
bool AtLeast(double f, double bound) { return f >= bound - kBandTolerance; }
bool AtMost(double f, double bound) { return f <= bound + kBandTolerance; }

bool Compatible(const TAnalyzerTarget &target, const TBand &b) {
  const std::string &m = target.Model;
  const int gen = target.Generation();
  if (gen < 3) {
    if (m == "LX-3200") return AtLeast(b.F0, 806) && AtMost(b.F237, 2000);
    if (m == "LX-3200A") return AtLeast(b.F0, 806) && AtMost(b.F237, 2300);
    if (m == "LX-3250A") return AtLeast(b.F0, 780) && AtMost(b.F237, 2500);
    return false;
  }
  if (target.QEModel) {
    // QE analyzers sweep any point count: their last point bounds the band.
    if (!AtLeast(b.F0, 25) || !AtMost(b.FLast, 6000)) return false;
    if (m.compare(0, 9, "LX-3100QE") == 0) return AtMost(b.FLast, 1700);
    if (m == "LX-3250QE") return AtLeast(b.F0, 780) && AtMost(b.FLast, 2500);
    if (m == "LX-3400QE") return AtMost(b.FLast, 4000);
    return m == "LX-3600QE";
  }
  if (!AtLeast(b.F0, 25) || !AtMost(b.F237, 4000)) return false;
  if (m.compare(0, 7, "LX-3100") == 0) return AtMost(b.F237, 1700);
  if (m == "LX-3250A") return AtLeast(b.F0, 780) && AtMost(b.F237, 2500);
  if (m == "LX-3200A") return AtLeast(b.F0, 806) && AtMost(b.F237, 2300);
  if (m == "LX-3200") return AtLeast(b.F0, 806) && AtMost(b.F237, 2000);
  return m == "LX-3400";
}

// The linear reflection coefficient of a magnitude held in unit, x 100000.
std::string Reflection(double mag, std::uint8_t unit) {
  double rho = mag;
  ConvertValue(rho, unit, suRho);
  return Int(rho * 100000.0);
}

double Radians(double degrees) { return degrees * std::numbers::pi / 180.0; }

std::string LimitValue(double value) { return value > 10000.0 ? ",0" : "," + Int(value * 1000.0); }

double VelocityFactor(const TTraceData &t) {
  return t.Dielectric > 0.0F ? 1.0 / std::sqrt(static_cast<double>(t.Dielectric)) : 1.0;
}

std::string OldMarkerLine(const TMarkerSet &s) {
  int flags = 0;
  if (s[0].Visible != 0) flags += 1;
  if (s[1].Visible != 0) flags += 2;
  if (s[0].DeltaOn) flags += 4;
  return std::to_string(std::max(0, s[0].Point)) + "," + std::to_string(std::max(0, s[1].Point)) + "," +
         std::to_string(flags);
}

// Six (position, code) pairs: code bits 0-1 shown (1 for the first shown
// slot, 2 for later ones), bit 2 the line style, bits 3-5 the delta
// reference or 7 for no delta.
std::string SixSlotMarkerLine(const TMarkerSet &s) {
  std::string out;
  bool shownBefore = false;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const TMarkerSlot &m = s[i];
    int code = 0;
    if (m.Visible != 0) {
      code += shownBefore ? 2 : 1;
      shownBefore = true;
    }
    if (m.Style == 1) code += 4;
    code += 8 * (m.DeltaOn ? std::clamp(m.Reference, 0, 6) : 7);
    if (i > 0) out += ",";
    out += std::to_string(std::max(0, m.Point)) + "," + std::to_string(code);
  }
  return out;
}

std::size_t PointCount(const TTraceData &t) {
  return std::min({t.Freq.size(), t.Mag.size(), t.Angle.size(), static_cast<std::size_t>(std::max(t.NumPoints, 0))});
}

std::vector<std::string> EncodeGeneration1(const TTraceDoc &D, const TTraceData &t, int dielectricFormat) {
  std::vector<std::string> L;
  L.push_back(std::to_string(t.SiteNumber) + "," + std::to_string(t.Sector) + "," + std::to_string(t.AntennaKind) +
              "," + std::to_string(t.AntennaNumber) + "," + EncodePackedTime(t.DateTime) + ",0");
  L.push_back(std::to_string(t.CalState) + ",0");
  for (const TMarkerSet *set : {&t.FreqMarks, &t.DistMarks}) {
    const TMarkerSet &s = *set;
    L.push_back(std::to_string(s[0].Visible));
    L.push_back(std::to_string(std::max(0, s[0].Point)) + ",0");
    L.push_back(std::to_string(s[1].Visible) + ",0");
    L.push_back(std::to_string(std::max(0, s[1].Point)) + ",0");
  }
  L.push_back(std::to_string(D.FreqLimitMode) + LimitValue(D.FreqLimitValue));
  L.push_back(std::to_string(D.DistLimitMode) + LimitValue(D.DistLimitValue));
  const double cable = dielectricFormat != 0 ? VelocityFactor(t) : static_cast<double>(t.Dielectric);
  L.push_back(Int(t.Loss * 1000.0) + "," + Int(cable * 10000.0));
  switch (D.ScaleUnit) {
  case suVSWR: L.emplace_back("0"); break;
  case suCableLoss: L.emplace_back("2"); break;
  default: L.emplace_back("1"); break;
  }
  L.push_back(Int(t.StartDist * 100.0) + "," + Int(t.StopDist * 100.0));
  const bool distance = D.PlotMode == pmDistance;
  L.push_back(distance ? std::to_string(D.DistUnit + 1) : std::string("0"));
  L.emplace_back(distance ? "1" : "0");
  const std::size_t n = PointCount(t);
  for (std::size_t k = 0; k < n; ++k)
    L.push_back(Int(t.Freq[k] * 100.0) + "," + Reflection(t.Mag[k], D.ScaleUnit) + "," +
                Int((Radians(t.Angle[k]) + std::numbers::pi) * 1000.0));
  L.emplace_back();
  return L;
}

// Lines 1 to 10, shared by the second and third generations.
void EncodeCommonHeader(std::vector<std::string> &L, const TTraceDoc &D, const TTraceData &t) {
  L.push_back(Quoted(t.Label.str()));
  L.push_back(EncodePackedTime(t.DateTime));
  // A setup never dated (0) goes out with the sweep's own date.
  L.push_back(std::to_string(t.CalState) + "," + Quoted(t.SetupName.str()) + "," + std::to_string(t.SetupVCOTemp) +
              "," + EncodePackedTime(t.SetupDateTime != 0.0 ? t.SetupDateTime : t.DateTime));
  L.emplace_back(D.PlotMode == pmDistance ? "1" : "0");
  switch (D.ScaleUnit) {
  case suReturnLoss: L.emplace_back("1,-30000,0"); break;
  case suCableLoss: L.emplace_back("2,-30000,0"); break;
  default: L.emplace_back("0,500,49995"); break;
  }
  L.push_back(std::to_string(t.VCOTemp));
  const std::size_t n = PointCount(t);
  L.push_back(Int(t.Freq[0] * 100.0) + "," + Int(t.Freq[n - 1] * 100.0));
  L.push_back(std::to_string(D.DistUnit + 1) + "," + Int(t.StartDist * 100.0) + "," + Int(t.StopDist * 100.0));
  L.push_back(std::to_string(t.Smoothing));
  L.push_back(Quoted(t.CableType.str()) + "," + Int(VelocityFactor(t) * 10000.0) + "," + Int(t.Loss * 1000.0));
}

void EncodeLimitLines(std::vector<std::string> &L, const TTraceDoc &D) {
  L.push_back(std::string(D.FreqLimitMode != 0 ? "2" : "0") + LimitValue(D.FreqLimitValue));
  L.push_back(std::string(D.DistLimitMode != 0 ? "2" : "0") + LimitValue(D.DistLimitValue));
}

std::vector<std::string> EncodeGeneration2(const TTraceDoc &D, const TTraceData &t) {
  std::vector<std::string> L;
  EncodeCommonHeader(L, D, t);
  L.push_back(OldMarkerLine(t.FreqMarks));
  L.push_back(OldMarkerLine(t.DistMarks));
  EncodeLimitLines(L, D);
  const std::size_t n = PointCount(t);
  for (std::size_t k = 0; k < n; ++k)
    L.push_back(Reflection(t.Mag[k], D.ScaleUnit) + "," + Int((Radians(t.Angle[k]) + std::numbers::pi) * 1000.0));
  return L;
}

std::vector<std::string> EncodeGeneration3(const TTraceDoc &D, const TTraceData &t, const TAnalyzerTarget &target) {
  std::vector<std::string> L;
  EncodeCommonHeader(L, D, t);
  const bool sixSlots = target.FirmwareDate >= FirmwareSixSlotMarkers();
  L.push_back(sixSlots ? SixSlotMarkerLine(t.FreqMarks) : OldMarkerLine(t.FreqMarks));
  L.push_back(sixSlots ? SixSlotMarkerLine(t.DistMarks) : OldMarkerLine(t.DistMarks));
  EncodeLimitLines(L, D);
  L.emplace_back(t.FMOnOff != 0 ? "1" : "0");
  L.push_back(Quoted(t.Model.str()) + "," + Quoted(t.SN.str()) + "," + Quoted(t.Revision.str()));
  const std::size_t n = PointCount(t);
  if (target.QEModel) L.push_back(std::to_string(n));
  for (std::size_t k = 0; k < n; ++k)
    L.push_back(Reflection(t.Mag[k], D.ScaleUnit) + "," + Int(Radians(t.Angle[k]) * 1000.0));
  // The check covers the text from the label's opening quote on, each line
  // ended by CR LF.
  std::string text;
  for (const auto &l : L)
    text += l + "\r\n";
  const std::size_t q = text.find('"');
  const std::string_view covered = q == std::string::npos ? std::string_view() : std::string_view(text).substr(q);
  const std::uint16_t crc = Crc16(reinterpret_cast<const std::uint8_t *>(covered.data()), covered.size());
  L.push_back(std::string{static_cast<char>(crc >> 8), static_cast<char>(crc & 0xFF)});
  return L;
}

// Takes bytes until one of want arrives; returns it.
char AwaitAny(TSAComm &comm, std::string_view want, int deadlineMs) {
  const std::string text = comm.WaitForAny(want, deadlineMs);
  return text.back();
}

} // namespace

TAnalyzerTarget TargetFromModelLine(const std::string &modelLine) {
  bool analyzer = false;
  for (const char *m : {"LX-3200", "LX-3250", "LX-3400", "LX-3100", "LX-3600", "Site"})
    analyzer = analyzer || Contains(modelLine, m);
  if (!analyzer) throw EmoxIODeviceErr(kMsgNoAnalyzerDetected);
  TAnalyzerTarget t;
  const std::size_t c1 = modelLine.find(',');
  t.Model = modelLine.substr(0, c1);
  const std::size_t c2 = c1 == std::string::npos ? std::string::npos : modelLine.find(',', c1 + 1);
  if (c2 == std::string::npos) throw EmoxIODeviceErr(kMsgNoAnalyzerDetected);
  t.Version = modelLine.substr(c1 + 1, c2 - c1 - 1);
  t.FirmwareText = modelLine.substr(c2 + 1, 7);
  try {
    t.FirmwareDate = ParseAnalyzerDate(t.FirmwareText);
  } catch (const Exception &) {
    // Encodings and capacity hang on the date: never guess it.
    throw EmoxIODeviceErr(kMsgNoAnalyzerDetected);
  }
  t.QEModel = Contains(modelLine, "QE");
  return t;
}

TAnalyzerTarget IdentifyAnalyzer(TSAComm &comm) {
  comm.ReplyLines.clear();
  comm.QEModel = false;
  std::string model;
  std::vector<std::string> directory;
  bool listed = false;
  {
    TLinkGuard link(comm);
    try {
      comm.WakeAnalyzer();
      model = comm.ReadStatus();
    } catch (const EmoxIOTimeOutErr &) {
      comm.ReplyLines.clear();
      model.clear();
    }
    if (!model.empty()) {
      // The room left is the capacity less what is stored; a directory that
      // cannot be read leaves it unknown, as the capacity alone says.
      try {
        comm.WakeAnalyzer();
        comm.ReadTraceDirectory();
        directory = comm.ReplyLines;
        listed = true;
      } catch (const EmoxIOTimeOutErr &) {
      } catch (const EmoxIOTraceFormatErr &) { // NOLINT(bugprone-empty-catch): a babbling directory is as good as none
      }
    }
  }
  comm.ReplyLines.clear();
  TAnalyzerTarget target;
  try {
    target = TargetFromModelLine(model);
  } catch (const EmoxIODeviceErr &e) {
    throw EmoxIODeviceErr(e.Message() + "\r\n" + Format(kMsgNoAnswerOn, comm.Link().Name().c_str()));
  }
  if (listed) {
    TInstrumentIdentity id;
    id.Kind = ikAnalyzer;
    id.FirmwareDate = target.FirmwareDate;
    const TmoxDirList list = BuildDirectoryList(id, std::move(directory), 0.0);
    target.Used = 0;
    for (int i = 0; i < list.Count(); ++i) {
      if (list.Number(i) == kCurrentTraceLocation) continue;
      target.Stored.push_back({list.Number(i), list.Text(i), list.Time(i)});
      ++target.Used;
    }
  }
  return target;
}

TAnalyzerTarget ReadAnalyzerStatus(TSAComm &comm) {
  comm.ReplyLines.clear();
  std::string model;
  {
    TLinkGuard link(comm);
    try {
      comm.WakeAnalyzer();
      model = comm.ReadStatus();
    } catch (const EmoxIOTimeOutErr &) {
      model.clear();
    }
  }
  comm.ReplyLines.clear();
  try {
    return TargetFromModelLine(model);
  } catch (const EmoxIODeviceErr &e) {
    throw EmoxIODeviceErr(e.Message() + "\r\n" + Format(kMsgNoAnswerOn, comm.Link().Name().c_str()));
  }
}

int AnalyzerCapacity(const TAnalyzerTarget &target) {
  if (std::floor(target.FirmwareDate) < CalendarDate(2001, 12, 18)) return 60;
  if (target.Model == "LX-3200" || target.Model == "LX-3200A") return 120;
  if (target.Model == "LX-3100") return 250;
  return 300;
}

int FreeLocations(const TAnalyzerTarget &target) {
  const int capacity = AnalyzerCapacity(target);
  return target.Used < 0 ? capacity : std::max(0, capacity - target.Used);
}

std::string CheckAnalyzerCapacity(const TAnalyzerTarget &target, int count) {
  const int capacity = AnalyzerCapacity(target);
  if (count > capacity) return Format(kMsgAnalyzerFull, capacity);
  if (count > FreeLocations(target))
    return Format(kMsgAnalyzerRoom, FreeLocations(target), target.Used, capacity, count);
  return {};
}

void CheckTraceCompatibility(const TAnalyzerTarget &target, const TTraceData &trace) {
  const TBand band = BandOf(trace);
  if (Compatible(target, band)) return;
  const std::string name = SendTraceDescription(trace);
  const double last = target.Generation() == 3 && target.QEModel ? band.FLast : band.F237;
  throw EmoxIOCompatibilityError(std::string(kMsgNotCompatible) + "\r\n" +
                                 Format(kMsgNotCompatibleWhy, name.c_str(), Format("%.3f", band.F0).c_str(),
                                        Format("%.3f", last).c_str(), target.Model.c_str(),
                                        target.FirmwareText.c_str()));
}

std::vector<TAlreadyStored> FindAlreadyStored(const TAnalyzerTarget &target, const std::vector<TSendTrace> &selection) {
  std::vector<TAlreadyStored> out;
  // The analyzer keeps a trace's time to the minute.
  auto minute = [](double when) { return static_cast<long long>(std::floor(when * 1440.0 + 1e-6)); };
  for (std::size_t i = 0; i < selection.size(); ++i) {
    const TSendTrace &s = selection[i];
    if (s.Doc == nullptr || s.Trace < 0 || s.Trace >= s.Doc->Doc.TraceCount()) continue;
    const TTraceData &t = s.Doc->Doc.Traces[s.Trace];
    const std::string name = target.Generation() == 1
                                 ? FirstGenerationEntryName(t.SiteNumber, t.Sector, t.AntennaKind, t.AntennaNumber)
                                 : t.Label.str();
    for (const TStoredTrace &st : target.Stored)
      if (st.Name == name && minute(st.Date) == minute(t.DateTime)) {
        out.push_back({i, st.Location, SendTraceDescription(t)});
        break;
      }
  }
  return out;
}

std::string AlreadyStoredText(const std::vector<TAlreadyStored> &found) {
  std::string text = kMsgAlreadyStored;
  for (const TAlreadyStored &a : found)
    text += "\r\n\"" + a.Name + "\" (location " + std::to_string(a.Location) + ")";
  return text;
}

std::vector<std::string> EncodeTraceForAnalyzer(const TmoxDocument &doc, int traceIndex, const TAnalyzerTarget &target,
                                                int dielectricFormat) {
  if (traceIndex < 0 || traceIndex >= doc.Doc.TraceCount()) throw EmoxIOCompatibilityError(kMsgNotCompatible);
  const TTraceData &t = doc.Doc.Traces[traceIndex];
  CheckTraceCompatibility(target, t);
  switch (target.Generation()) {
  case 1: return EncodeGeneration1(doc.Doc, t, dielectricFormat);
  case 2: return EncodeGeneration2(doc.Doc, t);
  default: return EncodeGeneration3(doc.Doc, t, target);
  }
}

std::vector<std::vector<std::string>> EncodeSelection(const TAnalyzerTarget &target,
                                                      const std::vector<TSendTrace> &selection, int dielectricFormat) {
  if (const std::string m = CheckAnalyzerCapacity(target, static_cast<int>(selection.size())); !m.empty())
    throw EmoxTooManyTracesError(m);
  std::vector<std::vector<std::string>> out;
  out.reserve(selection.size());
  for (const TSendTrace &s : selection) {
    if (s.Doc == nullptr) throw EmoxIOCompatibilityError(kMsgNotCompatible);
    out.push_back(EncodeTraceForAnalyzer(*s.Doc, s.Trace, target, dielectricFormat));
  }
  return out;
}

void SendTraceLines(TSAComm &comm, const std::vector<std::string> &lines,
                    const std::function<void(int, int)> &lineProgress) {
  const int last = std::max(0, static_cast<int>(lines.size()) - 1);
  if (lineProgress) lineProgress(0, last);
  comm.SendCommand("TD\r");
  if (AwaitAny(comm, ":?", kTdAnswerMs) == '?') throw EmoxIODeviceErr(kMsgSaveBuffersFull);
  // Every line goes out, the closing one included: the analyzer takes the
  // first generation's empty line and the third's check line as they are.
  for (std::size_t i = 0; i < lines.size(); ++i) {
    comm.SendCommand(lines[i] + "\r");
    if (lineProgress) lineProgress(static_cast<int>(i), last);
    comm.WaitForTail("\r\n:", kTdLineMs);
  }
  comm.SendCommand("00\r");
  if (lineProgress) lineProgress(last, last);
  AwaitAny(comm, ">", kTdEndMs);
}

int SendEncodedTraces(TSAComm &comm, const std::vector<std::vector<std::string>> &traces,
                      const TSendProgress &progress) {
  TLinkGuard link(comm);
  const int count = static_cast<int>(traces.size());
  int sent = 0;
  for (const auto &lines : traces) {
    if (progress.Cancel != nullptr && progress.Cancel->load()) break;
    if (progress.Trace) progress.Trace(sent + 1, count);
    SendTraceLines(comm, lines, progress.Line);
    ++sent;
    if (progress.Stored) progress.Stored(sent);
  }
  return sent;
}

int TSendSummary::Count(TState state) const {
  return static_cast<int>(
      std::count_if(Items.begin(), Items.end(), [state](const TItem &i) { return i.State == state; }));
}

void TSendSummary::Finish(const std::vector<std::size_t> &order, int stored, const std::string &error, bool cancelled) {
  Cancelled = cancelled && error.empty();
  // The analyzer's messages break lines; a summary line holds one reason.
  std::string reason = error;
  for (char &c : reason)
    if (c == '\r' || c == '\n') c = ' ';
  std::string collapsed;
  for (char c : reason)
    if (c != ' ' || collapsed.empty() || collapsed.back() != ' ') collapsed += c;
  int n = 0;
  bool failed = false;
  for (std::size_t i : order) {
    if (i >= Items.size() || Items[i].State != TState::Waiting) continue;
    TItem &item = Items[i];
    if (n++ < stored) {
      item.State = TState::Sent;
    } else if (!error.empty() && !failed) {
      failed = true;
      item.State = TState::Failed;
      item.Why = collapsed;
    } else {
      item.State = TState::Failed;
      item.Why = error.empty() ? (cancelled ? "not sent: cancelled" : "not sent") : "not sent after that";
    }
  }
}

std::string TSendSummary::Text() const {
  const int total = static_cast<int>(Items.size());
  std::string t = Format(Cancelled ? "Cancelled: %d of %d traces were sent." : "%d of %d traces were sent.",
                         Count(TState::Sent), total);
  for (TState state : {TState::Skipped, TState::Failed}) {
    if (Count(state) == 0) continue;
    t += state == TState::Skipped ? "\r\nSkipped:" : "\r\nNot sent:";
    for (const TItem &i : Items)
      if (i.State == state) t += "\r\n\"" + i.Name + "\": " + i.Why;
  }
  return t;
}

std::string SendTraceDescription(const TTraceData &trace) {
  if (!trace.Label.str().empty()) return trace.Label.str();
  TTraceData copy = trace;
  ApplySiteLabel(copy);
  return copy.Label.str();
}

std::vector<TSendCandidate> CandidatesFromDocuments(const std::vector<const TmoxDocument *> &documents) {
  std::vector<TSendCandidate> out;
  for (std::size_t d = 0; d < documents.size(); ++d) {
    if (documents[d] == nullptr) continue;
    const TTraceDoc &D = documents[d]->Doc;
    for (int i = 0; i < D.TraceCount(); ++i) {
      if (out.size() >= static_cast<std::size_t>(kMaxSendCandidates)) return out;
      const TTraceData &t = D.Traces[i];
      out.push_back(TSendCandidate{static_cast<int>(d), {}, i, t.DateTime, SendTraceDescription(t)});
    }
  }
  return out;
}

std::vector<TSendCandidate>
CandidatesFromFolder(const std::string &folder,
                     const std::function<void(const std::string &, const std::string &)> &skipped,
                     const std::atomic<bool> *cancel) {
  namespace fs = std::filesystem;
  std::vector<std::string> files;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const fs::path &p = it->path();
    std::string ext = p.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    std::error_code typeError;
    if (ext == ".kdt" && it->is_regular_file(typeError)) files.push_back(p.string());
  }
  std::sort(files.begin(), files.end());
  std::vector<TSendCandidate> out;
  for (const std::string &f : files) {
    if (cancel != nullptr && cancel->load()) break;
    std::unique_ptr<TmoxDocument> doc;
    try {
      doc = OpenDocument(f).Document;
    } catch (...) {
      if (skipped) {
        const TFailureReport r = DescribeOpenFailure(std::current_exception(), f);
        skipped(f, r.Message.empty() ? r.Summary : r.Message);
      }
      continue;
    }
    for (int i = 0; doc && i < doc->Doc.TraceCount(); ++i) {
      if (out.size() >= static_cast<std::size_t>(kMaxSendCandidates)) return out;
      const TTraceData &t = doc->Doc.Traces[i];
      out.push_back(TSendCandidate{0, f, i, t.DateTime, SendTraceDescription(t)});
    }
  }
  return out;
}

} // namespace korv
