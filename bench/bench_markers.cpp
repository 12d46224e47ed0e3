// One marker step on a full document (14 traces of 949 points) in a shown
// frequency view: the marker moves one point, the marks and readouts are
// refreshed and the widget repaints. The baseline is a full redraw of the
// same view (every trace built and drawn again), which is what each step
// cost before the marks got a layer of their own. The same step is timed
// again in the program's main window with the marker table dock open,
// which follows every step.
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDockWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <qcustomplot.h>

#include "GuiBench.h"
#include "core/DocFile.h"
#include "core/SAFileStream.h"
#include "ui/chart/XYGraph.h"
#include "ui/document/Child.h"
#include "ui/main/Main.h"

namespace {

using korvbench::kTraces;

std::unique_ptr<korv::TmoxDocument> MakeDocument() {
  auto doc = korvbench::MakeFullDocument();
  // Two markers on every trace, one of them a delta to the other.
  for (int i = 0; i < kTraces; ++i) {
    korv::TTraceData &t = doc->Doc.Traces[i];
    for (int m = 0; m < 2; ++m) {
      korv::TMarkerSlot &slot = t.ActiveMarks[static_cast<std::size_t>(m)];
      slot.Visible = 1;
      slot.Point = 200 + 300 * m;
    }
    t.ActiveMarks[1].DeltaOn = true;
    t.ActiveMarks[1].Reference = 0;
    t.FreqMarks = t.ActiveMarks;
  }
  doc->Doc.FreqLimitMode = 1;
  doc->Doc.FreqLimitValue = -15.0;
  return doc;
}

struct Window {
  korv::TfrmDoc doc;
  QCustomPlot *plot = nullptr;
  Window() {
    doc.resize(1200, 800);
    doc.SetDocument(MakeDocument());
    doc.show();
    doc.SetActiveTrace(3);
    QApplication::processEvents();
    plot = qobject_cast<korv::TXYGraph *>(doc.Graph())->Plot();
  }
};

void BM_MarkerStep(benchmark::State &state) {
  Window w;
  // Make marker 1 of the active trace the active marker (Space picks it).
  for (int i = 0; i < 2 * kTraces * 6 && (w.doc.ActiveMarker() != 0 || w.doc.ActiveTrace() != 3); ++i)
    w.doc.MarkerKey(Qt::Key_Space);
  if (w.doc.ActiveMarker() != 0) {
    state.SkipWithError("no active marker");
    return;
  }
  bool right = true;
  for (auto _ : state) {
    w.doc.MarkerKey(right ? Qt::Key_Right : Qt::Key_Left);
    right = !right;
    w.plot->repaint();
  }
}

void BM_FullRedraw(benchmark::State &state) {
  Window w;
  for (auto _ : state) {
    w.doc.RefreshAnnotations();
    w.plot->repaint();
  }
}

// Space until marker 1 of trace 3 is the active marker.
bool PickMarker(korv::TfrmDoc &doc) {
  for (int i = 0; i < 2 * kTraces * 6 && (doc.ActiveMarker() != 0 || doc.ActiveTrace() != 3); ++i)
    doc.MarkerKey(Qt::Key_Space);
  return doc.ActiveMarker() == 0 && doc.ActiveTrace() == 3;
}

void BM_MarkerStepWithTable(benchmark::State &state) {
  QTemporaryDir dir;
  const QString file = dir.filePath(QStringLiteral("full.kdt"));
  korv::WriteWholeFileAtomic(file.toStdString(), korv::DocumentFileBytes(*MakeDocument()));
  korv::TfrmMain main(korv::TSettingsContext{dir.path().toStdString() + "/", dir.path().toStdString() + "/", ""},
                      dir.filePath(QStringLiteral("Korv-MOX.ini")));
  main.resize(1500, 1000);
  main.show();
  korv::TfrmDoc *doc = main.OpenDocumentFile(file);
  // The dock is made when View > Markers first asks for it.
  auto *command = main.findChild<QAction *>(QStringLiteral("mnuViewMarkers"));
  if (command != nullptr) command->setChecked(true);
  auto *dock = main.findChild<QDockWidget *>(QStringLiteral("dockMarkers"));
  auto *table = main.findChild<QTableWidget *>(QStringLiteral("tblMarkers"));
  if (doc == nullptr || dock == nullptr || table == nullptr || !dock->isVisible()) {
    state.SkipWithError("no document or no marker table");
    return;
  }
  doc->SetDocument(MakeDocument(), file, false);
  doc->SetActiveTrace(3);
  QApplication::processEvents();
  if (!PickMarker(*doc) || table->rowCount() != 2 * kTraces) {
    state.SkipWithError("no active marker or no table rows");
    return;
  }
  QCustomPlot *plot = qobject_cast<korv::TXYGraph *>(doc->Graph())->Plot();
  bool right = true;
  for (auto _ : state) {
    doc->MarkerKey(right ? Qt::Key_Right : Qt::Key_Left);
    right = !right;
    plot->repaint();
    table->viewport()->repaint();
  }
  // The steps modified the document: closing would ask to save it.
  doc->ClearModified();
  main.close();
}

BENCHMARK(BM_FullRedraw)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MarkerStep)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MarkerStepWithTable)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv) {
  return korvbench::RunOffscreen(argc, argv,
                                 {{"BM_MarkerStep", "BM_FullRedraw"}, {"BM_MarkerStepWithTable", "BM_FullRedraw"}});
}
