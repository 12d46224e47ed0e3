#include "core/DocFile.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include "core/Crc16.h"
#include "core/DateTime.h"
#include "core/Excption.h"
#include "core/TextUtil.h"

namespace korv {

namespace {
constexpr const char *kMsgWindowFileError = "EmoxFileError was encountered while opening file.";

[[noreturn]] void BadFormat() { throw EmoxFileError(kMsgBadFileFormat); }

template <typename T> T CheckedInt(long long v) {
  if (v < static_cast<long long>(std::numeric_limits<T>::min()) ||
      v > static_cast<long long>(std::numeric_limits<T>::max()))
    BadFormat();
  return static_cast<T>(v);
}

// Numbers of one line, read front to back.
struct LineTokens {
  explicit LineTokens(std::string line) : text(std::move(line)) {}
  long long Int() {
    try {
      return TakeInteger(text);
    } catch (const EmoxEndOfString &) {
      BadFormat();
    }
  }
  double Num() {
    try {
      return TakeNumber(text);
    } catch (const EmoxEndOfString &) {
      BadFormat();
    }
  }
  std::string text;
};

double ParseDateTimeText(const std::string &s) {
  const std::string t = Trim(s);
  if (t.empty()) return 0.0;
  auto v = TextToDateTime(t);
  if (!v) BadFormat();
  return *v;
}

// Parts of a line split at quote characters.
std::vector<std::string> SplitQuotes(const std::string &line) {
  std::vector<std::string> parts;
  std::string cur;
  for (char c : line) {
    if (c == '"') {
      parts.push_back(cur);
      cur.clear();
    } else {
      cur += c;
    }
  }
  parts.push_back(cur);
  return parts;
}

int FlagChar(const std::string &line, std::size_t index) {
  if (index < line.size() && line[index] >= '0' && line[index] <= '9') return line[index] - '0';
  return 0;
}

void ReadSiteLine(const std::string &line, TTraceData &t) {
  LineTokens tok(line);
  t.SiteNumber = CheckedInt<std::uint16_t>(tok.Int());
  t.Sector = CheckedInt<std::uint8_t>(tok.Int());
  t.AntennaKind = CheckedInt<std::uint8_t>(tok.Int());
  t.AntennaNumber = CheckedInt<std::uint8_t>(tok.Int());
  t.DateTime = ParseDateTimeText(tok.text);
}

// The number of point lines a file can still hold (each needs at least 4 bytes).
void CheckPointCount(long long n, const TTextFile &file, std::size_t fileSize) {
  const std::size_t left = fileSize - std::min(fileSize, file.Position());
  if (n < 0 || static_cast<unsigned long long>(n) > left / 4 + 1) BadFormat();
}

void FillUniformFreq(TTraceData &t, double f0, double f1) {
  const int n = t.NumPoints;
  t.Freq.assign(static_cast<std::size_t>(n), 0.0);
  if (n == 0) return;
  const double step = n > 1 ? (f1 - f0) / (n - 1) : 0.0;
  double f = f0;
  for (int k = 0; k < n; ++k) {
    t.Freq[static_cast<std::size_t>(k)] = f;
    f += step;
  }
}

void WriteMarkerSet(TSAFileStream &out, TMarkerSet set) {
  PrepareMarkersForWrite(set);
  std::string vis;
  std::string pt;
  std::string sty;
  std::string ref;
  for (std::size_t i = 0; i < set.size(); ++i) {
    const char *sep = i + 1 < set.size() ? " " : "";
    vis += std::to_string(set[i].Visible) + sep;
    pt += std::to_string(set[i].Point) + sep;
    sty += std::to_string(set[i].Style) + sep;
    ref += std::to_string(set[i].Reference) + sep;
  }
  out.WriteLine(vis);
  out.WriteLine(pt);
  out.WriteLine(sty);
  out.WriteLine(ref);
}

void ReadMarkersV7(TTextFile &file, TMarkerSet &set) {
  LineTokens vis(file.ReadLine());
  LineTokens pt(file.ReadLine());
  LineTokens sty(file.ReadLine());
  LineTokens ref(file.ReadLine());
  for (auto &s : set) {
    s.Visible = CheckedInt<std::uint8_t>(vis.Int());
    s.Point = CheckedInt<std::int32_t>(pt.Int());
    s.Style = CheckedInt<std::uint8_t>(sty.Int());
    s.Reference = CheckedInt<std::int32_t>(ref.Int());
    s.DeltaOn = s.Reference < kRefNone;
  }
}

void ReadMarkersV6(TTextFile &file, TTraceData &t) {
  LineTokens freqRef(file.ReadLine());
  LineTokens distRef(file.ReadLine());
  for (int i = 0; i < 4; ++i)
    t.FreqMarks[static_cast<std::size_t>(i)].Reference = CheckedInt<std::int32_t>(freqRef.Int());
  for (int i = 0; i < 4; ++i)
    t.DistMarks[static_cast<std::size_t>(i)].Reference = CheckedInt<std::int32_t>(distRef.Int());
  auto readPairs = [&](TMarkerSet &set) {
    // Line 1: slots 1 and 3; line 2: slots 2 and 4; line 3: delta-on flags.
    for (int first : {0, 1}) {
      LineTokens l(file.ReadLine());
      for (int slot : {first, first + 2}) {
        set[static_cast<std::size_t>(slot)].Visible = CheckedInt<std::uint8_t>(l.Int());
        set[static_cast<std::size_t>(slot)].Point = CheckedInt<std::int32_t>(l.Int());
      }
    }
    LineTokens d(file.ReadLine());
    for (int i = 0; i < 4; ++i)
      set[static_cast<std::size_t>(i)].DeltaOn = d.Int() != 0;
  };
  readPairs(t.FreqMarks);
  readPairs(t.DistMarks);
}

// Lines 2 to 6 of every version: titles, title flags, data kind, setup bytes.
// Empty flag, kind and setup lines leave their fields as they are.
void ReadTitleLines(TTextFile &file, TTraceDoc &d) {
  d.MainTitle = file.ReadLine();
  d.SubTitle = file.ReadLine();
  const std::string flags = file.ReadLine();
  if (!flags.empty()) {
    d.MainTitleFixed = static_cast<std::uint8_t>(FlagChar(flags, 0));
    d.SubTitleFixed = static_cast<std::uint8_t>(FlagChar(flags, 2));
  }
  const std::string kind = Trim(file.ReadLine());
  if (!kind.empty()) d.DataKind = CheckedInt<std::uint8_t>(LineTokens(kind).Int());
  const std::string setup = file.ReadLine();
  if (!Trim(setup).empty()) {
    LineTokens tok(setup);
    long long v[5] = {0, 0, 0, 0, 0};
    for (auto &x : v)
      x = tok.Int();
    d.SetupInfo = {0, 0, 0, CheckedInt<std::uint8_t>(v[3]), CheckedInt<std::uint8_t>(v[4])};
  }
}

// The limit lines (with the unused middle line of the current versions),
// then scale unit, distance unit and plot mode.
void ReadLimitAndUnitLines(TTextFile &file, TTraceDoc &d, bool middleLine) {
  {
    LineTokens tok(file.ReadLine());
    d.FreqLimitMode = CheckedInt<std::int32_t>(tok.Int());
    d.FreqLimitValue = tok.Num();
  }
  if (middleLine) file.ReadLine(); // always "0 0.000"
  {
    LineTokens tok(file.ReadLine());
    d.DistLimitMode = CheckedInt<std::int32_t>(tok.Int());
    d.DistLimitValue = tok.Num();
  }
  d.ScaleUnit = CheckedInt<std::uint8_t>(LineTokens(file.ReadLine()).Int());
  d.DistUnit = CheckedInt<std::uint8_t>(LineTokens(file.ReadLine()).Int());
  d.PlotMode = CheckedInt<std::int32_t>(LineTokens(file.ReadLine()).Int());
}
} // namespace

TFirstLineKind ClassifyFirstLine(std::string_view line) {
  if (line.find(kHeaderOld) != std::string_view::npos) return TFirstLineKind::MOXFile;
  if (line.find(kHeaderCurrent) != std::string_view::npos) return TFirstLineKind::SAFile;
  if (line.find(kHeaderCsv) != std::string_view::npos) return TFirstLineKind::LXZTCsv;
  return TFirstLineKind::Other;
}

int VersionFromFirstLine(std::string_view line) {
  std::size_t at = line.find(kHeaderCurrent);
  std::size_t len = std::string_view(kHeaderCurrent).size();
  if (at == std::string_view::npos) {
    at = line.find(kHeaderOld);
    len = std::string_view(kHeaderOld).size();
    if (at == std::string_view::npos) return 1;
  }
  std::string rest(line.substr(at + len));
  long long v = 0;
  try {
    v = TakeInteger(rest);
  } catch (const EmoxException &) {
    return 1;
  }
  return v >= 0 && v <= 255 ? static_cast<int>(v) : 1;
}

void WriteVersion7(const TmoxDocument &doc, TSAFileStream &out) {
  const TTraceDoc &d = doc.Doc;
  out.WriteLine(std::string(kHeaderCurrent) + "7");
  out.WriteLine(d.MainTitle);
  out.WriteLine(d.SubTitle);
  out.WriteLine(Format("%d %d", d.MainTitleFixed, d.SubTitleFixed));
  out.WriteLine(std::to_string(d.DataKind));
  out.WriteLine(Format("0 0 0 %d %d", d.SetupInfo[3], d.SetupInfo[4]));
  out.WriteLine("");
  out.WriteLine("");
  out.WriteLine("");
  out.WriteLine("General Information");
  out.WriteLine(Format("%d %d", d.DistScale.Flag1, d.DistScale.Flag2));
  out.WriteLine(Format("%d %d", d.FreqScale.Flag1, d.FreqScale.Flag2));
  out.WriteLine(Format("%.3f %.3f", d.FreqScale.XMin, d.FreqScale.XMax));
  out.WriteLine(Format("%.3f %.3f", d.FreqScale.YMin, d.FreqScale.YMax));
  out.WriteLine(Format("%.3f %.3f", d.DistScale.XMin, d.DistScale.XMax));
  out.WriteLine(Format("%.3f %.3f", d.DistScale.YMin, d.DistScale.YMax));
  out.WriteLine(Format("%d %.3f", d.FreqLimitMode, d.FreqLimitValue));
  out.WriteLine(Format("0 %.3f", 0.0));
  out.WriteLine(Format("%d %.3f", d.DistLimitMode, d.DistLimitValue));
  out.WriteLine(std::to_string(d.ScaleUnit));
  out.WriteLine(std::to_string(d.DistUnit));
  out.WriteLine(std::to_string(d.PlotMode));
  for (int i = 0; i < 4; ++i)
    out.WriteLine("");
  out.WriteLine(std::to_string(d.TraceCount()));
  for (int i = 0; i < d.TraceCount(); ++i) {
    const TTraceData &t = d.Traces[i];
    out.WriteLine("Trace Data " + std::to_string(i));
    out.WriteLine(t.Title);
    out.WriteLine(Format("%d %d %d %d ", t.SiteNumber, t.Sector, t.AntennaKind, t.AntennaNumber) +
                  DateTimeToText(t.DateTime));
    out.WriteLine(t.Label);
    out.WriteLine("\"" + t.Model.str() + "\",\"" + t.SN.str() + "\",\"" + t.Revision.str() + "\"");
    out.WriteLine(Format("%d 1 %d", t.CalState, t.VCOTemp));
    out.WriteLine("\"" + t.SetupName.str() + "\" " + std::to_string(t.SetupVCOTemp) + " \"" +
                  DateTimeToText(t.SetupDateTime) + "\"");
    for (int k = 0; k < 5; ++k)
      out.WriteLine("");
    const std::size_t n =
        std::min({static_cast<std::size_t>(std::max(t.NumPoints, 0)), t.Mag.size(), t.Angle.size(), t.Freq.size()});
    out.WriteLine(std::to_string(n));
    out.WriteLine(n > 0 ? Format("%.3f %.3f", t.Freq.front(), t.Freq[n - 1]) : std::string("0.000 0.000"));
    // The point lines are most of the file; to_chars gives the same text as
    // "%.5f %.3f" (both round the exact binary value) at a fraction of the cost.
    std::string block;
    block.reserve(n * 24);
    char buf[700];
    for (std::size_t k = 0; k < n; ++k) {
      char *p = std::to_chars(buf, buf + 340, t.Mag[k], std::chars_format::fixed, 5).ptr;
      *p++ = ' ';
      p = std::to_chars(p, buf + sizeof buf - 2, t.Angle[k], std::chars_format::fixed, 3).ptr;
      *p++ = '\r';
      *p++ = '\n';
      block.append(buf, static_cast<std::size_t>(p - buf));
    }
    out.Write(block);
    out.WriteLine("");
    WriteMarkerSet(out, t.FreqMarks);
    WriteMarkerSet(out, t.DistMarks);
    out.WriteLine(t.CableType);
    out.WriteLine(Format("%.4f %.4f", static_cast<double>(t.Loss), static_cast<double>(t.Dielectric)));
    out.WriteLine(Format("%.3f %.3f", static_cast<double>(t.StartDist), static_cast<double>(t.StopDist)));
    out.WriteLine(std::to_string(t.Smoothing));
    out.WriteLine("");
    out.WriteLine("");
  }
}

std::vector<std::uint8_t> DocumentFileBytes(const TmoxDocument &doc) {
  TSAFileStream out("", true, TSAFileStream::smOutput);
  WriteVersion7(doc, out);
  return out.StoredBytes();
}

void ReadVersion67(TTextFile &file, TmoxDocument &doc, bool windowReader) {
  TTraceDoc &d = doc.Doc;
  const std::string first = file.ReadLine();
  d.FileVersion = static_cast<std::uint8_t>(VersionFromFirstLine(first));
  d.ReadFlag = sfKorv;
  ReadTitleLines(file, d);
  for (int i = 0; i < 4; ++i)
    file.ReadLine();
  {
    LineTokens tok(file.ReadLine());
    try {
      d.DistScale.Flag1 = CheckedInt<std::uint8_t>(tok.Int());
      d.DistScale.Flag2 = CheckedInt<std::uint8_t>(tok.Int());
    } catch (const EmoxFileError &) {
      d.DistScale.Flag1 = 0;
      d.DistScale.Flag2 = 0;
    }
  }
  {
    LineTokens tok(file.ReadLine());
    d.FreqScale.Flag1 = CheckedInt<std::uint8_t>(tok.Int());
    d.FreqScale.Flag2 = CheckedInt<std::uint8_t>(tok.Int());
  }
  auto range = [&](double &a, double &b) {
    LineTokens tok(file.ReadLine());
    a = tok.Num();
    b = tok.Num();
  };
  range(d.FreqScale.XMin, d.FreqScale.XMax);
  range(d.FreqScale.YMin, d.FreqScale.YMax);
  range(d.DistScale.XMin, d.DistScale.XMax);
  range(d.DistScale.YMin, d.DistScale.YMax);
  ReadLimitAndUnitLines(file, d, true);
  for (int i = 0; i < 4; ++i)
    file.ReadLine();
  const long long count = LineTokens(file.ReadLine()).Int();
  if (count < 0 || count > kMaxTraces) BadFormat();
  d.Traces.Clear();
  d.MaxPoints = 0;
  for (long long ti = 0; ti < count; ++ti) {
    TTraceData &t = d.Traces[d.AddTrace()];
    file.ReadLine(); // "Trace Data i"
    t.Title = file.ReadLine();
    ReadSiteLine(file.ReadLine(), t);
    t.Label = file.ReadLine();
    {
      const auto parts = SplitQuotes(file.ReadLine());
      t.Model = parts.size() > 1 ? parts[1] : std::string();
      t.SN = parts.size() > 3 ? parts[3] : std::string();
      t.Revision = parts.size() > 5 ? parts[5] : std::string();
    }
    {
      LineTokens tok(file.ReadLine());
      t.CalState = CheckedInt<std::uint8_t>(tok.Int());
      t.FMOnOff = CheckedInt<std::uint8_t>(tok.Int());
      t.VCOTemp = CheckedInt<std::int32_t>(tok.Int());
    }
    {
      const auto parts = SplitQuotes(file.ReadLine());
      if (parts.size() < 5) BadFormat();
      t.SetupName = parts[1];
      t.SetupVCOTemp = CheckedInt<std::int32_t>(LineTokens(parts[2]).Int());
      t.SetupDateTime = ParseDateTimeText(parts[3]);
    }
    for (int k = 0; k < 5; ++k)
      file.ReadLine();
    const long long n = LineTokens(file.ReadLine()).Int();
    double f0 = 0;
    double f1 = 0;
    {
      LineTokens tok(file.ReadLine());
      f0 = tok.Num();
      f1 = tok.Num();
    }
    CheckPointCount(n, file, file.Size());
    t.NumPoints = static_cast<std::int32_t>(n);
    FillUniformFreq(t, f0, f1);
    t.Mag.assign(static_cast<std::size_t>(n), 0.0);
    t.Angle.assign(static_cast<std::size_t>(n), 0.0);
    // The point lines are most of the file: scan them in place.
    for (long long k = 0; k < n; ++k) {
      std::string_view line;
      double mag = 0;
      double angle = 0;
      if (!file.ReadLineView(line) || !ScanNumber(line, mag) || !ScanNumber(line, angle)) BadFormat();
      t.Mag[static_cast<std::size_t>(k)] = mag;
      t.Angle[static_cast<std::size_t>(k)] = angle;
    }
    d.MaxPoints = std::max(d.MaxPoints, t.NumPoints);
    RepairFrequencyOrder(t);
    file.ReadLine(); // empty line after the points
    t.FreqMarks = TMarkerSet{};
    t.DistMarks = TMarkerSet{};
    if (d.FileVersion == 7) {
      ReadMarkersV7(file, t.FreqMarks);
      ReadMarkersV7(file, t.DistMarks);
    } else if (d.FileVersion == 6) {
      ReadMarkersV6(file, t);
    } else if (windowReader) {
      throw EmoxFileError(kMsgWindowFileError);
    } else {
      for (int k = 0; k < 8; ++k)
        file.ReadLine();
    }
    NormalizeLoadedMarkers(t, d.FreqLimitMode, d.DistLimitMode);
    t.CableType = file.ReadLine();
    {
      LineTokens tok(file.ReadLine());
      t.Loss = static_cast<float>(tok.Num());
      t.Dielectric = static_cast<float>(tok.Num());
    }
    {
      LineTokens tok(file.ReadLine());
      t.StartDist = static_cast<float>(tok.Num());
      t.StopDist = static_cast<float>(tok.Num());
    }
    t.Smoothing = CheckedInt<std::uint8_t>(LineTokens(file.ReadLine()).Int());
    // The two empty lines closing the block may be cut off at the end.
    file.ReadLineOrEmpty();
    file.ReadLineOrEmpty();
    doc.UpdateTraceDerived(t);
  }
  doc.LoadActiveMarks();
}

void ReadOlderVersion(TTextFile &file, TmoxDocument &doc, int version) {
  TTraceDoc &d = doc.Doc;
  file.ReadLine();
  d.FileVersion = static_cast<std::uint8_t>(version);
  d.ReadFlag = sfKorv;
  d.DataKind = 0; // an empty kind line means 0 here
  ReadTitleLines(file, d);
  file.ReadLine();
  file.ReadLine();
  const auto flag = CheckedInt<std::uint8_t>(LineTokens(file.ReadLine()).Int());
  d.FreqScale.Flag1 = flag;
  d.FreqScale.Flag2 = flag;
  {
    LineTokens tok(file.ReadLine());
    d.FreqScale.XMin = tok.Num();
    if (Trim(tok.text).empty()) {
      // Short form: the next line holds the X maximum of the shown scale only.
      d.CurScale.XMax = LineTokens(file.ReadLine()).Num();
      d.FreqScale = TScaleGroup{};
    } else {
      d.FreqScale.YMin = tok.Num();
      d.FreqScale.XMax = tok.Num();
      d.FreqScale.YMax = tok.Num();
    }
  }
  d.DistScale = d.FreqScale;
  ReadLimitAndUnitLines(file, d, false);
  for (int i = 0; i < 5; ++i)
    file.ReadLine();
  const long long count = LineTokens(file.ReadLine()).Int();
  if (count < 0 || count > kMaxTraces) BadFormat();
  d.Traces.Clear();
  d.MaxPoints = 0;
  for (long long ti = 0; ti < count; ++ti) {
    TTraceData &t = d.Traces[d.AddTrace()];
    file.ReadLine();
    t.Title = file.ReadLine();
    const std::string site = file.ReadLine();
    if (Trim(site).empty())
      t.DateTime = NowDayCount();
    else
      ReadSiteLine(site, t);
    const std::string label = file.ReadLine();
    if (version >= 5) {
      t.Label = label;
    } else {
      t.Label = t.Title.str();
      ApplySiteLabel(t);
    }
    const std::string cal = Trim(file.ReadLine());
    t.CalState = cal.empty() ? 0 : CheckedInt<std::uint8_t>(LineTokens(cal).Int());
    const long long n = LineTokens(file.ReadLine()).Int();
    if (version >= 5) t.SetupName = file.ReadLine();
    CheckPointCount(n, file, file.Size());
    t.NumPoints = static_cast<std::int32_t>(n);
    t.Freq.assign(static_cast<std::size_t>(n), 0.0);
    t.Mag.assign(static_cast<std::size_t>(n), 0.0);
    t.Angle.assign(static_cast<std::size_t>(n), 0.0);
    for (long long k = 0; k < n; ++k) {
      LineTokens tok(file.ReadLine());
      const auto kk = static_cast<std::size_t>(k);
      t.Freq[kk] = tok.Num();
      t.Mag[kk] = tok.Num();
      t.Angle[kk] = tok.Num();
    }
    t.Model = "Unknown";
    t.SN = "000001";
    t.Revision = "";
    t.FMOnOff = 1;
    d.MaxPoints = std::max(d.MaxPoints, t.NumPoints);
    RepairFrequencyOrder(t);
    doc.UpdateTraceDerived(t);
    // The marker lines of these versions come in forms we cannot tell apart
    // reliably; only files without them are read, the rest are refused
    // rather than misread.
    if (ti + 1 == count) {
      while (!file.Eof())
        if (!Trim(file.ReadLine()).empty()) throw EmoxFileError(kMsgWindowFileError);
    } else {
      throw EmoxFileError(kMsgWindowFileError);
    }
  }
  doc.LoadActiveMarks();
}

std::uint16_t CheckFileCRC(const std::vector<std::uint8_t> &bytes) {
  if (bytes.size() < 2) return 0xFFFF;
  if (bytes.size() % 2 == 0) return Crc16(bytes.data(), bytes.size());
  // Odd length: the pad byte sits before the two trailer bytes.
  std::vector<std::uint8_t> padded(bytes.begin(), bytes.end() - 2);
  padded.push_back(0);
  padded.push_back(bytes[bytes.size() - 2]);
  padded.push_back(bytes[bytes.size() - 1]);
  return Crc16(padded.data(), padded.size());
}

std::uint16_t CheckFileCRC(const std::string &fileName) { return CheckFileCRC(ReadWholeFile(fileName)); }

std::vector<std::uint8_t> StampCRC(std::vector<std::uint8_t> bytes) {
  if (bytes.size() < 2) bytes.resize(2, 0);
  if (bytes.size() % 2 == 0) {
    const std::uint16_t crc = Crc16(bytes.data(), bytes.size() - 2);
    bytes[bytes.size() - 2] = static_cast<std::uint8_t>(crc >> 8);
    bytes[bytes.size() - 1] = static_cast<std::uint8_t>(crc & 0xFF);
  } else {
    bytes[bytes.size() - 2] = 0;
    const std::uint16_t crc = Crc16(bytes.data(), bytes.size() - 1);
    bytes[bytes.size() - 1] = static_cast<std::uint8_t>(crc >> 8);
    bytes.push_back(static_cast<std::uint8_t>(crc & 0xFF));
  }
  return bytes;
}

void StampFileCRC(const std::string &fileName) { WriteWholeFileAtomic(fileName, StampCRC(ReadWholeFile(fileName))); }

void ReadDocumentBytes(const std::vector<std::uint8_t> &bytes, TmoxDocument &doc) {
  TTextFile file(bytes);
  const std::string first = file.ReadLine();
  const TFirstLineKind kind = ClassifyFirstLine(first);
  TTextFile body(bytes);
  doc.LoadFlag = 0;
  if (kind == TFirstLineKind::SAFile) {
    if (CheckFileCRC(bytes) != 0) throw EmoxFileCRCError(kMsgCRCFailure);
    const int version = VersionFromFirstLine(first);
    if (version != 6 && version != 7) throw EmoxFileError(kMsgWindowFileError);
    // The trailer is not text: read only up to it.
    const std::size_t textSize = bytes.size() - 2 - (bytes.size() % 2);
    TTextFile text(bytes.data(), textSize);
    ReadVersion67(text, doc, true);
  } else if (kind == TFirstLineKind::MOXFile) {
    const int version = VersionFromFirstLine(first);
    if (version < 1 || version > 5) throw EmoxFileError(kMsgWindowFileError);
    ReadOlderVersion(body, doc, version);
  } else {
    throw EmoxInvalidFileError(kMsgInvalidFile);
  }
  FinishLoadedDocument(doc);
}

void FinishLoadedDocument(TmoxDocument &doc) {
  TTraceDoc &d = doc.Doc;
  for (int i = 0; i < d.TraceCount(); ++i) {
    TTraceData &t = d.Traces[i];
    // Views, distance transform and writers all assume rising frequencies.
    RepairOrRefuseFrequencyOrder(t);
    // A negative point is a marker never placed: it stays so (Add Marker
    // then waits for a click), and a save writes it back as it was read.
    for (TMarkerSet *set : {&t.FreqMarks, &t.DistMarks}) {
      for (auto &s : *set) {
        if (s.Reference < 0) s.Reference = 0;
      }
    }
  }
  // A manual axis whose range holds nothing (0 to 0, reversed, not a
  // number) would show no trace: such an axis fits the data instead.
  for (TScaleGroup *g : {&d.FreqScale, &d.DistScale}) {
    const auto empty = [](double lo, double hi) { return !std::isfinite(lo) || !std::isfinite(hi) || !(lo < hi); };
    if (g->Flag1 != 0 && empty(g->XMin, g->XMax)) g->Flag1 = 0;
    if (g->Flag2 != 0 && empty(g->YMin, g->YMax)) g->Flag2 = 0;
  }
  doc.LoadActiveMarks();
  doc.SelectScale();
}

} // namespace korv
