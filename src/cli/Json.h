#pragma once
// A minimal JSON writer: numbers with round-trip precision.
#include <string>
#include <string_view>
#include <vector>

namespace korv::cli {

class JsonWriter {
public:
  JsonWriter &BeginObject();
  JsonWriter &EndObject();
  JsonWriter &BeginArray();
  JsonWriter &EndArray();
  JsonWriter &Key(std::string_view key);
  JsonWriter &String(std::string_view value); // 8-bit text is shown as display text
  JsonWriter &Number(double value);
  JsonWriter &Integer(long long value);
  JsonWriter &Bool(bool value);
  JsonWriter &Null();
  JsonWriter &Numbers(const std::vector<double> &values);
  const std::string &Text() const { return m_out; }

private:
  void Separator();
  std::string m_out;
  std::vector<bool> m_first;
  bool m_afterKey = false;
};

} // namespace korv::cli
