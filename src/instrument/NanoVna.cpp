#include "instrument/NanoVna.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "core/DateTime.h"
#include "core/DocFile.h"
#include "core/TextUtil.h"
#include "formats/DocumentIO.h"
#include "instrument/Protocol.h"
#include "instrument/UpLoad.h"
#include "measure/Convert.h"

namespace korv {

namespace {

constexpr double kPi = 3.14159265358979323846;
// A read waits at most this long, so a cancel is seen promptly.
constexpr int kReadSliceMs = 200;

bool IsLineEnd(std::uint8_t b) { return b == '\r' || b == '\n'; }

bool EndsWith(const std::string &s, std::string_view tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// A reply line as it can be quoted: control bytes as \xNN, cut to 60.
std::string Quoted(const std::string &line) {
  std::string out;
  for (char c : line.substr(0, 60)) {
    const auto b = static_cast<unsigned char>(c);
    out += b < 0x20 || b >= 0x7F ? Format("\\x%.2X", b) : std::string(1, c);
  }
  return "\"" + out + (line.size() > 60 ? "...\"" : "\"");
}

std::vector<std::string> Words(const std::string &s) {
  std::vector<std::string> w;
  std::size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t'))
      ++i;
    const std::size_t b = i;
    while (i < s.size() && s[i] != ' ' && s[i] != '\t')
      ++i;
    if (i > b) w.push_back(s.substr(b, i - b));
  }
  return w;
}

// The first count numbers of a reply line; false when it holds fewer, or a
// word that is no finite number.
bool Numbers(const std::string &line, std::size_t count, std::vector<double> &out) {
  const auto words = Words(line);
  if (words.size() < count) return false;
  out.assign(count, 0.0);
  for (std::size_t i = 0; i < count; ++i)
    if (!ParseDouble(words[i], out[i]) || !std::isfinite(out[i])) return false;
  return true;
}

std::string Hz(double hz) { return Format("%.0f", hz); }

// "Board: NanoVNA-H 4" -> "NanoVNA-H4".
std::string Squeezed(const std::string &s) {
  std::string out;
  for (char c : s)
    if (c != ' ' && c != '\t') out.push_back(c);
  return out;
}

// "... [p:401, ..." -> 401; 0 when not said.
int PointsSaid(const std::string &text) {
  const std::size_t p = text.find("p:");
  if (p == std::string::npos) return 0;
  long long n = 0;
  std::size_t e = p + 2;
  while (e < text.size() && std::isdigit(static_cast<unsigned char>(text[e])))
    ++e;
  if (e == p + 2 || !ParseInt(text.substr(p + 2, e - p - 2), n)) return 0;
  return static_cast<int>(std::clamp<long long>(n, 2, kNanoMaxSweepPoints));
}

} // namespace

std::vector<std::pair<int, int>> PlanScans(int points, int perScan) {
  std::vector<std::pair<int, int>> out;
  perScan = std::max(perScan, 2);
  for (int first = 0; first < points;) {
    int last = std::min(first + perScan, points) - 1;
    // A last scan of one point would be no sweep: the one before gives it one.
    if (points - 1 - last == 1 && last - first + 1 > 2) --last;
    out.emplace_back(first, last);
    first = last + 1;
  }
  return out;
}

TNanoIdentity IdentityFromReplies(const std::vector<std::string> &info, const std::vector<std::string> &version) {
  TNanoIdentity id;
  id.Info = info;
  std::string versionLine;
  for (const std::string &raw : info) {
    const std::string line = Trim(raw);
    if (line.rfind("Board:", 0) == 0) id.Model = Squeezed(line.substr(6));
    if (line.rfind("Version:", 0) == 0) versionLine = Trim(line.substr(8));
  }
  if (id.Model.empty())
    for (const std::string &raw : info)
      if (const std::string line = Trim(raw); line.rfind("NanoVNA", 0) == 0) {
        id.Model = Squeezed(line);
        break;
      }
  if (id.Model.empty()) id.Model = "NanoVNA";
  id.Firmware = !version.empty() && !Trim(version.front()).empty() ? Trim(version.front()) : versionLine;
  int said = PointsSaid(id.Firmware);
  if (said == 0) said = PointsSaid(versionLine);
  if (said > 0)
    id.ScanPoints = said;
  else
    id.ScanPoints = id.Model.find("H4") != std::string::npos ? 401 : kNanoDefaultScanPoints;
  return id;
}

TNanoVna::TNanoVna(SerialLink &link) : m_link(link) {}

void TNanoVna::Open() {
  if (m_link.IsOpen()) return;
  m_link.Open();
  m_pending.clear();
  m_pendingPos = 0;
}

void TNanoVna::Close() {
  if (m_link.IsOpen()) m_link.Close();
}

void TNanoVna::CheckCancel() const {
  if (m_cancel != nullptr && m_cancel->load()) throw EmoxIOCancelled(kMsgSweepCancelled);
}

std::uint8_t TNanoVna::TakeByte(std::int64_t deadline, const char *what) {
  for (;;) {
    CheckCancel();
    if (m_pendingPos < m_pending.size()) return m_pending[m_pendingPos++];
    const std::int64_t now = m_link.NowMs();
    if (now >= deadline) {
      if (m_linesInReply > 0)
        throw EmoxIOTimeOutErr(Format("The analyzer on %s fell silent after %d lines of its reply to \"%s\".",
                                      m_link.Name().c_str(), m_linesInReply, m_lastCommand.c_str()));
      throw EmoxIOTimeOutErr(
          Format("The analyzer on %s did not answer %s: check the port and the cable.", m_link.Name().c_str(), what));
    }
    std::array<std::uint8_t, 4096> chunk{};
    const int wait = static_cast<int>(std::min<std::int64_t>(deadline - now, kReadSliceMs));
    const std::size_t n = m_link.Read(chunk.data(), chunk.size(), wait);
    m_pending.assign(chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(n));
    m_pendingPos = 0;
  }
}

void TNanoVna::Drain() {
  // What an earlier, interrupted reply left belongs to no command of ours.
  m_pending.clear();
  m_pendingPos = 0;
  std::array<std::uint8_t, 4096> chunk{};
  while (m_link.Read(chunk.data(), chunk.size(), 0) > 0) {
  }
}

void TNanoVna::Send(const std::string &command) {
  m_lastCommand = command;
  m_link.Write(command + kNanoCommandEnd);
}

std::vector<std::string> TNanoVna::ReadReply(const std::string &command, int firstLineMs,
                                             const std::function<void(int)> &onLine) {
  std::vector<std::string> lines;
  std::string current;
  bool echoSeen = false;
  m_linesInReply = 0;
  const std::string what = "\"" + command + "\"";
  std::int64_t deadline = m_link.NowMs() + (firstLineMs > 0 ? firstLineMs : m_silenceMs);
  for (;;) {
    const std::uint8_t b = TakeByte(deadline, what.c_str());
    if (!IsLineEnd(b)) {
      current.push_back(static_cast<char>(b));
      // The prompt ends the reply; a line cut short before it is no line.
      if (EndsWith(current, kNanoPrompt)) break;
      continue;
    }
    if (current.empty()) continue; // CR LF, LF CR and blank lines alike
    // Every line renews the deadline for silence.
    deadline = m_link.NowMs() + m_silenceMs;
    if (!echoSeen && Trim(current) == Trim(command)) {
      echoSeen = true;
    } else {
      lines.push_back(current);
      ++m_linesInReply;
      if (onLine) onLine(static_cast<int>(lines.size()));
    }
    current.clear();
    CheckCancel();
  }
  const std::string name = Words(command).empty() ? command : Words(command).front();
  if (lines.size() == 1 && Trim(lines.front()) == name + "?")
    throw ENanoUnknownCommand("The analyzer does not know the command \"" + name + "\".");
  return lines;
}

bool TNanoVna::Probe(int ms) {
  Open();
  Drain();
  m_link.Write(std::string(1, kNanoCommandEnd));
  const std::int64_t deadline = m_link.NowMs() + ms;
  std::string text;
  try {
    for (;;) {
      text.push_back(static_cast<char>(TakeByte(deadline, "")));
      if (EndsWith(text, kNanoPrompt)) return true;
      // Another instrument's prompt: no need to wait out the deadline.
      if (EndsWith(text, "> ") || text.size() > 4096) return false;
    }
  } catch (const EmoxIOTimeOutErr &) {
    return false;
  }
}

std::vector<std::string> TNanoVna::Command(const std::string &command, int firstLineMs) {
  Open();
  Drain();
  Send(command);
  return ReadReply(command, firstLineMs, {});
}

TNanoIdentity TNanoVna::Identify() {
  Open();
  if (!Probe(m_silenceMs))
    throw EmoxIOTimeOutErr(
        Format("No NanoVNA shell answered on %s: check the port and the cable.", m_link.Name().c_str()));
  std::vector<std::string> info;
  std::vector<std::string> version;
  try {
    info = Command("info");
  } catch (const ENanoUnknownCommand &) {
  }
  try {
    version = Command("version");
  } catch (const ENanoUnknownCommand &) {
  }
  return IdentityFromReplies(info, version);
}

std::vector<std::string> TNanoVna::ScanOrFallBack(TNanoSweep &out, long long startHz, long long stopHz, int points,
                                                  int done, int total, int &columns) {
  const std::string range = Format("%lld %lld %d", startHz, stopHz, points);
  auto progress = [&](int lines) {
    if (m_progress) m_progress(done + std::min(lines, points), total);
  };
  if (!m_noScan) {
    const std::string cmd = "scan " + range + Format(" %d", kNanoScanFrequency | kNanoScanS11);
    try {
      Open();
      Drain();
      Send(cmd);
      std::vector<std::string> lines = ReadReply(cmd, m_scanStartMs, progress);
      ++out.Scans;
      if (!lines.empty()) {
        columns = 3;
        return lines;
      }
      // Older firmware scans without output: the points wait in its buffers.
      out.FellBack = true;
    } catch (const ENanoUnknownCommand &) {
      m_noScan = true;
    }
  }
  if (m_noScan) {
    out.FellBack = true;
    const std::vector<std::string> set = Command("sweep " + range);
    if (!set.empty())
      throw EmoxIOTraceFormatErr("The analyzer refused \"sweep " + range + "\": " + Quoted(set.front()) + ".");
    ++out.Scans;
  }
  const std::vector<std::string> freq = Command("frequencies");
  Drain();
  Send("data 0");
  const std::vector<std::string> data = ReadReply("data 0", m_silenceMs, progress);
  if (freq.size() != data.size())
    throw EmoxIOTraceFormatErr(Format("The analyzer listed %d frequencies but sent %d points.",
                                      static_cast<int>(freq.size()), static_cast<int>(data.size())));
  std::vector<std::string> joined;
  joined.reserve(freq.size());
  for (std::size_t i = 0; i < freq.size(); ++i)
    joined.push_back(Words(freq[i]).empty() ? freq[i] : Words(freq[i]).front() + " " + data[i]);
  columns = 3;
  return joined;
}

TNanoSweep TNanoVna::Sweep(const TNanoIdentity &id, double startHz, double stopHz, int points) {
  if (points < 2 || points > kNanoMaxSweepPoints)
    throw EmoxIOError(Format("A sweep takes 2 to %d points.", kNanoMaxSweepPoints));
  if (!std::isfinite(startHz) || !std::isfinite(stopHz) || startHz < 1.0 || !(stopHz > startHz) || stopHz > 1e12)
    throw EmoxIOError("The sweep needs a start frequency above 0 and a stop frequency above it.");
  TNanoSweep out;
  const double step = (stopHz - startHz) / (points - 1);
  const double tolerance = std::max(1.0, 0.5 * step);
  out.FreqHz.resize(static_cast<std::size_t>(points));
  for (int i = 0; i < points; ++i)
    out.FreqHz[static_cast<std::size_t>(i)] = startHz + step * i;
  out.S11.reserve(static_cast<std::size_t>(points));
  std::vector<double> v;
  for (const auto &[first, last] : PlanScans(points, id.ScanPoints)) {
    const int count = last - first + 1;
    const auto lo = std::llround(out.FreqHz[static_cast<std::size_t>(first)]);
    const auto hi = std::llround(out.FreqHz[static_cast<std::size_t>(last)]);
    int columns = 3;
    const std::vector<std::string> lines = ScanOrFallBack(out, lo, hi, count, first, points, columns);
    const std::string asked = Format("%lld %lld %d", lo, hi, count);
    if (static_cast<int>(lines.size()) != count) {
      // A refusal is one line of text; anything else is a reply cut short.
      if (lines.size() == 1 && !Numbers(lines.front(), columns, v))
        throw EmoxIOTraceFormatErr("The analyzer refused the scan " + asked + ": " + Quoted(lines.front()) + ".");
      throw EmoxIOTraceFormatErr(Format("The analyzer sent %d of the %d points of the scan %s; nothing was kept.",
                                        static_cast<int>(lines.size()), count, asked.c_str()));
    }
    for (int j = 0; j < count; ++j) {
      const std::string &line = lines[static_cast<std::size_t>(j)];
      if (!Numbers(line, columns, v))
        throw EmoxIOTraceFormatErr(Format("Line %d of the scan %s is no point: ", j + 1, asked.c_str()) + Quoted(line) +
                                   "; nothing was kept.");
      const double expect = out.FreqHz[static_cast<std::size_t>(first) + static_cast<std::size_t>(j)];
      if (std::fabs(v[0] - expect) > tolerance)
        throw EmoxIOTraceFormatErr("The analyzer measured at " + Hz(v[0]) + " Hz where " + Hz(expect) +
                                   " Hz was asked; nothing was kept.");
      out.S11.emplace_back(v[1], v[2]);
    }
  }
  return out;
}

void BuildFromNanoSweep(TmoxDocument &doc, const TNanoSweep &sweep, const TNanoIdentity &id, const std::string &label,
                        double when, std::uint8_t distUnit, TReflectionExcess *excess) {
  const std::size_t n = std::min(sweep.FreqHz.size(), sweep.S11.size());
  if (n < 2) throw EmoxIOTraceFormatErr("The sweep holds fewer than 2 points.");
  TTraceDoc &d = doc.Doc;
  d.FileVersion = 7;
  d.PlotMode = pmFrequency;
  d.ScaleUnit = suReturnLoss;
  d.DistUnit = distUnit;
  d.Traces.Clear();
  TTraceData &t = d.Traces[d.AddTrace()];
  t.Title = label.empty() ? id.Model + " " + DateTimeToText(when) : label;
  t.Label = label;
  t.DateTime = when;
  t.SetupDateTime = when;
  t.Model = id.Model;
  t.Revision = id.Firmware;
  t.CableType = "Custom";
  t.NumPoints = static_cast<std::int32_t>(n);
  t.Freq.resize(n);
  t.Mag.resize(n);
  t.Angle.resize(n);
  TReflectionExcess counted;
  double lo = 0;
  double hi = 0;
  for (std::size_t i = 0; i < n; ++i) {
    t.Freq[i] = sweep.FreqHz[i] * 1e-6;
    double m = std::abs(sweep.S11[i]);
    counted.Add(m);
    ConvertValue(m, suRho, suReturnLoss);
    t.Mag[i] = m;
    t.Angle[i] = std::arg(sweep.S11[i]) * 180.0 / kPi;
    lo = i == 0 ? m : std::min(lo, m);
    hi = i == 0 ? m : std::max(hi, m);
  }
  d.MaxPoints = t.NumPoints;
  doc.UpdateTraceDerived(t);
  t.StartDist = 0.0F;
  t.StopDist = t.MaxDist;
  doc.AutoScaleAfterLoad(lo, hi, true);
  FinishLoadedDocument(doc);
  if (excess != nullptr) *excess = counted;
}

std::string SweepFileBaseName(const TTraceData &trace) {
  auto strip = [](std::string_view text) {
    std::string out;
    for (char c : text)
      if (std::string_view("\"*./:<>?\\|").find(c) == std::string_view::npos && static_cast<unsigned char>(c) >= 0x20)
        out.push_back(c);
    return Trim(out);
  };
  std::string base = strip(trace.Label.str());
  if (!base.empty()) return base;
  const TCivilTime c = DecodeDateTime(trace.DateTime);
  base = strip(trace.Model.str());
  return (base.empty() ? std::string("NanoVNA") : base) +
         Format(" %.4d-%.2d-%.2d %.2d%.2d%.2d", c.Year, c.Month, c.Day, c.Hour, c.Minute, c.Second);
}

std::string SaveSweepUnder(TmoxDocument &doc, const std::string &folder,
                           const std::function<bool(const std::string &)> &isOpen) {
  std::string root = folder;
  if (!root.empty() && root.back() != '/') root += '/';
  ForceFolders(root);
  std::string path = UniqueTracePath(root, SweepFileBaseName(doc.Doc.Traces[0]), isOpen);
  SaveDocument(doc, path, [] { return true; });
  return path;
}

} // namespace korv
