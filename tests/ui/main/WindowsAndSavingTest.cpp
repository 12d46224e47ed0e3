// What holds between the windows: titles after options and drops, the
// calculator's boxes, settings pushed to every window, tiling, saving what
// came from nowhere, printing beside a PDF, one window per file, the status
// bar and help over modal dialogs. Driven with real clicks and keys.
#include <QAbstractButton>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMimeData>
#include <QRadioButton>
#include <QScreen>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTreeWidget>
#include <QWindow>
#include <qcustomplot.h>

#include "core/ErrorText.h"
#include "core/Excption.h"
#include "ui/UserDriver.h"
#include "ui/Wait.h"
#include "ui/chart/XYGraph.h"
#include "ui/dialogs/CalcWindow.h"
#include "ui/document/DocTestHelpers.h"
#include "ui/main/HelpWindow.h"
#include "ui/main/MainFixture.h"

using namespace korv;
using korvtest::ModalAnswerer;

namespace {

class WindowsTest : public MainWindowTest {
protected:
  // A shown main window with a document of the given traces in a file.
  TfrmDoc *OpenWith(const std::string &name, std::vector<TTraceData> traces) {
    if (!m_main) MakeMain().show();
    const QString file = Doc(name);
    TfrmDoc *doc = m_main->OpenDocumentFile(file);
    if (doc == nullptr) return nullptr;
    doc->SetDocument(korvtest::MakeDocument(traces), file, false);
    doc->SetActiveTrace(0);
    return doc;
  }
  static TTraceData Trace(double f0, double f1, std::uint8_t cal = 2) {
    return korvtest::MakeTrace(
        101, f0, f1, [](int j) { return -12.0 - 0.1 * j; }, cal);
  }
  static TXYGraph *Xy(TfrmDoc *doc) { return qobject_cast<TXYGraph *>(doc->Graph()); }
  template <typename T> static T *Find(QWidget *dialog, const char *name) { return korvtest::FindIn<T>(dialog, name); }
  static void Tick(QAbstractButton *b) { korvtest::Tick(b); }
  static void Ok(QWidget *dialog) { korvtest::ClickOk(dialog); }
  static void Type(QWidget *w, const QString &text) { korvtest::TypeInto(w, text); }
  // Right-clicks the graph and clicks a pop-up item.
  void PopUp(TfrmDoc *doc, const char *item) {
    QWidget *plot = Xy(doc)->Plot();
    QTest::mouseClick(plot, Qt::RightButton, Qt::NoModifier, QPoint(plot->width() / 2, plot->height() / 2));
    QApplication::processEvents();
    QMenu *menu = m_main->PopupMenu();
    ASSERT_TRUE(menu->isVisible());
    korvtest::ClickMenuItem(menu, m_main->Action(QString::fromLatin1(item)));
  }
  QString Panel(const char *name) const { return m_main->findChild<QLabel *>(QString::fromLatin1(name))->text(); }
};

QByteArray Bytes(const QString &path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

TEST_F(WindowsTest, TheSubtitleKeepsItsCalibrationAndFollowsADroppedTrace) {
  TfrmDoc *doc = OpenWith("t.kdt", {Trace(1700.0, 2000.0)});
  ASSERT_NE(doc, nullptr);
  EXPECT_EQ(doc->Graph()->SubTitle(), "Frequency: 1700 MHz - 2000 MHz (Full Cal)");
  // Options and OK without a change: the shown subtitle stays whole.
  ModalAnswerer answer;
  answer.Then([](QWidget *dialog) { Ok(dialog); });
  PopUp(doc, "pmnuOptGraph");
  ASSERT_EQ(answer.Answered(), 1);
  EXPECT_EQ(doc->Graph()->SubTitle(), "Frequency: 1700 MHz - 2000 MHz (Full Cal)");

  // An uncalibrated 1700-2200 MHz trace dragged in from another window.
  TfrmDoc *source = OpenWith("s.kdt", {Trace(1700.0, 2200.0, 0)});
  ASSERT_NE(source, nullptr);
  source->SetManualScale(true, 1690.0, 2210.0, true, -30.0, 0.0);
  m_main->MouseActionSelect(tmSelect);
  bool dropped = false;
  TfrmDoc::SetDragHook([&](QMimeData *mime) { return dropped = korvtest::DropOn(doc, mime); });
  QWidget *plot = Xy(source)->Plot();
  const QPoint on = Xy(source)->GraphToPixel(QPointF(1950.0, -12.0 - 0.1 * 50)).toPoint();
  QTest::mousePress(plot, Qt::LeftButton, Qt::NoModifier, on);
  QTest::mouseMove(plot, on + QPoint(30, 0));
  QTest::mouseRelease(plot, Qt::LeftButton, Qt::NoModifier, on + QPoint(30, 0));
  TfrmDoc::SetDragHook({});
  ASSERT_TRUE(dropped);
  ASSERT_EQ(doc->Document().Doc.TraceCount(), 2);
  // What the window shows, and what Print Multiple prints of it.
  EXPECT_EQ(doc->Graph()->SubTitle(), "Frequency: 1700 MHz - 2200 MHz (Partial Cal)");
  EXPECT_EQ(doc->Document().Doc.SubTitle, "Frequency: 1700 MHz - 2200 MHz");
}

TEST_F(WindowsTest, TheCalculatorShowsOneBoxAndTheButtonUsesWhatWasTyped) {
  MakeMain().show();
  ASSERT_TRUE(korvtest::UseMenu(*m_main, "mnuTools", "mnuToolsMeasCalc"));
  TfrmCalc *calc = m_main->CalcWindow();
  ASSERT_NE(calc, nullptr);
  ASSERT_TRUE(QTest::qWaitForWindowActive(calc));
  auto *rl = Find<QLineEdit>(calc, "editRL");
  auto *rho = Find<QLineEdit>(calc, "editRho");
  auto *power = Find<QLineEdit>(calc, "editPower");
  auto *button = Find<QAbstractButton>(calc, "btnCalculate");
  // Rho 0.1234: Enter and the button give the same return loss.
  Type(rho, QStringLiteral("0.1234"));
  QTest::keyClick(rho, Qt::Key_Return);
  EXPECT_EQ(rl->text(), "-18.174");
  Type(rho, QStringLiteral("0.1234"));
  QTest::mouseClick(button, Qt::LeftButton);
  EXPECT_EQ(rl->text(), "-18.174");
  // Leaving the field again without a change keeps the value typed.
  QTest::mouseClick(rho, Qt::LeftButton);
  QTest::keyClick(rho, Qt::Key_Tab);
  EXPECT_EQ(rl->text(), "-18.174");

  // Enter on a negative power: one error box, not two. (The window's boxes
  // come through the fixture's message hook.)
  Type(power, QStringLiteral("-5"));
  QTest::keyClick(power, Qt::Key_Return);
  KORV_WAIT_EQ(m_questions.size(), 1);
  EXPECT_EQ(m_questions.value(0), "Rho value out of range.");
  for (int i = 0; i < 3; ++i)
    QApplication::processEvents();
  EXPECT_EQ(m_questions.size(), 1) << m_questions.join("|").toStdString();
  // The same with the button: the click leaves the field and presses.
  QTest::mouseClick(power, Qt::LeftButton);
  QTest::mouseClick(button, Qt::LeftButton);
  KORV_WAIT_EQ(m_questions.size(), 2);
  for (int i = 0; i < 3; ++i)
    QApplication::processEvents();
  EXPECT_EQ(m_questions.size(), 2) << m_questions.join("|").toStdString();
  calc->close();
}

TEST_F(WindowsTest, ACableListAndFormatReachEveryWindow) {
  TfrmDoc *a = OpenWith("a.kdt", {Trace(1700.0, 2000.0)});
  TfrmDoc *b = OpenWith("b.kdt", {Trace(1700.0, 2000.0)});
  ASSERT_TRUE(a != nullptr && b != nullptr);
  const QString list = QString::fromStdString(m_dir.File("mine.lst"));
  QFile f(list);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("\"LMR-400\",0.85,0.07\r\n");
  f.close();
  const int format = b->FaultOptions().DielectricFormat;
  ModalAnswerer answer;
  answer.Then([&](QWidget *dialog) {
    Find<QTabWidget>(dialog, "pgcOptions")->setCurrentIndex(3);
    Type(Find<QLineEdit>(dialog, "editCableList"), list);
    Find<QTabWidget>(dialog, "pgcOptions")->setCurrentIndex(1);
    Tick(Find<QRadioButton>(dialog, format != 0 ? "rbCableFormat0" : "rbCableFormat1"));
    Ok(dialog);
  });
  PopUp(b, "pmnuOptGraph"); // b is the active window
  ASSERT_EQ(answer.Answered(), 1);
  for (TfrmDoc *d : {a, b}) {
    EXPECT_EQ(d->FaultOptions().CableListPath, list);
    EXPECT_NE(d->FaultOptions().DielectricFormat, format);
  }
}

TEST_F(WindowsTest, TileRepaintsEveryWindowAtItsNewSize) {
  // What the screen shows is compared with what each graph draws; the
  // windowing systems differ here, so ctest also runs this under Xvfb.
  std::vector<TfrmDoc *> docs;
  for (const char *name : {"a.kdt", "b.kdt", "c.kdt"})
    docs.push_back(OpenWith(name, {Trace(1700.0, 2000.0)}));
  ASSERT_TRUE(QTest::qWaitForWindowExposed(m_main.get()));
  ASSERT_TRUE(korvtest::UseMenu(*m_main, "mnuWindow", "mnuWindowTile"));
  // The bottom window spans the width: it grew.
  QWidget *wide = Xy(docs[2])->Plot();
  ASSERT_TRUE(QTest::qWaitFor([&] { return wide->width() > m_main->centralWidget()->width() * 9 / 10; }, 5000));
  const auto shown = [&](TfrmDoc *d) {
    QWidget *plot = Xy(d)->Plot();
    const QImage screen = m_main->screen()->grabWindow(m_main->winId()).toImage();
    const QImage own = plot->grab().toImage();
    const QPoint origin = plot->mapTo(m_main.get(), QPoint(0, 0));
    // A column near the right edge, where a window that kept its old width
    // shows the empty area behind it.
    const int x = plot->width() - 20;
    int same = 0, total = 0;
    for (int y = 0; y < plot->height(); y += 2, ++total)
      same += screen.pixelColor(origin.x() + x, origin.y() + y).rgb() == own.pixelColor(x, y).rgb() ? 1 : 0;
    return same * 10 >= total * 9;
  };
  for (TfrmDoc *d : docs)
    EXPECT_TRUE(QTest::qWaitFor([&] { return shown(d); }, 5000)) << d->FileName().toStdString();
}

TEST_F(WindowsTest, PrintingToPdfNeverReplacesAnExistingPdf) {
  MakeMain().show();
  m_main->SetPrintToPdf(true);
  const QString doc = Doc("site.kdt");
  const QString pdf = QString::fromStdString(m_dir.File("site.pdf"));
  QFile keep(pdf);
  ASSERT_TRUE(keep.open(QIODevice::WriteOnly));
  keep.write("the report of last week");
  keep.close();
  // A request handed over by a second start.
  m_main->HandleCommandLine({QStringLiteral("/p"), doc});
  EXPECT_EQ(Bytes(pdf), QByteArray("the report of last week"));
  const QString beside = QString::fromStdString(m_dir.File("site(1).pdf"));
  EXPECT_TRUE(Bytes(beside).startsWith("%PDF"));
  // The user is told where it went.
  EXPECT_TRUE(m_questions.join('\n').contains(beside)) << m_questions.join('|').toStdString();
  m_main->PrintFiles({doc});
  EXPECT_TRUE(Bytes(QString::fromStdString(m_dir.File("site(2).pdf"))).startsWith("%PDF"));
  EXPECT_EQ(Bytes(pdf), QByteArray("the report of last week"));
}

TEST_F(WindowsTest, OpeningAFileThatIsOpenActivatesItsWindow) {
  MakeMain().show();
  const QString a = Doc("a.kdt");
  ASSERT_NE(m_main->OpenDocumentFile(a), nullptr);
  ASSERT_NE(m_main->OpenDocumentFile(Doc("b.kdt")), nullptr);
  // File > Open of a, spelled another way.
  m_fileAnswers.push_back(QString::fromStdString(m_dir.Path().string() + "/./a.kdt"));
  ASSERT_TRUE(korvtest::UseMenu(*m_main, "mnuFile", "mnuFileOpen"));
  EXPECT_EQ(m_main->DocumentCount(), 2);
  ASSERT_NE(m_main->ActiveDocument(), nullptr);
  EXPECT_EQ(m_main->ActiveDocument()->FileName(), a);
}

TEST_F(WindowsTest, TheStatusPanelsAgreeAndSpeakPlainly) {
  TfrmDoc *doc = OpenWith("a.kdt", {Trace(1700.0, 2000.0)});
  ASSERT_NE(doc, nullptr);
  ASSERT_TRUE(korvtest::UseMenu(*m_main, "mnuView", "mnuViewAutoScale"));
  EXPECT_EQ(Panel("panelDocDirty"), "Modified");
  EXPECT_EQ(Panel("panelHint"), "Modified");
  ASSERT_TRUE(korvtest::UseMenu(*m_main, "mnuFile", "mnuFileSave"));
  EXPECT_FALSE(doc->IsModified());
  EXPECT_EQ(Panel("panelDocDirty"), "Unmodified");
  EXPECT_NE(Panel("panelHint"), "Modified");
  // A modified window, then an unmodified one made active.
  doc->MarkModified();
  TfrmDoc *other = m_main->OpenDocumentFile(Doc("b.kdt"));
  ASSERT_NE(other, nullptr);
  EXPECT_EQ(Panel("panelDocDirty"), "Unmodified");
  EXPECT_NE(Panel("panelHint"), "Modified");

  // A failed save names no function of the program.
  const QString folder = QString::fromStdString(m_dir.File("no such folder"));
  m_fileAnswers.push_back(folder + "/x.kdt");
  ASSERT_TRUE(korvtest::UseMenu(*m_main, "mnuFile", "mnuFileSaveAs"));
  EXPECT_FALSE(Panel("panelHint").isEmpty());
  EXPECT_FALSE(Panel("panelHint").contains("TfrmDoc")) << Panel("panelHint").toStdString();
  EXPECT_FALSE(Panel("panelHint").contains("():"));
}

TEST_F(WindowsTest, HelpFromAModalDialogComesUpInFrontAndTakesInput) {
  TfrmDoc *doc = OpenWith("a.kdt", {Trace(1700.0, 2000.0)});
  ASSERT_NE(doc, nullptr);
  QString first, second, clicked;
  bool usable = false;
  ModalAnswerer answer;
  answer.Then([&](QWidget *dialog) {
    QTest::keyClick(Find<QTabWidget>(dialog, "pgcOptions"), Qt::Key_F1);
    THelpWindow *help = m_main->HelpWindow();
    first = help->Browser()->source().toString();
    Find<QTabWidget>(dialog, "pgcOptions")->setCurrentIndex(2);
    QTest::mouseClick(Find<QAbstractButton>(dialog, "btnHelp"), Qt::LeftButton);
    second = help->Browser()->source().toString();
    // The help window takes clicks while the dialog is up: a click through
    // the window system, which drops input to windows a modal one blocks.
    usable = help->isVisible() && QApplication::activeModalWidget() == dialog;
    auto *tree = help->findChild<QTreeWidget *>(QStringLiteral("treeContents"));
    const QRect item = tree->visualItemRect(tree->topLevelItem(0));
    QWindow *window = help->window()->windowHandle();
    const QPoint at = tree->viewport()->mapTo(help->window(), item.center());
    if (window != nullptr) QTest::mouseClick(window, Qt::LeftButton, {}, at);
    (void)QTest::qWaitFor([&] { return help->CurrentPage() == "index.html"; }, 2000);
    clicked = help->CurrentPage();
    QTest::keyClick(dialog, Qt::Key_Escape);
  });
  PopUp(doc, "pmnuOptGraph");
  EXPECT_EQ(first, "qrc:/help/options.html#graph");
  EXPECT_EQ(second, "qrc:/help/options.html#plotting");
  EXPECT_TRUE(usable);
  EXPECT_EQ(clicked, "index.html");
  // It outlives the dialog.
  ASSERT_NE(m_main->HelpWindow(), nullptr);
  EXPECT_TRUE(m_main->HelpWindow()->isVisible());

  // F1 in the fault-location dialog.
  QString fault;
  answer.Then([&](QWidget *dialog) {
    QTest::keyClick(dialog, Qt::Key_F1);
    fault = m_main->HelpWindow()->CurrentPage();
    QTest::keyClick(dialog, Qt::Key_Escape);
  });
  ASSERT_TRUE(korvtest::UseMenu(*m_main, "mnuTools", "mnuToolsCalcDTF"));
  EXPECT_EQ(fault, "faultlocation.html");
}
