#include <chrono>
#include <filesystem>
#include <set>
#include <thread>

#include <gtest/gtest.h>

#include "InstrumentProcess.h"
#include "core/TestHelpers.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::string> FilesUnder(const fs::path &root) {
  std::vector<std::string> out;
  std::error_code ec;
  if (!fs::exists(root, ec)) return out;
  for (const auto &e : fs::recursive_directory_iterator(root))
    if (e.is_regular_file()) out.push_back(fs::relative(e.path(), root).string());
  std::sort(out.begin(), out.end());
  return out;
}

bool Has(const std::string &text, const std::string &part) { return text.find(part) != std::string::npos; }

struct AnalyzerCase {
  const char *Model;
  const char *Firmware;
  int Generation;
  bool QE;
};

void PrintTo(const AnalyzerCase &c, std::ostream *os) { *os << c.Model << " " << c.Firmware; }

class AnalyzerE2E : public ::testing::TestWithParam<AnalyzerCase> {};

const char *kTimeOut = "Timeout Occurred while waiting for data from LX-x000QE.";

} // namespace

TEST_P(AnalyzerE2E, IdentifyListReceive) {
  const AnalyzerCase c = GetParam();
  TSimProcess sim({"--instrument", "lx", "--model", c.Model, "--firmware", c.Firmware});
  const TRunResult id = RunKorvtool({"identify", "--port", sim.Port(), "--json"});
  ASSERT_EQ(id.ExitCode, 0) << id.Err;
  EXPECT_TRUE(Has(id.Out, "\"kind\":\"lx\"")) << id.Out;
  EXPECT_TRUE(Has(id.Out, "\"generation\":" + std::to_string(c.Generation))) << id.Out;
  EXPECT_TRUE(Has(id.Out, c.QE ? "\"qe\":true" : "\"qe\":false")) << id.Out;

  const TRunResult list = RunKorvtool({"list", "--port", sim.Port(), "--json"});
  ASSERT_EQ(list.ExitCode, 0) << list.Err;
  EXPECT_TRUE(Has(list.Out, "{\"location\":500,\"name\":\"Current Trace\"")) << list.Out;
  EXPECT_TRUE(Has(list.Out, "\"location\":5,")) << list.Out;

  TempDir dir;
  const std::string out = dir.File("got.kdt");
  const TRunResult rx = RunKorvtool({"receive", "--port", sim.Port(), "3", "500", "--out", out});
  ASSERT_EQ(rx.ExitCode, 0) << rx.Err;
  const TRunResult info = RunKorvtool({"info", out});
  ASSERT_EQ(info.ExitCode, 0) << info.Err;
  EXPECT_TRUE(Has(info.Out, "2 traces")) << info.Out;
  EXPECT_TRUE(Has(info.Out, c.QE && c.Generation == 3 ? "949 points" : "238 points")) << info.Out;
}

INSTANTIATE_TEST_SUITE_P(
    Firmware, AnalyzerE2E,
    ::testing::Values(AnalyzerCase{"LX-3200", "15Mar01", 1, false}, AnalyzerCase{"LX-3400QE", "15Mar01", 1, true},
                      AnalyzerCase{"LX-3250A", "15Jan02", 2, false}, AnalyzerCase{"LX-3400", "15Mar03", 3, false},
                      AnalyzerCase{"LX-3600QE", "10Oct02", 3, true}, AnalyzerCase{"LX-3600QE", "15Mar03", 3, true}));

TEST(InstrumentE2E, RtTester) {
  TSimProcess sim({"--instrument", "rt"});
  const TRunResult id = RunKorvtool({"identify", "--port", sim.Port()});
  ASSERT_EQ(id.ExitCode, 0) << id.Err;
  EXPECT_TRUE(Has(id.Out, "kind: rt")) << id.Out;
  const TRunResult list = RunKorvtool({"list", "--port", sim.Port(), "--json"});
  ASSERT_EQ(list.ExitCode, 0) << list.Err;
  EXPECT_FALSE(Has(list.Out, "Current Trace"));
  EXPECT_TRUE(Has(list.Out, "{\"location\":3,\"name\":\"Trace #3\"")) << list.Out;
  TempDir dir;
  const TRunResult rx = RunKorvtool({"receive", "--port", sim.Port(), "3", "--out-dir", dir.Path().string()});
  ASSERT_EQ(rx.ExitCode, 0) << rx.Err;
  EXPECT_EQ(FilesUnder(dir.Path()), (std::vector<std::string>{"5Trace #3.kdt"}));
  // An empty slot is refused by the tester itself.
  const TRunResult empty = RunKorvtool({"receive", "--port", sim.Port(), "2", "--out", dir.File("x.kdt")});
  EXPECT_EQ(empty.ExitCode, 1);
  EXPECT_TRUE(Has(empty.Err, "RT-500 Device Error.")) << empty.Err;
  EXPECT_FALSE(fs::exists(dir.File("x.kdt")));
}

