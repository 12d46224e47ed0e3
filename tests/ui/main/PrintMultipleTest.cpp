// File > Print Multiple... driven by clicks: the lists and their buttons,
// the spin boxes, Help, and Print into a PDF file named in the file dialog.
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QStyle>
#include <QStyleOptionSpinBox>
#include <QTest>
#include <QTimer>

#include "ui/UserDriver.h"
#include "ui/dialogs/PgLayout.h"
#include "ui/main/HelpWindow.h"
#include "ui/main/MainFixture.h"

using namespace korv;
using korvtest::ModalAnswerer;

namespace {

QStringList Items(const QListWidget *list) {
  QStringList names;
  for (int i = 0; i < list->count(); ++i)
    names << list->item(i)->text();
  return names;
}

void ClickItem(QListWidget *list, int row, Qt::KeyboardModifiers mods = {}) {
  QTest::mouseClick(list->viewport(), Qt::LeftButton, mods, list->visualItemRect(list->item(row)).center());
}

void DoubleClickItem(QListWidget *list, int row) {
  const QPoint at = list->visualItemRect(list->item(row)).center();
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
}

// A click on the up or down arrow of a spin box.
void ClickArrow(QSpinBox *spin, bool up) {
  QStyleOptionSpinBox opt;
  opt.initFrom(spin);
  opt.frame = spin->hasFrame();
  opt.buttonSymbols = spin->buttonSymbols();
  opt.subControls =
      QStyle::SC_SpinBoxUp | QStyle::SC_SpinBoxDown | QStyle::SC_SpinBoxFrame | QStyle::SC_SpinBoxEditField;
  opt.stepEnabled = QAbstractSpinBox::StepUpEnabled | QAbstractSpinBox::StepDownEnabled;
  const QRect r =
      spin->style()->subControlRect(QStyle::CC_SpinBox, &opt, up ? QStyle::SC_SpinBoxUp : QStyle::SC_SpinBoxDown, spin);
  QTest::mouseClick(spin, Qt::LeftButton, {}, r.center());
}

int PdfPages(const QString &name) {
  QFile f(name);
  if (!f.open(QIODevice::ReadOnly)) return -1;
  return static_cast<int>(
      QString::fromLatin1(f.readAll()).count(QRegularExpression(QStringLiteral("/Type\\s*/Page(?!s)"))));
}

// A failed step must not leave a dialog up for ever: whatever is still
// open after a minute is closed, so the test fails instead of hanging.
class TWatchdog {
public:
  TWatchdog() {
    m_timer.setSingleShot(true);
    QObject::connect(&m_timer, &QTimer::timeout, [] {
      while (auto *d = qobject_cast<QDialog *>(QApplication::activeModalWidget()))
        d->reject();
    });
    m_timer.start(60000);
  }

private:
  QTimer m_timer;
};

template <typename W> W *Child(QWidget *parent, const char *name) {
  auto *w = parent->findChild<W *>(QString::fromLatin1(name));
  EXPECT_NE(w, nullptr) << name;
  return w;
}

} // namespace

