// Power setup records: limits, both file forms, the analyzer's record text
// and the SGET/SSTO exchanges over an in-memory link.
#include <fstream>

#include <gtest/gtest.h>

#include "core/Excption.h"
#include "core/SAFileStream.h"
#include "core/TestHelpers.h"
#include "instrument/FakeSerialLink.h"
#include "instrument/PwrSetup.h"
#include "instrument/SAComm.h"

using namespace korv;

namespace {

std::string CsvLine(const std::string &fields) { return std::string(kSetupCsvHeader) + "\r\n" + fields + "\r\n"; }

TPowerSetupRecord Sample() {
  TPowerSetupRecord r;
  r.Name = "ROOF A";
  r.Protect = true;
  r.Cable = 1.25;
  r.Atten = -3.5;
  r.Connector = 0.1;
  r.Coupler = 30;
  r.FreqRange = "800-2500 MHz";
  r.SensorType = "PS-1";
  r.ElementType = "E100";
  r.FullScale = 1500;
  r.Comment = "north face feeder 21c"; // all 21 characters
  r.Password = "secret";
  return r;
}

} // namespace

TEST(PwrSetup, DefaultsAndListColumns) {
  const TPowerSetupList list = DefaultSetupList();
  EXPECT_EQ(list[0].Name, "Dflt 1");
  EXPECT_EQ(list[19].Name, "Dflt 20");
  EXPECT_EQ(list[7].Version, "0");
  EXPECT_EQ(SetupFullScaleText(1500), "  1.50KW");
  EXPECT_EQ(SetupFullScaleText(999.99), "999.99W");
  EXPECT_EQ(SetupFullScaleText(1000), "  1.00KW");
  EXPECT_EQ(SetupLossText(-3.5), " -3.50");
}

TEST(PwrSetup, EditLimitsAndPassword) {
  double v = 0;
  EXPECT_TRUE(ReadSetupNumber(TSetupNumber::Cable, "20", v).empty());
  EXPECT_EQ(v, 20.0);
  EXPECT_EQ(ReadSetupNumber(TSetupNumber::Cable, "20.01", v), "The cable loss must be a number not above 20.");
  EXPECT_EQ(ReadSetupNumber(TSetupNumber::Atten, "-10.5", v), "The attenuator loss must be a number from -10 to 20.");
  EXPECT_TRUE(ReadSetupNumber(TSetupNumber::Atten, "-10", v).empty());
  EXPECT_FALSE(ReadSetupNumber(TSetupNumber::Coupler, "abc", v).empty());
  EXPECT_TRUE(ReadSetupNumber(TSetupNumber::FullScale, "200000", v).empty());
  EXPECT_FALSE(ReadSetupNumber(TSetupNumber::FullScale, "200001", v).empty());
  EXPECT_EQ(v, 200000.0); // a refused text leaves the value alone

  TPowerSetupRecord r;
  EXPECT_TRUE(PasswordAccepted(r, "anything"));
  r.Password = "pw";
  r.Protect = false; // a password asks even without the protect flag
  EXPECT_FALSE(PasswordAccepted(r, ""));
  EXPECT_FALSE(PasswordAccepted(r, "PW"));
  EXPECT_TRUE(PasswordAccepted(r, "pw"));

  r.Version = "7";
  r.Name = "A name too long for nine";
  const TPowerSetupRecord e = EditedRecord(r);
  EXPECT_EQ(e.Version, "0");
  EXPECT_EQ(e.Name, "A name to");
  EXPECT_FALSE(SetupTextProblem("a,b").empty());
  EXPECT_TRUE(SetupTextProblem("a b").empty());
}

