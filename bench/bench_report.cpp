// The site report of a full document (14 traces of 949 points, distance
// results stored) against drawing that document's frequency and distance
// views into PDF files: the report draws every trace's two views on pages of
// its own, with the tables, and should cost at most twice the two views.
#include <QApplication>
#include <QBuffer>
#include <QPageSize>
#include <QPainter>
#include <QLayout>
#include <QPdfWriter>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <memory>

#include "GuiBench.h"
#include "measure/ChirpZ.h"
#include "measure/SiteReport.h"
#include "sim/SweepModel.h"
#include "ui/document/Child.h"
#include "ui/report/SiteReportPdf.h"

namespace {

constexpr int kTraces = 14;
constexpr int kPoints = 949;

std::unique_ptr<korv::TmoxDocument> MakeDocument() {
  auto doc = std::make_unique<korv::TmoxDocument>(korv::TmoxDocument::EmptyTag{});
  for (int i = 0; i < kTraces; ++i) {
    korv::TSweepModel m;
    m.NoiseRho = 0.002;
    m.NoiseSeed = static_cast<std::uint32_t>(i + 1);
    m.Reflections = {{4.0 + i, 0.1, 0.0}, {30.0 + 2.0 * i, 0.05, 45.0}};
    m.LengthM = 60.0;
    m.LoadRho = 0.15;
    korv::TTraceData t;
    korv::FillTraceFromSweep(t, korv::SimulateSweep(m, kPoints, 1700.0, 2200.0), m, korv::suReturnLoss,
                             korv::duMeters);
    t.Label = "Site 412, Sector " + std::to_string(i + 1);
    t.CalState = 2;
    t.DateTime = 46185.4 + i * 0.01;
    korv::ComputeTraceDTF(t, korv::suReturnLoss);
    doc->Doc.AddTrace(t);
  }
  doc->Doc.MaxPoints = kPoints;
  doc->Doc.FreqLimitMode = 1;
  doc->Doc.FreqLimitValue = -15.0;
  return doc;
}

// The A4 page at 96 per inch, as the report's pages.
void ViewToPdf(korv::TfrmDoc &window) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QPdfWriter writer(&buffer);
  writer.setResolution(96);
  writer.setPageSize(QPageSize(QPageSize::A4));
  QPainter p(&writer);
  window.RenderTo(p, QRectF(48, 48, 698, 380));
  p.end();
  benchmark::DoNotOptimize(bytes.data());
}

void BM_FrequencyAndDistanceViewsToPdf(benchmark::State &state) {
  // Laid out at the size it is drawn, as the report's window is.
  korv::TfrmDoc window;
  window.resize(698, 380);
  window.layout()->activate();
  window.SetDocument(MakeDocument());
  window.SetActiveTrace(0);
  for (auto _ : state) {
    window.SetPlotMode(korv::pmFrequency);
    ViewToPdf(window);
    window.SetPlotMode(korv::pmDistance);
    ViewToPdf(window);
  }
}

void BM_SiteReport(benchmark::State &state) {
  const auto doc = MakeDocument();
  korv::TReportOptions options;
  options.LimitDb = -15.0;
  for (auto _ : state) {
    const korv::TSiteReport report = korv::BuildSiteReport({&doc->Doc}, options);
    const QByteArray bytes = korv::SiteReportPdf(report, {QStringLiteral("bench"), QStringLiteral("today")});
    benchmark::DoNotOptimize(bytes.data());
  }
}

BENCHMARK(BM_FrequencyAndDistanceViewsToPdf)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SiteReport)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv) {
  return korvbench::RunOffscreen(argc, argv, "BM_SiteReport", "BM_FrequencyAndDistanceViewsToPdf");
}
