#include "sim/SimulatorNanoVna.h"

#include <algorithm>
#include <cmath>

#include "core/Excption.h"
#include "core/TextUtil.h"
#include "instrument/Protocol.h"
#include "measure/Convert.h"

namespace korv {

namespace {

constexpr double kPi = 3.14159265358979323846;

std::vector<std::string> Words(const std::string &s) {
  std::vector<std::string> w;
  std::size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && s[i] == ' ')
      ++i;
    const std::size_t b = i;
    while (i < s.size() && s[i] != ' ')
      ++i;
    if (i > b) w.push_back(s.substr(b, i - b));
  }
  return w;
}

std::string Line(const std::string &text) { return text + std::string(kNanoLineEnd); }

} // namespace

TSweepModel TNanoVnaSimulator::FeedLine() {
  // 30 m of feeder with a wet connector at 8 m and a crushed section at
  // 19 m, ending in an antenna resonant at 440 MHz.
  TSweepModel m;
  m.VelocityFactor = 0.85;
  m.LossDbPerMetre = 0.03;
  m.Reflections.push_back({8.0, 0.06, 40.0});
  m.Reflections.push_back({19.0, 0.09, -70.0});
  m.LengthM = 30.0;
  m.LoadRho = 0.1;
  m.AntennaResonanceMHz = 440.0;
  m.LoadQ = 3.0;
  return m;
}

TNanoVnaSimulator::TNanoVnaSimulator(const std::string &model, const std::string &firmware,
                                     const std::vector<TmoxDocument> &traces) {
  const std::string build = "Build Time: Mar 13 2024 - 10:00:00";
  if (model.empty() || model == "nanovna") {
    m_model = "NanoVNA";
    m_version = firmware.empty() || firmware == "old" ? (firmware == "old" ? "0.2.3" : "0.8.0") : firmware;
    m_info = {
        "NanoVNA",       "2016-2020 Copyright @author",      "Licensed under GPL.", "Version: " + m_version, build,
        "Kernel: 4.0.0", "Platform: STM32F072xB Entry Level"};
    m_scanPoints = 101;
    m_minHz = 50e3;
    m_maxHz = 900e6;
  } else if (model == "h4") {
    m_model = "NanoVNA-H4";
    m_version = firmware.empty() || firmware == "old" ? "1.0.45" : firmware;
    m_info = {
        "Board: NanoVNA-H 4", "2019-2020 Copyright @author", "Licensed under GPL.", "Version: " + m_version, build,
        "Kernel: 4.0.0",      "Platform: STM32F303xC"};
    m_scanPoints = 401;
    m_minHz = 10e3;
    m_maxHz = 1500e6;
  } else if (model == "d") {
    m_model = "NanoVNA-H4 (-D firmware)";
    m_version = firmware.empty() || firmware == "old" ? "1.2.27 [p:401, IF:12k, ADC:384k]" : firmware;
    m_info = {"Board: NanoVNA-H 4",
              "2019-2024 Copyright NanoVNA.com",
              "Licensed under GPL.",
              "Version: " + m_version,
              build,
              "Kernel: 4.0.0",
              "Platform: STM32F303xC"};
    m_scanPoints = 401;
    m_minHz = 10e3;
    m_maxHz = 2700e6;
  } else {
    throw Exception("Unknown NanoVNA model: " + model + " (nanovna, h4 or d)");
  }
  m_scanPrints = firmware != "old";
  m_start = static_cast<long long>(m_minHz);
  m_stop = static_cast<long long>(m_maxHz);
  m_points = m_scanPoints;
  if (!traces.empty()) {
    const TmoxDocument &doc = traces.front();
    const TTraceData &t = doc.Doc.Traces[0];
    const std::size_t n = std::min({t.Freq.size(), t.Mag.size(), t.Angle.size()});
    for (std::size_t i = 0; i < n; ++i) {
      double rho = t.Mag[i];
      ConvertValue(rho, doc.Doc.ScaleUnit, suRho);
      m_traceHz.push_back(t.Freq[i] * 1e6);
      m_traceS11.push_back(std::polar(rho, t.Angle[i] * kPi / 180.0));
    }
    if (m_traceHz.size() < 2) throw Exception("The trace to serve holds fewer than 2 points.");
  }
}

std::string TNanoVnaSimulator::Description() const {
  return m_model + " (firmware " + m_version + (m_scanPrints ? "" : ", scan without output") + "), " +
         std::to_string(m_scanPoints) + " points per scan, " +
         (m_traceHz.empty() ? std::string("sweep model") : std::to_string(m_traceHz.size()) + "-point trace");
}

long long TNanoVnaSimulator::Freq(int j) const {
  return m_points < 2 ? m_start : m_start + (m_stop - m_start) * j / (m_points - 1);
}

