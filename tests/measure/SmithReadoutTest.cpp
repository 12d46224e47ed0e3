// The Smith chart's readout at a point of a trace, against the textbook
// relations worked out here from the stored magnitude and angle, and the
// nearest point of a trace to a position on the chart.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "measure/SmithReadout.h"

using namespace korv;

namespace {

// One trace of the given unit: magnitudes and angles in degrees.
TTraceDoc Document(int unit, const std::vector<double> &mag, const std::vector<double> &angle) {
  TTraceDoc d;
  d.ScaleUnit = static_cast<std::uint8_t>(unit);
  TTraceData t;
  t.NumPoints = static_cast<int>(mag.size());
  for (std::size_t j = 0; j < mag.size(); ++j) {
    t.Freq.push_back(100.0 + 2.5 * static_cast<double>(j));
    t.Mag.push_back(mag[j]);
    t.Angle.push_back(angle[j]);
  }
  d.AddTrace(t);
  return d;
}

std::complex<double> GammaOf(double rho, double degrees) {
  const double a = degrees * std::numbers::pi / 180.0;
  return {rho * std::cos(a), rho * std::sin(a)};
}

} // namespace

TEST(SmithReadout, ValuesFollowFromGammaInEveryUnit) {
  struct Case {
    int Unit;
    double Value, Rho;
  };
  // Return loss, VSWR, Rho and mRho name the same |Gamma| = 0.3 or 0.05.
  const Case cases[] = {{suReturnLoss, 20.0 * std::log10(0.3), 0.3},
                        {suVSWR, 1.3 / 0.7, 0.3},
                        {suRho, 0.05, 0.05},
                        {suMRho, 50.0, 0.05},
                        {suCableLoss, 20.0 * std::log10(0.3), 0.3}};
  for (const Case &c : cases) {
    for (double deg : {-135.0, -20.0, 0.0, 75.0, 180.0, 270.0}) {
      const TTraceDoc d = Document(c.Unit, {c.Value, c.Value}, {0.0, deg});
      const auto r = SmithReadoutAt(d, 0, 1);
      ASSERT_TRUE(r) << c.Unit << " " << deg;
      const std::complex<double> g = GammaOf(c.Rho, deg);
      const std::complex<double> z = 50.0 * (1.0 + g) / (1.0 - g);
      EXPECT_DOUBLE_EQ(r->FreqMHz, 102.5);
      EXPECT_NEAR(r->R, z.real(), 1e-9) << c.Unit << " " << deg;
      EXPECT_NEAR(r->X, z.imag(), 1e-9) << c.Unit << " " << deg;
      EXPECT_NEAR(r->GammaMag, c.Rho, 1e-12);
      // The angle is read out within -180 .. 180: 270 degrees is -90.
      const double shown = deg > 180.0 ? deg - 360.0 : deg;
      EXPECT_NEAR(std::remainder(r->GammaDeg - shown, 360.0), 0.0, 1e-9) << deg;
      EXPECT_NEAR(r->Vswr, (1.0 + c.Rho) / (1.0 - c.Rho), 1e-9);
      EXPECT_FALSE(r->Open);
    }
  }
}

TEST(SmithReadout, EdgesOfTheChartAndPointsWithoutAReflection) {
  // Full reflection at 0 degrees is an open circuit: no finite impedance.
  const TTraceDoc open = Document(suRho, {1.0, 0.0, 1.0, 3.0}, {0.0, 45.0, 180.0, 0.0});
  auto r = SmithReadoutAt(open, 0, 0);
  ASSERT_TRUE(r);
  EXPECT_TRUE(r->Open);
  EXPECT_NEAR(r->GammaMag, 1.0, 1e-12);
  EXPECT_NE(SmithReadoutText(*r).find("open"), std::string::npos);
  // A match is the centre: 50 ohms whatever the angle.
  r = SmithReadoutAt(open, 0, 1);
  ASSERT_TRUE(r);
  EXPECT_NEAR(r->R, 50.0, 1e-9);
  EXPECT_NEAR(r->X, 0.0, 1e-9);
  EXPECT_NEAR(r->Vswr, 1.0, 1e-4);
  // A short circuit.
  r = SmithReadoutAt(open, 0, 2);
  ASSERT_TRUE(r);
  EXPECT_NEAR(r->R, 0.0, 1e-9);
  // Rho 3 is no reflection: the chart leaves a gap and reads nothing out.
  EXPECT_FALSE(SmithReadoutAt(open, 0, 3));
  EXPECT_FALSE(SmithReadoutAt(open, 0, 4));
  EXPECT_FALSE(SmithReadoutAt(open, 1, 0));
  EXPECT_FALSE(SmithReadoutAt(open, 0, -1));
  EXPECT_FALSE(TraceGammas(open, 0)[3]);
}

TEST(SmithReadout, TextShowsTheSignOfTheReactance) {
  // 50 (1 + G) / (1 - G) for G = 0.2 j: 46.154 + j19.231 ohms.
  const std::string up = SmithReadoutText(SmithReadoutOf(146.25, {0.0, 0.2}));
  EXPECT_EQ(up, " 146.250 MHz     46.15 + j19.23  \u03A9   |\u0393| 0.2000 \u2220   90.0\u00B0   VSWR 1.500");
  const std::string down = SmithReadoutText(SmithReadoutOf(146.25, {0.0, -0.2}));
  EXPECT_NE(down.find("46.15 - j19.23"), std::string::npos) << down;
  EXPECT_NE(down.find("-90.0"), std::string::npos) << down;
}

TEST(SmithReadout, NearestPointSkipsGaps) {
  const std::vector<std::optional<std::complex<double>>> g = {
      std::complex<double>(0.5, 0.0), std::nullopt, std::complex<double>(-0.5, 0.1), std::complex<double>(0.0, 0.6)};
  EXPECT_EQ(NearestGammaPoint({0.45, 0.05}, g), 0);
  EXPECT_EQ(NearestGammaPoint({-0.2, 0.0}, g), 2);
  EXPECT_EQ(NearestGammaPoint({0.1, 0.9}, g), 3);
  // The gap lies right under the position; it is never picked.
  const std::vector<std::optional<std::complex<double>>> gapped = {std::complex<double>(0.9, 0.0), std::nullopt};
  EXPECT_EQ(NearestGammaPoint({0.0, 0.0}, gapped), 0);
  EXPECT_EQ(NearestGammaPoint({0.0, 0.0}, {std::nullopt, std::nullopt}), -1);
  EXPECT_EQ(NearestGammaPoint({0.0, 0.0}, {}), -1);
}
