#pragma once
// Include once per GUI test executable (in exactly one .cpp): makes the
// QApplication that widgets need, under the offscreen platform, before any
// test runs.
#include <QApplication>
#include <cstdlib>
#include <memory>

#include <gtest/gtest.h>

namespace korvtest {
class QtEnvironment : public ::testing::Environment {
public:
  void SetUp() override {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char arg0[] = "korv_ui_tests";
    static char *argv[] = {arg0, nullptr};
    m_app = std::make_unique<QApplication>(argc, argv);
  }
  void TearDown() override { m_app.reset(); }

private:
  std::unique_ptr<QApplication> m_app;
};
inline ::testing::Environment *const kQtEnv = ::testing::AddGlobalTestEnvironment(new QtEnvironment);
} // namespace korvtest