std::complex<double> TNanoVnaSimulator::S11At(double hz) const {
  if (m_traceHz.empty()) {
    const TSweep s = SimulateSweep(FeedLine(), 2, hz * 1e-6, hz * 1e-6 + 1e-6);
    return std::polar(s.Rho[0], s.AngleDeg[0] * kPi / 180.0);
  }
  const auto it = std::lower_bound(m_traceHz.begin(), m_traceHz.end(), hz);
  if (it == m_traceHz.begin()) return m_traceS11.front();
  if (it == m_traceHz.end()) return m_traceS11.back();
  const auto i = static_cast<std::size_t>(it - m_traceHz.begin());
  const double w = (hz - m_traceHz[i - 1]) / (m_traceHz[i] - m_traceHz[i - 1]);
  return m_traceS11[i - 1] + w * (m_traceS11[i] - m_traceS11[i - 1]);
}

std::vector<std::complex<double>> TNanoVnaSimulator::Measure() const {
  std::vector<std::complex<double>> out;
  if (m_traceHz.empty() && m_points >= 2) {
    const TSweep s =
        SimulateSweep(FeedLine(), m_points, static_cast<double>(m_start) * 1e-6, static_cast<double>(m_stop) * 1e-6);
    for (std::size_t i = 0; i < s.Rho.size(); ++i)
      out.push_back(std::polar(s.Rho[i], s.AngleDeg[i] * kPi / 180.0));
    return out;
  }
  for (int j = 0; j < m_points; ++j)
    out.push_back(S11At(static_cast<double>(Freq(j))));
  return out;
}

std::string TNanoVnaSimulator::SetBand(const std::vector<std::string> &w) {
  long long start = 0;
  long long stop = 0;
  long long points = m_points;
  if (w.size() < 3 || !ParseInt(w[1], start) || !ParseInt(w[2], stop) || (w.size() > 3 && !ParseInt(w[3], points)))
    return "usage: " + w[0] + " {start(Hz)} {stop(Hz)} [points]";
  if (static_cast<double>(start) < m_minHz || static_cast<double>(stop) > m_maxHz || stop <= start)
    return "frequency out of range";
  if (points < 1 || points > m_scanPoints) return "sweep points exceeds range " + std::to_string(m_scanPoints);
  m_start = start;
  m_stop = stop;
  m_points = static_cast<int>(points);
  return {};
}

std::vector<TSimSegment> TNanoVnaSimulator::Command(const std::string &line) {
  const std::vector<std::string> w = Words(line);
  std::vector<TSimSegment> out;
  const std::string prompt(kNanoPrompt);
  if (w.empty()) return {{Line("") + prompt, false}};
  const std::string echo = Line(line);
  const std::string &name = w[0];
  if (name == "info") {
    std::string text = echo;
    for (const std::string &l : m_info)
      text += Line(l);
    return {{text + prompt, false}};
  }
  if (name == "version") return {{echo + Line(m_version) + prompt, false}};
  if (name == "pause" || name == "resume") return {{echo + prompt, false}};
  if (name == "sweep") {
    if (w.size() == 1) return {{echo + Line(Format("%lld %lld %d", m_start, m_stop, m_points)) + prompt, false}};
    const std::string error = SetBand(w);
    return {{echo + (error.empty() ? std::string() : Line(error)) + prompt, false}};
  }
  if (name == "scan") {
    if (const std::string error = SetBand(w); !error.empty()) return {{echo + Line(error) + prompt, false}};
    long long mask = 0;
    if (w.size() > 4 && !ParseInt(w[4], mask)) mask = 0;
    if (!m_scanPrints) mask = 0;
    std::string data;
    const auto s11 = Measure();
    for (int j = 0; j < m_points && mask != 0; ++j) {
      std::string l;
      if ((mask & kNanoScanFrequency) != 0) l += Format("%lld ", Freq(j));
      if ((mask & kNanoScanS11) != 0)
        l += Format("%.9f %.9f ", s11[static_cast<std::size_t>(j)].real(), s11[static_cast<std::size_t>(j)].imag());
      if ((mask & kNanoScanS21) != 0) l += "0.000000000 0.000000000 ";
      l.pop_back();
      data += Line(l);
    }
    out.push_back({echo, false});
    if (!data.empty()) out.push_back({data, true});
    out.push_back({prompt, false});
    return out;
  }
  if (name == "frequencies") {
    std::string data;
    for (int j = 0; j < m_points; ++j)
      data += Line(std::to_string(Freq(j)));
    return {{echo, false}, {data, true}, {prompt, false}};
  }
  if (name == "data") {
    const bool s11 = w.size() < 2 || w[1] == "0";
    const auto values = Measure();
    std::string data;
    for (int j = 0; j < m_points; ++j) {
      const auto v = s11 ? values[static_cast<std::size_t>(j)] : std::complex<double>();
      data += Line(Format("%.9f %.9f", v.real(), v.imag()));
    }
    return {{echo, false}, {data, true}, {prompt, false}};
  }
  return {{echo + Line(name + "?") + prompt, false}};
}

std::vector<TSimSegment> TNanoVnaSimulator::Receive(std::string_view bytes) {
  std::vector<TSimSegment> out;
  for (char c : bytes) {
    if (c == '\n') continue;
    if (c != kNanoCommandEnd) {
      if (m_input.size() < 256) m_input.push_back(c);
      continue;
    }
    for (TSimSegment &s : Command(m_input))
      out.push_back(std::move(s));
    m_input.clear();
  }
  return out;
}

} // namespace korv
