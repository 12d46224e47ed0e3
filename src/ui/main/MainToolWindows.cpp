// The tool windows of the Tools menu that talk to an analyzer: the power
// setup list and the quick text editor. Each is made on first use, shown
// or hidden by its command, and its menu item is checked while it is open.
#include <QAction>

#include "instrument/QtSerialLink.h"
#include "settings/IniFile.h"
#include "ui/instrument/PwrSetup.h"
#include "ui/instrument/QuickList.h"
#include "ui/main/Main.h"

namespace korv {

namespace {

// Shows a hidden tool window (raised) or hides a shown one; the item's
// check mark follows the window.
template <class TWindow> void ToggleToolWindow(TWindow *window, QAction *item) {
  if (window->isVisible()) {
    window->close();
  } else {
    window->show();
    window->raise();
    window->activateWindow();
  }
  item->setChecked(window->isVisible());
}

} // namespace

TLinkFactory TfrmMain::InstrumentLinkFactory() const {
  return [this]() -> std::unique_ptr<SerialLink> {
    // CommDevice is read at the start of each transfer, so an edited
    // settings file counts without a restart.
    std::string device;
    if (!m_settingsPath.isEmpty()) device = TIniFile::Load(m_settingsPath.toStdString()).ReadString("OPTIONS", "CommDevice", "");
    return std::make_unique<QtSerialLink>(QtSerialLink::ResolvePort(m_settings.Options.CommPort, device));
  };
}

void TfrmMain::CloseToolWindows() {
  if (m_pwrSetup) m_pwrSetup->close();
  if (m_quickText) m_quickText->close();
}

void TfrmMain::mnuToolsPwrSetupClick() {
  if (m_pwrSetup == nullptr) {
    m_pwrSetup = new TfrmPwrSetup(InstrumentLinkFactory(), this);
    connect(m_pwrSetup, &TfrmPwrSetup::closed, this,
            [this] { Action(TCommand::ToolsPwrSetup)->setChecked(false); });
  }
  ToggleToolWindow(m_pwrSetup.data(), Action(TCommand::ToolsPwrSetup));
}

void TfrmMain::mnuToolsQuickTextClick() {
  if (m_quickText == nullptr) {
    m_quickText = new TfrmQuickText(InstrumentLinkFactory(), this);
    connect(m_quickText, &TfrmQuickText::closed, this,
            [this] { Action(TCommand::ToolsQuickText)->setChecked(false); });
  }
  ToggleToolWindow(m_quickText.data(), Action(TCommand::ToolsQuickText));
}

} // namespace korv
