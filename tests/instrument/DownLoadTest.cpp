#include <cmath>
#include <fstream>

#include <gtest/gtest.h>

#include "core/DateTime.h"
#include "core/Excption.h"
#include "core/TestHelpers.h"
#include "formats/DocumentIO.h"
#include "instrument/DownLoad.h"
#include "instrument/FakeSerialLink.h"

using namespace korv;

namespace {

TAnalyzerTarget Target(const std::string &model, const std::string &firmware) {
  return TargetFromModelLine(model + ",V2.13," + firmware);
}

// n points from start to stop MHz, return loss falling with the point index.
TmoxDocument MakeDoc(int n, double start, double stop, std::uint8_t unit = suReturnLoss) {
  TmoxDocument doc;
  doc.Doc.ScaleUnit = unit;
  doc.Doc.MaxPoints = n;
  TTraceData &t = doc.Doc.Traces[0];
  t.NumPoints = n;
  t.Freq.resize(static_cast<std::size_t>(n));
  t.Mag.resize(static_cast<std::size_t>(n));
  t.Angle.resize(static_cast<std::size_t>(n));
  for (int k = 0; k < n; ++k) {
    const auto i = static_cast<std::size_t>(k);
    t.Freq[i] = start + (stop - start) * k / (n - 1);
    t.Mag[i] = -20.0;
    t.Angle[i] = 0.0;
  }
  t.Label = "MAIN FEED";
  t.DateTime = EncodeDateTime(TCivilTime{2024, 5, 10, 9, 25, 37});
  t.SetupDateTime = t.DateTime;
  t.Dielectric = 1.0F / (0.8F * 0.8F);
  t.Loss = 0.05F;
  t.CableType = "LDF4-50A";
  return doc;
}

// An analyzer at the far end of the fake link that takes downloads.
struct Analyzer {
  FakeSerialLink link;
  TSAComm comm{link};
  std::string tdAnswer = "TD\n\r:";
  bool silentAfterLine = false;
  int lines = 0;
  Analyzer() {
    link.SetResponder([this](std::string_view w) -> std::string {
      if (w == "TD\r") return tdAnswer;
      if (w == "00\r") return "\n\r> ";
      ++lines;
      return silentAfterLine ? std::string() : std::string("\r\n:");
    });
  }
};

} // namespace

TEST(SendIdentity, ModelLineCapacityAndSilence) {
  const TAnalyzerTarget t = Target("LX-3200A", "15Jan02");
  EXPECT_EQ(t.Model, "LX-3200A");
  EXPECT_EQ(t.FirmwareText, "15Jan02");
  EXPECT_EQ(t.Generation(), 2);
  EXPECT_FALSE(t.QEModel);
  EXPECT_TRUE(Target("LX-3600QE", "15Mar03").QEModel);
  EXPECT_THROW(TargetFromModelLine("RT-500,V1,15Jan02"), EmoxIODeviceErr);
  EXPECT_THROW(TargetFromModelLine("LX-3200,V2.13,15Foo02"), EmoxIODeviceErr);

  // Firmware of November 2001 stores 60 whatever the model; later by model.
  EXPECT_EQ(CheckAnalyzerCapacity(Target("LX-3400", "20Nov01"), 61),
            "Too many traces. This SA can store up to 60 traces.");
  EXPECT_EQ(CheckAnalyzerCapacity(Target("LX-3400", "20Nov01"), 60), "");
  EXPECT_EQ(AnalyzerCapacity(Target("LX-3400", "18Dec01")), 300);
  EXPECT_EQ(AnalyzerCapacity(Target("LX-3200", "15Mar03")), 120);
  EXPECT_EQ(AnalyzerCapacity(Target("LX-3200A", "15Mar03")), 120);
  EXPECT_EQ(AnalyzerCapacity(Target("LX-3100", "15Mar03")), 250);
  EXPECT_EQ(AnalyzerCapacity(Target("LX-3100QE", "15Mar03")), 300);

  // A silent line gives the identification message and leaves the port closed.
  FakeSerialLink link;
  TSAComm comm(link);
  try {
    IdentifyAnalyzer(comm);
    FAIL();
  } catch (const EmoxIODeviceErr &e) {
    EXPECT_EQ(std::string(e.what()), std::string(kMsgNoAnalyzerDetected) + "\r\nNo answer on fake.");
  }
  EXPECT_FALSE(link.IsOpen());
}

