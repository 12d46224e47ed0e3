#include "settings/IniFile.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

#include "core/Excption.h"
#include "core/SAFileStream.h"

namespace korv {

namespace {

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  }
  return true;
}

std::string_view TrimView(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
    s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  return s;
}

// The private-profile functions drop one pair of matching quotes.
std::string Unquote(std::string_view v) {
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
    return std::string(v.substr(1, v.size() - 2));
  return std::string(v);
}

bool ParseIntText(std::string_view text, int &out) {
  text = TrimView(text);
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  int base = 10;
  if (!text.empty() && text.front() == '$') {
    base = 16;
    text.remove_prefix(1);
  } else if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  if (text.empty()) return false;
  long long value = 0;
  for (char c : text) {
    int digit;
    if (c >= '0' && c <= '9')
      digit = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f')
      digit = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F')
      digit = c - 'A' + 10;
    else
      return false;
    value = value * base + digit;
    // Out of range for an int: not a number this file can hold.
    if (value > 0x100000000LL) return false;
  }
  if (negative) value = -value;
  if (base == 16 && value > 0x7FFFFFFFLL && value <= 0xFFFFFFFFLL) value -= 0x100000000LL;
  if (value < -2147483648LL || value > 2147483647LL) return false;
  out = static_cast<int>(value);
  return true;
}

} // namespace

TIniFile::TIniFile(std::string fileName) : m_fileName(std::move(fileName)) {}

TIniFile TIniFile::Load(const std::string &fileName) {
  std::error_code ec;
  if (!std::filesystem::exists(fileName, ec)) return TIniFile(fileName);
  const std::vector<std::uint8_t> bytes = ReadWholeFile(fileName);
  return FromText(std::string_view(reinterpret_cast<const char *>(bytes.data()), bytes.size()), fileName);
}

TIniFile TIniFile::FromText(std::string_view text, std::string fileName) {
  TIniFile ini(std::move(fileName));
  ini.m_crlf = text.find("\r\n") != std::string_view::npos;
  ini.m_sections.push_back(TSection{});
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view raw = text.substr(pos, end - pos);
    pos = end + 1;
    if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
    const std::string_view line = TrimView(raw);
    if (!line.empty() && line.front() == '[') {
      const std::size_t close = line.find(']');
      TSection section;
      section.Name = std::string(TrimView(line.substr(1, close == std::string_view::npos ? line.npos : close - 1)));
      section.Header = std::string(raw);
      ini.m_sections.push_back(std::move(section));
      continue;
    }
    TLine entry;
    entry.Raw = std::string(raw);
    const std::size_t eq = line.find('=');
    if (!line.empty() && line.front() != ';' && eq != std::string_view::npos && eq > 0) {
      entry.Key = std::string(TrimView(line.substr(0, eq)));
      entry.Value = Unquote(TrimView(line.substr(eq + 1)));
    }
    ini.m_sections.back().Lines.push_back(std::move(entry));
  }
  return ini;
}

const TIniFile::TSection *TIniFile::FindSection(std::string_view name) const {
  name = TrimView(name);
  for (std::size_t i = 1; i < m_sections.size(); ++i) {
    if (EqualNoCase(m_sections[i].Name, name)) return &m_sections[i];
  }
  return nullptr;
}

TIniFile::TSection *TIniFile::FindSection(std::string_view name) {
  return const_cast<TSection *>(static_cast<const TIniFile *>(this)->FindSection(name));
}

const TIniFile::TLine *TIniFile::FindKey(const TSection &section, std::string_view key) {
  key = TrimView(key);
  for (const TLine &line : section.Lines) {
    if (!line.Key.empty() && EqualNoCase(line.Key, key)) return &line;
  }
  return nullptr;
}

std::string TIniFile::ReadString(std::string_view section, std::string_view key, std::string_view def) const {
  const TSection *s = FindSection(section);
  if (s == nullptr) return std::string(def);
  const TLine *line = FindKey(*s, key);
  return line == nullptr ? std::string(def) : line->Value;
}

int TIniFile::ReadInteger(std::string_view section, std::string_view key, int def) const {
  const TSection *s = FindSection(section);
  if (s == nullptr) return def;
  const TLine *line = FindKey(*s, key);
  int value = 0;
  if (line == nullptr || !ParseIntText(line->Value, value)) return def;
  return value;
}

