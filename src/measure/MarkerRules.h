#pragma once
// Markers and the limit line without a window: which point a position
// names, the nearest trace to a pixel, the readout lines, Space and arrow
// keys, and the Add Marker command. The document window binds mouse, keys
// and drawing to these.
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/Excption.h"
#include "core/MOXDoc.h"

namespace korv {

class EDynArrayTypeAccessError : public Exception {
public:
  using Exception::Exception;
};

inline constexpr double kNearestTraceReach = 7.0; // pixels

// Point index of X on a trace whose first two points lie at x0 and x1
// (x1 taken in single precision), held within 0 .. points - 1.
int PointIndexOf(double x, double x0, double x1, int points);

// The point a position (graph units) names on a trace: of the two points
// around x, the nearer in graph units (ties to the left one). -1 without
// points.
int NearestPointOf(double gx, double gy, const std::vector<double> &xs, const std::vector<double> &ys);

// The trace nearest to a pixel, within kNearestTraceReach pixels of one of
// its segments (ties to the lower index); -1 when none. toPixel maps graph
// units to pixels, toGraphX a pixel column to graph X.
struct TPlotted {
  std::vector<double> X, Y; // graph values of each point
};
int NearestTrace(double px, double py, const std::vector<TPlotted> &traces,
                 const std::function<std::pair<double, double>(double, double)> &toPixel,
                 const std::function<double(double)> &toGraphX);

// One drawn marker annotation per entry: which trace and which slot.
class TmoxGraphAnnotationArr {
public:
  int Count() const { return static_cast<int>(m_items.size()); }
  int Trace(int i) const;
  int Slot(int i) const;
  // Writing at Count() appends an entry.
  void SetTrace(int i, int trace);
  void SetSlot(int i, int slot);
  void Clear() { m_items.clear(); }

private:
  std::vector<std::pair<std::int16_t, std::int16_t>> m_items;
};

// The readout of slot `slot` of a trace: "M1:(x,y)" with the delta to its
// reference (another marker, even a hidden one, or the limit line, even
// when the line is hidden). Empty for a hidden or never placed marker.
std::string MarkerReadout(const TPlotted &trace, const TMarkerSet &marks, int slot, double limit);
// The three bottom lines: M3 || M6, M2 || M5, M1 || M4.
std::array<std::string, 3> ReadoutLines(const TPlotted &trace, const TMarkerSet &marks, double limit);

// Space: the next visible marker after (activeTrace, activeMarker) over all
// traces; {-1, -1} once the search comes back to the trace it started on.
struct TMarkerPick {
  int Trace = -1;
  int Slot = -1;
};
TMarkerPick NextMarkerBySpace(const std::vector<TMarkerSet> &marks, int activeTrace, int activeMarker);

// The arrow keys: the point a marker moves to (left, right: one point, held
// at the ends; up, down: the largest or smallest Y, the first such point).
enum class TMarkerKey { Left, Right, Up, Down };
int MovedPoint(TMarkerKey key, int point, const TPlotted &trace);

// Add Marker on a trace: the first slot that is hidden or never placed.
enum class TAddMarkerStep {
  NoFreeSlot, // every slot shown: back to the Select tool
  PlaceNext,  // a new slot: the next click places it (Add Marker tool)
  ShownAgain  // a hidden placed slot shows again and becomes active
};
struct TAddMarker {
  TAddMarkerStep Step = TAddMarkerStep::NoFreeSlot;
  int Slot = -1;
};
TAddMarker AddMarkerCommand(TMarkerSet &marks);

} // namespace korv