TEST(SendCompatibility, BandEdgesByModelAndFirmware) {
  // Point 237 half a MHz above 2000 is refused, half a kHz above accepted.
  const TAnalyzerTarget lx3200 = Target("LX-3200", "15Jan02");
  EXPECT_THROW(CheckTraceCompatibility(lx3200, MakeDoc(238, 900, 2000.5).Doc.Traces[0]), EmoxIOCompatibilityError);
  EXPECT_NO_THROW(CheckTraceCompatibility(lx3200, MakeDoc(238, 900, 2000.0005).Doc.Traces[0]));
  EXPECT_THROW(CheckTraceCompatibility(lx3200, MakeDoc(238, 805.9, 1900).Doc.Traces[0]), EmoxIOCompatibilityError);
  EXPECT_NO_THROW(CheckTraceCompatibility(Target("LX-3200A", "15Mar01"), MakeDoc(238, 806, 2300).Doc.Traces[0]));
  // The older generations know only the three models.
  EXPECT_THROW(CheckTraceCompatibility(Target("LX-3400", "15Jan02"), MakeDoc(238, 900, 1000).Doc.Traces[0]),
               EmoxIOCompatibilityError);

  // Third generation: non-QE models look at point 237, QE models at the last point.
  TmoxDocument longer = MakeDoc(500, 1000, 4500); // point 237 lies near 2660 MHz
  EXPECT_NO_THROW(CheckTraceCompatibility(Target("LX-3400", "15Mar03"), longer.Doc.Traces[0]));
  EXPECT_THROW(CheckTraceCompatibility(Target("LX-3400QE", "15Mar03"), longer.Doc.Traces[0]), EmoxIOCompatibilityError);
  EXPECT_NO_THROW(CheckTraceCompatibility(Target("LX-3600QE", "15Mar03"), longer.Doc.Traces[0]));
  EXPECT_THROW(CheckTraceCompatibility(Target("LX-3600QE", "15Mar03"), MakeDoc(238, 20, 900).Doc.Traces[0]),
               EmoxIOCompatibilityError);
  EXPECT_THROW(CheckTraceCompatibility(Target("LX-3100QE", "15Mar03"), MakeDoc(238, 100, 1700.5).Doc.Traces[0]),
               EmoxIOCompatibilityError);
  EXPECT_NO_THROW(CheckTraceCompatibility(Target("LX-3100", "15Mar03"), MakeDoc(238, 100, 1700).Doc.Traces[0]));
  EXPECT_THROW(CheckTraceCompatibility(Target("LX-3250QE", "15Mar03"), MakeDoc(238, 700, 2000).Doc.Traces[0]),
               EmoxIOCompatibilityError);
  EXPECT_THROW(CheckTraceCompatibility(Target("LX-3200", "15Mar03"), MakeDoc(238, 900, 2100).Doc.Traces[0]),
               EmoxIOCompatibilityError);

  // The whole selection is judged before anything goes out.
  const TmoxDocument good = MakeDoc(238, 900, 1900);
  const TmoxDocument bad = MakeDoc(238, 900, 2100);
  EXPECT_THROW(EncodeSelection(lx3200, {{&good, 0}, {&bad, 0}}), EmoxIOCompatibilityError);
  // The refusal names the trace, its band and the analyzer.
  try {
    EncodeSelection(lx3200, {{&good, 0}, {&bad, 0}});
    FAIL();
  } catch (const EmoxIOCompatibilityError &e) {
    EXPECT_EQ(std::string(e.what()), std::string(kMsgNotCompatible) +
                                         "\r\nTrace \"MAIN FEED\" (900.000 to 2100.000 "
                                         "MHz) does not suit the LX-3200 (firmware " +
                                         lx3200.FirmwareText + ").");
  }
  std::vector<TSendTrace> many(121, TSendTrace{&good, 0});
  try {
    EncodeSelection(Target("LX-3200", "15Mar03"), many);
    FAIL();
  } catch (const EmoxTooManyTracesError &e) {
    EXPECT_STREQ(e.what(), "Too many traces. This SA can store up to 120 traces.");
  }
}

