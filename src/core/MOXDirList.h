#pragma once
// Directory entries received from an analyzer: text, number and time each.
#include <cstdint>
#include <string>
#include <vector>

namespace korv {

class TmoxDirList {
public:
  static constexpr int kCapacity = 4092;
  // Throws Exception when the list already holds kCapacity entries.
  void Add(const std::string &text, int number, double time);
  int Count() const { return static_cast<int>(m_text.size()); }
  // Throw Exception "Index out of range: i" for a bad index.
  int Number(int i) const;
  double Time(int i) const;
  const std::string &Text(int i) const;
  void Clear();

private:
  void Check(int i) const;
  std::vector<std::string> m_text;
  std::vector<std::int16_t> m_number;
  std::vector<double> m_time;
};

} // namespace korv
