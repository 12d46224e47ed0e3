#pragma once
// Keyboard mnemonics (the underlined &-letters) on every item of a menu,
// unique within it, so each item is reachable with its letter once the
// menu is open.
class QMenu;

namespace korv {

// One pass over the visible items: a mnemonic already given is kept
// unless an earlier item holds its letter; an item without one gets the
// first free letter that starts a word, else any free letter or digit.
void AssignMnemonics(QMenu *menu);
// Assigns now and each time the menu (or a submenu of it) is about to
// show, so items added or renamed later get theirs too. Connect it after
// any handler that fills the menu on showing.
void KeepMnemonics(QMenu *menu);

} // namespace korv
