#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "TestHelpers.h"
#include "core/Crc16.h"
#include "core/DateTime.h"
#include "core/DocFile.h"
#include "core/ErrorText.h"
#include "core/Excption.h"
#include "core/TextUtil.h"

using namespace korv;

namespace {

TmoxDocument RandomDocument(std::mt19937 &rng, int traces) {
  auto ri = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  auto rd = [&](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng); };
  auto rs = [&](int maxLen) {
    std::string s;
    const int n = ri(0, maxLen);
    for (int i = 0; i < n; ++i)
      s += static_cast<char>(ri(0, 1) ? ri('a', 'z') : ri(0xA0, 0xFF));
    return s;
  };
  TmoxDocument doc(TmoxDocument::EmptyTag{});
  TTraceDoc &d = doc.Doc;
  d.MainTitle = rs(40);
  d.SubTitle = rs(40);
  d.MainTitleFixed = static_cast<std::uint8_t>(ri(0, 1));
  d.SubTitleFixed = static_cast<std::uint8_t>(ri(0, 1));
  d.DataKind = static_cast<std::uint8_t>(ri(0, 2));
  d.SetupInfo = {0, 0, 0, static_cast<std::uint8_t>(ri(0, 255)), static_cast<std::uint8_t>(ri(0, 255))};
  d.PlotMode = ri(1, 3);
  d.ScaleUnit = static_cast<std::uint8_t>(ri(0, 4));
  d.DistUnit = static_cast<std::uint8_t>(ri(0, 1));
  d.FreqLimitMode = ri(0, 2);
  d.DistLimitMode = ri(0, 2);
  d.FreqLimitValue = std::round(rd(-100, 100) * 1000) / 1000;
  d.DistLimitValue = std::round(rd(-100, 100) * 1000) / 1000;
  for (TScaleGroup *g : {&d.FreqScale, &d.DistScale}) {
    g->Flag1 = static_cast<std::uint8_t>(ri(0, 1));
    g->Flag2 = static_cast<std::uint8_t>(ri(0, 1));
    g->XMin = std::round(rd(0, 1000) * 1000) / 1000;
    g->XMax = std::round(rd(1000, 3000) * 1000) / 1000;
    g->YMin = std::round(rd(-80, 0) * 1000) / 1000;
    g->YMax = std::round(rd(0, 10) * 1000) / 1000;
  }
  for (int i = 0; i < traces; ++i) {
    TTraceData &t = d.Traces[d.AddTrace()];
    t.Title = rs(30);
    t.Label = rs(50);
    t.SiteNumber = static_cast<std::uint16_t>(ri(0, 65535));
    t.Sector = static_cast<std::uint8_t>(ri(0, 3));
    t.AntennaKind = static_cast<std::uint8_t>(ri(0, 2));
    t.AntennaNumber = static_cast<std::uint8_t>(ri(0, 255));
    t.DateTime = EncodeDateTime({ri(1990, 2030), ri(1, 12), ri(1, 28), ri(0, 23), ri(0, 59), ri(0, 59)});
    t.CalState = static_cast<std::uint8_t>(ri(0, 2));
    t.VCOTemp = ri(-50, 400);
    t.SetupName = rs(25);
    t.SetupVCOTemp = ri(-50, 400);
    t.SetupDateTime = EncodeDateTime({ri(1990, 2030), ri(1, 12), ri(1, 28), ri(0, 23), ri(0, 59), 0});
    t.Model = "LX-3250A";
    t.SN = std::to_string(ri(1, 999999));
    t.Revision = rs(25);
    const int n = ri(1, 949);
    t.NumPoints = n;
    const double f0 = std::round(rd(25, 2000) * 1000) / 1000;
    const double f1 = f0 + std::round(rd(1, 1000) * 1000) / 1000;
    for (int k = 0; k < n; ++k) {
      t.Freq.push_back(n > 1 ? f0 + (f1 - f0) * k / (n - 1) : f0);
      t.Mag.push_back(rd(-60, 0));
      t.Angle.push_back(rd(-180, 180));
    }
    for (TMarkerSet *set : {&t.FreqMarks, &t.DistMarks}) {
      for (auto &m : *set) {
        m.Visible = static_cast<std::uint8_t>(ri(0, 1));
        m.Point = ri(0, n - 1);
        m.Style = static_cast<std::uint8_t>(ri(0, 1));
        m.DeltaOn = ri(0, 1) != 0;
        m.Reference = m.DeltaOn ? ri(0, 5) : 7;
      }
    }
    t.CableType = rs(20);
    t.Loss = static_cast<float>(std::round(rd(0, 1) * 10000) / 10000);
    t.Dielectric = static_cast<float>(std::round(rd(1, 3) * 10000) / 10000);
    t.StartDist = static_cast<float>(std::round(rd(0, 10) * 1000) / 1000);
    t.StopDist = static_cast<float>(std::round(rd(10, 100) * 1000) / 1000);
    t.Smoothing = static_cast<std::uint8_t>(ri(0, 9));
  }
  return doc;
}

