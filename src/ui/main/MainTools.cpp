// The options dialog and the measurement calculator of the main window.
#include <QPointer>

#include "instrument/QtSerialLink.h"
#include "settings/OptionsPages.h"
#include "ui/dialogs/CalcWindow.h"
#include "ui/dialogs/OptionsDialog.h"
#include "ui/main/Main.h"

namespace korv {

void TfrmMain::mnuViewOptionsClick() { OpenOptions(TOptionsPage::Markers); }
void TfrmMain::pmnuOptMarkersClick() { OpenOptions(TOptionsPage::Markers); }
void TfrmMain::pmnuOptGraphClick() { OpenOptions(TOptionsPage::Graph); }
void TfrmMain::pmnuOptPlotClick() { OpenOptions(TOptionsPage::Plotting); }

void TfrmMain::OpenOptions(TOptionsPage page) {
  QPointer<TfrmDoc> doc = ActiveDocument();
  TPlotOptions rules;
  if (doc)
    doc->ActivateOptions(rules);
  else
    rules.Activate(nullptr, -1, {}, {}, {}, m_settings.Options.LblFieldDate, m_settings.Options.LblFieldCustom);
  QAction *button = Action(TCommand::BtnOptions);
  button->setChecked(true);
  TSettingsPages pages = PagesFromSettings(m_settings);
  pages.SerialDevices = QtSerialLink::Devices();
  TdlgOptions dialog(this, rules, pages, page);
  const bool ok = dialog.exec() == QDialog::Accepted;
  button->setChecked(false);
  if (!ok) return;
  if (doc && !doc->IsClosed()) doc->ApplyOptions(rules);
  const TStoredPages stored = StorePages(dialog.Pages(), m_settings);
  // The look goes to every window when it changed, the cable list and its
  // format always; each window keeps its labels.
  for (TfrmDoc *d : Documents()) {
    if (stored.PlottingChanged || d == doc)
      ApplySettingsToDocument(d, false);
    else
      ApplyFaultOptionsTo(d);
  }
  if (stored.RecentCountChanged) RebuildRecentMenu();
  UpdateMenuItems(false);
}

void TfrmMain::mnuToolsMeasCalcClick() {
  if (m_calc != nullptr) {
    m_calc->close();
    return;
  }
  m_calc = new TfrmCalc(this);
  m_calc->setAttribute(Qt::WA_DeleteOnClose);
  connect(m_calc, &TfrmCalc::closed, this, [this] {
    m_calc = nullptr;
    Action(TCommand::ToolsMeasCalc)->setChecked(false);
    Action(TCommand::BtnMeasCalc)->setChecked(false);
  });
  Action(TCommand::ToolsMeasCalc)->setChecked(true);
  Action(TCommand::BtnMeasCalc)->setChecked(true);
  // Over the middle of the program, where the eye is.
  m_calc->adjustSize();
  m_calc->move(geometry().center() - m_calc->rect().center());
  m_calc->show();
  m_calc->raise();
  m_calc->activateWindow();
}

} // namespace korv
