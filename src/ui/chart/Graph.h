#pragma once
// The charting surface the document window talks to. Two widgets implement
// it: TXYGraph (frequency and distance views, over QCustomPlot) and
// TSmithGraph (drawn by us). The base keeps the data, texts, scales and
// annotations, so both kinds, the screen, the printer and every exported
// image are drawn from one model.
#include <QColor>
#include <QImage>
#include <QPen>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <QVector>
#include <QWidget>
#include <functional>
#include <vector>

class QCPPainter;
class QPainter;

namespace korv {

struct TChartColors;

// Draws one text line split by "|" into left, centre and right parts.
void DrawSplitLine(QPainter &painter, const QRectF &rect, const QString &line);

// A point at this value (X or Y) is not drawn.
inline constexpr float kGraphNullValue = -50000.0F;

// Line types of a subset.
enum TLineType : int { ltThinSolid = 0, ltMediumSolid = 5, ltThickSolid = 6 };
// Annotation types: 5 line annotations; 10, 11, 12 the marker symbols.
// atNone keeps a list index free (marker lists are indexed alike).
enum TAnnotationType : int { atNone = 0, atLine = 5, atMarkerBelow = 10, atMarkerDragged = 11, atMarkerActive = 12 };

// The plotting choices of the settings file, applied at once.
struct TPlotLook {
  int ViewStyle = 0;  // 0 colour, 1 monochrome, 2 monochrome with symbols
  int FontSize = 1;   // 0 large, 1 medium, 2 small
  int PlotMethod = 0; // 0 line, 6 spline
  int GridLines = 0;  // 0 both axes, 1 Y only, 2 X only, 3 none
  bool MarkPoints = false;
  friend bool operator==(const TPlotLook &, const TPlotLook &) = default;
};

// Symbols for the monochrome-with-symbols style and for marked points.
enum class TSubsetSymbol { None, Circle, Square, Diamond, Triangle, TriangleDown, Cross, Plus, Star, Disc };
// Draws a symbol of half-size r centred at c with the painter's pen and brush.
void DrawSymbol(QPainter &painter, TSubsetSymbol symbol, const QPointF &c, double r);

// How one subset is drawn in colour and in the monochrome styles.
struct TSubsetStyle {
  QColor Color;
  Qt::PenStyle MonoPen = Qt::SolidLine;
  // Dash pattern of the monochrome styles (in pen widths); empty: MonoPen.
  QVector<qreal> DashPattern;
  TSubsetSymbol Symbol = TSubsetSymbol::Circle;
  // Drawn instead of Color on a dark chart; invalid: Color, lightened if it
  // would not read there.
  QColor DarkColor;
};

struct TGraphAnnotation {
  double X = 0.0;
  double Y = 0.0;
  int Type = atMarkerBelow;
  QColor Color;
  QString Text;
  // The data point a symbol drawn off its point belongs to: a press there
  // hits the annotation as a press on the symbol does.
  bool Anchored = false;
  QPointF Anchor{};
};

struct TLineAnnotation {
  double Position = 0.0;
  int Type = atLine;
  QColor Color;
  QString Text;
};

struct TAxisRange {
  double Min = 0.0;
  double Max = 1.0;
  friend bool operator==(const TAxisRange &, const TAxisRange &) = default;
};

class TGraph : public QWidget {
  Q_OBJECT
public:
  explicit TGraph(QWidget *parent = nullptr);
  ~TGraph() override;

  // ---- Data: values are kept as 32-bit floats, as the readers expect.
  void SetSubsets(int count);
  int Subsets() const { return static_cast<int>(m_x.size()); }
  void SetPoints(int count);
  int Points() const { return m_points; }
  void SetXData(int subset, int point, double value);
  void SetYData(int subset, int point, double value);
  float XData(int subset, int point) const;
  float YData(int subset, int point) const;
  // Whole subset at once; shorter vectors are padded with the null value.
  void SetSubsetData(int subset, const std::vector<float> &x, const std::vector<float> &y);
  float NullValue() const { return kGraphNullValue; }

  // ---- Text. A "|" splits a line into left, centre and right parts.
  void SetMainTitle(const QString &text);
  QString MainTitle() const { return m_mainTitle; }
  void SetSubTitle(const QString &text);
  QString SubTitle() const { return m_subTitle; }
  void SetXAxisLabel(const QString &text);
  QString XAxisLabel() const { return m_xLabel; }
  void SetYAxisLabel(const QString &text);
  QString YAxisLabel() const { return m_yLabel; }
  void SetSubsetLabel(int subset, const QString &text);
  QString SubsetLabel(int subset) const;
  // Lines 0-1; index -1 clears all.
  void SetMultiSubTitle(int index, const QString &text);
  QString MultiSubTitle(int index) const;
  // Lines 0-2 under the graph (marker readouts); index -1 clears all.
  void SetMultiBottomTitle(int index, const QString &text);
  QString MultiBottomTitle(int index) const;

