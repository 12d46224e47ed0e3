// The site report's contents and pages, on documents of synthetic sweeps.
#include <gtest/gtest.h>

#include "core/Excption.h"
#include "core/TextUtil.h"
#include "measure/SiteReport.h"
#include "sim/SweepModel.h"

namespace korv {
namespace {

TTraceDoc SiteDocument(int traces, int unit, int faultsPerTrace) {
  TTraceDoc doc;
  doc.ScaleUnit = static_cast<std::uint8_t>(unit);
  for (int i = 0; i < traces; ++i) {
    TSweepModel m;
    m.NoiseRho = 0.001;
    m.NoiseSeed = static_cast<std::uint32_t>(i + 1);
    for (int f = 0; f < faultsPerTrace; ++f)
      m.Reflections.push_back({5.0 + 7.0 * f, 0.06 + 0.01 * (i % 5) + 0.001 * f, 10.0 * f});
    TTraceData &t = doc.Traces[doc.AddTrace()];
    FillTraceFromSweep(t, SimulateSweep(m, 401 + 10 * i, 1700.0, 2200.0), m, unit, duMeters);
    t.Label = "Sector " + std::to_string(i + 1);
    t.SiteNumber = static_cast<std::uint16_t>(i < 7 ? 12 : 14);
    t.Sector = static_cast<std::uint8_t>(1 + i % 3);
    t.CalState = static_cast<std::uint8_t>(i == 3 ? 1 : 2);
    t.Model = "S331";
    t.SN = i < 10 ? "00123" : "00456";
    t.Revision = "2.1";
    t.DateTime = 46000.25 + i;
  }
  return doc;
}

TEST(SiteReport, SummaryRowsCarryTheVerdictsAndLargestFaults) {
  const TTraceDoc doc = SiteDocument(4, suReturnLoss, 2);
  TReportOptions o;
  o.LimitDb = -22.0;
  const TSiteReport r = BuildSiteReport({&doc}, o);
  ASSERT_EQ(r.Traces.size(), 4U);
  EXPECT_EQ(r.Sites, "Site 12");
  EXPECT_EQ(r.Sectors, "Alpha, Beta, Gamma");
  EXPECT_EQ(r.Instruments, std::vector<std::string>{"S331 00123 2.1"});
  EXPECT_EQ(r.Calibration, "Full Cal (3 of 4 traces), Partial Cal (1 of 4 traces)");
  EXPECT_EQ(r.DateRange, "12/9/2025 6:00:00 AM - 12/12/2025 6:00:00 AM");
  for (const auto &t : r.Traces) {
    EXPECT_TRUE(t.HasDistance);
    EXPECT_EQ(t.Events.size(), 2U) << t.Label;
    const TTraceVerdict v = JudgeTraceFrequency(doc, doc.Traces[t.Trace], -22.0);
    EXPECT_EQ(t.Freq.Verdict, v.Verdict);
    EXPECT_EQ(t.Verdict, VerdictText(v.Verdict));
    EXPECT_EQ(t.Limit, "-22.00 dB");
    EXPECT_EQ(t.Points, std::to_string(doc.Traces[t.Trace].NumPoints));
    EXPECT_EQ(t.Band, "1700.0 - 2200.0 MHz");
    const TFaultEvent *big = LargestEvent(t.Events);
    ASSERT_NE(big, nullptr);
    EXPECT_EQ(t.FaultAt, Format("%.2f m", big->Distance));
  }
  EXPECT_EQ(r.Traces[0].Label, "Sector 1");
  EXPECT_TRUE(r.Traces[0].DistanceVerdict.empty()) << "no distance limit line, no distance verdict";
  // Without a limit there is no verdict.
  const TSiteReport none = BuildSiteReport({&doc}, {});
  EXPECT_EQ(none.Traces[0].Verdict, "-");
  EXPECT_EQ(none.Traces[0].Limit, "none");
  // The distance view is judged against its own limit line: the faults
  // (about -20 to -24 dB) break a -28 dB line.
  TTraceDoc lined = doc;
  lined.DistLimitMode = 1;
  lined.DistLimitValue = -28.0;
  const TSiteReport d = BuildSiteReport({&lined}, o);
  for (const auto &t : d.Traces) {
    EXPECT_EQ(t.Dist.Verdict, TVerdict::Fail) << t.Label;
    EXPECT_NE(t.DistanceVerdict.find("FAIL against -28.00 dB"), std::string::npos) << t.DistanceVerdict;
  }
}

TEST(SiteReport, PagesOfAFullDocumentAndOfLongEventLists) {
  const TTraceDoc full = SiteDocument(14, suVSWR, 1);
  const TSiteReport r = BuildSiteReport({&full}, {});
  ASSERT_EQ(r.Pages.size(), 15U); // one summary page, one per trace
  EXPECT_EQ(r.Pages[0].Kind, TReportPage::Summary);
  EXPECT_EQ(r.Pages[0].RowCount, 14);
  for (int i = 0; i < 14; ++i) {
    EXPECT_EQ(r.Pages[static_cast<std::size_t>(i + 1)].Kind, TReportPage::Trace);
    EXPECT_EQ(r.Pages[static_cast<std::size_t>(i + 1)].Item, i);
  }
  // Two full documents: the summary goes on over a second page.
  const TSiteReport two = BuildSiteReport({&full, &full}, {});
  ASSERT_EQ(two.Pages.size(), 2U + 28U);
  EXPECT_EQ(two.Pages[0].RowCount, kSummaryRowsFirstPage);
  EXPECT_EQ(two.Pages[1].FirstRow, kSummaryRowsFirstPage);
  EXPECT_EQ(two.Pages[1].RowCount, 28 - kSummaryRowsFirstPage);
  // Many events: those beyond the trace page get pages of their own.
  const TTraceDoc busy = SiteDocument(1, suReturnLoss, 12);
  TReportOptions o;
  const TSiteReport b = BuildSiteReport({&busy}, o);
  ASSERT_EQ(b.Traces[0].Events.size(), 12U);
  ASSERT_EQ(b.Pages.size(), 3U);
  EXPECT_EQ(b.Pages[1].RowCount, kEventRowsOnTracePage);
  EXPECT_EQ(b.Pages[2].Kind, TReportPage::Events);
  EXPECT_EQ(b.Pages[2].FirstRow, kEventRowsOnTracePage);
  EXPECT_EQ(b.Pages[2].RowCount, 12 - kEventRowsOnTracePage);
  EXPECT_EQ(MarkedEvents(b.Traces[0].Events).size(), static_cast<std::size_t>(kMarkedEvents));
}

TEST(SiteReport, TracesWithoutCableDataAndBadOptions) {
  TTraceDoc doc = SiteDocument(2, suReturnLoss, 1);
  doc.Traces[1].Dielectric = -1.0F; // a reader's mark for "never given"
  const TSiteReport r = BuildSiteReport({&doc}, {});
  EXPECT_FALSE(r.Traces[1].HasDistance);
  EXPECT_EQ(r.Traces[1].Fault, "no cable data");
  EXPECT_EQ(r.Pages.size(), 3U);
  TReportOptions bad;
  bad.LimitDb = 14.0;
  EXPECT_THROW(BuildSiteReport({&doc}, bad), Exception);
  bad.LimitDb.reset();
  bad.ThresholdDb = 30.0;
  EXPECT_THROW(BuildSiteReport({&doc}, bad), Exception);
  const TTraceDoc empty;
  EXPECT_THROW(BuildSiteReport({&empty}, {}), Exception);
}

TEST(SiteReport, DialogFieldsAreCheckedInOrder) {
  TReportRequest q;
  q.Title = "  Site 412 ";
  q.Limit = " -14.5";
  q.Threshold = "-35";
  q.OutputFile = "/tmp/out/site412";
  TReportRequest::TCheck c = q.Check();
  EXPECT_EQ(c.Field, TReportRequest::fNone) << c.Error;
  EXPECT_EQ(c.Options.Title, "Site 412");
  EXPECT_EQ(c.Options.LimitDb, -14.5);
  EXPECT_EQ(c.Options.ThresholdDb, -35.0);
  EXPECT_EQ(c.OutputFile, "/tmp/out/site412.pdf");
  q.OutputFile = "/tmp/out/A.PDF";
  EXPECT_EQ(q.Check().OutputFile, "/tmp/out/A.PDF");
  q.Limit = "";
  EXPECT_FALSE(q.Check().Options.LimitDb) << "an empty limit is none";
  const struct {
    std::string TReportRequest::*Member;
    std::string Text;
    TReportRequest::TField Field;
  } wrong[] = {{&TReportRequest::Title, " ", TReportRequest::fTitle},
               {&TReportRequest::Limit, "14", TReportRequest::fLimit},
               {&TReportRequest::Limit, "-14 dB", TReportRequest::fLimit},
               {&TReportRequest::Threshold, "", TReportRequest::fThreshold},
               {&TReportRequest::Threshold, "-101", TReportRequest::fThreshold},
               {&TReportRequest::OutputFile, "", TReportRequest::fOutputFile},
               {&TReportRequest::OutputFile, "/tmp/out/", TReportRequest::fOutputFile}};
  for (const auto &w : wrong) {
    TReportRequest bad = q;
    bad.*w.Member = w.Text;
    const auto r = bad.Check();
    EXPECT_EQ(r.Field, w.Field) << w.Text;
    EXPECT_FALSE(r.Error.empty());
  }
  // A bare name lands in the proposed folder, not the working folder.
  TReportRequest bare = q;
  bare.OutputFile = "sector2";
  bare.BaseFolder = "/data/site";
  EXPECT_EQ(bare.Check().OutputFile, "/data/site/sector2.pdf");
  EXPECT_EQ(TReportRequest::DefaultOutputFile("/data/site.v2/sweep.kdt", "/home"), "/data/site.v2/sweep.pdf");
  EXPECT_EQ(TReportRequest::DefaultOutputFile("/data/site.v2/sweep", "/home"), "/data/site.v2/sweep.pdf");
  EXPECT_EQ(TReportRequest::DefaultOutputFile("", "/home"), "/home/Site Report.pdf");
}

} // namespace
} // namespace korv
