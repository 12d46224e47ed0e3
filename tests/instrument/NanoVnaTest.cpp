#include <cmath>
#include <map>

#include <gtest/gtest.h>

#include "core/TextUtil.h"
#include "instrument/FakeSerialLink.h"
#include "instrument/NanoVna.h"

using namespace korv;

namespace {

// A shell as transcripts show it: the echo, reply lines and the prompt, with
// the line end of the firmware under test. Scans answer from a smooth S11.
struct Shell {
  std::string End = "\r\n";
  bool Echo = true;
  bool KnowsScan = true;
  bool ScanPrints = true;
  std::map<std::string, std::string> Fixed; // command -> reply lines (already ended)
  std::vector<std::string> Commands;
  std::string Input;
  // Sweep set by sweep/scan, for frequencies and data 0.
  long long Start = 1000000, Stop = 2000000;
  int Points = 11;
  // Cuts a scan reply after this many lines (0: none); a line that replaces line N (1-based).
  int CutAfter = 0;
  int BadLine = 0;
  long long Shift = 0; // Hz added to every reported frequency

  static double Re(double f) { return 0.6 * std::cos(f / 3e7); }
  static double Im(double f) { return 0.6 * std::sin(f / 3e7); }
  long long Freq(int j) const { return Start + (Stop - Start) * j / std::max(Points - 1, 1); }

  std::string Reply(const std::string &cmd) {
    Commands.push_back(cmd);
    std::string out = Echo ? cmd + End : std::string();
    std::vector<std::string> w;
    for (std::size_t i = 0, b = 0; i <= cmd.size(); ++i)
      if (i == cmd.size() || cmd[i] == ' ') {
        if (i > b) w.push_back(cmd.substr(b, i - b));
        b = i + 1;
      }
    const std::string name = w.empty() ? "" : w[0];
    if (name.empty()) return End + "ch> ";
    if (Fixed.count(cmd) != 0U) return out + Fixed[cmd] + "ch> ";
    if ((name == "scan" && KnowsScan) || name == "sweep") {
      Start = std::stoll(w.at(1));
      Stop = std::stoll(w.at(2));
      Points = std::stoi(w.at(3));
      if (name == "sweep" || !ScanPrints) return out + "ch> ";
      for (int j = 0; j < Points; ++j) {
        if (CutAfter > 0 && j == CutAfter) return out + "12345 0.1ch> ";
        const double f = static_cast<double>(Freq(j));
        out += j + 1 == BadLine ? "1#0 0.0 0.0" + End : Format("%lld %.9f %.9f ", Freq(j) + Shift, Re(f), Im(f)) + End;
      }
      return out + "ch> ";
    }
    if (name == "frequencies") {
      for (int j = 0; j < Points; ++j)
        out += std::to_string(Freq(j)) + End;
      return out + "ch> ";
    }
    if (name == "data") {
      for (int j = 0; j < Points; ++j)
        out += Format("%.9f %.9f", Re(static_cast<double>(Freq(j))), Im(static_cast<double>(Freq(j)))) + End;
      return out + "ch> ";
    }
    return out + name + "?" + End + "ch> ";
  }

  FakeSerialLink::Responder Responder() {
    return [this](std::string_view bytes) {
      std::string out;
      for (char c : bytes) {
        if (c != '\r') {
          Input.push_back(c);
          continue;
        }
        out += Reply(Input);
        Input.clear();
      }
      return out;
    };
  }
};

struct Rig {
  Shell shell;
  FakeSerialLink link;
  TNanoVna vna{link};
  Rig() { link.SetResponder(shell.Responder()); }
};

// Info replies in the forms three firmwares give.
const char *kInfoOriginal = "NanoVNA\r\n2016-2019 Copyright @author\r\nLicensed under GPL.\r\nVersion: 0.8.0\r\n"
                            "Build Time: Mar 13 2020\r\nKernel: 4.0.0\r\nPlatform: STM32F072xB Entry Level\r\n";
const char *kInfoH4 = "Board: NanoVNA-H 4\r\n2019-2020 Copyright @author\r\nVersion: 1.0.45\r\n\r\n";
const char *kInfoD = "Board: NanoVNA-H 4\r\nVersion: 1.2.27 [p:401, IF:12k]\r\n";

} // namespace