  // ---- Scale: automatic, or a manual range shown exactly.
  void SetManualX(bool manual, double min = 0.0, double max = 1.0);
  void SetManualY(bool manual, double min = 0.0, double max = 1.0);
  bool IsManualX() const { return m_manualX; }
  bool IsManualY() const { return m_manualY; }
  TAxisRange ManualX() const { return m_manualXRange; }
  TAxisRange ManualY() const { return m_manualYRange; }
  // The range the graph shows now (zoom window, manual or automatic).
  TAxisRange ShownX() const;
  TAxisRange ShownY() const;

  // ---- Zoom window, shown while zoom mode is on.
  void SetZoomMode(bool on);
  bool ZoomMode() const { return m_zoom; }
  void SetZoomWindow(const TAxisRange &x, const TAxisRange &y);
  TAxisRange ZoomX() const { return m_zoomX; }
  TAxisRange ZoomY() const { return m_zoomY; }

  // ---- Marks. Lists are indexed from 0; index -1 resets a list; setting at
  // index == count appends.
  void SetGraphAnnotation(int index, const TGraphAnnotation &a);
  const std::vector<TGraphAnnotation> &GraphAnnotations() const { return m_graphAnn; }
  void SetHorzLineAnnotation(int index, const TLineAnnotation &a);
  const std::vector<TLineAnnotation> &HorzLineAnnotations() const { return m_horzAnn; }
  void SetVertLineAnnotation(int index, const TLineAnnotation &a);
  const std::vector<TLineAnnotation> &VertLineAnnotations() const { return m_vertAnn; }
  void ShowGraphAnnotations(bool on);
  void ShowHorzLineAnnotations(bool on);
  void ShowVertLineAnnotations(bool on);
  bool GraphAnnotationsShown() const { return m_showGraphAnn; }
  // Hot spots (clicks on traces and annotations) are off while a zoom tool
  // is chosen: a zoom click must not pick another trace.
  void SetHotSpotsEnabled(bool on) { m_hotSpots = on; }
  bool HotSpotsEnabled() const { return m_hotSpots; }
  bool HorzLineAnnotationsShown() const { return m_showHorzAnn; }
  bool VertLineAnnotationsShown() const { return m_showVertAnn; }
  // Percent of the normal annotation text size.
  void SetLineAnnotationTextSize(int percent);
  void SetTopMargin(const QString &text);
  void SetSubsetLineType(int subset, int lineType);
  int SubsetLineType(int subset) const;
  void SetSubsetStyle(int subset, const TSubsetStyle &style);
  TSubsetStyle SubsetStyle(int subset) const;

  // ---- Look.
  void SetLook(const TPlotLook &look);
  const TPlotLook &Look() const { return m_look; }

  // ---- Input. Conversions are inverses over the plot area.
  virtual QPointF PixelToGraph(const QPointF &pixel) const = 0;
  virtual QPointF GraphToPixel(const QPointF &graph) const = 0;
  // The last mouse position over the graph, in pixels.
  QPoint LastMousePos() const { return m_lastMouse; }
  void SetLastMousePos(const QPoint &p) { m_lastMouse = p; }