TEST(InstrumentE2E, SiteMaster) {
  TSimProcess sim({"--instrument", "sitemaster"});
  const TRunResult id = RunKorvtool({"identify", "--port", sim.Port()});
  ASSERT_EQ(id.ExitCode, 0) << id.Err;
  EXPECT_TRUE(Has(id.Out, "kind: sitemaster")) << id.Out;
  const TRunResult list = RunKorvtool({"list", "--port", sim.Port()});
  ASSERT_EQ(list.ExitCode, 0) << list.Err;
  // 40 locations; no "Current Trace", which a Site Master cannot send.
  EXPECT_EQ(std::count(list.Out.begin(), list.Out.end(), '\n'), 40);
  EXPECT_FALSE(Has(list.Out, "Current Trace")) << list.Out;
  TempDir dir;
  const TRunResult rx = RunKorvtool({"receive", "--port", sim.Port(), "1", "2", "--out", dir.File("sm.kdt")});
  ASSERT_EQ(rx.ExitCode, 0) << rx.Err;
  const TRunResult info = RunKorvtool({"info", dir.File("sm.kdt")});
  EXPECT_TRUE(Has(info.Out, "2 traces")) << info.Out;
  EXPECT_TRUE(Has(info.Out, "130 points")) << info.Out;
}

TEST(InstrumentE2E, SiteMasterEmptyLocationsDoNotEndTheReceive) {
  TSimProcess sim({"--instrument", "sitemaster"});
  const TRunResult id = RunKorvtool({"identify", "--port", sim.Port(), "--json"});
  EXPECT_TRUE(Has(id.Out, "\"model\":\"S331\"")) << id.Out;
  TempDir dir;
  const TRunResult rx = RunKorvtool({"receive", "--port", sim.Port(), "1", "5", "2", "--out-dir", dir.Path().string()});
  EXPECT_EQ(rx.ExitCode, 1) << rx.Err;
  EXPECT_TRUE(Has(rx.Err, "location 5: No trace is stored at this location.")) << rx.Err;
  const auto files = FilesUnder(dir.Path());
  ASSERT_EQ(files.size(), 2U) << rx.Err;
  for (const auto &f : files) {
    // Model and serial are empty: no leading or doubled blank in the name.
    EXPECT_NE(f.front(), ' ') << f;
    EXPECT_FALSE(Has(f, "  ")) << f;
  }
}

// Byte protocols without a check: a slipped byte must never become a file.
TEST(InstrumentE2E, GarbledBlocksAreRefusedAndNothingIsWritten) {
  for (const char *instrument : {"sitemaster", "rt"}) {
    TSimProcess sim({"--instrument", instrument, "--fault", "garbage"});
    TempDir dir;
    const fs::path out = dir.Path() / "out";
    const TRunResult rx = RunKorvtool({"receive", "--port", sim.Port(), "1", "3", "--out-dir", out.string()});
    EXPECT_EQ(rx.ExitCode, 1) << instrument << rx.Err;
    EXPECT_TRUE(Has(rx.Err, std::string(instrument) == "rt" ? "An Error Occurred while trying to load data."
                                                            : "The trace data from the instrument is damaged."))
        << rx.Err;
    EXPECT_TRUE(FilesUnder(out).empty()) << instrument;
    const TRunResult one = RunKorvtool({"receive", "--port", sim.Port(), "1", "--out", dir.File("one.kdt")});
    EXPECT_EQ(one.ExitCode, 1) << instrument;
    EXPECT_FALSE(fs::exists(dir.File("one.kdt"))) << instrument;
  }
}

