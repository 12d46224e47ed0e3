#include "ui/document/Child.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QVBoxLayout>
#include <algorithm>
#include <cfenv>
#include <cmath>
#include <limits>
#include <new>
#include <numbers>

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
#include "ui/chart/SmithGraph.h"
#include "ui/chart/XYGraph.h"
#include "ui/dialogs/DocMessages.h"
#include "ui/dialogs/DtfDialog.h"
#include "ui/dialogs/SaveAsCsvOptions.h"
#include "ui/document/TraceColors.h"

namespace korv {

namespace {

constexpr const char *kMsgDtfCalc = "Error in Distance To Fault calculation.";
constexpr const char *kMsgDynArrays = "Error in Dynamic Arrays.";

QString Q(const std::string &s) { return QString::fromStdString(s); }

std::string FileNameBytes(const QString &name) { return name.toStdString(); }

// Number of points of a trace that every array it uses really holds.
int UsablePoints(const TTraceData &t, const TrsDynDouble &x, const TrsDynDouble &y) {
  const auto n = std::min({static_cast<std::size_t>(std::max(0, t.NumPoints)), x.size(), y.size()});
  return static_cast<int>(n);
}

// The time of day in the long time format, "h:nn:ss AM".
std::string LongTime(double dayCount) {
  const TCivilTime t = DecodeDateTime(dayCount);
  const int h12 = t.Hour % 12 == 0 ? 12 : t.Hour % 12;
  return Format("%d:%02d:%02d %s", h12, t.Minute, t.Second, t.Hour < 12 ? "AM" : "PM");
}

// Delphi-style Round: halves go to the even neighbour.
long RoundHalfEven(double v) {
  const int old = std::fegetround();
  std::fesetround(FE_TONEAREST);
  const double r = std::nearbyint(v);
  std::fesetround(old);
  return static_cast<long>(r);
}

} // namespace

TfrmDoc::TfrmDoc(QWidget *parent) : QWidget(parent), m_doc(std::make_unique<TmoxDocument>(TmoxDocument::EmptyTag{})) {
  setObjectName(QStringLiteral("frmDoc"));
  setProperty("helpContext", kHelpContext);
  setAttribute(Qt::WA_DeleteOnClose, false);
  m_layout = new QVBoxLayout(this);
  m_layout->setContentsMargins(0, 0, 0, 0);
  m_doc->Doc.MainTitle = DefaultMainTitle(pmFrequency, m_doc->Doc.ScaleUnit);
  m_doc->Doc.DistUnitText = "meters";
  CreateGraph(false);
  SetUnitWords();
  BuildFrequencyView();
}

TfrmDoc::~TfrmDoc() = default;

// ---------------------------------------------------------------- files

bool TfrmDoc::OpenFileW(const QString &fileName) {
  try {
    TOpenResult r = OpenDocument(FileNameBytes(fileName));
    const bool imported = r.Format != TDocFormat::Kdt;
    if (!r.Warning.empty()) {
      // A damaged CSV still loads, but the user must know its data may be wrong.
      ShowDocMessage(this, TMsgKind::Warning, Q(r.Warning), QMessageBox::Ok);
      emit statusText(Q(r.Warning));
    }
    SetDocument(std::move(r.Document), fileName, imported);
    return true;
  } catch (...) {
    const TFailureReport rep = DescribeOpenFailure(std::current_exception(), FileNameBytes(fileName));
    if (!rep.Message.empty()) ShowDocMessage(this, TMsgKind::Error, Q(rep.Message), QMessageBox::Ok, rep.HelpButton);
    emit statusText(Q(rep.Summary));
    return false;
  }
}

TfrmDoc::TSaveOutcome TfrmDoc::SaveFile(const QString &fileName, bool upgrade) {
  try {
    m_doc->StoreActiveMarks();
    StoreCurrentDomain();
    const auto askOlder = [this] {
      return ShowDocMessage(this, TMsgKind::Question, QString::fromLatin1(kMsgOlderFormat),
                            QMessageBox::Yes | QMessageBox::No, true) == QMessageBox::Yes;
    };
    const bool wasModified = IsModified();
    // A one-trace format asks which trace to keep rather than picking one silently.
    int trace = 0;
    const TDocFormat format = SaveFormatFor(FileNameBytes(fileName));
    if (format == TDocFormat::Csv || format == TDocFormat::S1p) {
      const TTraceChoice choice = TraceChoiceForSave(m_doc->Doc.Traces);
      if (choice.AskUser) {
        const QString prompt =
            format == TDocFormat::Csv
                ? QStringLiteral("CSV files can only save one trace. This file contains multiple trace. "
                                 "Which trace do you wish to use?")
                : QStringLiteral("Touchstone files can only save one trace. This file contains multiple traces. "
                                 "Which trace do you wish to use?");
        trace = ChooseTraceToSave(this, prompt, choice.Descriptions, choice.Preselected,
                                  format == TDocFormat::Csv ? QStringLiteral("Save As CSV Options")
                                                            : QStringLiteral("Save As Touchstone Options"));
        if (trace < 0) return TSaveOutcome::Failed;
      }
    }
    const TSourceFormat readFlag = m_doc->Doc.ReadFlag;
    if (upgrade && format == TDocFormat::Kdt) m_doc->Doc.FileVersion = kCurrentFileVersion;
    if (!SaveDocument(*m_doc, FileNameBytes(fileName), askOlder, trace)) return TSaveOutcome::Failed;
    if (format != TDocFormat::Kdt && m_doc->Doc.TraceCount() > 1) {
      // The window still holds what it held: the same source and changes.
      m_doc->Doc.ReadFlag = readFlag;
      m_doc->Doc.Modified = wasModified ? 1 : 0;
      emit statusText(QStringLiteral("Trace %1 exported to %2").arg(trace + 1).arg(fileName));
      return TSaveOutcome::Exported;
    }
    // The file now holds the whole document: later saves go to it directly.
    m_imported = false;
    SetFileName(fileName);
    m_doc->Doc.Modified = 0;
    if (wasModified) emit modifiedChanged(false);
    return TSaveOutcome::Saved;
  } catch (...) {
    const TFailureReport rep = DescribeSaveFailure(std::current_exception(), FileNameBytes(fileName));
    if (!rep.Message.empty()) ShowDocMessage(this, TMsgKind::Error, Q(rep.Message), QMessageBox::Ok, rep.HelpButton);
    emit statusText(Q(rep.Summary));
    return TSaveOutcome::Failed;
  }
}

void TfrmDoc::SetDocument(std::unique_ptr<TmoxDocument> document, const QString &fileName, bool imported) {
  if (!document) return;
  m_doc = std::move(document);
  m_imported = imported;
  m_zoomed = false;
  m_zoomLevel = 0;
  m_activeMarker = -1;
  m_activeTrace = -1;
  if (m_doc->Doc.DistUnitText.empty()) m_doc->Doc.DistUnitText = m_doc->Doc.DistUnit == duFeet ? "feet" : "meters";
  int mode = m_doc->Doc.PlotMode;
  if (mode < pmFrequency || mode > pmSmith) mode = pmFrequency;
  // Stored distance data is shown as it is; any other document saved in
  // the distance view gets its distance results computed now.
  m_doc->Doc.PlotMode = mode;
  if (!UseStoredDistanceData(m_doc->Doc) && mode == pmDistance) {
    for (int i = 0; i < m_doc->Doc.TraceCount(); ++i) {
      TTraceData &t = m_doc->Doc.Traces[i];
      if (static_cast<int>(t.DistAxis.size()) != t.NumPoints && t.MaxDist > 0) {
        try {
          ComputeTraceDTF(t, m_doc->Doc.ScaleUnit);
        } catch (const Exception &) {
          // The distance view asks for parameters of this trace.
        }
      }
    }
  }
  SetFileName(fileName);
  const std::uint8_t wasModified = m_doc->Doc.Modified;
  m_doc->Doc.PlotMode = mode;
  m_doc->SelectScale();
  CreateGraph(mode == pmSmith);
  SetUnitWords();
  if (mode == pmFrequency)
    m_doc->LoadActiveMarks(), BuildFrequencyView();
  else if (mode == pmDistance)
    m_doc->LoadActiveMarks(), BuildDistanceView();
  else
    BuildSmithView();
  if (!wasModified && m_doc->Doc.Modified) ClearModified();
  emit plotModeChanged(mode);
  emit modifiedChanged(IsModified());
  emit stateChanged();
}

void TfrmDoc::SetFileName(const QString &fileName) {
  m_fileName = fileName;
  setWindowTitle(fileName.isEmpty() ? QStringLiteral("Untitled") : fileName);
}

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
  m_layout->addWidget(m_graph);
  connect(m_graph, &TGraph::mouseMoved, this, [this](QPoint) {
    const QPointF g = MouseGraphPosition();
    emit mousePosition(g.x(), g.y());
  });
  connect(m_graph, &TGraph::mousePressed, this, &TfrmDoc::graphMousePressed);
  connect(m_graph, &TGraph::subsetHotSpot, this, [this](int s) {
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

void TfrmDoc::ApplyHeader(bool withYLabel) {
  TTraceDoc &d = m_doc->Doc;
  TGraph &g = *m_graph;
  static const char *const kCal[] = {"No Cal", "Partial Cal", "Full Cal"};
  const int cal = CalState();
  d.DocCalState = static_cast<std::uint8_t>(cal);
  g.SetMainTitle(Q(d.MainTitle));
  g.SetSubTitle(Q(d.SubTitle) + QStringLiteral(" (") + QString::fromLatin1(kCal[cal]) + QStringLiteral(")"));
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
    const int n = UsablePoints(t, t.Freq, t.Mag);
    x.assign(static_cast<std::size_t>(n), 0.0F);
    y.assign(static_cast<std::size_t>(n), 0.0F);
    for (int j = 0; j < n; ++j) {
      const auto uj = static_cast<std::size_t>(j);
      x[uj] = static_cast<float>(t.Freq[uj]);
      if (!cableLoss) {
        y[uj] = static_cast<float>(t.Mag[uj]);
        continue;
      }
      // Cable loss: half the mean of ten neighbouring points, summed in
      // single precision like the graph's point value. Short traces average
      // what they have instead of reading before the first point.
      const int window = std::min(10, n);
      long start = n > 1 ? RoundHalfEven(static_cast<double>(j) * (n - 10) / (n - 1)) : 0;
      start = std::clamp<long>(start, 0, n - window);
      float sum = 0.0F;
      for (int k = 0; k < window; ++k)
        sum += static_cast<float>(t.Mag[static_cast<std::size_t>(start + k)]);
      y[uj] = window == 10 ? 0.05F * sum : 0.5F * sum / static_cast<float>(window);
    }
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
    const int n = UsablePoints(t, t.Mag, t.Angle);
    xs.assign(static_cast<std::size_t>(n), kGraphNullValue);
    ys.assign(static_cast<std::size_t>(n), kGraphNullValue);
    for (int j = 0; j < n; ++j) {
      const auto uj = static_cast<std::size_t>(j);
      double rho = t.Mag[uj];
      try {
        switch (d.ScaleUnit) {
        case suVSWR: rho = VswrToRho(rho); break;
        case suRho: break;
        case suMRho: rho *= 0.001; break;
        default: rho = ReturnLossToRho(rho); break;
        }
      } catch (const Exception &) {
        continue; // a value no reflection can have is left out
      }
      const double theta = t.Angle[uj] * std::numbers::pi / 180.0;
      const double gi = rho * std::sin(theta);
      const double gr = rho * std::cos(theta);
      const double x = 2.0 * gi / ((gr - 1.0) * (gr - 1.0) + gi * gi);
      double r;
      if (gi == 0.0) {
        r = rho > 0.0 ? RhoToVswr(rho) : 1.0;
      } else {
        r = std::sqrt(2.0 * x / gi - x * x) - 1.0;
        // Rounding can leave the root's argument a hair below zero near the
        // rim; the closed form gives the same r without the root.
        if (!std::isfinite(r)) r = (1.0 - rho * rho) / ((1.0 - gr) * (1.0 - gr) + gi * gi);
      }
      if (!std::isfinite(r) || !std::isfinite(x)) continue;
      xs[uj] = static_cast<float>(r);
      ys[uj] = static_cast<float>(x);
    }
    m_graph->SetSubsetData(i, xs, ys);
  }
  ApplySubsetLabels();
  ApplyMultiSubTitles();
  m_graph->Rebuild();
}

void TfrmDoc::RebuildView() {
  switch (PlotMode()) {
  case pmDistance: BuildDistanceView(); break;
  case pmSmith: BuildSmithView(); break;
  default: BuildFrequencyView(); break;
  }
}

void TfrmDoc::RefreshAnnotations() {
  // Line types: the active trace stands out, thicker on small windows.
  // Without an active trace every trace is thin.
  for (int s = 0; s < m_graph->Subsets(); ++s)
    m_graph->SetSubsetLineType(s, ltThinSolid);
  if (m_activeTrace >= 0 && m_activeTrace < m_graph->Subsets()) {
    const bool large = static_cast<long>(width()) * height() >= kLargeWindowArea;
    m_graph->SetSubsetLineType(m_activeTrace, large ? ltMediumSolid : ltThickSolid);
  }
  if (PlotMode() != pmSmith) {
    // Marker symbols, marker lines and their readouts are drawn here once
    // markers are placed on graphs; the lists start empty on every refresh.
    m_graph->SetMultiBottomTitle(-1, QString());
    m_graph->SetGraphAnnotation(-1, {});
    m_graph->SetVertLineAnnotation(-1, {});
    // The limit line of the current domain: horizontal-line annotation 0.
    const TTraceDoc &d = m_doc->Doc;
    const bool dist = d.PlotMode == pmDistance;
    const double limit = dist ? d.DistLimitValue : d.FreqLimitValue;
    m_graph->SetHorzLineAnnotation(-1, {});
    if (limit < kUnplacedLimit && d.TraceCount() > 0)
      m_graph->SetHorzLineAnnotation(
          0, TLineAnnotation{limit, atLine, LimitLineColor(), QStringLiteral("Limit: ") + Q(Format("%8.3f", limit))});
    m_graph->SetLineAnnotationTextSize(90);
    m_graph->ShowHorzLineAnnotations((dist ? d.DistLimitMode : d.FreqLimitMode) != 0);
  }
  m_graph->Rebuild();
}

// ---------------------------------------------------------------- modes

void TfrmDoc::StoreCurrentDomain() {
  TTraceDoc &d = m_doc->Doc;
  TScaleGroup &group = d.PlotMode == pmDistance ? d.DistScale : d.FreqScale;
  group.XMin = d.CurScale.XMin;
  group.XMax = d.CurScale.XMax;
  group.YMin = d.CurScale.YMin;
  group.YMax = d.CurScale.YMax;
  group.Flag1 = d.CurScale.Flag2;
  group.Flag2 = d.CurScale.Flag1;
}

void TfrmDoc::SetPlotMode(int mode) {
  if (mode < pmFrequency || mode > pmSmith) return;
  TTraceDoc &d = m_doc->Doc;
  if (d.PlotMode != pmSmith) m_doc->StoreActiveMarks();
  StoreCurrentDomain();
  d.PlotMode = mode;
  m_doc->SelectScale();
  CreateGraph(mode == pmSmith);
  m_graph->SetZoomMode(false);
  m_zoomed = false;
  m_zoomLevel = 0;
  SetUnitWords();
  emit plotModeChanged(mode);
  if (mode == pmFrequency) {
    m_doc->LoadActiveMarks();
    BuildFrequencyView();
  } else if (mode == pmDistance) {
    m_doc->LoadActiveMarks();
    m_activeMarker = -1;
    BuildDistanceView();
  } else {
    BuildSmithView();
  }
  MarkModified();
  emit stateChanged();
}

bool TfrmDoc::ShowFaultLocation() {
  TTraceDoc &d = m_doc->Doc;
  bool missing = false;
  for (int i = 0; i < d.TraceCount(); ++i)
    if (static_cast<int>(d.Traces[i].DistAxis.size()) != d.Traces[i].NumPoints) missing = true;
  if (missing) {
    if (!RunFaultLocationWizard(0)) {
      emit plotModeChanged(PlotMode());
      return false;
    }
    MarkModified();
  }
  SetPlotMode(pmDistance);
  return true;
}

bool TfrmDoc::RunFaultLocationWizard(int traceIndex) {
  if (m_faultHook) return m_faultHook(*this, traceIndex);
  if (m_doc->Doc.TraceCount() == 0) return false;
  TdlgDTF dialog(this, m_faultOptions.CableListPath, m_faultOptions.DielectricFormat != 0);
  connect(&dialog, &TdlgDTF::cableListPathChanged, this, [this](const QString &path) {
    m_faultOptions.CableListPath = path;
    emit cableListPathChanged(path);
  });
  dialog.Initialise();
  try {
    dialog.Open(m_doc->Doc.Traces, traceIndex, m_doc->Doc.DistUnit, [this](int index) { ApplyFaultSettings(index); });
  } catch (const Exception &e) {
    ShowError(Q(e.Message())); // a trace index the document does not have
    return false;
  }
  return dialog.exec() == QDialog::Accepted;
}

bool TfrmDoc::FaultLocationWizardCommand() {
  if (!RunFaultLocationWizard(0)) return false;
  MarkModified();
  RenewTitles();
  if (PlotMode() == pmDistance) BuildDistanceView();
  emit stateChanged();
  return true;
}

bool TfrmDoc::ApplyFaultSettings(int index) {
  TTraceDoc &d = m_doc->Doc;
  const auto computeOne = [&](TTraceData &t) {
    // A point count the arrays do not back is a damaged trace: no transform.
    const auto n = static_cast<std::size_t>(std::max(0, t.NumPoints));
    if (n > t.Freq.size() || n > t.Mag.size() || n > t.Angle.size()) throw EmoxChirpZError(kMsgChirpZ);
    m_doc->UpdateTraceDerived(t);
    ComputeTraceDTF(t, d.ScaleUnit);
  };
  try {
    if (index == 0) {
      for (int i = 0; i < d.TraceCount(); ++i)
        computeOne(d.Traces[i]);
    } else if (index >= 1 && index <= d.TraceCount()) {
      computeOne(d.Traces[index - 1]);
    }
  } catch (const std::bad_alloc &) {
    ShowError(QString::fromLatin1(kMsgDynArrays));
    return false;
  } catch (const Exception &) {
    ShowError(QString::fromLatin1(kMsgDtfCalc));
    return false;
  } catch (const std::exception &) {
    ShowError(QString::fromLatin1(kMsgDynArrays));
    return false;
  }
  return true;
}

// ---------------------------------------------------------------- units

bool TfrmDoc::SetDisplayUnit(int unit) {
  TTraceDoc &d = m_doc->Doc;
  if (d.PlotMode == pmSmith || !IsValidScaleUnit(unit)) return false;
  const int from = d.ScaleUnit;
  // Convert copies first: a value out of range refuses the whole change.
  std::vector<TrsDynDouble> mags, dists;
  double limit = d.PlotMode == pmDistance ? d.DistLimitValue : d.FreqLimitValue;
  try {
    for (int i = 0; i < d.TraceCount(); ++i) {
      mags.push_back(d.Traces[i].Mag);
      ConvertArray(mags.back(), from, unit);
      dists.push_back(d.Traces[i].DistMag);
      ConvertArray(dists.back(), from, unit);
    }
    if (limit < kUnplacedLimit) ConvertValue(limit, from, unit);
  } catch (const Exception &e) {
    ShowError(Q(e.Message()));
    return false;
  }
  MarkModified();
  for (int i = 0; i < d.TraceCount(); ++i) {
    d.Traces[i].Mag.swap(mags[static_cast<std::size_t>(i)]);
    d.Traces[i].DistMag.swap(dists[static_cast<std::size_t>(i)]);
  }
  (d.PlotMode == pmDistance ? d.DistLimitValue : d.FreqLimitValue) = limit;
  d.ScaleUnit = static_cast<std::uint8_t>(unit);
  if (from != unit) {
    // A manual Y range is in the old unit (dB is not VSWR): both domains
    // go back to automatic Y scaling rather than show an empty graph.
    d.CurScale.Flag1 = 0;
    d.FreqScale.Flag2 = 0;
    d.DistScale.Flag2 = 0;
  }
  SetUnitWords();
  if (d.PlotMode == pmFrequency) {
    if (!d.MainTitleFixed) d.MainTitle = DefaultMainTitle(pmFrequency, d.ScaleUnit);
    BuildFrequencyView();
  } else {
    BuildDistanceView();
  }
  emit stateChanged();
  return true;
}

bool TfrmDoc::SetDistanceUnit(int unit) {
  if (unit != duMeters && unit != duFeet) return false;
  TTraceDoc &d = m_doc->Doc;
  MarkModified();
  const int from = d.DistUnit;
  d.DistUnit = static_cast<std::uint8_t>(unit);
  for (int i = 0; i < d.TraceCount(); ++i)
    ConvertDistanceUnits(d.Traces[i], from, unit);
  if (from != unit && from <= duFeet) {
    // The distance scale is in the old unit too.
    const double f = unit == duFeet ? kFeetPerMetre : kMetresPerFoot;
    d.DistScale.XMin *= f, d.DistScale.XMax *= f;
    if (d.PlotMode == pmDistance) d.CurScale.XMin *= f, d.CurScale.XMax *= f;
  }
  SetUnitWords();
  if (d.PlotMode == pmDistance) BuildDistanceView();
  emit stateChanged();
  return true;
}

// ---------------------------------------------------------------- scale, zoom

void TfrmDoc::SetManualScale(bool manualX, double xMin, double xMax, bool manualY, double yMin, double yMax) {
  TScaleGroup &c = m_doc->Doc.CurScale;
  c.Flag2 = manualX ? 1 : 0;
  c.Flag1 = manualY ? 1 : 0;
  if (manualX) c.XMin = std::min(xMin, xMax), c.XMax = std::max(xMin, xMax);
  if (manualY) c.YMin = std::min(yMin, yMax), c.YMax = std::max(yMin, yMax);
  StoreCurrentDomain();
  m_graph->SetManualX(ManualX(), c.XMin, c.XMax);
  m_graph->SetManualY(ManualY(), c.YMin, c.YMax);
  RefreshAnnotations();
}

void TfrmDoc::LeaveZoom() {
  if (!m_zoomed && m_zoomLevel == 0) return;
  m_graph->SetZoomMode(false);
  m_zoomed = false;
  m_zoomLevel = 0;
  emit selectToolRequested();
  emit stateChanged();
}

void TfrmDoc::AutoScale() {
  LeaveZoom();
  AutoScaleX();
  AutoScaleY();
}

void TfrmDoc::WidenScaleToTrace(int index) {
  TTraceDoc &d = m_doc->Doc;
  if (d.PlotMode == pmSmith || index < 0 || index >= d.TraceCount()) return;
  const TTraceData &t = d.Traces[index];
  const bool dist = d.PlotMode == pmDistance;
  const TrsDynDouble &xs = dist ? t.DistAxis : t.Freq;
  const TrsDynDouble &ys = dist ? t.DistMag : t.Mag;
  const int n = UsablePoints(t, xs, ys);
  double xLo = std::numeric_limits<double>::max(), xHi = std::numeric_limits<double>::lowest();
  double yLo = xLo, yHi = xHi;
  for (int j = 0; j < n; ++j) {
    const auto uj = static_cast<std::size_t>(j);
    if (std::isfinite(xs[uj])) xLo = std::min(xLo, xs[uj]), xHi = std::max(xHi, xs[uj]);
    if (std::isfinite(ys[uj])) yLo = std::min(yLo, ys[uj]), yHi = std::max(yHi, ys[uj]);
  }
  TScaleGroup &c = d.CurScale;
  bool changed = false;
  if (ManualX() && xLo <= xHi && (xLo < c.XMin || xHi > c.XMax)) {
    c.XMin = std::min(c.XMin, xLo);
    c.XMax = std::max(c.XMax, xHi);
    changed = true;
  }
  if (ManualY() && yLo <= yHi && (yLo < c.YMin || yHi > c.YMax)) {
    c.YMin = std::min(c.YMin, yLo);
    c.YMax = std::max(c.YMax, yHi);
    changed = true;
  }
  if (!changed) return;
  StoreCurrentDomain();
  m_graph->SetManualX(ManualX(), c.XMin, c.XMax);
  m_graph->SetManualY(ManualY(), c.YMin, c.YMax);
  RefreshAnnotations();
}

void TfrmDoc::AutoScaleX() {
  TTraceDoc &d = m_doc->Doc;
  if (d.PlotMode == pmSmith) return;
  double lo = std::numeric_limits<double>::max(), hi = std::numeric_limits<double>::lowest();
  for (int i = 0; i < d.TraceCount(); ++i) {
    const TTraceData &t = d.Traces[i];
    const TrsDynDouble &x = d.PlotMode == pmDistance ? t.DistAxis : t.Freq;
    const int n = std::min<int>(std::max(0, t.NumPoints), static_cast<int>(x.size()));
    for (int j = 0; j < n; ++j)
      lo = std::min(lo, x[static_cast<std::size_t>(j)]), hi = std::max(hi, x[static_cast<std::size_t>(j)]);
  }
  if (lo > hi) return;
  const double m = 0.05 * (hi - lo);
  d.CurScale.Flag2 = 1;
  d.CurScale.XMin = lo - m;
  d.CurScale.XMax = hi + m;
  StoreCurrentDomain();
  m_graph->SetManualX(true, d.CurScale.XMin, d.CurScale.XMax);
  MarkModified();
  RefreshAnnotations();
}

void TfrmDoc::AutoScaleY() {
  TTraceDoc &d = m_doc->Doc;
  if (d.PlotMode == pmSmith) return;
  double lo = std::numeric_limits<double>::max(), hi = std::numeric_limits<double>::lowest();
  for (int i = 0; i < d.TraceCount(); ++i) {
    const TTraceData &t = d.Traces[i];
    const TrsDynDouble &y = d.PlotMode == pmDistance ? t.DistMag : t.Mag;
    const int n = std::min<int>(std::max(0, t.NumPoints), static_cast<int>(y.size()));
    for (int j = 0; j < n; ++j)
      lo = std::min(lo, y[static_cast<std::size_t>(j)]), hi = std::max(hi, y[static_cast<std::size_t>(j)]);
  }
  if (lo > hi) return;
  if (d.ScaleUnit == suVSWR) {
    if (lo < 1.0) lo = 1.0;
    if (hi < 1.0) hi = 1.1;
  }
  const double t = 0.1 * (hi - lo);
  double bottom = lo - t, top = hi + t;
  const bool dist = d.PlotMode == pmDistance;
  const bool limitShown = (dist ? d.DistLimitMode : d.FreqLimitMode) != 0;
  const double limit = dist ? d.DistLimitValue : d.FreqLimitValue;
  if (limitShown && limit < kUnplacedLimit) {
    const double b = 0.2 * t;
    if (limit + b > top) top = (limit + b) + 0.02 * ((limit + b) - bottom);
    if (limit - b < bottom) bottom = (limit - b) - 0.02 * (top - (limit - b));
  }
  d.CurScale.Flag1 = 1;
  d.CurScale.YMin = bottom;
  d.CurScale.YMax = top;
  StoreCurrentDomain();
  m_graph->SetManualY(true, bottom, top);
  MarkModified();
  RefreshAnnotations();
}

QPointF TfrmDoc::MouseGraphPosition() const { return m_graph->PixelToGraph(QPointF(m_graph->LastMousePos())); }

bool TfrmDoc::ZoomIn() {
  if (!CanZoomIn()) return false;
  const TAxisRange x = m_zoomed ? m_graph->ZoomX() : m_graph->ShownX();
  const TAxisRange y = m_zoomed ? m_graph->ZoomY() : m_graph->ShownY();
  QPointF c = MouseGraphPosition();
  // From the menu or keyboard with the pointer never over the data: zoom
  // about the middle of what is shown.
  if (!m_xyGraph->PlotArea().contains(m_graph->LastMousePos()))
    c = QPointF(0.5 * (x.Min + x.Max), 0.5 * (y.Min + y.Max));
  const double w = 0.25 * (x.Max - x.Min), h = 0.25 * (y.Max - y.Min);
  m_graph->SetZoomWindow({c.x() - w, c.x() + w}, {c.y() - h, c.y() + h});
  m_graph->SetZoomMode(true);
  m_zoomed = true;
  ++m_zoomLevel;
  RefreshAnnotations();
  if (m_zoomLevel >= kMaxZoomLevel) emit selectToolRequested();
  emit stateChanged();
  return true;
}

bool TfrmDoc::ZoomOut() {
  if (!m_zoomed) return false;
  if (m_zoomLevel <= 1) {
    m_graph->SetZoomMode(false);
    m_zoomed = false;
    emit selectToolRequested();
  } else {
    const TAxisRange x = m_graph->ZoomX(), y = m_graph->ZoomY();
    const double w = 0.5 * (x.Max - x.Min), h = 0.5 * (y.Max - y.Min);
    m_graph->SetZoomWindow({x.Min - w, x.Max + w}, {y.Min - h, y.Max + h});
  }
  m_zoomLevel = std::max(0, m_zoomLevel - 1);
  RefreshAnnotations();
  emit stateChanged();
  return true;
}

// ---------------------------------------------------------------- state

void TfrmDoc::MarkModified() {
  const bool was = IsModified();
  m_doc->Doc.Modified = 1;
  emit statusText(QStringLiteral("Modified"));
  if (!was) emit modifiedChanged(true);
}

void TfrmDoc::ClearModified() {
  const bool was = IsModified();
  m_doc->Doc.Modified = 0;
  if (was) emit modifiedChanged(false);
}

void TfrmDoc::SetActiveTrace(int index) {
  m_activeTrace = index >= 0 && index < m_doc->Doc.TraceCount() ? index : -1;
  if (PlotMode() != pmSmith) RefreshAnnotations();
  emit stateChanged();
}

void TfrmDoc::SetPlotLook(const TPlotLook &look) {
  m_look = look;
  m_graph->SetLook(look);
  if (PlotMode() != pmSmith) RefreshAnnotations();
}

void TfrmDoc::SetLabelFlags(bool date, bool text) {
  m_labelDate = date;
  m_labelText = text;
  ApplySubsetLabels();
  ApplyMultiSubTitles();
  m_graph->Rebuild();
}

void TfrmDoc::ShowError(const QString &text, bool help) {
  ShowDocMessage(this, TMsgKind::Error, text, QMessageBox::Ok, help);
}

bool TfrmDoc::QueryClose() {
  if (m_closeSilently || !IsModified()) return true;
  const auto answer = ShowDocMessage(this, TMsgKind::Question,
                                     QStringLiteral("Save ") + windowTitle() + QStringLiteral(" before Closing?"),
                                     QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, true);
  if (answer == QMessageBox::Yes) return m_saveHandler ? m_saveHandler(*this) : SaveFileW(m_fileName);
  return answer == QMessageBox::No;
}

void TfrmDoc::closeEvent(QCloseEvent *event) {
  if (QueryClose()) {
    m_closed = true;
    event->accept();
  } else {
    event->ignore();
  }
}

void TfrmDoc::resizeEvent(QResizeEvent *event) {
  QWidget::resizeEvent(event);
  // Line types depend on the window's area.
  if (m_doc->Doc.TraceCount() > 0 && PlotMode() != pmSmith && m_activeTrace >= 0) {
    const bool large = static_cast<long>(width()) * height() >= kLargeWindowArea;
    m_graph->SetSubsetLineType(m_activeTrace, large ? ltMediumSolid : ltThickSolid);
  }
}

} // namespace korv
