#pragma once
// Console output plus a closing table of each benchmark's time as a ratio to
// a named baseline run in the same process. With repetitions (best with
// --benchmark_enable_random_interleaving, so a change of the machine's load
// falls on both sides) each time is the median of its repetitions.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace korvbench {

class RatioReporter : public benchmark::ConsoleReporter {
public:
  void ReportRuns(const std::vector<Run> &runs) override {
    for (const auto &r : runs)
      if (r.iterations > 0 && r.run_type == Run::RT_Iteration)
        m_times[r.benchmark_name()].push_back(r.GetAdjustedRealTime());
    ConsoleReporter::ReportRuns(runs);
  }
  double Time(const std::string &name) const {
    const auto it = m_times.find(name);
    if (it == m_times.end() || it->second.empty()) return 0.0;
    std::vector<double> times = it->second;
    const auto middle = times.begin() + static_cast<std::ptrdiff_t>(times.size() / 2);
    std::nth_element(times.begin(), middle, times.end());
    return *middle;
  }
  void PrintRatio(const std::string &name, const std::string &baseline) const {
    const double a = Time(name);
    const double b = Time(baseline);
    if (a > 0 && b > 0) std::printf("ratio %-40s / %-40s = %.2f\n", name.c_str(), baseline.c_str(), a / b);
  }

private:
  std::map<std::string, std::vector<double>> m_times;
};

} // namespace korvbench