TEST(PwrSetup, CsvRoundTripAndFieldCounts) {
  TPowerSetupList list = DefaultSetupList();
  list[9] = Sample();
  list[9].Version = "3.1";
  const std::string csv = WriteSetupCsv(list);
  EXPECT_EQ(csv.substr(0, csv.find('\r')), kSetupCsvHeader);
  EXPECT_NE(csv.find("\r\n3.1,ROOF A,1,1.25,-3.5,0.1,30,800-2500 MHz,PS-1,E100,1500,north face feeder 21c,secret\r\n"),
            std::string::npos);
  EXPECT_EQ(ReadSetupCsv(csv, TPowerSetupList{}), list);

  const TPowerSetupList base = DefaultSetupList();
  // 12 fields are refused; 14 and more are read by their first 13.
  EXPECT_THROW(ReadSetupCsv(CsvLine("0,A,0,1,2,3,4,f,s,e,5,c"), base), EmoxInvalidFileError);
  const TPowerSetupList wide = ReadSetupCsv(CsvLine("0,A,yes,1,2,3,4,f,s,e,5,c,p,extra,more"), base);
  EXPECT_EQ(wide[0].Name, "A");
  EXPECT_TRUE(wide[0].Protect); // anything but "0"
  EXPECT_EQ(wide[0].Password, "p");
  EXPECT_EQ(wide[1], base[1]); // records the file does not name keep theirs
  // Texts are cut to their capacity; numbers must be numbers; the header must match.
  EXPECT_EQ(ReadSetupCsv(CsvLine("0,ABCDEFGHIJKL,0,1,2,3,4,f,s,e,5,c,p"), base)[0].Name, "ABCDEFGHI");
  EXPECT_THROW(ReadSetupCsv(CsvLine("0,A,0,x,2,3,4,f,s,e,5,c,p"), base), EmoxInvalidFileError);
  EXPECT_THROW(ReadSetupCsv(CsvLine("0,A,0,nan,2,3,4,f,s,e,5,c,p"), base), EmoxInvalidFileError);
  EXPECT_THROW(ReadSetupCsv("Version,Name\r\n", base), EmoxInvalidFileError);
  try {
    ReadSetupCsv("", base);
    FAIL();
  } catch (const EmoxInvalidFileError &e) {
    EXPECT_STREQ(e.what(), kMsgInvalidFile);
  }
  // A comma inside a text would shift the fields: refused, not written.
  list[3].Comment = "a,b";
  EXPECT_THROW(WriteSetupCsv(list), EmoxCSVError);
}

TEST(PwrSetup, TextFormFillsAtMostTwentyRecords) {
  std::string text;
  for (int i = 1; i <= 23; ++i)
    text += "R" + std::to_string(i) + ",Y,1.00,2.00,3.00,4.00,\"f\",\"s\",\"e\",5.00,\"c\",\"\"\n";
  const TPowerSetupList list = ReadSetupText(text, DefaultSetupList());
  EXPECT_EQ(list[0].Name, "R1");
  EXPECT_EQ(list[19].Name, "R20");
  EXPECT_TRUE(list[19].Protect);
  EXPECT_EQ(list[19].FreqRange, "f");
  EXPECT_EQ(list[19].Version, "0");
  // Fewer lines leave the later records alone; a short line is refused.
  const TPowerSetupList two = ReadSetupText("A,N,0,0,0,0,,,,0,,\r\nB,y,0,0,0,0,,,,0,,\r\n\r\n", DefaultSetupList());
  EXPECT_EQ(two[1].Name, "B");
  EXPECT_FALSE(two[1].Protect); // only "Y" protects
  EXPECT_EQ(two[2].Name, "Dflt 3");
  EXPECT_THROW(ReadSetupText("A,N,0,0,0,0,,,,0,\n", DefaultSetupList()), EmoxInvalidFileError);

  // Written and read back, a full 21-character comment survives its quotes.
  TPowerSetupList one = DefaultSetupList();
  one[0] = Sample();
  const TPowerSetupList back = ReadSetupText(WriteSetupText(one), DefaultSetupList());
  EXPECT_EQ(back[0].Comment, "north face feeder 21c");
  EXPECT_EQ(back[0].FullScale, 1500.0);
  EXPECT_EQ(back[0], one[0]);
}

TEST(PwrSetup, FilesByExtensionAndFailedLoadsChangeNothing) {
  TempDir dir;
  TPowerSetupList list = DefaultSetupList();
  list[4] = Sample();
  SaveSetupFile(dir.File("a.pwrsetup"), list, false);
  SaveSetupFile(dir.File("b.TXT"), list, true);
  EXPECT_TRUE(IsSetupTextFile(dir.File("b.TXT")));
  EXPECT_FALSE(IsSetupTextFile(dir.File("x.txt.pwrsetup")));
  EXPECT_FALSE(IsSetupTextFile("/some.txt/name"));
  EXPECT_EQ(LoadSetupFile(dir.File("a.pwrsetup"), TPowerSetupList{}), list);
  EXPECT_EQ(LoadSetupFile(dir.File("b.TXT"), DefaultSetupList()), list);
  // The CSV reader refuses the text form under a CSV name.
  std::filesystem::copy_file(dir.File("b.TXT"), dir.File("c.pwrsetup"));
  EXPECT_THROW(LoadSetupFile(dir.File("c.pwrsetup"), list), EmoxInvalidFileError);
  EXPECT_THROW(LoadSetupFile(dir.File("missing.txt"), list), ESAFileStream_Exception);
}

