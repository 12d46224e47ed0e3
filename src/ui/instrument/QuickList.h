#pragma once
// TfrmQuickText ("Quick Text Editor"): the analyzer's 13 quick text rows,
// edited in one edit line that refuses the characters the analyzer cannot
// take, loaded from and saved to files, read from and written to the
// analyzer (rules in instrument/QuickText; transfers on a worker).
#include "instrument/QuickText.h"
#include "ui/instrument/ToolWindow.h"

class QLineEdit;
class QListWidget;

namespace korv {

class TfrmQuickText : public TToolWindow {
  Q_OBJECT
public:
  static constexpr int kHelpContext = 2045;

  explicit TfrmQuickText(TLinkFactory linkFactory, QWidget *parent = nullptr);

  const TQuickTextList &Rows() const { return m_rows; }

  void LoadFile1Click();
  void SaveFile1Click();
  void LoadFromSA1Click();
  void SendToSA1Click();
  void Exit1Click() { close(); }

protected:
  void showEvent(QShowEvent *event) override;
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  void FormActivate();
  void edQuickTextChange(const QString &text);
  // True when the key is to be discarded.
  static bool edQuickTextKeyPress(const QKeyEvent &key);
  void lstbxQuickTextClick();
  // The edit line shows the current row, however it became current.
  void ShowCurrentRow();
  // New rows, row 0 selected and shown in the edit line.
  void SetRows(const TQuickTextList &rows);
  void TransferEnded(const QString &error, bool stopped) override;
  void HoldControls(bool hold) override;
  bool SaveList() override;
  QString DiscardQuestion() const override;

  TQuickTextList m_rows;
  QLineEdit *m_edQuickText;
  QListWidget *m_lstbxQuickText;
  std::shared_ptr<TQuickTextList> m_received; // a load's rows, taken over at its end
  std::shared_ptr<bool> m_complete;           // set by a transfer that went through
};

} // namespace korv
