#pragma once
// The program's help viewer: HTML pages built into the program, shown by
// context number, with contents, a keyword index and full-text search.
#include <QString>
#include <QStringList>
#include <QWidget>
#include <vector>

class QLineEdit;
class QListWidget;
class QTabWidget;
class QTextBrowser;
class QTreeWidget;

namespace korv {

struct THelpTopic {
  int Context = 0; // 0: reachable from the contents only
  QString Page;    // file name under :/help/
  QString Title;
  QStringList Keywords;
};

// Every topic, in contents order.
const std::vector<THelpTopic> &HelpTopics();
// The page of a context number; the main page for unknown numbers.
QString HelpPageForContext(int context);
// Pages whose text holds every word of the query (case-insensitive).
QStringList SearchHelp(const QString &query);

class THelpWindow : public QWidget {
  Q_OBJECT
public:
  explicit THelpWindow(QWidget *parent = nullptr);

  void ShowContext(int context);
  void ShowPage(const QString &page);
  // The index tab with the keyword typed in (empty: the whole list).
  void ShowIndex(const QString &keyword);
  void ShowSearch(const QString &query);
  void ShowHelpOnHelp();
  QString CurrentPage() const;
  QTextBrowser *Browser() const { return m_browser; }
  // Help asked for from a modal dialog: the window belongs to that dialog
  // while it is up, so it stands in front of it and takes input (a window
  // outside a modal dialog is blocked). Null, or the dialog closing, makes
  // it a window of its own again.
  void SetOwner(QWidget *modal);

protected:
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  // Shown, raised and in front of the modal dialog that asked, if any.
  void Present();
  void RunSearch();
  void FilterIndex(const QString &text);

  QTabWidget *m_tabs = nullptr;
  QTreeWidget *m_contents = nullptr;
  QLineEdit *m_indexEdit = nullptr;
  QListWidget *m_index = nullptr;
  QLineEdit *m_searchEdit = nullptr;
  QListWidget *m_results = nullptr;
  QTextBrowser *m_browser = nullptr;
};

} // namespace korv
