#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cmath>
#include <complex>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "core/DateTime.h"
#include "core/ErrorText.h"
#include "core/Excption.h"
#include "core/SAFileStream.h"
#include "core/TestHelpers.h"
#include "formats/DocumentIO.h"
#include "formats/Touchstone.h"

using namespace korv;

namespace {

std::string DataFile(const std::string &name) { return std::string(KORV_TEST_DATA) + "/s1p/" + name; }

TOpenResult OpenText(const std::string &text, const std::string &name = "t.s1p") {
  return OpenDocumentBytes(std::vector<std::uint8_t>(text.begin(), text.end()), name);
}

std::string RefusalOf(const std::string &text) {
  try {
    OpenText(text);
  } catch (const EmoxFormatError &e) {
    return e.what();
  }
  return "accepted";
}

TEST(TouchstoneRead, EveryOptionVariantGivesTheSameTrace) {
  // make_s1p.py: gamma_k = (0.1 + 0.15 k) at (-60 + 30 k) degrees, 1000 + 25 k MHz.
  int files = 0;
  for (const auto &entry : std::filesystem::directory_iterator(std::string(KORV_TEST_DATA) + "/s1p")) {
    const std::string name = entry.path().filename().string();
    if (entry.path().extension() != ".s1p" || name == "nonuniform.s1p") continue;
    ++files;
    SCOPED_TRACE(name);
    const TOpenResult r = OpenDocument(entry.path().string());
    EXPECT_EQ(r.Format, TDocFormat::S1p);
    const TTraceDoc &d = r.Document->Doc;
    ASSERT_EQ(d.TraceCount(), 1);
    EXPECT_EQ(d.ScaleUnit, suReturnLoss);
    const TTraceData &t = d.Traces[0];
    EXPECT_EQ(t.Title, entry.path().stem().string());
    EXPECT_EQ(t.Model, "Touchstone");
    ASSERT_EQ(t.NumPoints, 5);
    for (std::size_t k = 0; k < 5; ++k) {
      const double kk = static_cast<double>(k);
      EXPECT_NEAR(t.Freq[k], 1000 + 25 * kk, 1e-6);
      EXPECT_NEAR(t.Mag[k], 20 * std::log10(0.1 + 0.15 * kk), 1e-6);
      EXPECT_NEAR(t.Angle[k], -60 + 30 * kk, 1e-6);
    }
    EXPECT_FLOAT_EQ(t.FreqStepHz, 25e6F);
  }
  EXPECT_EQ(files, 14);
}

TEST(TouchstoneRead, RefusalsSayWhy) {
  try {
    OpenDocument(DataFile("nonuniform.s1p"));
    FAIL();
  } catch (const EmoxFormatError &e) {
    EXPECT_NE(std::string(e.what()).find("not evenly spaced"), std::string::npos) << e.what();
  }
  EXPECT_NE(RefusalOf("# MHz S MA R 50\n1 0.5\n").find("two values"), std::string::npos);
  // A two-port file: nine values per line.
  EXPECT_NE(RefusalOf("# MHz S MA R 50\n1 .1 0 .9 0 .9 0 .1 0\n2 .1 0 .9 0 .9 0 .1 0\n").find("no one-port"),
            std::string::npos);
  EXPECT_NE(RefusalOf("# MHz S MA R 50\n").find("no data"), std::string::npos);
  EXPECT_NE(RefusalOf("# MHz S MA R 50\n2 0.5 0\n1 0.5 0\n").find("rise"), std::string::npos);
  EXPECT_NE(RefusalOf("# MHz S XX R 50\n1 0.5 0\n").find("unknown option"), std::string::npos);
  EXPECT_NE(RefusalOf("# MHz S MA R 0\n1 0.5 0\n").find("reference"), std::string::npos);
  EXPECT_NE(RefusalOf("# MHz S MA R 50\n1 0.5 abc\n").find("not a number"), std::string::npos);
  EXPECT_NE(RefusalOf("[Number of Ports] 2\n# MHz S MA R 50\n1 0.5 0\n").find("one-port"), std::string::npos);
  EXPECT_NE(RefusalOf("# GHz S MA R 50\n1e300 0.5 0\n2e300 0.5 0\n").find("out of range"), std::string::npos);
  // The user sees the reason, not a generic file error.
  const TFailureReport rep =
      DescribeOpenFailure(std::make_exception_ptr(EmoxFormatError("Touchstone file: no data points.")), "a.s1p");
  EXPECT_EQ(rep.Message, "Touchstone file: no data points.\r\na.s1p");
}

TEST(TouchstoneRead, ContentAndParameterForms) {
  // Without the extension, comment or option lines mark a Touchstone file.
  const TOpenResult r = OpenText("! from a VNA\n# GHz S RI R 50\n1 0 0.5\n2 -0.5 0\n", "export.txt");
  EXPECT_EQ(r.Format, TDocFormat::S1p);
  EXPECT_NEAR(r.Document->Doc.Traces[0].Angle[0], 90, 1e-12);
  EXPECT_NEAR(r.Document->Doc.Traces[0].Angle[1], 180, 1e-12);
  // Normalised impedance 3 (150 ohm at 50): gamma 0.5.
  const TOpenResult z = OpenText("# MHz Z RI R 50\n1 3 0\n2 3 0\n");
  EXPECT_NEAR(z.Document->Doc.Traces[0].Mag[0], 20 * std::log10(0.5), 1e-12);
  const TOpenResult y = OpenText("# MHz Y RI R 50\n1 3 0\n2 3 0\n");
  EXPECT_NEAR(y.Document->Doc.Traces[0].Mag[0], 20 * std::log10(0.5), 1e-12);
  EXPECT_NEAR(y.Document->Doc.Traces[0].Angle[0], 180, 1e-9);
  // A matched 75 ohm load seen from 50 ohm.
  const TOpenResult m = OpenText("# MHz S MA R 75\n1 0 0\n2 0 0\n");
  EXPECT_NEAR(m.Document->Doc.Traces[0].Mag[0], 20 * std::log10(0.2), 1e-12);
}

TEST(TouchstoneWrite, ReadsBackToTheSameValues) {
  TmoxDocument doc(TmoxDocument::EmptyTag{});
  doc.Doc.ScaleUnit = suVSWR;
  for (int tr = 0; tr < 2; ++tr) {
    TTraceData &t = doc.Doc.Traces[doc.Doc.AddTrace()];
    t.Title = tr == 0 ? "First" : "Second";
    t.Label = "Line 1\nline 2 ! not a comment";
    t.NumPoints = 3;
    t.Freq = {100.125, 200.25, 300.375};
    t.Mag = {1.1 + tr, 1.9, 3.0};
    t.Angle = {-179.5, 0, 45.25};
  }
  const auto bytes = DocumentBytesFor(doc, TDocFormat::S1p, 1);
  const TOpenResult r = OpenDocumentBytes(bytes, "x.s1p");
  const TTraceData &u = r.Document->Doc.Traces[0];
  EXPECT_EQ(u.Title, "Second");
  EXPECT_EQ(u.Label, "Line 1 line 2   not a comment");
  ASSERT_EQ(u.NumPoints, 3);
  for (std::size_t k = 0; k < 3; ++k) {
    const double vswr = doc.Doc.Traces[1].Mag[k];
    EXPECT_NEAR(u.Freq[k], doc.Doc.Traces[1].Freq[k], 1e-9);
    EXPECT_NEAR(u.Mag[k], 20 * std::log10((vswr - 1) / (vswr + 1)), 1e-9);
    EXPECT_NEAR(u.Angle[k], doc.Doc.Traces[1].Angle[k], 1e-9);
  }
  EXPECT_THROW(DocumentBytesFor(doc, TDocFormat::S1p, 2), EmoxFileError);
}

TEST(TouchstoneTwoPort, EveryFormAndReferenceGivesScikitRfsS11AndS22) {
  // expected.txt (make_s2p.py): S11 and S22 at 50 ohm as scikit-rf has them.
  std::ifstream in(std::string(KORV_TEST_DATA) + "/s2p/expected.txt");
  std::map<std::pair<std::string, int>, std::vector<std::array<double, 3>>> expected;
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream w(line);
    std::string file, param;
    std::array<double, 3> v{};
    w >> file >> param >> v[0] >> v[1] >> v[2];
    expected[{file, param == "S22" ? 22 : 11}].push_back(v);
  }
  ASSERT_EQ(expected.size(), 17U);
  for (const auto &[key, points] : expected) {
    SCOPED_TRACE(key.first + " S" + std::to_string(key.second));
    TOpenOptions o;
    o.TouchstoneParameter = key.second;
    const TOpenResult r = OpenDocument(std::string(KORV_TEST_DATA) + "/s2p/" + key.first, o);
    EXPECT_TRUE(r.Warning.empty()) << r.Warning;
    const TTraceData &t = r.Document->Doc.Traces[0];
    ASSERT_EQ(static_cast<std::size_t>(t.NumPoints), points.size());
    for (std::size_t i = 0; i < points.size(); ++i) {
      const std::complex<double> want(points[i][1], points[i][2]);
      const std::complex<double> got =
          std::polar(std::pow(10.0, t.Mag[i] / 20.0), t.Angle[i] * 3.14159265358979323846 / 180.0);
      EXPECT_LE(std::abs(got - want) / std::abs(want), 1e-9) << i;
      EXPECT_NEAR(t.Freq[i] * 1e6, points[i][0], 1e-6 * points[i][0]);
    }
  }
}

