#pragma once
// The CSV trace file as the program uses it: revision 3, with the mapping
// between the file's record and a one-trace document, and the rules of the
// trace chooser shown when a document with several traces is saved as CSV.
#include <string>
#include <vector>

#include "core/MOXDoc.h"
#include "formats/LXZTTrace.h"

namespace korv {

class CLXZT_TraceFile : public CLXZT_Trace_v3 {
public:
  CLXZT_TraceFile();

  // Makes doc a one-trace document holding the record's trace.
  void FillDocument(TmoxDocument &doc) const;
  // Takes the trace at traceIndex and the document's settings into the
  // record. The caller stores the active markers first.
  void FillFromDocument(const TmoxDocument &doc, int traceIndex);
};

// "CRC Error: " and the residual, shown when a CSV file's CRC does not match.
std::string CsvCrcMessage(std::uint16_t residual);

inline constexpr const char *kMsgSelectTracePrompt =
    "CSV files can only save one trace. This file contains multiple trace. Which trace do you wish to use?";

// What the trace chooser offers for a one-trace format: no question for a
// document with one trace (index 0); otherwise one description per trace
// (date-time and title) with the second entry preselected.
struct TTraceChoice {
  bool AskUser = false;
  std::vector<std::string> Descriptions;
  int Preselected = 0;
};
TTraceChoice TraceChoiceForSave(const TTraceArray &traces);

} // namespace korv
