#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "core/ErrorText.h"
#include "core/Excption.h"
#include "core/SAFileStream.h"
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

} // namespace
