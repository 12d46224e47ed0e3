#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/Crc16.h"
#include "core/DateTime.h"
#include "core/DocFromReply.h"
#include "core/Excption.h"
#include "core/TextUtil.h"

using namespace korv;

namespace {

double Day(int y, int m, int d) { return EncodeDateTime(TCivilTime{y, m, d, 0, 0, 0}); }

TReplyContext Context(double firmware, bool qe = false) {
  TReplyContext c;
  c.FirmwareDate = firmware;
  c.ReportsPointCount = qe;
  c.CurrentScaleUnit = suMRho;
  c.CurrentDistUnit = duFeet;
  c.Now = EncodeDateTime(TCivilTime{2025, 3, 4, 5, 6, 0});
  return c;
}

const std::string kStamp = EncodePackedTime(EncodeDateTime(TCivilTime{2003, 1, 5, 12, 7, 0}));

// A first-generation reply: echo, extra line, header lines 2..18, points from 19.
std::vector<std::string> Gen1Reply(int points = 238) {
  std::vector<std::string> L = {"TU 7",     "7",    "12,1,1,3," + kStamp + ",0",
                                "2,0",      "1",    "10,0",
                                "0,0",      "20,0", // frequency markers
                                "0",        "0,0",  "1,0",
                                "5,0",             // distance markers
                                "1,-15000", "0,0", // limits
                                "50,8000",         // loss, velocity factor
                                "1",               // reply unit: return loss
                                "0,3000",          // start, stop distance
                                "2",               // feet
                                "0"};              // frequency view
  for (int k = 0; k < points; ++k)
    L.push_back(std::to_string(170000 + 100 * k) + "," + std::to_string(-2000000 - 1000 * k) + "," +
                std::to_string(k == 0   ? 0
                               : k == 1 ? 3142
                                        : 1000));
  return L;
}

// Generation 2/3 header lines 1..16 (16 only read by generation 3).
std::vector<std::string> Gen23Header(const std::string &markers11, const std::string &markers12) {
  return {"TU 3",
          "\"MAIN FEED\"",
          kStamp,
          "2,\"SETUP A\",301," + kStamp,
          "1",
          "1,-30000,0",
          "305",
          "170000,220000",
          "1,0,4500",
          "1",
          "\"RG-8\",8800,120",
          markers11,
          markers12,
          "0,-20000",
          "1,-18000",
          "1",
          "\"LX-3400QE\",\"0041230\",\"V2.13\""};
}

void AppendCrc(std::vector<std::string> &L) {
  std::string text;
  for (const auto &l : L)
    text += l + "\r\n";
  const std::string covered = text.substr(text.find('"'));
  const std::uint16_t crc = Crc16(reinterpret_cast<const std::uint8_t *>(covered.data()), covered.size());
  L.push_back(std::string{static_cast<char>(crc >> 8), static_cast<char>(crc & 0xFF)} + "\n\r> ");
}

} // namespace

TEST(DocFromReply, RefusesReplyThatIsNoTraceAndLeavesDocumentAlone) {
  TmoxDocument doc;
  doc.Doc.MainTitle = "kept";
  auto L = Gen1Reply();
  L[0] = "ST,?";
  try {
    BuildFromAnalyzerReply(doc, "x", L, Context(Day(2001, 1, 1)));
    FAIL();
  } catch (const EmoxFileError &e) {
    EXPECT_STREQ(e.what(), kMsgReplyNotTrace);
  }
  EXPECT_EQ(doc.Doc.MainTitle, "kept");
  // A reply cut short is a format error, not a read past the end.
  L = Gen1Reply();
  L.resize(100);
  EXPECT_THROW(BuildFromAnalyzerReply(doc, "x", L, Context(Day(2001, 1, 1))), EmoxIOTraceFormatErr);
}

TEST(DocFromReply, Generations) {
  EXPECT_EQ(FirmwareGeneration(Day(2001, 7, 31) + 0.99), 1);
  EXPECT_EQ(FirmwareGeneration(Day(2001, 8, 1)), 2);
  EXPECT_EQ(FirmwareGeneration(Day(2002, 3, 31)), 2);
  EXPECT_EQ(FirmwareGeneration(Day(2002, 4, 1)), 3);
}

