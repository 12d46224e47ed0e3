// korvtool against the NanoVNA-family simulator over pseudo-terminals.
#include <cstdlib>
#include <filesystem>
#include <vector>

#include <gtest/gtest.h>

#include "InstrumentProcess.h"
#include "core/TestHelpers.h"

namespace fs = std::filesystem;

namespace {

bool Has(const std::string &text, const std::string &part) { return text.find(part) != std::string::npos; }

struct ModelCase {
  const char *Sim;
  const char *Model;
  int ScanPoints;
  int ScansFor1001;
};

void PrintTo(const ModelCase &c, std::ostream *os) { *os << c.Sim; }

class NanoVnaE2E : public ::testing::TestWithParam<ModelCase> {};

// The numbers of the first array named key in a dump.
std::vector<double> Array(const std::string &json, const std::string &key) {
  std::vector<double> out;
  std::size_t at = json.find("\"" + key + "\":[");
  if (at == std::string::npos) return out;
  const char *p = json.c_str() + at + key.size() + 4;
  while (*p != ']' && *p != '\0') {
    char *end = nullptr;
    out.push_back(std::strtod(p, &end));
    if (end == p) break;
    p = *end == ',' ? end + 1 : end;
  }
  return out;
}

std::size_t FilesIn(const fs::path &dir) {
  std::size_t n = 0;
  for ([[maybe_unused]] const auto &e : fs::directory_iterator(dir))
    ++n;
  return n;
}

} // namespace

TEST_P(NanoVnaE2E, IdentifyAndSweepsOfOneAndManyScans) {
  const ModelCase c = GetParam();
  TSimProcess sim({"--instrument", "nanovna", "--model", c.Sim});
  const TRunResult id = RunKorvtool({"identify", "--port", sim.Port(), "--json"});
  ASSERT_EQ(id.ExitCode, 0) << id.Err;
  EXPECT_TRUE(Has(id.Out, "\"kind\":\"nanovna\",\"model\":\"" + std::string(c.Model) + "\"")) << id.Out;
  EXPECT_TRUE(Has(id.Out, "\"scanPoints\":" + std::to_string(c.ScanPoints))) << id.Out;

  TempDir dir;
  const TRunResult one = RunKorvtool({"sweep", "--port", sim.Port(), "--start", "100", "--stop", "600", "--points",
                                      "101", "--out", dir.File("one.kdt"), "--label", "Mast 3 feeder", "--json"});
  ASSERT_EQ(one.ExitCode, 0) << one.Err;
  EXPECT_TRUE(Has(one.Out, "\"points\":101,\"scans\":1,\"fellBack\":false")) << one.Out;
  const TRunResult dump = RunKorvtool({"dump", dir.File("one.kdt")});
  ASSERT_EQ(dump.ExitCode, 0) << dump.Err;
  EXPECT_TRUE(Has(dump.Out, "\"title\":\"Mast 3 feeder\",\"label\":\"Mast 3 feeder\"")) << dump.Out.substr(0, 600);
  EXPECT_TRUE(Has(dump.Out, "\"model\":\"" + std::string(c.Model) + "\"")) << dump.Out.substr(0, 1200);
  EXPECT_TRUE(Has(dump.Out, "\"numPoints\":101,")) << dump.Out.substr(0, 1200);

  const TRunResult many = RunKorvtool({"sweep", "--port", sim.Port(), "--start", "100", "--stop", "600", "--points",
                                       "1001", "--out-dir", dir.Path().string(), "--json"});
  ASSERT_EQ(many.ExitCode, 0) << many.Err;
  EXPECT_TRUE(Has(many.Out, "\"points\":1001,\"scans\":" + std::to_string(c.ScansFor1001))) << many.Out;
  const TRunResult info = RunKorvtool({"info", dir.File("one.kdt")});
  EXPECT_EQ(info.ExitCode, 0) << info.Err;
  EXPECT_EQ(FilesIn(dir.Path()), 2U);
}

