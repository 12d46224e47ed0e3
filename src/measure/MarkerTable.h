#pragma once
// The marker table: one row per shown marker of a document's view, with the
// marked point's position and value in the document's unit, in the
// frequency view the reflection there (return loss, VSWR, |Gamma|, the
// impedance R + jX in ohms), and signed deltas to the marker's reference.
#include <optional>
#include <string>
#include <vector>

#include "core/MOXDoc.h"

namespace korv {

// The reference impedance of the analyzers' reflection data.
inline constexpr double kReferenceOhms = 50.0;

struct TMarkerRow {
  int Trace = 0;
  int Slot = 0;
  double X = 0.0;     // MHz, or distance in the document's distance unit
  double Value = 0.0; // what the view shows, in the document's unit
  // Frequency view only, when the value is a reflection.
  std::optional<double> ReturnLoss; // dB, as the program shows it (<= 0)
  std::optional<double> Vswr;
  std::optional<double> Gamma;
  std::optional<double> R;  // ohms
  std::optional<double> Xs; // ohms, reactance
  // Signed: this marker minus its reference ("M2" or "Limit").
  std::string Reference;
  std::optional<double> DeltaX;
  std::optional<double> DeltaValue;
};

// Which marker sets a table reads: the working set of the shown view, or
// the stored set of each view (a document on disk).
enum class TMarkSource { Active, Stored };

// Rows of the frequency (pmFrequency) or distance (pmDistance) view, trace
// by trace and slot by slot. `trace` >= 0 limits them to one trace.
std::vector<TMarkerRow> MarkerTableRows(const TTraceDoc &doc, int view, TMarkSource source, int trace = -1);

// Unit words of a view's columns: "MHz", "m" or "ft"; "dB", "VSWR", "Rho",
// "mRho" or "dB" (cable loss).
std::string MarkerXUnit(const TTraceDoc &doc, int view);
std::string MarkerValueUnit(const TTraceDoc &doc, int view);

// The column captions of a view's table.
std::vector<std::string> MarkerTableHeader(const TTraceDoc &doc, int view);
// The cells of one row, formatted as the table shows them (empty where a
// column has no value).
std::vector<std::string> MarkerTableCells(const TMarkerRow &row, int view);
// The table as text: the header and one line per row, cells separated by
// `separator`, lines ended by "\n".
std::string MarkerTableText(const TTraceDoc &doc, int view, const std::vector<TMarkerRow> &rows, char separator);

} // namespace korv