  // ---- Output.
  // Re-initialise: take over every change made since the last call and repaint.
  void Rebuild();
  // Takes over changes of the marks and the readout lines only and repaints
  // what lies over the traces; a change of anything else since the last
  // build (data, texts, scales, line types, look, size, the number of
  // readout lines) falls back to Rebuild, so the result is always the same
  // as a Rebuild's. A marker drag calls this once per step.
  void RefreshOverlay();
  // Draws the whole graph into rect (screen, printer page, image, SVG, PDF).
  virtual void RenderTo(QPainter &painter, const QRectF &rect) = 0;
  // The same for paper (printed pages, the site report): always the light
  // look, whatever the screen shows.
  void RenderOnPaper(QPainter &painter, const QRectF &rect);
  // The same through a painter of the plot library's own kind (the site
  // report's): drawn straight into its device, not recorded first and
  // played back. The painter's device must be at 96 per inch.
  void RenderOnPaper(QCPPainter &painter, const QRectF &rect);
  QImage ToImage(const QSize &size);
  // Format by extension: .png, .svg, .pdf. Returns false when it cannot write.
  bool SaveImage(const QString &fileName, const QSize &size);
  QByteArray ToSvg(const QSize &size);
  // A graph that is only ever drawn through RenderTo (the site report's):
  // while it is hidden, builds lay the plot out without painting the
  // screen's buffers, which nobody would see.
  void SetRenderOnly(bool on) { m_renderOnly = on; }
  bool RenderOnly() const { return m_renderOnly && !isVisible(); }
  // Base font size in pixels for the look's FontSize and a drawing height.
  // Fonts are sized in pixels so a drawing looks the same on every device.
  double BaseFontPixels(double heightPixels) const;
  // The chart is drawn dark: its palette (the application's theme) is a
  // dark one and it is not drawing for paper.
  bool IsDark() const;

signals:
  void mousePressed(QPoint pixel, Qt::MouseButton button);
  void mouseMoved(QPoint pixel);
  void mouseReleased(QPoint pixel, Qt::MouseButton button);
  void subsetHotSpot(int subset);
  void graphAnnotationHotSpot(int index);
  void horzLineHotSpot(int index);
  void vertLineHotSpot(int index);
  void keyPressed(int key, Qt::KeyboardModifiers modifiers);
  // The graph was laid out for a new size: marks placed by pixel offsets
  // need placing again.
  void resized();

protected:
  // Called by Rebuild and after every look change.
  virtual void ApplyModel() = 0;
  // Redraws the marks and readout lines over an unchanged base drawing; the
  // default redraws everything.
  virtual void ApplyOverlay() { ApplyModel(); }
  // A fingerprint of everything a drawing depends on except the marks and
  // the readout texts; kinds keep the one of their last full build.
  std::size_t BaseKey() const;
  // Draws into a fresh image of its own size (ToImage); a kind may skip
  // steps RenderTo needs for a foreign painter.
  virtual void RenderToImage(QImage &image);
  // RenderTo for a painter of the plot library's kind; the default records
  // and plays back as for any painter.
  virtual void RenderStraight(QCPPainter &painter, const QRectF &rect);
  // Runs draw with the light look of paper, then puts the screen's look back.
  void OnPaper(const std::function<void()> &draw);
  void mousePressEvent(QMouseEvent *event) override;
  void mouseMoveEvent(QMouseEvent *event) override;
  void mouseReleaseEvent(QMouseEvent *event) override;
  void keyPressEvent(QKeyEvent *event) override;
  // A theme change: the chart is built again in the new colours.
  void changeEvent(QEvent *event) override;
  // The colours of the look drawn now, and the colour a mark of the given
  // colour is drawn with on it.
  const TChartColors &Colors() const;
  QColor MarkColor(const QColor &color) const;
  // Hot-spot search shared by both kinds: annotation first, then subsets.
  void EmitHotSpots(const QPointF &pixel);
  // The pen of a subset under the current look, line widths times scale.
  QPen SubsetPen(int subset, double scale) const;
  // Whether the subset draws symbols (monochrome + symbols, or marked points).
  bool SubsetHasSymbols() const { return m_look.ViewStyle == 2 || m_look.MarkPoints; }
  // Data bounds over all subsets, null points excluded.
  bool DataBounds(TAxisRange &x, TAxisRange &y) const;

  std::vector<std::vector<float>> m_x;
  std::vector<std::vector<float>> m_y;
  std::vector<QString> m_subsetLabels;
  std::vector<int> m_lineTypes;
  std::vector<TSubsetStyle> m_styles;
  int m_points = 0;
  QString m_mainTitle;
  QString m_subTitle;
  QString m_xLabel;
  QString m_yLabel;
  QStringList m_multiSub;
  QStringList m_multiBottom;
  bool m_manualX = false;
  bool m_manualY = false;
  TAxisRange m_manualXRange;
  TAxisRange m_manualYRange;
  bool m_zoom = false;
  TAxisRange m_zoomX;
  TAxisRange m_zoomY;
  std::vector<TGraphAnnotation> m_graphAnn;
  std::vector<TLineAnnotation> m_horzAnn;
  std::vector<TLineAnnotation> m_vertAnn;
  bool m_showGraphAnn = true;
  bool m_showHorzAnn = true;
  bool m_showVertAnn = true;
  bool m_hotSpots = true;
  int m_lineAnnTextSize = 100;
  QString m_topMargin;
  TPlotLook m_look;
  QPoint m_lastMouse;
  bool m_renderOnly = false;
  bool m_paper = false;
};

} // namespace korv
