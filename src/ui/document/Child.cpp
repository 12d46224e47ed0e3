#include "ui/document/Child.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QUndoStack>
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
#include "core/SAFileStream.h"
#include "core/TextUtil.h"
#include "core/TraceCapsule.h"
#include "formats/DocumentIO.h"
#include "formats/LXZTTraceFile.h"
#include "measure/ChirpZ.h"
#include "measure/Convert.h"
#include "measure/TraceMerge.h"
#include "measure/ViewMath.h"
#include "ui/chart/SmithGraph.h"
#include "ui/chart/XYGraph.h"
#include "ui/common/DocMessages.h"
#include "ui/dialogs/DtfDialog.h"
#include "ui/dialogs/SaveAsCsvOptions.h"
#include "ui/document/TraceColors.h"

namespace korv {

namespace {

constexpr const char *kMsgDtfCalc = "Error in Distance To Fault calculation.";
constexpr const char *kMsgDynArrays = "Error in Dynamic Arrays.";

QString Q(const std::string &s) { return QString::fromStdString(s); }

std::string FileNameBytes(const QString &name) { return name.toStdString(); }

} // namespace

TfrmDoc::TfrmDoc(QWidget *parent) : QWidget(parent), m_doc(std::make_unique<TmoxDocument>(TmoxDocument::EmptyTag{})) {
  setObjectName(QStringLiteral("frmDoc"));
  setProperty("helpContext", kHelpContext);
  setAttribute(Qt::WA_DeleteOnClose, false);
  setAcceptDrops(true);
  RegisterDocumentWindow(this, true);
  m_layout = new QVBoxLayout(this);
  m_layout->setContentsMargins(0, 0, 0, 0);
  CreateHistory();
  m_doc->Doc.MainTitle = DefaultMainTitle(pmFrequency, m_doc->Doc.ScaleUnit);
  m_doc->Doc.DistUnitText = "meters";
  CreateGraph(false);
  SetUnitWords();
  BuildFrequencyView();
  ResetHistory();
}

TfrmDoc::~TfrmDoc() {
  RegisterDocumentWindow(this, false);
  // The history clears itself as it goes and says so: not to a window that
  // is no longer one.
  if (m_undo != nullptr) {
    m_undo->disconnect(this);
    delete m_undo;
    m_undo = nullptr;
  }
}

// ---------------------------------------------------------------- files

bool TfrmDoc::OpenFileW(const QString &fileName) {
  try {
    TOpenOptions options;
    // A two-port Touchstone file holds two reflections: the user picks one.
    if (TouchstonePortCount(ReadWholeFile(FileNameBytes(fileName)), FileNameBytes(fileName)) == 2) {
      const int port = ChooseTraceToSave(
          this, QStringLiteral("This Touchstone file holds a two-port network. Which reflection do you wish to open?"),
          {"S11 (port 1)", "S22 (port 2)"}, 0, QStringLiteral("Open Two-Port Touchstone File"));
      if (port < 0) return false;
      options.TouchstoneParameter = port == 1 ? 22 : 11;
    }
    TOpenResult r = OpenDocument(FileNameBytes(fileName), options);
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
    emit statusText(Q(StatusLine(rep)));
    return false;
  }
}

TfrmDoc::TSaveOutcome TfrmDoc::SaveFile(const QString &fileName, bool upgrade) {
  RecordStep(QStringLiteral("Change"));
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
    m_checkpoint.Reset(*m_doc);
    m_savedState = m_checkpoint.Base();
    m_undo->setClean();
    if (wasModified) emit modifiedChanged(false);
    return TSaveOutcome::Saved;
  } catch (...) {
    const TFailureReport rep = DescribeSaveFailure(std::current_exception(), FileNameBytes(fileName));
    if (!rep.Message.empty()) ShowDocMessage(this, TMsgKind::Error, Q(rep.Message), QMessageBox::Ok, rep.HelpButton);
    emit statusText(Q(StatusLine(rep)));
    return TSaveOutcome::Failed;
  }
}

void TfrmDoc::SetDocument(std::unique_ptr<TmoxDocument> document, const QString &fileName, bool imported) {
  if (!document) return;
  m_doc = std::move(document);
  m_hidden.clear();
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
  // A graph kept from the previous document must not keep its zoom either.
  m_graph->SetZoomMode(false);
  SetUnitWords();
  if (mode == pmFrequency)
    m_doc->LoadActiveMarks(), BuildFrequencyView();
  else if (mode == pmDistance)
    m_doc->LoadActiveMarks(), BuildDistanceView();
  else
    BuildSmithView();
  if (!wasModified && m_doc->Doc.Modified) ClearModified();
  ResetHistory();
  emit plotModeChanged(mode);
  emit modifiedChanged(IsModified());
  emit stateChanged();
}

