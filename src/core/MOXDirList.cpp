#include "core/MOXDirList.h"

#include "core/Excption.h"

namespace korv {

void TmoxDirList::Add(const std::string &text, int number, double time) {
  if (Count() >= kCapacity) throw Exception("Directory list is full.");
  m_text.push_back(text);
  m_number.push_back(static_cast<std::int16_t>(number));
  m_time.push_back(time);
}

void TmoxDirList::Check(int i) const {
  if (i < 0 || i >= Count()) throw Exception("Index out of range: " + std::to_string(i));
}

int TmoxDirList::Number(int i) const {
  Check(i);
  return m_number[static_cast<std::size_t>(i)];
}

double TmoxDirList::Time(int i) const {
  Check(i);
  return m_time[static_cast<std::size_t>(i)];
}

const std::string &TmoxDirList::Text(int i) const {
  Check(i);
  return m_text[static_cast<std::size_t>(i)];
}

void TmoxDirList::Clear() {
  m_text.clear();
  m_number.clear();
  m_time.clear();
}

} // namespace korv