TEST(NanoVna, IdentifiesFirmwaresFromTheirTranscripts) {
  struct Case {
    const char *Info;
    const char *Version;
    const char *Model;
    const char *Firmware;
    int Points;
  };
  for (const Case &c : {Case{kInfoOriginal, "0.8.0\r\n", "NanoVNA", "0.8.0", 101},
                        Case{kInfoH4, "1.0.45\r\n", "NanoVNA-H4", "1.0.45", 401},
                        Case{kInfoD, "1.2.27 [p:201]\r\n", "NanoVNA-H4", "1.2.27 [p:201]", 201},
                        Case{kInfoD, nullptr, "NanoVNA-H4", "1.2.27 [p:401, IF:12k]", 401}}) {
    Rig r;
    r.shell.Fixed["info"] = c.Info;
    if (c.Version != nullptr) r.shell.Fixed["version"] = c.Version;
    const TNanoIdentity id = r.vna.Identify();
    EXPECT_EQ(id.Model, c.Model);
    EXPECT_EQ(id.Firmware, c.Firmware);
    EXPECT_EQ(id.ScanPoints, c.Points);
    EXPECT_FALSE(id.Info.empty());
    // The echo is no reply line.
    EXPECT_NE(id.Info.front(), "info");
  }
}

TEST(NanoVna, LineEndVariantsAndPartialArrivalsGiveTheSameSweep) {
  TNanoIdentity id;
  id.ScanPoints = 101;
  std::vector<std::complex<double>> reference;
  for (const char *end : {"\r\n", "\n", "\r", "\n\r", "\r\n\r\n"}) {
    for (std::size_t chunk : {0U, 1U, 7U}) {
      for (bool echo : {true, false}) {
        Rig r;
        r.shell.End = end;
        r.shell.Echo = echo;
        r.link.SetChunk(chunk);
        const TNanoSweep s = r.vna.Sweep(id, 1e6, 30e6, 51);
        ASSERT_EQ(s.S11.size(), 51U);
        if (reference.empty()) reference = s.S11;
        EXPECT_EQ(s.S11, reference) << "line end " << end << " chunk " << chunk;
        EXPECT_NEAR(s.S11[10].real(), Shell::Re(s.FreqHz[10]), 1e-8);
        EXPECT_NEAR(s.S11[10].imag(), Shell::Im(s.FreqHz[10]), 1e-8);
      }
    }
  }
}

TEST(NanoVna, LongSweepsAreJoinedFromScansOfTheAnalyzersSize) {
  EXPECT_EQ(PlanScans(1001, 401), (std::vector<std::pair<int, int>>{{0, 400}, {401, 801}, {802, 1000}}));
  // Never a scan of one point.
  EXPECT_EQ(PlanScans(402, 401), (std::vector<std::pair<int, int>>{{0, 399}, {400, 401}}));
  EXPECT_EQ(PlanScans(2, 101), (std::vector<std::pair<int, int>>{{0, 1}}));

  Rig r;
  TNanoIdentity id;
  id.ScanPoints = 401;
  std::vector<int> progress;
  r.vna.SetProgress([&](int done, int total) {
    EXPECT_EQ(total, 1001);
    progress.push_back(done);
  });
  const TNanoSweep s = r.vna.Sweep(id, 1e6, 1001e6, 1001);
  EXPECT_EQ(s.Scans, 3);
  EXPECT_FALSE(s.FellBack);
  ASSERT_EQ(s.FreqHz.size(), 1001U);
  EXPECT_DOUBLE_EQ(s.FreqHz[401], 402e6);
  EXPECT_EQ(r.shell.Commands,
            (std::vector<std::string>{"scan 1000000 401000000 401 3", "scan 402000000 802000000 401 3",
                                      "scan 803000000 1001000000 199 3"}));
  for (std::size_t i = 0; i < s.S11.size(); ++i)
    ASSERT_NEAR(s.S11[i].real(), Shell::Re(s.FreqHz[i]), 1e-8) << i;
  ASSERT_EQ(progress.size(), 1001U);
  EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
  EXPECT_EQ(progress.back(), 1001);
}