TEST(TouchstoneTwoPort, MalformedAndImpossibleFilesAreRefusedNamingTheLine) {
  auto refusal = [](const std::string &text, const std::string &name = "t.s2p") {
    try {
      OpenDocumentBytes(std::vector<std::uint8_t>(text.begin(), text.end()), name);
    } catch (const EmoxFormatError &e) {
      return std::string(e.what());
    }
    return std::string("accepted");
  };
  const std::string head = "! x\n# MHz S MA R 50\n";
  const std::string ok = "1 .1 0 .9 0 .9 0 .2 0\n";
  EXPECT_EQ(refusal(head + ok + "2 .1 0 .9 0 .9 0 .2\n"),
            "Touchstone file: line 4: 8 values; a two-port data line holds a frequency and 8 values (one-port data "
            "has two).");
  EXPECT_EQ(refusal(head + ok + "1 .1 0 .9 0 .9 0 .2 0\n"),
            "Touchstone file: line 4: the frequencies must rise from point to point.");
  EXPECT_EQ(refusal(head + ok + "2 .1 0 .9 0 .9 0 .2 x\n"), "Touchstone file: line 4: \"x\" is not a number.");
  EXPECT_EQ(refusal("[Version] 2.0\n# MHz S RI R 50\n[Number of Ports] 2\n[Network Data]\n1 .1 0 .9 0\n.9 0 .2 "
                    "0\n2 .1 0 .9 0\n"),
            "Touchstone file: line 7: the point lacks values: 5 of 9 (a two-port point is a frequency and 8 values; "
            "one-port data has two).");
  EXPECT_EQ(refusal("[Version] 2.0\n[Number of Ports] 2\n[Reference] 50\n[Network Data]\n" + ok),
            "Touchstone file: line 3: [Reference] needs one value per port.");
  EXPECT_EQ(refusal(head + ok, "t.s3p"), "Touchstone file: only one- and two-port files can be opened.");
  EXPECT_EQ(refusal("# MHz Z RI R 50\n" + ok), "Touchstone file: two-port Z and Y files cannot be opened; save S "
                                               "parameters.");
  // A one-port file has no S22.
  TOpenOptions s22;
  s22.TouchstoneParameter = 22;
  EXPECT_THROW(OpenDocumentBytes(Bytes("# MHz S MA R 50\n1 .1 0\n2 .1 0\n"), "a.s1p", s22), EmoxFormatError);
  // Sweeps no analyzer makes (the MA magnitude never reaches std::polar).
  EXPECT_EQ(RefusalOf("# MHz S MA R 50\n-1002 .1 0\n-1001 .1 0\n-1000 .1 0\n"),
            "Touchstone file: line 2: the frequency -1002 is negative.");
  EXPECT_EQ(RefusalOf("# Hz S MA R 50\n1 .1 0\n1e308 .1 0\n"),
            "Touchstone file: line 3: the frequency 1e+308 is out of range (at most 1 THz).");
  EXPECT_EQ(RefusalOf("# MHz S MA R 50\n1 .1 0\n2 5 0\n"),
            "Touchstone file: line 3: |S11| of 5 is no reflection a sweep can give (at most 2).");
  EXPECT_EQ(RefusalOf("# MHz S MA R 50\n1 1e308 0\n2 .1 0\n"),
            "Touchstone file: line 2: |S11| of 1e+308 is no reflection a sweep can give (at most 2).");
  EXPECT_EQ(RefusalOf("# MHz S DB R 50\n1 20 0\n2 -3 0\n"),
            "Touchstone file: line 2: |S11| of 10 is no reflection a sweep can give (at most 2).");
  EXPECT_EQ(RefusalOf("# MHz S MA R 50\n1 .1 0\n2 -0.5 0\n"),
            "Touchstone file: line 3: the magnitude -0.5 is negative.");
  EXPECT_EQ(refusal(head + "1 .1 0 .9 0 .9 0 3 0\n2 .1 0 .9 0 .9 0 .2 0\n"),
            "Touchstone file: line 3: |S22| of 3 is no reflection a sweep can give (at most 2).");
  // Gain is no reason to refuse: S21 of an amplifier.
  EXPECT_EQ(refusal(head + "1 .1 0 10 0 .01 0 .2 0\n2 .1 0 10 0 .01 0 .2 0\n"), "accepted");
}

