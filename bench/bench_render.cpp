// Drawing a full document (14 traces of 949 points) in the frequency view:
// building the view from the document and drawing it into an offscreen
// image, against a baseline that draws the same 14 polylines with a plain
// QPainter (no axes, titles or legend). The dense case draws 14 jagged
// traces of 16,383 points against plain polylines of the points the chart
// keeps of them (four per pixel column).
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdlib>
#include <memory>

#include "GuiBench.h"
#include "ui/chart/DenseGraph.h"
#include "ui/document/Child.h"
#include "ui/document/TraceColors.h"

namespace {

using korvbench::kPoints;
using korvbench::kTraces;
const QSize kImageSize(1200, 800);

std::unique_ptr<korv::TmoxDocument> MakeDocument() { return korvbench::MakeFullDocument(); }

void BM_RenderFrequencyView(benchmark::State &state) {
  korv::TfrmDoc window;
  window.resize(kImageSize);
  window.SetDocument(MakeDocument());
  for (auto _ : state) {
    window.BuildFrequencyView();
    QImage image = window.ToImage(kImageSize);
    benchmark::DoNotOptimize(image.constBits());
  }
}

void BM_BaselinePlainPolylines(benchmark::State &state) {
  const auto doc = MakeDocument();
  for (auto _ : state) {
    QImage image(kImageSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF area(60, 60, kImageSize.width() - 80, kImageSize.height() - 140);
    for (int i = 0; i < kTraces; ++i) {
      const korv::TTraceData &t = doc->Doc.Traces[i];
      QPolygonF line;
      line.reserve(kPoints);
      for (int j = 0; j < kPoints; ++j)
        line.append(QPointF(area.left() + (t.Freq[j] - 1700.0) / 500.0 * area.width(),
                            area.top() + (t.Mag[j] + 40.0) / -40.0 * -area.height()));
      p.setPen(QPen(korv::TraceStyle(i).Color, 1.7 * 1.33));
      p.drawPolyline(line);
    }
    p.end();
    benchmark::DoNotOptimize(image.constBits());
  }
}

using korvbench::kDensePoints;
using korvbench::MakeDenseDocument;

void BM_RenderDenseFrequencyView(benchmark::State &state) {
  korv::TfrmDoc window;
  window.resize(kImageSize);
  window.SetDocument(MakeDenseDocument());
  for (auto _ : state) {
    window.BuildFrequencyView();
    QImage image = window.ToImage(kImageSize);
    benchmark::DoNotOptimize(image.constBits());
  }
}

// Plain polylines of the points the chart draws: four per pixel column.
void BM_BaselineDensePolylines(benchmark::State &state) {
  const auto doc = MakeDenseDocument();
  const QRectF area(60, 60, kImageSize.width() - 80, kImageSize.height() - 140);
  std::vector<QPolygonF> lines;
  for (int i = 0; i < kTraces; ++i) {
    const korv::TTraceData &t = doc->Doc.Traces[i];
    QVector<QCPGraphData> data, kept;
    for (int j = 0; j < kDensePoints; ++j)
      data.append(QCPGraphData(t.Freq[j], t.Mag[j]));
    korv::TDenseGraph::Decimate(
        data.constData(), data.constData() + data.size(), area.width(),
        [&](double key) { return (key - 1700.0) / 500.0 * area.width(); }, kept);
    QPolygonF line;
    for (const QCPGraphData &p : kept)
      line.append(QPointF(area.left() + (p.key - 1700.0) / 500.0 * area.width(),
                          area.top() + (p.value + 40.0) / -40.0 * -area.height()));
    lines.push_back(line);
  }
  for (auto _ : state) {
    QImage image(kImageSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    for (int i = 0; i < kTraces; ++i) {
      p.setPen(QPen(korv::TraceStyle(i).Color, 1.7 * 1.33));
      p.drawPolyline(lines[static_cast<std::size_t>(i)]);
    }
    p.end();
    benchmark::DoNotOptimize(image.constBits());
  }
}

BENCHMARK(BM_BaselinePlainPolylines)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RenderFrequencyView)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BaselineDensePolylines)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RenderDenseFrequencyView)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv) {
  return korvbench::RunOffscreen(argc, argv,
                                 {{"BM_RenderFrequencyView", "BM_BaselinePlainPolylines"},
                                  {"BM_RenderDenseFrequencyView", "BM_BaselineDensePolylines"}});
}
