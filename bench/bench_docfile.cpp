// Reading and writing a full document (14 traces of 949 points) against a
// baseline that only reads the same bytes and splits their lines.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <unistd.h>

#include "RatioReporter.h"
#include "core/DocFile.h"
#include "core/SAFileStream.h"

namespace {

korv::TmoxDocument MakeDocument() {
  korv::TmoxDocument doc(korv::TmoxDocument::EmptyTag{});
  for (int t = 0; t < 14; ++t) {
    auto &tr = doc.Doc.Traces[doc.Doc.AddTrace()];
    tr.Title = "Trace " + std::to_string(t);
    tr.NumPoints = 949;
    for (int k = 0; k < 949; ++k) {
      tr.Freq.push_back(1700.0 + 0.3125 * k);
      tr.Mag.push_back(-20.0 + 5.0 * std::sin(k * 0.05 + t));
      tr.Angle.push_back(std::fmod(k * 7.3, 360.0) - 180.0);
    }
    tr.DateTime = 45000.5;
  }
  return doc;
}

const std::string &FilePath() {
  static const std::string path = [] {
    std::string p = "/tmp/korv_bench_" + std::to_string(::getpid()) + ".kdt";
    korv::WriteWholeFileAtomic(p, korv::DocumentFileBytes(MakeDocument()));
    return p;
  }();
  return path;
}

void BM_BaselineReadSplit(benchmark::State &state) {
  for (auto _ : state) {
    const auto bytes = korv::ReadWholeFile(FilePath());
    korv::TTextFile f(bytes);
    std::size_t lines = 0;
    while (!f.Eof()) {
      benchmark::DoNotOptimize(f.ReadLineOrEmpty());
      ++lines;
    }
    benchmark::DoNotOptimize(lines);
  }
}

void BM_ReadDocument(benchmark::State &state) {
  for (auto _ : state) {
    const auto bytes = korv::ReadWholeFile(FilePath());
    korv::TmoxDocument doc(korv::TmoxDocument::EmptyTag{});
    korv::ReadDocumentBytes(bytes, doc);
    benchmark::DoNotOptimize(doc.Doc.TraceCount());
  }
}

void BM_WriteDocument(benchmark::State &state) {
  const auto doc = MakeDocument();
  const std::string out = FilePath() + ".out";
  for (auto _ : state)
    korv::WriteWholeFileAtomic(out, korv::DocumentFileBytes(doc));
  std::remove(out.c_str());
}

void BM_CheckCrc(benchmark::State &state) {
  const auto bytes = korv::ReadWholeFile(FilePath());
  for (auto _ : state)
    benchmark::DoNotOptimize(korv::CheckFileCRC(bytes));
}

// The same without the file system: formatting the lines and the trailer.
void BM_FormatDocument(benchmark::State &state) {
  const auto doc = MakeDocument();
  for (auto _ : state)
    benchmark::DoNotOptimize(korv::DocumentFileBytes(doc));
}

BENCHMARK(BM_FormatDocument)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CheckCrc)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BaselineReadSplit)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReadDocument)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WriteDocument)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv) {
  benchmark::Initialize(&argc, argv);
  korvbench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatio("BM_ReadDocument", "BM_BaselineReadSplit");
  reporter.PrintRatio("BM_WriteDocument", "BM_BaselineReadSplit");
  reporter.PrintRatio("BM_FormatDocument", "BM_BaselineReadSplit");
  std::remove(FilePath().c_str());
  benchmark::Shutdown();
  return 0;
}
