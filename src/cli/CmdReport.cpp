// report: the site report of documents as a multi-page PDF. Built only with
// the widget libraries, as it draws with the document window's views.
#include <QApplication>
#include <QDateTime>
#include <cstdlib>
#include <iostream>
#include <memory>

#include "cli/Command.h"
#include "cli/Json.h"
#include "core/Excption.h"
#include "core/FileIO.h"
#include "core/SAFileStream.h"
#include "core/Version.h"
#include "measure/SiteReport.h"
#include "ui/report/SiteReportPdf.h"

namespace korv::cli {

namespace {

std::unique_ptr<QApplication> MakeReportApplication() {
  if (QApplication::instance()) return nullptr;
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  static int argc = 1;
  static char arg0[] = "korvtool";
  static char *argv[] = {arg0, nullptr};
  return std::make_unique<QApplication>(argc, argv);
}

std::string SummaryJson(const TSiteReport &r, int pages) {
  JsonWriter j;
  j.BeginObject().Key("title").String(r.Title).Key("sites").String(r.Sites).Key("sectors").String(r.Sectors);
  j.Key("dates").String(r.DateRange).Key("calibration").String(r.Calibration).Key("pages").Integer(pages);
  j.Key("instruments").BeginArray();
  for (const auto &i : r.Instruments)
    j.String(i);
  j.EndArray().Key("traces").BeginArray();
  for (const auto &t : r.Traces) {
    j.BeginObject().Key("document").Integer(t.Document).Key("trace").Integer(t.Trace).Key("label").String(t.Label);
    j.Key("points").Integer(t.Data.NumPoints).Key("unit").String(ValueUnitWord(t.ScaleUnit));
    j.Key("worst").Number(t.Freq.Worst.Value).Key("worstMHz").Number(t.Freq.Worst.X);
    if (t.Freq.Limit)
      j.Key("limit").Number(*t.Freq.Limit);
    else
      j.Key("limit").Null();
    j.Key("verdict").String(VerdictText(t.Freq.Verdict));
    j.Key("distanceVerdict").String(VerdictText(t.Dist.Verdict));
    j.Key("distUnit").String(DistanceUnitWord(t.DistUnit)).Key("events").BeginArray();
    for (const auto &e : t.Events)
      j.BeginObject().Key("distance").Number(e.Distance).Key("value").Number(e.Value).EndObject();
    j.EndArray().EndObject();
  }
  j.EndArray().EndObject();
  return j.Text() + "\n";
}

int Report(const Args &args) {
  Options o(args, {"limit", "threshold", "title", "json"}, {});
  if (o.Positional().size() < 2) throw UsageError{"needs OUT.pdf and at least one document file"};
  const std::string out = o.Positional()[0];
  if (out.size() < 5 || out.substr(out.size() - 4) != ".pdf") throw UsageError{"OUT must end in .pdf"};
  TReportOptions options;
  if (o.Has("title")) options.Title = o.Value("title");
  try {
    if (o.Has("limit")) options.LimitDb = CheckReturnLossLimit(o.Number("limit", 0.0), "limit");
    if (o.Has("threshold")) options.ThresholdDb = CheckReturnLossLimit(o.Number("threshold", 0.0), "threshold");
  } catch (const Exception &e) {
    throw UsageError{e.Message()};
  }
  std::vector<std::unique_ptr<TmoxDocument>> documents;
  std::vector<const TTraceDoc *> docs;
  for (std::size_t i = 1; i < o.Positional().size(); ++i) {
    TOpenResult r = OpenOrReport(o.Positional()[i]);
    if (!r.Warning.empty()) std::cerr << r.Warning << "\n";
    docs.push_back(&r.Document->Doc);
    documents.push_back(std::move(r.Document));
  }
  const TSiteReport report = BuildSiteReport(docs, options);
  auto app = MakeReportApplication();
  TReportFooter footer;
  footer.Version = QString::fromLatin1(kVersion);
  footer.Date = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"));
  const int pages = WriteSiteReportPdf(report, out, footer);
  if (o.Has("json")) {
    const std::string text = SummaryJson(report, pages);
    WriteWholeFileAtomic(o.Value("json"), std::vector<std::uint8_t>(text.begin(), text.end()));
  }
  std::cout << "Wrote " << out << ": " << pages << (pages == 1 ? " page, " : " pages, ") << report.Traces.size()
            << (report.Traces.size() == 1 ? " trace\n" : " traces\n");
  return 0;
}

const Registrar kReport("report",
                        "report OUT.pdf FILE... [--limit DB] [--threshold DB] [--title TEXT] [--json SUMMARY.json]",
                        "the site report of the documents' traces (verdicts, fault events, graphs) as a PDF", Report);

} // namespace

} // namespace korv::cli