TEST(DocFromReply, Generation1Fields) {
  TmoxDocument doc;
  BuildFromAnalyzerReply(doc, "Site 12 Alpha Tx 3", Gen1Reply(), Context(Day(2001, 1, 1)));
  const TTraceData &t = doc.Doc.Traces[0];
  EXPECT_EQ(doc.Doc.TraceCount(), 1);
  EXPECT_EQ(t.NumPoints, 238);
  EXPECT_EQ(t.SiteNumber, 12);
  EXPECT_EQ(t.Sector, 1);
  EXPECT_EQ(t.AntennaNumber, 3);
  EXPECT_EQ(t.Label, "Site 12, Sector Alpha, Antenna Tx3");
  EXPECT_EQ(t.Title, "Site 12 Alpha Tx 3");
  EXPECT_EQ(t.CalState, 2);
  EXPECT_EQ(doc.Doc.ScaleUnit, suReturnLoss);
  EXPECT_EQ(doc.Doc.DistUnit, duFeet);
  EXPECT_EQ(doc.Doc.PlotMode, pmFrequency);
  EXPECT_DOUBLE_EQ(t.Freq[0], 1700.0);
  EXPECT_DOUBLE_EQ(t.Freq[1], 1701.0);
  // Magnitudes stay in the reply's unit (dB here).
  EXPECT_NEAR(t.Mag[0], -20.0, 1e-9);
  EXPECT_NEAR(t.Mag[237], -22.37, 1e-9);
  // 0 mrad is -180 degrees, 3142 mrad about 0.
  EXPECT_NEAR(t.Angle[0], -180.0, 1e-9);
  EXPECT_NEAR(t.Angle[1], 0.0, 0.03);
  EXPECT_NEAR(t.Loss, 0.005F, 1e-7); // feet: 10^-4 per unit
  EXPECT_NEAR(t.Dielectric, 1.0 / 0.64, 1e-5);
  EXPECT_EQ(t.FreqMarks[0].Visible, 1);
  EXPECT_EQ(t.FreqMarks[0].Point, 10);
  EXPECT_EQ(t.FreqMarks[1].Point, 20);
  EXPECT_EQ(t.DistMarks[1].Visible, 1);
  EXPECT_EQ(t.DistMarks[1].Point, 5);
  EXPECT_EQ(doc.Doc.FreqLimitMode, 1);
  EXPECT_DOUBLE_EQ(doc.Doc.FreqLimitValue, -15.0);
  EXPECT_DOUBLE_EQ(doc.Doc.DistLimitValue, kUnplacedLimit);
  EXPECT_EQ(t.CableType, "Custom");
  EXPECT_EQ(t.NextMarkSlot, -1);
  EXPECT_EQ(doc.GetLoadFlag(), 1);
  // Autoscale on the received dB range.
  EXPECT_LT(doc.Doc.FreqScale.YMin, -22.37);
  EXPECT_GT(doc.Doc.FreqScale.YMax, -20.0);
}

TEST(DocFromReply, Generation1CurrentTraceAndOldFirmware) {
  TmoxDocument doc;
  const TReplyContext ctx = Context(Day(1999, 12, 31));
  BuildFromAnalyzerReply(doc, "Current Trace", Gen1Reply(), ctx);
  const TTraceData &t = doc.Doc.Traces[0];
  EXPECT_EQ(t.SiteNumber, 0);
  EXPECT_EQ(t.Sector, 0);
  EXPECT_NEAR(t.DateTime, ctx.Now, 1.0 / 1440);
  // Firmware of 1999 names no units: the program's current ones are used.
  EXPECT_EQ(doc.Doc.ScaleUnit, suMRho);
  EXPECT_EQ(doc.Doc.DistUnit, duFeet);
  EXPECT_EQ(doc.Doc.FreqLimitMode, 0);
  EXPECT_EQ(t.FreqMarks[0].Visible, 0);
  EXPECT_NEAR(t.StopDist, std::min(237 * 150.0 / 237.0, static_cast<double>(t.MaxDist)), 1e-3);
}

TEST(DocFromReply, Generation1GridCheck) {
  auto L = Gen1Reply();
  L[19 + 1] = "170030,-2000000,1000"; // 0.3 MHz off the grid
  TmoxDocument doc;
  EXPECT_THROW(BuildFromAnalyzerReply(doc, "x", L, Context(Day(2001, 1, 1))), EmoxIOInvalidTraceError);
  L = Gen1Reply();
  L[25] = "170600,-20#0000,1000";
  EXPECT_THROW(BuildFromAnalyzerReply(doc, "x", L, Context(Day(2001, 1, 1))), EmoxIOTraceFormatErr);
}

