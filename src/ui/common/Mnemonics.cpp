#include "ui/common/Mnemonics.h"

#include <QAction>
#include <QMenu>
#include <QSet>

namespace korv {

namespace {

// The position of the mnemonic's letter in `text`, or -1 ("&&" is a
// literal ampersand).
qsizetype MnemonicAt(const QString &text) {
  for (qsizetype i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != QLatin1Char('&')) continue;
    if (text[i + 1] == QLatin1Char('&')) {
      ++i;
      continue;
    }
    return i + 1;
  }
  return -1;
}

QString WithoutMnemonic(const QString &text) {
  const qsizetype at = MnemonicAt(text);
  return at < 0 ? text : QString(text).remove(at - 1, 1);
}

// A free letter of `text` (no mnemonic in it): word starts first.
qsizetype FreeLetter(const QString &text, const QSet<QChar> &used) {
  const auto usable = [&](qsizetype i) {
    const QChar c = text[i];
    return c.isLetterOrNumber() && !used.contains(c.toLower()) && (i == 0 || text[i - 1] != QLatin1Char('&'));
  };
  for (qsizetype i = 0; i < text.size(); ++i)
    if (usable(i) && (i == 0 || !text[i - 1].isLetterOrNumber())) return i;
  for (qsizetype i = 0; i < text.size(); ++i)
    if (usable(i)) return i;
  return -1;
}

} // namespace

void AssignMnemonics(QMenu *menu) {
  QList<QAction *> items;
  for (QAction *a : menu->actions())
    if (!a->isSeparator() && a->isVisible() && !a->text().isEmpty()) items.push_back(a);
  QSet<QChar> used;
  QList<QAction *> without;
  for (QAction *a : items) {
    const qsizetype at = MnemonicAt(a->text());
    if (at >= 0 && !used.contains(a->text()[at].toLower())) {
      used.insert(a->text()[at].toLower());
    } else {
      without.push_back(a);
    }
  }
  for (QAction *a : without) {
    QString text = WithoutMnemonic(a->text());
    const qsizetype at = FreeLetter(text, used);
    if (at < 0) continue; // more items than letters: the rest go without
    used.insert(text[at].toLower());
    text.insert(at, QLatin1Char('&'));
    a->setText(text);
  }
}

void KeepMnemonics(QMenu *menu) {
  AssignMnemonics(menu);
  QObject::connect(menu, &QMenu::aboutToShow, menu, [menu] { AssignMnemonics(menu); });
  for (QAction *a : menu->actions())
    if (QMenu *sub = a->menu()) KeepMnemonics(sub);
}

} // namespace korv
