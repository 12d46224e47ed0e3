#pragma once
// TfrmQuickText ("Quick Text Editor"): the analyzer's 13 quick text rows,
// edited in one edit line that refuses the characters the analyzer cannot
// take, loaded from and saved to files, read from and written to the
// analyzer (rules in instrument/QuickText; transfers on a worker).
#include <QMainWindow>

#include "instrument/QuickText.h"
#include "ui/common/WorkerRunner.h"

class QAction;
class QLineEdit;
class QListWidget;
class QProgressBar;

namespace korv {

class TfrmQuickText : public QMainWindow {
  Q_OBJECT
public:
  static constexpr int kHelpContext = 2045;

  explicit TfrmQuickText(TLinkFactory linkFactory, QWidget *parent = nullptr);

  const TQuickTextList &Rows() const { return m_rows; }
  bool Busy() const { return m_runner->Busy(); }

  void LoadFile1Click();
  void SaveFile1Click();
  void LoadFromSA1Click();
  void SendToSA1Click();
  void Exit1Click() { close(); }

signals:
  void closed();

protected:
  void showEvent(QShowEvent *event) override;
  void closeEvent(QCloseEvent *event) override;
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  void FormActivate();
  void edQuickTextChange(const QString &text);
  // True when the key is to be discarded.
  static bool edQuickTextKeyPress(const QKeyEvent &key);
  void lstbxQuickTextClick();
  // New rows, row 0 selected and shown in the edit line.
  void SetRows(const TQuickTextList &rows);
  void StartTransfer(std::function<void(const TJobContext &)> work);
  void TransferFinished(const QString &error);

  TQuickTextList m_rows;
  QLineEdit *m_edQuickText;
  QListWidget *m_lstbxQuickText;
  QProgressBar *m_progress;
  QList<QAction *> m_idleOnly;
  TLinkFactory m_linkFactory;
  TWorkerRunner *m_runner;
  std::shared_ptr<TQuickTextList> m_received; // a load's rows, taken over at its end
  bool m_closeWhenDone = false;
};

} // namespace korv