TEST(PwrSetup, RecordFoundInTheReplyByItsNumber) {
  const std::string body = "NAME,Y,1.00,2.00,3.00,4.00,\"f\",\"s\",\"e\",1500.00,\"c\",\"pw\"";
  const TPowerSetupRecord r10 = RecordFromSetupReply("SGET,10\n\r10," + body + "\rSOK", 10);
  EXPECT_EQ(r10.Name, "NAME");
  EXPECT_EQ(r10.Password, "pw");
  EXPECT_EQ(r10.FullScale, 1500.0);
  EXPECT_EQ(RecordFromSetupReply("> junk\n\r7," + body + "\rSOK", 7).Coupler, 4.0);
  // The wrong record, a missing number, too few fields: none becomes a record.
  EXPECT_THROW(RecordFromSetupReply("SGET,10\n\r11," + body + "\rSOK", 10), EmoxIOError);
  EXPECT_THROW(RecordFromSetupReply("\n\r," + body + "\rSOK", 1), EmoxIOError);
  EXPECT_THROW(RecordFromSetupReply("1,A,Y,1\rSOK", 1), EmoxIOError);
  EXPECT_THROW(RecordFromSetupReply("3,NAME,Y,x,2,3,4,f,s,e,5,c,p\rSOK", 3), EmoxIOError);
  try {
    RecordFromSetupReply("ERRsetup", 1);
    FAIL();
  } catch (const EmoxIOError &e) {
    EXPECT_STREQ(e.what(), kMsgSetupTransfer);
  }
}

namespace {

// A small analyzer behind the fake link: bare SGET refused (after missing
// the first `miss` of them), SGET,n and SSTO answered from its records.
struct Analyzer {
  FakeSerialLink link;
  TSAComm comm{link};
  std::array<std::string, 20> records;
  int miss = 0;
  int syncs = 0;
  bool mute = false;
  bool sokOnRecordLine = false; // firmware that ends a record with SOK, no line break
  std::vector<std::string> commands;
  Analyzer() {
    for (int n = 1; n <= 20; ++n)
      records[static_cast<std::size_t>(n - 1)] =
          "R" + std::to_string(n) + ",N,0.00,0.00,0.00,0.00,\"\",\"\",\"\",0.00,\"\",\"\"";
    link.SetResponder([this](std::string_view w) -> std::string {
      std::string cmd(w);
      if (!cmd.empty() && cmd.back() == '\r') cmd.pop_back();
      commands.push_back(cmd);
      if (mute) return {};
      if (cmd.empty()) return "\n\r> ";
      if (cmd == "SGET") return ++syncs <= miss ? std::string() : "SGET\n\rERRsetup\n\r> ";
      if (cmd.rfind("SGET,", 0) == 0) {
        const int n = std::stoi(cmd.substr(5));
        return cmd + "\n\r" + std::to_string(n) + "," + records[static_cast<std::size_t>(n - 1)] +
               (sokOnRecordLine ? "SOK\n\r> " : "\rSOK\n\r> ");
      }
      if (cmd.rfind("SSTO,", 0) == 0) {
        const std::string rest = cmd.substr(5);
        const std::size_t c = rest.find(',');
        records[static_cast<std::size_t>(std::stoi(rest.substr(0, c)) - 1)] = rest.substr(c + 1);
        return cmd + "\n\rSOK\n\r> ";
      }
      return cmd + "\n\r?\n\r> ";
    });
  }
};

} // namespace

TEST(PwrSetupExchange, SendThenLoadKeepsEveryRecord) {
  Analyzer a;
  TPowerSetupList list = DefaultSetupList();
  list[9] = Sample();
  list[9].Comment = "SOK"; // a text that reads like the end of a reply
  std::vector<int> steps;
  EXPECT_TRUE(SendSetupsToAnalyzer(a.comm, list, [&](int done, int total) {
    EXPECT_EQ(total, 20);
    steps.push_back(done);
  }));
  EXPECT_EQ(steps.size(), 21U);
  EXPECT_FALSE(a.link.IsOpen());
  EXPECT_EQ(a.records[9],
            "ROOF A,Y,1.25,-3.50,0.10,30.00,\"800-2500 MHz\",\"PS-1\",\"E100\",1500.00,\"SOK\",\"secret\"");

  TPowerSetupList got;
  EXPECT_TRUE(LoadSetupsFromAnalyzer(
      a.comm, [&](int n, const TPowerSetupRecord &r) { got[static_cast<std::size_t>(n - 1)] = r; }));
  EXPECT_FALSE(a.link.IsOpen());
  EXPECT_EQ(got[9].Password, "secret");
  EXPECT_EQ(got[9].Comment, "SOK");
  EXPECT_EQ(got[9].Connector, 0.1);
  EXPECT_EQ(got[19].Name, "Dflt 20");
  // The first exchange after the CR is the refused bare SGET.
  ASSERT_GE(a.commands.size(), 3U);
  EXPECT_EQ(a.commands[a.commands.size() - 22], "");
  EXPECT_EQ(a.commands[a.commands.size() - 21], "SGET");
}

