#pragma once
// Distance-to-fault transform: window, radix-2 FFT, Bluestein chirp-z and
// the conversion of the distance-domain result to the document's unit.
#include <complex>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "core/Declare.h"
#include "core/MOXDoc.h" // MaxDistance lives with the trace record

namespace korv {

// The distance parameter block of a trace: the cable, the distance window
// and the window type. Copied out of a trace for the transform and by the
// DTF parameter editor, copied back when the editor finishes.
struct TDistanceParams {
  TShortString<20> CableType;
  float Loss = 0.0F;       // dB per unit of distance (metre or foot, as DistUnit)
  float Dielectric = 1.0F; // relative dielectric constant, 1 / Vp^2
  float StartDist = 0.0F;  // distance window, in the document's distance unit
  float StopDist = 0.0F;
  float MaxDist = 0.0F; // unambiguous range of the sweep (MaxDistance)
  float StartFreqHz = 0.0F;
  float FreqStepHz = 0.0F;
  std::uint8_t Smoothing = 0; // window: 0 None, 1 Slight, 2 Moderate, 3 Heavy
  float Threshold = -100.0F;  // lowest result in dB
  friend bool operator==(const TDistanceParams &, const TDistanceParams &) = default;
};

TDistanceParams GetDistanceParams(const TTraceData &trace);
void SetDistanceParams(TTraceData &trace, const TDistanceParams &params);

// Window types.
enum TWindowType : std::uint8_t { wtNone = 0, wtSlight = 1, wtModerate = 2, wtHeavy = 3 };

// Multiplies x[0..numPoints-1] by the window (normalised to a mean of about 1).
// Unknown window types act as None. Throws EmoxChirpZError when x is shorter
// than numPoints.
void ApplyWindow(int numPoints, int windowType, std::span<double> x);

// In-place radix-2 FFT; a.size() must be a power of two (else EmoxChirpZError).
// sign -1: forward, exp(-i...), unscaled; sign +1: inverse, scaled by 1/M.
void ComplexFFT(std::span<std::complex<double>> a, int sign);

// The FFT length the transform uses for N points: the smallest power of two
// greater than 2N (238 -> 512, 256 -> 1024, 949 -> 2048). EmoxChirpZError
// beyond kMaxChirpZPoints.
int ChirpZLength(int numPoints);
// Largest N the transform accepts (its FFT length is a 16-bit value).
inline constexpr int kMaxChirpZPoints = 16383;
// The reason, in words for the user, why a trace of this many points has no
// distance-to-fault result when its length alone is the cause; else empty.
std::string DtfLengthProblem(int numPoints);

// z[k] = (1/N) sum_n x[n] exp(+i 2 pi n (gamma + beta k / (N-1))), k = 0..N-1,
// by Bluestein's method on ComplexFFT. N = x.size() must be 2..kMaxChirpZPoints.
// Throws EmoxChirpZError "Unable to complete Chirp-Z Transform." on bad sizes
// or non-finite results.
std::vector<std::complex<double>> ZoomedInverseDFT(std::span<const std::complex<double>> x, double gamma, double beta);

// Distance-to-fault of one sweep. data: N reflection values in displayUnit
// (0..4, not modified); angles: N phases in degrees; params: Loss, StartDist,
// StopDist, MaxDist, Smoothing and Threshold are used. Fills distanceOut (N
// distances from StartDist to StopDist) and resultOut (N values in
// displayUnit, two-way cable loss compensated, limited to Threshold .. -0.01739
// dB). Both outputs are replaced only on success.
// Throws EmoxChirpZError "Unable to complete Chirp-Z Transform." (N < 2,
// N > kMaxChirpZPoints, arrays shorter than N, MaxDist 0, non-finite values)
// and lets EmoxRhoRangeErr pass (a VSWR input below -1).
void ComputeDTF(std::span<const double> data, std::span<const double> angles, TrsDynDouble &distanceOut,
                const TDistanceParams &params, int displayUnit, int numPoints, TrsDynDouble &resultOut);

// ComputeDTF on a trace's own Mag, Angle and distance parameters; stores
// DistAxis and DistMag. On an error the trace keeps its previous result.
void ComputeTraceDTF(TTraceData &trace, int displayUnit);

} // namespace korv