TEST(InstrumentE2E, DeleteStoredTraces) {
  TSimProcess sim({"--instrument", "lx", "--model", "LX-3400QE", "--firmware", "15Mar03"});
  const TRunResult del = RunKorvtool({"delete", "--port", sim.Port(), "2"});
  ASSERT_EQ(del.ExitCode, 0) << del.Err;
  const TRunResult list = RunKorvtool({"list", "--port", sim.Port(), "--json"});
  EXPECT_FALSE(Has(list.Out, "\"location\":2,")) << list.Out;
  EXPECT_TRUE(Has(list.Out, "\"location\":3,")) << list.Out;
  const TRunResult again = RunKorvtool({"delete", "--port", sim.Port(), "2"});
  EXPECT_EQ(again.ExitCode, 1);
  EXPECT_TRUE(Has(again.Err, "An Error Occurred in the Delete Trace command.")) << again.Err;
  // The current trace is no stored location: refused, and the run fails.
  const TRunResult current = RunKorvtool({"delete", "--port", sim.Port(), "3", "500"});
  EXPECT_EQ(current.ExitCode, 1);
  EXPECT_TRUE(Has(current.Err, "Invalid trace memory location.")) << current.Err;
  const TRunResult after = RunKorvtool({"list", "--port", sim.Port(), "--json"});
  EXPECT_FALSE(Has(after.Out, "\"location\":3,")) << after.Out;
}

TEST(InstrumentE2E, FolderStylesAndDuplicateLabels) {
  TSimProcess sim({"--instrument", "lx", "--model", "LX-3400", "--firmware", "15Mar03"});
  const std::vector<std::vector<std::string>> expected = {
      {"ALPHA TX1(1).kdt", "ALPHA TX1.kdt"},
      {"2024May10/ALPHA TX1.kdt", "2024May11/ALPHA TX1.kdt"},
      {"SN0041230/ALPHA TX1.kdt", "SN0041231/ALPHA TX1.kdt"},
      {"SN0041230/2024May10/ALPHA TX1.kdt", "SN0041231/2024May11/ALPHA TX1.kdt"}};
  for (int style = 0; style <= 3; ++style) {
    TempDir dir;
    const TRunResult rx = RunKorvtool({"receive", "--port", sim.Port(), "1", "2", "--out-dir", dir.Path().string(),
                                       "--style", std::to_string(style)});
    ASSERT_EQ(rx.ExitCode, 0) << rx.Err;
    EXPECT_EQ(FilesUnder(dir.Path()), expected[static_cast<std::size_t>(style)]) << style;
  }
}

namespace {
struct FaultCase {
  const char *Fault;
  const char *Model;
  const char *Firmware;
  const char *Message;
  double Limit; // seconds
};
void PrintTo(const FaultCase &c, std::ostream *os) { *os << c.Fault << " " << c.Model << " " << c.Firmware; }
class FaultE2E : public ::testing::TestWithParam<FaultCase> {};
} // namespace

TEST_P(FaultE2E, EndsWithItsMessageAndNoFile) {
  const FaultCase c = GetParam();
  TSimProcess sim({"--instrument", "lx", "--model", c.Model, "--firmware", c.Firmware, "--fault", c.Fault});
  TempDir dir;
  const fs::path out = dir.Path() / "out";
  const TRunResult rx =
      RunKorvtool({"receive", "--port", sim.Port(), "1", "--out-dir", out.string(), "--style", "3"}, c.Limit + 30);
  EXPECT_EQ(rx.ExitCode, 1) << rx.Err;
  EXPECT_TRUE(Has(rx.Err, c.Message)) << rx.Err;
  EXPECT_LT(rx.Seconds, c.Limit);
  EXPECT_TRUE(FilesUnder(out).empty());
  const TRunResult one =
      RunKorvtool({"receive", "--port", sim.Port(), "1", "--out", dir.File("one.kdt")}, c.Limit + 30);
  EXPECT_EQ(one.ExitCode, 1);
  EXPECT_FALSE(fs::exists(dir.File("one.kdt")));
}

INSTANTIATE_TEST_SUITE_P(
    Faults, FaultE2E,
    ::testing::Values(FaultCase{"drop", "LX-3200", "15Mar01", kTimeOut, 20},
                      FaultCase{"cutoff", "LX-3250A", "15Jan02", "stopped after", 20},
                      FaultCase{"garbage", "LX-3400", "15Mar03", "The CRC failed in the loaded trace data.", 10},
                      FaultCase{"garbage", "LX-3200", "15Mar01", "is not a valid integer value", 10},
                      FaultCase{"silence", "LX-3400", "15Mar03", "LX-x000QE is not responding.", 25}));

