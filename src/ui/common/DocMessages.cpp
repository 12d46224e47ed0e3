#include "ui/common/DocMessages.h"

#include <QApplication>
#include <QShortcut>

namespace korv {

namespace {
TDocMessageHook &Hook() {
  static TDocMessageHook hook;
  return hook;
}
THelpHook &Help() {
  static THelpHook hook;
  return hook;
}
} // namespace

THelpHook SetHelpHook(THelpHook hook) {
  THelpHook old = std::move(Help());
  Help() = std::move(hook);
  return old;
}

void RequestHelp(int context) {
  if (Help()) Help()(context);
}

void AddHelpKey(QWidget *window, int context) {
  auto *key = new QShortcut(QKeySequence::HelpContents, window);
  key->setContext(Qt::WindowShortcut);
  QObject::connect(key, &QShortcut::activated, window, [context] { RequestHelp(context); });
}

TDocMessageHook SetDocMessageHook(TDocMessageHook hook) {
  TDocMessageHook old = std::move(Hook());
  Hook() = std::move(hook);
  return old;
}

QMessageBox::StandardButton ShowDocMessage(QWidget *parent, TMsgKind kind, const QString &text,
                                           QMessageBox::StandardButtons buttons, bool help) {
  QString shown = text;
  shown.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
  if (Hook()) return Hook()(kind, shown, buttons);
  const QMessageBox::Icon icon = kind == TMsgKind::Error      ? QMessageBox::Critical
                                 : kind == TMsgKind::Warning  ? QMessageBox::Warning
                                 : kind == TMsgKind::Question ? QMessageBox::Question
                                                              : QMessageBox::Information;
  const QString caption = QApplication::applicationDisplayName().isEmpty() ? QStringLiteral("Korv MOX")
                                                                           : QApplication::applicationDisplayName();
  return AskWithHelp(parent, icon, caption, shown, buttons | (help ? QMessageBox::Help : QMessageBox::NoButton),
                     kMessageHelpContext);
}

QMessageBox::StandardButton AskWithHelp(QWidget *parent, QMessageBox::Icon icon, const QString &caption,
                                        const QString &text, QMessageBox::StandardButtons buttons, int helpContext) {
  for (;;) {
    QMessageBox box(icon, caption, text, buttons, parent);
    box.setProperty("helpContext", helpContext);
    const auto answer = static_cast<QMessageBox::StandardButton>(box.exec());
    if (answer != QMessageBox::Help) return answer;
    RequestHelp(helpContext);
  }
}

} // namespace korv
