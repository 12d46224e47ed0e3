#pragma once
// The trace chooser shown when a document of several traces is saved in a
// format that holds one trace (CSV, Touchstone), and the S11/S22 choice
// when a two-port Touchstone file is opened.
#include <QDialog>
#include <functional>
#include <string>
#include <vector>

class QComboBox;
class QLabel;

namespace korv {

class TdlgSaveAsCSVOptions : public QDialog {
  Q_OBJECT
public:
  explicit TdlgSaveAsCSVOptions(QWidget *parent = nullptr);
  // Fills the list with one description per trace and preselects one.
  void SetTraces(const std::vector<std::string> &descriptions, int preselected);
  void SetPrompt(const QString &prompt);
  int SelectedTrace() const;

private:
  QLabel *m_prompt = nullptr;
  QComboBox *m_traces = nullptr;
};

// Returns the chosen trace index, or -1 when the user cancels. A hook
// (tests, headless runs) answers instead of the modal dialog.
using TTraceChooserHook = std::function<int(const std::vector<std::string> &descriptions, int preselected)>;
TTraceChooserHook SetTraceChooserHook(TTraceChooserHook hook);
// title: the dialog's caption, named after the format being written.
int ChooseTraceToSave(QWidget *parent, const QString &prompt, const std::vector<std::string> &descriptions,
                      int preselected, const QString &title = QStringLiteral("Save As CSV Options"));

} // namespace korv
