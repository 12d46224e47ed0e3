// korvtool send against the simulated analyzers: what is sent reads back,
// and a refused selection sends nothing.
#include <cmath>
#include <cstdlib>
#include <filesystem>

#include <gtest/gtest.h>

#include "InstrumentProcess.h"
#include "core/TestHelpers.h"

namespace fs = std::filesystem;

namespace {

bool Has(const std::string &text, const std::string &part) { return text.find(part) != std::string::npos; }

// The numbers of the JSON array that follows key in text.
std::vector<double> ArrayAfter(const std::string &text, const std::string &key) {
  std::vector<double> out;
  std::size_t p = text.find("\"" + key + "\":[");
  if (p == std::string::npos) return out;
  p = text.find('[', p) + 1;
  const char *s = text.c_str() + p;
  while (*s != ']' && *s != '\0') {
    char *end = nullptr;
    out.push_back(std::strtod(s, &end));
    if (end == s) break;
    s = end;
    if (*s == ',') ++s;
  }
  return out;
}

std::string Synth(const TempDir &dir, const std::string &name, int points, double start, double stop,
                  const std::string &scale = "rl") {
  const std::string path = dir.File(name);
  const TRunResult r = RunKorvtool({"synth", path, "--points", std::to_string(points), "--start", std::to_string(start),
                                    "--stop", std::to_string(stop), "--scale", scale, "--label", "SENT " + name,
                                    "--length", "30", "--fault", "12:0.2"});
  EXPECT_EQ(r.ExitCode, 0) << r.Err;
  return path;
}

double Rho(double mag, const std::string &scale) {
  return scale == "vswr" ? (mag - 1.0) / (mag + 1.0) : std::pow(10.0, mag / 20.0);
}

int StoredCount(const std::string &port) {
  const TRunResult list = RunKorvtool({"list", "--port", port, "--json"});
  EXPECT_EQ(list.ExitCode, 0) << list.Err;
  int n = 0;
  for (std::size_t p = list.Out.find("\"location\":"); p != std::string::npos;
       p = list.Out.find("\"location\":", p + 1))
    ++n;
  return n - 1; // the current trace
}

struct SendCase {
  const char *Model;
  const char *Firmware;
  int Points;
  const char *Scale;
};
void PrintTo(const SendCase &c, std::ostream *os) { *os << c.Model << " " << c.Firmware << " " << c.Scale; }
class SendE2E : public ::testing::TestWithParam<SendCase> {};

const char *kNotCompatible = "This trace is not compatible with this SA model.";

} // namespace

TEST_P(SendE2E, SentTraceReadsBack) {
  const SendCase c = GetParam();
  TempDir dir;
  const std::string file = Synth(dir, "one.kdt", c.Points, 900, 1900, c.Scale);
  TSimProcess sim({"--instrument", "lx", "--model", c.Model, "--firmware", c.Firmware});
  ASSERT_EQ(StoredCount(sim.Port()), 5);
  const TRunResult tx = RunKorvtool({"send", "--port", sim.Port(), file + ":1"});
  ASSERT_EQ(tx.ExitCode, 0) << tx.Err;
  EXPECT_TRUE(Has(tx.Out, "sent 1 trace")) << tx.Out;
  ASSERT_EQ(StoredCount(sim.Port()), 6);

  const std::string got = dir.File("got.kdt");
  const TRunResult rx = RunKorvtool({"receive", "--port", sim.Port(), "6", "--out", got});
  ASSERT_EQ(rx.ExitCode, 0) << rx.Err;
  const TRunResult a = RunKorvtool({"dump", file});
  const TRunResult b = RunKorvtool({"dump", got});
  ASSERT_EQ(b.ExitCode, 0) << b.Err;
  EXPECT_TRUE(Has(b.Out, std::string("\"scaleUnit\":") + (std::string(c.Scale) == "vswr" ? "1" : "0"))) << c.Scale;
  const auto fa = ArrayAfter(a.Out, "freq");
  const auto fb = ArrayAfter(b.Out, "freq");
  const auto ma = ArrayAfter(a.Out, "mag");
  const auto mb = ArrayAfter(b.Out, "mag");
  const auto aa = ArrayAfter(a.Out, "angle");
  const auto ab = ArrayAfter(b.Out, "angle");
  ASSERT_EQ(fb.size(), static_cast<std::size_t>(c.Points));
  ASSERT_EQ(mb.size(), ma.size());
  ASSERT_EQ(ab.size(), aa.size());
  for (std::size_t k = 0; k < ma.size(); ++k) {
    // 0.01 MHz, 1e-5 in reflection, 1 mrad; each value stored to 5 decimals.
    EXPECT_NEAR(fb[k], fa[k], 0.006) << k;
    EXPECT_NEAR(Rho(mb[k], c.Scale), Rho(ma[k], c.Scale), 2e-5) << k;
    const double da = std::remainder(ab[k] - aa[k], 360.0);
    EXPECT_LT(std::fabs(da), 0.06) << k;
  }
  EXPECT_TRUE(Has(b.Out, "\"label\":\"SENT one.kdt\"") || std::string(c.Firmware) == "15Mar01") << b.Out.substr(0, 900);
}

