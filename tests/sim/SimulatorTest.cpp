#include <cmath>

#include <gtest/gtest.h>

#include "core/DateTime.h"
#include "core/DocFromReply.h"
#include "core/Excption.h"
#include "instrument/DownLoad.h"
#include "instrument/FakeSerialLink.h"
#include "instrument/UpLoad.h"
#include "sim/PtyHost.h"
#include "sim/SimulatorLx.h"
#include "sim/SimulatorReply.h"
#include "sim/SimulatorRt.h"
#include "sim/SimulatorSiteMaster.h"

using namespace korv;

namespace {

// An in-memory line with a simulator at the far end.
struct Bench {
  explicit Bench(std::unique_ptr<TSimulator> s, TSimFault f = TSimFault::None) : sim(std::move(s)), fault(f) {
    link.SetResponder([this](std::string_view w) {
      std::string out;
      if (fault == TSimFault::Silence) return out;
      for (const auto &seg : sim->Receive(w))
        out += seg.Trace ? ApplyFault(fault, seg.Bytes) : seg.Bytes;
      return out;
    });
  }
  std::unique_ptr<TSimulator> sim;
  TSimFault fault; // may change between exchanges
  FakeSerialLink link;
  TSAComm comm{link};

  // Locations that gave no trace, as "location: message".
  std::vector<std::string> failed;

  std::vector<std::unique_ptr<TmoxDocument>> Fetch(const TInstrumentIdentity &id, std::vector<TSelectedTrace> sel,
                                                   TReceiveDestination dest = TReceiveDestination::SeparateDocuments) {
    std::vector<std::unique_ptr<TmoxDocument>> docs;
    TFetchOptions o;
    o.Destination = dest;
    o.TraceFailed = [&](const TSelectedTrace &t, const std::string &m) {
      failed.push_back(std::to_string(t.Location) + ": " + m);
    };
    failed.clear();
    const int count = FetchTraces(comm, id, sel, o, [&](const TSelectedTrace &, std::unique_ptr<TmoxDocument> d) {
      docs.push_back(std::move(d));
    });
    EXPECT_EQ(count, static_cast<int>(failed.size()));
    return docs;
  }
};

std::vector<TmoxDocument> Originals(int points) { return SyntheticTraces(3, points, 1700.0, 2200.0); }

void ExpectSameSweep(const TTraceData &got, const TTraceData &want, double magTol) {
  ASSERT_EQ(got.NumPoints, want.NumPoints);
  for (std::size_t k = 0; k < want.Freq.size(); k += 37) {
    EXPECT_NEAR(got.Freq[k], want.Freq[k], 0.011) << k;
    EXPECT_NEAR(got.Mag[k], want.Mag[k], magTol) << k;
    EXPECT_NEAR(got.Angle[k], want.Angle[k], 0.06) << k;
  }
}

struct LxCase {
  const char *model;
  const char *firmware;
  int generation;
  bool qe;
};

void PrintTo(const LxCase &c, std::ostream *os) { *os << c.model << " " << c.firmware; }

class LxRoundTrip : public ::testing::TestWithParam<LxCase> {};

} // namespace

