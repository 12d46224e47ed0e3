// Distance-to-fault of one trace: our chirp-z (ComputeDTF) against a direct
// O(N^2) evaluation of the same sum and against the same chirp-z built on
// FFTW. FFTW is a benchmark dependency only. Ratios against both baselines
// are printed after the runs.
#include <benchmark/benchmark.h>
#include <fftw3.h>

#include <cmath>
#include <complex>
#include <cstdio>
#include <map>
#include <memory>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "core/Excption.h"
#include "measure/ChirpZ.h"
#include "measure/Convert.h"

namespace {

using Complex = std::complex<double>;

struct Input {
  std::vector<double> mag; // return loss, dB
  std::vector<double> angle;
  korv::TDistanceParams params;
};

const Input &MakeInput(int n) {
  static std::map<int, Input> cache;
  auto it = cache.find(n);
  if (it != cache.end()) return it->second;
  Input in;
  std::mt19937 rng(static_cast<unsigned>(n));
  std::uniform_real_distribution<double> rl(-40.0, -5.0), ph(-180.0, 180.0);
  for (int i = 0; i < n; ++i) {
    in.mag.push_back(rl(rng));
    in.angle.push_back(ph(rng));
  }
  in.params.StartDist = 2.5F;
  in.params.StopDist = 61.0F;
  in.params.MaxDist = 104.3F;
  in.params.Smoothing = korv::wtSlight;
  in.params.Loss = 0.05F;
  return cache.emplace(n, std::move(in)).first->second;
}

// Steps shared by both baselines: linear magnitude, window, complex sweep.
std::vector<Complex> Prepare(const Input &in, int n) {
  std::vector<double> rho(in.mag.begin(), in.mag.begin() + n);
  for (double &v : rho)
    v = std::pow(10.0, v / 20.0);
  korv::ApplyWindow(n, in.params.Smoothing, rho);
  std::vector<Complex> x(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i)
    x[static_cast<std::size_t>(i)] =
        std::polar(rho[static_cast<std::size_t>(i)], in.angle[static_cast<std::size_t>(i)] * std::numbers::pi / 180.0);
  return x;
}

// Distances and levels from z, as ComputeDTF does.
void Finish(const std::vector<Complex> &z, const korv::TDistanceParams &p, std::vector<double> &dist,
            std::vector<double> &out) {
  const std::size_t n = z.size();
  dist.resize(n);
  out.resize(n);
  const double step = (static_cast<double>(p.StopDist) - p.StartDist) / static_cast<double>(n - 1);
  double d = p.StartDist, comp = 2.0 * p.Loss * p.StartDist;
  for (std::size_t k = 0; k < n; ++k) {
    double v = korv::RhoToReturnLoss(std::abs(z[k])) + comp;
    if (v > 0.0) v = -0.01739;
    if (v < p.Threshold) v = p.Threshold;
    dist[k] = d;
    out[k] = v;
    d += step;
    comp += 2.0 * p.Loss * step;
  }
}

// Direct O(N^2) sum; the phasor of each distance advances by one complex
// multiplication per term (the fastest honest direct evaluation).
void DirectDTF(const Input &in, int n, std::vector<double> &dist, std::vector<double> &out) {
  const auto x = Prepare(in, n);
  const double gamma = static_cast<double>(in.params.StartDist) / in.params.MaxDist;
  const double beta = (static_cast<double>(in.params.StopDist) - in.params.StartDist) / in.params.MaxDist;
  std::vector<Complex> z(static_cast<std::size_t>(n));
  for (int k = 0; k < n; ++k) {
    const double a = gamma + beta * k / (n - 1);
    const Complex w = std::polar(1.0, 2.0 * std::numbers::pi * a);
    double pr = 1.0, pi = 0.0, sr = 0.0, si = 0.0;
    for (int i = 0; i < n; ++i) {
      const Complex &v = x[static_cast<std::size_t>(i)];
      sr += v.real() * pr - v.imag() * pi;
      si += v.real() * pi + v.imag() * pr;
      const double t = pr * w.real() - pi * w.imag();
      pi = pr * w.imag() + pi * w.real();
      pr = t;
    }
    z[static_cast<std::size_t>(k)] = Complex(sr / n, si / n);
  }
  Finish(z, in.params, dist, out);
}

// The same Bluestein chirp-z with FFTW's transforms. Plans are made once per
// length and kept (FFTW's best case); buffers per call, like ComputeDTF.
struct FftwPlans {
  fftw_plan forward = nullptr;
  fftw_plan inverse = nullptr;
};

FftwPlans &PlansFor(int m) {
  static std::map<int, FftwPlans> plans;
  auto &p = plans[m];
  if (!p.forward) {
    auto *buf = fftw_alloc_complex(static_cast<std::size_t>(m));
    p.forward = fftw_plan_dft_1d(m, buf, buf, FFTW_FORWARD, FFTW_MEASURE);
    p.inverse = fftw_plan_dft_1d(m, buf, buf, FFTW_BACKWARD, FFTW_MEASURE);
    fftw_free(buf);
  }
  return p;
}

struct FftwFree {
  void operator()(fftw_complex *p) const { fftw_free(p); }
};

void FftwDTF(const Input &in, int n, std::vector<double> &dist, std::vector<double> &out) {
  const auto x = Prepare(in, n);
  const int m = korv::ChirpZLength(n);
  FftwPlans &plans = PlansFor(m);
  std::unique_ptr<fftw_complex[], FftwFree> h(fftw_alloc_complex(static_cast<std::size_t>(m)));
  std::unique_ptr<fftw_complex[], FftwFree> y(fftw_alloc_complex(static_cast<std::size_t>(m)));
  for (int i = 0; i < m; ++i)
    h[i][0] = h[i][1] = y[i][0] = y[i][1] = 0.0;
  const double gamma = static_cast<double>(in.params.StartDist) / in.params.MaxDist;
  const double beta = (static_cast<double>(in.params.StopDist) - in.params.StartDist) / in.params.MaxDist;
  std::vector<Complex> chirp(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) {
    const double d = std::numbers::pi * beta * i * static_cast<double>(i) / (n - 1);
    const double e = d + 2.0 * std::numbers::pi * gamma * i;
    chirp[static_cast<std::size_t>(i)] = Complex(std::cos(d), std::sin(d));
    const Complex v = std::conj(x[static_cast<std::size_t>(i)]) * Complex(std::cos(e), -std::sin(e));
    y[i][0] = v.real();
    y[i][1] = v.imag();
  }
  for (int i = 0; i < n; ++i) {
    const Complex &c = chirp[static_cast<std::size_t>(i)];
    h[i][0] = c.real();
    h[i][1] = c.imag();
    if (i > 0) {
      h[m - i][0] = c.real();
      h[m - i][1] = c.imag();
    }
  }
  fftw_execute_dft(plans.forward, h.get(), h.get());
  fftw_execute_dft(plans.forward, y.get(), y.get());
  for (int i = 0; i < m; ++i) {
    const double re = h[i][0] * y[i][0] - h[i][1] * y[i][1];
    const double im = h[i][0] * y[i][1] + h[i][1] * y[i][0];
    y[i][0] = re;
    y[i][1] = im;
  }
  fftw_execute_dft(plans.inverse, y.get(), y.get());
  std::vector<Complex> z(static_cast<std::size_t>(n));
  const double scale = 1.0 / (static_cast<double>(m) * n);
  for (int i = 0; i < n; ++i) {
    const Complex v(y[i][0] * scale, -y[i][1] * scale);
    z[static_cast<std::size_t>(i)] = v * chirp[static_cast<std::size_t>(i)];
  }
  Finish(z, in.params, dist, out);
}

void BM_ComputeDTF(benchmark::State &state) {
  const int n = static_cast<int>(state.range(0));
  const Input &in = MakeInput(n);
  std::vector<double> dist, out;
  for (auto _ : state) {
    korv::ComputeDTF(in.mag, in.angle, dist, in.params, korv::suReturnLoss, n, out);
    benchmark::DoNotOptimize(out.data());
  }
}

// The same with a distance window that changes every call: no plan is
// reused, so the chirps and the filter's spectrum are made each time.
void BM_ComputeDTFFreshPlan(benchmark::State &state) {
  const int n = static_cast<int>(state.range(0));
  const Input &in = MakeInput(n);
  korv::TDistanceParams params = in.params;
  std::vector<double> dist, out;
  int step = 0;
  for (auto _ : state) {
    params.StartDist = in.params.StartDist + 0.001F * static_cast<float>(++step % 1000);
    korv::ComputeDTF(in.mag, in.angle, dist, params, korv::suReturnLoss, n, out);
    benchmark::DoNotOptimize(out.data());
  }
}

void BM_DirectSum(benchmark::State &state) {
  const int n = static_cast<int>(state.range(0));
  const Input &in = MakeInput(n);
  std::vector<double> dist, out;
  for (auto _ : state) {
    DirectDTF(in, n, dist, out);
    benchmark::DoNotOptimize(out.data());
  }
}

void BM_FftwChirpZ(benchmark::State &state) {
  const int n = static_cast<int>(state.range(0));
  const Input &in = MakeInput(n);
  PlansFor(korv::ChirpZLength(n)); // planning is not part of the timing
  std::vector<double> dist, out;
  for (auto _ : state) {
    FftwDTF(in, n, dist, out);
    benchmark::DoNotOptimize(out.data());
  }
}

BENCHMARK(BM_ComputeDTF)->Arg(238)->Arg(949)->Arg(11265)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ComputeDTFFreshPlan)->Arg(238)->Arg(949)->Arg(11265)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DirectSum)->Arg(238)->Arg(949)->Arg(11265)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FftwChirpZ)->Arg(238)->Arg(949)->Arg(11265)->Unit(benchmark::kMicrosecond);

