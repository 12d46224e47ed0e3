// The document window's views: the chart for each plot mode, its titles,
// labels and unit words, and the annotations drawn over the traces.
#include "ui/document/Child.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QLabel>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <limits>
#include <new>

#include "core/DateTime.h"
#include "core/DistanceData.h"
#include "core/DocFile.h"
#include "core/ErrorText.h"
#include "core/Excption.h"
#include "core/FileIO.h"
#include "core/TextUtil.h"
#include "formats/DocumentIO.h"
#include "formats/LXZTTraceFile.h"
#include "measure/ChirpZ.h"
#include "measure/Convert.h"
#include "measure/MarkerRules.h"
#include "measure/SmithReadout.h"
#include "measure/ViewMath.h"
#include "ui/chart/GraphCursors.h"
#include "ui/chart/SmithGraph.h"
#include "ui/chart/XYGraph.h"
#include "ui/document/TraceColors.h"

namespace korv {

namespace {

QString Q(const std::string &s) { return QString::fromStdString(s); }

// The time of day in the long time format, "h:nn:ss AM".
std::string LongTime(double dayCount) {
  const TCivilTime t = DecodeDateTime(dayCount);
  const int h12 = t.Hour % 12 == 0 ? 12 : t.Hour % 12;
  return Format("%d:%02d:%02d %s", h12, t.Minute, t.Second, t.Hour < 12 ? "AM" : "PM");
}

} // namespace

// ---------------------------------------------------------------- graph

void TfrmDoc::CreateGraph(bool smith) {
  const bool haveSmith = m_graph && !m_xyGraph;
  if (m_graph && smith == haveSmith) return;
  if (m_graph) {
    m_layout->removeWidget(m_graph);
    delete m_graph;
    m_graph = nullptr;
    m_xyGraph = nullptr;
  }
  m_zoomed = false;
  m_zoomLevel = 0;
  if (smith) {
    m_graph = new TSmithGraph(this);
    m_graph->setObjectName(QStringLiteral("SmithGraph"));
  } else {
    m_graph = m_xyGraph = new TXYGraph(this);
    m_graph->setObjectName(QStringLiteral("XYGraph"));
  }
  m_graph->setProperty("helpContext", 1000);
  m_graph->SetLook(m_look);
  m_layout->insertWidget(0, m_graph, 1);
  if (m_smithReadout == nullptr) {
    // Fixed rows under the chart, so the disc does not move as they fill.
    m_smithReadout = new QWidget(this);
    m_smithReadout->setObjectName(QStringLiteral("SmithReadout"));
    auto *rows = new QVBoxLayout(m_smithReadout);
    rows->setContentsMargins(8, 2, 8, 4);
    rows->setSpacing(1);
    QFont mono(QStringLiteral("DejaVu Sans Mono"));
    mono.setStyleHint(QFont::Monospace);
    for (QLabel **label : {&m_smithMarkerLabel, &m_smithPointerLabel}) {
      *label = new QLabel(m_smithReadout);
      (*label)->setFont(mono);
      (*label)->setTextInteractionFlags(Qt::TextSelectableByMouse);
      (*label)->setMinimumHeight(QFontMetrics(mono).height());
      rows->addWidget(*label);
    }
    m_smithMarkerLabel->setObjectName(QStringLiteral("lblSmithMarker"));
    m_smithPointerLabel->setObjectName(QStringLiteral("lblSmithReadout"));
    m_layout->addWidget(m_smithReadout);
  }
  m_smithMarkerLabel->clear();
  m_smithPointerLabel->clear();
  m_smithReadout->setVisible(smith);
  WatchGraphInput();
  connect(m_graph, &TGraph::mouseMoved, this, [this](QPoint pixel) {
    const QPointF g = MouseGraphPosition();
    emit mousePosition(g.x(), g.y());
    if (PlotMode() == pmSmith) ShowSmithPointer(&pixel);
  });
  connect(m_graph, &TGraph::mousePressed, this, [this](QPoint pixel, Qt::MouseButton button) {
    emit graphMousePressed(pixel, button);
    m_clickTaken = false; // the hot spots of the next press decide again
  });
  connect(m_graph, &TGraph::graphAnnotationHotSpot, this, &TfrmDoc::AnnotationHotSpot);
  connect(m_graph, &TGraph::vertLineHotSpot, this, &TfrmDoc::AnnotationHotSpot);
  connect(m_graph, &TGraph::horzLineHotSpot, this, [this](int) { LimitLineHotSpot(); });
  connect(m_graph, &TGraph::mouseMoved, this, [this](QPoint pixel) {
    if (m_dragMode == 2 || m_dragMode == 3) {
      // A marker or the limit line stays on its own graph: outside it the
      // drag shows that it would not be dropped there.
      const bool inside = m_graph->rect().contains(pixel);
      m_graph->setCursor(!inside           ? QCursor(Qt::ForbiddenCursor)
                         : m_dragMode == 2 ? KorvCursor(TCursorId::DragMarker)
                                           : KorvCursor(TCursorId::DragLimitLine));
      if (inside) DragTo(pixel);
    } else if (m_tracePressed && m_dragMode == 0 &&
               (pixel - m_pressAt).manhattanLength() >= QApplication::startDragDistance()) {
      // Pressed on a trace and not released yet (the release clears it).
      m_tracePressed = false;
      StartTraceDrag();
    }
  });
  connect(m_graph, &TGraph::mouseReleased, this, [this](QPoint pixel, Qt::MouseButton) {
    if ((m_dragMode == 2 || m_dragMode == 3) && m_graph->rect().contains(pixel)) DragTo(pixel);
    m_tracePressed = false;
    EndDrag();
  });
  connect(m_graph, &TGraph::keyPressed, this, [this](int key, Qt::KeyboardModifiers) { MarkerKey(key); });
  connect(m_graph, &TGraph::resized, this, [this] {
    // Marker symbols stand a number of pixels off their points: a graph
    // laid out anew (first shown after a change of view, or resized) needs
    // them placed for its size.
    if (PlotMode() != pmSmith && m_doc->Doc.TraceCount() > 0) RefreshMarkers();
  });
  connect(m_graph, &TGraph::subsetHotSpot, this, [this](int s) {
    // Picking a trace is the Select tool's; the other tools act on their
    // click. The Smith chart has no tools: a click there picks the trace.
    if (m_toolMode != tmSelect && PlotMode() != pmSmith) return;
    if (s != m_activeTrace) {
      m_activeMarker = -1;
      SetActiveTrace(s);
    }
  });
}

int TfrmDoc::CalState() const {
  const int n = m_doc->Doc.TraceCount();
  if (n == 0) return 2;
  int cal = 0;
  for (int i = 0; i < n; ++i)
    if (m_doc->Doc.Traces[i].CalState != 0) ++cal;
  return cal == n ? 2 : cal > 0 ? 1 : 0;
}

QString TfrmDoc::YUnitWord() const { return Q(m_doc->Doc.YUnitText); }

QString TfrmDoc::XUnitWord() const {
  switch (PlotMode()) {
  case pmDistance: return m_doc->Doc.DistUnit == duFeet ? QStringLiteral("feet") : QStringLiteral("meters");
  case pmSmith: return QStringLiteral("Degrees");
  default: return QStringLiteral("MHz");
  }
}

void TfrmDoc::SetUnitWords() {
  TTraceDoc &d = m_doc->Doc;
  static const char *const kWords[] = {"Loss", "VSWR", "Rho", "mRho", "Cbl Loss"};
  if (d.PlotMode == pmSmith) {
    d.YUnitText = "Rho";
  } else if (d.ScaleUnit == suCableLoss) {
    d.YUnitText = d.PlotMode == pmDistance ? "Loss" : "Cbl Loss";
  } else {
    d.YUnitText = kWords[std::min<int>(d.ScaleUnit, 4)];
  }
  d.DistUnitText = d.DistUnit == duFeet ? "feet" : "meters";
  RenewTitles();
}

void TfrmDoc::RenewTitles() {
  TTraceDoc &d = m_doc->Doc;
  if (!d.MainTitleFixed) d.MainTitle = DefaultMainTitle(d.PlotMode, d.ScaleUnit);
  if (d.SubTitleFixed) return;
  const int n = d.TraceCount();
  if (d.PlotMode == pmDistance) {
    double lo = 10000.0, hi = 0.0;
    for (int i = 0; i < n; ++i) {
      lo = std::min<double>(lo, d.Traces[i].StartDist);
      hi = std::max<double>(hi, d.Traces[i].StopDist);
    }
    const std::string unit = XUnitWord().toStdString();
    d.SubTitle = "Distance: " + Format("%.0f", lo) + " " + unit + " - " + Format("%.0f", hi) + " " + unit;
  } else {
    double lo = 10000.0, hi = 0.0;
    for (int i = 0; i < n; ++i) {
      const TTraceData &t = d.Traces[i];
      const int pts = std::min<int>(std::max(0, t.NumPoints), static_cast<int>(t.Freq.size()));
      if (pts == 0) continue;
      lo = std::min(lo, t.Freq[0]);
      hi = std::max(hi, t.Freq[static_cast<std::size_t>(pts - 1)]);
    }
    d.SubTitle = "Frequency: " + Format("%.0f", lo) + " MHz - " + Format("%.0f", hi) + " MHz";
  }
}

QString TfrmDoc::TraceLabel(int trace) const {
  if (trace < 0 || trace >= m_doc->Doc.TraceCount()) return {};
  const TTraceData &t = m_doc->Doc.Traces[trace];
  if (!m_labelDate && !m_labelText) return Q(LongTime(t.DateTime));
  std::string label;
  if (m_labelDate) label = DateTimeToText(t.DateTime) + " ";
  if (m_labelText) label += DisplayText(t.Label.str());
  const auto first = label.find_first_not_of("/ ");
  label = first == std::string::npos ? std::string() : label.substr(first);
  return Q(label);
}

QString TfrmDoc::LocationText() const {
  const TLXZTGPSData &g = m_doc->Doc.GPSData;
  // Fields in file order: time, latitude (degrees, minutes, hemisphere),
  // longitude (same), fix quality, ..., free-text location last.
  // A record that was never filled (documents from analyzers without a
  // position) reads as unknown rather than as empty coordinates.
  const bool empty = std::all_of(g.begin(), g.end(), [](const std::string &s) { return s.empty(); });
  if (empty || g[7] == "0") return QStringLiteral("Location: Unknown");
  if (!g[14].empty()) return QStringLiteral("Location: ") + Q(DisplayText(g[14]));
  std::string s = "Location: ";
  for (int i = 1; i <= 6; ++i) {
    s += DisplayText(g[static_cast<std::size_t>(i)]);
    if (i == 1 || i == 4)
      s += "\xC2\xBA ";
    else if (i == 2 || i == 5)
      s += "\" ";
    else
      s += " ";
  }
  return Q(s);
}

void TfrmDoc::ApplyTitles() {
  TTraceDoc &d = m_doc->Doc;
  // Every build and every options change comes through here, so the shown
  // titles (and what prints) always follow the traces held now.
  RenewTitles();
  static const char *const kCal[] = {"No Cal", "Partial Cal", "Full Cal"};
  const int cal = CalState();
  d.DocCalState = static_cast<std::uint8_t>(cal);
  m_graph->SetMainTitle(Q(d.MainTitle));
  m_graph->SetSubTitle(Q(d.SubTitle) + QStringLiteral(" (") + QString::fromLatin1(kCal[cal]) + QStringLiteral(")"));
}

void TfrmDoc::ApplyHeader(bool withYLabel) {
  TTraceDoc &d = m_doc->Doc;
  TGraph &g = *m_graph;
  ApplyTitles();
  if (withYLabel) {
    static const char *const kY[] = {"Return Loss (dB)", "VSWR", "Rho", "milliRho", "Cable Loss (dB)"};
    const int u = std::min<int>(d.ScaleUnit, 4);
    g.SetYAxisLabel(QString::fromLatin1(u == suCableLoss && d.PlotMode == pmDistance ? kY[0] : kY[u]));
  }
  // Points per subset: what the traces really hold, never a stored count
  // alone (a damaged count must not size the graph).
  int maxPoints = 0;
  for (int i = 0; i < d.TraceCount(); ++i) {
    const TTraceData &t = d.Traces[i];
    const std::size_t held = std::max({t.Freq.size(), t.Mag.size(), t.DistAxis.size()});
    maxPoints = std::max(maxPoints, static_cast<int>(std::min<std::size_t>(std::max(0, t.NumPoints), held)));
  }
  if (d.TraceCount() == 0) {
    g.SetSubsets(1);
    g.SetPoints(1);
    g.SetXData(0, 0, 0.0);
    g.SetYData(0, 0, 0.0);
    g.SetSubsetLabel(0, QString());
    g.SetManualX(true, 0.0, 2000.0);
    g.SetManualY(true, 0.0, 1.0);
  } else {
    g.SetSubsets(0); // drop old data: every point is set again below
    g.SetSubsets(d.TraceCount());
    g.SetPoints(maxPoints);
    g.SetManualX(ManualX(), d.CurScale.XMin, d.CurScale.XMax);
    g.SetManualY(ManualY(), d.CurScale.YMin, d.CurScale.YMax);
  }
  ApplyTraceStyles(g);
  for (int s = 0; s < g.Subsets(); ++s)
    g.SetSubsetLineType(s, ltMediumSolid);
}

void TfrmDoc::ApplySubsetLabels() {
  for (int i = 0; i < m_doc->Doc.TraceCount(); ++i) {
    // A hidden trace has no entry in the legend either.
    if (TraceHidden(i)) {
      m_graph->SetSubsetLabel(i, QString());
      continue;
    }
    QString label = TraceLabel(i);
    if (m_doc->Doc.Traces[i].CalState != 0) label += QStringLiteral(" (C)");
    m_graph->SetSubsetLabel(i, label);
  }
}

void TfrmDoc::ApplyMultiSubTitles() {
  m_graph->SetMultiSubTitle(-1, QString());
  if (m_doc->Doc.TraceCount() == 1) {
    m_graph->SetMultiSubTitle(0, QStringLiteral("|") + TraceLabel(0) + QStringLiteral("|"));
    m_graph->SetMultiSubTitle(1, QStringLiteral("|") + LocationText() + QStringLiteral("|"));
  }
}

void TfrmDoc::BuildFrequencyView() {
  if (!m_xyGraph) return;
  TTraceDoc &d = m_doc->Doc;
  ApplyHeader(true);
  m_graph->SetXAxisLabel(QStringLiteral("Frequency (MHz)"));
  const bool cableLoss = d.ScaleUnit == suCableLoss;
  std::vector<float> x, y;
  for (int i = 0; i < d.TraceCount(); ++i) {
    const TTraceData &t = d.Traces[i];
    if (TraceHidden(i)) {
      m_graph->SetSubsetData(i, {}, {});
      continue;
    }
    const int n = UsablePoints(t, t.Freq, t.Mag);
    x.assign(t.Freq.begin(), t.Freq.begin() + n);
    if (cableLoss)
      y = CableLossSeries(t.Mag, n);
    else
      y.assign(t.Mag.begin(), t.Mag.begin() + n);
    m_graph->SetSubsetData(i, x, y);
  }
  ApplySubsetLabels();
  ApplyMultiSubTitles();
  if (isVisible()) m_graph->setFocus();
  RefreshAnnotations();
}

void TfrmDoc::BuildDistanceView() {
  if (!m_xyGraph) return;
  emit readoutPaused(true);
  TTraceDoc &d = m_doc->Doc;
  for (int i = 0; i < d.TraceCount();) {
    const TTraceData &t = d.Traces[i];
    if (static_cast<int>(t.DistAxis.size()) == t.NumPoints) {
      ++i;
      continue;
    }
    if (RunFaultLocationWizard(i + 1)) {
      MarkModified();
      ++i;
    } else {
      d.Traces.Delete(i);
      ForgetHidden(i);
      m_activeTrace = d.TraceCount() > 0 ? 0 : -1;
      m_activeMarker = -1;
      MarkModified();
    }
  }
  RenewTitles();
  ApplyHeader(true);
  m_graph->SetXAxisLabel(QStringLiteral("Distance (") + XUnitWord() + QStringLiteral(")"));
  std::vector<float> x, y;
  for (int i = 0; i < d.TraceCount(); ++i) {
    const TTraceData &t = d.Traces[i];
    if (TraceHidden(i)) {
      m_graph->SetSubsetData(i, {}, {});
      continue;
    }
    const int n = UsablePoints(t, t.DistAxis, t.DistMag);
    x.assign(t.DistAxis.begin(), t.DistAxis.begin() + n);
    y.assign(t.DistMag.begin(), t.DistMag.begin() + n);
    m_graph->SetSubsetData(i, x, y);
  }
  ApplySubsetLabels();
  ApplyMultiSubTitles();
  if (isVisible()) m_graph->setFocus();
  RefreshAnnotations();
  emit readoutPaused(false);
  emit stateChanged();
}

void TfrmDoc::BuildSmithView() {
  if (m_xyGraph) return;
  TTraceDoc &d = m_doc->Doc;
  ApplyHeader(false);
  if (d.TraceCount() > 0) m_graph->SetManualY(false);
  std::vector<float> xs, ys;
  for (int i = 0; i < d.TraceCount(); ++i) {
    const TTraceData &t = d.Traces[i];
    m_graph->SetSubsetLineType(i, ltThinSolid);
    const int n = TraceHidden(i) ? 0 : UsablePoints(t, t.Mag, t.Angle);
    xs.assign(static_cast<std::size_t>(n), kGraphNullValue);
    ys.assign(static_cast<std::size_t>(n), kGraphNullValue);
    for (int j = 0; j < n; ++j) {
      const auto uj = static_cast<std::size_t>(j);
      // A value no reflection can have is left out (a gap).
      if (const auto z = SmithImpedance(t.Mag[uj], d.ScaleUnit, t.Angle[uj])) {
        xs[uj] = static_cast<float>(z->R);
        ys[uj] = static_cast<float>(z->X);
      }
    }
    m_graph->SetSubsetData(i, xs, ys);
  }
  ApplySubsetLabels();
  ApplyMultiSubTitles();
  if (isVisible()) m_graph->setFocus();
  RefreshAnnotations();
}

void TfrmDoc::RebuildView() {
  switch (PlotMode()) {
  case pmDistance: BuildDistanceView(); break;
  case pmSmith: BuildSmithView(); break;
  default: BuildFrequencyView(); break;
  }
}

void TfrmDoc::RefreshAnnotations() {
  SetAnnotations();
  m_graph->Rebuild();
  emit marksChanged();
}

void TfrmDoc::RefreshMarkers() {
  SetAnnotations();
  m_graph->RefreshOverlay();
  emit marksChanged();
}

void TfrmDoc::SetAnnotations() {
  // Line types: the active trace stands out, thicker on small windows.
  // Without an active trace every trace is thin.
  for (int s = 0; s < m_graph->Subsets(); ++s)
    m_graph->SetSubsetLineType(s, ltThinSolid);
  if (m_activeTrace >= 0 && m_activeTrace < m_graph->Subsets()) {
    const bool large = static_cast<long>(width()) * height() >= kLargeWindowArea;
    m_graph->SetSubsetLineType(m_activeTrace, large ? ltMediumSolid : ltThickSolid);
  }
  if (PlotMode() != pmSmith) {
    // Everything over the traces is drawn afresh on every refresh.
    m_graph->SetMultiBottomTitle(-1, QString());
    m_graph->SetGraphAnnotation(-1, {});
    m_graph->SetVertLineAnnotation(-1, {});
    m_annotationMap.Clear();
    const TTraceDoc &d = m_doc->Doc;
    const bool dist = d.PlotMode == pmDistance;
    const double limit = dist ? d.DistLimitValue : d.FreqLimitValue;
    // Symbols stand one forty-fifth of the window's height off their point.
    const int step = std::max(1, height() / 45);
    // Asked of the laid-out graph only when a marker needs it: a hidden
    // window would be laid out for nothing.
    double offset = -1.0;
    const auto h = [&] {
      if (offset < 0.0)
        offset = std::abs(m_graph->PixelToGraph(QPointF(0, 0)).y() - m_graph->PixelToGraph(QPointF(0, step)).y());
      return offset;
    };
    int k = 0;
    bool anyLine = false;
    for (int i = 0; i < d.TraceCount(); ++i) {
      if (TraceHidden(i)) continue;
      const TPlotted p = PlottedTrace(i);
      const TMarkerSet &marks = d.Traces[i].ActiveMarks;
      for (int j = 0; j < kMarkersPerTrace; ++j) {
        const TMarkerSlot &m = marks[static_cast<std::size_t>(j)];
        if (m.Visible == 0 || m.Point < 0 || m.Point >= static_cast<int>(p.X.size())) continue;
        const double x = p.X[static_cast<std::size_t>(m.Point)], y = p.Y[static_cast<std::size_t>(m.Point)];
        const bool active = i == m_activeTrace && j == m_activeMarker;
        const QColor color = i != m_activeTrace ? QColor(128, 128, 128)
                             : active           ? QColor(128, 0, 0)
                                                : QColor(0, 0, 255);
        if (m.Style == 0) {
          const int type = active ? (m_dragMode == 2 ? atMarkerDragged : atMarkerActive) : atMarkerBelow;
          m_graph->SetGraphAnnotation(k, TGraphAnnotation{x, active ? y + h() : y - h(), type, color,
                                                          QString::number(j + 1), true, QPointF(x, y)});
          m_graph->SetVertLineAnnotation(k, TLineAnnotation{x, atNone, color, QString()});
        } else {
          m_graph->SetGraphAnnotation(k, TGraphAnnotation{x, y, atNone, color, QString()});
          m_graph->SetVertLineAnnotation(k, TLineAnnotation{x, atLine, color, QStringLiteral("|H%1").arg(j + 1)});
          anyLine = true;
        }
        m_annotationMap.SetTrace(k, i);
        m_annotationMap.SetSlot(k, j);
        ++k;
      }
    }
    m_graph->SetTopMargin(anyLine ? QStringLiteral("  ") : QString());
    m_graph->ShowVertLineAnnotations(true);
    m_graph->ShowGraphAnnotations(true);
    if (m_activeTrace >= 0 && m_activeTrace < d.TraceCount()) {
      const auto lines = ReadoutLines(PlottedTrace(m_activeTrace), d.Traces[m_activeTrace].ActiveMarks, limit);
      for (int line = 0; line < 3; ++line)
        m_graph->SetMultiBottomTitle(line, Q(lines[static_cast<std::size_t>(line)]));
    }
    // The limit line of the current domain: horizontal-line annotation 0,
    // dark red while it is dragged.
    m_graph->SetHorzLineAnnotation(-1, {});
    if (limit < kUnplacedLimit && d.TraceCount() > 0)
      m_graph->SetHorzLineAnnotation(0, TLineAnnotation{limit, atLine,
                                                        m_dragMode == 3 ? QColor(128, 0, 0) : LimitLineColor(),
                                                        QStringLiteral("Limit: ") + Q(Format("%8.3f", limit))});
    m_graph->SetLineAnnotationTextSize(90);
    m_graph->ShowHorzLineAnnotations((dist ? d.DistLimitMode : d.FreqLimitMode) != 0);
  } else {
    SetSmithAnnotations();
  }
}

void TfrmDoc::SetSmithAnnotations() {
  // The frequency view's markers at their points, in its colours and
  // symbols; the active marker's readout under the chart.
  m_graph->SetGraphAnnotation(-1, {});
  m_annotationMap.Clear();
  const TTraceDoc &d = m_doc->Doc;
  int k = 0;
  for (int i = 0; i < d.TraceCount() && i < m_graph->Subsets(); ++i) {
    const TMarkerSet &marks = d.Traces[i].FreqMarks;
    for (int j = 0; j < kMarkersPerTrace; ++j) {
      const TMarkerSlot &m = marks[static_cast<std::size_t>(j)];
      if (m.Visible == 0 || m.Point < 0 || m.Point >= m_graph->Points()) continue;
      // Where the chart draws the point: a value without a reflection is a gap.
      const float r = m_graph->XData(i, m.Point), x = m_graph->YData(i, m.Point);
      if (r == kGraphNullValue || x == kGraphNullValue) continue;
      const bool active = i == m_activeTrace && j == m_activeMarker;
      const QColor color = i != m_activeTrace ? QColor(128, 128, 128) : active ? QColor(128, 0, 0) : QColor(0, 0, 255);
      const int type = active ? (m_dragMode == 2 ? atMarkerDragged : atMarkerActive) : atMarkerBelow;
      m_graph->SetGraphAnnotation(k, TGraphAnnotation{r, x, type, color, QString::number(j + 1), true, QPointF(r, x)});
      m_annotationMap.SetTrace(k, i);
      m_annotationMap.SetSlot(k, j);
      ++k;
    }
  }
  m_graph->ShowGraphAnnotations(true);
  if (m_smithMarkerLabel != nullptr) m_smithMarkerLabel->setText(SmithMarkerReadout());
}

QString TfrmDoc::SmithMarkerReadout() const {
  const TTraceDoc &d = m_doc->Doc;
  if (PlotMode() != pmSmith || m_activeTrace < 0 || m_activeTrace >= d.TraceCount() || m_activeMarker < 0 ||
      m_activeMarker >= kMarkersPerTrace)
    return {};
  const TMarkerSlot &m = d.Traces[m_activeTrace].FreqMarks[static_cast<std::size_t>(m_activeMarker)];
  if (m.Visible == 0) return {};
  const auto r = SmithReadoutAt(d, m_activeTrace, m.Point);
  if (!r) return {};
  return QStringLiteral("M%1     ").arg(m_activeMarker + 1) + Q(SmithReadoutText(*r));
}

void TfrmDoc::ShowSmithPointer(const QPoint *pixel) {
  if (m_smithPointerLabel == nullptr) return;
  QString text;
  // The active trace; without one, the only trace there is.
  const int trace = m_activeTrace >= 0 ? m_activeTrace : m_doc->Doc.TraceCount() == 1 ? 0 : -1;
  if (pixel != nullptr && trace >= 0 && m_graph->rect().contains(*pixel)) {
    if (const auto r = SmithReadoutAt(m_doc->Doc, trace, SmithPointAt(trace, QPointF(*pixel))))
      text = QStringLiteral("Cursor ") + Q(SmithReadoutText(*r));
  }
  if (m_smithPointerLabel->text() != text) m_smithPointerLabel->setText(text);
}

} // namespace korv