TEST(SendEncoding, FirstGenerationLines) {
  TmoxDocument doc = MakeDoc(238, 900, 1900);
  TTraceData &t = doc.Doc.Traces[0];
  t.SiteNumber = 12;
  t.Sector = 1;
  t.AntennaKind = 1;
  t.AntennaNumber = 3;
  t.CalState = 2;
  t.FreqMarks[0] = TMarkerSlot{1, 40, false, 0, 0};
  t.FreqMarks[1] = TMarkerSlot{0, -1, false, 0, 0};
  doc.Doc.FreqLimitMode = 1;
  doc.Doc.FreqLimitValue = -14.5;
  doc.Doc.DistLimitMode = 0;
  doc.Doc.DistLimitValue = 97531.0;
  doc.Doc.PlotMode = pmDistance;
  doc.Doc.DistUnit = duFeet;
  t.StartDist = 0.0F;
  t.StopDist = 42.5F;
  t.Angle[5] = -90.0;
  const auto L = EncodeTraceForAnalyzer(doc, 0, Target("LX-3200", "15Mar01"));
  ASSERT_EQ(L.size(), 17U + 238U + 1U);
  // Date word: 8 x ((Y-1920) 2^22 + M 2^17 + D 2^12 + h 2^6 + m), seconds dropped.
  const std::uint64_t x = (104ULL << 22) + (5ULL << 17) + (10ULL << 12) + (9ULL << 6) + 25ULL;
  EXPECT_EQ(L[0], "12,1,1,3," + std::to_string(8 * x) + ",0");
  EXPECT_EQ(L[1], "2,0");
  EXPECT_EQ(L[2], "1");
  EXPECT_EQ(L[3], "40,0");
  EXPECT_EQ(L[4], "0,0");
  EXPECT_EQ(L[5], "0,0");
  EXPECT_EQ(L[10], "1,-14500");
  EXPECT_EQ(L[11], "0,0");     // a limit beyond 10000 goes out as 0
  EXPECT_EQ(L[12], "50,8000"); // velocity factor with the default setting
  EXPECT_EQ(L[13], "1");       // return loss
  EXPECT_EQ(L[14], "0,4250");
  EXPECT_EQ(L[15], "2");
  EXPECT_EQ(L[16], "1");
  EXPECT_EQ(L[17], "90000,10000,3142"); // -20 dB is a reflection of 0.1
  EXPECT_EQ(L[22], "92110,10000,1571");
  EXPECT_EQ(L.back(), "");
  // The other setting sends the dielectric constant itself.
  EXPECT_EQ(EncodeTraceForAnalyzer(doc, 0, Target("LX-3200", "15Mar01"), 0)[12], "50,15625");
  // Any display unit goes out as a reflection.
  TmoxDocument vswr = MakeDoc(238, 900, 1900, suVSWR);
  vswr.Doc.Traces[0].Mag.assign(238, 1.5);
  const auto V = EncodeTraceForAnalyzer(vswr, 0, Target("LX-3200", "15Mar01"));
  EXPECT_EQ(V[13], "0");
  EXPECT_EQ(V[17], "90000,20000,3142");
}

TEST(SendEncoding, LaterGenerationsReadBackThroughTheReplyBuilder) {
  TmoxDocument doc = MakeDoc(238, 900, 1900, suRho);
  TTraceData &t = doc.Doc.Traces[0];
  t.Mag.assign(238, 0.25);
  t.FreqMarks[0] = TMarkerSlot{1, 10, true, 2, 1};
  t.FreqMarks[1] = TMarkerSlot{0, 20, false, 0, 0};
  t.FreqMarks[2] = TMarkerSlot{1, 30, false, 0, 0};
  t.DistMarks[0] = TMarkerSlot{1, 5, true, 1, 0};
  t.DistMarks[1] = TMarkerSlot{1, 6, false, 0, 0};
  t.Model = "LX-3400";
  t.SN = "0041230";
  t.Revision = "2.13";

  // Six-slot firmware: first shown 1, later shown 2, style 4, delta 8 x ref or 8 x 7.
  const auto six = EncodeTraceForAnalyzer(doc, 0, Target("LX-3400", "15Mar03"));
  ASSERT_EQ(six.size(), 16U + 238U + 1U);
  EXPECT_EQ(six[10], "10,21,20,56,30,58,0,56,0,56,0,56");
  EXPECT_EQ(six[4], "0,500,49995");
  EXPECT_EQ(six[15], "\"LX-3400\",\"0041230\",\"2.13\"");
  EXPECT_EQ(six[16], "25000,0");
  std::vector<std::string> reply{"TU 1"};
  reply.insert(reply.end(), six.begin(), six.end());
  TReplyContext ctx;
  ctx.FirmwareDate = ParseAnalyzerDate("15Mar03");
  TmoxDocument back;
  ASSERT_NO_THROW(BuildFromAnalyzerReply(back, "MAIN FEED", reply, ctx)); // the check line matches
  const TTraceData &b = back.Doc.Traces[0];
  EXPECT_EQ(b.Label.str(), "MAIN FEED");
  EXPECT_DOUBLE_EQ(b.DateTime, EncodeDateTime(TCivilTime{2024, 5, 10, 9, 25, 0}));
  EXPECT_EQ(b.FreqMarks[0], t.FreqMarks[0]);
  EXPECT_EQ(b.FreqMarks[2].Visible, 2);
  EXPECT_FALSE(b.FreqMarks[1].DeltaOn);
  EXPECT_NEAR(b.Freq[237], 1900.0, 1e-9);
  EXPECT_NEAR(static_cast<double>(b.Dielectric), static_cast<double>(t.Dielectric), 1e-3);

  // Older firmware: two slots; flag 4 is slot 1's delta.
  const auto old = EncodeTraceForAnalyzer(doc, 0, Target("LX-3400", "10Oct02"));
  EXPECT_EQ(old[10], "10,20,5");
  EXPECT_EQ(old[11], "5,6,7");
  // A QE analyzer is told the point count before the points.
  doc.Doc.Traces[0].Model = "LX-3600QE";
  const auto qe = EncodeTraceForAnalyzer(doc, 0, Target("LX-3600QE", "15Mar03"));
  ASSERT_EQ(qe.size(), 17U + 238U + 1U);
  EXPECT_EQ(qe[16], "238");
  reply.assign(1, "TU 1");
  reply.insert(reply.end(), qe.begin(), qe.end());
  ctx.ReportsPointCount = true;
  EXPECT_NO_THROW(BuildFromAnalyzerReply(back, "", reply, ctx));

  // Second generation: the angle keeps its offset, the limit mode is 2 or 0.
  doc.Doc.FreqLimitMode = 1;
  doc.Doc.FreqLimitValue = 1.5;
  const auto g2 = EncodeTraceForAnalyzer(doc, 0, Target("LX-3250A", "15Jan02"));
  ASSERT_EQ(g2.size(), 14U + 238U);
  EXPECT_EQ(g2[12], "2,1500");
  EXPECT_EQ(g2[14], "25000,3142");
}