// Collects each run's time per iteration so the ratios can be printed.
class RatioReporter : public benchmark::ConsoleReporter {
public:
  void ReportRuns(const std::vector<Run> &runs) override {
    // Single runs, or the median when repetitions are asked for.
    for (const auto &r : runs) {
      const bool single = r.run_type == Run::RT_Iteration && r.iterations > 0 && r.repetitions <= 1;
      const bool median = r.run_type == Run::RT_Aggregate && r.aggregate_name == "median";
      if (single || median) times[r.run_name.str()] = r.GetAdjustedCPUTime();
    }
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> times;
};

// The three variants must agree before their speeds mean anything.
bool CrossCheck() {
  for (int n : {238, 949, 11265}) {
    const Input &in = MakeInput(n);
    std::vector<double> d0, o0, d1, o1, d2, o2;
    korv::ComputeDTF(in.mag, in.angle, d0, in.params, korv::suReturnLoss, n, o0);
    DirectDTF(in, n, d1, o1);
    FftwDTF(in, n, d2, o2);
    double worst = 0.0;
    for (int k = 0; k < n; ++k) {
      worst = std::max(worst, std::fabs(o0[static_cast<std::size_t>(k)] - o1[static_cast<std::size_t>(k)]));
      worst = std::max(worst, std::fabs(o0[static_cast<std::size_t>(k)] - o2[static_cast<std::size_t>(k)]));
    }
    if (worst > 1e-6) {
      std::fprintf(stderr, "N=%d: the variants disagree by %g dB\n", n, worst);
      return false;
    }
  }
  return true;
}

} // namespace

int main(int argc, char **argv) {
  benchmark::Initialize(&argc, argv);
  if (!CrossCheck()) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::printf("\nComputeDTF CPU time relative to the baselines (below 1: faster):\n");
  for (int n : {238, 949, 11265}) {
    const std::string arg = "/" + std::to_string(n);
    auto t = [&](const char *name) {
      auto it = reporter.times.find(std::string(name) + arg);
      return it == reporter.times.end() ? 0.0 : it->second;
    };
    const double ours = t("BM_ComputeDTF"), direct = t("BM_DirectSum"), fftw = t("BM_FftwChirpZ");
    const double fresh = t("BM_ComputeDTFFreshPlan");
    if (ours > 0.0 && direct > 0.0 && fftw > 0.0)
      std::printf("  N=%5d  vs direct O(N^2): %.4f (%.0fx faster)   vs FFTW chirp-z: %.2f   without plan reuse: %.2f\n",
                  n, ours / direct, direct / ours, ours / fftw, fresh / fftw);
  }
  benchmark::Shutdown();
  return 0;
}
