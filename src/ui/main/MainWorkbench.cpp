// Undo and Redo of the active document window, and the keys a desktop
// user expects beyond the menus' own: Save As, moving between windows,
// AutoScale, zoom and Add Marker.
#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>

#include "ui/document/Child.h"
#include "ui/main/Main.h"

namespace korv {

void TfrmMain::CreateWorkbenchActions() {
  m_undoAction = new QAction(tr("&Undo"), this);
  m_undoAction->setObjectName(QStringLiteral("mnuEditUndo"));
  m_undoAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
  m_undoAction->setStatusTip(tr("Undo the last change of the active document."));
  connect(m_undoAction, &QAction::triggered, this, [this] {
    if (TfrmDoc *doc = ActiveDocument()) doc->Undo();
    UpdateMenuItems(false);
  });
  m_redoAction = new QAction(tr("&Redo"), this);
  m_redoAction->setObjectName(QStringLiteral("mnuEditRedo"));
  m_redoAction->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
  m_redoAction->setStatusTip(tr("Redo the change undone last."));
  connect(m_redoAction, &QAction::triggered, this, [this] {
    if (TfrmDoc *doc = ActiveDocument()) doc->Redo();
    UpdateMenuItems(false);
  });

  // Second keys of existing commands.
  QAction *saveAs = Action(TCommand::FileSaveAs);
  saveAs->setShortcuts({saveAs->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)});
  Action(TCommand::ViewAutoScale)->setShortcut(QKeySequence(Qt::Key_F5));
  Action(TCommand::ViewMarker1)->setShortcut(QKeySequence(Qt::Key_M));

  // Keys without a menu item of their own.
  const auto key = [this](const char *name, const QList<QKeySequence> &keys, auto slot) {
    auto *a = new QAction(this);
    a->setObjectName(QString::fromLatin1(name));
    a->setShortcuts(keys);
    a->setShortcutContext(Qt::WindowShortcut);
    connect(a, &QAction::triggered, this, slot);
    addAction(a);
  };
  key("keyNextWindow", {QKeySequence(Qt::CTRL | Qt::Key_F6), QKeySequence(Qt::CTRL | Qt::Key_Tab)},
      [this] { m_mdi->activateNextSubWindow(); });
  key("keyPreviousWindow",
      {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F6), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab),
       QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab)},
      [this] { m_mdi->activatePreviousSubWindow(); });
  key("keyZoomIn", {QKeySequence(Qt::Key_Plus), QKeySequence(Qt::Key_Equal)}, [this] {
    if (TfrmDoc *doc = ActiveDocument()) doc->ZoomIn();
    UpdateMenuItems(false);
  });
  key("keyZoomOut", {QKeySequence(Qt::Key_Minus)}, [this] {
    if (TfrmDoc *doc = ActiveDocument()) doc->ZoomOut();
    UpdateMenuItems(false);
  });
}

void TfrmMain::UpdateHistoryActions() {
  if (m_undoAction == nullptr) return;
  const TfrmDoc *doc = ActiveDocument();
  const bool undo = doc != nullptr && doc->CanUndo();
  const bool redo = doc != nullptr && doc->CanRedo();
  m_undoAction->setEnabled(undo);
  m_redoAction->setEnabled(redo);
  m_undoAction->setText(undo ? tr("&Undo %1").arg(doc->UndoText()) : tr("&Undo"));
  m_redoAction->setText(redo ? tr("&Redo %1").arg(doc->RedoText()) : tr("&Redo"));
}

} // namespace korv