TEST(NanoVna, FirmwareWithoutScanOutputFallsBackToFrequenciesAndData) {
  TNanoIdentity id;
  id.ScanPoints = 101;
  for (bool knowsScan : {true, false}) {
    Rig r;
    r.shell.KnowsScan = knowsScan;
    r.shell.ScanPrints = false;
    const TNanoSweep s = r.vna.Sweep(id, 50e3, 900e6, 150);
    EXPECT_TRUE(s.FellBack);
    ASSERT_EQ(s.S11.size(), 150U);
    for (std::size_t i = 0; i < s.S11.size(); ++i)
      ASSERT_NEAR(s.S11[i].imag(), Shell::Im(s.FreqHz[i]), 1e-6) << i; // measured at whole hertz
    const auto &c = r.shell.Commands;
    if (knowsScan) {
      EXPECT_EQ(c.front(), Format("scan 50000 %lld 101 3", std::llround(s.FreqHz[100])));
      EXPECT_EQ(std::count(c.begin(), c.end(), "data 0"), 2);
    } else {
      // "scan?" once; later scans go straight to sweep.
      EXPECT_EQ(std::count_if(c.begin(), c.end(), [](const std::string &x) { return x.rfind("scan", 0) == 0; }), 1);
      EXPECT_EQ(c[1], Format("sweep 50000 %lld 101", std::llround(s.FreqHz[100])));
    }
  }
}

TEST(NanoVna, DamagedRepliesKeepNothingAndSayWhy) {
  TNanoIdentity id;
  auto failure = [&](const std::function<void(Rig &)> &setup) {
    Rig r;
    setup(r);
    try {
      r.vna.Sweep(id, 1e6, 101e6, 101);
    } catch (const EmoxIOError &e) {
      return e.Message();
    }
    return std::string("no error");
  };
  EXPECT_EQ(failure([](Rig &r) { r.shell.CutAfter = 50; }),
            "The analyzer sent 50 of the 101 points of the scan 1000000 101000000 101; nothing was kept.");
  EXPECT_EQ(failure([](Rig &r) { r.shell.BadLine = 7; }),
            "Line 7 of the scan 1000000 101000000 101 is no point: \"1#0 0.0 0.0\"; nothing was kept.");
  EXPECT_EQ(failure([](Rig &r) { r.shell.Fixed["scan 1000000 101000000 101 3"] = "frequency out of range\r\n"; }),
            "The analyzer refused the scan 1000000 101000000 101: \"frequency out of range\".");
  EXPECT_EQ(failure([](Rig &r) { r.shell.Shift = 700000; }),
            "The analyzer measured at 1700000 Hz where 1000000 Hz was asked; nothing was kept.");
  EXPECT_EQ(failure([](Rig &r) { r.link.SetResponder({}); }),
            "The analyzer on fake did not answer \"scan 1000000 101000000 101 3\": check the port and the cable.");
  // A reply that stops without its prompt.
  EXPECT_EQ(failure([](Rig &r) {
              r.link.SetResponder(
                  [](std::string_view) { return std::string("scan 1000000 101000000 101 3\r\n1000000 0.1 0.1\r\n"); });
            }),
            "The analyzer on fake fell silent after 1 lines of its reply to \"scan 1000000 101000000 101 3\".");
}

