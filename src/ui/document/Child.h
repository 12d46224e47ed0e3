#pragma once
// TfrmDoc: one document window (an MDI child's widget). It owns the
// document, builds the frequency, distance-to-fault and Smith views on a
// chart, scales and zooms, converts units and asks before closing a
// modified document. It never calls the main window: the main window
// listens to its signals and pushes settings in through the setters.
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>

#include "core/MOXDoc.h"
#include "measure/DocHistory.h"
#include "measure/MarkerRules.h"
#include "ui/chart/Graph.h"

class QDragEnterEvent;
class QDragMoveEvent;
class QDropEvent;
class QLabel;
class QMimeData;
class QPainter;
class QRubberBand;
class QUndoStack;
class QVBoxLayout;

namespace korv {

class TdlgDTF;
class TTraceCapsule;
class TXYGraph;
class TPlotOptions;

// Tools of the main window (MouseActionSelect); the document window acts
// on a left click by the one chosen.
enum TToolMode : int {
  tmNone = 0,
  tmSelect = 1,
  tmZoomIn = 2,
  tmZoomOut = 3,
  tmAddMarker = 4,
  tmLimitLine = 6,
  tmHideMark = 7
};

// Fault-location options the document window needs from the settings file.
struct TFaultOptions {
  QString CableListPath;    // "CableList"
  int DielectricFormat = 1; // "DielectricFormat": 1 velocity of propagation, 0 dielectric constant
};

class TfrmDoc;
// Windows that may be the source of a dragged trace (ChildExchange).
void RegisterDocumentWindow(const TfrmDoc *doc, bool alive);

class TfrmDoc : public QWidget {
  Q_OBJECT
public:
  static constexpr int kHelpContext = 2010;
  static constexpr int kMaxZoomLevel = 5;
  // Windows of at least this many pixels draw the active trace at medium
  // weight; smaller ones thick, so it still stands out.
  static constexpr long kLargeWindowArea = 280000;
  // Moves of a marker by arrow keys in a row make one undo step.
  static constexpr const char *kKeyStepText = "Move Marker with Keys";

  explicit TfrmDoc(QWidget *parent = nullptr);
  ~TfrmDoc() override;

  // ---- Files. Both show the error boxes of a failure (message box with the
  // file name) and return false; true on success.
  bool OpenFileW(const QString &fileName);
  // Saves in the format the extension names (atomic). Asks before upgrading
  // an older document version; a "No" returns false with nothing written.
  bool SaveFileW(const QString &fileName) { return SaveFile(fileName) != TSaveOutcome::Failed; }
  // Saved: the file now holds the document (the window takes its name and
  // is unmodified). Exported: the file holds less than the window shows (a
  // one-trace format from a window of several traces); the window keeps its
  // name and its modified state, so closing it still asks.
  enum class TSaveOutcome { Failed, Saved, Exported };
  // upgrade: write an older document as the current version without asking
  // (the caller's save plan has settled it).
  TSaveOutcome SaveFile(const QString &fileName, bool upgrade = false);
  // Takes over a document built elsewhere (import, instrument receive,
  // tests, the render command); the view is rebuilt.
  void SetDocument(std::unique_ptr<TmoxDocument> document, const QString &fileName = {}, bool imported = true);
  QString FileName() const { return m_fileName; }
  void SetFileName(const QString &fileName);
  // The document did not come from our own document format.
  bool Imported() const { return m_imported; }
  void SetImported(bool imported) { m_imported = imported; }
  TmoxDocument &Document() { return *m_doc; }
  const TmoxDocument &Document() const { return *m_doc; }

