#include "core/ReflectionExcess.h"

#include <algorithm>
#include <cmath>

#include "core/TextUtil.h"

namespace korv {

void TReflectionExcess::Add(double rho) {
  ++Total;
  if (std::isfinite(rho) && rho > 1.0) {
    ++Above;
    Largest = std::max(Largest, rho);
  }
}

std::string TReflectionExcess::Message() const {
  if (Above == 0) return {};
  // Two decimals, but never a rounding that reads as total reflection.
  const double shown = std::max(std::round(Largest * 100.0) / 100.0, 1.01);
  return Format("%d of %d points above total reflection (largest |S11| %.2f): the sweep may lack calibration", Above,
                Total, shown);
}

std::string JoinWarnings(const std::string &a, const std::string &b) {
  if (a.empty()) return b;
  if (b.empty()) return a;
  return a + "\n" + b;
}

} // namespace korv
