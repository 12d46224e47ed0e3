// The tool windows of the Tools menu that talk to an analyzer: the power
// setup list and the quick text editor. Each is made on first use, shown
// or hidden by its command, and its menu item is checked while it is open.
#include <QAction>

#include "core/Excption.h"
#include "core/TextUtil.h"
#include "instrument/QtSerialLink.h"
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

std::string TfrmMain::InstrumentPort() const {
  // A device chosen by name wins over the CommPort number.
  const TOptions &o = m_settings.Options;
  // The first serial port of the computer is no guess worth trying.
  if (o.CommDevice.empty() && !o.CommPortChosen) throw EmoxIODeviceErr(kMsgNoPortChosen);
  std::string port = QtSerialLink::ResolvePort(o.CommPort, o.CommDevice);
  if (port.empty())
    throw EmoxIODeviceErr(Format(kMsgNoSerialDevice, o.CommPort, static_cast<int>(QtSerialLink::Devices().size())));
  return port;
}

TLinkFactory TfrmMain::InstrumentLinkFactory() const {
  return [this]() -> std::unique_ptr<SerialLink> { return std::make_unique<QtSerialLink>(InstrumentPort()); };
}

void TfrmMain::CloseToolWindows() {
  if (m_pwrSetup) m_pwrSetup->close();
  if (m_quickText) m_quickText->close();
}

void TfrmMain::mnuToolsPwrSetupClick() {
  if (m_pwrSetup == nullptr) {
    m_pwrSetup = new TfrmPwrSetup(InstrumentLinkFactory(), this);
    m_pwrSetup->SetPortName([this] { return InstrumentPort(); });
    connect(m_pwrSetup, &TfrmPwrSetup::closed, this, [this] { Action(TCommand::ToolsPwrSetup)->setChecked(false); });
  }
  ToggleToolWindow(m_pwrSetup.data(), Action(TCommand::ToolsPwrSetup));
}

void TfrmMain::mnuToolsQuickTextClick() {
  if (m_quickText == nullptr) {
    m_quickText = new TfrmQuickText(InstrumentLinkFactory(), this);
    m_quickText->SetPortName([this] { return InstrumentPort(); });
    connect(m_quickText, &TfrmQuickText::closed, this, [this] { Action(TCommand::ToolsQuickText)->setChecked(false); });
  }
  ToggleToolWindow(m_quickText.data(), Action(TCommand::ToolsQuickText));
}

} // namespace korv