void TfrmDoc::SetFileName(const QString &fileName) {
  m_fileName = fileName;
  setWindowTitle(fileName.isEmpty() ? QStringLiteral("Untitled") : fileName);
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
  TStepScope step(*this, "Change View");
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
  TStepScope step(*this, "Fault Location");
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
  TStepScope step(*this, "Fault Location Settings");
  if (!RunFaultLocationWizard(0)) return false;
  MarkModified();
  RenewTitles();
  if (PlotMode() == pmDistance) BuildDistanceView();
  emit stateChanged();
  return true;
}

bool TfrmDoc::ApplyFaultSettings(int index) {
  TTraceDoc &d = m_doc->Doc;
  std::string reason; // what the user can act on, beside the failure
  const auto computeOne = [&](TTraceData &t) {
    reason = DtfLengthProblem(t.NumPoints);
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
    ShowError(QString::fromLatin1(kMsgDtfCalc) + (reason.empty() ? QString() : QStringLiteral("\r\n") + Q(reason)));
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
  TStepScope step(*this, "Change Unit");
  try {
    ConvertDocumentUnit(d, unit);
  } catch (const Exception &e) {
    ShowError(Q(e.Message()));
    return false;
  }
  MarkModified();
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
  TStepScope step(*this, "Change Distance Unit");
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
  TStepScope step(*this, "Change Scale");
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
  TStepScope step(*this, "AutoScale");
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
  const auto range = AutoScaleXRange(d);
  if (!range) return;
  d.CurScale.Flag2 = 1;
  d.CurScale.XMin = range->Min;
  d.CurScale.XMax = range->Max;
  StoreCurrentDomain();
  m_graph->SetManualX(true, d.CurScale.XMin, d.CurScale.XMax);
  MarkModified();
  RefreshAnnotations();
}

void TfrmDoc::AutoScaleY() {
  TTraceDoc &d = m_doc->Doc;
  if (d.PlotMode == pmSmith) return;
  const auto range = AutoScaleYRange(d);
  if (!range) return;
  d.CurScale.Flag1 = 1;
  d.CurScale.YMin = range->Min;
  d.CurScale.YMax = range->Max;
  StoreCurrentDomain();
  m_graph->SetManualY(true, range->Min, range->Max);
  MarkModified();
  RefreshAnnotations();
}

QPointF TfrmDoc::MouseGraphPosition() const { return m_graph->PixelToGraph(QPointF(m_graph->LastMousePos())); }

bool TfrmDoc::ZoomIn() {
  if (!CanZoomIn()) return false;
  m_zoomHistory.clear();
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
  // Wheel, box and pan steps are undone one by one.
  if (StepBackNavigation()) return true;
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

bool TfrmDoc::DeleteActiveTrace() {
  TTraceDoc &d = m_doc->Doc;
  const int index = m_activeTrace;
  if (index < 0 || index >= d.TraceCount()) return false;
  TStepScope step(*this, "Delete Trace");
  d.Traces.Delete(index);
  ForgetHidden(index);
  m_activeMarker = -1;
  RebuildView();
  SetActiveTrace(d.TraceCount() > 0 ? 0 : -1);
  MarkModified();
  return true;
}

bool TfrmDoc::PasteTrace(const TTraceCapsule &capsule) {
  TTraceDoc &d = m_doc->Doc;
  TStepScope step(*this, "Paste Trace");
  if (!PasteCapsule(*m_doc, capsule)) return false;
  const int added = d.TraceCount() - 1;
  m_activeMarker = -1;
  MarkModified();
  RebuildView();
  SetActiveTrace(std::min(added, d.TraceCount() - 1));
  WidenScaleToTrace(added);
  return true;
}

void TfrmDoc::SetActiveTrace(int index) {
  m_activeTrace = index >= 0 && index < m_doc->Doc.TraceCount() ? index : -1;
  RefreshAnnotations();
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
  if (m_doc->Doc.TraceCount() > 0 && m_activeTrace >= 0 && m_activeTrace < m_graph->Subsets()) {
    const bool large = static_cast<long>(width()) * height() >= kLargeWindowArea;
    m_graph->SetSubsetLineType(m_activeTrace, large ? ltMediumSolid : ltThickSolid);
  }
}

} // namespace korv
