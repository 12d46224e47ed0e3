#include <gtest/gtest.h>

#include <cmath>

#include "core/Crc16.h"
#include "core/DateTime.h"
#include "core/Excption.h"
#include "core/SAFileStream.h"
#include "formats/DocumentIO.h"
#include "formats/LXZTTraceFile.h"

using namespace korv;

namespace {

std::string DataFile(const std::string &name) { return std::string(KORV_TEST_DATA) + "/csv/" + name; }

TOpenResult OpenCsv(const std::string &name) { return OpenDocument(DataFile(name)); }

std::vector<std::string> Split(const std::string &line) {
  CLXZT_TraceFile f;
  std::vector<std::string> out;
  f.SplitLine(line, out);
  return out;
}

std::vector<std::string> CsvLines(const std::vector<std::uint8_t> &bytes) {
  std::vector<std::string> lines;
  std::string cur;
  for (auto b : bytes) {
    if (b == '\n') {
      lines.push_back(cur);
      cur.clear();
    } else if (b != '\r') {
      cur += static_cast<char>(b);
    }
  }
  if (!cur.empty()) lines.push_back(cur);
  return lines;
}

// The settings row of a CSV save of doc.
std::vector<std::string> SavedSettings(TmoxDocument &doc, int trace = 0) {
  const auto bytes = DocumentBytesFor(doc, TDocFormat::Csv, trace);
  return Split(CsvLines(bytes).at(1));
}

TmoxDocument OneTraceDoc(int points = 4) {
  TmoxDocument doc(TmoxDocument::EmptyTag{});
  TTraceData &t = doc.Doc.Traces[doc.Doc.AddTrace()];
  t.Title = "Title";
  t.Label = "Label";
  t.NumPoints = points;
  for (int i = 0; i < points; ++i) {
    t.Freq.push_back(1000.0 + 10.0 * i);
    t.Mag.push_back(-10.0 - i);
    t.Angle.push_back(20.0 * i - 30.0);
  }
  t.Dielectric = 1.0F / (0.8F * 0.8F);
  doc.Doc.MaxPoints = points;
  return doc;
}

TEST(CsvSplitJoin, QuotesCommasAndColumnCount) {
  CLXZT_TraceFile f;
  const std::string line = f.JoinLine({"first,raw", "a,b", "say \"hi\"", "", "plain"});
  // Column 0 is written as it is; a comma field is quoted; quotes doubled.
  EXPECT_EQ(line.substr(0, 43), "first,raw,\"a,b\",say \"\"hi\"\",,plain,,,,,,,,,,");
  EXPECT_EQ(std::count(line.begin(), line.end(), ','), 98 + 2); // 99 columns plus the commas inside text
  const auto back = Split(line);
  ASSERT_EQ(back.size(), 100U); // column 0 was not quoted: its comma splits it
  EXPECT_EQ(back[2], "a,b");
  EXPECT_EQ(back[3], "say \"hi\"");
  EXPECT_EQ(back[5], "plain");

  // Fields starting with quotes survive, including ones a reader could
  // mistake for the start of a quoted field.
  for (const std::string s : {"\"", "\"\"", "\"a", "\"a,b\"", "\"\"\"", "x\"\"y", ",", "\",\""}) {
    const auto fields = Split(f.JoinLine({"", s}));
    ASSERT_GE(fields.size(), 2U) << s;
    EXPECT_EQ(fields[1], s);
  }
  // An unclosed quote takes the rest of the line instead of looping.
  EXPECT_EQ(Split("a,\"bc,d").at(1), "bc,d");
  EXPECT_EQ(Split("").size(), 1U);

  std::vector<std::string> tooMany(100, "x");
  EXPECT_THROW(
      {
        try {
          f.JoinLine(tooMany);
        } catch (const EmoxCSVError &e) {
          EXPECT_STREQ(e.what(), "Too many fields.");
          throw;
        }
      },
      EmoxCSVError);
}

TEST(CsvText, NumbersAndDates) {
  EXPECT_EQ(LXZTNumberText(0.5), "0.5");
  EXPECT_EQ(LXZTNumberText(1500), "1500");
  EXPECT_EQ(LXZTNumberText(1e-5), "1E-5");
  EXPECT_EQ(LXZTNumberText(-2.5e20), "-2.5E20");
  EXPECT_EQ(LXZTDateText(EncodeDateTime({2013, 3, 7, 13, 5, 0})), "07-Mar-2013 01:05p");
  EXPECT_EQ(LXZTDateText(EncodeDateTime({2013, 3, 7, 0, 30, 0})), "07-Mar-2013 12:30a");
  EXPECT_EQ(LXZTDateText(EncodeDateTime({2013, 3, 7, 12, 0, 0})), "07-Mar-2013 12:00p");
  EXPECT_DOUBLE_EQ(LXZTTextToDate("07-mar-2013 01:05p"), EncodeDateTime({2013, 3, 7, 13, 5, 0}));
  EXPECT_DOUBLE_EQ(LXZTTextToDate("07-Mar-2013 12:30a"), EncodeDateTime({2013, 3, 7, 0, 30, 0}));
  EXPECT_DOUBLE_EQ(LXZTTextToDate("07-Xyz-2013 12:00p"), EncodeDateTime({2013, 1, 7, 12, 0, 0}));
  EXPECT_EQ(LXZTTextToDate(""), 0.0);
  EXPECT_THROW(LXZTTextToDate("Site 1"), EmoxFileError);
  EXPECT_THROW(LXZTTextToDate("31-Feb-2013 01:00a"), EmoxFileError);
}

TEST(CsvRead, Revision3FieldsMarkersAndGps) {
  const TOpenResult r = OpenCsv("rev3_basic.csv");
  EXPECT_EQ(r.Format, TDocFormat::Csv);
  EXPECT_TRUE(r.Warning.empty()) << r.Warning;
  const TTraceDoc &d = r.Document->Doc;
  ASSERT_EQ(d.TraceCount(), 1);
  EXPECT_EQ(d.FileVersion, 7);
  EXPECT_EQ(d.PlotMode, pmFrequency);
  EXPECT_EQ(d.ScaleUnit, suReturnLoss);
  EXPECT_EQ(d.DistUnit, duMeters);
  EXPECT_EQ(d.FreqLimitMode, 1);
  EXPECT_DOUBLE_EQ(d.FreqLimitValue, -15);
  EXPECT_EQ(d.DistLimitMode, 0);
  EXPECT_EQ(d.FreqScale, (TScaleGroup{0, 1, 800, 1000, -50, 0}));
  EXPECT_EQ(d.DistScale, (TScaleGroup{0, 1, 0, 30, -60, 0}));
  EXPECT_EQ(d.GPSData[0], "123519");
  EXPECT_EQ(d.GPSData[7], "1");
  EXPECT_EQ(d.GPSData[14], "Mast 7");
  const TTraceData &t = d.Traces[0];
  EXPECT_EQ(t.Title, "Site A");
  EXPECT_EQ(t.Label, "Site A");
  EXPECT_DOUBLE_EQ(t.DateTime, EncodeDateTime({2013, 3, 7, 13, 5, 0}));
  EXPECT_DOUBLE_EQ(t.SetupDateTime, EncodeDateTime({2013, 1, 1, 0, 30, 0}));
  EXPECT_EQ(t.Model, "LX-3600ZT");
  EXPECT_EQ(t.SN, "123456789");
  EXPECT_EQ(t.Revision, "1.23");
  EXPECT_EQ(t.CalState, 1);
  EXPECT_EQ(t.FMOnOff, 1);
  EXPECT_EQ(t.VCOTemp, 302);      // 301.5, halves to even
  EXPECT_EQ(t.SetupVCOTemp, 302); // 302.5
  EXPECT_EQ(t.SetupName, "Setup1");
  ASSERT_EQ(t.NumPoints, 5);
  for (int i = 0; i < 5; ++i) {
    const auto k = static_cast<std::size_t>(i);
    EXPECT_NEAR(t.Freq[k], 800 + 50.0 * i, 1e-9);
    EXPECT_NEAR(t.Mag[k], 20 * std::log10(0.05 + 0.1 * i), 1e-9);
    EXPECT_NEAR(t.Angle[k], (-0.5 + 0.25 * i) * 57.295779513082320877, 1e-9);
  }
  // Second frequency marker: shown, point 3, delta flag 1, reference the limit line.
  EXPECT_EQ(t.FreqMarks[1], (TMarkerSlot{1, 3, true, 6, 1}));
  EXPECT_EQ(t.FreqMarks[0], (TMarkerSlot{0, 0, false, 0, 0}));
  EXPECT_EQ(t.DistMarks[0], (TMarkerSlot{1, 2, false, 0, 0}));
  EXPECT_EQ(t.ActiveMarks, t.FreqMarks);
  EXPECT_EQ(t.CableType, "LMR-400");
  EXPECT_FLOAT_EQ(t.Loss, 0.22F);
  EXPECT_FLOAT_EQ(t.Dielectric, static_cast<float>(1 / (0.85 * 0.85)));
  EXPECT_EQ(t.Smoothing, 2);
  EXPECT_FLOAT_EQ(t.StopDist, 30.0F);
  EXPECT_FLOAT_EQ(t.StartFreqHz, 800e6F);
  EXPECT_FLOAT_EQ(t.FreqStepHz, 50e6F);
  EXPECT_GT(t.MaxDist, 0.0F);
}

TEST(CsvRead, OlderRevisionsAndLossRule) {
  // Revision 2 in feet, read from a stream: Loss 1.5 becomes 0.15.
  const TOpenResult r2 = OpenCsv("rev2_feet.csv");
  EXPECT_TRUE(r2.Warning.empty());
  EXPECT_EQ(r2.Document->Doc.DistUnit, duFeet);
  EXPECT_FLOAT_EQ(r2.Document->Doc.Traces[0].Loss, 0.15F);
  EXPECT_EQ(r2.Document->Doc.GPSData[14], "Mast 7");

  // The text-file reader applies no such step.
  const auto bytes = ReadWholeFile(DataFile("rev2_feet.csv"));
  TTextFile text(bytes);
  CLXZT_TraceFile f;
  f.LoadFile(text);
  EXPECT_DOUBLE_EQ(f.DTF.Loss, 1.5);
  EXPECT_EQ(f.CrcResidual(), 0);
  EXPECT_EQ(f.Rev, "2");

  // Revision 1: CRC in column 83, no GPS, and the rule applies as well.
  const TOpenResult r1 = OpenCsv("rev1.csv");
  EXPECT_TRUE(r1.Warning.empty()) << r1.Warning;
  EXPECT_FLOAT_EQ(r1.Document->Doc.Traces[0].Loss, 0.1F);
  for (const auto &g : r1.Document->Doc.GPSData)
    EXPECT_TRUE(g.empty());
  EXPECT_EQ(r1.Document->Doc.Traces[0].NumPoints, 5);

  TSAFileStream s = TSAFileStream::FromBytes("rev1.csv", ReadWholeFile(DataFile("rev1.csv")));
  CLXZT_TraceFile f1;
  f1.LoadFileW(s);
  EXPECT_EQ(f1.Rev, "3");
  EXPECT_NE(f1.StoredCRC, 0);
}

TEST(CsvRead, LabelsWithCommasAndQuotes) {
  const TOpenResult r = OpenCsv("rev3_label_commas.csv");
  EXPECT_EQ(r.Document->Doc.Traces[0].Label, "Site 1,Sector Alpha,Ant 2");
  EXPECT_DOUBLE_EQ(r.Document->Doc.Traces[0].DateTime, EncodeDateTime({2013, 3, 7, 13, 5, 0}));
  EXPECT_EQ(r.Document->Doc.Traces[0].Model, "LX-3600ZT");
  EXPECT_TRUE(r.Warning.empty());

  const TOpenResult q = OpenCsv("rev3_quoted_label.csv");
  EXPECT_EQ(q.Document->Doc.Traces[0].Label, "He said \"hi\", ok");
}

TEST(CsvRead, CrcMismatchLoadsWithMessageAndLimits) {
  const TOpenResult r = OpenCsv("rev3_bad_crc.csv");
  ASSERT_EQ(r.Warning.rfind("CRC Error: ", 0), 0U) << r.Warning;
  EXPECT_NE(r.Warning, "CRC Error: 0");
  EXPECT_EQ(r.Document->Doc.Traces[0].NumPoints, 5);

  const TOpenResult v = OpenCsv("rev3_dtf_vswr.csv");
  EXPECT_EQ(v.Document->Doc.PlotMode, pmDistance);
  EXPECT_EQ(v.Document->Doc.ScaleUnit, suVSWR);
  EXPECT_EQ(v.Document->Doc.Traces[0].DateTime, 0.0);
  EXPECT_NEAR(v.Document->Doc.Traces[0].Mag[1], (1 + 0.15) / (1 - 0.15), 1e-9);

  try {
    OpenCsv("rev3_950_points.csv");
    FAIL() << "950 points accepted";
  } catch (const EmoxInvalidFileError &e) {
    EXPECT_STREQ(e.what(), kMsgInvalidFile);
  }
}

TEST(CsvRead, DamagedFilesFailCleanly) {
  const auto good = ReadWholeFile(DataFile("rev3_basic.csv"));
  std::string s(good.begin(), good.end());
  auto open = [](const std::string &text) {
    return OpenDocumentBytes(std::vector<std::uint8_t>(text.begin(), text.end()), "x.csv");
  };
  // Cut after the settings row: end of file while reading points.
  const std::size_t row2 = s.find("\r\n", s.find("\r\n") + 2);
  EXPECT_THROW(open(s.substr(0, row2 + 2)), ESAFileStream_Exception);
  // A point row with one field.
  std::string oneField = s.substr(0, row2 + 2) + "0.5\r\n" + s.substr(s.find("\r\n", row2 + 2) + 2);
  EXPECT_THROW(open(oneField), EmoxInvalidFileError);
  // Wrong revision column name.
  std::string wrongHeader = s;
  wrongHeader.replace(wrongHeader.find("LXZT Trace File Rev,Label"), 4, "LXZT_");
  EXPECT_THROW(open("Mag,Angle,LXZT Trace File Rev\r\nx,y,z\r\n"), EmoxInvalidFileError);
  // A stop frequency below the start (one byte less: 1000000 -> 100000) is
  // refused, not shown as a falling sweep with a negative distance range.
  std::string falling = s;
  falling.replace(falling.find(",800000,1000000,"), 16, ",800000,100000,");
  try {
    open(falling);
    FAIL() << "falling frequencies accepted";
  } catch (const EmoxFormatError &e) {
    EXPECT_STREQ(e.what(), kMsgFrequencyOrder);
  }
  // A number that is no number.
  std::string badNumber = s;
  badNumber.replace(badNumber.find(",800000,"), 8, ",8x0000,");
  EXPECT_THROW(open(badNumber), EmoxFileError);
}

TEST(CsvWrite, RowsCrcAndRoundTrip) {
  TmoxDocument doc = OneTraceDoc();
  TTraceData &t = doc.Doc.Traces[0];
  t.DateTime = EncodeDateTime({2013, 3, 7, 13, 5, 0});
  t.SetupDateTime = EncodeDateTime({2012, 12, 31, 23, 59, 0});
  t.Model = "LX-2000ZT";
  t.SN = "SN,1";
  t.Revision = "2.5";
  t.CalState = 2;
  t.VCOTemp = 299;
  t.SetupVCOTemp = 300;
  t.SetupName = "Band \"B\"";
  t.CableType = "RG-8";
  t.Loss = 0.125F;
  t.StartDist = 1.5F;
  t.StopDist = 42.0F;
  t.Smoothing = 3;
  t.FreqMarks[0] = {1, 2, true, 6, 1};
  t.FreqMarks[4] = {1, 1, false, 0, 0};
  t.DistMarks[2] = {1, 3, true, 1, 0};
  t.ActiveMarks = t.FreqMarks;
  doc.Doc.FreqLimitMode = 1;
  doc.Doc.FreqLimitValue = -14.5;
  doc.Doc.DistUnit = duFeet;
  doc.Doc.FreqScale = {0, 1, 990, 1040, -45, -2};
  doc.Doc.DistScale = {0, 1, 0, 50, -70, 0};
  doc.Doc.GPSData[3] = "N";
  doc.Doc.GPSData[14] = "Roof, east";

  const auto bytes = DocumentBytesFor(doc, TDocFormat::Csv, 0);
  const auto lines = CsvLines(bytes);
  ASSERT_EQ(lines.size(), 2U + 4U);
  EXPECT_EQ(lines[0].rfind("Mag,Angle,LXZT Trace File Rev,Label,", 0), 0U);
  for (std::size_t i = 2; i + 1 < lines.size(); ++i)
    EXPECT_EQ(Split(lines[i]).size(), 99U);
  // The CRC follows the 98th comma of the last row, four lower-case digits.
  const std::string &last = lines.back();
  EXPECT_EQ(std::count(last.begin(), last.end(), ','), 98);
  EXPECT_EQ(last.size() - last.rfind(',') - 1, 4U);

  TSAFileStream in = TSAFileStream::FromBytes("w.csv", bytes);
  CLXZT_TraceFile f;
  f.LoadFileW(in);
  EXPECT_EQ(f.CrcResidual(), 0); // our own file checks out

  const TOpenResult r = OpenDocumentBytes(bytes, "w.csv");
  EXPECT_TRUE(r.Warning.empty());
  const TTraceDoc &d = r.Document->Doc;
  const TTraceData &u = d.Traces[0];
  EXPECT_EQ(u.Label, "Label");
  EXPECT_DOUBLE_EQ(u.DateTime, t.DateTime);
  EXPECT_DOUBLE_EQ(u.SetupDateTime, t.SetupDateTime);
  EXPECT_EQ(u.Model, t.Model);
  EXPECT_EQ(u.SN, t.SN);
  EXPECT_EQ(u.Revision, t.Revision);
  EXPECT_EQ(u.CalState, 2);
  EXPECT_EQ(u.VCOTemp, 299);
  EXPECT_EQ(u.SetupVCOTemp, 300);
  EXPECT_EQ(u.SetupName, t.SetupName);
  EXPECT_EQ(u.CableType, "RG-8");
  EXPECT_FLOAT_EQ(u.Loss, 0.125F);
  EXPECT_FLOAT_EQ(u.Dielectric, t.Dielectric);
  EXPECT_FLOAT_EQ(u.StartDist, 1.5F);
  EXPECT_FLOAT_EQ(u.StopDist, 42.0F);
  EXPECT_EQ(u.Smoothing, 3);
  EXPECT_EQ(u.FreqMarks, t.FreqMarks);
  EXPECT_EQ(u.DistMarks, t.DistMarks);
  EXPECT_EQ(d.FreqLimitMode, 1);
  EXPECT_DOUBLE_EQ(d.FreqLimitValue, -14.5);
  EXPECT_EQ(d.DistUnit, duFeet);
  EXPECT_EQ(d.FreqScale.YMin, -45);
  EXPECT_EQ(d.FreqScale.YMax, -2);
  // The distance X range travels as the trace's start and stop distance.
  EXPECT_EQ(d.DistScale, (TScaleGroup{0, 1, 1.5, 42, -70, 0}));
  EXPECT_EQ(d.GPSData, doc.Doc.GPSData);
  ASSERT_EQ(u.NumPoints, 4);
  for (std::size_t k = 0; k < 4; ++k) {
    EXPECT_NEAR(u.Freq[k], t.Freq[k], 1e-9);
    EXPECT_NEAR(u.Mag[k], t.Mag[k], 1e-9);
    EXPECT_NEAR(u.Angle[k], t.Angle[k], 1e-9);
  }
}

TEST(CsvWrite, SettingsColumnRules) {
  TmoxDocument doc = OneTraceDoc();
  TTraceData &t = doc.Doc.Traces[0];
  // Only the second slot shown: states 0,1,0,0,0,0; a disabled slot has Delta 7.
  t.FreqMarks[1] = {1, 2, false, 3, 0};
  auto f = SavedSettings(doc);
  for (int k = 0; k < 6; ++k)
    EXPECT_EQ(f[static_cast<std::size_t>(23 + 4 * k)], k == 1 ? "1" : "0") << k;
  EXPECT_EQ(f[28], "7");
  EXPECT_EQ(f[4], ""); // DateTime 0 is written empty
  // Two shown slots: 1 then 2.
  t.FreqMarks[3] = {1, 0, true, 2, 0};
  f = SavedSettings(doc);
  EXPECT_EQ(f[27], "1");
  EXPECT_EQ(f[35], "2");
  EXPECT_EQ(f[36], "2");
  // The label falls back to the title.
  t.Label = "";
  EXPECT_EQ(SavedSettings(doc)[3], "Title");

  // Rho and mRho are written as Return Loss and reopen in it.
  for (std::uint8_t unit : {suRho, suMRho}) {
    TmoxDocument rho = OneTraceDoc();
    rho.Doc.ScaleUnit = unit;
    for (auto &m : rho.Doc.Traces[0].Mag)
      m = unit == suRho ? 0.1 : 100.0;
    EXPECT_EQ(SavedSettings(rho)[18], "1");
    const TOpenResult r = OpenDocumentBytes(DocumentBytesFor(rho, TDocFormat::Csv, 0), "r.csv");
    EXPECT_EQ(r.Document->Doc.ScaleUnit, suReturnLoss);
    EXPECT_NEAR(r.Document->Doc.Traces[0].Mag[0], -20.0, 1e-9);
  }
  TmoxDocument vswr = OneTraceDoc();
  vswr.Doc.ScaleUnit = suVSWR;
  for (auto &m : vswr.Doc.Traces[0].Mag)
    m = 1.5;
  EXPECT_EQ(SavedSettings(vswr)[18], "0");
  vswr.Doc.ScaleUnit = suCableLoss;
  EXPECT_EQ(SavedSettings(vswr)[18], "2");
  EXPECT_EQ(SavedSettings(vswr)[50], "2");
}

TEST(CsvWrite, LimitsAndChooser) {
  TmoxDocument big = OneTraceDoc(950);
  EXPECT_THROW(DocumentBytesFor(big, TDocFormat::Csv, 0), EmoxCSVError);
  TmoxDocument ok = OneTraceDoc(949);
  EXPECT_NO_THROW(DocumentBytesFor(ok, TDocFormat::Csv, 0));

  CLXZT_Trace_v1 v1;
  TSAFileStream out("", false, TSAFileStream::smOutput);
  try {
    v1.SaveFileW(out);
    FAIL();
  } catch (const EmoxException &e) {
    EXPECT_STREQ(e.what(), "CLXZT_Trace_v1.SaveFileW is not implemented.");
  }

  TmoxDocument doc = OneTraceDoc();
  TTraceChoice one = TraceChoiceForSave(doc.Doc.Traces);
  EXPECT_FALSE(one.AskUser);
  EXPECT_EQ(one.Preselected, 0);
  doc.Doc.AddTrace(doc.Doc.Traces[0]);
  doc.Doc.Traces[1].Title = "Second";
  doc.Doc.Traces[1].DateTime = EncodeDateTime({2014, 5, 6, 7, 8, 9});
  const TTraceChoice two = TraceChoiceForSave(doc.Doc.Traces);
  EXPECT_TRUE(two.AskUser);
  EXPECT_EQ(two.Preselected, 1);
  ASSERT_EQ(two.Descriptions.size(), 2U);
  EXPECT_EQ(two.Descriptions[1], "5/6/2014 7:08:09 AM,\"Second\"");
  // The chosen trace is the one written.
  EXPECT_EQ(SavedSettings(doc, 1)[3], "Label");
  doc.Doc.Traces[1].Label = "";
  EXPECT_EQ(SavedSettings(doc, 1)[3], "Second");
  EXPECT_THROW(DocumentBytesFor(doc, TDocFormat::Csv, 2), EmoxFileError);
}

TEST(CsvWrite, Revision1WriterReadsBack) {
  const auto bytes = ReadWholeFile(DataFile("rev3_basic.csv"));
  TTextFile in(bytes);
  CLXZT_Trace_v1 v1;
  v1.LoadFile(in);
  std::string text;
  v1.Rev = "1";
  v1.SaveFile(text);
  const std::vector<std::uint8_t> out(text.begin(), text.end());
  TTextFile again(out);
  CLXZT_TraceFile f;
  f.LoadFile(again);
  EXPECT_EQ(f.CrcResidual(), 0);
  EXPECT_EQ(f.Rev, "1");
  EXPECT_EQ(f.Label, "Site A");
  ASSERT_EQ(f.Points.size(), 5U);
  EXPECT_DOUBLE_EQ(f.Points[4].Mag, 0.45);
  EXPECT_TRUE(f.GPS[0].empty());
}

} // namespace
