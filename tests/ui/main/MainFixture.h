#pragma once
// A main window over a temporary folder: its own settings file, copies of a
// document, and scripted answers for message boxes and file dialogs.
#include <QApplication>
#include <QMessageBox>
#include <QStringList>
#include <QTest>
#include <deque>
#include <filesystem>
#include <memory>

#include <gtest/gtest.h>

#include "core/SAFileStream.h"
#include "core/TestHelpers.h"
#include "ui/chart/XYGraph.h"
#include "ui/common/DocMessages.h"
#include "ui/document/Child.h"
#include "ui/document/DocTestHelpers.h"
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

// A main window with one document of made-up traces, every marker slot
// empty, a manual scale, the Select tool and the window active (keys reach
// the menus' shortcuts of the active window only).
class TracesWindowTest : public MainWindowTest {
protected:
  korv::TfrmDoc *OpenTraces(const char *name, std::vector<korv::TTraceData> traces, double yMin, double yMax,
                            double xMin = 1690.0, double xMax = 2010.0) {
    korv::TfrmMain &m = m_main ? *m_main : MakeMain();
    m.show();
    korv::TfrmDoc *doc = m.OpenDocumentFile(Doc(name));
    if (doc == nullptr) return nullptr;
    for (auto &t : traces)
      for (korv::TMarkerSet *set : {&t.ActiveMarks, &t.FreqMarks, &t.DistMarks})
        for (auto &slot : *set)
          slot.Point = -1, slot.Visible = 0;
    doc->SetDocument(korvtest::MakeDocument(traces), Doc(name), false);
    doc->SetManualScale(true, xMin, xMax, true, yMin, yMax);
    doc->SetActiveTrace(0);
    m.MouseActionSelect(korv::tmSelect);
    m.activateWindow();
    if (!QTest::qWaitForWindowActive(&m)) return nullptr;
    return doc;
  }
  // A falling trace and, below it, a flat one with a ripple ("Sector B").
  static std::vector<korv::TTraceData> TwoTraces() {
    std::vector<korv::TTraceData> traces = {
        korvtest::MakeTrace(101, 1700.0, 2000.0, [](int j) { return -10.0 - 0.1 * j; }),
        korvtest::MakeTrace(101, 1700.0, 2000.0, [](int j) { return -40.0 - 0.1 * (j % 7); })};
    traces[1].Label = "Sector B";
    return traces;
  }
  static korv::TXYGraph *Xy(korv::TfrmDoc *doc) { return qobject_cast<korv::TXYGraph *>(doc->Graph()); }
  static QPoint PixelOf(korv::TfrmDoc *doc, double x, double y) {
    return Xy(doc)->GraphToPixel(QPointF(x, y)).toPoint();
  }
};