  // ---- Views: 1 frequency, 2 distance to fault, 3 Smith chart.
  void SetPlotMode(int mode);
  int PlotMode() const { return m_doc->Doc.PlotMode; }
  void BuildFrequencyView();
  void BuildDistanceView();
  void BuildSmithView();
  // Builds the view of the current plot mode.
  void RebuildView();
  // The "Fault Location" view command. False when the user cancelled the
  // fault-location dialog (the main window then re-selects its view button).
  bool ShowFaultLocation();
  // The fault-location dialog for one trace (1-based) or all (0). True on Finish.
  bool RunFaultLocationWizard(int traceIndex = 0);
  // The wizard as a command of its own: on Finish the document is marked
  // modified and the distance view (when shown) is redrawn at once.
  bool FaultLocationWizardCommand();
  // Recomputes DistAxis/DistMag of trace `index` (1-based) or of every
  // trace (0). Shows "Error in Distance To Fault calculation." on failure and
  // returns false.
  bool ApplyFaultSettings(int index);
  // Hook for tests and scripts: replaces the modal fault-location dialog.
  // Receives the trace index (1-based, 0 all); returns true for "done".
  using TFaultDialogHook = std::function<bool(TfrmDoc &, int)>;
  void SetFaultDialogHook(TFaultDialogHook hook) { m_faultHook = std::move(hook); }

  // ---- Units. Refused (with a message box, document unchanged) when a
  // value cannot be converted; returns false then.
  bool SetDisplayUnit(int unit);
  bool SetDistanceUnit(int unit);

  // ---- Scale and zoom.
  void AutoScaleX();
  void AutoScaleY();
  // The AutoScale command: leaves any zoom first, then fits both axes.
  void AutoScale();
  // Ends zooming (as zooming out of the last level does).
  void LeaveZoom();
  // A manual scale of the current domain grows to take in trace `index`
  // (0-based), so that a pasted or merged trace is never off the axes.
  void WidenScaleToTrace(int index);
  // Zoom about the last mouse position over the graph.
  bool ZoomIn();
  bool ZoomOut();
  int ZoomLevel() const { return m_zoomLevel; }
  bool IsZoomed() const { return m_zoomed; }
  bool CanZoomIn() const { return m_zoomLevel < kMaxZoomLevel && m_xyGraph; }
  bool CanZoomOut() const { return m_zoomed; }
  // Manual flags of the current scale (CurScale keeps them second flag first).
  bool ManualX() const { return m_doc->Doc.CurScale.Flag2 != 0; }
  bool ManualY() const { return m_doc->Doc.CurScale.Flag1 != 0; }
  void SetManualScale(bool manualX, double xMin, double xMax, bool manualY, double yMin, double yMax);

  // ---- State.
  bool IsModified() const { return m_doc->Doc.Modified != 0; }
  void MarkModified();
  void ClearModified();
  int ActiveTrace() const { return m_activeTrace; }
  void SetActiveTrace(int index);
  int ActiveMarker() const { return m_activeMarker; }
  void SetActiveMarker(int slot) { m_activeMarker = slot; }
  // Removes the active trace; the first trace becomes active. False
  // without an active trace.
  bool DeleteActiveTrace();
  // Appends the capsule's trace in this document's display unit and makes
  // it active; the axes widen to show it. A full document or values this
  // unit cannot take throw (an EmoxException) and leave the document as it
  // was. False when the capsule holds nothing to paste.
  bool PasteTrace(const TTraceCapsule &capsule);
  // Redraws what lies on top of the traces: line types of the active trace,
  // marker symbols or lines, the readout lines and the limit line.
  void RefreshAnnotations();
  // The same after a change of markers or the limit line only: repaints the
  // marks' layer alone when nothing else changed (a drag step, a key).
  void RefreshMarkers();

