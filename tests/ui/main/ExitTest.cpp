// Closing the program: the save questions and what the settings file keeps.
#include <QMdiArea>
#include <QMdiSubWindow>

#include "ui/main/MainFixture.h"

using namespace korv;

namespace {
std::string FileText(const QString &path) {
  const auto bytes = ReadWholeFile(path.toStdString());
  return std::string(bytes.begin(), bytes.end());
}
} // namespace

TEST_F(MainWindowTest, CancelKeepsEverythingOpenAndWritesNothing) {
  TfrmMain &m = MakeMain();
  const QString a = Doc("a.kdt");
  const QString b = Doc("b.kdt");
  m.OpenFiles({a, b});
  for (TfrmDoc *d : m.Documents())
    d->MarkModified();
  m_answers = {QMessageBox::No, QMessageBox::Cancel};
  EXPECT_FALSE(CloseMain());
  EXPECT_EQ(m.DocumentCount(), 2);
  ASSERT_EQ(m_questions.size(), 2);
  EXPECT_EQ(m_questions[0], "Save " + b + " before Closing?"); // the active window first
  EXPECT_EQ(m_questions[1], "Save " + a + " before Closing?");
  EXPECT_FALSE(std::filesystem::exists(m_settingsPath.toStdString()));
}

TEST_F(MainWindowTest, YesSavesOwnDocumentsAndNoLeavesThemAlone) {
  TfrmMain &m = MakeMain();
  const QString a = Doc("a.kdt");
  const QString b = Doc("b.kdt");
  m.OpenFiles({a, b});
  const std::string before = FileText(a);
  for (TfrmDoc *d : m.Documents()) {
    d->Document().Doc.MainTitle = "Changed title";
    d->Document().Doc.MainTitleFixed = 1;
    d->MarkModified();
  }
  m_answers = {QMessageBox::No, QMessageBox::Yes}; // b first (active), then a
  EXPECT_TRUE(CloseMain());
  EXPECT_EQ(m.DocumentCount(), 0);
  EXPECT_NE(FileText(a).find("Changed title"), std::string::npos);
  EXPECT_EQ(FileText(b), before);
  EXPECT_TRUE(std::filesystem::exists(m_settingsPath.toStdString()));
}

TEST_F(MainWindowTest, FailedSaveStopsTheExit) {
  TfrmMain &m = MakeMain();
  TfrmDoc *doc = m.OpenDocumentFile(Doc("a.kdt"));
  ASSERT_NE(doc, nullptr);
  // A document from another format must be saved under a name of our own;
  // cancelling that dialog is a failed save.
  doc->SetImported(true);
  doc->MarkModified();
  m_answers = {QMessageBox::Yes};
  m_fileAnswers = {QString()};
  EXPECT_FALSE(CloseMain());
  EXPECT_EQ(m.DocumentCount(), 1);
  ASSERT_EQ(m_fileDialogs.size(), 1U);
  EXPECT_EQ(m_fileDialogs[0].first, TFileDialogKind::SaveAs);
  EXPECT_TRUE(m_fileDialogs[0].second.endsWith("a.kdt")); // extension replaced by .kdt
}

TEST_F(MainWindowTest, YesToAllSavesEveryLaterDocumentWithoutAsking) {
  TfrmMain &m = MakeMain();
  const QString a = Doc("a.kdt");
  const QString b = Doc("b.kdt");
  const QString c = Doc("c.kdt");
  m.OpenFiles({a, b, c});
  for (TfrmDoc *d : m.Documents()) {
    d->Document().Doc.MainTitle = "All saved";
    d->Document().Doc.MainTitleFixed = 1;
    d->MarkModified();
  }
  m_answers = {QMessageBox::YesToAll};
  EXPECT_TRUE(CloseMain());
  EXPECT_EQ(m_questions.size(), 1);
  for (const QString &f : {a, b, c})
    EXPECT_NE(FileText(f).find("All saved"), std::string::npos) << f.toStdString();
}

TEST_F(MainWindowTest, YesToAllAsksBeforeReplacingAForeignFile) {
  TfrmMain &m = MakeMain();
  const QString a = Doc("a.kdt");
  const QString b = Doc("b.kdt");
  m.OpenFiles({a, b});
  TfrmDoc *first = m.Documents()[0];
  TfrmDoc *second = m.Documents()[1];
  first->MarkModified();
  second->SetImported(true);
  second->MarkModified();
  m_answers = {QMessageBox::YesToAll, QMessageBox::Cancel};
  EXPECT_FALSE(CloseMain());
  ASSERT_EQ(m_questions.size(), 2);
  EXPECT_EQ(m_questions[1], "File \"" + a + "\" already exists. Do you want to replace the file?");
  EXPECT_EQ(m.DocumentCount(), 2);
}

