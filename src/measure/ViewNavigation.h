#pragma once
// Zoom and pan of an XY view in graph units: the wheel zooms about the
// pointer, a box zooms to itself, a drag pans. Every function keeps the
// graph value under the pointer where it was.
#include <optional>

namespace korv {

struct TSpan {
  double Min = 0.0;
  double Max = 1.0;
  double Width() const { return Max - Min; }
  friend bool operator==(const TSpan &, const TSpan &) = default;
};

// One wheel notch shrinks the shown range to this fraction.
inline constexpr double kWheelZoomStep = 0.8;
// A range narrower than this part of the full one is not zoomed into.
inline constexpr double kSmallestZoomPart = 1e-6;

// The span zoomed by `notches` wheel notches (positive: in) about `at`,
// which stays where it is. Nothing when the result would be narrower than
// kSmallestZoomPart of `full` or not finite.
std::optional<TSpan> ZoomSpanAbout(const TSpan &span, double at, double notches, const TSpan &full);

// The span moved so the value that was at `from` lies at `to`.
TSpan PanSpan(const TSpan &span, double from, double to);

// The span between two values of a box's corners, in rising order; nothing
// when they are too close (the box was a click) or not finite.
std::optional<TSpan> BoxSpan(double a, double b, const TSpan &full);

} // namespace korv
