#include "measure/SiteReport.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <set>

#include "core/DateTime.h"
#include "core/Excption.h"
#include "core/FileIO.h"
#include "core/TextUtil.h"
#include "measure/ChirpZ.h"

namespace korv {

namespace {

std::string Value(double v, int unit) {
  switch (unit) {
  case suVSWR: return Format("%.3f", v);
  case suRho: return Format("%.4f", v);
  case suMRho: return Format("%.1f", v);
  default: return Format("%.2f", v);
  }
}

std::string Join(const std::vector<std::string> &parts) {
  std::string s;
  for (const auto &p : parts)
    s += (s.empty() ? "" : ", ") + p;
  return s;
}

const char *const kSectorNames[] = {"", "Alpha", "Beta", "Gamma"};
const char *const kCalNames[] = {"No Cal", "Partial Cal", "Full Cal"};

// The distance result of a trace as the distance view would show it: the
// stored one when it is complete, else computed from the sweep.
void EnsureDistance(TReportTrace &r) {
  TTraceData &t = r.Data;
  if (static_cast<int>(t.DistAxis.size()) == t.NumPoints && t.DistMag.size() == t.DistAxis.size() && t.NumPoints > 2) {
    r.HasDistance = true;
    return;
  }
  if (!(t.Dielectric > 0.0F) || t.Loss < 0.0F || !(t.MaxDist > 0.0F)) {
    r.DistanceProblem = "no cable data";
    return;
  }
  try {
    if (t.StopDist <= t.StartDist || t.StopDist > t.MaxDist) t.StopDist = t.MaxDist;
    ComputeTraceDTF(t, r.ScaleUnit);
    r.HasDistance = t.DistAxis.size() > 2;
    if (!r.HasDistance) r.DistanceProblem = "too few points";
  } catch (const Exception &) {
    const std::string reason = DtfLengthProblem(t.NumPoints);
    r.DistanceProblem = "Error in Distance To Fault calculation." + (reason.empty() ? std::string() : " " + reason);
  }
}

void FillCells(TReportTrace &r) {
  const TTraceData &t = r.Data;
  const std::string unit = ValueUnitWord(r.ScaleUnit);
  const std::string dist = DistanceUnitWord(r.DistUnit);
  r.Label = DisplayText(t.Label.str().empty() ? t.Title.str() : t.Label.str());
  if (r.Label.empty()) r.Label = "Trace " + std::to_string(r.Trace + 1);
  const std::size_t n = std::min<std::size_t>(t.Freq.size(), static_cast<std::size_t>(std::max(t.NumPoints, 0)));
  r.Band = n > 0 ? Format("%.1f - %.1f MHz", t.Freq.front(), t.Freq[n - 1]) : "-";
  r.Points = std::to_string(t.NumPoints);
  if (r.Freq.Worst.Index >= 0) {
    r.Worst = Value(r.Freq.Worst.Value, r.ScaleUnit) + " " + unit;
    r.WorstAt = Format("%.3f MHz", r.Freq.Worst.X);
  } else {
    r.Worst = r.WorstAt = "-";
  }
  r.Limit = r.Freq.Limit ? Value(*r.Freq.Limit, r.ScaleUnit) + " " + unit : "none";
  r.Verdict = r.Freq.Verdict == TVerdict::None ? "-" : VerdictText(r.Freq.Verdict);
  if (r.Dist.Verdict != TVerdict::None)
    r.DistanceVerdict = "Distance: worst " + Value(r.Dist.Worst.Value, r.ScaleUnit) + " " + unit + " at " +
                        Format("%.2f ", r.Dist.Worst.X) + dist + "; " + VerdictText(r.Dist.Verdict) + " against " +
                        Value(*r.Dist.Limit, r.ScaleUnit) + " " + unit;
  if (const TFaultEvent *e = LargestEvent(r.Events)) {
    r.Fault = Value(e->Value, r.ScaleUnit) + " " + unit;
    r.FaultAt = Format("%.2f ", e->Distance) + dist;
  } else {
    r.Fault = r.HasDistance ? "none" : r.DistanceProblem;
    r.FaultAt = "-";
  }
}

} // namespace

std::string ValueUnitWord(int scaleUnit) {
  switch (scaleUnit) {
  case suVSWR: return "VSWR";
  case suRho: return "Rho";
  case suMRho: return "mRho";
  default: return "dB";
  }
}

std::string DistanceUnitWord(int distUnit) { return distUnit == duFeet ? "ft" : "m"; }

const std::vector<std::string> &TSiteReport::SummaryHeadings() {
  static const std::vector<std::string> h{"Trace", "Band",    "Points",        "Worst", "At",
                                          "Limit", "Verdict", "Largest fault", "At"};
  return h;
}

const std::vector<std::string> &TSiteReport::EventHeadings() {
  static const std::vector<std::string> h{"Event", "Distance", "Reflection", "Return loss"};
  return h;
}

std::vector<std::string> TSiteReport::EventCells(const TReportTrace &trace, int event) const {
  const TFaultEvent &e = trace.Events.at(static_cast<std::size_t>(event));
  return {std::to_string(event + 1), Format("%.2f ", e.Distance) + DistanceUnitWord(trace.DistUnit),
          Value(e.Value, trace.ScaleUnit) + " " + ValueUnitWord(trace.ScaleUnit), Format("%.2f dB", e.ReturnLossDb)};
}

std::vector<int> MarkedEvents(const std::vector<TFaultEvent> &events) {
  std::vector<int> order(events.size());
  for (std::size_t i = 0; i < order.size(); ++i)
    order[i] = static_cast<int>(i);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    return events[static_cast<std::size_t>(a)].ReturnLossDb > events[static_cast<std::size_t>(b)].ReturnLossDb;
  });
  if (order.size() > static_cast<std::size_t>(kMarkedEvents)) order.resize(kMarkedEvents);
  std::sort(order.begin(), order.end());
  return order;
}

