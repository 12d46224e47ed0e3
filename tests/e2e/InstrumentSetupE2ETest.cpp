// Power setup records and quick text through korvtool against the analyzer
// simulator: round trips, the synchronisation retry, time-outs and files
// that must not reach the analyzer.
#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "InstrumentProcess.h"
#include "core/TestHelpers.h"

namespace fs = std::filesystem;

namespace {

bool Has(const std::string &text, const std::string &part) { return text.find(part) != std::string::npos; }

std::string ReadText(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteText(const std::string &path, const std::string &text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

const char *kHeader = "Version,Name,Protect,Cable,Atten,Connector,Coupler,Freq Range,sensor type,element type,"
                      "FullScale,comment,password\r\n";

// Twenty records in the analyzer's text form; record 10 is protected by a
// password and carries every field.
std::string TwentyRecords() {
  std::string text;
  for (int n = 1; n <= 20; ++n) {
    if (n == 10)
      text += "SITE 10,Y,1.25,-3.50,0.10,30.00,\"800-2500 MHz\",\"PS-1\",\"E100\",1500.00,\"north face feeder 21c\","
              "\"secret\"\r\n";
    else
      text += "REC " + std::to_string(n) + ",N," + std::to_string(n) +
              ".00,0.00,0.00,0.00,\"\",\"\",\"\",100.00,"
              "\"\",\"\"\r\n";
  }
  return text;
}

} // namespace

TEST(SetupE2E, PowerSetupsRoundTripInBothForms) {
  TSimProcess sim({"--instrument", "lx"});
  TempDir dir;
  WriteText(dir.File("in.txt"), TwentyRecords());
  const TRunResult put = RunKorvtool({"power-setup", "put", "--port", sim.Port(), dir.File("in.txt")});
  ASSERT_EQ(put.ExitCode, 0) << put.Err;

  const TRunResult get = RunKorvtool({"power-setup", "get", "--port", sim.Port(), dir.File("out.txt")});
  ASSERT_EQ(get.ExitCode, 0) << get.Err;
  EXPECT_EQ(ReadText(dir.File("out.txt")), TwentyRecords());

  const TRunResult csv = RunKorvtool({"power-setup", "get", "--port", sim.Port(), dir.File("out.pwrsetup")});
  ASSERT_EQ(csv.ExitCode, 0) << csv.Err;
  const std::string text = ReadText(dir.File("out.pwrsetup"));
  EXPECT_EQ(text.rfind(kHeader, 0), 0U) << text;
  EXPECT_TRUE(
      Has(text, "\r\n0,SITE 10,1,1.25,-3.5,0.1,30,800-2500 MHz,PS-1,E100,1500,north face feeder 21c,secret\r\n"))
      << text;

  // The CSV goes back as it came.
  const TRunResult again = RunKorvtool({"power-setup", "put", "--port", sim.Port(), dir.File("out.pwrsetup")});
  ASSERT_EQ(again.ExitCode, 0) << again.Err;
  const TRunResult last = RunKorvtool({"power-setup", "get", "--port", sim.Port(), dir.File("last.pwrsetup")});
  ASSERT_EQ(last.ExitCode, 0) << last.Err;
  EXPECT_EQ(ReadText(dir.File("last.pwrsetup")), text);
}

TEST(SetupE2E, FirstSynchronisationMissedIsRetried) {
  TSimProcess sim({"--instrument", "lx", "--fault", "sync-once"});
  TempDir dir;
  const TRunResult get = RunKorvtool({"power-setup", "get", "--port", sim.Port(), dir.File("s.txt")}, 40);
  ASSERT_EQ(get.ExitCode, 0) << get.Err;
  // The missed refusal costs its five seconds before the retry.
  EXPECT_GT(get.Seconds, 5.0);
  const std::string text = ReadText(dir.File("s.txt"));
  EXPECT_EQ(text.rfind("TX MAIN,N,1.20,20.00,", 0), 0U) << text;
  EXPECT_TRUE(Has(text, "\r\nTX HIGH,Y,2.40,10.00,0.20,40.00,\"1710-2170 MHz\",\"PS-2\",\"1KW-FWD\",1500.00,"
                        "\"Booster\",\"BOOST\"\r\n"))
      << text;
}

TEST(SetupE2E, FilesThatFailTheirChecksSendNothing) {
  TSimProcess sim({"--instrument", "lx"});
  TempDir dir;
  WriteText(dir.File("bad.pwrsetup"), std::string(kHeader) + "0,A,0,1,2,3,4,f,s,e,5,c\r\n");
  WriteText(dir.File("bad.txt"), "A,N,0,x,0,0,,,,0,,\r\n");
  for (const char *name : {"bad.pwrsetup", "bad.txt", "missing.txt"}) {
    const TRunResult put = RunKorvtool({"power-setup", "put", "--port", sim.Port(), dir.File(name)});
    EXPECT_EQ(put.ExitCode, 1) << name;
    EXPECT_TRUE(Has(put.Err, dir.File(name))) << put.Err;
  }
  const TRunResult bad = RunKorvtool({"power-setup", "put", "--port", sim.Port(), dir.File("bad.pwrsetup")});
  EXPECT_TRUE(Has(bad.Err, "EmoxInvalidFile was encountered while opening file.")) << bad.Err;
  const TRunResult get = RunKorvtool({"power-setup", "get", "--port", sim.Port(), dir.File("now.txt")});
  ASSERT_EQ(get.ExitCode, 0) << get.Err;
  EXPECT_EQ(ReadText(dir.File("now.txt")).rfind("TX MAIN,", 0), 0U);

  EXPECT_EQ(RunKorvtool({"power-setup", "--port", sim.Port(), dir.File("x.txt")}).ExitCode, 2);
  EXPECT_EQ(RunKorvtool({"quick-text", "fetch", "--port", sim.Port(), dir.File("x.txt")}).ExitCode, 2);
  EXPECT_EQ(RunKorvtool({"quick-text", "get", "--port", sim.Port()}).ExitCode, 2);
}

TEST(SetupE2E, QuickTextRoundTrip) {
  TSimProcess sim({"--instrument", "lx"});
  TempDir dir;
  const TRunResult first = RunKorvtool({"quick-text", "get", "--port", sim.Port(), dir.File("q0.txt")});
  ASSERT_EQ(first.ExitCode, 0) << first.Err;
  EXPECT_EQ(ReadText(dir.File("q0.txt")).rfind("TOWER\r\nROOFTOP\r\n", 0), 0U);

  std::string lines = "Tower #3; north\r\n\r\nbeta\r\n";
  for (int i = 0; i < 17; ++i)
    lines += "more " + std::to_string(i) + "\r\n";
  WriteText(dir.File("in.txt"), lines);
  const TRunResult put = RunKorvtool({"quick-text", "put", "--port", sim.Port(), dir.File("in.txt")});
  ASSERT_EQ(put.ExitCode, 0) << put.Err;
  EXPECT_TRUE(Has(put.Out, "12 rows stored")) << put.Out; // 13 rows, one of them empty

  const TRunResult get = RunKorvtool({"quick-text", "get", "--port", sim.Port(), dir.File("q.txt")});
  ASSERT_EQ(get.ExitCode, 0) << get.Err;
  std::string want = "TOWER #3_ NORTH\r\nBETA\r\n";
  for (int i = 0; i < 10; ++i)
    want += "MORE " + std::to_string(i) + "\r\n";
  want += "\r\n"; // the analyzer keeps the rows it received, empties after them
  EXPECT_EQ(ReadText(dir.File("q.txt")), want);
}

TEST(SetupE2E, SilentAnalyzerTimesOutWithinTheDeadlines) {
  TSimProcess sim({"--instrument", "lx", "--fault", "silence"});
  TempDir dir;
  WriteText(dir.File("rows.txt"), "A\r\n");
  WriteText(dir.File("rec.txt"), "A,N,0,0,0,0,,,,0,,\r\n");
  struct Case {
    std::vector<std::string> Args;
    const char *Message;
    double Limit;
  };
  const std::vector<Case> cases = {
      {{"power-setup", "get", "--port", sim.Port(), dir.File("p.txt")},
       "Timeout while waiting for response from LX-x000QE.",
       2 * (1 + 5) + 2},
      {{"power-setup", "put", "--port", sim.Port(), dir.File("rec.txt")},
       "Timeout while waiting for response from LX-x000QE.",
       2 * (1 + 5) + 2},
      {{"quick-text", "get", "--port", sim.Port(), dir.File("q.txt")}, "LX-x000QE is not responding.", 3 + 2},
      {{"quick-text", "put", "--port", sim.Port(), dir.File("rows.txt")}, "LX-x000QE is not responding.", 3 + 2}};
  for (const Case &c : cases) {
    const TRunResult r = RunKorvtool(c.Args, c.Limit + 20);
    EXPECT_EQ(r.ExitCode, 1) << c.Args[0] << " " << c.Args[1];
    EXPECT_TRUE(Has(r.Err, c.Message)) << r.Err;
    EXPECT_LT(r.Seconds, c.Limit) << c.Args[0] << " " << c.Args[1];
  }
  EXPECT_FALSE(fs::exists(dir.File("p.txt")));
  EXPECT_FALSE(fs::exists(dir.File("q.txt")));
}
