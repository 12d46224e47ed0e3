#include "measure/DTFOptns.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <memory>

#include "core/Excption.h"
#include "core/FileIO.h"
#include "core/TextUtil.h"
#include "measure/Convert.h"

namespace korv {

namespace {

constexpr const char *kCustom = "Custom";
// A cable list is a few kilobytes; anything far larger is not one.
constexpr std::size_t kMaxCableListBytes = 1 << 20;

std::string Tail(const std::string &line, std::size_t from) { return line.size() > from ? line.substr(from) : ""; }

bool OnlyBlank(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; });
}

// Shortest text that reads back as the same value.
std::string ShortText(double v) {
  char buf[64];
  auto [p, ec] = std::to_chars(buf, buf + sizeof buf, v);
  return ec == std::errc() ? std::string(buf, p) : std::string("0");
}
std::string ShortText(float v) {
  char buf[64];
  auto [p, ec] = std::to_chars(buf, buf + sizeof buf, v);
  return ec == std::errc() ? std::string(buf, p) : std::string("0");
}

std::string FileErrorText(int err) {
  switch (err) {
  case ENOENT:
  case ENOTDIR: return "File not found:\r";
  case ENAMETOOLONG:
  case EINVAL: return "Invalid file name:\r";
  case EMFILE:
  case ENFILE: return "Too many open files:\r";
  case EACCES:
  case EPERM:
  case EISDIR: return "Access denied:\r";
  case ENOSPC: return "Disk full:\r";
  default: return {};
  }
}

struct FileCloser {
  void operator()(std::FILE *f) const { std::fclose(f); }
};

} // namespace

std::vector<TCableEntry> ParseCableList(std::string_view text) {
  std::vector<TCableEntry> cables;
  // Editors on the desktop may start the file with a UTF-8 byte order mark.
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  const auto *bytes = reinterpret_cast<const std::uint8_t *>(text.data());
  TTextFile file(bytes, text.size());
  while (!file.Eof()) {
    if (OnlyBlank(text.substr(file.Position()))) break;
    const std::string nameLine = file.ReadLineOrEmpty();
    const std::string dielectricLine = file.ReadLineOrEmpty();
    const std::string lossLine = file.ReadLineOrEmpty();
    (void)file.ReadLineOrEmpty(); // separator
    TCableEntry c;
    c.Name = nameLine.size() >= 2 ? nameLine.substr(1, nameLine.size() - 2) : std::string();
    c.DielectricText = Tail(dielectricLine, 19);
    c.LossText = Tail(lossLine, 14);
    double dielectric = 0.0;
    if (!ParseDouble(c.LossText.str(), c.Loss) || !ParseDouble(c.DielectricText.str(), dielectric) ||
        !(dielectric > 0.0))
      throw EmoxInvalidFileError(kMsgInvalidCableList);
    cables.push_back(std::move(c));
  }
  return cables;
}

TCableListLoad LoadCableList(const std::string &path) {
  TCableListLoad result;
  errno = 0;
  std::unique_ptr<std::FILE, FileCloser> f(std::fopen(path.c_str(), "rb"));
  std::string text;
  int err = f ? 0 : errno;
  if (f) {
    char buf[4096];
    std::size_t got;
    while ((got = std::fread(buf, 1, sizeof buf, f.get())) > 0) {
      text.append(buf, got);
      if (text.size() > kMaxCableListBytes) break;
    }
    if (std::ferror(f.get())) err = errno != 0 ? errno : EIO;
  }
  if (err != 0) {
    const std::string msg = FileErrorText(err);
    if (!msg.empty()) result.Error = msg + path;
    return result;
  }
  try {
    if (text.size() > kMaxCableListBytes) throw EmoxInvalidFileError(kMsgInvalidCableList);
    result.Cables = ParseCableList(text);
  } catch (const EmoxInvalidFileError &) {
    result.Cables.clear();
    result.Error = std::string(kMsgInvalidCableList) + path;
    result.ClearPath = true;
  }
  return result;
}

