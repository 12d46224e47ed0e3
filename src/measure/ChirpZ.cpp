#include "measure/ChirpZ.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
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

std::string DtfLengthProblem(int numPoints) {
  if (numPoints <= kMaxChirpZPoints) return {};
  return "The trace has " + std::to_string(numPoints) + " points; the distance-to-fault transform takes at most " +
         std::to_string(kMaxChirpZPoints) + ".";
}

namespace {

// Two doubles as one value: GCC and Clang compile arithmetic on it to SIMD
// instructions (SSE2 on a plain x86-64 build). The butterflies are
// written on it because the compiler leaves their loops scalar at -O2 (it
// would need run-time aliasing checks). No fused multiply-add is formed, so
// the results are the same as the scalar loops'.
using V2 = double __attribute__((vector_size(16)));
constexpr std::size_t kLanes = 2;

inline V2 Load(const double *p) {
  V2 v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
inline void Store(double *p, V2 v) { std::memcpy(p, &v, sizeof v); }

// Four complex values of a radix-2 stage pair (real, imaginary of 0 to 3),
// and where four results go.
struct TQuad {
  V2 r0, i0, r1, i1, r2, i2, r3, i3;
};
struct TOut {
  double *r0, *i0, *r1, *i1, *r2, *i2, *r3, *i3;
};

// The second decimation-in-frequency stage of a pair: 0 +/- 1 and 2 +/- 3,
// each difference times the twiddle c.
inline void DifSecondStage(const TQuad &y, V2 cr, V2 ci, const TOut &out) {
  Store(out.r0, y.r0 + y.r1);
  Store(out.i0, y.i0 + y.i1);
  const V2 er = y.r0 - y.r1, ei = y.i0 - y.i1;
  Store(out.r1, er * cr - ei * ci);
  Store(out.i1, er * ci + ei * cr);
  Store(out.r2, y.r2 + y.r3);
  Store(out.i2, y.i2 + y.i3);
  const V2 fr = y.r2 - y.r3, fi = y.i2 - y.i3;
  Store(out.r3, fr * cr - fi * ci);
  Store(out.i3, fr * ci + fi * cr);
}

// The first decimation-in-time stage of a pair, read from `at`: 0 +/- 1
// conj(c) and 2 +/- 3 conj(c).
inline TQuad DitFirstStage(V2 cr, V2 ci, const TOut &at) {
  const V2 x0r = Load(at.r0), x0i = Load(at.i0), x1r = Load(at.r1), x1i = Load(at.i1);
  const V2 x2r = Load(at.r2), x2i = Load(at.i2), x3r = Load(at.r3), x3i = Load(at.i3);
  const V2 t1r = x1r * cr + x1i * ci, t1i = x1i * cr - x1r * ci;
  const V2 t3r = x3r * cr + x3i * ci, t3i = x3i * cr - x3r * ci;
  return {x0r + t1r, x0i + t1i, x0r - t1r, x0i - t1i, x2r + t3r, x2i + t3i, x2r - t3r, x2i - t3i};
}

// The twiddles of one FFT length, exp(-i pi k / h) at [h + k] as separate
// real and imaginary arrays. They depend on the length alone, so every plan
// of that length shares them.
struct TTwiddles {
  std::size_t m = 0;
  std::vector<double> re, im;
};

std::shared_ptr<const TTwiddles> TwiddlesFor(std::size_t m) {
  constexpr std::size_t kKept = 4;
  thread_local std::vector<std::shared_ptr<const TTwiddles>> kept;
  for (const auto &t : kept)
    if (t->m == m) return t;
  auto t = std::make_shared<TTwiddles>();
  t->m = m;
  const std::vector<Complex> tw = ForwardTwiddles(m);
  t->re.resize(m);
  t->im.resize(m);
  for (std::size_t k = 0; k < m; ++k) {
    t->re[k] = tw[k].real();
    t->im[k] = tw[k].imag();
  }
  if (kept.size() == kKept) kept.erase(kept.begin());
  kept.push_back(t);
  return t;
}

// Everything of one transform that depends on N, gamma and beta alone: the
// chirps and the spectrum of the chirp filter, kept as separate real and
// imaginary arrays so the butterflies vectorise. A trace's distance view is
// recomputed with the same parameters again and again (units, scales, every
// trace of a document with one cable), so the plan is kept and only the
// sweep's own work is done per call.
struct TChirpPlan {
  std::size_t n = 0;
  std::size_t m = 0;
  double gamma = 0.0;
  double beta = 0.0;
  std::shared_ptr<const TTwiddles> tw;
  std::vector<double> preRe, preIm;   // exp(-i (chirp phase + shift k))
  std::vector<double> postRe, postIm; // chirp / (N M)
  std::vector<double> hRe, hIm;       // spectrum of the chirp filter, bit-reversed order
};

// One decimation-in-frequency stage of half-size h (a multiple of kLanes):
// lo + hi and (lo - hi) * w.
void DifStage(double *re, double *im, std::size_t m, std::size_t h, const double *wr, const double *wi) {
  for (std::size_t base = 0; base < m; base += 2 * h) {
    double *lr = re + base, *li = im + base, *hr = lr + h, *hi = li + h;
    for (std::size_t k = 0; k < h; k += kLanes) {
      const V2 ar = Load(lr + k), ai = Load(li + k), br = Load(hr + k), bi = Load(hi + k);
      const V2 cr = Load(wr + k), ci = Load(wi + k);
      Store(lr + k, ar + br);
      Store(li + k, ai + bi);
      const V2 dr = ar - br, di = ai - bi;
      Store(hr + k, dr * cr - di * ci);
      Store(hi + k, dr * ci + di * cr);
    }
  }
}

// Two decimation-in-frequency stages, half-sizes h and h / 2, in one pass:
// the same arithmetic as two DifStage calls with half the memory traffic.
void DifStagePair(double *re, double *im, std::size_t m, std::size_t h, const double *twRe, const double *twIm) {
  const std::size_t q = h / 2;
  const double *ar = twRe + h, *ai = twIm + h; // the first stage's twiddles
  const double *br = twRe + q, *bi = twIm + q; // the second's
  for (std::size_t base = 0; base < m; base += 2 * h) {
    double *r0 = re + base, *i0 = im + base;
    double *r1 = r0 + q, *i1 = i0 + q, *r2 = r1 + q, *i2 = i1 + q, *r3 = r2 + q, *i3 = i2 + q;
    for (std::size_t k = 0; k < q; k += kLanes) {
      const V2 x0r = Load(r0 + k), x0i = Load(i0 + k), x1r = Load(r1 + k), x1i = Load(i1 + k);
      const V2 x2r = Load(r2 + k), x2i = Load(i2 + k), x3r = Load(r3 + k), x3i = Load(i3 + k);
      const V2 y0r = x0r + x2r, y0i = x0i + x2i, y1r = x1r + x3r, y1i = x1i + x3i;
      const V2 d2r = x0r - x2r, d2i = x0i - x2i, d3r = x1r - x3r, d3i = x1i - x3i;
      const V2 c2r = Load(ar + k), c2i = Load(ai + k), c3r = Load(ar + q + k), c3i = Load(ai + q + k);
      const V2 y2r = d2r * c2r - d2i * c2i, y2i = d2r * c2i + d2i * c2r;
      const V2 y3r = d3r * c3r - d3i * c3i, y3i = d3r * c3i + d3i * c3r;
      DifSecondStage(TQuad{y0r, y0i, y1r, y1i, y2r, y2i, y3r, y3i}, Load(br + k), Load(bi + k),
                     TOut{r0 + k, i0 + k, r1 + k, i1 + k, r2 + k, i2 + k, r3 + k, i3 + k});
    }
  }
}

// The first two decimation-in-frequency stages when the upper half of the
// input is zero: the first stage is then a multiply alone, fused with the
// second as in DifStagePair.
void DifFirstPairUpperZero(double *re, double *im, std::size_t m, const double *twRe, const double *twIm) {
  const std::size_t h = m / 2, q = h / 2;
  const double *ar = twRe + h, *ai = twIm + h;
  const double *br = twRe + q, *bi = twIm + q;
  double *r1 = re + q, *i1 = im + q, *r2 = r1 + q, *i2 = i1 + q, *r3 = r2 + q, *i3 = i2 + q;
  for (std::size_t k = 0; k < q; k += kLanes) {
    const V2 y0r = Load(re + k), y0i = Load(im + k), y1r = Load(r1 + k), y1i = Load(i1 + k);
    const V2 c2r = Load(ar + k), c2i = Load(ai + k), c3r = Load(ar + q + k), c3i = Load(ai + q + k);
    const V2 y2r = y0r * c2r - y0i * c2i, y2i = y0r * c2i + y0i * c2r;
    const V2 y3r = y1r * c3r - y1i * c3i, y3i = y1r * c3i + y1i * c3r;
    DifSecondStage(TQuad{y0r, y0i, y1r, y1i, y2r, y2i, y3r, y3i}, Load(br + k), Load(bi + k),
                   TOut{re + k, im + k, r1 + k, i1 + k, r2 + k, i2 + k, r3 + k, i3 + k});
  }
}

// The last two forward stages in one pass over groups of four: their
// twiddles are 1 and -i.
void DifLastTwo(double *re, double *im, std::size_t m) {
  for (std::size_t b = 0; b < m; b += 4) {
    const double r0 = re[b], i0 = im[b], r1 = re[b + 1], i1 = im[b + 1];
    const double r2 = re[b + 2], i2 = im[b + 2], r3 = re[b + 3], i3 = im[b + 3];
    const double sr = r0 + r2, si = i0 + i2, tr = r1 + r3, ti = i1 + i3;
    const double ur = r0 - r2, ui = i0 - i2;
    const double vr = i1 - i3, vi = r3 - r1; // (x1 - x3) * -i
    re[b] = sr + tr;
    im[b] = si + ti;
    re[b + 1] = sr - tr;
    im[b + 1] = si - ti;
    re[b + 2] = ur + vr;
    im[b + 2] = ui + vi;
    re[b + 3] = ur - vr;
    im[b + 3] = ui - vi;
  }
}

// Decimation in frequency: natural order in, bit-reversed order out, no
// scaling. A positive `used` says the input is zero from there on, and that
// is below half the length (a sweep), so the first stage is a single multiply.
void ForwardDif(double *re, double *im, const TChirpPlan &p, std::size_t used) {
  const std::size_t m = p.m;
  const double *twRe = p.tw->re.data();
  const double *twIm = p.tw->im.data();
  std::size_t h = m / 2;
  if (used > 0 && h >= 8) {
    DifFirstPairUpperZero(re, im, m, twRe, twIm);
    h /= 4;
  } else if (used > 0) {
    const double *wr = twRe + h, *wi = twIm + h;
    double *hr = re + h, *hi = im + h;
    std::size_t k = 0;
    for (; k + kLanes <= used; k += kLanes) {
      const V2 ar = Load(re + k), ai = Load(im + k), cr = Load(wr + k), ci = Load(wi + k);
      Store(hr + k, ar * cr - ai * ci);
      Store(hi + k, ar * ci + ai * cr);
    }
    for (; k < used; ++k) {
      const double ar = re[k], ai = im[k];
      hr[k] = ar * wr[k] - ai * wi[k];
      hi[k] = ar * wi[k] + ai * wr[k];
    }
    std::fill(hr + used, hr + h, 0.0);
    std::fill(hi + used, hi + h, 0.0);
    h /= 2;
  }
  while (h >= 4) {
    if (h >= 8) {
      DifStagePair(re, im, m, h, twRe, twIm);
      h /= 4;
    } else {
      DifStage(re, im, m, h, twRe + h, twIm + h);
      h /= 2;
    }
  }
  DifLastTwo(re, im, m);
}

// The first two stages of the inverse in one pass over groups of four: their
// twiddles are 1 and +i.
void DitFirstTwo(double *re, double *im, std::size_t m) {
  for (std::size_t b = 0; b < m; b += 4) {
    const double r0 = re[b], i0 = im[b], r1 = re[b + 1], i1 = im[b + 1];
    const double r2 = re[b + 2], i2 = im[b + 2], r3 = re[b + 3], i3 = im[b + 3];
    const double sr = r0 + r1, si = i0 + i1, dr = r0 - r1, di = i0 - i1;
    const double ur = r2 + r3, ui = i2 + i3;
    const double vr = i3 - i2, vi = r2 - r3; // (x2 - x3) * i
    re[b] = sr + ur;
    im[b] = si + ui;
    re[b + 2] = sr - ur;
    im[b + 2] = si - ui;
    re[b + 1] = dr + vr;
    im[b + 1] = di + vi;
    re[b + 3] = dr - vr;
    im[b + 3] = di - vi;
  }
}

// Two decimation-in-time stages of the conjugate direction, half-sizes q and
// 2q, in one pass: lo + hi conj(w) and lo - hi conj(w) twice over.
void DitStagePair(double *re, double *im, std::size_t m, std::size_t q, const double *twRe, const double *twIm) {
  const std::size_t h = 2 * q;
  const double *ar = twRe + q, *ai = twIm + q; // the first stage's twiddles
  const double *br = twRe + h, *bi = twIm + h; // the second's
  for (std::size_t base = 0; base < m; base += 2 * h) {
    double *r0 = re + base, *i0 = im + base;
    double *r1 = r0 + q, *i1 = i0 + q, *r2 = r1 + q, *i2 = i1 + q, *r3 = r2 + q, *i3 = i2 + q;
    for (std::size_t k = 0; k < q; k += kLanes) {
      const auto [y0r, y0i, y1r, y1i, y2r, y2i, y3r, y3i] = DitFirstStage(
          Load(ar + k), Load(ai + k), TOut{r0 + k, i0 + k, r1 + k, i1 + k, r2 + k, i2 + k, r3 + k, i3 + k});
      const V2 c2r = Load(br + k), c2i = Load(bi + k), c3r = Load(br + q + k), c3i = Load(bi + q + k);
      const V2 ur = y2r * c2r + y2i * c2i, ui = y2i * c2r - y2r * c2i;
      const V2 vr = y3r * c3r + y3i * c3i, vi = y3i * c3r - y3r * c3i;
      Store(r0 + k, y0r + ur);
      Store(i0 + k, y0i + ui);
      Store(r2 + k, y0r - ur);
      Store(i2 + k, y0i - ui);
      Store(r1 + k, y1r + vr);
      Store(i1 + k, y1i + vi);
      Store(r3 + k, y1r - vr);
      Store(i3 + k, y1i - vi);
    }
  }
}

// The last two stages of InverseDit, half-sizes q and 2q = m / 2, as in
// DitStagePair but only for the lower half of the outputs.
void DitLastPair(double *re, double *im, std::size_t q, const double *twRe, const double *twIm) {
  const double *ar = twRe + q, *ai = twIm + q;
  const double *br = twRe + 2 * q, *bi = twIm + 2 * q;
  double *r1 = re + q, *i1 = im + q, *r2 = r1 + q, *i2 = i1 + q, *r3 = r2 + q, *i3 = i2 + q;
  for (std::size_t k = 0; k < q; k += kLanes) {
    const auto [y0r, y0i, y1r, y1i, y2r, y2i, y3r, y3i] =
        DitFirstStage(Load(ar + k), Load(ai + k), TOut{re + k, im + k, r1 + k, i1 + k, r2 + k, i2 + k, r3 + k, i3 + k});
    const V2 c2r = Load(br + k), c2i = Load(bi + k), c3r = Load(br + q + k), c3i = Load(bi + q + k);
    Store(re + k, y0r + (y2r * c2r + y2i * c2i));
    Store(im + k, y0i + (y2i * c2r - y2r * c2i));
    Store(r1 + k, y1r + (y3r * c3r + y3i * c3i));
    Store(i1 + k, y1i + (y3i * c3r - y3r * c3i));
  }
}

// Decimation in time of the conjugate direction: bit-reversed order in,
// natural order out, no scaling. Only the first `wanted` outputs (fewer than
// half) are needed, so the last stage computes those alone.
void InverseDit(double *re, double *im, const TChirpPlan &p, std::size_t wanted) {
  const std::size_t m = p.m;
  const double *twRe = p.tw->re.data();
  const double *twIm = p.tw->im.data();
  DitFirstTwo(re, im, m);
  const std::size_t half = m / 2;
  std::size_t h = 4;
  for (; 2 * h < half; h *= 4)
    DitStagePair(re, im, m, h, twRe, twIm);
  if (2 * h == half) {
    DitLastPair(re, im, h, twRe, twIm);
    return;
  }
  const double *wr = twRe + half, *wi = twIm + half;
  const double *hr = re + half, *hi = im + half;
  std::size_t k = 0;
  for (; k + kLanes <= wanted; k += kLanes) {
    const V2 br = Load(hr + k), bi = Load(hi + k), cr = Load(wr + k), ci = Load(wi + k);
    Store(re + k, Load(re + k) + (br * cr + bi * ci));
    Store(im + k, Load(im + k) + (bi * cr - br * ci));
  }
  for (; k < wanted; ++k) {
    const double br = hr[k], bi = hi[k];
    re[k] += br * wr[k] + bi * wi[k];
    im[k] += bi * wr[k] - br * wi[k];
  }
}

// Fills a plan's chirps and filter spectrum; the plan's vectors keep their
// storage from an earlier use. exp(i c k^2) and the shift exp(-i s k) advance
// by one complex multiplication per point and restart from the library's
// cos/sin every kBlock points, which keeps their error within a few hundred
// rounding steps while saving nearly all of the cos/sin calls.
void FillPlan(TChirpPlan &p, std::size_t n, double gamma, double beta) {
  constexpr std::size_t kBlock = 32;
  p.n = n;
  p.gamma = gamma;
  p.beta = beta;
  const std::size_t m = static_cast<std::size_t>(ChirpZLength(static_cast<int>(n)));
  p.m = m;
  p.tw = TwiddlesFor(m);
  const double pi = std::numbers::pi;
  const double chirpRate = pi * beta / static_cast<double>(n - 1);
  const double shift = 2.0 * pi * gamma;
  const double scale = 1.0 / (static_cast<double>(n) * static_cast<double>(m));
  p.preRe.resize(n);
  p.preIm.resize(n);
  p.postRe.resize(n);
  p.postIm.resize(n);
  p.hRe.resize(m);
  p.hIm.resize(m);
  double *hRe = p.hRe.data(), *hIm = p.hIm.data();
  // exp(i 2c): the step of the chirp's own step.
  const double qr = std::cos(2.0 * chirpRate), qi = std::sin(2.0 * chirpRate);
  // exp(-i s): the step of the shift.
  const double gr = std::cos(shift), gi = -std::sin(shift);
  for (std::size_t k0 = 0; k0 < n; k0 += kBlock) {
    const double kd = static_cast<double>(k0);
    const double d = chirpRate * kd * kd;
    const double e = chirpRate * (2.0 * kd + 1.0);
    const double f = shift * kd;
    double wr = std::cos(d), wi = std::sin(d);  // exp(i c k^2)
    double rr = std::cos(e), ri = std::sin(e);  // exp(i c (2k + 1))
    double sr = std::cos(f), si = -std::sin(f); // exp(-i s k)
    const std::size_t end = std::min(n, k0 + kBlock);
    for (std::size_t k = k0; k < end; ++k) {
      // conj(chirp) * shift
      p.preRe[k] = wr * sr + wi * si;
      p.preIm[k] = wr * si - wi * sr;
      p.postRe[k] = wr * scale;
      p.postIm[k] = wi * scale;
      hRe[k] = wr;
      hIm[k] = wi;
      if (k > 0) {
        hRe[m - k] = wr;
        hIm[m - k] = wi;
      }
      const double nwr = wr * rr - wi * ri, nwi = wr * ri + wi * rr;
      const double nrr = rr * qr - ri * qi, nri = rr * qi + ri * qr;
      const double nsr = sr * gr - si * gi, nsi = sr * gi + si * gr;
      wr = nwr;
      wi = nwi;
      rr = nrr;
      ri = nri;
      sr = nsr;
      si = nsi;
    }
  }
  std::fill(hRe + n, hRe + (m - n + 1), 0.0);
  std::fill(hIm + n, hIm + (m - n + 1), 0.0);
  // The filter fills both halves: the general first stage.
  ForwardDif(hRe, hIm, p, 0);
}

// The last few plans of this thread, the newest first. A plan that drops out
// lends its storage to the next one made.
std::shared_ptr<const TChirpPlan> ChirpPlanFor(std::size_t n, double gamma, double beta) {
  constexpr std::size_t kKept = 4;
  thread_local std::vector<std::shared_ptr<TChirpPlan>> plans;
  for (std::size_t i = 0; i < plans.size(); ++i) {
    const auto &p = plans[i];
    if (p->n == n && p->gamma == gamma && p->beta == beta) {
      std::rotate(plans.begin(), plans.begin() + static_cast<std::ptrdiff_t>(i),
                  plans.begin() + static_cast<std::ptrdiff_t>(i) + 1);
      return plans.front();
    }
  }
  std::shared_ptr<TChirpPlan> plan;
  if (plans.size() == kKept) {
    plan = std::move(plans.back());
    plans.pop_back();
    if (plan.use_count() != 1) plan.reset(); // still in use by a caller
  }
  if (!plan) plan = std::make_shared<TChirpPlan>();
  plan->n = 0; // not a valid plan until filled
  plans.insert(plans.begin(), plan);
  FillPlan(*plan, n, gamma, beta);
  return plan;
}

// Work arrays of this thread's transforms, grown as needed and kept.
struct TWork {
  std::vector<double> re, im;
};
TWork &Work() {
  thread_local TWork work;
  return work;
}

// Bluestein's method on the plan. re/im (length p.m) hold x in [0, n) on
// entry and z in [0, n) on return. False when z is not finite.
bool RunChirpZ(const TChirpPlan &p, double *re, double *im) {
  const std::size_t n = p.n, m = p.m;
  for (std::size_t k = 0; k < n; ++k) {
    // conj(x) * pre
    const double xr = re[k], xi = -im[k];
    re[k] = xr * p.preRe[k] - xi * p.preIm[k];
    im[k] = xr * p.preIm[k] + xi * p.preRe[k];
  }
  std::fill(re + n, re + m / 2, 0.0);
  std::fill(im + n, im + m / 2, 0.0);
  ForwardDif(re, im, p, n);
  const double *hr = p.hRe.data(), *hi = p.hIm.data();
  for (std::size_t k = 0; k < m; k += kLanes) {
    const V2 yr = Load(re + k), yi = Load(im + k), cr = Load(hr + k), ci = Load(hi + k);
    Store(re + k, cr * yr - ci * yi);
    Store(im + k, cr * yi + ci * yr);
  }
  InverseDit(re, im, p, n);
  bool finite = true;
  for (std::size_t k = 0; k < n; ++k) {
    // conj(v) * chirp / (N M)
    const double vr = re[k], vi = -im[k];
    const double cr = p.postRe[k], ci = p.postIm[k];
    const double zr = vr * cr - vi * ci;
    const double zi = vr * ci + vi * cr;
    finite = finite && std::isfinite(zr) && std::isfinite(zi);
    re[k] = zr;
    im[k] = zi;
  }
  return finite;
}

// The plan and work arrays for a transform of n points; x goes into the
// returned arrays' first n values.
const TChirpPlan &Prepare(std::size_t n, double gamma, double beta, std::shared_ptr<const TChirpPlan> &hold, TWork &w) {
  hold = ChirpPlanFor(n, gamma, beta);
  w.re.resize(hold->m);
  w.im.resize(hold->m);
  return *hold;
}

} // namespace

std::vector<Complex> ZoomedInverseDFT(std::span<const Complex> x, double gamma, double beta) {
  const std::size_t n = x.size();
  if (n < 2 || n > static_cast<std::size_t>(kMaxChirpZPoints)) RaiseChirpZ();
  if (!std::isfinite(gamma) || !std::isfinite(beta)) RaiseChirpZ();
  std::shared_ptr<const TChirpPlan> hold;
  TWork &w = Work();
  const TChirpPlan &p = Prepare(n, gamma, beta, hold, w);
  for (std::size_t k = 0; k < n; ++k) {
    w.re[k] = x[k].real();
    w.im[k] = x[k].imag();
  }
  if (!RunChirpZ(p, w.re.data(), w.im.data())) RaiseChirpZ();
  std::vector<Complex> z(n);
  for (std::size_t k = 0; k < n; ++k)
    z[k] = Complex(w.re[k], w.im[k]);
  return z;
}

namespace {

void ComputeDTFUnguarded(std::span<const double> data, std::span<const double> angles, TrsDynDouble &distanceOut,
                         const TDistanceParams &params, int displayUnit, int numPoints, TrsDynDouble &resultOut) {
  if (numPoints < 2 || numPoints > kMaxChirpZPoints) RaiseChirpZ();
  const std::size_t n = static_cast<std::size_t>(numPoints);
  if (data.size() < n || angles.size() < n) RaiseChirpZ();
  if (!IsValidScaleUnit(displayUnit)) RaiseChirpZ();

  // This thread's buffers: the results are swapped out, so the caller's
  // previous result arrays serve the next call.
  thread_local TrsDynDouble rho, dist, result;
  // 1. Linear reflection magnitude.
  rho.assign(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(n));
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
  if (!std::isfinite(gamma) || !std::isfinite(beta)) RaiseChirpZ();
  std::shared_ptr<const TChirpPlan> hold;
  TWork &w = Work();
  const TChirpPlan &p = Prepare(n, gamma, beta, hold, w);
  double *re = w.re.data(), *im = w.im.data();
  // 5. Complex sweep.
  const double degToRad = std::numbers::pi / 180.0;
  for (std::size_t k = 0; k < n; ++k) {
    const double th = angles[k] * degToRad;
    re[k] = rho[k] * std::cos(th);
    im[k] = rho[k] * std::sin(th);
  }
  // 6.-8. Chirp-z.
  if (!RunChirpZ(p, re, im)) RaiseChirpZ();
  // 9. Distances and levels.
  dist.resize(n);
  result.resize(n);
  const double step = (stopDist - startDist) / static_cast<double>(n - 1);
  const double loss = params.Loss;
  const double threshold = params.Threshold;
  double d = startDist;
  double comp = 2.0 * loss * startDist;
  for (std::size_t k = 0; k < n; ++k) {
    dist[k] = d;
    const double r = std::sqrt(re[k] * re[k] + im[k] * im[k]);
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
