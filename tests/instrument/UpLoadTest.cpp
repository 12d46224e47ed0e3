#include <cmath>
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "core/DateTime.h"
#include "core/Excption.h"
#include "core/TestHelpers.h"
#include "instrument/FakeSerialLink.h"
#include "instrument/UpLoad.h"

using namespace korv;

namespace {

TInstrumentIdentity Analyzer(int y, int m, int d) {
  TInstrumentIdentity id;
  id.Kind = ikAnalyzer;
  id.FirmwareDate = EncodeDateTime(TCivilTime{y, m, d, 0, 0, 0});
  return id;
}

const double kNow = EncodeDateTime(TCivilTime{2025, 6, 1, 10, 30, 0});

} // namespace

TEST(ReceiveDirectory, AnalyzerListings) {
  // Empty memory: only the two closing lines, so only "Current Trace".
  TmoxDirList empty = BuildDirectoryList(Analyzer(2003, 3, 1), {"Stored: 0", "Free: 300"}, kNow);
  ASSERT_EQ(empty.Count(), 1);
  EXPECT_EQ(empty.Text(0), "Current Trace");
  EXPECT_EQ(empty.Number(0), 500);

  TmoxDirList later = BuildDirectoryList(Analyzer(2003, 3, 1),
                                         {"\"MAIN FEED\",05-Jan-2003 12:07,12", "\"BAD DATE\",05-Foo-2003 12:07,13",
                                          "\"NO LOC\",05-Jan-2003 12:07,x", "no quotes", "Stored: 1", "Free: 299"},
                                         kNow);
  ASSERT_EQ(later.Count(), 2);
  EXPECT_EQ(later.Text(1), "MAIN FEED");
  EXPECT_EQ(later.Number(1), 12);
  EXPECT_DOUBLE_EQ(later.Time(1), EncodeDateTime(TCivilTime{2003, 1, 5, 12, 7, 0}));

  TmoxDirList first = BuildDirectoryList(
      Analyzer(2001, 1, 1), {"12, 1, 1, 3, 05Jan2003 12:07, 4", "0, 0, 2, 0, 06Jan2003 08:00, 5", "x", "y"}, kNow);
  ASSERT_EQ(first.Count(), 3);
  EXPECT_EQ(first.Text(1), "Site 12 Alpha Tx 3");
  EXPECT_EQ(first.Number(1), 4);
  EXPECT_EQ(first.Text(2), ""); // site 0, no sector, antenna number 0
}

TEST(ReceiveDirectory, FirstGenerationNames) {
  EXPECT_EQ(FirstGenerationEntryName(12, 1, 1, 3), "Site 12 Alpha Tx 3");
  EXPECT_EQ(FirstGenerationEntryName(0, 3, 2, 1), "Gamma Rx 1");
  EXPECT_EQ(FirstGenerationEntryName(5, 2, 0, 4), "Site 5 Beta 4");
  EXPECT_EQ(FirstGenerationEntryName(5, 9, 1, 0), "Site 5 9");
}

TEST(ReceiveDirectory, SiteMasterAndRt) {
  TInstrumentIdentity sm;
  sm.Kind = ikSiteMaster;
  std::vector<std::string> lines;
  for (int n = 1; n <= 40; ++n)
    lines.push_back(std::to_string(n) + ",Trace #" + std::to_string(n));
  const TmoxDirList smList = BuildDirectoryList(sm, lines, kNow);
  // The Site Master cannot send its current trace: no row offers it.
  EXPECT_EQ(smList.Count(), 40);
  EXPECT_EQ(smList.Number(0), 1);
  EXPECT_EQ(smList.Text(39), "Trace #40");
  EXPECT_DOUBLE_EQ(smList.Time(39), std::floor(kNow));

  TInstrumentIdentity rt;
  rt.Kind = ikRtTester;
  const TmoxDirList rtList = BuildDirectoryList(rt, {"3,Trace #3"}, kNow);
  ASSERT_EQ(rtList.Count(), 1); // no current trace on an RT tester
  EXPECT_EQ(rtList.Number(0), 3);
}

TEST(ReceiveDirectory, ReadFromRtBlock) {
  FakeSerialLink fake;
  fake.SetResponder(
      [](std::string_view w) -> std::string { return w == "TF,?\r" ? "0,1,0,0,0,0,0,0,0,0,0,1\r\n" : ""; });
  TSAComm comm(fake);
  TInstrumentIdentity rt;
  rt.Kind = ikRtTester;
  const TmoxDirList list = ReadDirectory(comm, rt, kNow);
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Number(0), 2);
  EXPECT_EQ(list.Text(1), "Trace #12");
  EXPECT_FALSE(fake.IsOpen()); // closed again
}

TEST(ReceiveSelection, Limits) {
  EXPECT_EQ(CheckReceiveSelection(51, TReceiveDestination::SeparateDocuments, 0),
            "Too many traces selected. Please limit selection to 50 traces or use \"Upload to files on disk\".");
  EXPECT_EQ(CheckReceiveSelection(51, TReceiveDestination::Files, 0), "");
  EXPECT_EQ(CheckReceiveSelection(0, TReceiveDestination::Files, 0), kMsgNoTraceSelected);
  EXPECT_EQ(CheckReceiveSelection(3, TReceiveDestination::ActiveDocument, 12), kMsgTooManyTraces);
  EXPECT_EQ(CheckReceiveSelection(2, TReceiveDestination::ActiveDocument, 12), "");
  EXPECT_EQ(CheckReceiveSelection(15, TReceiveDestination::OneNewDocument, 0), kMsgTooManyTraces);
  EXPECT_EQ(CheckReceiveSelection(15, TReceiveDestination::SeparateDocuments, 0), "");
}