TEST(TouchstoneRead, PointsAboveTotalReflectionAreClampedAndCounted) {
  const TOpenResult r = OpenText("# MHz S MA R 50\n1 1.19 0\n2 1.01 0\n3 0.5 0\n");
  EXPECT_EQ(r.Warning, "2 of 3 points above total reflection (largest |S11| 1.19): the sweep may lack calibration");
  EXPECT_DOUBLE_EQ(r.Document->Doc.Traces[0].Mag[0], 0.0);
  EXPECT_TRUE(OpenText("# MHz S MA R 50\n1 1 0\n2 0.5 0\n").Warning.empty());
}

TEST(TouchstoneRead, TraceDateIsTheFilesTimeUnlessItNamesOne) {
  TempDir dir;
  const std::string path = dir.File("a.s1p");
  WriteWholeFileAtomic(path, Bytes("# MHz S MA R 50\n1 .1 0\n2 .1 0\n"));
  const auto when = std::filesystem::file_time_type::clock::now() - std::chrono::hours(50);
  std::filesystem::last_write_time(path, when);
  const double expect = NowDayCount() - 50.0 / 24.0;
  EXPECT_NEAR(OpenDocument(path).Document->Doc.Traces[0].DateTime, expect, 2.0 / 86400.0 + 1.0 / 24.0);
  WriteWholeFileAtomic(path, Bytes("! Date: 5/6/2021 10:00:00 AM\n# MHz S MA R 50\n1 .1 0\n2 .1 0\n"));
  EXPECT_DOUBLE_EQ(OpenDocument(path).Document->Doc.Traces[0].DateTime,
                   EncodeDateTime(TCivilTime{2021, 5, 6, 10, 0, 0}));
}

TEST(DocumentSave, TwoPortTouchstoneNamesAreRefused) {
  TmoxDocument doc;
  TempDir dir;
  try {
    SaveDocument(doc, dir.File("x.s2p"), [] { return true; });
    FAIL();
  } catch (const EmoxFormatError &e) {
    EXPECT_NE(std::string(e.what()).find("save as .s1p"), std::string::npos);
  }
  EXPECT_FALSE(std::filesystem::exists(dir.File("x.s2p")));
}

} // namespace
