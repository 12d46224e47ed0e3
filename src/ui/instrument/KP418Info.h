#pragma once
// TdlgKP418Info: the handheld settings a .vnf trace carries, as a list of
// parameter and value rows.
#include <QDialog>

#include "instrument/HandheldInfo.h"

class QGroupBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace korv {

class TdlgKP418Info : public QDialog {
  Q_OBJECT
public:
  explicit TdlgKP418Info(QWidget *parent = nullptr);

  // The rows of these settings (the values before: "<value>").
  void Fill(const TVantorSettings &settings);
  const TKP418InfoRows &Rows() const { return m_rows; }

protected:
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  void ShowRows();
  void PlaceLabels();

  TKP418InfoRows m_rows;
  QGroupBox *m_grpbxSetupList = nullptr;
  QWidget *m_header = nullptr;
  QLabel *m_lblParameter = nullptr;
  QLabel *m_lblValue = nullptr;
  QListWidget *m_lstbxSetupList = nullptr;
  QPushButton *m_btnClose = nullptr;
};

} // namespace korv
