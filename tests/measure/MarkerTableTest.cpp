// The marker table: the marked point's conversions, signed deltas, and
// which markers make rows.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "measure/Convert.h"
#include "measure/MarkerTable.h"
#include "measure/ViewMath.h"

using namespace korv;

namespace {
TTraceDoc Document(int unit = suReturnLoss) {
  TTraceDoc d;
  d.ScaleUnit = static_cast<std::uint8_t>(unit);
  for (int k = 0; k < 2; ++k) {
    TTraceData t;
    t.NumPoints = 21;
    for (int j = 0; j < 21; ++j) {
      t.Freq.push_back(1700.0 + 10.0 * j);
      t.Mag.push_back(-5.0 - 0.5 * j - 10.0 * k);
      t.Angle.push_back(-170.0 + 17.0 * j);
      t.DistAxis.push_back(0.5 * j);
      t.DistMag.push_back(-30.0 + j);
    }
    for (TMarkerSet *set : {&t.ActiveMarks, &t.FreqMarks, &t.DistMarks})
      for (auto &m : *set)
        m = TMarkerSlot{0, -1, false, kRefNone, 0};
    d.AddTrace(t);
  }
  return d;
}

// Z from Gamma = a + jb written out in real arithmetic.
std::pair<double, double> Impedance(double rho, double degrees) {
  const double a = rho * std::cos(degrees * std::numbers::pi / 180.0);
  const double b = rho * std::sin(degrees * std::numbers::pi / 180.0);
  const double den = (1.0 - a) * (1.0 - a) + b * b;
  return {50.0 * (1.0 - a * a - b * b) / den, 50.0 * 2.0 * b / den};
}
} // namespace

TEST(MarkerTable, ReflectionColumnsAgreeWithGammaInEveryUnit) {
  for (int unit : {suReturnLoss, suVSWR, suRho, suMRho}) {
    SCOPED_TRACE(unit);
    TTraceDoc d = Document();
    const double rl = d.Traces[0].Mag[7]; // -8.5 dB
    const double rho = std::pow(10.0, rl / 20.0);
    for (int i = 0; i < d.TraceCount(); ++i)
      ConvertArray(d.Traces[i].Mag, suReturnLoss, unit);
    d.ScaleUnit = static_cast<std::uint8_t>(unit);
    d.Traces[0].ActiveMarks[2] = TMarkerSlot{1, 7, false, kRefNone, 0};
    const auto rows = MarkerTableRows(d, pmFrequency, TMarkSource::Active);
    ASSERT_EQ(rows.size(), 1U);
    const TMarkerRow &r = rows[0];
    EXPECT_EQ(r.Trace, 0);
    EXPECT_EQ(r.Slot, 2);
    EXPECT_DOUBLE_EQ(r.X, 1770.0);
    EXPECT_DOUBLE_EQ(r.Value, d.Traces[0].Mag[7]);
    EXPECT_NEAR(*r.Gamma, rho, 1e-9);
    EXPECT_NEAR(*r.ReturnLoss, rl, 1e-9);
    EXPECT_NEAR(*r.Vswr, (1 + rho) / (1 - rho), 1e-9);
    const auto [R, X] = Impedance(rho, -170.0 + 17.0 * 7);
    EXPECT_NEAR(*r.R, R, 1e-9);
    EXPECT_NEAR(*r.Xs, X, 1e-9);
  }
}

