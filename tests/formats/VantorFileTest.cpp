#include <gtest/gtest.h>

#include <cmath>

#include "core/DateTime.h"
#include "core/Excption.h"
#include "core/SAFileStream.h"
#include "core/TestHelpers.h"
#include "formats/DocumentIO.h"
#include "formats/VantorFile.h"

using namespace korv;

namespace {

std::string DataFile(const std::string &name) { return std::string(KORV_TEST_DATA) + "/vnf/" + name; }

std::vector<std::string> LinesOf(const std::string &text) {
  std::vector<std::string> out;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t e = text.find("\r\n", pos);
    out.push_back(text.substr(pos, e - pos));
    pos = e == std::string::npos ? text.size() : e + 2;
  }
  return out;
}

std::string FileTextOf(const std::string &name) {
  const auto b = ReadWholeFile(DataFile(name));
  return {b.begin(), b.end()};
}

std::string Saved(TmoxDocument &doc) {
  const auto b = DocumentBytesFor(doc, TDocFormat::Vnf, 0);
  return {b.begin(), b.end()};
}

TEST(VantorUnits, ConversionsAndInvalidUnit) {
  EXPECT_DOUBLE_EQ(CKP418_TraceFile::UnitToDb(-12.5, 2), -12.5);
  EXPECT_NEAR(CKP418_TraceFile::UnitToDb(50, 4), 20 * std::log10(std::sqrt(0.5)), 1e-12);
  EXPECT_NEAR(CKP418_TraceFile::UnitToDb(1, 5), -20.0, 1e-12);
  EXPECT_DOUBLE_EQ(CKP418_TraceFile::DbToUnit(0.5, 4), 0.75);
  EXPECT_DOUBLE_EQ(CKP418_TraceFile::DbToUnit(0.5, 5), 0.25);
  EXPECT_DOUBLE_EQ(CKP418_TraceFile::DbToUnit(-3, 1), -3);
  for (auto fn : {&CKP418_TraceFile::UnitToDb, &CKP418_TraceFile::DbToUnit}) {
    try {
      fn(1.0, 6);
      FAIL();
    } catch (const EmoxVantorError &e) {
      EXPECT_STREQ(e.what(), "Invalid Unit in FVNATrace object.");
    }
  }
  EXPECT_EQ(KP418Double(1.5), "1.50000E+000");
  EXPECT_EQ(KP418Double(-0.066), "-6.60000E-002");
  EXPECT_EQ(KP418Double(0), "0.00000E+000");
}

