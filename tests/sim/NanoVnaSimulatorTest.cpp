#include <cmath>

#include <gtest/gtest.h>

#include "instrument/FakeSerialLink.h"
#include "instrument/NanoVna.h"
#include "sim/PtyHost.h"
#include "sim/Simulator.h"
#include "sim/SimulatorNanoVna.h"

using namespace korv;

namespace {

// The program's side of the shell against the simulator, in memory.
struct NanoBench {
  explicit NanoBench(const std::string &model, const std::string &firmware = {}, TSimFault fault = TSimFault::None,
                     std::vector<TmoxDocument> traces = {})
      : sim(model, firmware, traces) {
    link.SetResponder([this, fault](std::string_view w) {
      std::string out;
      if (fault == TSimFault::Silence) return out;
      for (const auto &seg : sim.Receive(w))
        out += seg.Trace ? ApplyFault(fault, seg.Bytes) : seg.Bytes;
      return out;
    });
  }
  TNanoVnaSimulator sim;
  FakeSerialLink link;
  TNanoVna vna{link};
};

} // namespace

TEST(NanoVnaSimulator, EachModelIsIdentifiedWithItsScanSize) {
  struct Case {
    const char *Model;
    const char *Name;
    int Points;
  };
  for (const Case &c : {Case{"nanovna", "NanoVNA", 101}, Case{"h4", "NanoVNA-H4", 401}, Case{"d", "NanoVNA-H4", 401}}) {
    NanoBench b(c.Model);
    const TNanoIdentity id = b.vna.Identify();
    EXPECT_EQ(id.Model, c.Name);
    EXPECT_EQ(id.ScanPoints, c.Points);
    EXPECT_EQ(id.ScanPoints, b.sim.ScanPoints());
  }
  EXPECT_THROW(TNanoVnaSimulator("vna2", "", {}), Exception);
}

TEST(NanoVnaSimulator, SegmentedAndFallBackSweepsMatchTheModel) {
  for (const char *firmware : {"", "old"}) {
    NanoBench b("nanovna", firmware);
    const TNanoIdentity id = b.vna.Identify();
    const TNanoSweep s = b.vna.Sweep(id, 100e6, 800e6, 1001);
    EXPECT_EQ(s.Scans, 10);
    EXPECT_EQ(s.FellBack, std::string(firmware) == "old");
    ASSERT_EQ(s.S11.size(), 1001U);
    for (std::size_t i = 0; i < s.S11.size(); i += 97)
      EXPECT_LT(std::abs(s.S11[i] - b.sim.S11At(s.FreqHz[i])), 1e-6) << i;
  }
}

TEST(NanoVnaSimulator, ServesAGivenTraceAndRefusesBandsOutsideTheModel) {
  TmoxDocument doc;
  TTraceData &t = doc.Doc.Traces[0];
  t.NumPoints = 3;
  t.Freq = {100.0, 200.0, 300.0};
  t.Mag = {-20.0, -6.0, -10.0}; // return loss, kept as negative dB
  t.Angle = {0.0, 90.0, 180.0};
  NanoBench b("h4", "", TSimFault::None, {doc});
  const TNanoIdentity id = b.vna.Identify();
  const TNanoSweep s = b.vna.Sweep(id, 100e6, 300e6, 3);
  EXPECT_NEAR(std::abs(s.S11[0]), 0.1, 1e-8);
  EXPECT_NEAR(s.S11[1].imag(), std::pow(10.0, -6.0 / 20.0), 1e-8);
  try {
    b.vna.Sweep(id, 1000e6, 2000e6, 11);
    FAIL() << "band accepted";
  } catch (const EmoxIOTraceFormatErr &e) {
    EXPECT_EQ(e.Message(), "The analyzer refused the scan 1000000000 2000000000 11: \"frequency out of range\".");
  }
}

TEST(NanoVnaSimulator, FaultsEndTheSweepWithTheirMessage) {
  auto failure = [](TSimFault fault) {
    NanoBench b("h4", "", fault);
    try {
      const TNanoIdentity id = b.vna.Identify();
      b.vna.Sweep(id, 1e6, 101e6, 101);
    } catch (const EmoxIOError &e) {
      return e.Message();
    }
    return std::string();
  };
  EXPECT_EQ(failure(TSimFault::Silence), "No NanoVNA shell answered on fake: check the port and the cable.");
  const std::string cut = failure(TSimFault::Cutoff);
  EXPECT_EQ(cut.rfind("The analyzer sent ", 0), 0U) << cut;
  EXPECT_NE(cut.find(" of the 101 points of the scan 1000000 101000000 101; nothing was kept."), std::string::npos);
  EXPECT_NE(failure(TSimFault::Garbage).find("is no point"), std::string::npos);
}
