#pragma once
// The Smith chart, drawn by us. Subset data are normalised impedances:
// X = r (resistance), Y = x (reactance); they are placed on the reflection
// plane at Gamma = (z - 1) / (z + 1) on an equal-aspect disc.
#include <complex>

#include "ui/chart/Graph.h"

namespace korv {

class TSmithGraph : public TGraph {
  Q_OBJECT
public:
  explicit TSmithGraph(QWidget *parent = nullptr);

  // Pixel <-> (r, x) through the disc of the last drawing in this widget.
  QPointF PixelToGraph(const QPointF &pixel) const override;
  QPointF GraphToPixel(const QPointF &graph) const override;
  void RenderTo(QPainter &painter, const QRectF &rect) override;

  // The reflection coefficient of a normalised impedance and back.
  static std::complex<double> ImpedanceToGamma(double r, double x);
  static QPointF GammaToImpedance(std::complex<double> gamma);
  // Centre and radius of the unit disc in widget pixels.
  QPointF DiscCentre() const { return m_centre; }
  double DiscRadius() const { return m_radius; }

protected:
  void ApplyModel() override;
  void paintEvent(QPaintEvent *event) override;

private:
  // Lays out and draws; returns the disc used.
  void Draw(QPainter &painter, const QRectF &rect, QPointF &centre, double &radius) const;

  QPointF m_centre;
  double m_radius = 1.0;
};

} // namespace korv