std::string CableListText(const std::vector<TCableEntry> &cables) {
  std::string out;
  for (const auto &c : cables) {
    out += "\"" + c.Name.str() + "\"\r\n";
    out += "Dielectric Const:  " + c.DielectricText.str() + "\r\n";
    out += "Loss (dB/m):  " + c.LossText.str() + "\r\n";
    out += "------------------------------\r\n";
  }
  return out;
}

// ---------------------------------------------------------------------------

TDtfParameterEditor::TDtfParameterEditor(std::vector<TCableEntry> cables, bool velocityFormat)
    : m_cables(std::move(cables)), m_velocity(velocityFormat) {
  ShowCustomDefaults();
}

void TDtfParameterEditor::SetCableList(std::vector<TCableEntry> cables) {
  m_cables = std::move(cables);
  ShowCustomDefaults();
}

void TDtfParameterEditor::ShowCustomDefaults() {
  m_cableText = kCustom;
  m_selected = -1;
  m_dielectric = m_velocity ? 0.88 : 1.29;
  m_loss = 0.035;
}

void TDtfParameterEditor::Open(const TTraceArray &traces, int traceIndex, int distUnit) {
  if (traceIndex < 0 || traceIndex > traces.Count()) throw Exception("Invalid trace index.");
  m_traceIndex = traceIndex;
  m_distUnit = distUnit == duFeet ? duFeet : duMeters;
  m_entries.clear();
  m_numPoints.clear();
  if (traceIndex != 0) {
    m_entries.push_back(GetDistanceParams(traces[traceIndex - 1]));
    m_numPoints.push_back(traces[traceIndex - 1].NumPoints);
  } else {
    for (int i = 0; i < traces.Count(); ++i) {
      m_entries.push_back(GetDistanceParams(traces[i]));
      m_numPoints.push_back(traces[i].NumPoints);
    }
  }
  m_entry = 0;
  m_shownTrace = traceIndex != 0 ? traceIndex : 1;
  m_focus = TDtfField::None;
  m_changed = false;
  if (!m_entries.empty())
    ShowEntry();
  else
    ApplyButtonRule();
}

std::string TDtfParameterEditor::Caption() const {
  return "Specify Distance Parameters for Trace #" + std::to_string(m_shownTrace);
}
std::string TDtfParameterEditor::DielectricLabel() const {
  return m_velocity ? "Velocity of Propogation" : "Dielectric Constant";
}
std::string TDtfParameterEditor::LossLabel() const {
  return m_distUnit == duFeet ? "Loss (dB/Foot)" : "Loss (dB/Meter)";
}
std::string TDtfParameterEditor::MaxDistLabel() const {
  return m_distUnit == duFeet ? "Maximum Distance (Feet)" : "Maximum Distance (Meters)";
}
std::string TDtfParameterEditor::StartDistLabel() const {
  return m_distUnit == duFeet ? "Start Distance (Feet)" : "Start Distance (Meters)";
}
std::string TDtfParameterEditor::StopDistLabel() const {
  return m_distUnit == duFeet ? "Stop Distance (Feet)" : "Stop Distance (Meters)";
}

const TDistanceParams &TDtfParameterEditor::Entry(int index) const {
  if (index < 0 || index >= EntryCount()) throw Exception("Invalid trace index.");
  return m_entries[static_cast<std::size_t>(index)];
}

TDistanceParams &TDtfParameterEditor::Current() { return m_entries[static_cast<std::size_t>(m_entry)]; }

void TDtfParameterEditor::ApplyButtonRule() {
  const int last = EntryCount() - 1;
  if (m_applyToAll) {
    m_prevEnabled = false;
    m_nextEnabled = false;
    m_finishEnabled = true;
  } else {
    m_prevEnabled = m_entry > 0;
    m_nextEnabled = m_entry < last;
    m_finishEnabled = m_entry >= last;
  }
}

