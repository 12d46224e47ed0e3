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
  const std::string path = dir.File("old.csv");
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
  EXPECT_EQ(doc.Doc.FileVersion, 6); // only a document-format save updates it
  ASSERT_TRUE(SaveDocument(doc, dir.File("old.kdt"), [] { return true; }));
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

} // namespace