TmoxDocument Reload(const std::vector<std::uint8_t> &bytes) {
  TmoxDocument doc(TmoxDocument::EmptyTag{});
  ReadDocumentBytes(bytes, doc);
  return doc;
}

std::vector<std::uint8_t> WithTrailer(const std::string &text) { return StampCRC(Bytes(text + "xx")); }

} // namespace

TEST(DocFile, RandomRoundTripsKeepEveryField) {
  std::mt19937 rng(1234);
  for (int iter = 0; iter < 40; ++iter) {
    const int traces = iter < 15 ? iter : std::uniform_int_distribution<int>(0, 14)(rng);
    TmoxDocument a = RandomDocument(rng, traces);
    const TmoxDocument b = Reload(DocumentFileBytes(a));
    const TTraceDoc &x = a.Doc;
    const TTraceDoc &y = b.Doc;
    ASSERT_EQ(y.TraceCount(), traces);
    EXPECT_EQ(y.FileVersion, 7);
    EXPECT_EQ(y.MainTitle, x.MainTitle);
    EXPECT_EQ(y.SubTitle, x.SubTitle);
    EXPECT_EQ(y.MainTitleFixed, x.MainTitleFixed);
    EXPECT_EQ(y.SubTitleFixed, x.SubTitleFixed);
    EXPECT_EQ(y.DataKind, x.DataKind);
    EXPECT_EQ(y.SetupInfo, x.SetupInfo);
    EXPECT_EQ(y.PlotMode, x.PlotMode);
    EXPECT_EQ(y.ScaleUnit, x.ScaleUnit);
    EXPECT_EQ(y.DistUnit, x.DistUnit);
    EXPECT_EQ(y.FreqLimitMode, x.FreqLimitMode);
    EXPECT_NEAR(y.FreqLimitValue, x.FreqLimitValue, 1e-6);
    EXPECT_EQ(y.DistLimitMode, x.DistLimitMode);
    EXPECT_NEAR(y.DistLimitValue, x.DistLimitValue, 1e-6);
    for (auto [g, h] : {std::pair{&x.FreqScale, &y.FreqScale}, std::pair{&x.DistScale, &y.DistScale}}) {
      EXPECT_EQ(h->Flag1, g->Flag1);
      EXPECT_EQ(h->Flag2, g->Flag2);
      EXPECT_NEAR(h->XMin, g->XMin, 1e-6);
      EXPECT_NEAR(h->XMax, g->XMax, 1e-6);
      EXPECT_NEAR(h->YMin, g->YMin, 1e-6);
      EXPECT_NEAR(h->YMax, g->YMax, 1e-6);
    }
    for (int i = 0; i < traces; ++i) {
      const TTraceData &s = x.Traces[i];
      const TTraceData &t = y.Traces[i];
      EXPECT_EQ(t.Title, s.Title);
      EXPECT_EQ(t.Label, s.Label);
      EXPECT_EQ(t.SiteNumber, s.SiteNumber);
      EXPECT_EQ(t.Sector, s.Sector);
      EXPECT_EQ(t.AntennaKind, s.AntennaKind);
      EXPECT_EQ(t.AntennaNumber, s.AntennaNumber);
      EXPECT_NEAR(t.DateTime, s.DateTime, 0.5 / 86400);
      EXPECT_EQ(t.CalState, s.CalState);
      EXPECT_EQ(t.VCOTemp, s.VCOTemp);
      EXPECT_EQ(t.SetupName, s.SetupName);
      EXPECT_EQ(t.SetupVCOTemp, s.SetupVCOTemp);
      EXPECT_NEAR(t.SetupDateTime, s.SetupDateTime, 0.5 / 86400);
      EXPECT_EQ(t.FMOnOff, 1);
      EXPECT_EQ(t.Model, s.Model);
      EXPECT_EQ(t.SN, s.SN);
      EXPECT_EQ(t.Revision, s.Revision);
      ASSERT_EQ(t.NumPoints, s.NumPoints);
      for (int k = 0; k < s.NumPoints; ++k) {
        const auto kk = static_cast<std::size_t>(k);
        ASSERT_NEAR(t.Mag[kk], s.Mag[kk], 0.5e-5 + 1e-12);
        ASSERT_NEAR(t.Angle[kk], s.Angle[kk], 0.5e-3 + 1e-12);
        ASSERT_NEAR(t.Freq[kk], s.Freq[kk], 1e-3);
      }
      // A slot without delta is stored with reference 7 and read back as 0.
      for (auto [got, want] : {std::pair{&t.FreqMarks, s.FreqMarks}, std::pair{&t.DistMarks, s.DistMarks}}) {
        for (auto &m : want)
          if (!m.DeltaOn) m.Reference = 0;
        EXPECT_EQ(*got, want);
      }
      EXPECT_EQ(t.CableType, s.CableType);
      EXPECT_NEAR(t.Loss, s.Loss, 1e-4);
      EXPECT_NEAR(t.Dielectric, s.Dielectric, 1e-4);
      EXPECT_NEAR(t.StartDist, s.StartDist, 1e-3);
      EXPECT_NEAR(t.StopDist, s.StopDist, 1e-3);
      EXPECT_EQ(t.Smoothing, s.Smoothing);
      EXPECT_GT(t.MaxDist, 0.0F);
    }
  }
}

