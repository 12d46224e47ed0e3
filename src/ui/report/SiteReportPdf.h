#pragma once
// The site report as a PDF: the pages TSiteReport lays out, with the graphs
// drawn by the document window's own views.
#include <QString>
#include <functional>
#include <string>

#include "measure/SiteReport.h"

namespace korv {

struct TReportFooter {
  QString Version; // the program's version
  QString Date;    // the report's date
};

// progress(page, pages) is called before each page; returning false cancels
// (the file is then not written). Writes atomically; Exception on failure.
// Returns the number of pages written.
int WriteSiteReportPdf(const TSiteReport &report, const std::string &fileName, const TReportFooter &footer,
                       const std::function<bool(int, int)> &progress = {});

// The PDF bytes, for callers that keep them.
QByteArray SiteReportPdf(const TSiteReport &report, const TReportFooter &footer,
                         const std::function<bool(int, int)> &progress = {});

} // namespace korv
