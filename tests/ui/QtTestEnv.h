#pragma once
// Include once per GUI test executable (in exactly one .cpp): makes the
// QApplication that widgets need, under the offscreen platform, before any
// test runs. Every run gets private runtime, data and config folders, so a
// test never hands files to (or takes them from) a running copy of the
// program, nor writes into the user's folders.
#include <QApplication>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace korvtest {
class QtEnvironment : public ::testing::Environment {
public:
  void SetUp() override {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    std::string tmpl = (std::filesystem::temp_directory_path() / "korvgui.XXXXXX").string();
    std::vector<char> buf(tmpl.begin(), tmpl.end());
    buf.push_back('\0');
    if (::mkdtemp(buf.data()) != nullptr) {
      m_private = buf.data();
      for (const char *var : {"XDG_RUNTIME_DIR", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME"}) {
        const std::filesystem::path dir = m_private / var;
        std::filesystem::create_directories(dir);
        std::filesystem::permissions(dir, std::filesystem::perms::owner_all);
        ::setenv(var, dir.c_str(), 1);
      }
    }
    static int argc = 1;
    static char arg0[] = "korv_ui_tests";
    static char *argv[] = {arg0, nullptr};
    m_app = std::make_unique<QApplication>(argc, argv);
  }
  void TearDown() override {
    m_app.reset();
    std::error_code ec;
    if (!m_private.empty()) std::filesystem::remove_all(m_private, ec);
  }

private:
  std::unique_ptr<QApplication> m_app;
  std::filesystem::path m_private;
};
inline ::testing::Environment *const kQtEnv = ::testing::AddGlobalTestEnvironment(new QtEnvironment);
} // namespace korvtest