INSTANTIATE_TEST_SUITE_P(Models, NanoVnaE2E,
                         ::testing::Values(ModelCase{"nanovna", "NanoVNA", 101, 10},
                                           ModelCase{"h4", "NanoVNA-H4", 401, 3},
                                           ModelCase{"d", "NanoVNA-H4", 401, 3}));

TEST(NanoVnaE2E, OldFirmwareAndAGivenTrace) {
  TempDir dir;
  // A trace to serve, and the same band swept back from the simulator.
  ASSERT_EQ(RunKorvtool({"synth", dir.File("line.kdt"), "--points", "201", "--start", "400", "--stop", "500",
                         "--length", "20", "--load", "0.2", "--fault", "7:0.1"})
                .ExitCode,
            0);
  TSimProcess sim({"--instrument", "nanovna", "--firmware", "old", "--traces", dir.File("line.kdt")});
  const TRunResult sw = RunKorvtool({"sweep", "--port", sim.Port(), "--start", "400", "--stop", "500", "--points",
                                     "201", "--out", dir.File("back.kdt"), "--json"});
  ASSERT_EQ(sw.ExitCode, 0) << sw.Err;
  EXPECT_TRUE(Has(sw.Out, "\"scans\":2,\"fellBack\":true")) << sw.Out;
  const TRunResult a = RunKorvtool({"dump", dir.File("line.kdt")});
  const TRunResult b = RunKorvtool({"dump", dir.File("back.kdt")});
  ASSERT_EQ(a.ExitCode, 0) << a.Err;
  ASSERT_EQ(b.ExitCode, 0) << b.Err;
  const std::vector<double> ma = Array(a.Out, "mag");
  const std::vector<double> mb = Array(b.Out, "mag");
  ASSERT_EQ(ma.size(), 201U);
  ASSERT_EQ(mb.size(), 201U);
  for (std::size_t i = 0; i < ma.size(); ++i)
    EXPECT_NEAR(ma[i], mb[i], 1e-3) << i;
}

TEST(NanoVnaE2E, FaultsFailWithTheirMessageAndWriteNothing) {
  struct Case {
    const char *Fault;
    const char *Message;
  };
  for (const Case &c : {Case{"silence", "No NanoVNA shell answered on"}, Case{"garbage", "is no point"},
                        Case{"cutoff", "points of the scan 100000000 600000000 101; nothing was kept."}}) {
    TSimProcess sim({"--instrument", "nanovna", "--model", "h4", "--fault", c.Fault});
    TempDir dir;
    const TRunResult r = RunKorvtool({"sweep", "--port", sim.Port(), "--start", "100", "--stop", "600", "--points",
                                      "101", "--out", dir.File("x.kdt")});
    EXPECT_EQ(r.ExitCode, 1) << c.Fault;
    EXPECT_TRUE(Has(r.Err, c.Message)) << c.Fault << ": " << r.Err;
    EXPECT_EQ(FilesIn(dir.Path()), 0U) << c.Fault;
  }
}

TEST(NanoVnaE2E, SlowRepliesFinishAndCtrlCStopsMidSweep) {
  TSimProcess sim({"--instrument", "nanovna", "--fault", "slow"});
  TempDir dir;
  // 40 bytes a second: the scan's reply takes longer than the silence
  // allowed between two lines, which every line renews.
  const TRunResult slow = RunKorvtool({"sweep", "--port", sim.Port(), "--start", "100", "--stop", "200", "--points",
                                       "8", "--out", dir.File("slow.kdt")},
                                      90.0);
  ASSERT_EQ(slow.ExitCode, 0) << slow.Err;
  EXPECT_GT(slow.Seconds, 5.0);
  const TRunResult cut = RunKorvtoolInterrupted({"sweep", "--port", sim.Port(), "--start", "100", "--stop", "200",
                                                 "--points", "40", "--out", dir.File("cut.kdt")},
                                                "swept ", 90.0);
  EXPECT_EQ(cut.ExitCode, 1);
  EXPECT_TRUE(Has(cut.Err, "The sweep was cancelled.")) << cut.Err;
  EXPECT_FALSE(fs::exists(dir.File("cut.kdt")));
  EXPECT_LT(cut.Seconds, 20.0);
}
