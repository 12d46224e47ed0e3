#include "formats/Touchstone.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <complex>

#include "core/DateTime.h"
#include "core/DocFile.h"
#include "core/Excption.h"
#include "core/TextUtil.h"
#include "measure/Convert.h"

namespace korv {

static_assert(kTouchstoneMaxPoints <= kMaxDocumentPoints, "a Touchstone sweep must fit a document");

namespace {
constexpr double kPi = 3.14159265358979323846;
constexpr double kRefOhms = 50.0;

[[noreturn]] void Refuse(const std::string &why) { throw EmoxFormatError("Touchstone file: " + why); }

std::string Upper(std::string s) {
  for (auto &c : s)
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

std::vector<std::string> Words(const std::string &s) {
  std::vector<std::string> w;
  std::size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i])))
      ++i;
    const std::size_t b = i;
    while (i < s.size() && !std::isspace(static_cast<unsigned char>(s[i])))
      ++i;
    if (i > b) w.push_back(s.substr(b, i - b));
  }
  return w;
}

std::vector<std::string> Lines(const std::vector<std::uint8_t> &bytes) {
  std::vector<std::string> lines;
  std::string cur;
  for (std::uint8_t b : bytes) {
    if (b == '\r' || b == '\n') {
      lines.push_back(cur);
      cur.clear();
      // CR LF is one line end.
      continue;
    }
    cur += static_cast<char>(b);
  }
  lines.push_back(cur);
  return lines;
}

// "! Title: x" comments written by us carry the trace's texts back.
bool CommentValue(const std::string &comment, const char *key, std::string &value) {
  const std::string k = key;
  const std::string t = Trim(comment);
  if (t.compare(0, k.size(), k) != 0) return false;
  value = Trim(t.substr(k.size()));
  return true;
}

std::string Shortest(double v) {
  char buf[32];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

std::string OneLine(std::string s) {
  std::replace_if(
      s.begin(), s.end(), [](char c) { return c == '\r' || c == '\n' || c == '!'; }, ' ');
  return s;
}
} // namespace

bool LooksLikeTouchstone(const std::vector<std::uint8_t> &bytes) {
  // Comments and blank lines may come first; the first other line decides.
  for (const std::string &raw : Lines(bytes)) {
    const std::string t = Trim(raw);
    if (t.empty() || t[0] == '!') continue;
    if (Upper(t).rfind("[VERSION]", 0) == 0) return true;
    if (t[0] != '#') return false;
    const auto w = Words(t.substr(1));
    for (std::size_t i = 0; i < w.size(); ++i) {
      const std::string u = Upper(w[i]);
      static const char *const kWords[] = {"HZ", "KHZ", "MHZ", "GHZ", "S", "Y", "Z", "G", "H", "MA", "DB", "RI"};
      if (std::find(std::begin(kWords), std::end(kWords), u) != std::end(kWords)) continue;
      double ohms = 0;
      if (u == "R" && i + 1 < w.size() && ParseDouble(w[i + 1], ohms)) {
        ++i;
        continue;
      }
      return false;
    }
    return true;
  }
  return false;
}

