#include "ui/main/HelpWindow.h"

#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QSplitter>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QWindow>

#include "ui/common/Theme.h"
#include "ui/main/Cursors.h"

namespace korv {

namespace {
constexpr int kPageRole = Qt::UserRole + 1;

// The pages' style sheet, given to every page as the default: the pages
// link it without a type, which the rich-text engine does not load. Under a
// dark palette rules of their own go on top, so headings, table heads and
// links stay readable.
constexpr const char *kDarkHelpStyle = "\nbody h1, body h2 { color: #8fb8f0; }\nbody th { background: #34404f; }\n"
                                       "body a { color: #7ab4ff; }\n";

QString HelpStyleSheet(bool dark) {
  QFile f(QStringLiteral(":/help/style.css"));
  QString css = f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
  if (dark) css += QLatin1String(kDarkHelpStyle);
  return css;
}

class THelpBrowser : public QTextBrowser {
public:
  explicit THelpBrowser(QWidget *parent) : QTextBrowser(parent) { ApplyStyle(); }

protected:
  // A theme change shows the page again in the new colours.
  void changeEvent(QEvent *event) override {
    QTextBrowser::changeEvent(event);
    if (event->type() == QEvent::PaletteChange && ApplyStyle() && !source().isEmpty()) reload();
  }

private:
  // True when the sheet changed.
  bool ApplyStyle() {
    const QString css = HelpStyleSheet(IsDarkPalette(palette()));
    if (css == document()->defaultStyleSheet()) return false;
    document()->setDefaultStyleSheet(css);
    return true;
  }
};

QString PageText(const QString &page) {
  InitKorvResources();
  QFile f(QStringLiteral(":/help/") + page.section(QLatin1Char('#'), 0, 0));
  if (!f.open(QIODevice::ReadOnly)) return {};
  QString html = QString::fromUtf8(f.readAll());
  html.remove(QRegularExpression(QStringLiteral("<[^>]*>")));
  return html;
}
} // namespace

const std::vector<THelpTopic> &HelpTopics() {
  static const std::vector<THelpTopic> topics = {
      {1000,
       QStringLiteral("index.html"),
       QStringLiteral("The main window"),
       {QStringLiteral("main window"), QStringLiteral("menus"), QStringLiteral("toolbar"), QStringLiteral("status bar"),
        QStringLiteral("recent files"), QStringLiteral("window menu")}},
      {0,
       QStringLiteral("files.html"),
       QStringLiteral("Opening, saving and printing"),
       {QStringLiteral("open"), QStringLiteral("save"), QStringLiteral("save as"), QStringLiteral("export"),
        QStringLiteral("SVG"), QStringLiteral("PDF"), QStringLiteral("print"), QStringLiteral("file formats"),
        QStringLiteral("kdt"), QStringLiteral("csv"), QStringLiteral("vnf")}},
      {2010,
       QStringLiteral("document.html"),
       QStringLiteral("Document windows and views"),
       {QStringLiteral("document window"), QStringLiteral("Measure Match"), QStringLiteral("Smith chart"),
        QStringLiteral("zoom"), QStringLiteral("auto scale"), QStringLiteral("mouse readout")}},
      {2030,
       QStringLiteral("faultlocation.html"),
       QStringLiteral("Fault location"),
       {QStringLiteral("fault location"), QStringLiteral("DTF"), QStringLiteral("cable list"),
        QStringLiteral("velocity of propagation"), QStringLiteral("dielectric")}},
      {2020,
       QStringLiteral("receive.html"),
       QStringLiteral("Receiving traces from an analyzer"),
       {QStringLiteral("receive"), QStringLiteral("serial port"), QStringLiteral("upload")}},
      {2060,
       QStringLiteral("handheld.html"),
       QStringLiteral("The KP418 handheld"),
       {QStringLiteral("handheld"), QStringLiteral("KP418"), QStringLiteral("transfer"), QStringLiteral("vnf"),
        QStringLiteral("HandheldRoot")}},
      {2070,
       QStringLiteral("sweep.html"),
       QStringLiteral("Sweeping with a NanoVNA"),
       {QStringLiteral("sweep"), QStringLiteral("NanoVNA"), QStringLiteral("VNA"), QStringLiteral("repeat")}},
      {2025,
       QStringLiteral("send.html"),
       QStringLiteral("Sending traces to an analyzer"),
       {QStringLiteral("send"), QStringLiteral("download")}},
      {2040,
       QStringLiteral("powersetup.html"),
       QStringLiteral("Power setup records"),
       {QStringLiteral("power setup"), QStringLiteral("setup record"), QStringLiteral("password"),
        QStringLiteral("pwrsetup")}},
      {2045,
       QStringLiteral("quicktext.html"),
       QStringLiteral("Quick text"),
       {QStringLiteral("quick text"), QStringLiteral("labels")}},
      {2050,
       QStringLiteral("printmultiple.html"),
       QStringLiteral("Printing several graphs per page"),
       {QStringLiteral("print multiple"), QStringLiteral("page layout")}},
      {4200,
       QStringLiteral("options.html"),
       QStringLiteral("Plot options"),
       {QStringLiteral("options"), QStringLiteral("markers"), QStringLiteral("limit line"), QStringLiteral("units")}},
      {4210, QStringLiteral("options.html#graph"), QStringLiteral("Options: Graph"), {QStringLiteral("scale")}},
      {4220,
       QStringLiteral("options.html#plotting"),
       QStringLiteral("Options: Plotting"),
       {QStringLiteral("grid lines"), QStringLiteral("monochrome")}},
      {4230,
       QStringLiteral("options.html#general"),
       QStringLiteral("Options: General"),
       {QStringLiteral("document folder"), QStringLiteral("serial port setting")}},
      {4240,
       QStringLiteral("options.html#labels"),
       QStringLiteral("Options: Labels"),
       {QStringLiteral("title"), QStringLiteral("trace labels")}},
      {4250,
       QStringLiteral("options.html#defaults"),
       QStringLiteral("Options: Defaults"),
       {QStringLiteral("defaults"), QStringLiteral("image format")}},
      {4500,
       QStringLiteral("calculator.html"),
       QStringLiteral("Measurement calculator"),
       {QStringLiteral("calculator"), QStringLiteral("return loss"), QStringLiteral("VSWR"), QStringLiteral("Rho")}},
      {0,
       QStringLiteral("startup.html"),
       QStringLiteral("Starting the program and settings"),
       {QStringLiteral("command line"), QStringLiteral("settings"), QStringLiteral("Korv-MOX.ini"),
        QStringLiteral("autoload"), QStringLiteral("single instance")}},
      {5000,
       QStringLiteral("questions.html"),
       QStringLiteral("Questions the program asks"),
       {QStringLiteral("save before closing"), QStringLiteral("replace file"), QStringLiteral("Yes to All")}},
      {0,
       QStringLiteral("howtohelp.html"),
       QStringLiteral("How to use help"),
       {QStringLiteral("help"), QStringLiteral("search"), QStringLiteral("index")}},
  };
  return topics;
}

QString HelpPageForContext(int context) {
  for (const THelpTopic &t : HelpTopics()) {
    if (t.Context == context && context != 0) return t.Page;
  }
  return QStringLiteral("index.html");
}

QStringList SearchHelp(const QString &query) {
  const QStringList words = query.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
  QStringList pages;
  if (words.isEmpty()) return pages;
  for (const THelpTopic &t : HelpTopics()) {
    if (t.Page.contains(QLatin1Char('#'))) continue; // a part of a page listed on its own
    const QString text = PageText(t.Page);
    bool all = true;
    for (const QString &w : words)
      all = all && text.contains(w, Qt::CaseInsensitive);
    if (all) pages << t.Page;
  }
  return pages;
}

THelpWindow::THelpWindow(QWidget *parent) : QWidget(parent, Qt::Window) {
  InitKorvResources();
  setObjectName(QStringLiteral("frmHelp"));
  setWindowTitle(tr("KorvMOX Help"));
  setWindowIcon(AppIcon());
  m_tabs = new QTabWidget(this);
  m_contents = new QTreeWidget(m_tabs);
  m_contents->setObjectName(QStringLiteral("treeContents"));
  m_contents->setHeaderHidden(true);
  for (const THelpTopic &t : HelpTopics()) {
    auto *item = new QTreeWidgetItem(m_contents, QStringList(t.Title));
    item->setData(0, kPageRole, t.Page);
  }
  connect(m_contents, &QTreeWidget::itemActivated, this,
          [this](QTreeWidgetItem *item) { ShowPage(item->data(0, kPageRole).toString()); });
  connect(m_contents, &QTreeWidget::itemClicked, this,
          [this](QTreeWidgetItem *item) { ShowPage(item->data(0, kPageRole).toString()); });
  m_tabs->addTab(m_contents, tr("Contents"));

  auto *indexPage = new QWidget(m_tabs);
  m_indexEdit = new QLineEdit(indexPage);
  m_indexEdit->setObjectName(QStringLiteral("edtIndex"));
  m_index = new QListWidget(indexPage);
  m_index->setObjectName(QStringLiteral("lstbxIndex"));
  for (const THelpTopic &t : HelpTopics()) {
    for (const QString &k : t.Keywords) {
      auto *item = new QListWidgetItem(k, m_index);
      item->setData(kPageRole, t.Page);
    }
  }
  m_index->sortItems();
  auto *indexLayout = new QVBoxLayout(indexPage);
  indexLayout->setContentsMargins(2, 2, 2, 2);
  indexLayout->addWidget(m_indexEdit);
  indexLayout->addWidget(m_index);
  connect(m_indexEdit, &QLineEdit::textChanged, this, &THelpWindow::FilterIndex);
  connect(m_index, &QListWidget::itemActivated, this,
          [this](QListWidgetItem *item) { ShowPage(item->data(kPageRole).toString()); });
  connect(m_index, &QListWidget::itemClicked, this,
          [this](QListWidgetItem *item) { ShowPage(item->data(kPageRole).toString()); });
  m_tabs->addTab(indexPage, tr("Index"));

  auto *searchPage = new QWidget(m_tabs);
  m_searchEdit = new QLineEdit(searchPage);
  m_searchEdit->setObjectName(QStringLiteral("edtSearch"));
  auto *go = new QPushButton(tr("List Topics"), searchPage);
  go->setObjectName(QStringLiteral("btnSearch"));
  m_results = new QListWidget(searchPage);
  m_results->setObjectName(QStringLiteral("lstbxResults"));
  auto *row = new QHBoxLayout;
  row->addWidget(m_searchEdit, 1);
  row->addWidget(go);
  auto *searchLayout = new QVBoxLayout(searchPage);
  searchLayout->setContentsMargins(2, 2, 2, 2);
  searchLayout->addLayout(row);
  searchLayout->addWidget(m_results);
  connect(go, &QPushButton::clicked, this, &THelpWindow::RunSearch);
  connect(m_searchEdit, &QLineEdit::returnPressed, this, &THelpWindow::RunSearch);
  connect(m_results, &QListWidget::itemActivated, this,
          [this](QListWidgetItem *item) { ShowPage(item->data(kPageRole).toString()); });
  connect(m_results, &QListWidget::itemClicked, this,
          [this](QListWidgetItem *item) { ShowPage(item->data(kPageRole).toString()); });
  m_tabs->addTab(searchPage, tr("Search"));

  m_browser = new THelpBrowser(this);
  m_browser->setObjectName(QStringLiteral("browserHelp"));
  m_browser->setSearchPaths({QStringLiteral(":/help")});
  m_browser->setOpenExternalLinks(true);
  auto *splitter = new QSplitter(this);
  splitter->addWidget(m_tabs);
  splitter->addWidget(m_browser);
  splitter->setStretchFactor(1, 1);
  splitter->setSizes({220, 560});
  auto *layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addWidget(splitter);
  resize(820, 560);
}

void THelpWindow::Present() {
  // Asked from a modal dialog, the window belongs to it: it stays in front
  // of the dialog and takes input while the dialog waits.
  QWidget *modal = QApplication::activeModalWidget();
  if (modal == this) modal = nullptr;
  show();
  if (QWindow *w = windowHandle()) w->setTransientParent(modal != nullptr ? modal->windowHandle() : nullptr);
  raise();
  activateWindow();
}

void THelpWindow::ShowPage(const QString &page) {
  m_browser->setSource(QUrl(QStringLiteral("qrc:/help/") + page));
  Present();
}

void THelpWindow::ShowContext(int context) {
  m_tabs->setCurrentIndex(0);
  ShowPage(HelpPageForContext(context));
}

void THelpWindow::ShowIndex(const QString &keyword) {
  m_tabs->setCurrentIndex(1);
  m_indexEdit->setText(keyword);
  if (m_browser->source().isEmpty()) ShowPage(HelpPageForContext(1000));
  Present();
  m_indexEdit->setFocus();
}

void THelpWindow::ShowSearch(const QString &query) {
  m_tabs->setCurrentIndex(2);
  m_searchEdit->setText(query);
  RunSearch();
  Present();
}

void THelpWindow::ShowHelpOnHelp() { ShowPage(QStringLiteral("howtohelp.html")); }

void THelpWindow::SetOwner(QWidget *modal) {
  if (modal == this || modal == parentWidget()) return;
  if (QWidget *old = parentWidget()) old->removeEventFilter(this);
  // A window hidden along with its dialog is not hidden by itself.
  const bool shown = !isHidden();
  const QRect place = geometry();
  setParent(modal, Qt::Window);
  if (modal != nullptr) modal->installEventFilter(this);
  setGeometry(place);
  if (shown) show();
}

bool THelpWindow::eventFilter(QObject *watched, QEvent *event) {
  // Stays open after the dialog, on its own (and is not deleted with it).
  if (watched == parentWidget() && event->type() == QEvent::Hide) SetOwner(nullptr);
  return QWidget::eventFilter(watched, event);
}

QString THelpWindow::CurrentPage() const { return m_browser->source().fileName(); }

void THelpWindow::FilterIndex(const QString &text) {
  QListWidgetItem *first = nullptr;
  for (int i = 0; i < m_index->count(); ++i) {
    QListWidgetItem *item = m_index->item(i);
    const bool match = item->text().startsWith(text, Qt::CaseInsensitive) ||
                       (text.size() > 2 && item->text().contains(text, Qt::CaseInsensitive));
    item->setHidden(!match);
    if (match && first == nullptr) first = item;
  }
  if (first != nullptr) m_index->setCurrentItem(first);
}

void THelpWindow::RunSearch() {
  m_results->clear();
  const QStringList pages = SearchHelp(m_searchEdit->text());
  for (const QString &page : pages) {
    for (const THelpTopic &t : HelpTopics()) {
      if (t.Page == page) {
        auto *item = new QListWidgetItem(t.Title, m_results);
        item->setData(kPageRole, page);
      }
    }
  }
  if (pages.isEmpty() && !m_searchEdit->text().trimmed().isEmpty())
    new QListWidgetItem(tr("No topics found."), m_results);
}

} // namespace korv