TEST(VantorRead, ReflectionSweepWithOffset) {
  const TOpenResult r = OpenDocument(DataFile("mode1_offset.vnf"));
  EXPECT_EQ(r.Format, TDocFormat::Vnf);
  const TmoxDocument &doc = *r.Document;
  const TTraceDoc &d = doc.Doc;
  EXPECT_EQ(d.FileVersion, 6);
  EXPECT_EQ(d.MainTitle, "Main Title");
  EXPECT_EQ(d.MainTitleFixed, 1);
  EXPECT_EQ(d.SubTitle, "Sub Title");
  EXPECT_EQ(d.PlotMode, pmFrequency);
  EXPECT_EQ(d.ScaleUnit, suReturnLoss);
  EXPECT_EQ(d.DistUnit, duFeet);
  EXPECT_EQ(d.FreqScale, (TScaleGroup{0, 1, 1912.5, 2012.5, -50, 0}));
  EXPECT_EQ(d.DistScale, (TScaleGroup{0, 1, 0, 10000, -100, 0}));
  EXPECT_EQ(d.FreqLimitMode, 1);
  EXPECT_DOUBLE_EQ(d.FreqLimitValue, -15);
  EXPECT_EQ(d.DistLimitMode, 0);
  ASSERT_EQ(d.TraceCount(), 1);
  const TTraceData &t = d.Traces[0];
  EXPECT_EQ(t.Title, "Label X");
  EXPECT_EQ(t.Label, "Label X");
  EXPECT_EQ(t.Model, "KP418");
  EXPECT_EQ(t.SN, "SN12345");
  EXPECT_EQ(t.Revision, "Rev 2009.1");
  EXPECT_DOUBLE_EQ(t.DateTime, EncodeDateTime({2013, 3, 7, 13, 5, 9}));
  EXPECT_DOUBLE_EQ(t.SetupDateTime, t.DateTime);
  EXPECT_EQ(t.CalState, 1);
  EXPECT_EQ(t.FMOnOff, 0);
  ASSERT_EQ(t.NumPoints, 5);
  // -20 dB with offset 1.5 gives -17; +0.3 is first cut to 0, and told.
  const double expect[] = {-17, 3, -7, -27, -2.5};
  EXPECT_EQ(r.Warning, "1 of 5 points above total reflection (largest |S11| 1.04): the sweep may lack calibration");
  for (std::size_t k = 0; k < 5; ++k) {
    EXPECT_NEAR(t.Freq[k], 1912.5 + 25.0 * static_cast<double>(k), 1e-9);
    EXPECT_NEAR(t.Mag[k], expect[k], 1e-12);
    EXPECT_NEAR(t.Angle[k], 0.1 * static_cast<double>(k) * 57.295779513082320877, 1e-12);
  }
  // Marker 1: type 6 kept, the limit being on; the distance set is empty.
  EXPECT_EQ(t.FreqMarks[0], (TMarkerSlot{1, 1, true, 6, 1}));
  EXPECT_EQ(t.FreqMarks[1], (TMarkerSlot{1, 2, false, 0, 0}));
  EXPECT_EQ(t.FreqMarks[2], (TMarkerSlot{0, 3, false, 0, 0}));
  EXPECT_EQ(t.DistMarks, TMarkerSet{});
  EXPECT_EQ(t.CableType, "None");
  EXPECT_FLOAT_EQ(t.Dielectric, static_cast<float>(1 / (0.89 * 0.89)));
  EXPECT_FLOAT_EQ(t.StopDist, 10000.0F);
  const TVantorSettings &s = doc.VantorSettings;
  EXPECT_EQ(s.HeaderTexts[1], "Head 2");
  EXPECT_EQ(s.TitleTexts[5], "Text 6");
  EXPECT_EQ(s.Text, "free text");
  EXPECT_EQ(s.Int, -1);
  EXPECT_DOUBLE_EQ(s.ReflectionOffset, 1.5);
  EXPECT_DOUBLE_EQ(s.Double, 0.25);
  EXPECT_EQ(s.ActiveMarker, 1);
  EXPECT_EQ(s.LimitsInt, 7);
  EXPECT_EQ(s.MarkerFreqHz[2], 1964500250.0L);
  EXPECT_DOUBLE_EQ(s.MarkerValue[3], -23);
}

TEST(VantorRead, OtherModesAndUnits) {
  const TOpenResult dtf = OpenDocument(DataFile("mode2_dtf.vnf"));
  const TTraceDoc &d = dtf.Document->Doc;
  EXPECT_EQ(d.PlotMode, pmDistance);
  EXPECT_EQ(d.DistUnit, duFeet);
  EXPECT_EQ(d.DistScale, (TScaleGroup{0, 1, 0, 150, -50, 0}));
  const TTraceData &t = d.Traces[0];
  // Type 6 while the distance limit is off reads as 0.
  EXPECT_EQ(t.DistMarks[0], (TMarkerSlot{1, 1, true, 0, 1}));
  EXPECT_EQ(t.FreqMarks, TMarkerSet{});
  EXPECT_EQ(t.CableType, "LMR-400");
  EXPECT_FLOAT_EQ(t.Loss, 0.066F);
  EXPECT_EQ(t.Smoothing, 1);
  EXPECT_EQ(dtf.Document->VantorSettings.DtfPairs.size(), 5U);
  EXPECT_DOUBLE_EQ(dtf.Document->VantorSettings.DtfPairs[4].second, 40.0);

  const TOpenResult cable = OpenDocument(DataFile("mode3_cable.vnf"));
  EXPECT_EQ(cable.Document->Doc.ScaleUnit, suCableLoss);
  EXPECT_EQ(cable.Document->Doc.FreqLimitMode, 1);
  EXPECT_DOUBLE_EQ(cable.Document->Doc.FreqLimitValue, -3);
  EXPECT_DOUBLE_EQ(cable.Document->VantorSettings.ExtraValue, 4.5);

  EXPECT_DOUBLE_EQ(OpenDocument(DataFile("mode4_extra.vnf")).Document->VantorSettings.ExtraValue, 2.5);
  EXPECT_DOUBLE_EQ(OpenDocument(DataFile("mode4_plain.vnf")).Document->VantorSettings.ExtraValue, 0);

  const TOpenResult pct = OpenDocument(DataFile("unit5_percent.vnf"));
  EXPECT_NEAR(pct.Document->Doc.FreqScale.YMin, -20.0, 1e-12);
  EXPECT_NEAR(pct.Document->Doc.FreqScale.YMax, 0.0, 1e-12);
}