// A slow line whose data keeps arriving is no time-out.
TEST(LinkE2E, SlowLinkStillArrives) {
  TSimProcess sim({"--instrument", "sitemaster", "--fault", "slow"});
  TempDir dir;
  const TRunResult rx = RunKorvtool({"receive", "--port", sim.Port(), "1", "--out", dir.File("slow.kdt")}, 90);
  ASSERT_EQ(rx.ExitCode, 0) << rx.Err;
  EXPECT_GT(rx.Seconds, 12.0); // 604 bytes at 40 a second
  EXPECT_TRUE(Has(RunKorvtool({"info", dir.File("slow.kdt")}).Out, "130 points"));
}

// 4,001 points at 9600 baud take close to a minute; the deadline is for silence.
TEST(LinkE2E, LongestTraceAtLineSpeed) {
  TempDir dir;
  const std::string src = dir.File("long.kdt");
  ASSERT_EQ(
      RunKorvtool({"synth", src, "--points", "4001", "--start", "900", "--stop", "1900", "--label", "LONG"}).ExitCode,
      0);
  TSimProcess sim({"--instrument", "lx", "--model", "LX-3600QE", "--firmware", "15Mar03", "--traces", src, "--pace"});
  const TRunResult rx = RunKorvtool({"receive", "--port", sim.Port(), "1", "--out", dir.File("got.kdt")}, 170);
  ASSERT_EQ(rx.ExitCode, 0) << rx.Err;
  EXPECT_GT(rx.Seconds, 40.0);
  EXPECT_TRUE(Has(RunKorvtool({"info", dir.File("got.kdt")}).Out, "4001 points"));
}

TEST(LinkE2E, DisconnectedInstrumentIsSaidAtOnce) {
  TSimProcess sim({"--instrument", "lx", "--model", "LX-3600QE", "--firmware", "15Mar03", "--pace"});
  TempDir dir;
  std::thread stopper([&sim] {
    std::this_thread::sleep_for(std::chrono::seconds(3));
    sim.Stop();
  });
  const TRunResult rx = RunKorvtool({"receive", "--port", sim.Port(), "1", "--out", dir.File("x.kdt")}, 60);
  stopper.join();
  EXPECT_EQ(rx.ExitCode, 1);
  EXPECT_TRUE(Has(rx.Err, "The instrument on " + sim.Port() + " was disconnected.")) << rx.Err;
  EXPECT_LT(rx.Seconds, 6.0);
  EXPECT_FALSE(fs::exists(dir.File("x.kdt")));
}

// A receive stopped halfway leaves the analyzer sending; the next one waits
// for the line to be quiet instead of reading the old reply's tail.
TEST(LinkE2E, ReceiveRightAfterAnAbandonedOne) {
  TSimProcess sim({"--instrument", "lx", "--model", "LX-3600QE", "--firmware", "15Mar03", "--pace"});
  TempDir dir;
  const TRunResult killed = RunKorvtool({"receive", "--port", sim.Port(), "1", "--out", dir.File("a.kdt")}, 3.0);
  EXPECT_EQ(killed.ExitCode, -1);
  const TRunResult rx = RunKorvtool({"receive", "--port", sim.Port(), "2", "--out", dir.File("b.kdt")}, 90);
  ASSERT_EQ(rx.ExitCode, 0) << rx.Err;
  EXPECT_TRUE(Has(rx.Err, "waiting for the instrument to finish an earlier reply")) << rx.Err;
  EXPECT_TRUE(Has(RunKorvtool({"info", dir.File("b.kdt")}).Out, "949 points"));
}

TEST(LinkE2E, CutOffReplyNamesTheTraceAndWhatWasKept) {
  TSimProcess sim({"--instrument", "lx", "--model", "LX-3400", "--firmware", "15Mar03", "--fault", "cutoff"});
  TempDir dir;
  const TRunResult rx = RunKorvtool({"receive", "--port", sim.Port(), "2", "3", "--out-dir", dir.Path().string()}, 60);
  EXPECT_EQ(rx.ExitCode, 1);
  EXPECT_TRUE(Has(rx.Err, kTimeOut)) << rx.Err;
  EXPECT_TRUE(Has(rx.Err, "The reply of trace \"ALPHA TX1\" (location 2) stopped after ")) << rx.Err;
  EXPECT_TRUE(Has(rx.Err, " of 255 lines. No trace was received before it.")) << rx.Err;
}