  // ---- Markers and the limit line.
  // The graph values of trace i in the current view (what is drawn; none
  // in the Smith view).
  TPlotted PlottedTrace(int i) const;
  // Those of the frequency view, whatever the view shown.
  TPlotted FrequencyPlotted(int i) const;
  // The markers the shown view works on: the frequency view's in the Smith
  // view, where they are shown and moved too.
  TMarkerSet &ViewMarks(int trace);
  const TMarkerSet &ViewMarks(int trace) const;
  // The Smith view's readout of the active marker (shown under the chart
  // with the pointer's); empty in other views.
  QString SmithMarkerReadout() const;
  // The point of trace `trace` nearest a pixel of the Smith chart, or -1.
  int SmithPointAt(int trace, QPointF pixel) const;
  // The tool the main window has chosen; left clicks act by it.
  void SetToolMode(int mode) { m_toolMode = mode; }
  int ToolMode() const { return m_toolMode; }
  // Puts a slot of a trace on the point nearest to a pixel of the graph.
  void PlaceMarker(int trace, int slot, QPointF pixel);
  // The trace within reach of a pixel, or -1.
  int NearestTraceAt(QPointF pixel) const;
  // A left click on the graph by the current tool (Select, Add Marker,
  // Limit Line). The zoom tools are the main window's.
  void ToolClick(QPoint pixel);
  // Keys: arrows move the active marker, Space picks the next one. True
  // when the key was used.
  bool MarkerKey(int key);
  // The main window's commands; each returns the tool to choose next.
  int AddMarkerCommand();
  int LimitLineCommand();
  int HideMarkCommand();
  // ---- Traces from elsewhere.
  // Takes the first trace of src (a received or imported document). An
  // empty window takes src's settings too and a name from the trace's
  // label (taken(name) says whether a window or file of that name exists);
  // otherwise the trace is appended, widening the axes. Refusals (a full
  // document, a data kind that does not fit, values this unit cannot take)
  // throw and leave the window as it was.
  void AddDocument(const TmoxDocument &src, const std::function<bool(const std::string &)> &taken);
  // Replaces the points of trace index (0-based) with those of src's first
  // trace (a repeated sweep), in this document's unit; the trace keeps its
  // title, label, markers and cable, and the views are redrawn. Refusals
  // (no such trace, values this unit cannot take) throw and change nothing.
  void ReplaceTracePoints(int index, const TmoxDocument &src);
  // A trace dropped from another document window; refusals are shown.
  bool AcceptDroppedTrace(const TfrmDoc &source, int trace);
  // The mime type of a dragged trace, and the data of a drag of trace
  // `trace` of this window (the caller owns it).
  static QString TraceMimeType();
  QMimeData *TraceDragData(int trace) const;
  // Tests replace the drag's own event loop: the hook gets the mime data
  // and returns whether it was dropped.
  using TDragHook = std::function<bool(QMimeData *)>;
  static void SetDragHook(TDragHook hook);

  // 0 none, 1 trace, 2 marker, 3 limit line.
  int DragMode() const { return m_dragMode; }
  const TmoxGraphAnnotationArr &AnnotationMap() const { return m_annotationMap; }

  // ---- History (UndoSteps.cpp): one undo stack per window. Changes are
  // recorded when a user action ends; saving marks the clean state.
  // Received traces and reloads start a new history.
  bool Undo();
  bool Redo();
  bool CanUndo() const;
  bool CanRedo() const;
  QString UndoText() const;
  QString RedoText() const;
  QUndoStack *UndoStack() const { return m_undo; }
  // Records what changed since the last step as one step named `text`.
  void RecordStep(const QString &text);
  void ResetHistory();
  // A new label of trace `index`, one step. False when the index is wrong
  // or the label is longer than a trace label holds (nothing changes).
  bool RenameTrace(int index, const QString &label);
  // Hides or shows trace `index` (one step): a hidden trace keeps its data
  // and stays in saved files but is not drawn, exported as an image or
  // printed. Hiding is a view of this window, no part of the document:
  // it is not saved and does not mark the document modified. False when
  // the index is wrong.
  bool SetTraceHidden(int index, bool hidden);
  bool TraceHidden(int index) const {
    return index >= 0 && index < static_cast<int>(m_hidden.size()) && m_hidden[static_cast<std::size_t>(index)];
  }

  // ---- Close. True when the window may close: closing silently, not
  // modified, "No", or "Yes" and the save handler succeeded. The handler
  // (the main window's Save command) gets this window.
  bool QueryClose();
  void SetSaveHandler(std::function<bool(TfrmDoc &)> handler) { m_saveHandler = std::move(handler); }
  void SetCloseSilently(bool on) { m_closeSilently = on; }
  bool CloseSilently() const { return m_closeSilently; }
  // The window accepted its close and waits for deletion; it no longer
  // counts as an open document (a minimised one still does).
  bool IsClosed() const { return m_closed; }