TEST(DocFile, EverySingleByteChangeIsRefusedBeforeReading) {
  std::mt19937 rng(99);
  const auto good = DocumentFileBytes(RandomDocument(rng, 2));
  ASSERT_EQ(CheckFileCRC(good), 0);
  for (std::size_t i = 0; i < good.size(); ++i) {
    auto bad = good;
    bad[i] ^= static_cast<std::uint8_t>(1U << (i % 8));
    TmoxDocument doc(TmoxDocument::EmptyTag{});
    try {
      ReadDocumentBytes(bad, doc);
      // A flip inside the header word itself may turn the file into another
      // format; it must then still not be read as a document.
      ADD_FAILURE() << "byte " << i << " accepted";
    } catch (const EmoxFileCRCError &e) {
      EXPECT_STREQ(e.what(), "CRC failure in file:\r\n");
      EXPECT_EQ(doc.Doc.TraceCount(), 0) << "read before the check at byte " << i;
    } catch (const EmoxFileError &) {
      EXPECT_EQ(doc.Doc.TraceCount(), 0);
    }
  }
}

TEST(DocFile, PointLinesMatchPrintfFormatting) {
  TmoxDocument doc(TmoxDocument::EmptyTag{});
  TTraceData &t = doc.Doc.Traces[doc.Doc.AddTrace()];
  const std::vector<double> values = {0.0,     -0.0,     0.125,    -0.000005, 2.5e-6,   -20.123455, 1e300,
                                      -1e-300, 123.4565, 0.999995, -99.99995, 179.9995, 1.0 / 3.0};
  for (double v : values) {
    t.Mag.push_back(v);
    t.Angle.push_back(v);
    t.Freq.push_back(100.0 + static_cast<double>(t.Freq.size()));
  }
  t.NumPoints = static_cast<int>(values.size());
  const auto bytes = DocumentFileBytes(doc);
  const std::string text(bytes.begin(), bytes.end());
  for (double v : values) {
    const std::string line = "\r\n" + Format("%.5f %.3f", v, v) + "\r\n";
    EXPECT_NE(text.find(line), std::string::npos) << line;
  }
}

