#include "cli/Json.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "core/FileIO.h"

namespace korv::cli {

void JsonWriter::Separator() {
  if (m_afterKey) {
    m_afterKey = false;
    return;
  }
  if (!m_first.empty()) {
    if (!m_first.back()) m_out += ',';
    m_first.back() = false;
  }
}

JsonWriter &JsonWriter::BeginObject() {
  Separator();
  m_out += '{';
  m_first.push_back(true);
  return *this;
}
JsonWriter &JsonWriter::EndObject() {
  m_out += '}';
  m_first.pop_back();
  return *this;
}
JsonWriter &JsonWriter::BeginArray() {
  Separator();
  m_out += '[';
  m_first.push_back(true);
  return *this;
}
JsonWriter &JsonWriter::EndArray() {
  m_out += ']';
  m_first.pop_back();
  return *this;
}
JsonWriter &JsonWriter::Key(std::string_view key) {
  String(key);
  m_out += ':';
  m_afterKey = true;
  return *this;
}
JsonWriter &JsonWriter::String(std::string_view raw) {
  Separator();
  const std::string value = DisplayText(raw);
  m_out += '"';
  for (char c : value) {
    switch (c) {
    case '"': m_out += "\\\""; break;
    case '\\': m_out += "\\\\"; break;
    case '\n': m_out += "\\n"; break;
    case '\r': m_out += "\\r"; break;
    case '\t': m_out += "\\t"; break;
    default:
      if (static_cast<unsigned char>(c) < 0x20) {
        char buf[8];
        std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned>(static_cast<unsigned char>(c)));
        m_out += buf;
      } else {
        m_out += c;
      }
    }
  }
  m_out += '"';
  return *this;
}
JsonWriter &JsonWriter::Number(double v) {
  Separator();
  if (!std::isfinite(v)) {
    m_out += "null";
    return *this;
  }
  // Shortest text that reads back to the same double.
  char buf[40];
  const auto res = std::to_chars(buf, buf + sizeof buf, v);
  std::string s(buf, res.ptr);
  if (s.find_first_of(".eEn") == std::string::npos) s += ".0";
  m_out += s;
  return *this;
}
JsonWriter &JsonWriter::Integer(long long v) {
  Separator();
  m_out += std::to_string(v);
  return *this;
}
JsonWriter &JsonWriter::Bool(bool v) {
  Separator();
  m_out += v ? "true" : "false";
  return *this;
}
JsonWriter &JsonWriter::Null() {
  Separator();
  m_out += "null";
  return *this;
}
JsonWriter &JsonWriter::Numbers(const std::vector<double> &values) {
  BeginArray();
  for (double v : values)
    Number(v);
  return EndArray();
}

} // namespace korv::cli