int TDtfParameterEditor::FindCable(std::string_view name) const {
  for (std::size_t i = 0; i < m_cables.size(); ++i)
    if (m_cables[i].Name == name) return static_cast<int>(i);
  return -1;
}

int TDtfParameterEditor::InsertCable(const TDistanceParams &e) {
  TCableEntry c;
  c.Name = e.CableType.str();
  c.DielectricText = ShortText(e.Dielectric);
  // The list keeps dB per metre.
  const double lossPerMetre = m_distUnit == duFeet ? e.Loss * kFeetPerMetre : static_cast<double>(e.Loss);
  c.LossText = ShortText(lossPerMetre);
  double parsed = 0.0;
  c.Loss = ParseDouble(c.LossText.str(), parsed) ? parsed : lossPerMetre;
  auto it =
      std::find_if(m_cables.begin(), m_cables.end(), [&](const TCableEntry &x) { return x.Name.str() > c.Name.str(); });
  if (it == m_cables.end() || it == m_cables.begin()) {
    m_cables.push_back(std::move(c));
    return static_cast<int>(m_cables.size()) - 1;
  }
  const auto pos = it - m_cables.begin();
  m_cables.insert(it, std::move(c));
  return static_cast<int>(pos);
}

double TDtfParameterEditor::FieldFromDielectric(double dielectric) const {
  if (!(dielectric > 0.0) || !std::isfinite(dielectric)) return m_velocity ? 0.88 : 1.29;
  return m_velocity ? 1.0 / std::sqrt(dielectric) : dielectric;
}

double TDtfParameterEditor::DielectricFromField() const {
  const double v = m_dielectric;
  if (!(v > 0.0)) return 1.0;
  return m_velocity ? 1.0 / (v * v) : v;
}

void TDtfParameterEditor::ShowEntry() {
  ApplyButtonRule();
  TDistanceParams &e = Current();
  const int listed = FindCable(e.CableType.str());
  if (listed >= 0 && !(e.Dielectric < 0.0F && e.Loss < 0.0F)) {
    // The trace keeps the values it was measured with; the list's values
    // for that name apply only when the user picks the cable.
    m_selected = listed;
    m_cableText = m_cables[static_cast<std::size_t>(listed)].Name.str();
    m_loss = e.Loss;
    m_dielectric = FieldFromDielectric(e.Dielectric);
    ComputeMaxDist();
    ApplyDistanceLimits();
  } else if (listed >= 0) {
    PickCable(listed);
  } else if (e.Dielectric < 0.0F && e.Loss < 0.0F) {
    // Never set: start from the first cable and the whole range.
    if (!m_cables.empty()) {
      PickCable(0);
    } else {
      ShowCustomDefaults();
      TakeOverFields();
    }
    e.StartDist = 0.0F;
    e.StopDist = e.MaxDist;
  } else if (!e.CableType.empty() && e.CableType.str() != kCustom) {
    // A cable that came with a file joins the list for this session. "Custom"
    // is no cable: listing it would hand one trace's values to the next.
    PickCable(InsertCable(e));
  } else {
    m_cableText = kCustom;
    m_selected = -1;
    e.CableType = kCustom;
    m_loss = e.Loss;
    m_dielectric = FieldFromDielectric(e.Dielectric);
    ComputeMaxDist();
    ApplyDistanceLimits();
  }
  m_start = e.StartDist;
  m_stop = e.StopDist;
}

void TDtfParameterEditor::PickCable(int index) {
  if (index < 0 || index >= static_cast<int>(m_cables.size())) return;
  const TCableEntry &c = m_cables[static_cast<std::size_t>(index)];
  m_selected = index;
  m_cableText = c.Name.str();
  double dielectric = 0.0;
  if (!ParseDouble(c.DielectricText.str(), dielectric) || !(dielectric > 0.0)) dielectric = 1.0;
  m_dielectric = m_velocity ? 1.0 / std::sqrt(dielectric) : dielectric;
  m_loss = m_distUnit == duFeet ? c.Loss * kMetresPerFoot : c.Loss;
  if (!m_entries.empty()) TakeOverFields();
}