TEST(DocFile, OddLengthTrailerPasses) {
  const std::string text = "Korv SA File Version 7\r\nabc";
  ASSERT_EQ(text.size() % 2, 1U);
  TSAFileStream s("", true, TSAFileStream::smOutput);
  s.Write(text);
  const auto stored = s.StoredBytes();
  // A file whose pad byte was dropped still checks, pad inserted before the trailer.
  std::vector<std::uint8_t> odd(stored.begin(), stored.begin() + static_cast<std::ptrdiff_t>(text.size()));
  odd.push_back(stored[stored.size() - 2]);
  odd.push_back(stored[stored.size() - 1]);
  EXPECT_EQ(CheckFileCRC(odd), 0);
  EXPECT_EQ(CheckFileCRC(stored), 0);
  // The stamp of an odd-length text file gives the same check.
  EXPECT_EQ(CheckFileCRC(StampCRC(Bytes(text + "\r\n"))), 0);
}

TEST(DocFile, EmptyDocumentKeepsTitlesAndScales) {
  TmoxDocument a(TmoxDocument::EmptyTag{});
  a.Doc.MainTitle = "Main";
  a.Doc.SubTitle = "Sub";
  a.Doc.FreqScale = {1, 0, 100, 200, -30, 0};
  const auto b = Reload(DocumentFileBytes(a));
  EXPECT_EQ(b.Doc.TraceCount(), 0);
  EXPECT_EQ(b.Doc.MainTitle, "Main");
  EXPECT_EQ(b.Doc.FreqScale, a.Doc.FreqScale);
  EXPECT_EQ(b.Doc.CurScale.Flag1, 0); // flags swapped in the shown scale
  EXPECT_EQ(b.Doc.CurScale.Flag2, 1);
}

namespace {
// A version 7 or 6 file with one 3-point trace, written from the layout tables.
std::string HandFile(int version, const std::string &markerBlock, int freqLimitMode = 0) {
  std::string s = "Korv SA File Version " + std::to_string(version) + "\r\n";
  s += "My Title\r\nMy Sub\r\n1 0\r\n0\r\n0 0 0 4 5\r\n\r\n\r\n\r\nGeneral Information\r\n";
  s += "0 1\r\n1 0\r\n1000.000 2000.000\r\n-40.000 0.000\r\n0.000 30.000\r\n-80.000 0.000\r\n";
  s += std::to_string(freqLimitMode) + " -15.500\r\n0 0.000\r\n0 97531.000\r\n0\r\n1\r\n1\r\n\r\n\r\n\r\n\r\n1\r\n";
  s += "Trace Data 0\r\nSweep A\r\n12 2 1 3 1/5/2003 1:07:09 PM\r\nSite 12 label\r\n";
  s += "\"LX-3250A\",\"00123\",\"V2.1\"\r\n2 1 301\r\n\"Setup X\" 299 \"1/4/2003\"\r\n\r\n\r\n\r\n\r\n\r\n";
  s += "3\r\n1000.000 1001.000\r\n-20.12345 45.125\r\n-21.00000 -90.000\r\n-22.50000 179.999\r\n\r\n";
  s += markerBlock;
  s += "RG-213\r\n0.0500 1.2913\r\n0.000 25.000\r\n2\r\n\r\n\r\n";
  return s;
}
} // namespace

