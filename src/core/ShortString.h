#pragma once
// Fixed-capacity 8-bit text fields of the trace record: assignment cuts the
// text to the capacity, so every writer sees the same limit the files carry.
#include <cstddef>
#include <string>
#include <string_view>

namespace korv {

template <std::size_t N> class TShortString {
public:
  static constexpr std::size_t Capacity = N;
  TShortString() = default;
  TShortString(std::string_view s) { assign(s); } // NOLINT(google-explicit-constructor)
  TShortString(const char *s) { assign(s ? std::string_view(s) : std::string_view()); } // NOLINT
  TShortString &operator=(std::string_view s) {
    assign(s);
    return *this;
  }
  TShortString &operator=(const char *s) {
    assign(s ? std::string_view(s) : std::string_view());
    return *this;
  }
  TShortString &operator=(const std::string &s) {
    assign(s);
    return *this;
  }
  operator const std::string &() const { return m_text; } // NOLINT(google-explicit-constructor)
  operator std::string_view() const { return m_text; }    // NOLINT(google-explicit-constructor)
  const std::string &str() const { return m_text; }
  const char *c_str() const { return m_text.c_str(); }
  std::size_t size() const { return m_text.size(); }
  bool empty() const { return m_text.empty(); }
  friend bool operator==(const TShortString &a, const TShortString &b) { return a.m_text == b.m_text; }
  friend bool operator==(const TShortString &a, std::string_view b) { return a.m_text == b; }
  friend bool operator==(const TShortString &a, const char *b) { return a.m_text == std::string_view(b); }
  friend bool operator==(const TShortString &a, const std::string &b) { return a.m_text == b; }

private:
  void assign(std::string_view s) { m_text.assign(s.substr(0, N)); }
  std::string m_text;
};

} // namespace korv
