#pragma once
// A main window over a temporary folder: its own settings file, copies of a
// document, and scripted answers for message boxes and file dialogs.
#include <QApplication>
#include <QMessageBox>
#include <QStringList>
#include <deque>
#include <filesystem>
#include <memory>

#include <gtest/gtest.h>

#include "core/SAFileStream.h"
#include "core/TestHelpers.h"
#include "ui/document/Child.h"
#include "ui/common/DocMessages.h"
#include "ui/main/Main.h"

// Readable QString values in failure messages.
#ifndef KORV_TEST_QSTRING_PRINTTO
#define KORV_TEST_QSTRING_PRINTTO
inline void PrintTo(const QString &s, std::ostream *os) { *os << '"' << s.toStdString() << '"'; }
#endif

class MainWindowTest : public ::testing::Test {
protected:
  void SetUp() override {
    m_settingsPath = QString::fromStdString(m_dir.File("Korv-MOX.ini"));
    // The document window's own boxes (close question, errors) are answered too.
    korv::SetDocMessageHook([this](korv::TMsgKind, const QString &text, QMessageBox::StandardButtons buttons) {
      return Answer(text, buttons);
    });
  }
  void TearDown() override {
    if (m_main) {
      m_main->SetAskHook([](const QString &, QMessageBox::StandardButtons) { return QMessageBox::No; });
      korv::SetDocMessageHook(
          [](korv::TMsgKind, const QString &, QMessageBox::StandardButtons) { return QMessageBox::No; });
      m_main->close();
      m_main.reset();
    }
    korv::SetDocMessageHook({});
    QApplication::processEvents();
  }

  // A new main window reading the settings file of this test.
  korv::TfrmMain &MakeMain() {
    m_main = std::make_unique<korv::TfrmMain>(
        korv::TSettingsContext{m_dir.Path().string() + "/", m_dir.Path().string() + "/", ""}, m_settingsPath);
    m_main->SetAskHook(
        [this](const QString &text, QMessageBox::StandardButtons buttons) { return Answer(text, buttons); });
    m_main->SetFileDialogHook([this](korv::TFileDialogKind kind, const QString &proposed) {
      m_fileDialogs.push_back({kind, proposed});
      QStringList names;
      if (!m_fileAnswers.empty()) {
        if (!m_fileAnswers.front().isEmpty()) names << m_fileAnswers.front();
        m_fileAnswers.pop_front();
      }
      return names;
    });
    m_main->resize(1200, 800);
    return *m_main;
  }
  // Closes the window the way the user does (questions asked); true when it closed.
  bool CloseMain() {
    const bool closed = m_main->close();
    QApplication::processEvents();
    return closed;
  }

  // A copy of the reference document under a new name.
  QString Doc(const std::string &name) const {
    const std::string path = m_dir.File(name);
    std::filesystem::copy_file(std::string(KORV_TEST_DATA) + "/kdt/golden_v7.kdt", path,
                               std::filesystem::copy_options::overwrite_existing);
    return QString::fromStdString(path);
  }

  QMessageBox::StandardButton Answer(const QString &text, QMessageBox::StandardButtons buttons) {
    m_questions << text;
    if (m_answers.empty()) {
      // Unplanned question: the most harmless answer.
      if (buttons & QMessageBox::Cancel) return QMessageBox::Cancel;
      if (buttons & QMessageBox::Ok) return QMessageBox::Ok;
      return QMessageBox::No;
    }
    const auto a = m_answers.front();
    m_answers.pop_front();
    return a;
  }

  TempDir m_dir;
  QString m_settingsPath;
  std::unique_ptr<korv::TfrmMain> m_main;
  std::deque<QMessageBox::StandardButton> m_answers;
  QStringList m_questions;
  std::deque<QString> m_fileAnswers; // empty string: dialog cancelled
  std::vector<std::pair<korv::TFileDialogKind, QString>> m_fileDialogs;
};