TEST(DocFile, HandWrittenVersion7) {
  const std::string markers = "1 0 1 0 0 1\r\n5 0 2 0 0 1\r\n0 1 0 0 0 0\r\n2 7 6 7 7 9\r\n"
                              "0 0 0 0 0 0\r\n-3 0 0 0 0 0\r\n0 0 0 0 0 0\r\n7 7 7 7 7 7\r\n";
  const auto doc = Reload(WithTrailer(HandFile(7, markers)));
  const TTraceDoc &d = doc.Doc;
  EXPECT_EQ(d.MainTitle, "My Title");
  EXPECT_EQ(d.MainTitleFixed, 1);
  EXPECT_EQ(d.SubTitleFixed, 0);
  EXPECT_EQ(d.SetupInfo, (std::array<std::uint8_t, 5>{0, 0, 0, 4, 5}));
  EXPECT_EQ(d.DistUnit, 1);
  EXPECT_DOUBLE_EQ(d.FreqLimitValue, -15.5);
  ASSERT_EQ(d.TraceCount(), 1);
  const TTraceData &t = d.Traces[0];
  EXPECT_EQ(t.Title, "Sweep A");
  EXPECT_EQ(t.SiteNumber, 12);
  EXPECT_EQ(t.AntennaNumber, 3);
  EXPECT_DOUBLE_EQ(t.DateTime, EncodeDateTime({2003, 1, 5, 13, 7, 9}));
  EXPECT_EQ(t.Model, "LX-3250A");
  EXPECT_EQ(t.SN, "00123");
  EXPECT_EQ(t.Revision, "V2.1");
  EXPECT_EQ(t.CalState, 2);
  EXPECT_EQ(t.VCOTemp, 301);
  EXPECT_EQ(t.SetupName, "Setup X");
  EXPECT_EQ(t.SetupVCOTemp, 299);
  EXPECT_DOUBLE_EQ(t.SetupDateTime, EncodeDateTime({2003, 1, 4, 0, 0, 0}));
  EXPECT_EQ(t.Freq, (std::vector<double>{1000.0, 1000.5, 1001.0}));
  EXPECT_NEAR(t.Mag[0], -20.12345, 1e-9);
  EXPECT_NEAR(t.Angle[2], 179.999, 1e-9);
  EXPECT_EQ(t.FreqMarks[0].Visible, 1);
  EXPECT_EQ(t.FreqMarks[0].Point, 5);
  EXPECT_TRUE(t.FreqMarks[0].DeltaOn);
  EXPECT_EQ(t.FreqMarks[0].Reference, 2);
  EXPECT_FALSE(t.FreqMarks[1].DeltaOn);
  EXPECT_EQ(t.FreqMarks[2].Reference, 0); // 6 while the limit line is off
  EXPECT_EQ(t.FreqMarks[5].Reference, 0); // above 6
  EXPECT_EQ(t.FreqMarks[1].Style, 1);
  EXPECT_EQ(t.DistMarks[0].Point, -3); // never placed: stays so, as stored
  EXPECT_EQ(t.ActiveMarks, t.FreqMarks);
  EXPECT_EQ(t.CableType, "RG-213");
  EXPECT_NEAR(t.Dielectric, 1.2913, 1e-6);
  EXPECT_EQ(t.StopDist, 25.0F);
  EXPECT_EQ(t.Smoothing, 2);
  EXPECT_DOUBLE_EQ(t.StartFreqHz, 1e9);
  EXPECT_NEAR(t.FreqStepHz, 0.5e6, 1e-3);

  // With the limit line on, a reference to it stays.
  const auto on = Reload(WithTrailer(HandFile(7, markers, 1)));
  EXPECT_EQ(on.Doc.Traces[0].FreqMarks[2].Reference, 6);
}

TEST(DocFile, HandWrittenVersion6) {
  const std::string markers = "1 6 3 0\r\n2 2 2 2\r\n1 10 1 30\r\n0 20 1 40\r\n1 0 1 0\r\n"
                              "1 11 0 31\r\n1 21 0 41\r\n0 0 0 1\r\n";
  TmoxDocument doc = Reload(WithTrailer(HandFile(6, markers)));
  const TTraceData &t = doc.Doc.Traces[0];
  EXPECT_EQ(doc.Doc.FileVersion, 6);
  EXPECT_EQ(t.FreqMarks[0].Point, 10);
  EXPECT_EQ(t.FreqMarks[2].Point, 30);
  EXPECT_EQ(t.FreqMarks[1].Point, 20);
  EXPECT_EQ(t.FreqMarks[3].Point, 40);
  EXPECT_EQ(t.FreqMarks[1].Visible, 0);
  EXPECT_TRUE(t.FreqMarks[0].DeltaOn);
  EXPECT_FALSE(t.FreqMarks[1].DeltaOn);
  EXPECT_EQ(t.FreqMarks[0].Reference, 1);
  EXPECT_EQ(t.FreqMarks[1].Reference, 0); // 6 with the limit line off
  EXPECT_EQ(t.DistMarks[3].Point, 41);
  EXPECT_TRUE(t.DistMarks[3].DeltaOn);
  EXPECT_EQ(t.FreqMarks[4], TMarkerSlot{});
  EXPECT_EQ(t.FreqMarks[5], TMarkerSlot{});
}

