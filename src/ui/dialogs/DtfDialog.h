#pragma once
// TdlgDTF: the fault-location (distance-to-fault parameters) dialog. The
// widgets only bind to TDtfParameterEditor, which holds every rule.
#include <QDialog>
#include <functional>

#include "measure/DTFOptns.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace korv {

class TdlgDTF : public QDialog {
  Q_OBJECT
public:
  static constexpr int kHelpContext = 2030;

  TdlgDTF(QWidget *parent, const QString &cableListPath, bool velocityFormat);
  ~TdlgDTF() override;

  // The creation step: finds (or asks for) the cable list and reads it.
  // Error boxes go through the document message hook.
  void Initialise();
  QString CableListPath() const { return m_cableListPath; }
  // Replaces the "locate the file" chooser (tests, scripts); returns a path or "".
  void SetFileChooser(std::function<QString()> chooser) { m_chooser = std::move(chooser); }

  // Opening for a document: traceIndex 1-based or 0 for all traces. On
  // Finish the entries go into traces and recompute(index) runs.
  void Open(TTraceArray &traces, int traceIndex, int distUnit, std::function<void(int)> recompute);
  TDtfParameterEditor &Editor() { return m_editor; }

signals:
  void cableListPathChanged(const QString &path);

protected:
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  void Refresh();
  void btnNextClick();
  void btnPrevClick();
  void btnFinishClick();
  void btnCancelClick();
  TDtfField FieldOf(QObject *edit) const;
  QLineEdit *EditOf(TDtfField field) const;

  TDtfParameterEditor m_editor;
  QString m_cableListPath;
  std::function<QString()> m_chooser;
  TTraceArray *m_traces = nullptr;
  std::function<void(int)> m_recompute;
  bool m_refreshing = false;

  QComboBox *m_cmboCable = nullptr;
  QLabel *m_lblDielectric = nullptr;
  QLineEdit *m_editrDielectric = nullptr;
  QLabel *m_lblLoss = nullptr;
  QLineEdit *m_editRLoss = nullptr;
  QLabel *m_lblMaxDist = nullptr;
  QLabel *m_lblMaxDist1 = nullptr;
  QLabel *m_lblStartDist = nullptr;
  QLineEdit *m_editRStartDist = nullptr;
  QLabel *m_lblStopDist = nullptr;
  QLineEdit *m_editRStopDist = nullptr;
  QGroupBox *m_grpWindow = nullptr;
  QButtonGroup *m_windowButtons = nullptr;
  QCheckBox *m_chbxApplyToRem = nullptr;
  QPushButton *m_btnPrev = nullptr;
  QPushButton *m_btnNext = nullptr;
  QPushButton *m_btnCancel = nullptr;
  QPushButton *m_btnFinish = nullptr;
  QPushButton *m_btnHelp = nullptr;
};

} // namespace korv
