// A full redraw of a shown document window holding the dense document (14
// jagged traces of 16,383 points) in the frequency view: the view rebuilt
// from the document and the widget repainted (the event loop's share), and
// a resize to a new plot width, once until the event loop is free again and
// once until the new strokes of every trace are on screen. The baseline
// draws plain anti-aliased polylines of the points the chart keeps (four per
// pixel column) with the same pens into an image of the widget's size, in
// runs of 16 points (one path per trace takes a minute here): the part of a
// redraw no chart can avoid.
//
//   bench_dense_window --write-document FILE.kdt
// writes the dense document instead (scripts/event_loop_block.sh opens it).
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <qcustomplot.h>

#include "GuiBench.h"
#include "formats/DocumentIO.h"
#include "ui/chart/DenseGraph.h"
#include "ui/chart/XYGraph.h"
#include "ui/document/Child.h"

namespace {

struct Window {
  korv::TfrmDoc doc;
  QCustomPlot *plot = nullptr;
  Window() {
    doc.resize(1200, 800);
    doc.SetDocument(korvbench::MakeDenseDocument());
    doc.show();
    QApplication::processEvents();
    graph = qobject_cast<korv::TXYGraph *>(doc.Graph());
    plot = graph->Plot();
    Settle();
  }
  // Until every trace's stroke is on screen.
  void Settle() const {
    while (graph->StrokesPending())
      QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QApplication::processEvents();
  }
  korv::TXYGraph *graph = nullptr;
};

void BM_DenseWindowRedraw(benchmark::State &state) {
  Window w;
  for (auto _ : state) {
    w.doc.RefreshAnnotations();
    w.plot->repaint();
  }
}

// Resizes to the other of two widths, then repaints once the event loop is
// free again or, with `complete`, once every new stroke is in.
void Resizes(benchmark::State &state, bool complete) {
  Window w;
  bool wide = false;
  for (auto _ : state) {
    w.doc.resize(wide ? 1200 : 1160, 800);
    wide = !wide;
    QApplication::processEvents();
    if (complete) w.Settle();
    w.plot->repaint();
  }
  w.Settle();
}

void BM_DenseWindowResize(benchmark::State &state) { Resizes(state, false); }
void BM_DenseWindowResizeComplete(benchmark::State &state) { Resizes(state, true); }

void BM_BaselineDecimatedPolylines(benchmark::State &state) {
  Window w;
  QCPAxis *x = w.plot->xAxis;
  QCPAxis *y = w.plot->yAxis;
  const double columns = std::abs(x->coordToPixel(x->range().upper) - x->coordToPixel(x->range().lower));
  std::vector<QPolygonF> lines;
  std::vector<QPen> pens;
  for (int i = 0; i < w.plot->graphCount(); ++i) {
    QCPGraph *g = w.plot->graph(i);
    QVector<QCPGraphData> data(g->data()->constBegin(), g->data()->constEnd()), kept;
    korv::TDenseGraph::Decimate(
        data.constData(), data.constData() + data.size(), columns, [&](double key) { return x->coordToPixel(key); },
        kept);
    QPolygonF line;
    for (const QCPGraphData &p : kept)
      line.append(QPointF(x->coordToPixel(p.key), y->coordToPixel(p.value)));
    lines.push_back(line);
    pens.push_back(g->pen());
  }
  const QSize size = w.plot->size();
  for (auto _ : state) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    for (std::size_t i = 0; i < lines.size(); ++i) {
      p.setPen(pens[i]);
      for (qsizetype s = 0; s + 1 < lines[i].size(); s += 15)
        p.drawPolyline(lines[i].constData() + s, static_cast<int>(std::min<qsizetype>(16, lines[i].size() - s)));
    }
    p.end();
    benchmark::DoNotOptimize(image.constBits());
  }
}

BENCHMARK(BM_BaselineDecimatedPolylines)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DenseWindowRedraw)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DenseWindowResize)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DenseWindowResizeComplete)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv) {
  if (argc == 3 && std::strcmp(argv[1], "--write-document") == 0) {
    auto doc = korvbench::MakeDenseDocument();
    if (korv::SaveDocument(*doc, argv[2], [] { return true; })) return 0;
    std::fprintf(stderr, "bench_dense_window: cannot write %s\n", argv[2]);
    return 1;
  }
  return korvbench::RunOffscreen(argc, argv,
                                 {{"BM_DenseWindowRedraw", "BM_BaselineDecimatedPolylines"},
                                  {"BM_DenseWindowResize", "BM_BaselineDecimatedPolylines"},
                                  {"BM_DenseWindowResizeComplete", "BM_BaselineDecimatedPolylines"}});
}
