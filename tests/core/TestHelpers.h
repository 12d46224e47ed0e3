#pragma once
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

// A temporary folder removed at the end of the test.
class TempDir {
public:
  TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "korvtest.XXXXXX").string();
    std::vector<char> buf(tmpl.begin(), tmpl.end());
    buf.push_back('\0');
    m_path = ::mkdtemp(buf.data());
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
  }
  std::string File(const std::string &name) const { return (m_path / name).string(); }
  const std::filesystem::path &Path() const { return m_path; }

private:
  std::filesystem::path m_path;
};

inline std::vector<std::uint8_t> Bytes(const std::string &s) { return {s.begin(), s.end()}; }
