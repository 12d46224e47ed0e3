#include "measure/MarkerRules.h"

#include <algorithm>
#include <cmath>

#include "core/TextUtil.h"

namespace korv {

namespace {
constexpr const char *kMsgAnnotationIndex = "Dynamic GraphAnnotation Array: Index out of bounds";
} // namespace

int PointIndexOf(double x, double x0, double x1, int points) {
  if (points <= 0) return -1;
  const double x1f = static_cast<float>(x1);
  const double q = (x1f - x0) <= 1e-6 ? 1e7 : (x - x0) / (x1f - x0);
  double t = std::trunc(q);
  if (!std::isfinite(t)) t = 0.0;
  return static_cast<int>(std::clamp(t, 0.0, static_cast<double>(points - 1)));
}

int NearestPointOf(double gx, double gy, const std::vector<double> &xs, const std::vector<double> &ys) {
  const int n = static_cast<int>(std::min(xs.size(), ys.size()));
  if (n == 0) return -1;
  if (n == 1) return 0;
  const int c = std::min(PointIndexOf(gx, xs[0], xs[1], n), n - 2);
  const auto dist = [&](int i) {
    return std::hypot(xs[static_cast<std::size_t>(i)] - gx, ys[static_cast<std::size_t>(i)] - gy);
  };
  return dist(c + 1) < dist(c) ? c + 1 : c;
}

int NearestTrace(double px, double py, const std::vector<TPlotted> &traces,
                 const std::function<std::pair<double, double>(double, double)> &toPixel,
                 const std::function<double(double)> &toGraphX) {
  int best = -1;
  double bestDistance = kNearestTraceReach;
  const double leftX = toGraphX(px - kNearestTraceReach), rightX = toGraphX(px + kNearestTraceReach);
  for (std::size_t s = 0; s < traces.size(); ++s) {
    const TPlotted &t = traces[s];
    const int n = static_cast<int>(std::min(t.X.size(), t.Y.size()));
    if (n < 2) continue;
    const int from = PointIndexOf(std::min(leftX, rightX), t.X[0], t.X[1], n);
    const int to = std::min(PointIndexOf(std::max(leftX, rightX), t.X[0], t.X[1], n), n - 2);
    for (int j = std::min(from, n - 2); j <= to; ++j) {
      const auto [ax, ay] = toPixel(t.X[static_cast<std::size_t>(j)], t.Y[static_cast<std::size_t>(j)]);
      const auto next = static_cast<std::size_t>(j) + 1;
      const auto [bx, by] = toPixel(t.X[next], t.Y[next]);
      // Beyond either end of the segment the distance is to that end.
      const double abx = bx - ax, aby = by - ay;
      const double dotA = (px - ax) * abx + (py - ay) * aby;
      const double dotB = (px - bx) * -abx + (py - by) * -aby;
      double d;
      if (dotA < 0)
        d = std::hypot(px - ax, py - ay);
      else if (dotB < 0)
        d = std::hypot(px - bx, py - by);
      else {
        const double len = std::hypot(abx, aby);
        d = len > 0 ? std::abs(abx * (ay - py) - (ax - px) * aby) / len : std::hypot(px - ax, py - ay);
      }
      if (!std::isfinite(d)) d = 0.0; // a failed computation counts as a hit
      if (d < bestDistance) {
        bestDistance = d;
        best = static_cast<int>(s);
      }
    }
  }
  return best;
}

int TmoxGraphAnnotationArr::Trace(int i) const {
  if (i < 0 || i >= Count()) throw EDynArrayTypeAccessError(kMsgAnnotationIndex);
  return m_items[static_cast<std::size_t>(i)].first;
}
int TmoxGraphAnnotationArr::Slot(int i) const {
  if (i < 0 || i >= Count()) throw EDynArrayTypeAccessError(kMsgAnnotationIndex);
  return m_items[static_cast<std::size_t>(i)].second;
}
void TmoxGraphAnnotationArr::SetTrace(int i, int trace) {
  if (i < 0 || i > Count()) throw EDynArrayTypeAccessError(kMsgAnnotationIndex);
  if (i == Count()) m_items.emplace_back(0, 0);
  m_items[static_cast<std::size_t>(i)].first = static_cast<std::int16_t>(trace);
}
void TmoxGraphAnnotationArr::SetSlot(int i, int slot) {
  if (i < 0 || i > Count()) throw EDynArrayTypeAccessError(kMsgAnnotationIndex);
  if (i == Count()) m_items.emplace_back(0, 0);
  m_items[static_cast<std::size_t>(i)].second = static_cast<std::int16_t>(slot);
}

std::string MarkerReadout(const TPlotted &t, const TMarkerSet &marks, int slot, double limit) {
  if (slot < 0 || slot >= kMarkersPerTrace) return {};
  const TMarkerSlot &m = marks[static_cast<std::size_t>(slot)];
  const int n = static_cast<int>(std::min(t.X.size(), t.Y.size()));
  if (m.Visible == 0 || m.Point < 0 || m.Point >= n) return {};
  const double x = t.X[static_cast<std::size_t>(m.Point)], y = t.Y[static_cast<std::size_t>(m.Point)];
  std::string text = Format("M%1d:(%6.2f,%6.2f)", slot + 1, x, y);
  if (!m.DeltaOn) return text;
  // Deltas keep their sign: which side of the reference the marker lies
  // on (below or above the limit: fail or pass) is the reading.
  if (m.Reference == kRefLimitLine) {
    text += Format("  M%1d - Lim:(%6.2f,%+6.2f)", slot + 1, x, y - limit);
  } else if (m.Reference >= 0 && m.Reference < kMarkersPerTrace) {
    const TMarkerSlot &r = marks[static_cast<std::size_t>(m.Reference)];
    if (r.Point >= 0 && r.Point < n)
      text += Format("  M%1d - M%1d:(%+6.2f,%+6.2f)", slot + 1, m.Reference + 1,
                     x - t.X[static_cast<std::size_t>(r.Point)], y - t.Y[static_cast<std::size_t>(r.Point)]);
  }
  return text;
}

std::array<std::string, 3> ReadoutLines(const TPlotted &t, const TMarkerSet &marks, double limit) {
  const auto r = [&](int slot) { return MarkerReadout(t, marks, slot, limit); };
  return {r(2) + "||" + r(5), r(1) + "||" + r(4), r(0) + "||" + r(3)};
}

TMarkerPick NextMarkerBySpace(const std::vector<TMarkerSet> &marks, int activeTrace, int activeMarker) {
  const int traces = static_cast<int>(marks.size());
  if (traces == 0) return {};
  const int start = activeTrace >= 0 && activeTrace < traces ? activeTrace : 0;
  int trace = start;
  int slot = (activeMarker >= 0 ? activeMarker : 0) + 1;
  for (int guard = 0; guard <= traces * kMarkersPerTrace + kMarkersPerTrace; ++guard) {
    if (slot >= kMarkersPerTrace) {
      slot = 0;
      trace = (trace + 1) % traces;
      if (trace == start) return {}; // round the whole document: none active
    }
    const TMarkerSlot &m = marks[static_cast<std::size_t>(trace)][static_cast<std::size_t>(slot)];
    if (m.Visible != 0 && m.Point >= 0) return {trace, slot};
    ++slot;
  }
  return {};
}

int MovedPoint(TMarkerKey key, int point, const TPlotted &t) {
  const int n = static_cast<int>(std::min(t.X.size(), t.Y.size()));
  if (n == 0) return point;
  switch (key) {
  case TMarkerKey::Left: return std::clamp(point - 1, 0, n - 1);
  case TMarkerKey::Right: return std::clamp(point + 1, 0, n - 1);
  case TMarkerKey::Up: return static_cast<int>(std::max_element(t.Y.begin(), t.Y.begin() + n) - t.Y.begin());
  case TMarkerKey::Down: return static_cast<int>(std::min_element(t.Y.begin(), t.Y.begin() + n) - t.Y.begin());
  }
  return point;
}

TAddMarker AddMarkerCommand(TMarkerSet &marks) {
  for (int j = 0; j < kMarkersPerTrace; ++j) {
    TMarkerSlot &m = marks[static_cast<std::size_t>(j)];
    if (m.Point < 0) {
      m.Visible = 1;
      return {TAddMarkerStep::PlaceNext, j};
    }
    if (m.Visible == 0) {
      m.Visible = 1;
      return {TAddMarkerStep::ShownAgain, j};
    }
  }
  return {};
}

} // namespace korv