// Some firmware puts SOK right after the record on its line; a quoted
// comment reading SOK still does not end the reply.
TEST(PwrSetupExchange, SokAfterTheRecordOnItsLine) {
  Analyzer a;
  a.sokOnRecordLine = true;
  TPowerSetupList list = DefaultSetupList();
  list[2] = Sample();
  list[2].Comment = "SOK";
  ASSERT_TRUE(SendSetupsToAnalyzer(a.comm, list));
  TPowerSetupList got;
  ASSERT_TRUE(LoadSetupsFromAnalyzer(
      a.comm, [&](int n, const TPowerSetupRecord &r) { got[static_cast<std::size_t>(n - 1)] = r; }));
  EXPECT_EQ(got[2].Comment, "SOK");
  EXPECT_EQ(got[2].Password, "secret");
  EXPECT_EQ(got[19].Name, "Dflt 20");
}

TEST(PwrSetupExchange, SyncIsTriedOnceMore) {
  Analyzer a;
  a.miss = 1;
  int received = 0;
  EXPECT_TRUE(LoadSetupsFromAnalyzer(a.comm, [&](int, const TPowerSetupRecord &) { ++received; }));
  EXPECT_EQ(received, 20);
  EXPECT_EQ(a.syncs, 2);

  Analyzer twice;
  twice.miss = 2;
  try {
    LoadSetupsFromAnalyzer(twice.comm, [&](int, const TPowerSetupRecord &) { FAIL(); });
    FAIL();
  } catch (const EmoxIOTimeOutErr &e) {
    EXPECT_STREQ(e.what(), kMsgSetupTimeOut);
  }
  EXPECT_FALSE(twice.link.IsOpen());
  EXPECT_EQ(twice.syncs, 2);
}

TEST(PwrSetupExchange, FailureKeepsWhatArrivedAndClosesTheLink) {
  Analyzer a;
  a.records[3] = "broken";
  std::vector<int> got;
  EXPECT_THROW(LoadSetupsFromAnalyzer(a.comm, [&](int n, const TPowerSetupRecord &) { got.push_back(n); }),
               EmoxIOError);
  EXPECT_EQ(got, (std::vector<int>{1, 2, 3}));
  EXPECT_FALSE(a.link.IsOpen());

  // An analyzer that stops answering after the sync: the deadline of one
  // record, with the setup exchanges' own words.
  Analyzer b;
  const std::int64_t start = b.link.NowMs();
  b.link.SetResponder([first = true](std::string_view w) mutable -> std::string {
    if (w == "SGET\r" && first) {
      first = false;
      return "ERRsetup";
    }
    return {};
  });
  try {
    SendSetupsToAnalyzer(b.comm, DefaultSetupList());
    FAIL();
  } catch (const EmoxIOTimeOutErr &e) {
    EXPECT_STREQ(e.what(), kMsgSetupTimeOut);
  }
  EXPECT_LT(b.link.NowMs() - start, 1000 + 5000 + 15000 + 1000);
  EXPECT_FALSE(b.link.IsOpen());

  // A record that cannot travel is refused before the port opens.
  Analyzer c;
  TPowerSetupList bad = DefaultSetupList();
  bad[0].Name = "a,b";
  EXPECT_THROW(SendSetupsToAnalyzer(c.comm, bad), EmoxIOError);
  EXPECT_EQ(c.link.OpenCount(), 0);
}

TEST(PwrSetupExchange, CancelStopsBeforeTheNextRecord) {
  Analyzer a;
  std::atomic<bool> cancel{false};
  a.comm.SetCancelFlag(&cancel);
  int received = 0;
  EXPECT_FALSE(LoadSetupsFromAnalyzer(a.comm, [&](int, const TPowerSetupRecord &) {
    if (++received == 2) cancel = true;
  }));
  EXPECT_EQ(received, 2);
  EXPECT_FALSE(a.link.IsOpen());
}