TEST(DocFromReply, Generation2Layout) {
  auto L = Gen23Header("10,20,5", "3,4,2");
  L.resize(15);        // generation 2 has no lines 15 and 16
  L[5] = "0500,49995"; // no comma after the unit: one is inserted
  L[10] = "\"RG-8\",12000,120";
  for (int k = 0; k < 238; ++k)
    L.push_back(std::to_string(100000 + k) + ",3142");
  TmoxDocument doc;
  BuildFromAnalyzerReply(doc, "", L, Context(Day(2001, 12, 1)));
  const TTraceData &t = doc.Doc.Traces[0];
  EXPECT_EQ(t.NumPoints, 238);
  EXPECT_EQ(t.Label, "MAIN FEED");
  EXPECT_EQ(t.Title, DateTimeToText(t.DateTime).substr(0, 30));
  EXPECT_EQ(t.CalState, 2);
  EXPECT_EQ(t.SetupName, "SETUP A");
  EXPECT_EQ(t.SetupVCOTemp, 301);
  EXPECT_EQ(doc.Doc.ScaleUnit, suVSWR);
  EXPECT_EQ(doc.Doc.PlotMode, pmDistance);
  EXPECT_EQ(t.Model, "LX-3250A");
  EXPECT_FLOAT_EQ(t.Dielectric, 1.0F); // velocity factor above 1 is limited
  EXPECT_NEAR(t.Freq[237], 2200.0, 1e-9);
  EXPECT_NEAR(t.Freq[1] - t.Freq[0], 500.0 / 237, 1e-9);
  EXPECT_NEAR(t.Mag[3], 1.00003, 1e-12);
  EXPECT_NEAR(t.Angle[0], 0.0, 0.03); // the pi offset is removed
  EXPECT_EQ(t.FreqMarks[0].Point, 10);
  EXPECT_EQ(t.FreqMarks[0].Visible, 1);
  EXPECT_EQ(t.FreqMarks[1].Visible, 0);
  EXPECT_TRUE(t.FreqMarks[0].DeltaOn);
  EXPECT_EQ(t.FreqMarks[0].Reference, 1);
  EXPECT_EQ(t.DistMarks[1].Visible, 1);
  // Generation 2 keeps the frequency limit value even with mode 0.
  EXPECT_DOUBLE_EQ(doc.Doc.FreqLimitValue, -20.0);
  EXPECT_DOUBLE_EQ(doc.Doc.DistLimitValue, -18.0);
  EXPECT_DOUBLE_EQ(doc.Doc.FreqScale.XMin, 1700.0 - 10.0);
}

TEST(DocFromReply, ReplyUnitMapping) {
  struct Case {
    const char *Code;
    std::uint8_t Unit;
    const char *Point; // a plausible value in that unit
  };
  for (const Case c : {Case{"0", suVSWR, "150000,0"}, Case{"1", suReturnLoss, "-1000000,0"},
                       Case{"2", suCableLoss, "-1000000,0"}, Case{"7", suMRho, "10000000,0"}}) {
    auto L = Gen23Header("0,0,0", "0,0,0");
    L.resize(15);
    L[5] = std::string(c.Code) + ",-30000,0";
    for (int k = 0; k < 238; ++k)
      L.push_back(c.Point);
    TmoxDocument doc;
    BuildFromAnalyzerReply(doc, "n", L, Context(Day(2002, 1, 1)));
    EXPECT_EQ(doc.Doc.ScaleUnit, c.Unit) << c.Code;
  }
}

