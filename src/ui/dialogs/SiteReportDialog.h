#pragma once
// File > Site Report...: title, limit, event threshold and output file of the
// report, checked by TReportRequest before the dialog closes.
#include <QDialog>
#include <functional>

#include "measure/SiteReport.h"

class QLineEdit;

namespace korv {

class TdlgSiteReport : public QDialog {
  Q_OBJECT
public:
  // browse: asks for a file name given the current one; empty: no change.
  TdlgSiteReport(QWidget *parent, const TReportRequest &initial, std::function<QString(const QString &)> browse);
  // The checked request after OK.
  const TReportRequest::TCheck &Checked() const { return m_checked; }

  void accept() override;

private:
  TReportRequest Request() const;

  QLineEdit *m_title = nullptr;
  QLineEdit *m_limit = nullptr;
  QLineEdit *m_threshold = nullptr;
  QLineEdit *m_file = nullptr;
  std::string m_baseFolder;
  std::function<QString(const QString &)> m_browse;
  TReportRequest::TCheck m_checked;
};

} // namespace korv