TEST_F(MainWindowTest, WindowCloseAllAsksAndCancelClosesNothing) {
  TfrmMain &m = MakeMain();
  m.OpenFiles({Doc("a.kdt"), Doc("b.kdt")});
  m.Documents()[1]->MarkModified();
  m_answers = {QMessageBox::Cancel};
  EXPECT_FALSE(m.CloseAllDocuments());
  EXPECT_EQ(m.DocumentCount(), 2);
  m_answers = {QMessageBox::No};
  EXPECT_TRUE(m.CloseAllDocuments());
  QApplication::processEvents();
  EXPECT_EQ(m.DocumentCount(), 0);
  EXPECT_FALSE(m.CommandEnabled("mnuFileSave"));
}

TEST_F(MainWindowTest, ExitWritesDocumentsAndStartReopensThemInOrder) {
  TfrmMain &m = MakeMain();
  const QString a = Doc("a.kdt");
  const QString b = Doc("b.kdt");
  const QString c = Doc("c.kdt");
  m.OpenFiles({a, b, c});
  ASSERT_EQ(m.ActiveDocument()->FileName(), c);
  m.Settings().Options.CommPort = 4;
  EXPECT_TRUE(CloseMain());
  {
    const TIniFile ini = TIniFile::Load(m_settingsPath.toStdString());
    EXPECT_EQ(ini.ReadInteger("MainWindow", "NumberOfDocsAutoload", 0), 3);
    EXPECT_EQ(ini.ReadString("Document1", "Filename", ""), c.toStdString());
    EXPECT_EQ(ini.ReadString("Document1", "FilenameW", ""), EncodeWideNameUtf8(c.toStdString()));
    EXPECT_EQ(ini.ReadInteger("OPTIONS", "CommPort", 0), 4);
    EXPECT_EQ(ini.ReadString("RecentFiles", "1", ""), c.toStdString());
  }
  m_main.reset();
  // b disappears before the next start: it is skipped silently.
  std::filesystem::remove(b.toStdString());
  TfrmMain &again = MakeMain();
  EXPECT_EQ(again.Settings().Options.CommPort, 4);
  again.Autoload();
  ASSERT_EQ(again.DocumentCount(), 2);
  EXPECT_EQ(again.ActiveDocument()->FileName(), c); // Document1 opens last, on top
  EXPECT_EQ(again.Documents()[1]->FileName(), a);
  EXPECT_TRUE(m_questions.isEmpty());
  const TIniFile after = TIniFile::Load(m_settingsPath.toStdString());
  EXPECT_EQ(after.ReadInteger("MainWindow", "NumberOfDocsAutoload", -1), 0);
  EXPECT_FALSE(after.SectionExists("Document1"));
  EXPECT_FALSE(after.SectionExists("Document3"));
}

TEST_F(MainWindowTest, AutoSaveOffWritesNoDocumentSections) {
  TfrmMain &m = MakeMain();
  m.Settings().Options.AutoSave = false;
  m.OpenFiles({Doc("a.kdt")});
  EXPECT_TRUE(CloseMain());
  const TIniFile ini = TIniFile::Load(m_settingsPath.toStdString());
  EXPECT_FALSE(ini.SectionExists("Document1"));
  EXPECT_FALSE(ini.ValueExists("MainWindow", "Left"));
  EXPECT_TRUE(ini.ValueExists("MainWindow", "ToolbarVisible"));
  EXPECT_EQ(ini.ReadInteger("OPTIONS", "AutoSave", 1), 0);
  EXPECT_FALSE(ini.ReadString("RecentFiles", "1", "").empty());
}

TEST_F(MainWindowTest, BarsAndPlacementComeBackFromTheSettings) {
  {
    TIniFile ini(m_settingsPath.toStdString());
    ini.WriteInteger("MainWindow", "WindowState", 0);
    ini.WriteInteger("MainWindow", "Left", -40);
    ini.WriteInteger("MainWindow", "Top", 30);
    ini.WriteInteger("MainWindow", "Width", 700);
    ini.WriteInteger("MainWindow", "Height", 500);
    ini.WriteInteger("MainWindow", "ToolbarVisible", 0);
    ini.WriteInteger("MainWindow", "ToolbarLocation", 3);
    ini.Save();
  }
  m_main = std::make_unique<TfrmMain>(TSettingsContext{}, m_settingsPath);
  TfrmMain &m = *m_main;
  EXPECT_EQ(m.geometry().left() >= 0, true); // clamped to the screen
  EXPECT_EQ(m.geometry().size(), QSize(700, 500));
  EXPECT_FALSE(m.Action("mnuViewToolbar")->isChecked());
  EXPECT_TRUE(m.Action("mnuViewStatus")->isChecked());
  EXPECT_TRUE(m.close());
  const TIniFile ini = TIniFile::Load(m_settingsPath.toStdString());
  EXPECT_EQ(ini.ReadInteger("MainWindow", "ToolbarVisible", 1), 0);
  EXPECT_EQ(ini.ReadInteger("MainWindow", "ToolbarLocation", 0), 3);
}

