#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "core/DocFile.h"
#include "core/Excption.h"
#include "core/FileIO.h"
#include "core/SAFileStream.h"
#include "core/TestHelpers.h"
#include "formats/DocumentIO.h"

using namespace korv;

namespace {

TmoxDocument SmallDoc() {
  TmoxDocument doc(TmoxDocument::EmptyTag{});
  TTraceData &t = doc.Doc.Traces[doc.Doc.AddTrace()];
  t.Title = "T";
  t.NumPoints = 3;
  t.Freq = {10, 20, 30};
  t.Mag = {-10, -12, -14};
  t.Angle = {1, 2, 3};
  doc.Doc.MaxPoints = 3;
  return doc;
}

TEST(DocumentIO, SaveFormatByExtension) {
  EXPECT_EQ(SaveFormatFor("a/b.csv"), TDocFormat::Csv);
  EXPECT_EQ(SaveFormatFor("b.CSV"), TDocFormat::Csv);
  EXPECT_EQ(SaveFormatFor("b.Csv"), TDocFormat::Kdt);
  EXPECT_EQ(SaveFormatFor("b.vnf"), TDocFormat::Vnf);
  EXPECT_EQ(SaveFormatFor("b.VNF"), TDocFormat::Vnf);
  EXPECT_EQ(SaveFormatFor("b.Vnf"), TDocFormat::Kdt);
  EXPECT_EQ(SaveFormatFor("b.S1p"), TDocFormat::S1p);
  EXPECT_EQ(SaveFormatFor("dir.csv/b"), TDocFormat::Kdt);
  EXPECT_EQ(SaveFormatFor("b.kdt"), TDocFormat::Kdt);
}

TEST(DocumentIO, EachFormatReopensAsItself) {
  TempDir dir;
  for (const char *name : {"a.kdt", "a.CSV", "a.Csv", "a.s1p"}) {
    TmoxDocument doc = SmallDoc();
    const std::string path = dir.File(name);
    ASSERT_TRUE(SaveDocument(doc, path, nullptr));
    const TOpenResult r = OpenDocument(path);
    EXPECT_EQ(r.Format, SaveFormatFor(path)) << name;
    EXPECT_EQ(r.Document->Doc.Traces[0].NumPoints, 3) << name;
    EXPECT_NEAR(r.Document->Doc.Traces[0].Mag[2], -14, 1e-5) << name;
  }
  // A document-format save of a mixed-case ".Csv" name carries the CRC trailer.
  EXPECT_EQ(CheckFileCRC(dir.File("a.Csv")), 0);
}

TEST(DocumentIO, OlderVersionAskedFirstAndNothingWrittenOnNo) {
  TempDir dir;
  TmoxDocument doc = SmallDoc();
  doc.Doc.FileVersion = 6;
  int asked = 0;
  // Exports leave the version alone: nothing to confirm, however often.
  for (const char *name : {"old.csv", "old.s1p", "old.csv"})
    EXPECT_TRUE(SaveDocument(doc, dir.File(name), [&] {
      ++asked;
      return false;
    }));
  EXPECT_EQ(asked, 0);
  EXPECT_EQ(doc.Doc.FileVersion, 6);
  const std::string path = dir.File("old.kdt");
  EXPECT_FALSE(SaveDocument(doc, path, [&] {
    ++asked;
    return false;
  }));
  EXPECT_EQ(asked, 1);
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_TRUE(SaveDocument(doc, path, [&] {
    ++asked;
    return true;
  }));
  EXPECT_TRUE(std::filesystem::exists(path));
  EXPECT_EQ(doc.Doc.FileVersion, 7);
}

TEST(DocumentIO, FailedSaveKeepsTheOldFile) {
  TempDir dir;
  const std::string path = dir.File("keep.csv");
  TmoxDocument doc = SmallDoc();
  ASSERT_TRUE(SaveDocument(doc, path, nullptr));
  const auto before = ReadWholeFile(path);
  TmoxDocument empty(TmoxDocument::EmptyTag{});
  EXPECT_THROW(SaveDocument(empty, path, nullptr), EmoxFileError);
  EXPECT_EQ(ReadWholeFile(path), before);
  // The same for a trace index that does not exist.
  EXPECT_THROW(SaveDocument(doc, path, nullptr, 5), EmoxFileError);
  EXPECT_EQ(ReadWholeFile(path), before);
}

TEST(DocumentIO, DocumentsThatWouldNotOpenAgainAreNotWritten) {
  TempDir dir;
  TmoxDocument falling = SmallDoc();
  falling.Doc.Traces[0].Freq = {30, 20, 10};
  TmoxDocument huge = SmallDoc();
  huge.Doc.Traces[0].Freq = {1e308, 1.5e308, 1.7e308};
  for (TmoxDocument *doc : {&falling, &huge}) {
    for (const char *name : {"x.kdt", "x.csv", "x.s1p"}) {
      EXPECT_THROW(SaveDocument(*doc, dir.File(name), [] { return true; }), EmoxFormatError) << name;
      EXPECT_FALSE(std::filesystem::exists(dir.File(name))) << name;
    }
  }
}

TEST(DocumentIO, TextThatIsNoDocumentIsAnInvalidFile) {
  auto open = [](const std::string &text, const std::string &name) {
    return OpenDocumentBytes(std::vector<std::uint8_t>(text.begin(), text.end()), name);
  };
  // Comment-like first characters do not make a Touchstone file.
  for (const std::string text : {"# notes about the site\r\nnothing else\r\n", "!!!\r\nhello\r\n", "plain text\r\n"})
    EXPECT_THROW(open(text, "notes.kdt"), EmoxInvalidFileError) << text;
  // An option line does, whatever the name, and so does the name.
  const std::string s1p = "! c\r\n# MHz S MA R 50\r\n100 0.5 10\r\n101 0.5 11\r\n";
  EXPECT_EQ(open(s1p, "data.txt").Format, TDocFormat::S1p);
  EXPECT_THROW(open("# notes\r\n", "notes.s1p"), EmoxFormatError);
}

TEST(DocumentIO, TouchstoneValuesInTheirShortestForm) {
  TempDir dir;
  TmoxDocument doc = SmallDoc();
  doc.Doc.Traces[0].Freq = {1700.5274261603377, 1800.5274261603377, 1900.5274261603377};
  const std::string path = dir.File("short.s1p");
  ASSERT_TRUE(SaveDocument(doc, path, nullptr));
  const auto b = ReadWholeFile(path);
  const std::string text(b.begin(), b.end());
  EXPECT_NE(text.find("\r\n1700527426 0.31622776601683794 1\r\n"), std::string::npos) << text;
  const TOpenResult r = OpenDocument(path);
  EXPECT_NEAR(r.Document->Doc.Traces[0].Mag[0], -10.0, 1e-12);
  EXPECT_EQ(r.Document->Doc.Traces[0].Angle[2], 3.0);
}

} // namespace