  // ---- The options dialog: the working copy of this window's markers,
  // limit line, units, scales, titles and labels, and OK's changes.
  void ActivateOptions(TPlotOptions &rules) const;
  void ApplyOptions(TPlotOptions &rules);

  // ---- Settings pushed in by the main window.
  void SetPlotLook(const TPlotLook &look);
  const TPlotLook &PlotLook() const { return m_look; }
  // Trace label fields: date and the trace's label text.
  void SetLabelFlags(bool date, bool text);
  bool LabelDate() const { return m_labelDate; }
  bool LabelText() const { return m_labelText; }
  void SetFaultOptions(const TFaultOptions &options) { m_faultOptions = options; }
  const TFaultOptions &FaultOptions() const { return m_faultOptions; }

  // ---- Texts the views use (also for tests and the Options dialog).
  QString TraceLabel(int trace) const;
  QString LocationText() const;
  // Regenerates MainTitle/SubTitle when the user has not fixed them.
  void RenewTitles();
  // The unit words of step "unit words": Y and X.
  QString YUnitWord() const;
  QString XUnitWord() const;

  // ---- Chart: printing, exporting, the clipboard.
  TGraph *Graph() const { return m_graph; }
  void RenderTo(QPainter &painter, const QRectF &rect) { m_graph->RenderTo(painter, rect); }
  bool SaveImage(const QString &fileName, const QSize &size) { return m_graph->SaveImage(fileName, size); }
  QImage ToImage(const QSize &size) { return m_graph->ToImage(size); }
  // Last mouse position in graph units.
  QPointF MouseGraphPosition() const;

signals:
  void modifiedChanged(bool modified);
  // Command states changed (zoom, plot mode, active trace): refresh menus.
  void stateChanged();
  // A text for the status bar ("Modified").
  void statusText(const QString &text);
  // Mouse over the graph, in graph units.
  void mousePosition(double x, double y);
  // The view shown changed (1, 2, 3); the main window selects its button.
  void plotModeChanged(int mode);
  // The main window should choose the Select tool.
  void selectToolRequested();
  // Pause (true) or restart (false) the main window's mouse readout timer.
  void readoutPaused(bool paused);
  // The fault-location dialog chose another cable list file.
  void cableListPathChanged(const QString &path);
  // Mouse pressed on the graph (right button opens the pop-up menu there).
  void graphMousePressed(QPoint pixel, Qt::MouseButton button);
  // The main window should choose this tool (TToolMode).
  void toolRequested(int mode);
  // Undo or redo became possible or impossible, or their texts changed.
  void historyChanged();
  // Markers or the limit line were drawn afresh (a drag step, a key).
  void marksChanged();

protected:
  void closeEvent(QCloseEvent *event) override;
  void dragEnterEvent(QDragEnterEvent *event) override;
  void dragMoveEvent(QDragMoveEvent *event) override;
  void dropEvent(QDropEvent *event) override;
  void resizeEvent(QResizeEvent *event) override;
  // Wheel, box, pan and Home on the graph (ChildNavigate.cpp).
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  friend class TDocStepCommand;
  // Makes the document changes of its lifetime one step (the outermost
  // scope names it; nested operations add to it).
  class TStepScope {
  public:
    TStepScope(TfrmDoc &doc, const char *text);
    ~TStepScope();
    TStepScope(const TStepScope &) = delete;
    TStepScope &operator=(const TStepScope &) = delete;

