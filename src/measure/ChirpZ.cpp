#include "measure/ChirpZ.h"

#include <cmath>
#include <new>
#include <numbers>
#include <stdexcept>

#include "core/Excption.h"
#include "measure/Convert.h"

namespace korv {

namespace {

[[noreturn]] void RaiseChirpZ() { throw EmoxChirpZError(kMsgChirpZ); }

using Complex = std::complex<double>;

// Twiddle factors exp(-i pi k / h) for every stage half-size h, stored at
// [h + k] so that each stage reads one contiguous run. The largest stage is
// computed directly (not by recurrence, so the error stays at rounding level
// for the longest transforms), an eighth of it with the library's cos/sin and
// the rest by the octant symmetries; smaller stages take every 2nd, 4th, ...
// value of it.
std::vector<Complex> ForwardTwiddles(std::size_t m) {
  std::vector<Complex> tw(m);
  if (m < 2) return tw;
  const std::size_t half = m / 2;
  Complex *top = tw.data() + half; // exp(-2 pi i k / m), k < m/2
  const std::size_t quarter = m / 4, eighth = m / 8;
  const double unit = 2.0 * std::numbers::pi / static_cast<double>(m);
  if (m < 8) {
    for (std::size_t k = 0; k < half; ++k)
      top[k] = std::polar(1.0, -unit * static_cast<double>(k));
  } else {
    for (std::size_t k = 0; k <= eighth; ++k) {
      const double a = unit * static_cast<double>(k);
      top[k] = Complex(std::cos(a), -std::sin(a));
    }
    for (std::size_t k = eighth + 1; k <= quarter; ++k) {
      const Complex &r = top[quarter - k];
      top[k] = Complex(-r.imag(), -r.real());
    }
    for (std::size_t k = quarter + 1; k < half; ++k) {
      const Complex &r = top[k - quarter];
      top[k] = Complex(r.imag(), -r.real());
    }
  }
  for (std::size_t h = half / 2, stride = 2; h >= 1; h /= 2, stride *= 2)
    for (std::size_t k = 0; k < h; ++k)
      tw[h + k] = top[k * stride];
  return tw;
}

void BitReverse(double *a, std::size_t m) {
  std::size_t j = 0;
  for (std::size_t i = 0; i < m - 1; ++i) {
    if (i < j) {
      std::swap(a[2 * i], a[2 * j]);
      std::swap(a[2 * i + 1], a[2 * j + 1]);
    }
    std::size_t k = m >> 1;
    while (k <= j) {
      j -= k;
      k >>= 1;
    }
    j += k;
  }
}

// Decimation in time on interleaved re/im doubles. The first two stages are
// fused into one radix-4 pass (their twiddles are 1 and -/+i).
void Transform(Complex *data, std::size_t m, const Complex *twiddles, bool inverse) {
  double *a = reinterpret_cast<double *>(data); // complex<double> is array-compatible
  BitReverse(a, m);
  if (m == 1) return;
  if (m == 2) {
    const double r = a[2], i = a[3];
    a[2] = a[0] - r;
    a[3] = a[1] - i;
    a[0] += r;
    a[1] += i;
  } else {
    const double s = inverse ? 1.0 : -1.0; // sign of the quarter turn
    for (std::size_t b = 0; b < 2 * m; b += 8) {
      const double r0 = a[b], i0 = a[b + 1], r1 = a[b + 2], i1 = a[b + 3];
      const double r2 = a[b + 4], i2 = a[b + 5], r3 = a[b + 6], i3 = a[b + 7];
      const double ar = r0 + r1, ai = i0 + i1, br = r0 - r1, bi = i0 - i1;
      const double cr = r2 + r3, ci = i2 + i3, dr = r2 - r3, di = i2 - i3;
      // d times exp(s i pi / 2)
      const double er = -s * di, ei = s * dr;
      a[b] = ar + cr;
      a[b + 1] = ai + ci;
      a[b + 4] = ar - cr;
      a[b + 5] = ai - ci;
      a[b + 2] = br + er;
      a[b + 3] = bi + ei;
      a[b + 6] = br - er;
      a[b + 7] = bi - ei;
    }
  }
  const double *tw = reinterpret_cast<const double *>(twiddles);
  const double conj = inverse ? -1.0 : 1.0;
  for (std::size_t h = 4; h < m; h <<= 1) {
    const double *w = tw + 2 * h;
    for (std::size_t base = 0; base < m; base += 2 * h) {
      double *lo = a + 2 * base;
      double *hi = lo + 2 * h;
      for (std::size_t k = 0; k < h; ++k) {
        const double wr = w[2 * k], wi = conj * w[2 * k + 1];
        const double xr = hi[2 * k], xi = hi[2 * k + 1];
        const double tr = wr * xr - wi * xi;
        const double ti = wr * xi + wi * xr;
        const double ur = lo[2 * k], ui = lo[2 * k + 1];
        hi[2 * k] = ur - tr;
        hi[2 * k + 1] = ui - ti;
        lo[2 * k] = ur + tr;
        lo[2 * k + 1] = ui + ti;
      }
    }
  }
  if (inverse) {
    const double scale = 1.0 / static_cast<double>(m);
    for (std::size_t i = 0; i < 2 * m; ++i)
      a[i] *= scale;
  }
}

bool IsPowerOfTwo(std::size_t m) { return m != 0 && (m & (m - 1)) == 0; }

} // namespace

TDistanceParams GetDistanceParams(const TTraceData &t) {
  TDistanceParams p;
  p.CableType = t.CableType.str();
  p.Loss = t.Loss;
  p.Dielectric = t.Dielectric;
  p.StartDist = t.StartDist;
  p.StopDist = t.StopDist;
  p.MaxDist = t.MaxDist;
  p.StartFreqHz = t.StartFreqHz;
  p.FreqStepHz = t.FreqStepHz;
  p.Smoothing = t.Smoothing;
  p.Threshold = t.Threshold;
  return p;
}

void SetDistanceParams(TTraceData &t, const TDistanceParams &p) {
  t.CableType = p.CableType.str();
  t.Loss = p.Loss;
  t.Dielectric = p.Dielectric;
  t.StartDist = p.StartDist;
  t.StopDist = p.StopDist;
  t.MaxDist = p.MaxDist;
  t.StartFreqHz = p.StartFreqHz;
  t.FreqStepHz = p.FreqStepHz;
  t.Smoothing = p.Smoothing;
  t.Threshold = p.Threshold;
}

void ApplyWindow(int numPoints, int windowType, std::span<double> x) {
  if (numPoints < 0 || x.size() < static_cast<std::size_t>(numPoints)) RaiseChirpZ();
  float a0 = 1.0F, a1 = 0.0F, a2 = 0.0F, a3 = 0.0F;
  switch (windowType) {
  case wtSlight:
    a0 = 0.54348F;
    a1 = 0.45652F;
    break;
  case wtModerate:
    a0 = 0.42323F;
    a1 = 0.49755F;
    a2 = 0.07922F;
    break;
  case wtHeavy:
    a0 = 0.35875F;
    a1 = 0.48829F;
    a2 = 0.14128F;
    a3 = 0.01168F;
    break;
  default: return; // None: every weight is 1
  }
  // One point has no window shape (the period would be zero).
  if (numPoints < 2) return;
  const double s = static_cast<float>(2.0 * std::numbers::pi / (numPoints - 1));
  const double c0 = a0, c1 = a1, c2 = a2, c3 = a3;
  for (int n = 0; n < numPoints; ++n) {
    const double phi = n * s;
    double w = c0 - c1 * std::cos(phi);
    if (c2 != 0.0) w += c2 * std::cos(2.0 * phi);
    if (c3 != 0.0) w -= c3 * std::cos(3.0 * phi);
    x[static_cast<std::size_t>(n)] *= w / c0;
  }
}

void ComplexFFT(std::span<std::complex<double>> a, int sign) {
  const std::size_t m = a.size();
  if (!IsPowerOfTwo(m)) RaiseChirpZ();
  const std::vector<Complex> tw = ForwardTwiddles(m);
  Transform(a.data(), m, tw.data(), sign > 0);
}

int ChirpZLength(int numPoints) {
  if (numPoints > kMaxChirpZPoints) RaiseChirpZ(); // the length would leave 16 bits
  int m = 1;
  while (m <= 2 * numPoints)
    m <<= 1;
  return m;
}

std::vector<Complex> ZoomedInverseDFT(std::span<const Complex> x, double gamma, double beta) {
  const std::size_t n = x.size();
  if (n < 2 || n > static_cast<std::size_t>(kMaxChirpZPoints)) RaiseChirpZ();
  if (!std::isfinite(gamma) || !std::isfinite(beta)) RaiseChirpZ();
  const std::size_t m = static_cast<std::size_t>(ChirpZLength(static_cast<int>(n)));
  const double pi = std::numbers::pi;
  const double chirpRate = pi * beta / static_cast<double>(n - 1);
  const double shift = 2.0 * pi * gamma;

  std::vector<Complex> chirp(n);
  std::vector<Complex> h(m);
  std::vector<Complex> y(m);
  for (std::size_t k = 0; k < n; ++k) {
    const double kd = static_cast<double>(k);
    const double d = chirpRate * kd * kd;
    const double e = d + shift * kd;
    chirp[k] = Complex(std::cos(d), std::sin(d));
    const Complex rot(std::cos(e), -std::sin(e));
    const Complex xc = std::conj(x[k]);
    y[k] = Complex(xc.real() * rot.real() - xc.imag() * rot.imag(), xc.real() * rot.imag() + xc.imag() * rot.real());
  }
  h[0] = chirp[0];
  for (std::size_t k = 1; k < n; ++k) {
    h[k] = chirp[k];
    h[m - k] = chirp[k];
  }

  const std::vector<Complex> tw = ForwardTwiddles(m);
  Transform(h.data(), m, tw.data(), false);
  Transform(y.data(), m, tw.data(), false);
  for (std::size_t k = 0; k < m; ++k) {
    const double hr = h[k].real(), hi = h[k].imag(), yr = y[k].real(), yi = y[k].imag();
    y[k] = Complex(hr * yr - hi * yi, hr * yi + hi * yr);
  }
  Transform(y.data(), m, tw.data(), true);

  std::vector<Complex> z(n);
  const double inv = 1.0 / static_cast<double>(n);
  for (std::size_t k = 0; k < n; ++k) {
    // conj(v * conj(c)) = conj(v) * c
    const double vr = y[k].real(), vi = -y[k].imag();
    const double cr = chirp[k].real(), ci = chirp[k].imag();
    const double zr = (vr * cr - vi * ci) * inv;
    const double zi = (vr * ci + vi * cr) * inv;
    if (!std::isfinite(zr) || !std::isfinite(zi)) RaiseChirpZ();
    z[k] = Complex(zr, zi);
  }
  return z;
}

namespace {

void ComputeDTFUnguarded(std::span<const double> data, std::span<const double> angles, TrsDynDouble &distanceOut,
                         const TDistanceParams &params, int displayUnit, int numPoints, TrsDynDouble &resultOut) {
  if (numPoints < 2 || numPoints > kMaxChirpZPoints) RaiseChirpZ();
  const std::size_t n = static_cast<std::size_t>(numPoints);
  if (data.size() < n || angles.size() < n) RaiseChirpZ();
  if (!IsValidScaleUnit(displayUnit)) RaiseChirpZ();

  // 1. Linear reflection magnitude.
  std::vector<double> rho(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(n));
  for (double &v : rho) {
    switch (displayUnit) {
    case suReturnLoss:
    case suCableLoss: v = std::pow(10.0, v / 20.0); break;
    case suVSWR: {
      const double r = (v - 1.0) / (v + 1.0);
      if (!std::isfinite(r)) RaiseChirpZ(); // a floating-point fault, not a range fault
      if (r > 1.0) v = VswrToRho(v);        // raises the range error, passed through
      v = r;
      break;
    }
    case suMRho: v *= 0.001; break;
    default: break;
    }
  }
  // 2. Window.
  ApplyWindow(numPoints, params.Smoothing, rho);
  // 3. Zoom parameters: one full turn of phase per MaxDist.
  const double startDist = params.StartDist;
  const double stopDist = params.StopDist;
  const double maxDist = params.MaxDist;
  if (!(maxDist != 0.0) || !std::isfinite(maxDist)) RaiseChirpZ();
  const double beta = (stopDist - startDist) / maxDist;
  const double gamma = startDist / maxDist;
  // 5. Complex sweep.
  std::vector<Complex> x(n);
  const double degToRad = std::numbers::pi / 180.0;
  for (std::size_t k = 0; k < n; ++k) {
    const double th = angles[k] * degToRad;
    x[k] = Complex(rho[k] * std::cos(th), rho[k] * std::sin(th));
  }
  // 6.-8. Chirp-z.
  const std::vector<Complex> z = ZoomedInverseDFT(x, gamma, beta);
  // 9. Distances and levels.
  TrsDynDouble dist(n);
  TrsDynDouble result(n);
  const double step = (stopDist - startDist) / static_cast<double>(n - 1);
  const double loss = params.Loss;
  const double threshold = params.Threshold;
  double d = startDist;
  double comp = 2.0 * loss * startDist;
  for (std::size_t k = 0; k < n; ++k) {
    dist[k] = d;
    const double r = std::abs(z[k]);
    double value = RhoToReturnLoss(r) + comp;
    if (value > 0.0) value = -0.01739; // the return loss of VSWR 999
    if (value < threshold) value = threshold;
    switch (displayUnit) {
    case suVSWR: value = ReturnLossToVswr(value); break;
    case suRho: value = ReturnLossToRho(value); break;
    case suMRho: value = ReturnLossToRho(value) * 1000.0; break;
    default: break;
    }
    if (!std::isfinite(value) || !std::isfinite(d)) RaiseChirpZ();
    result[k] = value;
    d += step;
    comp += 2.0 * loss * step;
  }
  distanceOut.swap(dist);
  resultOut.swap(result);
}

} // namespace

void ComputeDTF(std::span<const double> data, std::span<const double> angles, TrsDynDouble &distanceOut,
                const TDistanceParams &params, int displayUnit, int numPoints, TrsDynDouble &resultOut) {
  try {
    ComputeDTFUnguarded(data, angles, distanceOut, params, displayUnit, numPoints, resultOut);
  } catch (const std::bad_alloc &) {
    RaiseChirpZ(); // the work arrays could not be had
  } catch (const std::length_error &) {
    RaiseChirpZ();
  }
}

void ComputeTraceDTF(TTraceData &trace, int displayUnit) {
  TrsDynDouble dist;
  TrsDynDouble mag;
  ComputeDTF(trace.Mag, trace.Angle, dist, GetDistanceParams(trace), displayUnit, trace.NumPoints, mag);
  trace.DistAxis.swap(dist);
  trace.DistMag.swap(mag);
}

} // namespace korv
