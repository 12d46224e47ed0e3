#include "sim/SimulatorLx.h"

#include <algorithm>
#include <cmath>

#include "core/DateTime.h"
#include "core/DocFromReply.h"
#include "core/Excption.h"
#include "core/TextUtil.h"
#include "instrument/Protocol.h"
#include "measure/Convert.h"
#include "sim/SimulatorReply.h"

namespace korv {

namespace {

bool StartsWith(const std::string &s, std::string_view p) { return s.compare(0, p.size(), p) == 0; }

} // namespace

TLxSimulator::TLxSimulator(std::string model, std::string firmware, const std::vector<TmoxDocument> &traces)
    : m_model(model.empty() ? "LX-3400QE" : std::move(model)),
      m_firmware(firmware.empty() ? "15Mar03" : std::move(firmware)) {
  m_firmwareDate = ParseAnalyzerDate(m_firmware);
  m_generation = FirmwareGeneration(m_firmwareDate);
  m_qe = m_model.find("QE") != std::string::npos;
  for (int n = 1; n <= 20; ++n)
    m_setups[static_cast<std::size_t>(n - 1)] =
        "Dflt " + std::to_string(n) + ",N,0.00,0.00,0.00,0.00,\"\",\"\",\"\",0.00,\"\",\"\"";
  // Two records as a site engineer leaves them, one of them protected.
  m_setups[0] = "TX MAIN,N,1.20,20.00,0.10,30.00,\"800-960 MHz\",\"PS-2\",\"50W-FWD\",50.00,\"Main feeder\",\"\"";
  m_setups[1] = "TX HIGH,Y,2.40,10.00,0.20,40.00,\"1710-2170 MHz\",\"PS-2\",\"1KW-FWD\",1500.00,\"Booster\",\"BOOST\"";
  m_quickText = {"TOWER", "ROOFTOP", "MAIN FEEDER", "JUMPER", "ALPHA", "BETA", "GAMMA"};
  const bool counted = m_generation == 3 && m_qe;
  int location = 1;
  for (const TmoxDocument &doc : traces) {
    const int n = doc.Doc.Traces[0].NumPoints;
    const int points = counted && n >= 2 && n <= kLxMaxReplyPoints ? n : kDefaultReplyPoints;
    Store(location++, ResampleTrace(doc, points));
    if (location > Capacity()) break;
  }
  if (traces.empty()) {
    for (TmoxDocument &doc : SyntheticTraces(5, counted ? 949 : kDefaultReplyPoints, 1700.0, 2200.0))
      Store(location++, doc);
  }
  // The analyzer's current trace: the last one it swept.
  if (!m_traces.empty()) m_current = m_traces.rbegin()->second;
}

int TLxSimulator::Capacity() const {
  if (m_firmwareDate < EncodeDateTime(TCivilTime{2001, 12, 18, 0, 0, 0})) return 60;
  if (m_model == "LX-3200" || m_model == "LX-3200A") return 120;
  if (m_model == "LX-3100") return 250;
  return 300;
}

std::vector<int> TLxSimulator::Locations() const {
  std::vector<int> out;
  for (const auto &[loc, t] : m_traces)
    out.push_back(loc);
  return out;
}

const std::vector<std::string> *TLxSimulator::Stored(int location) const {
  const auto it = m_traces.find(location);
  return it == m_traces.end() ? nullptr : &it->second.Body;
}

std::string TLxSimulator::Description() const {
  return "LX-x000QE " + m_model + ", firmware " + m_firmware + " (generation " + std::to_string(m_generation) + "), " +
         std::to_string(m_traces.size()) + " stored traces";
}

void TLxSimulator::Store(int location, const TmoxDocument &doc) {
  TStored s;
  s.Body = EncodeAnalyzerReply(doc, m_generation, m_qe, m_firmwareDate, m_model, location);
  s.DirectoryLine = AnalyzerDirectoryLine(doc, m_generation, location);
  m_traces[location] = std::move(s);
}

// A download carries each point's linear reflection; the analyzer keeps
// and reports it in the unit the header names (the code of the scale line),
// as it does for its own sweeps.
void TLxSimulator::ConvertDownloadedPoints(std::vector<std::string> &lines) const {
  const std::size_t scaleLine = m_generation == 1 ? 13 : 4;
  const std::size_t magField = m_generation == 1 ? 1 : 0;
  std::size_t first = m_generation == 1 ? 17 : m_generation == 2 ? 14 : m_qe ? 17 : 16;
  if (lines.size() <= first || lines.size() <= scaleLine) return;
  long long code = 0;
  if (!ParseInt(Trim(lines[scaleLine].substr(0, lines[scaleLine].find(','))), code)) return;
  const std::uint8_t unit = code == 0 ? suVSWR : code == 2 ? suCableLoss : suReturnLoss;
  for (std::size_t i = first; i < lines.size(); ++i) {
    std::vector<std::string> f;
    std::string rest = lines[i];
    for (std::size_t c = rest.find(','); c != std::string::npos; c = rest.find(',')) {
      f.push_back(rest.substr(0, c));
      rest.erase(0, c + 1);
    }
    f.push_back(rest);
    long long rho = 0;
    if (f.size() <= magField || !ParseInt(Trim(f[magField]), rho)) continue;
    double v = static_cast<double>(rho) * 1e-5;
    try {
      ConvertValue(v, suRho, unit);
    } catch (const Exception &) {
      v = unit == suVSWR ? 999.0 : 0.0;
    }
    f[magField] = std::to_string(std::llround(v * 1e5));
    std::string joined;
    for (std::size_t k = 0; k < f.size(); ++k)
      joined += (k > 0 ? "," : "") + f[k];
    lines[i] = joined;
  }
}

void TLxSimulator::StoreDownloaded(std::vector<std::string> lines) {
  int location = 1;
  while (m_traces.count(location) != 0)
    ++location;
  if (m_generation == 1 && !lines.empty() && lines.back().empty()) lines.pop_back();
  // The third generation's check line is two raw bytes, which may hold a
  // line end and so arrive as pieces: no point line lacks a comma.
  if (m_generation == 3)
    while (!lines.empty() && lines.size() > 17 && lines.back().find(',') == std::string::npos)
      lines.pop_back();
  ConvertDownloadedPoints(lines);
  TStored s;
  double when = NowDayCount();
  if (m_generation == 1) {
    s.Body.push_back(std::to_string(location));
    s.Body.insert(s.Body.end(), lines.begin(), lines.end());
    std::vector<std::string> f;
    std::string site = lines.empty() ? std::string() : lines[0];
    for (int i = 0; i < 4; ++i) {
      const std::size_t c = site.find(',');
      f.push_back(site.substr(0, c));
      site = c == std::string::npos ? std::string() : site.substr(c + 1);
    }
    try {
      when = DecodePackedTime(site.substr(0, site.find(',')));
    } catch (const Exception &) {
    }
    const TCivilTime c = DecodeDateTime(when);
    s.DirectoryLine = f[0] + ", " + f[1] + ", " + f[2] + ", " + f[3] + ", " + Format("%.2d", c.Day) +
                      MonthNumberToName(c.Month) + Format("%.4d %.2d:%.2d", c.Year, c.Hour, c.Minute) + ", " +
                      std::to_string(location);
  } else {
    // The check line was dropped above: it is made again over what is kept.
    s.Body = lines;
    if (m_generation == 3) s.Body.push_back(AnalyzerCrcLine(s.Body));
    try {
      if (lines.size() > 1) when = DecodePackedTime(lines[1]);
    } catch (const Exception &) {
    }
    const TCivilTime c = DecodeDateTime(when);
    s.DirectoryLine = (lines.empty() ? std::string("\"\"") : lines[0]) + "," + Format("%.2d-", c.Day) +
                      MonthNumberToName(c.Month) + Format("-%.4d %.2d:%.2d", c.Year, c.Hour, c.Minute) + "," +
                      std::to_string(location);
  }
  m_traces[location] = s;
  m_current = std::move(s);
}

std::string TLxSimulator::Reply(const std::string &echo, const std::vector<std::string> &lines) const {
  std::string out = echo + std::string(kLxLineEnd);
  for (const auto &l : lines)
    out += l + std::string(kLxLineEnd);
  return out + std::string(kLxPrompt);
}

std::vector<std::string> TLxSimulator::TraceReply(int location) const {
  const TStored *s = nullptr;
  if (location == kLxCurrentTraceLocation)
    s = m_current.Body.empty() ? nullptr : &m_current;
  else if (auto it = m_traces.find(location); it != m_traces.end())
    s = &it->second;
  return s ? s->Body : std::vector<std::string>{};
}

std::vector<TSimSegment> TLxSimulator::Receive(std::string_view bytes) {
  std::vector<TSimSegment> out;
  for (char c : bytes) {
    if (c == '\n') continue;
    if (c != kLxCommandEnd) {
      if (m_input.size() < 4096) m_input.push_back(c);
      continue;
    }
    const std::string line = std::move(m_input);
    m_input.clear();
    switch (m_mode) {
    case TMode::Download:
      if (line == "00") {
        m_mode = TMode::Command;
        StoreDownloaded(std::move(m_download));
        m_download.clear();
        out.push_back({"\n\r> ", false});
      } else {
        if (m_download.size() < 5000) m_download.push_back(line);
        out.push_back({"\r\n:", false});
      }
      break;
    case TMode::QuickDownload:
      if (line.empty()) {
        m_mode = TMode::Command;
        m_quickText.fill(std::string());
        for (std::size_t i = 0; i < m_quickDownload.size() && i < m_quickText.size(); ++i)
          m_quickText[i] = m_quickDownload[i];
        m_quickDownload.clear();
        out.push_back({"\n\r> ", false});
      } else {
        m_quickDownload.push_back(line.substr(0, 50));
        out.push_back({"\r\n:", false});
      }
      break;
    case TMode::Command: {
      auto more = Command(line);
      out.insert(out.end(), more.begin(), more.end());
      break;
    }
    }
  }
  return out;
}

std::vector<TSimSegment> TLxSimulator::Command(const std::string &cmd) {
  if (cmd.empty()) return {{"\n\r> ", false}};
  if (cmd == kLxStatus) return {{Reply(cmd, {m_model + ",V2.13," + m_firmware}), false}};
  if (cmd == kLxDirectory) {
    std::vector<std::string> lines;
    for (const auto &[loc, t] : m_traces)
      lines.push_back(t.DirectoryLine);
    lines.push_back("Stored: " + std::to_string(m_traces.size()));
    lines.push_back("Free: " + std::to_string(Capacity() - static_cast<int>(m_traces.size())));
    return {{Reply(cmd, lines), false}};
  }
  if (StartsWith(cmd, kLxUpload)) {
    const std::string where = Trim(cmd.substr(kLxUpload.size()));
    long long loc = 0;
    if (where == kLxCurrentTraceName)
      loc = kLxCurrentTraceLocation;
    else if (!ParseInt(where, loc) || loc == kLxCurrentTraceLocation)
      loc = -1; // the current trace is only ever asked for by its name
    const auto body = loc > 0 ? TraceReply(static_cast<int>(loc)) : std::vector<std::string>{};
    if (body.empty()) return {{Error(cmd), false}};
    std::string text = cmd + "\n\r";
    for (const auto &l : body)
      text += l + "\n\r";
    return {{text, true}, {std::string(kLxPrompt), false}};
  }
  if (StartsWith(cmd, kLxDelete)) {
    long long loc = 0;
    if (!ParseInt(Trim(cmd.substr(kLxDelete.size())), loc)) return {{Error(cmd), false}};
    if (loc == kLxCurrentTraceLocation) return {{Reply(cmd, {}), false}};
    if (m_traces.erase(static_cast<int>(loc)) == 0) return {{Error(cmd), false}};
    return {{Reply(cmd, {}), false}};
  }
  if (cmd == "TD") {
    const int stored = static_cast<int>(m_traces.size());
    if (stored >= Capacity() || stored >= m_saveBuffers.load()) return {{Error(cmd), false}};
    m_mode = TMode::Download;
    m_download.clear();
    return {{cmd + "\n\r:", false}};
  }
  if (cmd == "SGET") {
    // The fault option: the first synchronisation goes unanswered, as when
    // the analyzer was busy with a key press.
    if (m_missSetupSync) {
      m_missSetupSync = false;
      return {};
    }
    return {{Reply(cmd, {"ERRsetup"}), false}};
  }
  if (StartsWith(cmd, "SGET,")) {
    long long n = 0;
    if (!ParseInt(Trim(cmd.substr(5)), n) || n < 1 || n > 20) return {{Reply(cmd, {"ERRsetup"}), false}};
    return {
        {cmd + "\n\r" + std::to_string(n) + "," + m_setups[static_cast<std::size_t>(n - 1)] + "\rSOK\n\r> ", false}};
  }
  if (StartsWith(cmd, "SSTO,")) {
    const std::string record = cmd.substr(5);
    long long n = 0;
    const std::size_t comma = record.find(',');
    // A record is its number and twelve fields.
    if (comma == std::string::npos || !ParseInt(record.substr(0, comma), n) || n < 1 || n > 20 ||
        std::count(record.begin(), record.end(), ',') != 12)
      return {{Reply(cmd, {"ERRsetup"}), false}};
    m_setups[static_cast<std::size_t>(n - 1)] = record.substr(comma + 1);
    return {{cmd + "\n\rSOK\n\r> ", false}};
  }
  if (cmd == "QU") {
    std::string text = "QU\r\n";
    for (const auto &row : m_quickText)
      text += row + "\r\n";
    return {{text + std::string(kLxLineEnd) + std::string(kLxPrompt), false}};
  }
  if (cmd == "QD") {
    m_mode = TMode::QuickDownload;
    m_quickDownload.clear();
    return {{"QD\n\r:", false}};
  }
  return {{Error(cmd), false}};
}

} // namespace korv