void TDtfParameterEditor::LeaveCable() {
  const int listed = FindCable(m_cableText);
  // Leaving the drop-down on the trace's own cable picks nothing new.
  if (listed >= 0 && !m_entries.empty() && listed == m_selected && m_cableText == Current().CableType.str()) return;
  if (listed >= 0) {
    PickCable(listed);
    return;
  }
  m_cableText = kCustom;
  m_selected = -1;
  if (!m_entries.empty()) TakeOverFields();
}

void TDtfParameterEditor::TakeOverFields() {
  TDistanceParams &e = Current();
  e.CableType = m_cableText;
  e.Loss = static_cast<float>(m_loss);
  e.Dielectric = static_cast<float>(DielectricFromField());
  ComputeMaxDist();
  ApplyDistanceLimits();
}

void TDtfParameterEditor::ComputeMaxDist() {
  TDistanceParams &e = Current();
  const int n = m_numPoints[static_cast<std::size_t>(m_entry)];
  e.MaxDist = static_cast<float>(MaxDistance(n, m_distUnit == duFeet, e.Dielectric, e.FreqStepHz));
  m_maxDistText = Format("%.3f", static_cast<double>(e.MaxDist));
}

void TDtfParameterEditor::ApplyDistanceLimits() {
  TDistanceParams &e = Current();
  if (e.StartDist > e.MaxDist) {
    e.StartDist = 0.0F;
    m_start = 0.0;
  }
  if (e.StopDist > e.MaxDist) {
    e.StopDist = e.MaxDist;
    double shown = e.MaxDist;
    (void)ParseDouble(m_maxDistText, shown);
    m_stop = shown;
  }
}

double TDtfParameterEditor::FieldValue(TDtfField field) const {
  switch (field) {
  case TDtfField::Dielectric: return m_dielectric;
  case TDtfField::Loss: return m_loss;
  case TDtfField::StartDist: return m_start;
  case TDtfField::StopDist: return m_stop;
  default: return 0.0;
  }
}

std::string TDtfParameterEditor::FieldText(TDtfField field) const { return Format("%.3f", FieldValue(field)); }

void TDtfParameterEditor::EnterField(TDtfField field) {
  if (m_focus != TDtfField::None && m_focus != field) LeaveField();
  m_focus = field;
  m_changed = false;
}

void TDtfParameterEditor::SetFieldValue(TDtfField field, double value) {
  if (!std::isfinite(value)) return;
  switch (field) {
  case TDtfField::Dielectric: m_dielectric = value; break;
  case TDtfField::Loss: m_loss = value; break;
  case TDtfField::StartDist: m_start = value; break;
  case TDtfField::StopDist: m_stop = value; break;
  default: return;
  }
  if (field == m_focus) m_changed = true;
}

void TDtfParameterEditor::SetFieldText(TDtfField field, std::string_view text) {
  double v = 0.0;
  if (ParseDouble(text, v)) SetFieldValue(field, v);
}

void TDtfParameterEditor::LeaveField() {
  const TDtfField field = m_focus;
  const bool changed = m_changed;
  m_focus = TDtfField::None;
  m_changed = false;
  if (!changed || m_entries.empty()) return;
  switch (field) {
  case TDtfField::Dielectric: CheckDielectric(); break;
  case TDtfField::Loss: CheckLoss(); break;
  case TDtfField::StartDist:
  case TDtfField::StopDist: CheckDistances(); break;
  default: break;
  }
}

