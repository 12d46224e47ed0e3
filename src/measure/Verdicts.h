#pragma once
// Pass or fail of a trace against a limit: the worst point of the band (the
// largest reflection) compared with the limit line.
//
// A larger reflection is a larger number in every display unit (return loss
// is kept as negative dB), so the worst point is the highest value. The
// comparison is made in return loss dB, where the readouts show two
// decimals: a worst point that shows the same hundredth of a dB as the limit
// touches it and passes, so a table never says FAIL beside two equal numbers,
// and a VSWR document and its return loss copy get the same verdict.
#include <optional>
#include <span>
#include <string>

#include "core/Declare.h"
#include "core/MOXDoc.h"

namespace korv {

enum class TVerdict { None, Pass, Fail };
// "PASS", "FAIL", or "" for no verdict.
const char *VerdictText(TVerdict verdict);

// Half the last digit of a return loss readout.
inline constexpr double kVerdictToleranceDb = 0.005;

struct TWorstPoint {
  int Index = -1;   // -1: no finite point
  double X = 0.0;   // frequency (MHz) or distance of the point
  double Value = 0.0; // in the display unit
};

struct TTraceVerdict {
  TWorstPoint Worst;
  std::optional<double> Limit; // in the display unit; none: no verdict
  TVerdict Verdict = TVerdict::None;
};

// The highest finite value and its place (the first of equal ones).
// x and values of different lengths use the shorter.
TWorstPoint FindWorstPoint(std::span<const double> x, std::span<const double> values);

// The worst point against a limit in the display unit.
TTraceVerdict JudgeValues(std::span<const double> x, std::span<const double> values, int displayUnit,
                          std::optional<double> limit);

// The document's limit line of a view when it is on and placed.
std::optional<double> DocumentFreqLimit(const TTraceDoc &doc);
std::optional<double> DocumentDistLimit(const TTraceDoc &doc);

// A limit typed as return loss dB, checked: it must be a finite number of 0 dB
// or below (a positive return loss is no reflection); Exception otherwise.
double CheckReturnLossLimit(double db, const std::string &what);

// The frequency verdict of a trace: the document's limit line when set, else
// fallbackDb (return loss dB, shown in the display unit), else none.
TTraceVerdict JudgeTraceFrequency(const TTraceDoc &doc, const TTraceData &trace, std::optional<double> fallbackDb);
// The distance verdict (DistAxis, DistMag) against the document's distance
// limit line, else fallbackDb, else none.
TTraceVerdict JudgeTraceDistance(const TTraceDoc &doc, const TTraceData &trace, std::optional<double> fallbackDb);

} // namespace korv
