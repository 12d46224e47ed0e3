#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "core/Excption.h"
#include "measure/Convert.h"
#include "measure/FaultEvents.h"
#include "measure/Verdicts.h"

namespace korv {
namespace {

TTraceDoc DocWith(int unit, const std::vector<double> &db) {
  TTraceDoc doc;
  doc.ScaleUnit = static_cast<std::uint8_t>(unit);
  TTraceData &t = doc.Traces[doc.AddTrace()];
  t.NumPoints = static_cast<int>(db.size());
  for (std::size_t k = 0; k < db.size(); ++k)
    t.Freq.push_back(1700.0 + 10.0 * static_cast<double>(k));
  t.Mag = db;
  ConvertArray(t.Mag, suReturnLoss, unit);
  return doc;
}

TEST(Verdicts, WorstPointIsTheLargestReflectionInEveryUnit) {
  const std::vector<double> db{-22.0, -16.5, -13.2, -19.0, -13.2};
  for (const int unit : {int{suReturnLoss}, int{suVSWR}, int{suRho}, int{suMRho}, int{suCableLoss}}) {
    const TTraceDoc doc = DocWith(unit, db);
    const TTraceVerdict v = JudgeTraceFrequency(doc, doc.Traces[0], std::nullopt);
    EXPECT_EQ(v.Worst.Index, 2) << unit; // the first of two equal worst points
    EXPECT_DOUBLE_EQ(v.Worst.X, 1720.0);
    EXPECT_EQ(v.Verdict, TVerdict::None) << "no limit, no verdict";
    EXPECT_FALSE(v.Limit);
  }
}

// A trace touching the limit passes, one point a readout digit above fails,
// and the VSWR copy of each document says the same as its return loss one.
TEST(Verdicts, TouchingPassesAboveFailsAndUnitsAgree) {
  struct Case {
    std::vector<double> Db;
    TVerdict Expected;
  };
  const Case cases[] = {
      {{-20.0, -14.0, -18.0}, TVerdict::Pass},
      {{-20.0, -13.996, -18.0}, TVerdict::Pass}, // shows as -14.00
      {{-20.0, -13.99, -18.0}, TVerdict::Fail},  // shows as -13.99
      {{-20.0, -14.2, -10.0}, TVerdict::Fail},   // the last point alone
      {{-30.0, -25.0, -30.0}, TVerdict::Pass},
  };
  for (const auto &c : cases)
    for (const int unit : {int{suReturnLoss}, int{suVSWR}, int{suRho}, int{suMRho}}) {
      TTraceDoc doc = DocWith(unit, c.Db);
      const TTraceVerdict given = JudgeTraceFrequency(doc, doc.Traces[0], -14.0);
      EXPECT_EQ(given.Verdict, c.Expected) << "unit " << unit << " worst " << given.Worst.Value;
      ASSERT_TRUE(given.Limit);
      EXPECT_NEAR(*given.Limit, FromReturnLossDb(-14.0, unit), 1e-9);
      // The document's own limit line, in its unit, wins over the given one.
      doc.FreqLimitMode = 1;
      doc.FreqLimitValue = FromReturnLossDb(-14.0, unit);
      EXPECT_EQ(JudgeTraceFrequency(doc, doc.Traces[0], -40.0).Verdict, c.Expected) << unit;
    }
}

TEST(Verdicts, DocumentLimitOnlyWhenOnAndPlaced) {
  TTraceDoc doc = DocWith(suReturnLoss, {-20.0, -15.0});
  doc.FreqLimitMode = 0;
  doc.FreqLimitValue = -10.0;
  EXPECT_FALSE(DocumentFreqLimit(doc));
  doc.FreqLimitMode = 1;
  doc.FreqLimitValue = kUnplacedLimit;
  EXPECT_FALSE(DocumentFreqLimit(doc));
  EXPECT_EQ(JudgeTraceFrequency(doc, doc.Traces[0], -16.0).Verdict, TVerdict::Fail);
  doc.FreqLimitValue = -10.0;
  EXPECT_EQ(JudgeTraceFrequency(doc, doc.Traces[0], -16.0).Verdict, TVerdict::Pass);
}

TEST(Verdicts, ACableLossLimitJudgesTheReturnLossItStandsFor) {
  // Placed at -8 in the cable-loss view: the line of a -16 dB return loss.
  TTraceDoc doc = DocWith(suCableLoss, {-20.0, -17.0});
  doc.FreqLimitMode = 1;
  doc.FreqLimitValue = -8.0;
  EXPECT_EQ(JudgeTraceFrequency(doc, doc.Traces[0], std::nullopt).Verdict, TVerdict::Pass);
  doc.FreqLimitValue = -9.0;
  EXPECT_EQ(JudgeTraceFrequency(doc, doc.Traces[0], std::nullopt).Verdict, TVerdict::Fail);
}

TEST(Verdicts, DistanceDomainAgainstTheDistanceLimit) {
  TTraceDoc doc = DocWith(suVSWR, {-20.0});
  TTraceData &t = doc.Traces[0];
  t.DistAxis = {0.0, 1.5, 3.0, 4.5};
  t.DistMag = {-45.0, -28.0, -33.0, -50.0};
  ConvertArray(t.DistMag, suReturnLoss, suVSWR);
  doc.DistLimitMode = 1;
  doc.DistLimitValue = FromReturnLossDb(-30.0, suVSWR);
  const TTraceVerdict v = JudgeTraceDistance(doc, t, std::nullopt);
  EXPECT_EQ(v.Verdict, TVerdict::Fail);
  EXPECT_DOUBLE_EQ(v.Worst.X, 1.5);
  doc.DistLimitValue = FromReturnLossDb(-25.0, suVSWR);
  EXPECT_EQ(JudgeTraceDistance(doc, t, std::nullopt).Verdict, TVerdict::Pass);
  // A trace without points has no worst point and no verdict.
  TTraceData empty;
  EXPECT_EQ(JudgeTraceDistance(doc, empty, std::nullopt).Verdict, TVerdict::None);
}

TEST(Verdicts, TypedLimitsAreChecked) {
  EXPECT_DOUBLE_EQ(CheckReturnLossLimit(-14.0, "limit"), -14.0);
  EXPECT_DOUBLE_EQ(CheckReturnLossLimit(0.0, "limit"), 0.0);
  EXPECT_THROW(CheckReturnLossLimit(14.0, "limit"), Exception);
  EXPECT_THROW(CheckReturnLossLimit(-101.0, "limit"), Exception);
  EXPECT_THROW(CheckReturnLossLimit(NAN, "limit"), Exception);
  EXPECT_STREQ(VerdictText(TVerdict::Fail), "FAIL");
  EXPECT_STREQ(VerdictText(TVerdict::None), "");
}

} // namespace
} // namespace korv