// The largest document the program holds: 14 traces of the most points, each
// value as long as a document file writes it. Saved, it must open again, and
// its second save must be the same file.
TEST(DocumentIO, LargestDocumentOpensSavesAndReopens) {
  TempDir dir;
  TmoxDocument doc(TmoxDocument::EmptyTag{});
  const std::size_t n = kMaxDocumentPoints;
  for (int i = 0; i < kMaxTraces; ++i) {
    TTraceData &t = doc.Doc.Traces[doc.Doc.AddTrace()];
    t.NumPoints = kMaxDocumentPoints;
    t.Freq.resize(n);
    for (std::size_t k = 0; k < n; ++k)
      t.Freq[k] = 1000.0 + static_cast<double>(k);
    // Just below the largest 6-byte real (39 digits before the point), as
    // the file holds it, so the second save must repeat the first.
    t.Mag.assign(n, RoundToReal48(-1.7e38));
    t.Angle.assign(n, RoundToReal48(-1.7e38));
  }
  doc.Doc.MaxPoints = kMaxDocumentPoints;
  const std::string first = dir.File("largest.kdt");
  ASSERT_TRUE(SaveDocument(doc, first, nullptr));
  const auto size = std::filesystem::file_size(first);
  EXPECT_GT(size, kMaxTraces * n * (kLongestPointLine - 2));
  EXPECT_LE(size, kMaxReadFileSize);

  TOpenResult opened = OpenDocument(first);
  ASSERT_EQ(opened.Document->Doc.TraceCount(), kMaxTraces);
  const TTraceData &last = opened.Document->Doc.Traces[kMaxTraces - 1];
  ASSERT_EQ(last.NumPoints, kMaxDocumentPoints);
  EXPECT_NEAR(last.Mag[n - 1] / -1.7e38, 1.0, 1e-11);
  EXPECT_NEAR(last.Angle[0] / -1.7e38, 1.0, 1e-11);

  const std::string second = dir.File("again.kdt");
  ASSERT_TRUE(SaveDocument(*opened.Document, second, nullptr));
  EXPECT_EQ(OpenDocument(second).Document->Doc.TraceCount(), kMaxTraces);
  const auto a = ReadWholeFile(first), b = ReadWholeFile(second);
  const auto at = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
  EXPECT_TRUE(at.first == a.end() && at.second == b.end())
      << "differ at byte " << (at.first - a.begin()) << ": "
      << std::string(at.first, at.first + std::min<std::ptrdiff_t>(60, a.end() - at.first)) << " | "
      << std::string(at.second, at.second + std::min<std::ptrdiff_t>(60, b.end() - at.second));
}

// A trace longer than a document holds is refused with the limit in words,
// when a file brings it and when a save would write it.
TEST(DocumentIO, TracesBeyondTheDocumentLimitAreRefused) {
  TempDir dir;
  TmoxDocument doc = SmallDoc();
  TTraceData &t = doc.Doc.Traces[0];
  const std::size_t n = kMaxDocumentPoints + 1;
  t.NumPoints = static_cast<std::int32_t>(n);
  t.Freq.resize(n);
  for (std::size_t k = 0; k < n; ++k)
    t.Freq[k] = 1.0 + static_cast<double>(k);
  t.Mag.assign(n, -1.0);
  t.Angle.assign(n, 0.0);
  try {
    (void)OpenDocumentBytes(DocumentFileBytes(doc), "long.kdt");
    ADD_FAILURE() << "a trace of " << n << " points was read";
  } catch (const EmoxFormatError &e) {
    EXPECT_NE(e.Message().find("at most 100000 points"), std::string::npos) << e.Message();
  }
  EXPECT_THROW(SaveDocument(doc, dir.File("long.kdt"), nullptr), EmoxFormatError);
  EXPECT_FALSE(std::filesystem::exists(dir.File("long.kdt")));
}