TEST(DocFromReply, Generation3WithoutCountCheckLineAt255) {
  auto L = Gen23Header("0,0,0", "0,0,0"); // firmware before 28 Feb 2003: old marker lines
  for (int k = 0; k < 238; ++k)
    L.push_back(std::to_string(-1000000 - k) + "," + std::to_string(k));
  AppendCrc(L);
  ASSERT_EQ(L.size(), 256U);
  TmoxDocument doc;
  BuildFromAnalyzerReply(doc, "n", L, Context(Day(2002, 6, 1)));
  const TTraceData &t = doc.Doc.Traces[0];
  EXPECT_EQ(t.NumPoints, 238);
  EXPECT_EQ(t.Model, "LX-3400QE");
  EXPECT_EQ(t.SN, "0041230");
  EXPECT_EQ(t.Revision, "V2.13");
  EXPECT_NEAR(t.Mag[237], -10.00237, 1e-9);
  EXPECT_NEAR(t.Angle[237], 0.237 * 57.29577951308232, 1e-9);
  // One changed digit fails the check.
  L[40][1] = L[40][1] == '1' ? '2' : '1';
  try {
    BuildFromAnalyzerReply(doc, "n", L, Context(Day(2002, 6, 1)));
    FAIL();
  } catch (const EmoxIOTraceCRCErr &e) {
    EXPECT_STREQ(e.what(), kMsgTraceCRC);
  }
}

TEST(DocFromReply, Generation3QECountAndSixSlotMarkers) {
  // Slot codes: visible bits 0-1, style bit 2, reference bits 3-5 (7 = no delta).
  auto L = Gen23Header("5,57,6,5,7,61,0,56,0,56,0,56", "1,18,2,56,0,56,0,56,0,56,0,56");
  L.push_back("949");
  for (int k = 0; k < 949; ++k)
    L.push_back("-500000,-3142");
  AppendCrc(L);
  TmoxDocument doc;
  BuildFromAnalyzerReply(doc, "n", L, Context(Day(2003, 3, 15), true));
  const TTraceData &t = doc.Doc.Traces[0];
  EXPECT_EQ(t.NumPoints, 949);
  EXPECT_EQ(doc.Doc.MaxPoints, 949);
  EXPECT_NEAR(t.Angle[0], -180.0, 0.03);
  EXPECT_EQ(t.FreqMarks[0].Point, 5);
  EXPECT_EQ(t.FreqMarks[0].Visible, 1);
  EXPECT_FALSE(t.FreqMarks[0].DeltaOn);
  EXPECT_EQ(t.FreqMarks[0].Reference, 0);
  EXPECT_EQ(t.FreqMarks[1].Style, 1);
  EXPECT_EQ(t.FreqMarks[1].Visible, 1);
  EXPECT_TRUE(t.FreqMarks[1].DeltaOn); // reference 0: delta to marker 1
  EXPECT_EQ(t.FreqMarks[2].Visible, 1);
  EXPECT_EQ(t.FreqMarks[2].Style, 1);
  EXPECT_TRUE(t.DistMarks[0].DeltaOn);
  EXPECT_EQ(t.DistMarks[0].Reference, 2);
  EXPECT_EQ(t.DistMarks[0].Visible, 2);
  // Frequency limit of mode 0 stays unplaced in generation 3.
  EXPECT_DOUBLE_EQ(doc.Doc.FreqLimitValue, kUnplacedLimit);
  // A count the reply cannot hold is refused, not allocated.
  L[17] = "99999999";
  EXPECT_THROW(BuildFromAnalyzerReply(doc, "n", L, Context(Day(2003, 3, 15), true)), EmoxIOInvalidTraceError);
}

namespace {
std::vector<std::uint8_t> SiteMasterBlock() {
  std::vector<std::uint8_t> b(604, 0);
  auto put16 = [&](std::size_t o, unsigned v) {
    b[o] = static_cast<std::uint8_t>(v >> 8);
    b[o + 1] = static_cast<std::uint8_t>(v);
  };
  auto put32 = [&](std::size_t o, std::uint32_t v) {
    put16(o, v >> 16);
    put16(o + 2, v & 0xFFFF);
  };
  put16(0, 602);
  const std::string title = "TOWER", sub = "NORTH";
  std::copy(title.begin(), title.end(), b.begin() + 26); // after two zero bytes
  std::copy(sub.begin(), sub.end(), b.begin() + 16);
  put32(40, 800000000);
  put32(44, 1000000000);
  put16(56, 12);
  put16(58, 40);
  put16(60, 150);
  put32(74, 88000);
  put32(78, 5000);
  b[82] = 0x10 | 0x08 | 0x02 | 0x01;
  for (std::size_t k = 0; k < 130; ++k) {
    put16(84 + 4 * k, k == 0 ? 0 : k == 1 ? 1000 : 100);
    put16(84 + 4 * k + 2, static_cast<std::uint16_t>(static_cast<std::int16_t>(-905)));
  }
  return b;
}
} // namespace