INSTANTIATE_TEST_SUITE_P(
    Firmware, SendE2E,
    ::testing::Values(SendCase{"LX-3200", "15Mar01", 238, "rl"}, SendCase{"LX-3250A", "15Jan02", 238, "rl"},
                      SendCase{"LX-3400", "10Oct02", 238, "vswr"}, SendCase{"LX-3400", "15Mar03", 238, "rl"},
                      SendCase{"LX-3600QE", "10Oct02", 517, "rl"}, SendCase{"LX-3600QE", "15Mar03", 949, "vswr"}));

TEST(SendE2E, CapacityRefusalsSendNothing) {
  TempDir dir;
  const std::string file = Synth(dir, "one.kdt", 238, 900, 1900);
  struct Case {
    const char *Model;
    const char *Firmware;
    int Capacity;
  };
  for (const Case c : {Case{"LX-3400", "20Nov01", 60}, Case{"LX-3200", "15Mar03", 120}}) {
    TSimProcess sim({"--instrument", "lx", "--model", c.Model, "--firmware", c.Firmware});
    std::vector<std::string> args{"send", "--port", sim.Port()};
    for (int i = 0; i <= c.Capacity; ++i)
      args.push_back(file);
    const TRunResult tx = RunKorvtool(args);
    EXPECT_EQ(tx.ExitCode, 1) << c.Model;
    EXPECT_TRUE(Has(tx.Err, "Too many traces. This SA can store up to " + std::to_string(c.Capacity) + " traces."))
        << tx.Err;
    EXPECT_EQ(StoredCount(sim.Port()), 5) << c.Model;
  }
}

TEST(SendE2E, BandEdgeOfAnLx3200) {
  TempDir dir;
  const std::string over = Synth(dir, "over.kdt", 238, 900, 2000.5);
  const std::string edge = Synth(dir, "edge.kdt", 238, 900, 2000.0005);
  TSimProcess sim({"--instrument", "lx", "--model", "LX-3200", "--firmware", "15Jan02"});
  // The whole selection is checked before the first trace goes out.
  const TRunResult refused = RunKorvtool({"send", "--port", sim.Port(), edge, over});
  EXPECT_EQ(refused.ExitCode, 1);
  EXPECT_TRUE(Has(refused.Err, kNotCompatible)) << refused.Err;
  EXPECT_EQ(StoredCount(sim.Port()), 5);
  const TRunResult ok = RunKorvtool({"send", "--port", sim.Port(), edge});
  EXPECT_EQ(ok.ExitCode, 0) << ok.Err;
  EXPECT_EQ(StoredCount(sim.Port()), 6);
}