void TDtfParameterEditor::CheckDielectric() {
  m_cableText = kCustom;
  m_selected = -1;
  double v = m_dielectric;
  if (m_velocity) {
    if (v > 1.0) v *= 0.01; // typed as a percentage
    if (v < 0.2) v = 0.2;
    if (v > 1.0) v = 1.0;
  } else {
    if (v < 1.0) v = 1.0;
    if (v > 25.0) v = 25.0;
  }
  m_dielectric = v;
  TakeOverFields();
}

void TDtfParameterEditor::CheckLoss() {
  m_cableText = kCustom;
  m_selected = -1;
  TDistanceParams &e = Current();
  e.CableType = kCustom;
  double v = std::fabs(m_loss);
  if (v > 20.0) v = 20.0;
  m_loss = v;
  e.Loss = static_cast<float>(v);
}

void TDtfParameterEditor::CheckDistances() {
  TDistanceParams &e = Current();
  const double maxDist = e.MaxDist;
  double start = m_start;
  double stop = m_stop;
  if (start < 0.0) start = 0.0;
  if (!(start <= maxDist - 0.01)) start = 0.0;
  if (stop < 0.0) stop = maxDist;
  if (stop > maxDist) stop = maxDist;
  if (start > stop) std::swap(start, stop);
  m_start = start;
  m_stop = stop;
  e.StartDist = static_cast<float>(start);
  e.StopDist = static_cast<float>(stop);
}

void TDtfParameterEditor::TakeMaxDistAsStop() {
  if (m_entries.empty()) return;
  double v = 0.0;
  if (ParseDouble(m_maxDistText, v)) m_stop = v;
  CheckDistances();
}

int TDtfParameterEditor::WindowType() const {
  return m_entries.empty() ? 0 : m_entries[static_cast<std::size_t>(m_entry)].Smoothing;
}

void TDtfParameterEditor::SetWindowType(int type) {
  if (m_entries.empty() || type < wtNone || type > wtHeavy) return;
  Current().Smoothing = static_cast<std::uint8_t>(type);
}

void TDtfParameterEditor::SetApplyToAll(bool on) {
  m_applyToAll = on;
  ApplyButtonRule();
}

void TDtfParameterEditor::Next() {
  LeaveField();
  if (m_entry + 1 >= EntryCount()) return;
  ++m_entry;
  ++m_shownTrace;
  ShowEntry();
}

void TDtfParameterEditor::Prev() {
  LeaveField();
  if (m_entry <= 0) return;
  --m_entry;
  --m_shownTrace;
  ShowEntry();
}

int TDtfParameterEditor::Finish(TTraceArray &traces) {
  LeaveField();
  if (m_applyToAll && !m_entries.empty()) {
    // The cable and the window go to every trace; each trace keeps its own
    // sweep (frequency step, hence maximum distance), and its distances are
    // held within that maximum.
    const TDistanceParams shown = Current();
    const bool feet = m_distUnit == duFeet;
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
      if (static_cast<int>(i) == m_entry) continue;
      TDistanceParams &e = m_entries[i];
      const float startHz = e.StartFreqHz, stepHz = e.FreqStepHz;
      e = shown;
      e.StartFreqHz = startHz;
      e.FreqStepHz = stepHz;
      e.MaxDist = static_cast<float>(MaxDistance(m_numPoints[i], feet, e.Dielectric, e.FreqStepHz));
      if (e.StartDist > e.MaxDist) e.StartDist = 0.0F;
      if (e.StopDist > e.MaxDist) e.StopDist = e.MaxDist;
    }
  }
  const int index = m_traceIndex;
  if (index == 0) {
    const int n = std::min(traces.Count(), EntryCount());
    for (int i = 0; i < n; ++i)
      SetDistanceParams(traces[i], m_entries[static_cast<std::size_t>(i)]);
  } else if (index <= traces.Count() && !m_entries.empty()) {
    SetDistanceParams(traces[index - 1], m_entries.front());
  }
  m_traceIndex = 0;
  return index;
}

void TDtfParameterEditor::Cancel() { m_traceIndex = 0; }

} // namespace korv