TSiteReport BuildSiteReport(const std::vector<const TTraceDoc *> &documents, const TReportOptions &options) {
  if (options.LimitDb) CheckReturnLossLimit(*options.LimitDb, "limit");
  CheckReturnLossLimit(options.ThresholdDb, "threshold");
  TSiteReport report;
  report.Title = options.Title;
  std::set<int> sites;
  std::set<int> sectors;
  std::vector<std::string> instruments;
  int cal[3] = {0, 0, 0};
  double first = 0.0, last = 0.0;
  bool dated = false;
  for (std::size_t d = 0; d < documents.size(); ++d) {
    const TTraceDoc &doc = *documents[d];
    for (int i = 0; i < doc.TraceCount(); ++i) {
      TReportTrace r;
      r.Document = static_cast<int>(d);
      r.Trace = i;
      r.Data = doc.Traces[i];
      r.ScaleUnit = doc.ScaleUnit;
      r.DistUnit = doc.DistUnit;
      EnsureDistance(r);
      r.Freq = JudgeTraceFrequency(doc, r.Data, options.LimitDb);
      if (r.HasDistance) {
        r.Dist = JudgeTraceDistance(doc, r.Data, std::nullopt);
        r.Events = TraceFaultEvents(r.Data, doc.ScaleUnit, options.ThresholdDb);
      }
      FillCells(r);
      const TTraceData &t = r.Data;
      if (t.SiteNumber != 0) sites.insert(t.SiteNumber);
      if (t.Sector >= 1 && t.Sector <= 3) sectors.insert(t.Sector);
      const std::string inst =
          Trim(DisplayText(t.Model.str()) + " " + DisplayText(t.SN.str()) + " " + DisplayText(t.Revision.str()));
      if (!inst.empty() && std::find(instruments.begin(), instruments.end(), inst) == instruments.end())
        instruments.push_back(inst);
      ++cal[t.CalState <= 2 ? t.CalState : 0];
      if (t.DateTime > 0.0 && std::isfinite(t.DateTime)) {
        first = dated ? std::min(first, t.DateTime) : t.DateTime;
        last = dated ? std::max(last, t.DateTime) : t.DateTime;
        dated = true;
      }
      report.Traces.push_back(std::move(r));
    }
  }
  if (report.Traces.empty()) throw Exception("The report has no trace.");

  std::vector<std::string> parts;
  parts.reserve(sites.size());
  for (const int s : sites)
    parts.push_back("Site " + std::to_string(s));
  report.Sites = parts.empty() ? "-" : Join(parts);
  parts.clear();
  for (const int s : sectors)
    parts.emplace_back(kSectorNames[s]);
  report.Sectors = parts.empty() ? "-" : Join(parts);
  report.DateRange = !dated          ? "-"
                     : first == last ? DateTimeToText(first)
                                     : DateTimeToText(first) + " - " + DateTimeToText(last);
  report.Instruments = instruments;
  parts.clear();
  const int total = static_cast<int>(report.Traces.size());
  for (int c = 2; c >= 0; --c)
    if (cal[c] == total)
      parts.emplace_back(kCalNames[c]);
    else if (cal[c] > 0)
      parts.push_back(std::string(kCalNames[c]) + " (" + std::to_string(cal[c]) + " of " + std::to_string(total) +
                      " traces)");
  report.Calibration = Join(parts);

  // Pages: the summary (continued when long), then per trace its graphs
  // with the first events, and the rest of its events on pages of their own.
  for (int row = 0, cap = kSummaryRowsFirstPage; row < total; row += cap, cap = kSummaryRowsPerPage)
    report.Pages.push_back({TReportPage::Summary, row, row, std::min(cap, total - row)});
  for (int i = 0; i < total; ++i) {
    const int events = static_cast<int>(report.Traces[static_cast<std::size_t>(i)].Events.size());
    report.Pages.push_back({TReportPage::Trace, i, 0, std::min(events, kEventRowsOnTracePage)});
    for (int e = kEventRowsOnTracePage; e < events; e += kEventRowsPerPage)
      report.Pages.push_back({TReportPage::Events, i, e, std::min(kEventRowsPerPage, events - e)});
  }
  return report;
}

