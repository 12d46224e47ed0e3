#include "measure/ViewNavigation.h"

#include <algorithm>
#include <cmath>

namespace korv {

namespace {
bool TooNarrow(double width, const TSpan &full) {
  const double fullWidth = std::abs(full.Width());
  return !std::isfinite(width) || width <= 0.0 || (fullWidth > 0.0 && width < fullWidth * kSmallestZoomPart);
}
} // namespace

std::optional<TSpan> ZoomSpanAbout(const TSpan &span, double at, double notches, const TSpan &full) {
  const double f = std::pow(kWheelZoomStep, notches);
  const TSpan out{at + (span.Min - at) * f, at + (span.Max - at) * f};
  if (!std::isfinite(out.Min) || !std::isfinite(out.Max) || TooNarrow(std::abs(out.Width()), full)) return std::nullopt;
  return out;
}

TSpan PanSpan(const TSpan &span, double from, double to) {
  const double shift = from - to;
  if (!std::isfinite(shift)) return span;
  return {span.Min + shift, span.Max + shift};
}

std::optional<TSpan> BoxSpan(double a, double b, const TSpan &full) {
  const TSpan out{std::min(a, b), std::max(a, b)};
  if (TooNarrow(out.Width(), full)) return std::nullopt;
  return out;
}

} // namespace korv