TEST(NanoVna, SilenceDeadlineIsRenewedByEveryLine) {
  // Bytes one at a time: the whole reply takes several silences of virtual
  // time, yet no gap between lines reaches one.
  Rig r;
  r.link.SetChunk(1);
  r.vna.SetSilenceMs(500);
  r.vna.SetScanStartMs(500);
  TNanoIdentity id;
  const std::int64_t before = r.link.NowMs();
  const TNanoSweep s = r.vna.Sweep(id, 1e6, 101e6, 101);
  EXPECT_EQ(s.S11.size(), 101U);
  EXPECT_GT(r.link.NowMs() - before, 2000);
}

TEST(NanoVna, CancelStopsBetweenLinesAndTheNextCommandStartsClean) {
  Rig r;
  std::atomic<bool> cancel{false};
  r.vna.SetCancelFlag(&cancel);
  r.vna.SetProgress([&](int done, int) {
    if (done == 20) cancel = true;
  });
  TNanoIdentity id;
  id.ScanPoints = 50;
  try {
    r.vna.Sweep(id, 1e6, 101e6, 101);
    FAIL() << "not cancelled";
  } catch (const EmoxIOCancelled &e) {
    EXPECT_EQ(e.Message(), kMsgSweepCancelled);
  }
  // Stopped in the first scan; the rest of its reply is dropped before the next command.
  EXPECT_EQ(r.shell.Commands.size(), 1U);
  cancel = false;
  r.vna.SetProgress({});
  const TNanoSweep s = r.vna.Sweep(id, 1e6, 101e6, 101);
  EXPECT_EQ(s.S11.size(), 101U);
}

TEST(NanoVna, ProbeTellsTheShellFromOtherPrompts) {
  Rig r;
  EXPECT_TRUE(r.vna.Probe(1000));
  FakeSerialLink lx;
  lx.SetResponder([](std::string_view) { return std::string("\n\r> "); });
  TNanoVna other(lx);
  const std::int64_t before = lx.NowMs();
  EXPECT_FALSE(other.Probe(1000));
  EXPECT_LT(lx.NowMs() - before, 100); // no waiting for another instrument's deadline
  FakeSerialLink silent;
  TNanoVna none(silent);
  EXPECT_FALSE(none.Probe(1000));
}

TEST(NanoVna, SweepDocumentCarriesTheAnalyzerAndCountsPointsAboveTotalReflection) {
  TNanoSweep s;
  for (int i = 0; i < 5; ++i) {
    s.FreqHz.push_back(1e6 + 1e6 * i);
    s.S11.emplace_back(i == 2 ? 1.19 : 0.1 * i, 0.0);
  }
  TNanoIdentity id;
  id.Model = "NanoVNA-H4";
  id.Firmware = "1.2.27";
  TmoxDocument doc;
  TReflectionExcess excess;
  BuildFromNanoSweep(doc, s, id, "Mast 3", 45000.5, duFeet, &excess);
  ASSERT_EQ(doc.Doc.TraceCount(), 1);
  const TTraceData &t = doc.Doc.Traces[0];
  EXPECT_EQ(t.Title.str(), "Mast 3");
  EXPECT_EQ(t.Model.str(), "NanoVNA-H4");
  EXPECT_EQ(t.Revision.str(), "1.2.27");
  EXPECT_DOUBLE_EQ(t.DateTime, 45000.5);
  EXPECT_EQ(doc.Doc.ScaleUnit, suReturnLoss);
  EXPECT_EQ(doc.Doc.DistUnit, duFeet);
  EXPECT_DOUBLE_EQ(t.Freq[4], 5.0);
  EXPECT_NEAR(t.Mag[1], -20.0, 1e-9); // return loss is kept as negative dB
  EXPECT_DOUBLE_EQ(t.Mag[2], 0.0);
  EXPECT_NEAR(t.Angle[1], 0.0, 1e-12);
  EXPECT_GT(t.MaxDist, 0.0F);
  EXPECT_EQ(excess.Above, 1);
  EXPECT_EQ(excess.Message(),
            "1 of 5 points above total reflection (largest |S11| 1.19): the sweep may lack calibration");
}