bool TIniFile::ReadBool(std::string_view section, std::string_view key, bool def) const {
  return ReadInteger(section, key, def ? 1 : 0) != 0;
}

void TIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  section = TrimView(section);
  key = TrimView(key);
  // Line breaks would split the entry into lines of their own.
  std::string clean(value);
  std::replace(clean.begin(), clean.end(), '\r', ' ');
  std::replace(clean.begin(), clean.end(), '\n', ' ');
  m_modified = true;
  TSection *s = FindSection(section);
  if (s == nullptr) {
    if (m_sections.empty()) m_sections.push_back(TSection{});
    TSection fresh;
    fresh.Name = std::string(section);
    fresh.Header = "[" + fresh.Name + "]";
    m_sections.push_back(std::move(fresh));
    s = &m_sections.back();
  }
  for (TLine &line : s->Lines) {
    if (!line.Key.empty() && EqualNoCase(line.Key, key)) {
      line.Value = clean;
      line.Raw = line.Key + "=" + clean;
      return;
    }
  }
  TLine line;
  line.Key = std::string(key);
  line.Value = clean;
  line.Raw = line.Key + "=" + clean;
  // New keys go after the last key of the section, before trailing blank lines.
  auto it = s->Lines.end();
  while (it != s->Lines.begin() && std::prev(it)->Key.empty() && TrimView(std::prev(it)->Raw).empty())
    --it;
  s->Lines.insert(it, std::move(line));
}

void TIniFile::WriteInteger(std::string_view section, std::string_view key, int value) {
  WriteString(section, key, std::to_string(value));
}

void TIniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

bool TIniFile::SectionExists(std::string_view section) const { return FindSection(section) != nullptr; }

bool TIniFile::ValueExists(std::string_view section, std::string_view key) const {
  const TSection *s = FindSection(section);
  return s != nullptr && FindKey(*s, key) != nullptr;
}

void TIniFile::EraseSection(std::string_view section) {
  section = TrimView(section);
  // Every section of that name goes, as the profile functions erase all.
  for (std::size_t i = m_sections.size(); i-- > 1;) {
    if (EqualNoCase(m_sections[i].Name, section)) {
      m_sections.erase(m_sections.begin() + static_cast<std::ptrdiff_t>(i));
      m_modified = true;
    }
  }
}

void TIniFile::DeleteKey(std::string_view section, std::string_view key) {
  TSection *s = FindSection(section);
  if (s == nullptr) return;
  key = TrimView(key);
  const auto it = std::find_if(s->Lines.begin(), s->Lines.end(),
                               [&](const TLine &l) { return !l.Key.empty() && EqualNoCase(l.Key, key); });
  if (it != s->Lines.end()) {
    s->Lines.erase(it);
    m_modified = true;
  }
}

std::vector<std::string> TIniFile::SectionNames() const {
  std::vector<std::string> names;
  for (std::size_t i = 1; i < m_sections.size(); ++i)
    names.push_back(m_sections[i].Name);
  return names;
}

std::vector<std::string> TIniFile::KeyNames(std::string_view section) const {
  std::vector<std::string> names;
  if (const TSection *s = FindSection(section)) {
    for (const TLine &line : s->Lines) {
      if (!line.Key.empty()) names.push_back(line.Key);
    }
  }
  return names;
}

std::string TIniFile::Text() const {
  const char *eol = m_crlf ? "\r\n" : "\n";
  std::string out;
  for (std::size_t i = 0; i < m_sections.size(); ++i) {
    const TSection &s = m_sections[i];
    if (i > 0) out += s.Header + eol;
    for (const TLine &line : s.Lines)
      out += line.Raw + eol;
  }
  return out;
}

void TIniFile::Save() const {
  if (m_fileName.empty()) throw ESAFileStream_Exception("No settings file name.");
  std::error_code ec;
  const std::filesystem::path parent = std::filesystem::path(m_fileName).parent_path();
  if (!parent.empty()) std::filesystem::create_directories(parent, ec);
  const std::string text = Text();
  WriteWholeFileAtomic(m_fileName, std::vector<std::uint8_t>(text.begin(), text.end()));
}

} // namespace korv