TReportRequest::TCheck TReportRequest::Check() const {
  TCheck c;
  auto fail = [&c](TField field, std::string error) {
    c.Field = field;
    c.Error = std::move(error);
    return c;
  };
  const std::string title = Trim(Title);
  if (title.empty()) return fail(fTitle, "Enter a title for the report.");
  c.Options.Title = title;
  auto number = [](const std::string &text) -> std::optional<double> {
    double v = 0.0;
    if (!ParseDouble(Trim(text), v) || !std::isfinite(v) || v > 0.0 || v < -100.0) return std::nullopt;
    return v;
  };
  if (!Trim(Limit).empty()) {
    c.Options.LimitDb = number(Limit);
    if (!c.Options.LimitDb)
      return fail(fLimit, "The limit is a return loss in dB from -100 to 0 (for example -14), or empty for none.");
  }
  const auto threshold = number(Threshold);
  if (!threshold)
    return fail(fThreshold, "The event threshold is a return loss in dB from -100 to 0 (for example -30).");
  c.Options.ThresholdDb = *threshold;
  std::string out = Trim(OutputFile);
  if (out.empty() || out.back() == '/') return fail(fOutputFile, "Enter the name of the PDF file to write.");
  const auto lower = [](std::string s) {
    for (char &ch : s)
      ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return s;
  };
  if (out.size() < 4 || lower(out.substr(out.size() - 4)) != ".pdf") out += ".pdf";
  if (out.front() != '/' && !BaseFolder.empty()) out = (BaseFolder.back() == '/' ? BaseFolder : BaseFolder + "/") + out;
  c.OutputFile = out;
  return c;
}

std::string TReportRequest::DefaultOutputFile(const std::string &documentPath, const std::string &folder) {
  if (documentPath.empty()) return (folder.empty() || folder.back() == '/' ? folder : folder + "/") + "Site Report.pdf";
  const std::size_t slash = documentPath.find_last_of('/');
  const std::size_t dot = documentPath.find_last_of('.');
  const bool hasExt = dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
  return (hasExt ? documentPath.substr(0, dot) : documentPath) + ".pdf";
}

} // namespace korv
