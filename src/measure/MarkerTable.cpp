#include "measure/MarkerTable.h"

#include <cmath>
#include <complex>
#include <numbers>

#include "core/Excption.h"
#include "core/TextUtil.h"
#include "measure/Convert.h"
#include "measure/ViewMath.h"

namespace korv {

namespace {

const TMarkerSet &MarksOf(const TTraceData &t, int view, TMarkSource source) {
  if (source == TMarkSource::Active) return t.ActiveMarks;
  return view == pmDistance ? t.DistMarks : t.FreqMarks;
}

std::optional<double> Rho(double value, int unit) {
  try {
    double v = value;
    ConvertValue(v, unit == suCableLoss ? suReturnLoss : unit, suRho);
    if (!std::isfinite(v)) return std::nullopt;
    return v;
  } catch (const Exception &) {
    return std::nullopt;
  }
}

std::string Number(const std::optional<double> &v, int decimals, bool sign = false) {
  if (!v || !std::isfinite(*v)) return {};
  return sign ? Format("%+.*f", decimals, *v) : Format("%.*f", decimals, *v);
}

} // namespace

std::string MarkerXUnit(const TTraceDoc &doc, int view) {
  if (view != pmDistance) return "MHz";
  return doc.DistUnit == duFeet ? "ft" : "m";
}

std::string MarkerValueUnit(const TTraceDoc &doc, int /*view*/) {
  switch (doc.ScaleUnit) {
  case suVSWR: return "VSWR";
  case suRho: return "Rho";
  case suMRho: return "mRho";
  default: return "dB";
  }
}

std::vector<TMarkerRow> MarkerTableRows(const TTraceDoc &doc, int view, TMarkSource source, int trace) {
  std::vector<TMarkerRow> rows;
  const bool dist = view == pmDistance;
  const double limitValue = dist ? doc.DistLimitValue : doc.FreqLimitValue;
  const bool limitPlaced = limitValue < kUnplacedLimit;
  for (int i = 0; i < doc.TraceCount(); ++i) {
    if (trace >= 0 && i != trace) continue;
    const TTraceData &t = doc.Traces[i];
    const TrsDynDouble &xs = dist ? t.DistAxis : t.Freq;
    const TrsDynDouble &ys = dist ? t.DistMag : t.Mag;
    const int n = UsablePoints(t, xs, ys);
    if (n <= 0) continue;
    // The view's values: the cable-loss unit shows the ten-point series.
    std::vector<double> shown(ys.begin(), ys.begin() + n);
    if (!dist && doc.ScaleUnit == suCableLoss) {
      const std::vector<float> loss = CableLossSeries(ys, n);
      shown.assign(loss.begin(), loss.end());
    }
    const TMarkerSet &marks = MarksOf(t, view, source);
    const auto placed = [&](const TMarkerSlot &m) { return m.Point >= 0 && m.Point < n; };
    for (int s = 0; s < kMarkersPerTrace; ++s) {
      const TMarkerSlot &m = marks[static_cast<std::size_t>(s)];
      if (m.Visible == 0 || !placed(m)) continue;
      const auto j = static_cast<std::size_t>(m.Point);
      TMarkerRow row;
      row.Trace = i;
      row.Slot = s;
      row.X = xs[j];
      row.Value = shown[j];
      if (!dist && j < t.Angle.size()) {
        if (const auto rho = Rho(t.Mag[j], doc.ScaleUnit)) {
          row.Gamma = *rho;
          row.ReturnLoss = RhoToReturnLoss(*rho);
          row.Vswr = RhoToVswr(*rho);
          const double a = t.Angle[j] * std::numbers::pi / 180.0;
          const std::complex<double> g = std::polar(*rho, a);
          if (std::abs(1.0 - g) > 1e-12) {
            const std::complex<double> z = kReferenceOhms * (1.0 + g) / (1.0 - g);
            row.R = z.real();
            row.Xs = z.imag();
          }
        }
      }
      if (m.DeltaOn && m.Reference == kRefLimitLine && limitPlaced) {
        row.Reference = "Limit";
        row.DeltaValue = row.Value - limitValue;
      } else if (m.DeltaOn && m.Reference >= 0 && m.Reference < kMarkersPerTrace && m.Reference != s) {
        const TMarkerSlot &r = marks[static_cast<std::size_t>(m.Reference)];
        if (placed(r)) {
          row.Reference = "M" + std::to_string(m.Reference + 1);
          row.DeltaX = row.X - xs[static_cast<std::size_t>(r.Point)];
          row.DeltaValue = row.Value - shown[static_cast<std::size_t>(r.Point)];
        }
      }
      rows.push_back(std::move(row));
    }
  }
  return rows;
}

std::vector<std::string> MarkerTableHeader(const TTraceDoc &doc, int view) {
  const std::string x = MarkerXUnit(doc, view), v = MarkerValueUnit(doc, view);
  std::vector<std::string> h = {"Trace", "Marker", (view == pmDistance ? "Distance (" : "Frequency (") + x + ")",
                                "Value (" + v + ")"};
  if (view != pmDistance) h.insert(h.end(), {"RL (dB)", "VSWR", "|Gamma|", "R (Ohm)", "X (Ohm)"});
  h.insert(h.end(), {"Reference", "Delta (" + x + ")", "Delta (" + v + ")"});
  return h;
}

std::vector<std::string> MarkerTableCells(const TMarkerRow &row, int view) {
  const int xDecimals = view == pmDistance ? 3 : 4;
  std::vector<std::string> c = {std::to_string(row.Trace + 1), "M" + std::to_string(row.Slot + 1),
                                Number(row.X, xDecimals), Number(row.Value, 3)};
  if (view != pmDistance)
    c.insert(c.end(), {Number(row.ReturnLoss, 2), Number(row.Vswr, 3), Number(row.Gamma, 4), Number(row.R, 2),
                       Number(row.Xs, 2, true)});
  c.insert(c.end(), {row.Reference, Number(row.DeltaX, xDecimals, true), Number(row.DeltaValue, 3, true)});
  return c;
}

std::string MarkerTableText(const TTraceDoc &doc, int view, const std::vector<TMarkerRow> &rows, char separator) {
  std::string text;
  const auto line = [&](const std::vector<std::string> &cells) {
    for (std::size_t k = 0; k < cells.size(); ++k) {
      if (k > 0) text += separator;
      text += cells[k];
    }
    text += '\n';
  };
  line(MarkerTableHeader(doc, view));
  for (const TMarkerRow &r : rows)
    line(MarkerTableCells(r, view));
  return text;
}

} // namespace korv