TEST(SendE2E, FullSaveBuffersAndSilence) {
  TempDir dir;
  const std::string file = Synth(dir, "one.kdt", 238, 900, 1900);
  const fs::path stored = dir.Path() / "stored";
  fs::create_directory(stored);
  for (int i = 0; i < 60; ++i)
    fs::copy_file(file, stored / ("t" + std::to_string(100 + i) + ".kdt"));
  {
    TSimProcess sim({"--instrument", "lx", "--model", "LX-3200", "--firmware", "20Nov01", "--traces", stored.string()});
    // A trace it does not hold yet (the 60 are copies of file).
    const std::string other = Synth(dir, "other.kdt", 238, 900, 1900);
    const TRunResult tx = RunKorvtool({"send", "--port", sim.Port(), other});
    EXPECT_EQ(tx.ExitCode, 1);
    // Its directory says it is full: refused before the first TD.
    EXPECT_TRUE(Has(tx.Err, "The analyzer has room for 0 more traces: 60 of its 60 locations are in use")) << tx.Err;
    EXPECT_EQ(StoredCount(sim.Port()), 60);
  }
  {
    TSimProcess sim({"--instrument", "lx", "--fault", "silence"});
    const TRunResult tx = RunKorvtool({"send", "--port", sim.Port(), file}, 30);
    EXPECT_EQ(tx.ExitCode, 1);
    EXPECT_TRUE(Has(tx.Err, "No LX-x000QE detected..")) << tx.Err;
    EXPECT_LT(tx.Seconds, 8.0);
  }
}

TEST(SendE2E, Usage) {
  TempDir dir;
  const std::string file = Synth(dir, "one.kdt", 238, 900, 1900);
  EXPECT_EQ(RunKorvtool({"send", "--port", "/dev/null"}).ExitCode, 2);
  EXPECT_EQ(RunKorvtool({"send", "--port", "/dev/null", file + ":0"}).ExitCode, 2);
  const TRunResult beyond = RunKorvtool({"send", "--port", "/dev/null", file + ":2"});
  EXPECT_EQ(beyond.ExitCode, 1);
  EXPECT_TRUE(Has(beyond.Err, "there is no trace 2 (the file holds 1)")) << beyond.Err;
  const TRunResult missing = RunKorvtool({"send", "--port", "/dev/null", dir.File("none.kdt")});
  EXPECT_EQ(missing.ExitCode, 1);
}

TEST(SendE2E, TracesAlreadyStoredAreNotStoredTwiceUnasked) {
  TempDir dir;
  const std::string one = Synth(dir, "one.kdt", 238, 900, 1900);
  const std::string two = Synth(dir, "two.kdt", 238, 900, 1900);
  TSimProcess sim({"--instrument", "lx", "--model", "LX-3400", "--firmware", "15Mar03"});
  ASSERT_EQ(RunKorvtool({"send", "--port", sim.Port(), one}).ExitCode, 0);
  ASSERT_EQ(StoredCount(sim.Port()), 6);
  // OK again after a partial send: the one already there is named and not sent twice.
  const TRunResult again = RunKorvtool({"send", "--port", sim.Port(), one, two});
  EXPECT_EQ(again.ExitCode, 0) << again.Err;
  EXPECT_TRUE(Has(again.Err, "Already stored in the analyzer:\r\n\"SENT one.kdt\" (location 6)")) << again.Err;
  EXPECT_TRUE(Has(again.Out, "sent 1 trace")) << again.Out;
  EXPECT_EQ(StoredCount(sim.Port()), 7);
  const TRunResult forced = RunKorvtool({"send", "--port", sim.Port(), "--again", one});
  EXPECT_EQ(forced.ExitCode, 0) << forced.Err;
  EXPECT_EQ(StoredCount(sim.Port()), 8);
}

// Save buffers that fill part way through a send: the traces stored before
// the refusal are counted, and the analyzer's reason is given.
TEST(SendE2E, SaveBuffersFullPartWaySaysHowManyWereStored) {
  TempDir dir;
  std::vector<std::string> files;
  for (int i = 0; i < 3; ++i)
    files.push_back(Synth(dir, "t" + std::to_string(i) + ".kdt", 238, 900 + i, 1900));
  TSimProcess sim({"--instrument", "lx", "--save-buffers", "6"}); // five stored, room for one
  std::vector<std::string> args{"send", "--port", sim.Port()};
  args.insert(args.end(), files.begin(), files.end());
  const TRunResult tx = RunKorvtool(args);
  EXPECT_EQ(tx.ExitCode, 1);
  EXPECT_TRUE(Has(tx.Out, "sent 1 of 3 traces before the failure")) << tx.Out;
  EXPECT_TRUE(Has(tx.Err, "The SA Save buffers may be full.")) << tx.Err;
  EXPECT_EQ(StoredCount(sim.Port()), 6);
}
