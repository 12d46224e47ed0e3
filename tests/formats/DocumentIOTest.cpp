#include <gtest/gtest.h>

#include <filesystem>

#include "core/DocFile.h"
#include "core/Excption.h"
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
