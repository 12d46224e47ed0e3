#pragma once
// An INI file with the semantics of the classic private-profile functions:
// sections and keys match without regard to case, a missing key yields the
// caller's default, and writing one key keeps every other line (comments,
// unknown sections and keys) as it was.
#include <string>
#include <string_view>
#include <vector>

namespace korv {

class TIniFile {
public:
  // An empty file that Save() will create at fileName.
  TIniFile() = default;
  explicit TIniFile(std::string fileName);

  // Reads the file; a missing file is an empty one. Unreadable files throw
  // ESAFileStream_Exception.
  static TIniFile Load(const std::string &fileName);
  // Parses text already in memory (used by Load and by tests).
  static TIniFile FromText(std::string_view text, std::string fileName = {});

  const std::string &FileName() const { return m_fileName; }

  std::string ReadString(std::string_view section, std::string_view key, std::string_view def) const;
  // Decimal, "$hex" or "0xhex"; the default when missing or not a number.
  int ReadInteger(std::string_view section, std::string_view key, int def) const;
  // Any non-zero integer is true.
  bool ReadBool(std::string_view section, std::string_view key, bool def) const;

  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  void WriteInteger(std::string_view section, std::string_view key, int value);
  void WriteBool(std::string_view section, std::string_view key, bool value);

  bool SectionExists(std::string_view section) const;
  bool ValueExists(std::string_view section, std::string_view key) const;
  void EraseSection(std::string_view section);
  void DeleteKey(std::string_view section, std::string_view key);
  std::vector<std::string> SectionNames() const;
  std::vector<std::string> KeyNames(std::string_view section) const;

  // The whole file as text, in its original line-ending style.
  std::string Text() const;
  // Writes atomically: the previous file survives any failure.
  void Save() const;
  bool Modified() const { return m_modified; }

private:
  struct TLine {
    std::string Raw; // the line as read, for lines that are not key=value
    std::string Key; // empty for comments and blank lines
    std::string Value;
  };
  struct TSection {
    std::string Name;   // empty for lines before the first section header
    std::string Header; // header line as read
    std::vector<TLine> Lines;
  };

  const TSection *FindSection(std::string_view name) const;
  TSection *FindSection(std::string_view name);
  static const TLine *FindKey(const TSection &section, std::string_view key);

  std::string m_fileName;
  std::vector<TSection> m_sections;
  bool m_crlf = false;
  bool m_modified = false;
};

} // namespace korv