TEST(VantorRead, RefusedFiles) {
  for (const char *name : {"bad_marker.vnf", "bad_year.vnf", "too_many_points.vnf"}) {
    try {
      OpenDocument(DataFile(name));
      FAIL() << name;
    } catch (const EmoxInvalidFileError &e) {
      EXPECT_STREQ(e.what(), kMsgInvalidFile) << name;
    }
  }
  // Files of no known kind end at the handheld reader with the same words.
  for (const std::string text : {"", "hello\r\n", "0000\r\nRev 2009\r\n"}) {
    const std::vector<std::uint8_t> b(text.begin(), text.end());
    EXPECT_THROW(OpenDocumentBytes(b, "x.vnf"), EmoxInvalidFileError) << text;
  }
  // The unit line is stored plus 20: an extreme value must not overflow.
  std::string text = FileTextOf("mode1_offset.vnf");
  text.replace(text.find("\r\n0022\r\n") + 2, 4, "-2147483648");
  EXPECT_THROW(OpenDocumentBytes({text.begin(), text.end()}, "u.vnf"), EmoxVantorError);
  // A file cut in the middle fails as a bad file, not by reading past it.
  std::string good = FileTextOf("mode2_dtf.vnf");
  for (std::size_t cut = 300; cut < good.size(); cut += 97) {
    const std::vector<std::uint8_t> b(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(cut));
    EXPECT_THROW(OpenDocumentBytes(b, "x.vnf"), EmoxFileError) << cut;
  }
}

TEST(VantorWrite, HandheldFilesWriteBackUnchanged) {
  // The clamped +0.3 dB point and the type-6 marker of a file whose limit is
  // off are the only lines a load and save change.
  struct Case {
    const char *name;
    std::vector<std::pair<std::size_t, std::string>> changed;
  };
  const Case cases[] = {
      {"mode1_offset.vnf", {{30, "0.000000\t0.100000"}}},
      {"mode2_dtf.vnf", {{30, "0.000000\t0.100000"}, {42, "0000"}}},
      {"mode3_cable.vnf", {{30, "0.000000\t0.100000"}}},
  };
  for (const Case &c : cases) {
    const TOpenResult r = OpenDocument(DataFile(c.name));
    auto expect = LinesOf(FileTextOf(c.name));
    for (const auto &[line, text] : c.changed)
      expect.at(line) = text;
    const auto got = LinesOf(Saved(*r.Document));
    ASSERT_EQ(got.size(), expect.size()) << c.name;
    for (std::size_t i = 0; i < got.size(); ++i)
      EXPECT_EQ(got[i], expect[i]) << c.name << " line " << i + 1;
  }
}

TEST(VantorWrite, FrequencyLinesAndRefusal) {
  TmoxDocument doc(TmoxDocument::EmptyTag{});
  TTraceData &t = doc.Doc.Traces[doc.Doc.AddTrace()];
  t.Model = "LX-3600ZT";
  t.NumPoints = 3;
  t.Freq = {1912.5, 1962.5, 2012.5};
  t.Mag = {-10, -20, -30};
  t.Angle = {0, 90, 180};
  std::string text = "untouched";
  CKP418_TraceFile f;
  EXPECT_FALSE(f.SaveToText(text, doc));
  EXPECT_EQ(text, "untouched");

  TempDir dir;
  const std::string path = dir.File("other.vnf");
  try {
    SaveDocument(doc, path, [] { return true; });
    FAIL();
  } catch (const EmoxVantorError &e) {
    EXPECT_STREQ(e.what(), kMsgVnfNotHandheld);
  }
  EXPECT_FALSE(std::filesystem::exists(path));

  // A handheld model whose header the handheld would not accept would not
  // open again either: refused before anything is written.
  t.Model = "KP418";
  EXPECT_THROW(SaveDocument(doc, path, [] { return true; }), EmoxFormatError);
  EXPECT_FALSE(std::filesystem::exists(path));
  t.Revision = "Rev 2010";
  ASSERT_TRUE(SaveDocument(doc, path, [] { return true; }));
  const auto b = ReadWholeFile(path);
  const auto lines = LinesOf(std::string(b.begin(), b.end()));
  EXPECT_EQ(lines[14], "1962500000"); // centre: half a MHz
  EXPECT_EQ(lines[15], "0100000000"); // span of whole MHz ends in six zeros
  EXPECT_EQ(lines[23], "0022");
  EXPECT_EQ(lines[29], "-10.000000\t0.000000");
  EXPECT_EQ(lines[31], "-30.000000\t3.141593");

  // A frequency the four-digit MHz field cannot hold is refused, not garbled.
  t.Freq = {9000, 10000, 11000};
  EXPECT_THROW(Saved(doc), EmoxVantorError);
}