TEST_P(LxRoundTrip, IdentifyListAndReceive) {
  const LxCase c = GetParam();
  const int points = c.qe && c.generation == 3 ? 949 : kDefaultReplyPoints;
  const auto originals = Originals(points);
  Bench b(std::make_unique<TLxSimulator>(c.model, c.firmware, originals));
  const TInstrumentIdentity id = IdentifyInstrument(b.comm);
  EXPECT_EQ(id.Kind, ikAnalyzer);
  EXPECT_EQ(id.Generation(), c.generation);
  EXPECT_EQ(id.QEModel, c.qe);
  EXPECT_EQ(id.FirmwareText, c.firmware);

  const TmoxDirList list = ReadDirectory(b.comm, id, 46000.0);
  ASSERT_EQ(list.Count(), 4);
  EXPECT_EQ(list.Text(0), "Current Trace");
  EXPECT_EQ(list.Number(3), 3);
  const TTraceData &want = originals[1].Doc.Traces[0];
  EXPECT_NEAR(list.Time(2), want.DateTime, 1.0 / 1440);
  if (c.generation > 1)
    EXPECT_EQ(list.Text(2), want.Label.str());
  else
    EXPECT_EQ(list.Text(2), "Site 100 Alpha Tx 2");

  auto docs = b.Fetch(id, {{2, list.Text(2)}, {500, "Current Trace"}});
  ASSERT_EQ(docs.size(), 2U);
  const TTraceData &got = docs[0]->Doc.Traces[0];
  ExpectSameSweep(got, want, 1e-5);
  EXPECT_EQ(docs[0]->Doc.ScaleUnit, suReturnLoss);
  EXPECT_NEAR(got.DateTime, want.DateTime, 1.0 / 1440);
  EXPECT_EQ(got.Title, list.Text(2));
  if (c.generation > 1) {
    EXPECT_EQ(got.Label, want.Label);
    EXPECT_EQ(got.FreqMarks[0].Point, want.FreqMarks[0].Point);
    EXPECT_NEAR(got.Dielectric, want.Dielectric, 1e-3);
  }
  if (c.generation == 3) {
    EXPECT_EQ(got.Model, c.model);
    EXPECT_EQ(got.SN, want.SN);
  }
  ExpectSameSweep(docs[1]->Doc.Traces[0], originals[2].Doc.Traces[0], 1e-5);
  // The current trace is asked for as C, never as 500.
  EXPECT_NE(b.link.Written().find("TU C\r"), std::string::npos);
  EXPECT_EQ(b.link.Written().find("TU 500"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Generations, LxRoundTrip,
    ::testing::Values(LxCase{"LX-3200", "15Mar01", 1, false}, LxCase{"LX-3100", "01Jun99", 1, false},
                      LxCase{"LX-3250A", "15Jan02", 2, false}, LxCase{"LX-3400", "10Oct02", 3, false},
                      LxCase{"LX-3400", "15Mar03", 3, false}, LxCase{"LX-3600QE", "15Mar03", 3, true}));

TEST(Simulators, DeleteAndEmptyLocations) {
  Bench b(std::make_unique<TLxSimulator>("LX-3400QE", "15Mar03", Originals(101)));
  const TInstrumentIdentity id = IdentifyInstrument(b.comm);
  std::vector<std::string> warnings;
  // The current trace (500) is no stored location: refused like 501, never sent as TE,500.
  EXPECT_EQ(DeleteTraces(b.comm, id, {{2, ""}, {500, ""}, {501, ""}}, {},
                         [&](const std::string &m) { warnings.push_back(m); }),
            2);
  EXPECT_EQ(warnings, (std::vector<std::string>{kMsgInvalidLocation, kMsgInvalidLocation}));
  EXPECT_EQ(b.link.Written().find("TE,500"), std::string::npos);
  EXPECT_EQ(ReadDirectory(b.comm, id, 0).Count(), 3);
  EXPECT_THROW(DeleteTraces(b.comm, id, {{2, ""}}, {}, {}), EmoxIODeviceErr);
  // An empty location is reported, and the next one is still read.
  EXPECT_EQ(b.Fetch(id, {{2, ""}, {3, ""}}).size(), 1U);
  EXPECT_EQ(b.failed, (std::vector<std::string>{std::string("2: ") + kMsgNoTraceStored}));
  EXPECT_FALSE(b.link.IsOpen());
}

TEST(Simulators, RtTester) {
  const auto originals = SyntheticTraces(2, 100, 800.0, 1000.0);
  Bench b(std::make_unique<TRtSimulator>('5', originals));
  const TInstrumentIdentity id = IdentifyInstrument(b.comm);
  EXPECT_EQ(id.Kind, ikRtTester);
  EXPECT_EQ(id.RtModelDigit, '5');
  const TmoxDirList list = ReadDirectory(b.comm, id, 0);
  ASSERT_EQ(list.Count(), 2);
  std::vector<std::string> warnings;
  TFetchOptions o;
  o.Warning = [&](const std::string &m) { warnings.push_back(m); };
  std::vector<std::unique_ptr<TmoxDocument>> docs;
  FetchTraces(b.comm, id, {{2, ""}, {13, ""}}, o,
              [&](const TSelectedTrace &, std::unique_ptr<TmoxDocument> d) { docs.push_back(std::move(d)); });
  ASSERT_EQ(docs.size(), 1U);
  EXPECT_EQ(warnings.size(), 1U);
  const TTraceData &t = docs[0]->Doc.Traces[0];
  EXPECT_EQ(t.Title, "RT500 Trace #2");
  const TTraceData &want = originals[1].Doc.Traces[0];
  EXPECT_NEAR(t.Freq[99], want.Freq[99], 0.06);
  for (std::size_t k = 0; k < 100; k += 11)
    EXPECT_NEAR(std::pow(10.0, t.Mag[k] / 20), std::pow(10.0, want.Mag[k] / 20), 0.0006) << k;
  // An empty slot: the tester answers "?", and the next slot is still read.
  EXPECT_EQ(b.Fetch(id, {{3, ""}, {1, ""}}).size(), 1U);
  EXPECT_EQ(b.failed, (std::vector<std::string>{std::string("3: ") + kMsgRtDeviceError}));
}

TEST(Simulators, SiteMaster) {
  const auto originals = SyntheticTraces(2, 130, 800.0, 1000.0);
  Bench b(std::make_unique<TSiteMasterSimulator>(originals));
  const TInstrumentIdentity id = IdentifyInstrument(b.comm);
  EXPECT_EQ(id.Kind, ikSiteMaster);
  // No "Current Trace" row: the Site Master cannot send it.
  const TmoxDirList list = ReadDirectory(b.comm, id, 0);
  EXPECT_EQ(list.Count(), 40);
  EXPECT_EQ(list.Number(0), 1);
  auto docs = b.Fetch(id, {{1, ""}}, TReceiveDestination::Files);
  ASSERT_EQ(docs.size(), 1U);
  const TTraceData &t = docs[0]->Doc.Traces[0];
  EXPECT_EQ(t.Title, "ALPHA TX");
  EXPECT_EQ(docs[0]->Doc.ScaleUnit, suReturnLoss);
  EXPECT_NEAR(t.Freq[129], 1000.0, 1e-6);
  for (std::size_t k = 0; k < 130; k += 13)
    EXPECT_NEAR(std::pow(10.0, t.Mag[k] / 20), std::pow(10.0, originals[0].Doc.Traces[0].Mag[k] / 20), 0.0006);
  // The release byte closes the session.
  EXPECT_EQ(b.link.Written().back(), '\xFF');
  // A location without a trace answers with the short block: no document,
  // and the locations after it are still read.
  docs = b.Fetch(id, {{5, ""}, {2, ""}, {6, ""}, {1, ""}});
  EXPECT_EQ(docs.size(), 2U);
  EXPECT_EQ(b.failed,
            (std::vector<std::string>{std::string("5: ") + kMsgNoTraceStored, std::string("6: ") + kMsgNoTraceStored}));
  EXPECT_EQ(b.link.Written().back(), '\xFF');
}

TEST(Simulators, FaultsEndInTheirMessages) {
  {
    Bench b(std::make_unique<TLxSimulator>("LX-3400", "15Mar03", Originals(238)), TSimFault::Garbage);
    const auto id = IdentifyInstrument(b.comm);
    EXPECT_TRUE(b.Fetch(id, {{1, ""}}).empty());
    EXPECT_EQ(b.failed, (std::vector<std::string>{std::string("1: ") + kMsgTraceCRC}));
  }
  {
    Bench b(std::make_unique<TLxSimulator>("LX-3250A", "15Jan02", Originals(238)), TSimFault::Garbage);
    const auto id = IdentifyInstrument(b.comm);
    EXPECT_TRUE(b.Fetch(id, {{1, ""}}).empty());
    ASSERT_EQ(b.failed.size(), 1U);
    EXPECT_NE(b.failed[0].find("is not a valid integer value"), std::string::npos) << b.failed[0];
  }
  // The byte protocols carry no check: a slipped byte is found by the values.
  {
    Bench b(std::make_unique<TSiteMasterSimulator>(SyntheticTraces(3, 130, 800.0, 1000.0)), TSimFault::Garbage);
    const auto id = IdentifyInstrument(b.comm);
    EXPECT_TRUE(b.Fetch(id, {{1, ""}, {2, ""}, {3, ""}}, TReceiveDestination::Files).empty());
    EXPECT_EQ(b.failed,
              (std::vector<std::string>{std::string("1: ") + kMsgTraceDamaged, std::string("2: ") + kMsgTraceDamaged,
                                        std::string("3: ") + kMsgTraceDamaged}));
  }
  {
    Bench b(std::make_unique<TRtSimulator>('5', SyntheticTraces(2, 100, 800.0, 1000.0)), TSimFault::Garbage);
    const auto id = IdentifyInstrument(b.comm);
    EXPECT_TRUE(b.Fetch(id, {{1, ""}, {2, ""}}).empty());
    EXPECT_EQ(b.failed.size(), 2U);
  }
  for (TSimFault f : {TSimFault::Drop, TSimFault::Cutoff}) {
    Bench b(std::make_unique<TLxSimulator>("LX-3600QE", "15Mar03", Originals(500)), f);
    const auto id = IdentifyInstrument(b.comm);
    EXPECT_THROW(b.Fetch(id, {{1, ""}}), EmoxIOTimeOutErr);
  }
  {
    Bench b(std::make_unique<TLxSimulator>("LX-3600QE", "15Mar03", Originals(500)), TSimFault::Silence);
    try {
      IdentifyInstrument(b.comm);
      FAIL();
    } catch (const EmoxIODeviceErr &e) {
      EXPECT_EQ(std::string(e.what()), std::string(kMsgNotResponding) + "\r\nNo answer on fake.");
    }
  }
}

TEST(Simulators, FaultShapes) {
  const std::string s(970, 'a');
  EXPECT_EQ(ApplyFault(TSimFault::Drop, s).size(), 960U);
  EXPECT_EQ(ApplyFault(TSimFault::Garbage, s).size(), 980U);
  EXPECT_EQ(ApplyFault(TSimFault::Cutoff, s).size(), 485U);
  EXPECT_EQ(ApplyFault(TSimFault::Slow, s), s);
  EXPECT_EQ(ParseSimFault("cutoff"), TSimFault::Cutoff);
  EXPECT_THROW(ParseSimFault("fire"), Exception);
}

TEST(Simulators, CancelStopsBeforeTheNextTrace) {
  Bench b(std::make_unique<TLxSimulator>("LX-3400", "15Mar03", Originals(238)));
  const auto id = IdentifyInstrument(b.comm);
  std::atomic<bool> cancel{false};
  b.comm.SetCancelFlag(&cancel);
  TFetchOptions o;
  int received = 0;
  std::vector<int> progress;
  o.Progress = [&](int pos, int max) {
    progress.push_back(pos);
    EXPECT_EQ(max, 6);
  };
  FetchTraces(b.comm, id, {{1, ""}, {2, ""}, {3, ""}}, o, [&](const TSelectedTrace &, std::unique_ptr<TmoxDocument>) {
    if (++received == 1) cancel = true;
  });
  EXPECT_EQ(received, 1);
  EXPECT_EQ(progress, (std::vector<int>{0, 1, 2}));
}

TEST(Simulators, AnalyzerAcceptsDownloadSetupsAndQuickText) {
  auto sim = std::make_unique<TLxSimulator>("LX-3400QE", "15Mar03", Originals(238));
  TLxSimulator *lx = sim.get();
  Bench b(std::move(sim));
  b.comm.Open();
  // Trace download: "TD", a ":" per line, "00" and the prompt.
  const auto extra = SyntheticTraces(6, 238, 800.0, 900.0);
  const auto target = IdentifyAnalyzer(b.comm);
  SendEncodedTraces(b.comm, EncodeSelection(target, {{&extra[5], 0}}));
  EXPECT_EQ(lx->Locations().size(), 4U);
  b.comm.Open();
  // Power setups.
  b.comm.SendCommand("SGET\r");
  EXPECT_NE(b.comm.WaitForTail("> ", 5000).find("ERRsetup"), std::string::npos);
  b.comm.SendCommand("SSTO,10,SENSOR A,Y,1.50,0.00,0.20,0.00,\"800-2500\",\"PS\",\"E1\",100.00,\"roof\",\"\"\r");
  b.comm.WaitForTail("SOK", 15000);
  b.comm.Ring().Clear();
  b.comm.SendCommand("SGET,10\r");
  const std::string rec = b.comm.WaitForTail("SOK", 15000);
  EXPECT_NE(rec.find("10,SENSOR A,Y,1.50"), std::string::npos);
  // Quick text: QD stores non-empty rows, QU reads them back.
  b.comm.Ring().Clear();
  b.comm.SendCommand("QD\r");
  b.comm.WaitForTail(":", 5000);
  for (const char *row : {"TOWER 3", "NORTH"}) {
    b.comm.SendCommand(std::string(row) + "\r");
    b.comm.WaitForTail("\r\n:", 5000);
  }
  b.comm.SendCommand("\r");
  b.comm.WaitForTail(">", 5000);
  EXPECT_EQ(lx->QuickText()[1], "NORTH");
  b.comm.Ring().Clear();
  b.comm.SendCommand("QU\r");
  const std::string qu = b.comm.WaitForTail("\n\r> ", 15000);
  EXPECT_EQ(qu.rfind("QU\r\nTOWER 3\r\nNORTH\r\n", 0), 0U);

  // The downloaded trace reads back like any other.
  const auto id = IdentifyInstrument(b.comm);
  const TmoxDirList list = ReadDirectory(b.comm, id, 0);
  ASSERT_EQ(list.Count(), 5);
  EXPECT_EQ(list.Text(4), extra[5].Doc.Traces[0].Label.str());
  auto docs = b.Fetch(id, {{4, list.Text(4)}});
  ExpectSameSweep(docs[0]->Doc.Traces[0], extra[5].Doc.Traces[0], 0.005);
}

namespace {

class LxSendBack : public ::testing::TestWithParam<LxCase> {};

} // namespace

// Traces sent to an analyzer are stored at its lowest free locations and
// read back with their values, to the precision of the encoding.
TEST_P(LxSendBack, SentTracesReadBack) {
  const LxCase c = GetParam();
  const int points = c.qe && c.generation == 3 ? 949 : kDefaultReplyPoints;
  auto sim = std::make_unique<TLxSimulator>(c.model, c.firmware, Originals(points));
  TLxSimulator *lx = sim.get();
  Bench b(std::move(sim));
  ASSERT_TRUE(lx->Stored(2) != nullptr);
  TmoxDocument extra = SyntheticTraces(4, points, 900.0, 1900.0)[3];
  TTraceData &t = extra.Doc.Traces[0];
  t.FreqMarks[1] = TMarkerSlot{1, points / 2, true, 0, 1};
  t.Model = c.model;
  // Free location 2 first: the first download goes there, the next one after the last.
  const auto id = IdentifyInstrument(b.comm);
  DeleteTraces(b.comm, id, {{2, ""}}, {}, {});
  const TAnalyzerTarget target = IdentifyAnalyzer(b.comm);
  EXPECT_EQ(target.Generation(), c.generation);
  const auto encoded = EncodeSelection(target, {{&extra, 0}, {&extra, 0}});
  EXPECT_EQ(SendEncodedTraces(b.comm, encoded), 2);
  EXPECT_EQ(lx->Locations(), (std::vector<int>{1, 2, 3, 4}));

  const TmoxDirList list = ReadDirectory(b.comm, id, 46000.0);
  ASSERT_EQ(list.Count(), 5);
  EXPECT_EQ(list.Number(2), 2);
  EXPECT_NEAR(list.Time(2), t.DateTime, 1.0 / 1440);
  auto docs = b.Fetch(id, {{2, list.Text(2)}, {4, list.Text(4)}});
  ASSERT_EQ(docs.size(), 2U) << (b.failed.empty() ? "" : b.failed[0]);
  for (const auto &d : docs) {
    const TTraceData &got = d->Doc.Traces[0];
    EXPECT_EQ(d->Doc.ScaleUnit, suReturnLoss);
    ExpectSameSweep(got, t, 0.005);
    EXPECT_NEAR(got.DateTime, t.DateTime, 1.0 / 1440);
    EXPECT_NEAR(got.Dielectric, t.Dielectric, 1e-3);
    EXPECT_NEAR(got.Loss, t.Loss, 1e-3);
    EXPECT_EQ(got.FreqMarks[0].Point, t.FreqMarks[0].Point);
    EXPECT_EQ(got.FreqMarks[0].Visible, 1);
    if (c.generation > 1) {
      EXPECT_EQ(got.Label, t.Label);
      EXPECT_EQ(got.FreqMarks[1].Point, t.FreqMarks[1].Point);
      EXPECT_EQ(got.FreqMarks[1].Visible != 0, true);
    } else {
      EXPECT_EQ(got.SiteNumber, t.SiteNumber);
      EXPECT_EQ(got.AntennaNumber, t.AntennaNumber);
    }
    if (c.generation == 3) {
      EXPECT_EQ(got.SN, t.SN);
    }
    if (c.generation == 3 && c.firmware == std::string("15Mar03")) {
      EXPECT_EQ(got.FreqMarks[1].Style, 1);
      EXPECT_TRUE(got.FreqMarks[1].DeltaOn);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Generations, LxSendBack,
    ::testing::Values(LxCase{"LX-3200", "15Mar01", 1, false}, LxCase{"LX-3250A", "15Jan02", 2, false},
                      LxCase{"LX-3400", "10Oct02", 3, false}, LxCase{"LX-3400", "15Mar03", 3, false},
                      LxCase{"LX-3600QE", "10Oct02", 3, true}, LxCase{"LX-3600QE", "15Mar03", 3, true}));

TEST(Simulators, AnalyzerRefusesDownloadsWhenFull) {
  // Firmware of November 2001 keeps 60 traces.
  const TmoxDocument extra = SyntheticTraces(1, 238, 900.0, 1900.0)[0];
  auto sim = std::make_unique<TLxSimulator>("LX-3200", "20Nov01", std::vector<TmoxDocument>(60, extra));
  Bench b(std::move(sim));
  TAnalyzerTarget target = IdentifyAnalyzer(b.comm);
  // The directory says it is full: refused before the first TD, naming the room left.
  EXPECT_EQ(target.Used, 60);
  try {
    EncodeSelection(target, {{&extra, 0}});
    FAIL();
  } catch (const EmoxTooManyTracesError &e) {
    EXPECT_STREQ(e.what(), "The analyzer has room for 0 more traces: 60 of its 60 locations are in use, and 1 traces "
                           "are selected.");
  }
  // Without a directory the analyzer's own refusal of the TD still says so.
  target.Used = -1;
  target.Stored.clear();
  try {
    SendEncodedTraces(b.comm, EncodeSelection(target, {{&extra, 0}}));
    FAIL();
  } catch (const EmoxIODeviceErr &e) {
    EXPECT_STREQ(e.what(), kMsgSaveBuffersFull);
  }
}

// Long replies at line speed, links that go away, replies cut off, and what
// an abandoned reply leaves on the line.
TEST(Transfers, LongTraceAtLineSpeedArrivesAndMovesTheBarPerLine) {
  Bench b(std::make_unique<TLxSimulator>("LX-3600QE", "15Mar03", SyntheticTraces(1, 4001, 900.0, 1900.0)));
  const TInstrumentIdentity id = IdentifyInstrument(b.comm);
  // 9600 baud: about a millisecond a byte, so the reply takes close to a minute.
  b.link.SetChunk(16);
  b.link.SetByteTimeMs(1.04);
  std::vector<std::pair<int, int>> lines;
  TFetchOptions o;
  o.Lines = [&](int done, int total) { lines.emplace_back(done, total); };
  std::vector<std::unique_ptr<TmoxDocument>> docs;
  const std::int64_t start = b.link.NowMs();
  FetchTraces(b.comm, id, {{1, "LONG"}}, o,
              [&](const TSelectedTrace &, std::unique_ptr<TmoxDocument> d) { docs.push_back(std::move(d)); });
  EXPECT_GT(b.link.NowMs() - start, 40000);
  ASSERT_EQ(docs.size(), 1U);
  EXPECT_EQ(docs[0]->Doc.Traces[0].NumPoints, 4001);
  ASSERT_GT(lines.size(), 4000U);
  EXPECT_EQ(lines.back(), std::make_pair(4019, 4019));
  EXPECT_EQ(lines[100], std::make_pair(101, 4019)); // the count is known from the header on
}

TEST(Transfers, DisconnectedLinkIsSaidAtOnce) {
  Bench b(std::make_unique<TLxSimulator>("LX-3400", "15Mar03", Originals(238)), TSimFault::Cutoff);
  const TInstrumentIdentity id = IdentifyInstrument(b.comm);
  b.link.GoneAfterQueued();
  const std::int64_t start = b.link.NowMs();
  EXPECT_THROW(b.Fetch(id, {{1, ""}}), EmoxIODisconnected);
  EXPECT_LT(b.link.NowMs() - start, 1000);
  EXPECT_FALSE(b.link.IsOpen());
}

TEST(Transfers, LinkGoneInTheMiddleOfATraceIsSaidAtOnce) {
  Bench b(std::make_unique<TLxSimulator>("LX-3400", "15Mar03", Originals(238)));
  const TInstrumentIdentity id = IdentifyInstrument(b.comm);
  std::int64_t start = 0;
  int kept = 0;
  TFetchOptions o;
  EXPECT_THROW(FetchTraces(b.comm, id, {{1, ""}, {2, ""}}, o,
                           [&](const TSelectedTrace &, std::unique_ptr<TmoxDocument>) {
                             ++kept;
                             b.fault = TSimFault::Cutoff;
                             b.link.GoneAfterQueued();
                             start = b.link.NowMs();
                           }),
               EmoxIODisconnected);
  EXPECT_EQ(kept, 1);
  EXPECT_LT(b.link.NowMs() - start, 1000);
  EXPECT_FALSE(b.link.IsOpen());
}

TEST(Transfers, CutOffReplyNamesTheTraceAndWhatWasKept) {
  Bench b(std::make_unique<TLxSimulator>("LX-3400", "15Mar03", Originals(238)));
  const TInstrumentIdentity id = IdentifyInstrument(b.comm);
  TFetchOptions o;
  int kept = 0;
  try {
    FetchTraces(b.comm, id, {{1, "FIRST"}, {2, "SECOND"}, {3, "THIRD"}}, o,
                [&](const TSelectedTrace &, std::unique_ptr<TmoxDocument>) {
                  ++kept;
                  b.fault = TSimFault::Cutoff; // the next reply stops halfway
                });
    FAIL();
  } catch (const EmoxIOTimeOutErr &e) {
    const std::string m = e.what();
    EXPECT_EQ(m.rfind(kMsgTimeOut, 0), 0U) << m;
    EXPECT_NE(m.find("The reply of trace \"SECOND\" (location 2) stopped after "), std::string::npos) << m;
    EXPECT_NE(m.find(" of 255 lines. The trace received before it was kept."), std::string::npos) << m;
  }
  EXPECT_EQ(kept, 1);
}

TEST(Transfers, LeftoversOfAnAbandonedReplyAreWaitedOut) {
  Bench b(std::make_unique<TLxSimulator>("LX-3400", "15Mar03", Originals(238)));
  int told = 0;
  b.comm.SetBusyNotice([&] { ++told; });
  // The tail of a trace reply nobody reads any more, still on the line.
  std::string tail;
  for (int i = 0; i < 200; ++i)
    tail += "12345,678\n\r";
  b.link.Feed(tail);
  const TInstrumentIdentity id = IdentifyInstrument(b.comm);
  EXPECT_EQ(told, 1);
  EXPECT_EQ(id.Kind, ikAnalyzer);
  EXPECT_EQ(b.Fetch(id, {{1, ""}}).size(), 1U);
  EXPECT_EQ(told, 1); // a quiet line costs nothing but the look
}

TEST(Transfers, SiteMasterTracesAreNamedFromTheInstrument) {
  Bench b(std::make_unique<TSiteMasterSimulator>(SyntheticTraces(2, 130, 800.0, 1000.0)));
  const TInstrumentIdentity id = IdentifyInstrument(b.comm);
  auto docs = b.Fetch(id, {{1, ""}}, TReceiveDestination::Files);
  ASSERT_EQ(docs.size(), 1U);
  EXPECT_EQ(docs[0]->Doc.Traces[0].Label, "ALPHA TX");
  EXPECT_EQ(ReceivedTraceBaseName(docs[0]->Doc.Traces[0], 1), "ALPHA TX");
}

TEST(Transfers, SendKnowsTheRoomLeftAndWhatIsAlreadyStored) {
  TmoxDocument doc = SyntheticTraces(1, 238, 900.0, 1900.0)[0];
  doc.Doc.Traces[0].Label = "SENT ONE";
  // LX-3200 with 2002 firmware: 120 locations, 5 of them used.
  Bench b(std::make_unique<TLxSimulator>("LX-3200", "15Mar03", Originals(238)));
  TAnalyzerTarget target = IdentifyAnalyzer(b.comm);
  EXPECT_EQ(target.Used, 3);
  EXPECT_EQ(FreeLocations(target), 117);
  EXPECT_EQ(CheckAnalyzerCapacity(target, 117), "");
  EXPECT_EQ(
      CheckAnalyzerCapacity(target, 118),
      "The analyzer has room for 117 more traces: 3 of its 120 locations are in use, and 118 traces are selected.");
  EXPECT_TRUE(FindAlreadyStored(target, {{&doc, 0}}).empty());
  EXPECT_EQ(SendEncodedTraces(b.comm, EncodeSelection(target, {{&doc, 0}})), 1);
  // Asked again, the analyzer's directory shows the trace already there.
  target = IdentifyAnalyzer(b.comm);
  const auto stored = FindAlreadyStored(target, {{&doc, 0}, {&doc, 0}});
  ASSERT_EQ(stored.size(), 2U);
  EXPECT_EQ(stored[1].Index, 1U);
  EXPECT_EQ(stored[0].Location, 4);
  EXPECT_EQ(AlreadyStoredText({stored[0]}),
            std::string(kMsgAlreadyStored) + "\r\n\"" + doc.Doc.Traces[0].Label.str() + "\" (location 4)");
}