TEST(SendHandshake, LinesPromptsAndFailures) {
  Analyzer a;
  const TmoxDocument doc = MakeDoc(238, 900, 1900);
  const auto encoded = EncodeSelection(Target("LX-3250A", "15Jan02"), {{&doc, 0}, {&doc, 0}});
  std::vector<std::pair<int, int>> traceSteps;
  int lastLine = -1;
  TSendProgress p;
  p.Trace = [&](int pos, int max) { traceSteps.emplace_back(pos, max); };
  p.Line = [&](int pos, int max) {
    EXPECT_EQ(max, 251);
    lastLine = pos;
  };
  EXPECT_EQ(SendEncodedTraces(a.comm, encoded, p), 2);
  EXPECT_FALSE(a.link.IsOpen());
  EXPECT_EQ(traceSteps, (std::vector<std::pair<int, int>>{{1, 2}, {2, 2}}));
  EXPECT_EQ(lastLine, 251);
  std::string want;
  for (int i = 0; i < 2; ++i) {
    want += "TD\r";
    for (const auto &l : encoded[0])
      want += l + "\r";
    want += "00\r";
  }
  EXPECT_EQ(a.link.Written(), want); // every line, the last one included
  EXPECT_EQ(a.lines, 2 * 252);

  // "?" to TD: the save buffers are full; the link is closed.
  Analyzer full;
  full.tdAnswer = "TD\n\r?\n\r> ";
  try {
    SendEncodedTraces(full.comm, encoded);
    FAIL();
  } catch (const EmoxIODeviceErr &e) {
    EXPECT_STREQ(e.what(), kMsgSaveBuffersFull);
  }
  EXPECT_FALSE(full.link.IsOpen());

  // An analyzer that stops answering lines times out after 25 s.
  Analyzer stalled;
  stalled.silentAfterLine = true;
  const auto start = stalled.link.NowMs();
  EXPECT_THROW(SendEncodedTraces(stalled.comm, encoded), EmoxIOTimeOutErr);
  EXPECT_GE(stalled.link.NowMs() - start, kTdLineMs);
  EXPECT_FALSE(stalled.link.IsOpen());

  // A cancel request stops before the next trace.
  Analyzer c;
  std::atomic<bool> cancel{false};
  TSendProgress cp;
  cp.Cancel = &cancel;
  cp.Trace = [&](int, int) { cancel = true; };
  EXPECT_EQ(SendEncodedTraces(c.comm, encoded, cp), 1);
}