TEST(ReceiveSelection, TraceNames) {
  TInstrumentIdentity rt;
  rt.Kind = ikRtTester;
  rt.RtModelDigit = '5';
  const TSelectedTrace sel{7, "listed"};
  EXPECT_EQ(ReceivedTraceName(rt, sel, TReceiveDestination::SeparateDocuments), "RT500 Trace #7");
  EXPECT_EQ(ReceivedTraceName(rt, sel, TReceiveDestination::Files), "5Trace #7");
  TInstrumentIdentity sm;
  sm.Kind = ikSiteMaster;
  EXPECT_EQ(ReceivedTraceName(sm, sel, TReceiveDestination::Files), "Trace #7");
  EXPECT_EQ(ReceivedTraceName(Analyzer(2003, 1, 1), sel, TReceiveDestination::Files), "listed");
}

TEST(ReceivedFilePath, BaseNames) {
  TTraceData t;
  t.Label = "A/B:C*D?E.kdt";
  EXPECT_EQ(ReceivedTraceBaseName(t, 3), "ABCDEkdt");
  t.Label = std::string(50, 'x');
  EXPECT_EQ(ReceivedTraceBaseName(t, 3).size(), 50U);
  // A label made only of removed characters falls back to model, serial and location.
  t.Label = "\"*./:<>?\\|";
  t.Model = "LX-3400QE";
  t.SN = "0041230";
  t.DateTime = EncodeDateTime(TCivilTime{2024, 5, 10, 9, 5, 0});
  EXPECT_EQ(ReceivedTraceBaseName(t, 12), "LX-3400QE SN 0041230 buf 12 10-May-2024 09 05");
  t.SN = std::string(31, '7'); // the longest serial number still fits
  EXPECT_EQ(ReceivedTraceBaseName(t, 1).substr(0, 50), "LX-3400QE SN " + std::string(31, '7') + " buf 1");
  // An instrument that names neither model nor serial number (a Site Master)
  // leaves no leading or doubled blank.
  t.Model = "";
  t.SN = "";
  EXPECT_EQ(ReceivedTraceBaseName(t, 4), "SN buf 4 10-May-2024 09 05");
  t.Model = " ";
  t.SN = " ";
  EXPECT_EQ(ReceivedTraceBaseName(t, 4), "SN buf 4 10-May-2024 09 05");
}

TEST(ReceivedFilePath, FolderStyles) {
  TTraceData t;
  t.SN = "0041230";
  t.DateTime = EncodeDateTime(TCivilTime{2024, 5, 10, 9, 5, 0});
  EXPECT_EQ(ReceivedTraceFolder("/r/", 0, t), "/r/");
  EXPECT_EQ(ReceivedTraceFolder("/r", 1, t), "/r/2024May10/");
  EXPECT_EQ(ReceivedTraceFolder("/r/", 2, t), "/r/SN0041230/");
  EXPECT_EQ(ReceivedTraceFolder("/r/", 3, t), "/r/SN0041230/2024May10/");
  EXPECT_EQ(ReceivedTraceFolder("/r/", 9, t), "/r/");
  t.SN = "../../etc"; // a serial number never climbs out of the root
  EXPECT_EQ(ReceivedTraceFolder("/r/", 2, t), "/r/SNetc/");
}

TEST(ReceivedFilePath, FoldersAndUniqueNames) {
  TempDir dir;
  const std::string folder = dir.File("a/b/c") + "/";
  ForceFolders(folder);
  EXPECT_TRUE(std::filesystem::is_directory(folder));
  EXPECT_EQ(UniqueTracePath(folder, "X"), folder + "X.kdt");
  std::ofstream(folder + "X.kdt") << "x";
  EXPECT_EQ(UniqueTracePath(folder, "X"), folder + "X(1).kdt");
  std::ofstream(folder + "X(1).kdt") << "x";
  EXPECT_EQ(UniqueTracePath(folder, "X"), folder + "X(2).kdt");
  EXPECT_EQ(UniqueTracePath(folder, "Y", [](const std::string &n) { return n == "Y.kdt"; }), folder + "Y(1).kdt");
  // A file where a folder should be.
  std::ofstream(dir.File("blocker")) << "x";
  try {
    ForceFolders(dir.File("blocker") + "/sub/");
    FAIL();
  } catch (const EmoxFileCreateError &e) {
    EXPECT_EQ(std::string(e.what()).rfind(kMsgCreateFile, 0), 0U);
  }
}

TEST(ReceivedFilePath, SaveWritesDocumentOnce) {
  TempDir dir;
  TmoxDocument doc;
  TTraceData &t = doc.Doc.Traces[0];
  t.Label = "FEED";
  t.NumPoints = 3;
  t.Freq = {1, 2, 3};
  t.Mag = {-10, -11, -12};
  t.Angle = {0, 0, 0};
  const std::string root = dir.Path().string() + "/";
  const std::string p1 = SaveReceivedTrace(doc, root, 0, 1);
  const std::string p2 = SaveReceivedTrace(doc, root, 0, 2);
  EXPECT_EQ(p1, root + "FEED.kdt");
  EXPECT_EQ(p2, root + "FEED(1).kdt");
  EXPECT_TRUE(std::filesystem::exists(p2));
}