  private:
    TfrmDoc &m_owner;
  };
  void CreateHistory();
  // Zoom and pan without tool modes (ChildNavigate.cpp).
  struct TZoomStep {
    bool Zoomed = false;
    TAxisRange X, Y;
  };
  enum class TNavigation { None, Band, Pan };
  void WatchGraphInput();
  void ShowNavigatedWindow(const TAxisRange &x, const TAxisRange &y);
  bool StepBackNavigation();
  bool WheelZoom(QPointF pixel, int angleDelta, Qt::KeyboardModifiers modifiers);
  // AddDocument without touching the history (a dropped trace is a step).
  void AppendDocument(const TmoxDocument &src, const std::function<bool(const std::string &)> &taken);
  void RestoreState(const TDocState &state, const std::vector<bool> &hidden);
  // Drops the hidden mark of a deleted trace (the others move up).
  void ForgetHidden(int index);
  int FirstShownTrace() const;
  void AfterHistoryMove();
  void AmendCurrentStep();
  // X values of each trace in the shown view.
  std::function<std::vector<double>(int)> ShownXOf() const;
  // Hands the marks, readout lines and line types to the graph (no redraw).
  void SetAnnotations();
  void SetSmithAnnotations();
  // The pointer readout for a pixel of the Smith chart (empty: off it).
  void ShowSmithPointer(const QPoint *pixel);
  void CreateGraph(bool smith);
  void ApplyHeader(bool withYLabel);
  // Renews the titles and hands them to the graph, the subtitle with the
  // calibration state.
  void ApplyTitles();
  void ApplySubsetLabels();
  void ApplyMultiSubTitles();
  int CalState() const;
  void StoreCurrentDomain();
  void RestoreDomain(int mode);
  void SetUnitWords();
  void ShowError(const QString &text, bool help = false);
  void AnnotationHotSpot(int index);
  void LimitLineHotSpot();
  void DragTo(QPoint pixel);
  void EndDrag();
  void PlaceLimitLine(double value);
  void StartTraceDrag();
  // The document a drag names, when it is still open (and not this one).
  const TfrmDoc *DragSource(const QMimeData *mime, int &trace) const;
  // A trace drag that started in this window.
  bool IsOwnTraceDrag(const QMimeData *mime) const;

  std::unique_ptr<TmoxDocument> m_doc;
  QVBoxLayout *m_layout = nullptr;
  TGraph *m_graph = nullptr;
  TXYGraph *m_xyGraph = nullptr;
  // Under the Smith chart: the active marker's and the pointer's readout.
  QWidget *m_smithReadout = nullptr;
  QLabel *m_smithMarkerLabel = nullptr;
  QLabel *m_smithPointerLabel = nullptr;
  QString m_fileName;
  bool m_imported = false;
  bool m_zoomed = false;
  int m_zoomLevel = 0;
  int m_activeMarker = -1;
  int m_activeTrace = -1;
  bool m_closeSilently = false;
  bool m_closed = false;
  int m_toolMode = tmNone;
  int m_dragMode = 0;
  QPoint m_pressAt;
  bool m_tracePressed = false; // a drag of the trace begins once the pointer moves
  bool m_clickTaken = false;   // a mark under the press took the click from the tool
  TmoxGraphAnnotationArr m_annotationMap;
  bool m_labelDate = true;
  bool m_labelText = true;
  TPlotLook m_look;
  TFaultOptions m_faultOptions;
  TFaultDialogHook m_faultHook;
  std::function<bool(TfrmDoc &)> m_saveHandler;
  QUndoStack *m_undo = nullptr;
  TDocCheckpoint m_checkpoint;
  // Per trace, true when hidden; shorter than the trace list when the last
  // traces are shown. m_hiddenBase is as of the last recorded step.
  std::vector<bool> m_hidden;
  std::vector<bool> m_hiddenBase;
  // The document as last saved or opened; none when it arrived modified.
  TDocState m_savedState;
  int m_stepDepth = 0;
  QString m_stepText;
  bool m_restoring = false;
  std::vector<TZoomStep> m_zoomHistory;
  TNavigation m_nav = TNavigation::None;
  Qt::MouseButton m_navButton = Qt::NoButton;
  QPoint m_navFrom;
  bool m_navMoved = false;
  TAxisRange m_navX, m_navY;
  QPointer<QRubberBand> m_band;
  bool m_spaceHeld = false;
  bool m_spaceUsed = false;
};

} // namespace korv
