#pragma once
// TdlgEditSetup: one power setup record in edit fields. OK checks the
// numbers against their limits and the texts for commas, and keeps the
// dialog up with a message when one fails.
#include <QDialog>

#include "instrument/PwrSetup.h"

class QCheckBox;
class QLineEdit;

namespace korv {

class TdlgEditSetup : public QDialog {
  Q_OBJECT
public:
  // The power setup topic.
  static constexpr int kHelpContext = 2040;

  explicit TdlgEditSetup(QWidget *parent = nullptr);
  void SetRecord(const TPowerSetupRecord &record);
  // The edited record (Version "0"); valid after the dialog was accepted.
  const TPowerSetupRecord &Record() const { return m_record; }

  void accept() override;

private:
  QLineEdit *m_edName;
  QCheckBox *m_chkbxProtect;
  QLineEdit *m_rledCableLoss;
  QLineEdit *m_rledAttenLoss;
  QLineEdit *m_rledConnectorLoss;
  QLineEdit *m_rledCouplerLoss;
  QLineEdit *m_edFreqRange;
  QLineEdit *m_edSensorType;
  QLineEdit *m_edElementType;
  QLineEdit *m_rledFullScale;
  QLineEdit *m_edComments;
  QLineEdit *m_edPassword;
  TPowerSetupRecord m_record;
};

} // namespace korv
