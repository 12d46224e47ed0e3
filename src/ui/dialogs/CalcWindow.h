#pragma once
// TfrmCalc: the measurement calculator, a small tool window that stays
// above the main window without blocking it. The four edits bind to
// TMeasurementCalculator, which holds every rule.
#include <QWidget>
#include <array>

#include "measure/Calc.h"

class QLineEdit;
class QPushButton;

namespace korv {

class Exception;

class TfrmCalc : public QWidget {
  Q_OBJECT
public:
  static constexpr int kHelpContext = 4500;
  explicit TfrmCalc(QWidget *parent);
  ~TfrmCalc() override;

  const TMeasurementCalculator &Calculator() const { return m_calc; }

signals:
  // The window was closed (Done, Esc or its close button).
  void closed();

protected:
  bool eventFilter(QObject *watched, QEvent *event) override;
  void keyPressEvent(QKeyEvent *event) override;
  void showEvent(QShowEvent *event) override;
  void closeEvent(QCloseEvent *event) override;

private:
  void Calculate(int code);
  // The user left a field: calculate from it, errors shown later.
  void Leave(TMeasurementCalculator::TField field);
  // Shows a calculation's error from the event loop.
  void ReportLater(const Exception &e);
  void ShowTexts();
  TMeasurementCalculator::TField FieldOf(const QObject *edit) const;

  TMeasurementCalculator m_calc;
  // By field code - 1: return loss, Rho, VSWR, power.
  std::array<QLineEdit *, 4> m_edits{};
  QPushButton *m_calculate = nullptr;
};

} // namespace korv
