// File > Site Report... with real clicks and keys: a wrong limit is refused
// with the field to correct, a good request writes the PDF, Cancel nothing.
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <filesystem>
#include <fstream>

#include "ui/UserDriver.h"
#include "ui/main/MainFixture.h"

using namespace korv;

namespace {

class SiteReportTest : public MainWindowTest {
protected:
  void OpenTwo() {
    TfrmMain &m = MakeMain();
    m.show();
    ASSERT_NE(m.OpenDocumentFile(Doc("a.kdt")), nullptr);
    ASSERT_NE(m.OpenDocumentFile(Doc("b.kdt")), nullptr);
  }
  static void Retype(QLineEdit *edit, const QString &text) {
    QTest::mouseClick(edit, Qt::LeftButton);
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
  }
};

TEST_F(SiteReportTest, AWrongLimitIsRefusedThenTheReportIsWritten) {
  OpenTwo();
  const std::string out = m_dir.File("site 412.pdf");
  bool stayedOpen = false, limitFocused = false;
  QString proposed;
  korvtest::ModalAnswerer answer;
  answer.Then([&](QWidget *modal) {
    auto *limit = modal->findChild<QLineEdit *>(QStringLiteral("edtReportLimit"));
    auto *file = modal->findChild<QLineEdit *>(QStringLiteral("edtReportFile"));
    auto *ok = modal->findChild<QPushButton *>(QStringLiteral("btnReportOK"));
    ASSERT_TRUE(limit && file && ok);
    proposed = file->text();
    Retype(modal->findChild<QLineEdit *>(QStringLiteral("edtReportTitle")), QStringLiteral("Site 412"));
    Retype(limit, QStringLiteral("14"));
    Retype(file, QString::fromStdString(m_dir.File("site 412")));
    korvtest::ModalAnswerer::Click(ok);
    stayedOpen = modal->isVisible();
    limitFocused = modal->focusWidget() == limit;
    Retype(limit, QStringLiteral("-14"));
    korvtest::ModalAnswerer::Click(ok);
  });
  answer.Then([](QWidget *) {}); // the progress window of a long report runs on
  ASSERT_TRUE(korvtest::UseMenu(*m_main, QStringLiteral("mnuFile"), QStringLiteral("mnuFileSiteReport")));
  EXPECT_GE(answer.Answered(), 1);
  EXPECT_TRUE(stayedOpen);
  EXPECT_TRUE(limitFocused);
  ASSERT_FALSE(m_questions.isEmpty());
  EXPECT_TRUE(m_questions.front().contains(QStringLiteral("The limit is a return loss in dB"))) << m_questions.front().toStdString();
  // The proposal is beside the active document, with the PDF ending.
  EXPECT_TRUE(proposed.endsWith(QStringLiteral("b.pdf"))) << proposed.toStdString();
  ASSERT_TRUE(std::filesystem::exists(out)) << "\".pdf\" is added to the typed name";
  std::ifstream in(out, std::ios::binary);
  std::string head(5, '\0');
  in.read(head.data(), 5);
  EXPECT_EQ(head, "%PDF-");
  EXPECT_TRUE(m_main->statusBar()->currentMessage().contains(QStringLiteral("Site report written")));
}

TEST_F(SiteReportTest, CancelWritesNothing) {
  OpenTwo();
  korvtest::ModalAnswerer answer;
  answer.Then([&](QWidget *modal) {
    Retype(modal->findChild<QLineEdit *>(QStringLiteral("edtReportFile")),
           QString::fromStdString(m_dir.File("never.pdf")));
    korvtest::ModalAnswerer::Click(modal->findChild<QPushButton *>(QStringLiteral("btnReportCancel")));
  });
  ASSERT_TRUE(korvtest::UseMenu(*m_main, QStringLiteral("mnuFile"), QStringLiteral("mnuFileSiteReport")));
  EXPECT_EQ(answer.Answered(), 1);
  EXPECT_FALSE(std::filesystem::exists(m_dir.File("never.pdf")));
}

} // namespace
