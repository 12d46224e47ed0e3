#pragma once
// Message boxes of the document window and its dialogs. A hook lets tests
// and the headless render command answer them without a modal loop.
#include <QMessageBox>
#include <QString>
#include <functional>

namespace korv {

enum class TMsgKind { Error, Warning, Question, Information };

// Returns the button pressed; never QMessageBox::Help (the box stays up).
using TDocMessageHook = std::function<QMessageBox::StandardButton(TMsgKind kind, const QString &text,
                                                                  QMessageBox::StandardButtons buttons)>;
// Installs a hook (an empty function removes it); returns the previous one.
TDocMessageHook SetDocMessageHook(TDocMessageHook hook);

// Shows a box with the program's caption. "\r\n" and "\r" in texts are line breaks.
QMessageBox::StandardButton ShowDocMessage(QWidget *parent, TMsgKind kind, const QString &text,
                                           QMessageBox::StandardButtons buttons = QMessageBox::Ok, bool help = false);

// Help: the main window installs the function that shows a help topic;
// the Help buttons of boxes and dialogs call RequestHelp. Without a hook
// (the render command, tests that do not ask) Help does nothing.
using THelpHook = std::function<void(int context)>;
THelpHook SetHelpHook(THelpHook hook);
void RequestHelp(int context);
// F1 in window (a dialog, modal or not) asks for the topic context.
void AddHelpKey(QWidget *window, int context);

// A modal box whose Help button (when among the buttons) shows the help
// topic and keeps the question up; returns the answer, never Help.
QMessageBox::StandardButton AskWithHelp(QWidget *parent, QMessageBox::Icon icon, const QString &caption,
                                        const QString &text, QMessageBox::StandardButtons buttons, int helpContext);

// Help context of the question and error boxes.
inline constexpr int kMessageHelpContext = 5000;

} // namespace korv