TEST(DocFile, RefusesImpossibleCountsAndTruncation) {
  const std::string markers = "0 0 0 0 0 0\r\n0 0 0 0 0 0\r\n0 0 0 0 0 0\r\n7 7 7 7 7 7\r\n"
                              "0 0 0 0 0 0\r\n0 0 0 0 0 0\r\n0 0 0 0 0 0\r\n7 7 7 7 7 7\r\n";
  std::string file = HandFile(7, markers);
  // A trace count above 14.
  std::string many = file;
  many.replace(many.find("\r\n1\r\nTrace Data"), 5, "\r\n15\r\n");
  EXPECT_THROW(Reload(WithTrailer(many)), EmoxFileError);
  // A point count the file cannot hold.
  std::string pts = file;
  pts.replace(pts.find("\r\n3\r\n1000.000"), 5, "\r\n2000000000\r\n");
  EXPECT_THROW(Reload(WithTrailer(pts)), EmoxFileError);
  // Cut anywhere inside: always a file error, never a crash or a half document.
  for (std::size_t cut = 30; cut < file.size() - 8; cut += 7) { // the closing empty lines are optional
    EXPECT_THROW(Reload(WithTrailer(file.substr(0, cut))), EmoxFileError) << cut;
  }
  // Another version number under the current header.
  EXPECT_THROW(Reload(WithTrailer(HandFile(8, markers))), EmoxFileError);
}

TEST(DocFile, OlderVersionWithoutMarkers) {
  std::string s = "Korv MOX File 4\r\nOld\r\nSub\r\n0 0\r\n\r\n\r\nskip\r\nskip\r\n1\r\n100.0 -30.0 200.0 0.0\r\n";
  s += "0 0.0\r\n0 0.0\r\n0\r\n0\r\n1\r\n\r\n\r\n\r\n\r\n\r\n1\r\nskip\r\nT1\r\n3 1 2 4 "
       "1/5/2003\r\nignored\r\n2\r\n2\r\n";
  s += "100.0 -10.5 5.0\r\n101.0 -11.5 6.0\r\n";
  TmoxDocument doc(TmoxDocument::EmptyTag{});
  ReadDocumentBytes(Bytes(s), doc);
  ASSERT_EQ(doc.Doc.TraceCount(), 1);
  const TTraceData &t = doc.Doc.Traces[0];
  EXPECT_EQ(doc.Doc.FileVersion, 4);
  EXPECT_EQ(t.Label, "Site 3, Sector Alpha, Antenna Rx4, T1");
  EXPECT_EQ(t.Model, "Unknown");
  EXPECT_EQ(t.SN, "000001");
  EXPECT_EQ(t.Freq, (std::vector<double>{100.0, 101.0}));
  EXPECT_EQ(doc.Doc.FreqScale.YMin, -30.0);
  EXPECT_EQ(doc.Doc.DistScale, doc.Doc.FreqScale);
  // Marker lines in a form we cannot pin down are refused, not guessed.
  TmoxDocument doc2(TmoxDocument::EmptyTag{});
  EXPECT_THROW(ReadDocumentBytes(Bytes(s + "1 5\r\n0 0\r\n"), doc2), EmoxFileError);
}

