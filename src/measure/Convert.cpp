#include "measure/Convert.h"

#include <cmath>

#include "core/Excption.h"

namespace korv {

namespace {

constexpr const char *kMsgRhoRange = "Rho value out of range.";

[[noreturn]] void RaiseRhoRange() { throw EmoxRhoRangeErr(kMsgRhoRange); }

bool IsDb(int unit) { return unit == suReturnLoss || unit == suCableLoss; }

// 20 log10(x) where the logarithm is defined, -100 where it fails.
double LogOrFloor(double x) {
  if (!(x > 0.0)) return -100.0;
  return 20.0 * std::log10(x);
}

// The value before the range test, as the array steps store it.
double VswrRatio(double v) { return (v - 1.0) / (v + 1.0); }

} // namespace

double RhoToVswr(double rho) {
  const double v = (1.0 + rho) / (1.0 - rho);
  if (!(v >= 0.0) || v > 999.0) return 999.0;
  if (v < 1.00002) return 1.00002;
  return v;
}

double RhoToReturnLoss(double rho) {
  if (!(rho > 0.0)) return -100.0;
  const double a = 20.0 * std::log10(rho);
  if (a > 0.0) return 0.0;
  if (a < -100.0) return -100.0;
  return a;
}

double VswrToRho(double vswr) {
  const double r = VswrRatio(vswr);
  if (!std::isfinite(r) || r > 1.0) RaiseRhoRange();
  return r;
}

double VswrToReturnLoss(double vswr) { return LogOrFloor(VswrToRho(vswr)); }

double ReturnLossToRho(double rl) { return std::pow(10.0, rl * 0.05); }

double ReturnLossToVswr(double rl) {
  const double r = ReturnLossToRho(rl);
  if (r > 1.0) RaiseRhoRange();
  return RhoToVswr(r);
}

bool IsValidScaleUnit(int unit) { return unit >= suReturnLoss && unit <= suCableLoss; }

void ConvertValue(double &value, int fromUnit, int toUnit) {
  if (!IsValidScaleUnit(fromUnit) || !IsValidScaleUnit(toUnit)) return;
  if (fromUnit == toUnit || (IsDb(fromUnit) && IsDb(toUnit))) return;
  double v = value;
  // Bring mRho to Rho first; the table treats it as Rho x 1000 everywhere.
  if (fromUnit == suMRho) {
    v *= 0.001;
    fromUnit = suRho;
    if (toUnit == suRho) {
      value = v;
      return;
    }
  }
  switch (fromUnit) {
  case suReturnLoss:
  case suCableLoss:
    if (toUnit == suVSWR)
      v = ReturnLossToVswr(v);
    else if (toUnit == suRho)
      v = ReturnLossToRho(v);
    else
      v = ReturnLossToRho(v) * 1000.0;
    break;
  case suVSWR:
    if (IsDb(toUnit))
      v = VswrToReturnLoss(v);
    else if (toUnit == suRho)
      v = VswrToRho(v);
    else
      v = VswrToRho(v) * 1000.0;
    break;
  case suRho:
    if (IsDb(toUnit))
      v = RhoToReturnLoss(v);
    else if (toUnit == suVSWR)
      v = RhoToVswr(v);
    else
      v *= 1000.0;
    break;
  default: return;
  }
  value = v;
}

void ConvertArray(TrsDynDouble &array, int fromUnit, int toUnit) {
  if (!IsValidScaleUnit(fromUnit) || !IsValidScaleUnit(toUnit)) return;
  if (fromUnit == toUnit || (IsDb(fromUnit) && IsDb(toUnit))) return;
  // Work on a copy so that a range error leaves the caller's data whole.
  TrsDynDouble a = array;
  if (fromUnit == suMRho) {
    for (double &x : a)
      x *= 0.001;
    fromUnit = suRho;
  }
  if (fromUnit != toUnit) {
    switch (fromUnit) {
    case suReturnLoss:
    case suCableLoss:
      for (double &x : a) {
        const double r = ReturnLossToRho(x);
        if (toUnit == suVSWR) {
          if (r > 1.0) RaiseRhoRange();
          x = RhoToVswr(r);
        } else {
          x = toUnit == suRho ? r : r * 1000.0;
        }
      }
      break;
    case suVSWR:
      for (double &x : a) {
        const double r = VswrRatio(x);
        if (IsDb(toUnit)) {
          if (r > 1.0 || !std::isfinite(r)) RaiseRhoRange();
          x = LogOrFloor(r);
        } else if (toUnit == suRho) {
          if (r > 1.0 || !std::isfinite(r)) RaiseRhoRange();
          x = r;
        } else {
          const double m = r * 1000.0;
          if (m > 1000.0 || !std::isfinite(m)) RaiseRhoRange();
          x = m;
        }
      }
      break;
    case suRho:
      for (double &x : a) {
        if (IsDb(toUnit))
          x = LogOrFloor(x);
        else if (toUnit == suVSWR)
          x = RhoToVswr(x);
        else
          x *= 1000.0;
      }
      break;
    default: return;
    }
  }
  array.swap(a);
}

void ConvertDistanceUnits(TTraceData &trace, int fromUnit, int toUnit) {
  double length;
  double perLength;
  if (fromUnit == duFeet && toUnit == duMeters) {
    length = kMetresPerFoot;
    perLength = kFeetPerMetre;
  } else if (fromUnit == duMeters && toUnit == duFeet) {
    length = kFeetPerMetre;
    perLength = kMetresPerFoot;
  } else {
    return;
  }
  for (double &d : trace.DistAxis)
    d *= length;
  trace.StartDist = static_cast<float>(trace.StartDist * length);
  trace.StopDist = static_cast<float>(trace.StopDist * length);
  trace.MaxDist = static_cast<float>(trace.MaxDist * length);
  trace.Loss = static_cast<float>(trace.Loss * perLength);
}

} // namespace korv
