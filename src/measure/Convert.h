#pragma once
// Conversions between the five reflection display units and between metres
// and feet. Pure functions; the only error raised here is EmoxRhoRangeErr
// "Rho value out of range." (src/core/Excption.h).
//
// Display unit codes (TScaleUnit): 0 Return Loss dB (<= 0), 1 VSWR (>= 1),
// 2 Rho (0..1), 3 mRho (Rho x 1000), 4 Cable Loss (dB, same as 0).
// Distance unit codes (TDistUnit): 0 metres, 1 feet.
#include "core/Declare.h"

namespace korv {

inline constexpr double kFeetPerMetre = 3.2808398950131233596;
inline constexpr double kMetresPerFoot = 0.3048;

// Scalar primitives. Each clamp mirrors what the instruments display.

// (1 + rho) / (1 - rho) limited to 1.00002 .. 999; rho = 1, NaN or a
// negative ratio give 999.
double RhoToVswr(double rho);
// 20 log10(rho) limited to -100 .. 0; rho <= 0 or NaN gives -100.
double RhoToReturnLoss(double rho);
// (vswr - 1) / (vswr + 1). No lower bound (a VSWR below 1 gives a negative
// Rho). Throws EmoxRhoRangeErr when the ratio exceeds 1 or is not a finite
// number (vswr = -1, NaN, infinity).
double VswrToRho(double vswr);
// 20 log10(VswrToRho(vswr)) without clamping; -100 when the logarithm
// fails (vswr <= 1). The range error of VswrToRho passes through.
double VswrToReturnLoss(double vswr);
// 10^(rl / 20); no range check.
double ReturnLossToRho(double rl);
// RhoToVswr(ReturnLossToRho(rl)); throws EmoxRhoRangeErr for rl > 0.
double ReturnLossToVswr(double rl);
inline double FeetToMetres(double x) { return x * kMetresPerFoot; }
inline double MetresToFeet(double x) { return x * kFeetPerMetre; }

// True for the codes 0..4.
bool IsValidScaleUnit(int unit);

// Converts one value in place between display units, with the clamps of the
// scalar primitives (Rho 2 to dB gives 0, not +6 dB). Units 0 and 4 are the
// same quantity; equal units and codes outside 0..4 leave the value as it is.
// Throws EmoxRhoRangeErr (dB > 0 to VSWR, VSWR to Rho/mRho out of range);
// value is then unchanged.
void ConvertValue(double &value, int fromUnit, int toUnit);

// Converts a whole array between display units. Differs from ConvertValue
// where the instruments' arrays do: Rho/mRho to dB is 20 log10(x) without
// the -100..0 clamp (a failed logarithm still gives -100), so a Rho above 1
// yields a positive dB value. All or nothing: when an element raises
// EmoxRhoRangeErr the array keeps every one of its old values.
void ConvertArray(TrsDynDouble &array, int fromUnit, int toUnit);

// Converts one trace's distance data between metres (0) and feet (1):
// DistAxis, StartDist, StopDist and MaxDist by the length factor, Loss (dB per
// unit length) by its inverse. Any other pair of codes does nothing.
void ConvertDistanceUnits(TTraceData &trace, int fromUnit, int toUnit);

} // namespace korv