TEST(MarkerTable, DeltasAreSignedAndRowsAreShownMarkersOnly) {
  TTraceDoc d = Document();
  TMarkerSet &m = d.Traces[1].ActiveMarks;
  m[0] = TMarkerSlot{1, 10, false, kRefNone, 0};
  m[1] = TMarkerSlot{1, 4, true, 0, 0};              // left of and above M1
  m[2] = TMarkerSlot{1, 12, true, kRefLimitLine, 1}; // against the limit
  m[3] = TMarkerSlot{0, 5, false, kRefNone, 0};      // hidden
  m[4] = TMarkerSlot{1, 99, false, kRefNone, 0};     // beyond the trace
  d.FreqLimitValue = -20.0;
  auto rows = MarkerTableRows(d, pmFrequency, TMarkSource::Active);
  ASSERT_EQ(rows.size(), 3U);
  EXPECT_EQ(rows[1].Reference, "M1");
  EXPECT_DOUBLE_EQ(*rows[1].DeltaX, -60.0);
  EXPECT_DOUBLE_EQ(*rows[1].DeltaValue, 3.0);
  EXPECT_EQ(rows[2].Reference, "Limit");
  EXPECT_FALSE(rows[2].DeltaX.has_value());
  EXPECT_DOUBLE_EQ(*rows[2].DeltaValue, -21.0 - -20.0);
  // An unplaced limit line gives no delta; one trace only when asked.
  d.FreqLimitValue = kUnplacedLimit;
  rows = MarkerTableRows(d, pmFrequency, TMarkSource::Active, 1);
  EXPECT_EQ(rows.size(), 3U);
  EXPECT_FALSE(rows[2].DeltaValue.has_value());
  EXPECT_TRUE(MarkerTableRows(d, pmFrequency, TMarkSource::Active, 0).empty());
  // The text: a header and one line per row, signed cells.
  const std::string text = MarkerTableText(d, pmFrequency, rows, '\t');
  EXPECT_EQ(text.substr(0, text.find('\n')),
            "Trace\tMarker\tFrequency (MHz)\tValue (dB)\tRL (dB)\tVSWR\t|Gamma|\tR (Ohm)\tX (Ohm)\tReference\t"
            "Delta (MHz)\tDelta (dB)");
  EXPECT_NE(text.find("\tM2\t1740.0000\t-17.000\t-17.00\t"), std::string::npos);
  EXPECT_NE(text.find("\tM1\t-60.0000\t+3.000\n"), std::string::npos);
}

TEST(MarkerTable, DistanceViewAndStoredSetsAndCableLoss) {
  TTraceDoc d = Document();
  d.DistUnit = duFeet;
  d.Traces[0].DistMarks[0] = TMarkerSlot{1, 6, false, kRefNone, 0};
  d.Traces[0].DistMarks[1] = TMarkerSlot{1, 2, true, 0, 0};
  d.Traces[0].FreqMarks[0] = TMarkerSlot{1, 3, false, kRefNone, 0};
  auto rows = MarkerTableRows(d, pmDistance, TMarkSource::Stored);
  ASSERT_EQ(rows.size(), 2U);
  EXPECT_DOUBLE_EQ(rows[0].X, 3.0);
  EXPECT_DOUBLE_EQ(rows[0].Value, -24.0);
  EXPECT_FALSE(rows[0].Gamma.has_value()); // a distance result is no reflection
  EXPECT_DOUBLE_EQ(*rows[1].DeltaX, -2.0);
  EXPECT_EQ(MarkerTableHeader(d, pmDistance)[2], "Distance (ft)");
  EXPECT_EQ(MarkerTableHeader(d, pmDistance).size(), 7U);
  // The active set is not the stored one.
  EXPECT_TRUE(MarkerTableRows(d, pmDistance, TMarkSource::Active).empty());
  rows = MarkerTableRows(d, pmFrequency, TMarkSource::Stored);
  ASSERT_EQ(rows.size(), 1U);
  // Cable loss shows the graph's series; the reflection is the point's own.
  d.ScaleUnit = suCableLoss;
  rows = MarkerTableRows(d, pmFrequency, TMarkSource::Stored);
  ASSERT_EQ(rows.size(), 1U);
  EXPECT_DOUBLE_EQ(rows[0].Value, static_cast<double>(CableLossSeries(d.Traces[0].Mag, 21)[3]));
  EXPECT_GT(rows[0].Value, -5.0); // about half the return loss
  EXPECT_NEAR(*rows[0].ReturnLoss, -6.5, 1e-9);
}