TEST(ErrorText, OpenFailureTable) {
  auto report = [](auto ex) { return DescribeOpenFailure(std::make_exception_ptr(ex), "/x/a.kdt"); };
  auto r = report(EmoxFileCRCError(kMsgCRCFailure));
  EXPECT_EQ(r.Message, "CRC failure in file:\r\n/x/a.kdt");
  EXPECT_EQ(r.Summary, "TfrmDoc.OpenFileW(): CRC failure in file:\r\n/x/a.kdt");
  r = report(ESAFileStream_Exception("CreateFileW() failed"));
  EXPECT_EQ(r.Message, "EmoxInvalidFile was encountered while opening file.\r\n/x/a.kdt");
  EXPECT_EQ(r.Summary, "TfrmDoc.OpenFileW(): EmoxInvalidFile was encountered while opening file./x/a.kdt");
  // What the system said goes on a line of its own.
  r = report(ESAFileStream_Exception("CreateFileW() failed with INVALID_HANDLE_VALUE. Err = 13", "Permission denied"));
  EXPECT_EQ(r.Message, "EmoxInvalidFile was encountered while opening file.\r\n/x/a.kdt\r\nPermission denied");
  EXPECT_EQ(r.Summary,
            "TfrmDoc.OpenFileW(): EmoxInvalidFile was encountered while opening file./x/a.kdt (Permission denied)");
  r = report(EmoxVantorError("Invalid Unit in FVNATrace object."));
  EXPECT_EQ(r.Message,
            "EmoxInvalidFile was encountered while opening file.\r\n/x/a.kdt\r\nInvalid Unit in FVNATrace object.");
  // A file of no kind we know reads as an invalid file, like one we cannot read.
  r = report(EmoxInvalidFileError(kMsgInvalidFile));
  EXPECT_EQ(r.Message, "EmoxInvalidFile was encountered while opening file.\r\n/x/a.kdt");
  r = report(EmoxFileError("Bad File Format"));
  EXPECT_EQ(r.Message, "EmoxFileError was encountered opening file:\r\n/x/a.kdt");
  EXPECT_EQ(r.Summary, "TfrmDoc.OpenFileW(): Bad File Format:/x/a.kdt");
  r = report(EInOutError(5, "denied"));
  EXPECT_EQ(r.Message, "Access denied:\r/x/a.kdt");
  EXPECT_FALSE(r.HelpButton);
  r = report(EInOutError(77, "odd"));
  EXPECT_TRUE(r.Message.empty());
  r = report(std::bad_alloc());
  EXPECT_EQ(r.Message, "Memory was not available to open file:\r\n/x/a.kdt");
  r = report(42);
  EXPECT_EQ(r.Summary, "TfrmDoc.OpenFileW(): Unknown exception: Can not open file.");
  // The status bar gets plain words on one line, never a function's name.
  EXPECT_EQ(StatusLine(r), "Unknown exception: Can not open file.");
  EXPECT_EQ(StatusLine(report(EmoxFileCRCError(kMsgCRCFailure))), "CRC failure in file: /x/a.kdt");
  const TFailureReport save =
      DescribeSaveFailure(std::make_exception_ptr(EmoxFileError("Only a document of one trace")), "/x/a.csv");
  EXPECT_EQ(StatusLine(save), "Only a document of one trace /x/a.csv");
}

TEST(ErrorText, SaveFailureNamesTheCause) {
  const auto r =
      DescribeSaveFailure(std::make_exception_ptr(ESAFileStream_Exception(
                              "CreateFileW() failed with INVALID_HANDLE_VALUE. Err = 13", "Permission denied")),
                          "/x/a.kdt");
  EXPECT_EQ(r.Message,
            "Unable to create file:\r\n/x/a.kdt\r\nCreateFileW() failed with INVALID_HANDLE_VALUE. Err = 13\r\n"
            "Permission denied");
}

TEST(DocFile, GoldenFileFromIndependentWriter) {
  const auto bytes = ReadWholeFile(std::string(KORV_TEST_DATA) + "/kdt/golden_v7.kdt");
  const auto doc = Reload(bytes);
  ASSERT_EQ(doc.Doc.TraceCount(), 2);
  const TTraceData &t = doc.Doc.Traces[1];
  EXPECT_EQ(t.Title, "Sector A again");
  EXPECT_EQ(t.NumPoints, 101);
  EXPECT_DOUBLE_EQ(t.Freq.back(), 2000.0);
  EXPECT_NEAR(t.Freq[50], 1850.0, 1e-9);
  EXPECT_NEAR(t.Mag[0], -26.0, 1e-9);
  EXPECT_EQ(t.FreqMarks[1].Reference, 0);
  EXPECT_TRUE(t.FreqMarks[1].DeltaOn);
  EXPECT_EQ(doc.Doc.FreqLimitMode, 1);
  // Saved again by us, the bytes are the same as the independent writer's.
  EXPECT_EQ(DocumentFileBytes(doc), bytes);
}
