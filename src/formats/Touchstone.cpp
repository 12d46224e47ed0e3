#include "formats/Touchstone.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <complex>

#include "core/DateTime.h"
#include "core/DocFile.h"
#include "core/Excption.h"
#include "core/ReflectionExcess.h"
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

namespace {

using Complex = std::complex<double>;

// A 2x2 complex matrix, row-major.
struct M2 {
  Complex a, b, c, d;
};
M2 Mul(const M2 &x, const M2 &y) {
  return {x.a * y.a + x.b * y.c, x.a * y.b + x.b * y.d, x.c * y.a + x.d * y.c, x.c * y.b + x.d * y.d};
}
M2 Inverse(const M2 &x) {
  const Complex det = x.a * x.d - x.b * x.c;
  return {x.d / det, -x.b / det, -x.c / det, x.a / det};
}

// S of a two-port whose ports have references r1 and r2 (ohms), seen with
// both ports at 50 ohm: through the impedance matrix
// Z = R^1/2 (I - S)^-1 (I + S) R^1/2, then S' = (Z - 50)(Z + 50)^-1.
M2 RenormaliseTwoPort(const M2 &s, double r1, double r2) {
  const M2 one{1.0, 0.0, 0.0, 1.0};
  const M2 plus{one.a + s.a, s.b, s.c, one.d + s.d};
  const M2 minus{one.a - s.a, -s.b, -s.c, one.d - s.d};
  const M2 root{std::sqrt(r1), 0.0, 0.0, std::sqrt(r2)};
  const M2 z = Mul(Mul(root, Mul(Inverse(minus), plus)), root);
  const M2 num{z.a - kRefOhms, z.b, z.c, z.d - kRefOhms};
  const M2 den{z.a + kRefOhms, z.b, z.c, z.d + kRefOhms};
  return Mul(num, Inverse(den));
}

[[noreturn]] void RefuseLine(int line, const std::string &why) { Refuse("line " + std::to_string(line) + ": " + why); }

// Ports a name's extension promises: 1 for .s1p, 2 for .s2p, N for .sNp, 0 else.
int PortsOfName(const std::string &name) {
  const auto dot = name.find_last_of('.');
  const auto slash = name.find_last_of('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return 0;
  const std::string ext = Upper(name.substr(dot + 1));
  if (ext.size() < 3 || ext.front() != 'S' || ext.back() != 'P') return 0;
  long long n = 0;
  if (!ParseInt(ext.substr(1, ext.size() - 2), n) || n < 1 || n > 99) return 0;
  return static_cast<int>(n);
}

// Reflection above this is no measurement: an analyzer without calibration
// reads a little above 1, never twice the incident wave.
constexpr double kMaxReflection = 2.0;
// Radio frequencies end well below this.
constexpr double kMaxFrequencyHz = 1e12;

struct TPoint {
  int Line = 0;
  std::vector<double> Values;
};

} // namespace

int TouchstonePorts(const std::vector<std::uint8_t> &bytes, const std::string &name) {
  for (const std::string &raw : Lines(bytes)) {
    std::string line = raw.substr(0, raw.find('!'));
    const std::string t = Trim(line);
    if (Upper(t).rfind("[NUMBER OF PORTS]", 0) == 0) {
      const auto w = Words(t.substr(17));
      long long n = 0;
      return !w.empty() && ParseInt(w[0], n) && n > 0 && n < 100 ? static_cast<int>(n) : 0;
    }
  }
  if (const int n = PortsOfName(name); n > 0) return n;
  // Neither says: the first data line's value count does.
  for (const std::string &raw : Lines(bytes)) {
    const std::string t = Trim(raw.substr(0, raw.find('!')));
    if (t.empty() || t[0] == '#' || t[0] == '[') continue;
    const std::size_t n = Words(t).size();
    return n == 9 ? 2 : 1;
  }
  return 1;
}

std::string ReadTouchstone(const std::vector<std::uint8_t> &bytes, const std::string &name, TmoxDocument &doc,
                           const TTouchstoneOptions &options) {
  double freqScale = 1e9; // GHz unless the option line says otherwise
  enum { kMA, kDB, kRI } format = kMA;
  char param = 'S';
  double ref = kRefOhms;
  std::vector<double> refs; // [Reference]: one per port
  bool optionSeen = false;
  bool version2 = false;
  bool inData = true; // version 2 files: inside [Network Data]
  bool ended = false;
  int matrixPairs = 0;  // version 2 two-port: 3 for Lower/Upper storage
  bool order12 = false; // version 2 two-port: S12 stored before S21
  std::string title;
  std::string label;
  double dateTime = 0;
  const int ports = TouchstonePorts(bytes, name);
  if (ports < 1 || ports > 2) Refuse("only one- and two-port files can be opened.");
  if (options.Parameter != 11 && options.Parameter != 22) Refuse("only S11 and S22 can be read.");
  if (options.Parameter == 22 && ports == 1) Refuse("a one-port file holds no S22.");
  int pairs = ports == 1 ? 1 : 4;
  std::vector<TPoint> points;
  TPoint current;
  int refsLine = 0;      // the [Reference] line
  bool refsOpen = false; // its values may continue on the next lines
  int lineNo = 0;
  for (const std::string &raw : Lines(bytes)) {
    ++lineNo;
    if (ended) break;
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
    if (t[0] == '[' || t[0] == '#') refsOpen = false;
    if (refsOpen && static_cast<int>(refs.size()) < ports) {
      for (const auto &w : Words(t)) {
        double r = 0;
        if (!ParseDouble(w, r) || !(r > 0) || !std::isfinite(r)) RefuseLine(lineNo, "invalid reference impedance.");
        refs.push_back(r);
      }
      continue;
    }
    if (t[0] == '[') {
      const std::string u = Upper(t);
      const std::size_t close = u.find(']');
      const std::string key = u.substr(0, close == std::string::npos ? u.size() : close + 1);
      const std::string rest = close == std::string::npos ? std::string() : Trim(t.substr(close + 1));
      if (key == "[VERSION]") {
        version2 = true;
        inData = false;
      } else if (key == "[NETWORK DATA]") {
        inData = true;
      } else if (key == "[END]") {
        ended = true;
      } else if (key == "[NOISE DATA]") {
        inData = false;
      } else if (key == "[TWO-PORT DATA ORDER]") {
        order12 = Upper(rest) == "12_21";
      } else if (key == "[MATRIX FORMAT]") {
        const std::string f = Upper(rest);
        if (ports == 2 && (f == "LOWER" || f == "UPPER")) matrixPairs = 3;
      } else if (key == "[REFERENCE]") {
        refsLine = lineNo;
        refsOpen = true;
        for (const auto &w : Words(rest)) {
          double r = 0;
          if (!ParseDouble(w, r) || !(r > 0) || !std::isfinite(r)) RefuseLine(lineNo, "invalid reference impedance.");
          refs.push_back(r);
        }
      }
      // Other keywords ([Number of Ports], [Two-Port Data Order], ...)
      // change nothing for S11 and S22.
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
          if (i + 1 >= w.size() || !ParseDouble(w[i + 1], ref) || !(ref > 0) || !std::isfinite(ref))
            Refuse("invalid reference impedance.");
          ++i;
        } else {
          Refuse("unknown option \"" + w[i] + "\".");
        }
      }
      continue;
    }
    if (!inData) continue;
    if (matrixPairs > 0) pairs = matrixPairs;
    const std::size_t perPoint = 1 + 2 * static_cast<std::size_t>(pairs);
    const auto words = Words(t);
    // Version 1 two-port files may end with noise data: a first frequency
    // below the last one, five values a line.
    if (ports == 2 && !version2 && words.size() == 5 && !points.empty()) {
      double f = 0;
      if (ParseDouble(words[0], f) && f <= points.back().Values[0]) break;
    }
    // One-port points, and every point of a version 1 file, take one line each.
    if (ports == 1 && words.size() != 3)
      RefuseLine(lineNo, Format("%d values; every data line needs a frequency and two values; this is no "
                                "one-port file.",
                                static_cast<int>(words.size())));
    if (ports == 2 && !version2 && words.size() != perPoint)
      RefuseLine(lineNo, Format("%d values; a two-port data line holds a frequency and 8 values (one-port data "
                                "has two).",
                                static_cast<int>(words.size())));
    if (current.Values.empty()) current.Line = lineNo;
    for (const auto &w : words) {
      double v = 0;
      if (!ParseDouble(w, v)) RefuseLine(lineNo, "\"" + w + "\" is not a number.");
      if (!std::isfinite(v)) RefuseLine(lineNo, "a value is out of range.");
      if (current.Values.size() == perPoint)
        RefuseLine(lineNo, Format("a point of a two-port file is a frequency and %d values; this line holds more "
                                  "(one-port data has two).",
                                  2 * pairs));
      current.Values.push_back(v);
    }
    if (current.Values.size() == perPoint) {
      points.push_back(std::move(current));
      current = TPoint{};
      if (points.size() > static_cast<std::size_t>(kTouchstoneMaxPoints))
        Refuse("more than " + std::to_string(kTouchstoneMaxPoints) + " points.");
    }
  }
  if (!current.Values.empty())
    RefuseLine(current.Line, Format("the point lacks values: %d of %d (a two-port point is a frequency and %d "
                                    "values; one-port data has two).",
                                    static_cast<int>(current.Values.size()), 1 + 2 * pairs, 2 * pairs));
  const std::size_t n = points.size();
  if (n == 0) Refuse("no data points.");
  if (ports == 2 && param != 'S') Refuse("two-port Z and Y files cannot be opened; save S parameters.");
  double r1 = ref;
  double r2 = ref;
  if (!refs.empty()) {
    if (static_cast<int>(refs.size()) != ports) RefuseLine(refsLine, "[Reference] needs one value per port.");
    r1 = refs[0];
    r2 = refs.back();
  }
  // S22 of stored pairs: the last pair in every storage form.
  const std::size_t chosen = options.Parameter == 22 ? static_cast<std::size_t>(pairs - 1) : 0U;

  std::vector<double> freqHz(n);
  std::vector<Complex> gamma(n);
  TReflectionExcess excess;
  const char *const sName = options.Parameter == 22 ? "S22" : "S11";
  for (std::size_t i = 0; i < n; ++i) {
    const TPoint &p = points[i];
    freqHz[i] = p.Values[0] * freqScale;
    if (freqHz[i] < 0) RefuseLine(p.Line, "the frequency " + Shortest(p.Values[0]) + " is negative.");
    if (!std::isfinite(freqHz[i]) || freqHz[i] > kMaxFrequencyHz)
      RefuseLine(p.Line, "the frequency " + Shortest(p.Values[0]) + " is out of range (at most 1 THz).");
    auto pairAt = [&](std::size_t k) {
      const double a = p.Values[1 + 2 * k];
      const double b = p.Values[2 + 2 * k];
      switch (format) {
      case kMA:
        // std::polar wants a magnitude of zero or more.
        if (a < 0) RefuseLine(p.Line, "the magnitude " + Shortest(a) + " is negative.");
        return std::polar(a, b * kPi / 180.0);
      case kDB: return std::polar(std::pow(10.0, a / 20.0), b * kPi / 180.0);
      case kRI: break;
      }
      return Complex(a, b);
    };
    std::vector<Complex> s(static_cast<std::size_t>(pairs));
    for (std::size_t k = 0; k < s.size(); ++k)
      s[k] = pairAt(k);
    if (param == 'S') {
      // Reflections of the ports (never transmissions, which an amplifier raises).
      for (std::size_t k : {std::size_t{0}, s.size() - 1}) {
        const double m = std::abs(s[k]);
        if (!std::isfinite(m) || m > kMaxReflection)
          RefuseLine(p.Line, Format("|S%d%d| of %s is no reflection a sweep can give (at most %g).", k == 0 ? 1 : ports,
                                    k == 0 ? 1 : ports, Shortest(m).c_str(), kMaxReflection));
      }
    }
    Complex v;
    if (ports == 1) {
      v = s[0];
      // Z and Y are given normalised to the reference impedance.
      if (param == 'Z')
        v = (v - 1.0) / (v + 1.0);
      else if (param == 'Y')
        v = (1.0 - v) / (1.0 + v);
      if (r1 != kRefOhms) {
        // Renormalise to the 50 ohm the program assumes: the bilinear map.
        const double g = (kRefOhms - r1) / (kRefOhms + r1);
        v = (v - g) / (1.0 - g * v);
      }
    } else {
      M2 m{s[0], Complex(), Complex(), s.back()};
      if (pairs == 4) {
        // Version 1 order: S11 S21 S12 S22; version 2 may name 12_21.
        m.c = order12 ? s[2] : s[1];
        m.b = order12 ? s[1] : s[2];
      } else {
        m.b = m.c = s[1]; // Lower or Upper storage of a reciprocal pair
      }
      if (r1 != kRefOhms || r2 != kRefOhms) m = RenormaliseTwoPort(m, r1, r2);
      v = chosen == 0 ? m.a : m.d;
    }
    if (!std::isfinite(v.real()) || !std::isfinite(v.imag()) || std::abs(v) > kMaxReflection)
      RefuseLine(p.Line, std::string("the ") + sName + " value is out of range.");
    excess.Add(std::abs(v));
    gamma[i] = v;
  }
  for (std::size_t i = 1; i < n; ++i)
    if (!(freqHz[i] > freqHz[i - 1])) RefuseLine(points[i].Line, "the frequencies must rise from point to point.");
  if (n > 2) {
    const double step = (freqHz[n - 1] - freqHz[0]) / static_cast<double>(n - 1);
    for (std::size_t i = 1; i + 1 < n; ++i) {
      const double expect = freqHz[0] + static_cast<double>(i) * step;
      // Printed frequencies carry rounding; a real gap is far larger.
      if (std::fabs(freqHz[i] - expect) > 0.01 * step)
        RefuseLine(points[i].Line, "the frequencies are not evenly spaced; only uniform sweeps can be opened.");
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
  if (ports == 2 && title.empty()) stem += options.Parameter == 22 ? " S22" : " S11";
  tr.Title = title.empty() ? stem : title;
  tr.Label = label;
  // The file carries no date of its own: its time is the best there is.
  if (dateTime == 0) dateTime = options.FileTime;
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
  return excess.Message();
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
