#pragma once
// The site report without drawing: what it says (the summary of every trace
// with its verdicts and fault events) and how it is laid out on pages. The
// PDF writer in the desktop layer draws exactly these pages and texts.
#include <optional>
#include <string>
#include <vector>

#include "core/MOXDoc.h"
#include "measure/FaultEvents.h"
#include "measure/Verdicts.h"

namespace korv {

struct TReportOptions {
  std::string Title = "Site Report";
  std::optional<double> LimitDb; // used where a document has no limit line
  double ThresholdDb = kDefaultEventThresholdDb;
};

// One trace of one document, all the report says of it.
struct TReportTrace {
  int Document = 0; // index in the list given to BuildSiteReport
  int Trace = 0;
  TTraceData Data; // the trace with its distance result (when it has one)
  std::uint8_t ScaleUnit = suReturnLoss;
  std::uint8_t DistUnit = duMeters;
  bool HasDistance = false;
  std::string DistanceProblem; // why there is no distance result
  TTraceVerdict Freq;
  TTraceVerdict Dist;
  std::vector<TFaultEvent> Events;
  // The summary row's cells, formatted.
  std::string Label, Band, Points, Worst, WorstAt, Limit, Verdict, Fault, FaultAt;
  // The distance view against its limit line; empty without one.
  std::string DistanceVerdict;
};

struct TReportPage {
  enum TKind { Summary, Trace, Events } Kind = Summary;
  int Item = 0;      // summary: first row; trace and events: the trace
  int FirstRow = 0;  // events: first event on the page
  int RowCount = 0;  // rows of the summary or event table on this page
};

struct TSiteReport {
  std::string Title;
  std::string Sites;       // site numbers, "Site 12, Site 14"
  std::string Sectors;     // "Alpha, Beta"
  std::string DateRange;   // first and last sweep
  std::vector<std::string> Instruments; // "Model SN firmware"
  std::string Calibration; // "Full Cal" or the count of each state
  std::vector<TReportTrace> Traces;
  std::vector<TReportPage> Pages;
  // Column headings of the summary table and the event table.
  static const std::vector<std::string> &SummaryHeadings();
  static const std::vector<std::string> &EventHeadings();
  // The cells of one event row.
  std::vector<std::string> EventCells(const TReportTrace &trace, int event) const;
};

// Rows per page: the summary page has the header block above its table.
inline constexpr int kSummaryRowsFirstPage = 20;
inline constexpr int kSummaryRowsPerPage = 34;
// A trace page holds both graphs and this many events; more go on pages of
// their own.
inline constexpr int kEventRowsOnTracePage = 8;
inline constexpr int kEventRowsPerPage = 40;
// Markers a graph shows per trace; the largest events get them.
inline constexpr int kMarkedEvents = kMarkersPerTrace;

// Builds the report of the documents' traces, in order. A trace whose
// distance result cannot be computed (no cable data, too few points) is
// reported without one, with the reason. Exception when there is no trace,
// or a given limit or threshold is no return loss (CheckReturnLossLimit).
TSiteReport BuildSiteReport(const std::vector<const TTraceDoc *> &documents, const TReportOptions &options);

// The indices of the events that get a marker: the largest kMarkedEvents.
std::vector<int> MarkedEvents(const std::vector<TFaultEvent> &events);

// What the Site Report dialog asks, as typed, and the rules for it.
struct TReportRequest {
  std::string Title = "Site Report";
  std::string Limit;              // return loss dB; empty: only the documents' limit lines
  std::string Threshold = "-30";  // return loss dB
  std::string OutputFile;
  // A name typed without a folder goes here (the proposed file's folder),
  // never into whatever folder the program was started from.
  std::string BaseFolder;

  enum TField { fNone, fTitle, fLimit, fThreshold, fOutputFile };
  struct TCheck {
    TField Field = fNone; // the field to correct; fNone: all good
    std::string Error;
    TReportOptions Options;
    std::string OutputFile; // with ".pdf" added when it has no such ending
  };
  // Checks every field; the first wrong one is named with its message.
  TCheck Check() const;
  // The report beside the first document: its name with ".pdf" for its
  // extension, or "Site Report.pdf" in folder when the document has no file.
  static std::string DefaultOutputFile(const std::string &documentPath, const std::string &folder);
};

// The frequency or distance unit words of a trace.
std::string ValueUnitWord(int scaleUnit);
std::string DistanceUnitWord(int distUnit);

} // namespace korv