TEST_F(MainWindowTest, PrintMultiplePutsThreeGraphsOnTwoPages) {
  TfrmMain &m = MakeMain();
  m.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&m));
  m.SetPrintToPdf(true);
  for (const char *name : {"a.kdt", "b.kdt", "c.kdt"})
    ASSERT_NE(m.OpenDocumentFile(Doc(name)), nullptr);
  const QString pdf = QString::fromStdString(m_dir.File("site report.pdf"));

  TWatchdog watchdog;
  ModalAnswerer modal;
  QStringList openAtStart;
  QString helpPage;
  QString pagesText;
  TdlgPageLayout *seen = nullptr;
  modal.Then([&](QWidget *w) {
    auto *dlg = qobject_cast<TdlgPageLayout *>(w);
    ASSERT_NE(dlg, nullptr);
    seen = dlg;
    EXPECT_EQ(dlg->windowTitle(), "Print Graphs");
    auto *open = Child<QListWidget>(dlg, "lstbxOpenGraphs");
    auto *toPrint = Child<QListWidget>(dlg, "lstbxGraphsToPrint");
    auto *add = Child<QPushButton>(dlg, "btnAdd");
    auto *addAll = Child<QPushButton>(dlg, "btnAddAll");
    auto *remove = Child<QPushButton>(dlg, "btnRemove");
    auto *removeAll = Child<QPushButton>(dlg, "btnRemoveAll");
    auto *print = Child<QPushButton>(dlg, "btnPrint");
    auto *rows = Child<QSpinBox>(dlg, "cardedRows");
    auto *columns = Child<QSpinBox>(dlg, "cardedColumns");
    ASSERT_TRUE(open && toPrint && add && addAll && remove && removeAll && print && rows && columns);

    openAtStart = Items(open);
    EXPECT_EQ(toPrint->count(), 0);
    EXPECT_TRUE(add->isEnabled());
    EXPECT_TRUE(addAll->isEnabled());
    EXPECT_FALSE(remove->isEnabled());
    EXPECT_FALSE(removeAll->isEnabled());
    EXPECT_FALSE(print->isEnabled());
    EXPECT_EQ(rows->value(), 2);
    EXPECT_EQ(columns->value(), 1);
    EXPECT_EQ(Child<QLabel>(dlg, "lblPrinter")->text().left(8), "PDF file");

    // The first and third picked, Add: they move over in list order.
    ClickItem(open, 2);
    ClickItem(open, 0, Qt::ControlModifier);
    ModalAnswerer::Click(add);
    EXPECT_EQ(Items(toPrint), (QStringList{openAtStart[0], openAtStart[2]}));
    EXPECT_EQ(Items(open), QStringList{openAtStart[1]});
    EXPECT_TRUE(remove->isEnabled());
    EXPECT_TRUE(print->isEnabled());
    // A double click sends one back, to the end of the other list.
    DoubleClickItem(toPrint, 0);
    EXPECT_EQ(Items(toPrint), QStringList{openAtStart[2]});
    EXPECT_EQ(Items(open), (QStringList{openAtStart[1], openAtStart[0]}));
    ClickItem(toPrint, 0);
    ModalAnswerer::Click(remove);
    EXPECT_EQ(toPrint->count(), 0);
    EXPECT_FALSE(print->isEnabled());
    ModalAnswerer::Click(addAll);
    EXPECT_EQ(toPrint->count(), 3);
    EXPECT_FALSE(add->isEnabled());
    EXPECT_FALSE(addAll->isEnabled());
    ModalAnswerer::Click(removeAll);
    EXPECT_EQ(open->count(), 3);
    EXPECT_FALSE(removeAll->isEnabled());
    ModalAnswerer::Click(addAll);
    EXPECT_EQ(dlg->GraphCount(), 3);

    // Rows and columns keep within 1..8.
    ClickArrow(columns, true);
    EXPECT_EQ(columns->value(), 2);
    EXPECT_EQ(dlg->Grid().Columns(), 2);
    ClickArrow(columns, false);
    ClickArrow(columns, false);
    EXPECT_EQ(columns->value(), 1);
    columns->setFocus();
    columns->selectAll();
    QTest::keyClicks(columns, QStringLiteral("9"));
    QTest::keyClick(columns, Qt::Key_Tab);
    EXPECT_LE(columns->value(), 8);
    columns->setFocus();
    columns->selectAll();
    QTest::keyClicks(columns, QStringLiteral("1"));
    QTest::keyClick(columns, Qt::Key_Tab);
    EXPECT_EQ(dlg->Grid().Columns(), 1);
    for (int i = 0; i < 9; ++i)
      ClickArrow(rows, true);
    EXPECT_EQ(rows->value(), 8);
    EXPECT_EQ(dlg->Grid().Rows(), 8);
    for (int i = 0; i < 6; ++i)
      ClickArrow(rows, false);
    EXPECT_EQ(dlg->Grid().Rows(), 2);
    pagesText = Child<QLabel>(dlg, "lblPages")->text();
    EXPECT_FALSE(Child<QLabel>(dlg, "imgPreview")->pixmap().isNull());

    ModalAnswerer::Click(Child<QPushButton>(dlg, "btnHelp"));
    helpPage = m.HelpWindow()->CurrentPage();
    // Print opens the file dialog, answered by the next handler.
    QTimer::singleShot(0, print, [print] { ModalAnswerer::Click(print); });
  });
  modal.Then([&](QWidget *w) {
    auto *files = qobject_cast<QFileDialog *>(w);
    ASSERT_NE(files, nullptr);
    // It starts in the documents' folder; the name is typed over the proposal.
    EXPECT_EQ(QFileInfo(files->directory().absolutePath()).canonicalFilePath(),
              QFileInfo(QString::fromStdString(m_dir.Path().string())).canonicalFilePath());
    auto *edit = files->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->text(), "Trace Graphs.pdf");
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, QFileInfo(pdf).fileName());
    // The name completion list would take the click: closed first.
    if (QWidget *popup = QApplication::activePopupWidget()) popup->close();
    auto *box = files->findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"));
    ASSERT_NE(box, nullptr);
    ModalAnswerer::Click(box->button(QDialogButtonBox::Save));
  });
  ASSERT_TRUE(korvtest::UseMenu(m, QStringLiteral("mnuFile"), QStringLiteral("mnuFilePrintMultiple")));
  ASSERT_NE(seen, nullptr);
  EXPECT_EQ(modal.Answered(), 2);
  // Window order: the active (last opened) document first.
  EXPECT_EQ(openAtStart, (QStringList{"c.kdt", "b.kdt", "a.kdt"}));
  EXPECT_EQ(helpPage, "printmultiple.html");
  EXPECT_EQ(pagesText, "2 pages");
  EXPECT_FALSE(seen->isVisible());
  EXPECT_EQ(seen->LastPdfFile(), pdf);
  EXPECT_EQ(PdfPages(pdf), 2);

  // Opened again, the dialog starts from the open documents, with the grid
  // kept; Cancel prints nothing.
  QFile::remove(pdf);
  modal.Then([&](QWidget *w) {
    auto *dlg = qobject_cast<TdlgPageLayout *>(w);
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(Child<QListWidget>(dlg, "lstbxOpenGraphs")->count(), 3);
    EXPECT_EQ(Child<QListWidget>(dlg, "lstbxGraphsToPrint")->count(), 0);
    EXPECT_EQ(Child<QSpinBox>(dlg, "cardedRows")->value(), 2);
    ModalAnswerer::Click(Child<QPushButton>(dlg, "btnCancel"));
  });
  ASSERT_TRUE(korvtest::UseMenu(m, QStringLiteral("mnuFile"), QStringLiteral("mnuFilePrintMultiple")));
  EXPECT_EQ(modal.Answered(), 3);
  EXPECT_FALSE(QFile::exists(pdf));
}

// Without documents the command is off.
TEST_F(MainWindowTest, PrintMultipleNeedsADocument) {
  TfrmMain &m = MakeMain();
  m.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&m));
  EXPECT_FALSE(korvtest::UseMenu(m, QStringLiteral("mnuFile"), QStringLiteral("mnuFilePrintMultiple")));
}
