#pragma once
// What a handheld (.vnf) trace file carries that the desktop does not
// otherwise keep; stored in the document so a save writes it back unchanged.
#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace korv {

struct TVantorSettings {
  std::array<std::string, 2> HeaderTexts;
  // main title, subtitle, two further texts, label, further text
  std::array<std::string, 6> TitleTexts;
  std::string Text;
  std::int32_t Int = -1;
  bool CalFlagB = false;
  double ReflectionOffset = 0.0;
  double Double = 0.0;
  std::array<std::int32_t, 3> Ints{0, 0, 2};
  std::int32_t ActiveMarker = 0;
  std::array<long double, 6> MarkerFreqHz{};
  std::array<double, 6> MarkerValue{1e-18, 1e-18, 1e-18, 1e-18, 1e-18, 1e-18};
  double ExtraValue = 0.0;
  // The int after the two limits, and each marker's own number.
  std::int32_t LimitsInt = 0;
  std::array<std::int32_t, 6> MarkerNumber{0, 1, 2, 3, 4, 5};
  // Distance-domain point pairs of the handheld's own DTF result.
  std::vector<std::pair<double, double>> DtfPairs;
};

} // namespace korv
