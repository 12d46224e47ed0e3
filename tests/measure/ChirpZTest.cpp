#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <random>

#include "core/Excption.h"
#include "measure/ChirpZ.h"
#include "measure/Convert.h"

namespace korv {
namespace {

using Complex = std::complex<double>;
constexpr long double kTwoPi = 6.283185307179586476925286766559L;

std::vector<Complex> RandomSweep(std::size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> mag(0.0, 1.0), ph(-std::numbers::pi, std::numbers::pi);
  std::vector<Complex> x(n);
  for (auto &v : x)
    v = std::polar(mag(rng), ph(rng));
  return x;
}

// z[k] = (1/N) sum x[n] exp(+i 2 pi n (gamma + beta k / (N-1))), phases reduced exactly.
Complex DirectZ(const std::vector<Complex> &x, long double gamma, long double beta, std::size_t k) {
  const std::size_t n = x.size();
  const long double a = gamma + beta * static_cast<long double>(k) / static_cast<long double>(n - 1);
  long double re = 0, im = 0;
  for (std::size_t i = 0; i < n; ++i) {
    long double turns = std::fmod(static_cast<long double>(i) * a, 1.0L);
    const long double c = std::cos(kTwoPi * turns), s = std::sin(kTwoPi * turns);
    re += x[i].real() * c - x[i].imag() * s;
    im += x[i].real() * s + x[i].imag() * c;
  }
  return {static_cast<double>(re / n), static_cast<double>(im / n)};
}

TEST(ChirpZ, FftLengthIsTheSmallestPowerOfTwoAboveTwiceN) {
  EXPECT_EQ(ChirpZLength(238), 512);
  EXPECT_EQ(ChirpZLength(256), 1024);
  EXPECT_EQ(ChirpZLength(949), 2048);
  EXPECT_EQ(ChirpZLength(11265), 32768);
  EXPECT_EQ(ChirpZLength(2), 8);
  EXPECT_EQ(ChirpZLength(kMaxChirpZPoints), 32768);
  EXPECT_THROW(ChirpZLength(kMaxChirpZPoints + 1), EmoxChirpZError);
}

TEST(ChirpZ, ComplexFftMatchesTheDefinitionAndInverts) {
  for (std::size_t m : {1u, 2u, 4u, 8u, 16u, 64u, 1024u}) {
    const auto x = RandomSweep(m, static_cast<unsigned>(m));
    auto a = x;
    ComplexFFT(a, -1);
    double worst = 0.0;
    for (std::size_t k = 0; k < m; ++k) {
      Complex ref = 0;
      for (std::size_t n = 0; n < m; ++n)
        ref +=
            x[n] * std::polar(1.0, -2.0 * std::numbers::pi * static_cast<double>((n * k) % m) / static_cast<double>(m));
      worst = std::max(worst, std::abs(ref - a[k]));
    }
    EXPECT_LT(worst, 1e-11 * static_cast<double>(m)) << m;
    ComplexFFT(a, +1);
    for (std::size_t k = 0; k < m; ++k)
      EXPECT_LT(std::abs(a[k] - x[k]), 1e-13) << m;
  }
  std::vector<Complex> bad(12);
  EXPECT_THROW(ComplexFFT(bad, -1), EmoxChirpZError);
  std::vector<Complex> none;
  EXPECT_THROW(ComplexFFT(none, -1), EmoxChirpZError);
}

TEST(ChirpZ, ZoomedTransformAgreesWithTheDirectSum) {
  struct Zoom {
    double gamma, beta;
  } zooms[] = {{0.0, 1.0}, {0.0357, 0.3712}, {0.41, -0.27}, {-0.2, 2.5}, {0.0, 0.0}};
  for (std::size_t n : {2u, 3u, 238u, 256u, 517u, 949u, 11265u}) {
    const auto x = RandomSweep(n, static_cast<unsigned>(n) + 7);
    for (const auto &zm : zooms) {
      const auto z = ZoomedInverseDFT(x, zm.gamma, zm.beta);
      ASSERT_EQ(z.size(), n);
      // The full sum for every k where that is cheap, a spread of k otherwise.
      const std::size_t stride = n > 1000 ? n / 37 : 1;
      std::vector<std::size_t> ks;
      for (std::size_t k = 0; k < n; k += stride)
        ks.push_back(k);
      ks.push_back(n - 1);
      std::vector<Complex> ref;
      double scale = 0.0;
      for (auto k : ks) {
        ref.push_back(DirectZ(x, zm.gamma, zm.beta, k));
        scale = std::max(scale, std::abs(ref.back()));
      }
      double worst = 0.0;
      for (std::size_t i = 0; i < ks.size(); ++i)
        worst = std::max(worst, std::abs(z[ks[i]] - ref[i]));
      EXPECT_LE(worst, 1e-9 * scale) << "N=" << n << " gamma=" << zm.gamma << " beta=" << zm.beta;
    }
  }
}

// Plans are kept per thread for the last few (N, gamma, beta): a kept plan
// must only ever serve its own parameters, whatever came between.
TEST(ChirpZ, KeptPlansServeOnlyTheirOwnParameters) {
  struct Call {
    std::size_t n;
    double gamma, beta;
  } calls[] = {{238, 0.0, 1.0}, {238, 0.0, 0.5}, {949, 0.0, 1.0}, {238, 0.1, 1.0}, {238, 0.0, 1.0},
               {512, 0.2, 0.3}, {239, 0.0, 1.0}, {238, 0.0, 0.5}, {949, 0.0, 1.0}, {238, 0.0, 1.0}};
  unsigned seed = 1;
  for (int round = 0; round < 2; ++round) {
    for (const Call &c : calls) {
      const auto x = RandomSweep(c.n, ++seed);
      const auto z = ZoomedInverseDFT(x, c.gamma, c.beta);
      ASSERT_EQ(z.size(), c.n);
      for (std::size_t k : {std::size_t{0}, c.n / 3, c.n - 1}) {
        const Complex ref = DirectZ(x, c.gamma, c.beta, k);
        EXPECT_LE(std::abs(z[k] - ref), 1e-9 * std::max(1.0, std::abs(ref))) << c.n << " " << c.gamma << " " << c.beta;
      }
    }
  }
}

TEST(ChirpZ, ZoomedTransformRefusesWhatItCannotDo) {
  EXPECT_THROW(ZoomedInverseDFT(std::vector<Complex>(1), 0.0, 1.0), EmoxChirpZError);
  EXPECT_THROW(ZoomedInverseDFT(std::vector<Complex>(kMaxChirpZPoints + 1), 0.0, 1.0), EmoxChirpZError);
  EXPECT_THROW(ZoomedInverseDFT(std::vector<Complex>(8), NAN, 1.0), EmoxChirpZError);
  std::vector<Complex> x(8, Complex(1.0, 0.0));
  x[3] = Complex(INFINITY, 0.0);
  EXPECT_THROW(ZoomedInverseDFT(x, 0.0, 1.0), EmoxChirpZError);
}

TEST(ApplyWindow, CoefficientsAndShape) {
  const int n = 101;
  for (int type = 0; type <= 4; ++type) {
    std::vector<double> w(n, 1.0);
    ApplyWindow(n, type, w);
    double mean = 0.0;
    for (double v : w)
      mean += v;
    mean /= n;
    EXPECT_NEAR(mean, 1.0, 0.02) << type;
    EXPECT_NEAR(w[0], w[n - 1], 1e-6) << type; // symmetric
    if (type == 0 || type == 4) {
      for (double v : w)
        EXPECT_EQ(v, 1.0);
    } else {
      EXPECT_GT(w[n / 2], 1.5) << type; // tapered: the middle carries the weight
      EXPECT_LT(w[0], 0.2) << type;
    }
  }
  std::vector<double> h(n, 1.0);
  ApplyWindow(n, wtSlight, h);
  EXPECT_NEAR(h[0], (0.54348F - 0.45652F) / 0.54348F, 1e-7);
  EXPECT_NEAR(h[50], (0.54348F + 0.45652F) / 0.54348F, 1e-6);
  std::vector<double> shortArray(10, 1.0);
  EXPECT_THROW(ApplyWindow(11, wtHeavy, shortArray), EmoxChirpZError);
}

TEST(MaxDistance, ValuesAndUndefinedSweeps) {
  EXPECT_NEAR(MaxDistance(238, false, 1.0, 25'000'000.0), 6.0, 1e-12);
  EXPECT_NEAR(MaxDistance(238, true, 1.0, 25'000'000.0), 19.68503937, 1e-8);
  EXPECT_NEAR(MaxDistance(238, false, 4.0, 25'000'000.0), 3.0, 1e-12);
  EXPECT_EQ(MaxDistance(1, false, 1.0, 25'000'000.0), 1e12);
  EXPECT_EQ(MaxDistance(238, false, 1.0, 0.0), 1e12);
  EXPECT_EQ(MaxDistance(238, false, 0.0, 25'000'000.0), 1e12);
}

// ---- the whole transform --------------------------------------------------

struct Sweep {
  std::vector<double> rho, angle;
};

Sweep FromComplex(const std::vector<Complex> &x) {
  Sweep s;
  for (const auto &v : x) {
    s.rho.push_back(std::abs(v));
    s.angle.push_back(std::arg(v) * 180.0 / std::numbers::pi);
  }
  return s;
}

TDistanceParams Params(float start, float stop, float maxDist, int window, float loss = 0.0F) {
  TDistanceParams p;
  p.StartDist = start;
  p.StopDist = stop;
  p.MaxDist = maxDist;
  p.Smoothing = static_cast<std::uint8_t>(window);
  p.Loss = loss;
  return p;
}

TEST(ComputeDTF, AgreesWithTheDirectSumForEveryWindowAndZoom) {
  for (int n : {2, 3, 238, 256, 517, 949, 11265}) {
    const auto x = RandomSweep(static_cast<std::size_t>(n), static_cast<unsigned>(n) * 3);
    const Sweep s = FromComplex(x);
    for (int window = 0; window <= 3; ++window) {
      for (const auto &p : {Params(0.0F, 104.3F, 104.3F, window), Params(3.7F, 41.3F, 104.3F, window),
                            Params(60.0F, 12.5F, 104.3F, window)}) {
        TrsDynDouble dist, out;
        ComputeDTF(s.rho, s.angle, dist, p, suRho, n, out);
        ASSERT_EQ(out.size(), static_cast<std::size_t>(n));
        // Reference: window the magnitudes, sum directly, clamp as the display does.
        std::vector<double> w(s.rho);
        ApplyWindow(n, window, w);
        std::vector<Complex> xw(static_cast<std::size_t>(n));
        for (std::size_t i = 0; i < xw.size(); ++i)
          xw[i] = std::polar(w[i], std::arg(x[i]));
        const double gamma = static_cast<double>(p.StartDist) / p.MaxDist;
        const double beta = (static_cast<double>(p.StopDist) - p.StartDist) / p.MaxDist;
        double worst = 0.0, scale = 0.0;
        const int stride = n > 5000 ? 401 : n > 300 ? 7 : 1; // a spread of distances keeps the long sums quick
        for (int k = 0; k < n; k += stride) {
          const double r = std::abs(DirectZ(xw, gamma, beta, static_cast<std::size_t>(k)));
          const double expected = std::clamp(r, 1e-5, 0.998);
          scale = std::max(scale, expected);
          worst = std::max(worst, std::abs(out[static_cast<std::size_t>(k)] - expected));
        }
        EXPECT_LE(worst, 1e-9 * scale) << "N=" << n << " window=" << window << " start=" << p.StartDist;
        EXPECT_DOUBLE_EQ(dist.front(), p.StartDist);
        EXPECT_NEAR(dist.back(), p.StopDist, 1e-9 * 104.3);
      }
    }
  }
}

TEST(ComputeDTF, EveryInputUnitGivesTheSameResult) {
  const int n = 238;
  // Magnitudes well inside the VSWR clamps, so the input conversions are exact.
  Sweep s = FromComplex(RandomSweep(n, 99));
  for (double &r : s.rho)
    r = 0.05 + 0.9 * r;
  const TDistanceParams p = Params(0.0F, 50.0F, 104.3F, wtModerate, 0.02F);
  TrsDynDouble dist, ref;
  ComputeDTF(s.rho, s.angle, dist, p, suRho, n, ref);
  for (int unit : {suReturnLoss, suVSWR, suMRho, suCableLoss}) {
    TrsDynDouble data = s.rho;
    ConvertArray(data, suRho, unit);
    const TrsDynDouble original = data;
    TrsDynDouble out;
    ComputeDTF(data, s.angle, dist, p, unit, n, out);
    EXPECT_EQ(data, original) << "input modified";
    for (int k = 0; k < n; ++k) {
      double expected = ref[static_cast<std::size_t>(k)];
      ConvertValue(expected, suRho, unit);
      EXPECT_NEAR(out[static_cast<std::size_t>(k)], expected, 1e-7 * std::max(1.0, std::fabs(expected))) << unit;
    }
  }
}

TEST(ComputeDTF, ReflectionsLandWhereTheyBelong) {
  const int n = 238;
  // Every x[n] equal: a reflection at distance 0.
  std::vector<double> mag(n, 0.5), ang(n, 0.0);
  TrsDynDouble dist, out;
  ComputeDTF(mag, ang, dist, Params(0.0F, 30.0F, 100.0F, wtNone), suRho, n, out);
  EXPECT_EQ(std::max_element(out.begin(), out.end()) - out.begin(), 0);
  EXPECT_NEAR(out[0], 0.5, 1e-12);

  // Magnitude 1 exactly at sample k = 100 of the window 0..50 with MaxDist 100.
  const double dk = 100.0 * 50.0 / (n - 1);
  for (int i = 0; i < n; ++i)
    ang[static_cast<std::size_t>(i)] = std::remainder(-360.0 * i * dk / 100.0, 360.0);
  std::vector<double> one(n, 1.0);
  ComputeDTF(one, ang, dist, Params(0.0F, 50.0F, 100.0F, wtNone), suRho, n, out);
  EXPECT_EQ(std::max_element(out.begin(), out.end()) - out.begin(), 100);
  EXPECT_NEAR(out[100], 1.0, 1e-9);
  const std::vector<double> zeroDb(n, 0.0);
  ComputeDTF(zeroDb, ang, dist, Params(0.0F, 50.0F, 100.0F, wtNone), suReturnLoss, n, out);
  EXPECT_EQ(std::max_element(out.begin(), out.end()) - out.begin(), 100);
  EXPECT_NEAR(out[100], 0.0, 1e-9);
  for (double v : out) {
    EXPECT_LE(v, 0.0);
    EXPECT_GE(v, -100.0);
  }
  // With the cable loss compensated the peak would be positive: it shows VSWR 999.
  ComputeDTF(zeroDb, ang, dist, Params(0.0F, 50.0F, 100.0F, wtNone, 0.1F), suReturnLoss, n, out);
  EXPECT_DOUBLE_EQ(out[100], -0.01739);
  const std::vector<double> vswr999(n, 999.0);
  ComputeDTF(vswr999, ang, dist, Params(0.0F, 50.0F, 100.0F, wtNone, 0.1F), suVSWR, n, out);
  EXPECT_NEAR(out[100], ReturnLossToVswr(-0.01739), 1e-9);
}

TEST(ComputeDTF, LossCompensationAndThreshold) {
  const int n = 256;
  const Sweep s = FromComplex(RandomSweep(n, 5));
  TrsDynDouble dist, plain, comp;
  TDistanceParams p = Params(2.0F, 40.0F, 80.0F, wtSlight);
  p.Threshold = -1000.0F; // no floor, so the compensation shows in full
  ComputeDTF(s.rho, s.angle, dist, p, suReturnLoss, n, plain);
  p.Loss = 0.01F;
  ComputeDTF(s.rho, s.angle, dist, p, suReturnLoss, n, comp);
  for (int k = 0; k < n; ++k) {
    const double expected =
        std::min(plain[static_cast<std::size_t>(k)] + 2.0 * 0.01F * dist[static_cast<std::size_t>(k)], -0.01739);
    EXPECT_NEAR(comp[static_cast<std::size_t>(k)], expected, 1e-6);
  }
  p.Threshold = -12.0F;
  ComputeDTF(s.rho, s.angle, dist, p, suReturnLoss, n, comp);
  for (double v : comp)
    EXPECT_GE(v, -12.0);
}

TEST(ComputeDTF, FailuresKeepThePreviousResult) {
  const int n = 16;
  std::vector<double> mag(n, 0.1), ang(n, 10.0);
  TrsDynDouble dist{1.0}, out{2.0};
  const auto keep = [&] {
    EXPECT_EQ(dist, TrsDynDouble{1.0});
    EXPECT_EQ(out, TrsDynDouble{2.0});
  };
  const TDistanceParams p = Params(0.0F, 10.0F, 20.0F, wtNone);
  EXPECT_THROW(ComputeDTF(mag, ang, dist, p, suRho, 1, out), EmoxChirpZError);
  EXPECT_THROW(ComputeDTF(mag, ang, dist, p, suRho, n + 1, out), EmoxChirpZError); // arrays too short
  EXPECT_THROW(ComputeDTF(mag, ang, dist, Params(0.0F, 10.0F, 0.0F, wtNone), suRho, n, out), EmoxChirpZError);
  EXPECT_THROW(ComputeDTF(mag, ang, dist, p, 5, n, out), EmoxChirpZError);
  std::vector<double> vswr(n, 1.5);
  vswr[7] = -2.0; // below -1: no Rho
  try {
    ComputeDTF(vswr, ang, dist, p, suVSWR, n, out);
    FAIL();
  } catch (const EmoxRhoRangeErr &e) {
    EXPECT_STREQ(e.what(), "Rho value out of range.");
  }
  vswr[7] = -1.0; // division by zero
  EXPECT_THROW(ComputeDTF(vswr, ang, dist, p, suVSWR, n, out), EmoxChirpZError);
  ang[3] = NAN;
  EXPECT_THROW(ComputeDTF(mag, ang, dist, p, suRho, n, out), EmoxChirpZError);
  keep();

  TTraceData t;
  t.NumPoints = n;
  t.Mag.assign(n, -10.0);
  t.Angle.assign(n, 0.0);
  t.DistMag = {7.0};
  t.MaxDist = 0.0F;
  EXPECT_THROW(ComputeTraceDTF(t, suReturnLoss), EmoxChirpZError);
  EXPECT_EQ(t.DistMag, TrsDynDouble{7.0});
  t.MaxDist = 20.0F;
  t.StopDist = 20.0F;
  ComputeTraceDTF(t, suReturnLoss);
  EXPECT_EQ(t.DistMag.size(), static_cast<std::size_t>(n));
  EXPECT_EQ(t.DistAxis.size(), static_cast<std::size_t>(n));
}

} // namespace
} // namespace korv