TEST(DocFromReply, SiteMasterBlock) {
  const auto b = SiteMasterBlock();
  TmoxDocument doc;
  BuildFromSiteMasterReply(doc, "Trace #4", b.data(), b.size(), Context(0));
  const TTraceData &t = doc.Doc.Traces[0];
  EXPECT_EQ(t.Title, "TOWER NORTH");
  EXPECT_EQ(doc.Doc.ScaleUnit, suReturnLoss);
  EXPECT_EQ(doc.Doc.DistUnit, duFeet);
  EXPECT_EQ(t.CalState, 1);
  EXPECT_EQ(t.NumPoints, 130);
  EXPECT_DOUBLE_EQ(t.Freq[0], 800.0);
  EXPECT_NEAR(t.Freq[129], 1000.0, 1e-9);
  EXPECT_DOUBLE_EQ(t.Mag[0], -100.0);                     // rho 0
  EXPECT_NEAR(t.Mag[1], 20 * std::log10(0.999999), 1e-9); // clamped below 1
  EXPECT_NEAR(t.Mag[2], -20.0, 1e-9);
  EXPECT_NEAR(t.Angle[5], -90.5, 1e-9);
  EXPECT_NEAR(t.Dielectric, 1 / (0.88 * 0.88), 1e-4);
  EXPECT_EQ(t.FreqMarks[0].Visible, 1);
  EXPECT_EQ(t.FreqMarks[1].Visible, 0);
  EXPECT_EQ(t.FreqMarks[1].Point, 40);
  EXPECT_EQ(doc.Doc.FreqLimitMode, 1);
  EXPECT_DOUBLE_EQ(doc.Doc.FreqLimitValue, -0.15);
  EXPECT_THROW(BuildFromSiteMasterReply(doc, "x", b.data(), 11, Context(0)), EmoxIOTraceFormatErr);
}