TEST_F(MainWindowTest, SaveAsWarnsForForeignFilesAndWritesTheChosenName) {
  TfrmMain &m = MakeMain();
  TfrmDoc *doc = m.OpenDocumentFile(Doc("a.kdt"));
  ASSERT_NE(doc, nullptr);
  doc->Document().Doc.ReadFlag = sfWiltron;
  // Anything but OK ends the command.
  m_answers = {QMessageBox::Cancel};
  EXPECT_FALSE(m.SaveAsCommand(doc));
  EXPECT_TRUE(m_fileDialogs.empty());
  EXPECT_TRUE(m_questions.first().startsWith("This file is not currently in a Korv format."));
  const QString target = QString::fromStdString(m_dir.File("copy.kdt"));
  m_answers = {QMessageBox::Ok};
  m_fileAnswers = {target};
  EXPECT_TRUE(m.SaveAsCommand(doc));
  EXPECT_TRUE(std::filesystem::exists(target.toStdString()));
  EXPECT_EQ(doc->FileName(), target);
  EXPECT_EQ(m.Settings().RecentFiles.At(0), target.toStdString());
}

TEST_F(MainWindowTest, ExportWritesSvgPdfAndPng) {
  TfrmMain &m = MakeMain();
  TfrmDoc *doc = m.OpenDocumentFile(Doc("a.b.kdt"));
  ASSERT_NE(doc, nullptr);
  m_fileAnswers = {QString::fromStdString(m_dir.File("graph.svg"))};
  m.Action("mnuFileSaveAsMeta")->trigger();
  ASSERT_EQ(m_fileDialogs.size(), 1U);
  EXPECT_TRUE(m_fileDialogs[0].second.endsWith("/a.svg")); // from the first "."
  EXPECT_NE(FileText(QString::fromStdString(m_dir.File("graph.svg"))).find("<svg"), std::string::npos);
  for (const char *ext : {"pdf", "png"}) {
    const QString out = QString::fromStdString(m_dir.File(std::string("graph.") + ext));
    EXPECT_TRUE(m.ExportGraph(doc, out));
    EXPECT_GT(std::filesystem::file_size(out.toStdString()), 100U);
  }
}

TEST_F(MainWindowTest, PrintRunWritesOnePdfPerDocumentWithoutAPrinter) {
  TfrmMain &m = MakeMain();
  m.SetPrintToPdf(true);
  const QString a = Doc("first.kdt");
  const QString b = Doc("second.kdt");
  m.PrintFiles({a, b});
  EXPECT_EQ(m.DocumentCount(), 0);
  for (const char *pdf : {"first.pdf", "second.pdf"}) {
    const std::string path = m_dir.File(pdf);
    ASSERT_TRUE(std::filesystem::exists(path)) << pdf;
    EXPECT_EQ(FileText(QString::fromStdString(path)).substr(0, 5), "%PDF-");
  }
  ASSERT_EQ(m_questions.size(), 1); // told once that PDF files are written
  EXPECT_TRUE(m_questions[0].startsWith("No printer is installed."));
}

TEST_F(MainWindowTest, SaveWritesOwnDocumentsAndSendsForeignOnesToSaveAs) {
  TfrmMain &m = MakeMain();
  const QString a = Doc("a.kdt");
  TfrmDoc *doc = m.OpenDocumentFile(a);
  ASSERT_NE(doc, nullptr);
  doc->Document().Doc.MainTitle = "Saved by Ctrl+S";
  doc->Document().Doc.MainTitleFixed = 1;
  doc->MarkModified();
  m.Action("tlbtnSave")->trigger();
  EXPECT_FALSE(doc->IsModified());
  EXPECT_NE(FileText(a).find("Saved by Ctrl+S"), std::string::npos);
  EXPECT_TRUE(m_fileDialogs.empty());
  // Imported: the save dialog, proposing the name without its extension.
  doc->SetImported(true);
  m_fileAnswers = {QString()};
  m.Action("mnuFileSave")->trigger();
  ASSERT_EQ(m_fileDialogs.size(), 1U);
  EXPECT_EQ(m_fileDialogs[0].second, a.left(a.size() - 4));
}

TEST_F(MainWindowTest, HideMinimisesAndArrangeAllLinesUpAtTheBottom) {
  TfrmMain &m = MakeMain();
  m.show();
  m.OpenFiles({Doc("a.kdt"), Doc("b.kdt")});
  auto subs = m.findChild<QMdiArea *>("mdiArea")->subWindowList(QMdiArea::CreationOrder);
  ASSERT_EQ(subs.size(), 2);
  m.Action("mnuWindowHide")->trigger();
  m.findChild<QMdiArea *>("mdiArea")->setActiveSubWindow(subs[0]);
  m.Action("mnuWindowHide")->trigger();
  EXPECT_TRUE(subs[0]->isMinimized());
  EXPECT_TRUE(subs[1]->isMinimized());
  m.Action("mnuWindowArrangeAll")->trigger();
  const int bottom = m.findChild<QMdiArea *>("mdiArea")->viewport()->rect().bottom();
  EXPECT_EQ(subs[0]->geometry().bottom(), bottom);
  EXPECT_EQ(subs[1]->geometry().bottom(), bottom);
  EXPECT_EQ(subs[0]->geometry().left(), 0);
  EXPECT_EQ(subs[1]->geometry().left(), subs[0]->geometry().right() + 1);
}
