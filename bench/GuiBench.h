#pragma once
// Shared pieces of the benchmarks that draw with the widget libraries: the
// full and the dense document they draw, and a main that runs them
// offscreen and prints ratios against baselines measured in the same process.
#include <QApplication>
#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "RatioReporter.h"
#include "core/MOXDoc.h"

namespace korvbench {

constexpr int kTraces = 14;
constexpr int kPoints = 949;

// 14 traces of 949 points between 1700 and 2200 MHz, each a different
// ripple, labelled and fully calibrated.
inline std::unique_ptr<korv::TmoxDocument> MakeFullDocument() {
  auto doc = std::make_unique<korv::TmoxDocument>(korv::TmoxDocument::EmptyTag{});
  for (int i = 0; i < kTraces; ++i) {
    korv::TTraceData t;
    t.NumPoints = kPoints;
    t.CalState = 2;
    t.Label = "Site 412, Sector " + std::to_string(i + 1);
    t.DateTime = 46185.4 + i * 0.01;
    for (int j = 0; j < kPoints; ++j) {
      t.Freq.push_back(1700.0 + 500.0 * j / (kPoints - 1));
      t.Mag.push_back(-22.0 + 4.0 * std::sin(j * (0.05 + 0.004 * i)) - 0.5 * i + 1.5 * std::cos(j * 0.31));
      t.Angle.push_back(std::fmod(j * 11.0 * (i + 1), 360.0) - 180.0);
    }
    doc->Doc.AddTrace(t);
  }
  doc->Doc.MaxPoints = kPoints;
  return doc;
}

constexpr int kDensePoints = 16383;

// 14 traces of 16,383 points of noise on a ripple: every pixel column holds
// many points far apart.
inline std::unique_ptr<korv::TmoxDocument> MakeDenseDocument() {
  auto doc = std::make_unique<korv::TmoxDocument>(korv::TmoxDocument::EmptyTag{});
  unsigned seed = 1;
  for (int i = 0; i < kTraces; ++i) {
    korv::TTraceData t;
    t.NumPoints = kDensePoints;
    t.CalState = 2;
    t.Label = "Dense " + std::to_string(i + 1);
    for (int j = 0; j < kDensePoints; ++j) {
      seed = seed * 1103515245U + 12345U;
      const double noise = static_cast<double>((seed >> 16) & 0x7FFF) / 32768.0 - 0.5;
      t.Freq.push_back(1700.0 + 500.0 * j / (kDensePoints - 1));
      t.Mag.push_back(-22.0 + 4.0 * std::sin(j * 0.003 * (i + 1)) - 0.5 * i + 6.0 * noise);
      t.Angle.push_back(0.0);
    }
    doc->Doc.AddTrace(t);
  }
  doc->Doc.MaxPoints = kDensePoints;
  return doc;
}

// Each pair: a benchmark and the baseline its ratio is printed against.
inline int RunOffscreen(int argc, char **argv, const std::vector<std::pair<std::string, std::string>> &ratios) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  for (const auto &[name, baseline] : ratios)
    reporter.PrintRatio(name, baseline);
  benchmark::Shutdown();
  return 0;
}

inline int RunOffscreen(int argc, char **argv, const std::string &name, const std::string &baseline) {
  return RunOffscreen(argc, argv, {{name, baseline}});
}

} // namespace korvbench