TEST(SendCandidates, DocumentsAndFolder) {
  TmoxDocument a = MakeDoc(238, 900, 1900);
  TmoxDocument b = MakeDoc(238, 900, 1900);
  const TTraceData copy = b.Doc.Traces[0];
  b.Doc.AddTrace(copy);
  b.Doc.Traces[1].Label = "";
  b.Doc.Traces[1].SiteNumber = 7;
  const auto rows = CandidatesFromDocuments({&a, &b});
  ASSERT_EQ(rows.size(), 3U);
  EXPECT_EQ(rows[2].Document, 1);
  EXPECT_EQ(rows[2].Trace, 1);
  EXPECT_EQ(rows[0].Description, "MAIN FEED");
  EXPECT_NE(rows[2].Description.find("Site 7"), std::string::npos) << rows[2].Description;

  TempDir dir;
  ASSERT_TRUE(SaveDocument(b, dir.File("b.kdt"), [] { return true; }));
  ASSERT_TRUE(SaveDocument(a, dir.File("a.KDT"), [] { return true; }));
  std::ofstream(dir.File("c.csv")) << "not a candidate\r\n";
  std::ofstream(dir.File("broken.kdt")) << "Korv SA File Version 7\r\nnothing\r\n";
  std::vector<std::string> skipped;
  const auto files = CandidatesFromFolder(dir.Path().string(),
                                          [&](const std::string &f, const std::string &) { skipped.push_back(f); });
  ASSERT_EQ(files.size(), 3U);
  EXPECT_EQ(files[0].File, dir.File("a.KDT"));
  EXPECT_EQ(files[2].File, dir.File("b.kdt"));
  EXPECT_EQ(files[2].Trace, 1);
  EXPECT_EQ(skipped, (std::vector<std::string>{dir.File("broken.kdt")}));
}

TEST(SendHandshake, ReadCancelStopsAReadButNotASend) {
  // A read under a raised read-cancel flag gives up at once.
  FakeSerialLink link;
  TSAComm comm(link);
  std::atomic<bool> stop{true};
  comm.SetReadCancel(&stop);
  comm.Open();
  link.Feed("partial line");
  EXPECT_THROW(comm.ReadLines(1, 5000), EmoxIOCancelled);
  // Identification stops too, and the port is closed.
  EXPECT_THROW(IdentifyAnalyzer(comm), EmoxIOCancelled);
  EXPECT_FALSE(link.IsOpen());
  comm.SetReadCancel(nullptr);
  EXPECT_THROW(comm.ReadLines(1, 100), EmoxIOTimeOutErr);
}

// The stored count survives a failure mid-send, and the summary names each
// trace once with its fate, in selection order.
TEST(SendSummary, StoredCountAndEachTraceFate) {
  Analyzer full;
  full.tdAnswer = "TD\n\r?\n\r> ";
  const TmoxDocument doc = MakeDoc(238, 900, 1900);
  const auto encoded = EncodeSelection(Target("LX-3250A", "15Jan02"), {{&doc, 0}});
  int stored = -1;
  TSendProgress p;
  p.Stored = [&](int n) { stored = n; };
  EXPECT_THROW(SendEncodedTraces(full.comm, encoded, p), EmoxIODeviceErr);
  EXPECT_EQ(stored, -1); // the first TD was refused: nothing stored

  TSendSummary s;
  for (const char *name : {"A", "B", "C", "D", "E"})
    s.Items.push_back({name, TSendSummary::TState::Waiting, {}});
  s.Items[1].State = TSendSummary::TState::Skipped;
  s.Items[1].Why = "already in the analyzer (location 7)";
  // Sent in the order E, A, C, D: two stored, then the analyzer refused.
  s.Finish({4, 0, 1, 2, 3}, 2, std::string(kMsgSaveBuffersFull) + "\r\nmore", false);
  EXPECT_FALSE(s.Complete());
  EXPECT_EQ(s.Count(TSendSummary::TState::Sent), 2);
  EXPECT_EQ(s.Text(),
            "2 of 5 traces were sent.\r\nSkipped:\r\n\"B\": already in the analyzer (location 7)\r\nNot "
            "sent:\r\n\"C\": An Error Occurred while trying to send the trace data.The SA Save buffers may be "
            "full. more\r\n\"D\": not sent after that");

  TSendSummary c;
  c.Items = {{"A", TSendSummary::TState::Waiting, {}}, {"B", TSendSummary::TState::Waiting, {}}};
  c.Finish({0, 1}, 1, {}, true);
  EXPECT_TRUE(c.Cancelled);
  EXPECT_EQ(c.Text(), "Cancelled: 1 of 2 traces were sent.\r\nNot sent:\r\n\"B\": not sent: cancelled");
  c.Cancelled = false;
  c.Items[1].State = TSendSummary::TState::Skipped;
  EXPECT_TRUE(c.Complete()); // left out on purpose is no failure
}