TEST(VantorWrite, DocumentRoundTripKeepsItsFields) {
  // The frequency view carries the frequency set; the distance view also
  // the cable block.
  for (const std::int32_t mode : {pmFrequency, pmDistance}) {
    SCOPED_TRACE(mode);
    TmoxDocument doc(TmoxDocument::EmptyTag{});
    TTraceDoc &d = doc.Doc;
    d.PlotMode = mode;
    d.MainTitle = "Tower 4";
    d.SubTitle = "Sector B";
    d.ScaleUnit = suVSWR;
    TScaleGroup &g = mode == pmDistance ? d.DistScale : d.FreqScale;
    g = {0, 1, 0, 0, 1.0, 3.5};
    (mode == pmDistance ? d.DistLimitMode : d.FreqLimitMode) = 1;
    (mode == pmDistance ? d.DistLimitValue : d.FreqLimitValue) = 1.5;
    d.DistUnit = duMeters;
    TTraceData &t = d.Traces[d.AddTrace()];
    t.Model = "KP418";
    t.Label = "Feeder 2";
    t.SN = "K-77";
    t.Revision = "Rev 2010";
    t.CalState = 1;
    t.DateTime = EncodeDateTime({2015, 11, 30, 22, 41, 7});
    t.NumPoints = 4;
    t.Freq = {700, 710, 720, 730};
    t.Mag = {1.2, 1.5, 2.0, 1.05};
    t.Angle = {-170, -45.5, 10, 179};
    t.CableType = "LDF4";
    t.Loss = 0.05F;
    t.Dielectric = 1.0F / (0.88F * 0.88F);
    t.StartDist = 2;
    t.StopDist = 60;
    t.Smoothing = 2;
    TMarkerSet &marks = mode == pmDistance ? t.DistMarks : t.FreqMarks;
    marks[2] = {1, 3, true, 6, 1};
    t.ActiveMarks = marks;
    d.MaxPoints = 4;
    doc.VantorSettings.ReflectionOffset = 0.5;

    const std::string text = Saved(doc);
    const TOpenResult r = OpenDocumentBytes({text.begin(), text.end()}, "rt.vnf");
    const TTraceDoc &e = r.Document->Doc;
    EXPECT_EQ(e.PlotMode, mode);
    EXPECT_EQ(e.MainTitle, "Tower 4");
    EXPECT_EQ(e.SubTitle, "Sector B");
    EXPECT_EQ(e.ScaleUnit, suVSWR);
    const TScaleGroup &h = mode == pmDistance ? e.DistScale : e.FreqScale;
    EXPECT_EQ(h.YMin, 1.0);
    EXPECT_EQ(h.YMax, 3.5);
    EXPECT_EQ(mode == pmDistance ? e.DistLimitMode : e.FreqLimitMode, 1);
    EXPECT_DOUBLE_EQ(mode == pmDistance ? e.DistLimitValue : e.FreqLimitValue, 1.5);
    const TTraceData &u = e.Traces[0];
    EXPECT_EQ(u.Label, "Feeder 2");
    EXPECT_EQ(u.SN, "K-77");
    EXPECT_EQ(u.Revision, "Rev 2010");
    EXPECT_EQ(u.CalState, 1);
    EXPECT_DOUBLE_EQ(u.DateTime, t.DateTime);
    ASSERT_EQ(u.NumPoints, 4);
    for (std::size_t k = 0; k < 4; ++k) {
      EXPECT_NEAR(u.Freq[k], t.Freq[k], 1e-9);
      // Values travel as dB with six decimals.
      EXPECT_NEAR(u.Mag[k], t.Mag[k], 1e-5 * t.Mag[k]);
      EXPECT_NEAR(u.Angle[k], t.Angle[k], 1e-4);
    }
    EXPECT_EQ(mode == pmDistance ? u.DistMarks : u.FreqMarks, marks);
    EXPECT_DOUBLE_EQ(r.Document->VantorSettings.ReflectionOffset, 0.5);
    if (mode == pmDistance) {
      EXPECT_EQ(e.DistUnit, duMeters);
      EXPECT_EQ(u.CableType, "LDF4");
      EXPECT_FLOAT_EQ(u.Loss, 0.05F);
      EXPECT_NEAR(u.Dielectric, t.Dielectric, 1e-5);
      EXPECT_FLOAT_EQ(u.StartDist, 2);
      EXPECT_FLOAT_EQ(u.StopDist, 60);
      EXPECT_EQ(u.Smoothing, 2);
    }
  }
}

} // namespace
