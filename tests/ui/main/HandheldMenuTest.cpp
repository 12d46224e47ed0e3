// The handheld commands on the Tools menu, used from the menu bar.
#include <QListWidget>
#include <QPushButton>
#include <filesystem>
#include <fstream>

#include "ui/UserDriver.h"
#include "ui/instrument/TransferKP418Files.h"
#include "ui/main/MainFixture.h"

using namespace korv;

namespace {
// Answers the next dialog: checks it, then clicks its Close button.
korvtest::ModalAnswerer::Handler CloseDialog(const QString &title, QStringList &rows) {
  return [title, &rows](QWidget *modal) {
    EXPECT_EQ(modal->windowTitle(), title);
    // The transfer window lists the handheld in the background.
    if (auto *transfer = qobject_cast<TdlgTransferKP418Files *>(modal)) {
      EXPECT_TRUE(QTest::qWaitFor([transfer] { return !transfer->Busy(); }, 10000));
    }
    for (auto *list : modal->findChildren<QListWidget *>())
      if (list->objectName() == "lstbxVNFiles" || list->objectName() == "lstbxSetupList")
        for (int i = 0; i < list->count(); ++i)
          rows << list->item(i)->text();
    korvtest::ModalAnswerer::Click(modal->findChild<QPushButton *>("btnClose"));
  };
}
} // namespace

TEST_F(MainWindowTest, HandheldFilesAndSettingsFromTheToolsMenu) {
  TfrmMain &main = MakeMain();
  main.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));

  // No handheld folder set up: where to set it, and the window goes.
  ASSERT_TRUE(korvtest::UseMenu(main, "mnuTools", "mnuTransferVantorFiles"));
  ASSERT_EQ(m_questions.size(), 1);
  EXPECT_TRUE(m_questions[0].startsWith("No handheld folder is set.")) << m_questions[0].toStdString();
  EXPECT_TRUE(m_questions[0].contains("Options > General (Handheld Folder)")) << m_questions[0].toStdString();

  // With the folder set, its trace files are listed.
  const std::filesystem::path traces = m_dir.Path() / "device" / "FlashFX Disk" / "My Traces";
  std::filesystem::create_directories(traces);
  std::ofstream(traces / "site.vnf") << "x";
  main.Settings().Options.HandheldRoot = (m_dir.Path() / "device").string();
  QStringList rows;
  {
    korvtest::ModalAnswerer answers;
    answers.Then(CloseDialog("Transfer KP418 Files", rows));
    ASSERT_TRUE(korvtest::UseMenu(main, "mnuTools", "mnuTransferVantorFiles"));
    EXPECT_EQ(answers.Answered(), 1);
  }
  EXPECT_EQ(rows, QStringList{"site.vnf"});

  // The settings item only for a document read from a handheld file.
  EXPECT_FALSE(korvtest::UseMenu(main, "mnuTools", "mnuViewKP418Info"));
  ASSERT_NE(main.OpenDocumentFile(Doc("plain.kdt")), nullptr);
  EXPECT_FALSE(korvtest::UseMenu(main, "mnuTools", "mnuViewKP418Info"));
  ASSERT_NE(main.OpenDocumentFile(QString::fromLatin1(KORV_TEST_DATA) + "/vnf/mode1_offset.vnf"), nullptr);
  rows.clear();
  {
    korvtest::ModalAnswerer answers;
    answers.Then(CloseDialog("KP418 Settings", rows));
    ASSERT_TRUE(korvtest::UseMenu(main, "mnuTools", "mnuViewKP418Info"));
    EXPECT_EQ(answers.Answered(), 1);
  }
  ASSERT_EQ(rows.size(), 18);
  EXPECT_EQ(rows.first(), "DSP Revision");
}

// A handheld folder setting holding a NUL would reach another folder than
// the file shows: the menu names the setting and opens nothing, and the
// line stays in the file at exit.
TEST_F(MainWindowTest, HandheldFolderWithControlCharactersIsRefused) {
  std::filesystem::create_directories(m_dir.Path() / "device" / "FlashFX Disk" / "My Traces");
  const std::string root = (m_dir.Path() / "device").string();
  std::ofstream(m_settingsPath.toStdString(), std::ios::binary)
      << "[OPTIONS]\nHandheldRoot=" << root << std::string(1, '\0') << "/elsewhere\n";
  TfrmMain &main = MakeMain();
  main.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
  korvtest::ModalAnswerer answers;
  ASSERT_TRUE(korvtest::UseMenu(main, "mnuTools", "mnuTransferVantorFiles"));
  EXPECT_EQ(answers.Answered(), 0); // no transfer window
  EXPECT_TRUE(m_questions.contains(QString::fromStdString(
      "The setting HandheldRoot \"" + root + "\\x00/elsewhere\" holds control characters; it is not used.")))
      << m_questions.join('|').toStdString();
  ASSERT_TRUE(CloseMain());
  std::ifstream in(m_settingsPath.toStdString(), std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find(root + std::string(1, '\0') + "/elsewhere"), std::string::npos);
}