void ReadTouchstone(const std::vector<std::uint8_t> &bytes, const std::string &name, TmoxDocument &doc) {
  double freqScale = 1e9; // GHz unless the option line says otherwise
  enum { kMA, kDB, kRI } format = kMA;
  char param = 'S';
  double ref = kRefOhms;
  bool optionSeen = false;
  std::string title;
  std::string label;
  double dateTime = 0;
  std::vector<double> numbers;
  for (const std::string &raw : Lines(bytes)) {
    std::string line = raw;
    const std::size_t bang = line.find('!');
    if (bang != std::string::npos) {
      const std::string comment = line.substr(bang + 1);
      std::string v;
      if (CommentValue(comment, "Title:", v))
        title = v;
      else if (CommentValue(comment, "Label:", v))
        label = v;
      else if (CommentValue(comment, "Date:", v)) {
        if (auto d = TextToDateTime(v)) dateTime = *d;
      }
      line.resize(bang);
    }
    const std::string t = Trim(line);
    if (t.empty()) continue;
    if (t[0] == '[') {
      // Version 2 keywords: only the port count matters to us.
      const std::string u = Upper(t);
      if (u.rfind("[NUMBER OF PORTS]", 0) == 0) {
        const auto w = Words(t.substr(17));
        if (w.empty() || w[0] != "1") Refuse("only one-port files can be opened.");
      }
      continue;
    }
    if (t[0] == '#') {
      if (optionSeen) continue; // later option lines are ignored
      optionSeen = true;
      const auto w = Words(t.substr(1));
      for (std::size_t i = 0; i < w.size(); ++i) {
        const std::string u = Upper(w[i]);
        if (u == "HZ")
          freqScale = 1.0;
        else if (u == "KHZ")
          freqScale = 1e3;
        else if (u == "MHZ")
          freqScale = 1e6;
        else if (u == "GHZ")
          freqScale = 1e9;
        else if (u == "MA")
          format = kMA;
        else if (u == "DB")
          format = kDB;
        else if (u == "RI")
          format = kRI;
        else if (u == "S" || u == "Z" || u == "Y")
          param = u[0];
        else if (u == "G" || u == "H")
          Refuse("G and H parameters are not one-port data.");
        else if (u == "R") {
          if (i + 1 >= w.size() || !ParseDouble(w[i + 1], ref) || !(ref > 0)) Refuse("invalid reference impedance.");
          ++i;
        } else {
          Refuse("unknown option \"" + w[i] + "\".");
        }
      }
      continue;
    }
    const auto words = Words(t);
    // One point per line in a one-port file; more values mean more ports.
    if (words.size() != 3) Refuse("every data line needs a frequency and two values; this is no one-port file.");
    for (const auto &w : words) {
      double v = 0;
      if (!ParseDouble(w, v)) Refuse("\"" + w + "\" is not a number.");
      numbers.push_back(v);
      if (numbers.size() > static_cast<std::size_t>(kTouchstoneMaxPoints) * 3)
        Refuse("more than " + std::to_string(kTouchstoneMaxPoints) + " points.");
    }
  }
  const std::size_t n = numbers.size() / 3;
  if (n == 0) Refuse("no data points.");

  std::vector<double> freqHz(n);
  std::vector<std::complex<double>> gamma(n);
  // Renormalise to the 50 ohm the program assumes: the bilinear map of the
  // reflection coefficient from the file's reference impedance.
  const double g = (kRefOhms - ref) / (kRefOhms + ref);
  for (std::size_t i = 0; i < n; ++i) {
    freqHz[i] = numbers[3 * i] * freqScale;
    const double a = numbers[3 * i + 1];
    const double b = numbers[3 * i + 2];
    std::complex<double> v;
    switch (format) {
    case kMA: v = std::polar(a, b * kPi / 180.0); break;
    case kDB: v = std::polar(std::pow(10.0, a / 20.0), b * kPi / 180.0); break;
    case kRI: v = {a, b}; break;
    }
    // Z and Y are given normalised to the reference impedance.
    if (param == 'Z')
      v = (v - 1.0) / (v + 1.0);
    else if (param == 'Y')
      v = (1.0 - v) / (1.0 + v);
    if (ref != kRefOhms) v = (v - g) / (1.0 - g * v);
    if (!std::isfinite(v.real()) || !std::isfinite(v.imag()) || !std::isfinite(freqHz[i]))
      Refuse("a value at point " + std::to_string(i + 1) + " is out of range.");
    gamma[i] = v;
  }
  for (std::size_t i = 1; i < n; ++i)
    if (!(freqHz[i] > freqHz[i - 1])) Refuse("the frequencies must rise from point to point.");
  if (n > 2) {
    const double step = (freqHz[n - 1] - freqHz[0]) / static_cast<double>(n - 1);
    for (std::size_t i = 1; i + 1 < n; ++i) {
      const double expect = freqHz[0] + static_cast<double>(i) * step;
      // Printed frequencies carry rounding; a real gap is far larger.
      if (std::fabs(freqHz[i] - expect) > 0.01 * step)
        Refuse("the frequencies are not evenly spaced; only uniform sweeps can be opened.");
    }
  }

  TTraceDoc &d = doc.Doc;
  d.FileVersion = 7;
  d.PlotMode = pmFrequency;
  d.ScaleUnit = suReturnLoss;
  d.Traces.Clear();
  TTraceData &tr = d.Traces[d.AddTrace()];
  std::string stem = name;
  if (const auto slash = stem.find_last_of('/'); slash != std::string::npos) stem.erase(0, slash + 1);
  if (const auto dot = stem.find_last_of('.'); dot != std::string::npos && dot > 0) stem.resize(dot);
  tr.Title = title.empty() ? stem : title;
  tr.Label = label;
  tr.DateTime = dateTime;
  tr.SetupDateTime = dateTime;
  tr.Model = kTouchstoneModel;
  tr.NumPoints = static_cast<std::int32_t>(n);
  tr.Freq.resize(n);
  tr.Mag.resize(n);
  tr.Angle.resize(n);
  // Frequencies are rebuilt on the grid every reader of this program uses.
  const double step = n > 1 ? (freqHz[n - 1] - freqHz[0]) / static_cast<double>(n - 1) : 0.0;
  double lo = 0;
  double hi = 0;
  for (std::size_t i = 0; i < n; ++i) {
    tr.Freq[i] = (freqHz[0] + static_cast<double>(i) * step) * 1e-6;
    double m = std::abs(gamma[i]);
    ConvertValue(m, suRho, suReturnLoss);
    tr.Mag[i] = m;
    tr.Angle[i] = std::arg(gamma[i]) * 180.0 / kPi;
    lo = i == 0 ? m : std::min(lo, m);
    hi = i == 0 ? m : std::max(hi, m);
  }
  d.MaxPoints = tr.NumPoints;
  doc.UpdateTraceDerived(tr);
  tr.StopDist = std::min(tr.MaxDist, 100.0F);
  doc.AutoScaleAfterLoad(lo, hi, true);
  FinishLoadedDocument(doc);
}

std::string TouchstoneText(const TmoxDocument &doc, int traceIndex) {
  const TTraceDoc &d = doc.Doc;
  const TTraceData &t = d.Traces[traceIndex];
  const std::size_t n =
      std::min({t.Freq.size(), t.Mag.size(), t.Angle.size(), static_cast<std::size_t>(std::max(t.NumPoints, 0))});
  std::string out;
  out += "! One-port reflection written by KorvMOX\r\n";
  out += "! Title: " + OneLine(t.Title.str()) + "\r\n";
  if (!t.Label.empty()) out += "! Label: " + OneLine(t.Label.str()) + "\r\n";
  if (t.DateTime != 0) out += "! Date: " + DateTimeToText(t.DateTime) + "\r\n";
  out += "# Hz S MA R 50\r\n";
  for (std::size_t i = 0; i < n; ++i) {
    double rho = t.Mag[i];
    ConvertValue(rho, d.ScaleUnit, suRho);
    // Whole hertz, and the fewest digits that read back to the stored values.
    out += Format("%.0f ", std::round(t.Freq[i] * 1e6)) + Shortest(rho) + " " + Shortest(t.Angle[i]) + "\r\n";
  }
  return out;
}

} // namespace korv