TEST(DocFromReply, RtTextBlock) {
  std::string block = " 800.0   1000.0  ";
  block.resize(16, ' ');
  for (int k = 0; k < 100; ++k)
    block += k == 0 ? "0.000  " : k == 1 ? "0.500  " : "0.100  ";
  block.resize(716, ' ');
  const auto *p = reinterpret_cast<const std::uint8_t *>(block.data());
  TReplyContext ctx = Context(0);
  for (auto [unit, expect1] :
       {std::pair{suReturnLoss, 20 * std::log10(0.5)}, {suVSWR, 3.0}, {suMRho, 500.0}, {suRho, 0.5}}) {
    ctx.CurrentScaleUnit = unit;
    TmoxDocument doc;
    BuildFromRtReply(doc, "RT500 Trace #3", p, block.size(), ctx);
    const TTraceData &t = doc.Doc.Traces[0];
    EXPECT_EQ(doc.Doc.DataKind, 1);
    EXPECT_EQ(t.Label, "RT500 Trace #3");
    EXPECT_EQ(t.NumPoints, 100);
    EXPECT_NEAR(t.Freq[99], 1000.0, 1e-9);
    EXPECT_NEAR(t.Mag[1], expect1, 1e-9) << int(unit);
    if (unit == suReturnLoss) {
      EXPECT_DOUBLE_EQ(t.Mag[0], -100.0);
    }
  }
  block[16 + 7 * 50] = 'x';
  TmoxDocument doc;
  try {
    BuildFromRtReply(doc, "n", p, block.size(), ctx);
    FAIL();
  } catch (const EmoxIOTraceFormatErr &e) {
    // The message, then the text that did not parse and where it was.
    EXPECT_EQ(std::string(e.what()).rfind(kMsgLoadDataError, 0), 0U) << e.what();
    EXPECT_NE(std::string(e.what()).find("x"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("at byte 366"), std::string::npos) << e.what();
  }
}

namespace {
template <typename Build> void ExpectDamaged(Build build, const std::string &what) {
  try {
    build();
    ADD_FAILURE() << what << " accepted";
  } catch (const EmoxIOTraceDamagedErr &e) {
    EXPECT_STREQ(e.what(), kMsgTraceDamaged) << what;
  }
}
} // namespace

TEST(DocFromReply, DamagedSiteMasterBlocksAreRefused) {
  auto put = [](std::vector<std::uint8_t> &b, std::size_t o, std::uint32_t v, int bytes) {
    for (int i = bytes - 1; i >= 0; --i, v >>= 8)
      b[o + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v & 0xFF);
  };
  struct Case {
    const char *What;
    std::size_t Offset;
    std::uint32_t Value;
    int Bytes;
  };
  for (const Case c : {Case{"reflection above 1", 84 + 4 * 7, 1001, 2},
                       Case{"angle beyond 180 degrees", 84 + 4 * 9 + 2, static_cast<std::uint16_t>(-1801), 2},
                       Case{"start above stop", 40, 1100000000, 4}, Case{"start below the band", 40, 1000000, 4},
                       Case{"stop above the band", 44, 4100000000, 4}, Case{"velocity factor 0.0034", 74, 340, 4},
                       Case{"velocity factor above 1", 74, 100001, 4}, Case{"loss of 32212 dB/m", 78, 3221200000, 4},
                       Case{"start distance beyond reach", 62, 100000000, 4}}) {
    auto b = SiteMasterBlock();
    put(b, c.Offset, c.Value, c.Bytes);
    TmoxDocument doc;
    ExpectDamaged([&] { BuildFromSiteMasterReply(doc, "x", b.data(), b.size(), Context(0)); }, c.What);
  }
  // One byte slipped in the middle of the block, as a noisy line does.
  auto b = SiteMasterBlock();
  b.insert(b.begin() + 48, '#');
  TmoxDocument doc;
  ExpectDamaged([&] { BuildFromSiteMasterReply(doc, "x", b.data(), b.size(), Context(0)); }, "shifted block");
}

TEST(DocFromReply, DamagedRtBlocksAndOldAnalyzerRepliesAreRefused) {
  auto rt = [](const std::string &head, const char *point) {
    std::string block = head;
    block.resize(16, ' ');
    for (int k = 0; k < 100; ++k)
      block += k == 40 ? point : "0.100  ";
    block.resize(716, ' ');
    TmoxDocument doc;
    BuildFromRtReply(doc, "n", reinterpret_cast<const std::uint8_t *>(block.data()), block.size(), Context(0));
  };
  ExpectDamaged([&] { rt(" 800.0   1000.0  ", "1.500  "); }, "RT reflection 1.5");
  ExpectDamaged([&] { rt("1000.0    800.0  ", "0.100  "); }, "RT start above stop");
  ExpectDamaged([&] { rt("   0.0   1000.0  ", "0.100  "); }, "RT start below the band");

  auto gen1 = [](std::size_t line, const std::string &text) {
    auto L = Gen1Reply();
    L[line] = text;
    TmoxDocument doc;
    BuildFromAnalyzerReply(doc, "x", L, Context(Day(2001, 1, 1)));
  };
  ExpectDamaged([&] { gen1(19 + 5, "170500,-2000000,7000"); }, "generation 1 angle");
  ExpectDamaged([&] { gen1(19 + 5, "170500,2000000,1000"); }, "generation 1 return loss of +20 dB");
  ExpectDamaged([&] { gen1(14, "50,1000"); }, "generation 1 velocity factor 0.1");
  ExpectDamaged([&] { gen1(14, "250000,8000"); }, "generation 1 loss of 25 dB/ft");

  auto gen2 = [](std::size_t line, const std::string &text) {
    auto L = Gen23Header("10,20,5", "3,4,2");
    L.resize(15);
    for (int k = 0; k < 238; ++k)
      L.push_back("-1000000,3142");
    L[line] = text;
    TmoxDocument doc;
    BuildFromAnalyzerReply(doc, "x", L, Context(Day(2001, 12, 1)));
  };
  gen2(7, "170000,220000"); // the plausible reply builds
  ExpectDamaged([&] { gen2(7, "220000,170000"); }, "generation 2 start above stop");
  ExpectDamaged([&] { gen2(7, "170000,990000"); }, "generation 2 stop above the band");
  ExpectDamaged([&] { gen2(8, "1,-500,4500"); }, "generation 2 negative start distance");
  ExpectDamaged([&] { gen2(10, "\"RG-8\",1500,120"); }, "generation 2 velocity factor 0.15");
  ExpectDamaged([&] { gen2(15 + 100, "-1000000,9000"); }, "generation 2 angle");
}
