#pragma once
// The rows of the handheld settings window: the settings a .vnf file
// carries that the desktop does not use, by the names the handheld gives
// them.
#include <array>
#include <string>

#include "core/VantorSettings.h"

namespace korv {

inline constexpr std::size_t kKP418InfoRowCount = 18;
inline constexpr std::size_t kKP418InfoValueLength = 10;
inline constexpr const char *kKP418NoValue = "<value>";

struct TKP418InfoRow {
  std::string Parameter;
  std::string Value;     // as shown: at most kKP418InfoValueLength characters
  std::string FullValue; // the whole value
};
using TKP418InfoRows = std::array<TKP418InfoRow, kKP418InfoRowCount>;

// Every value "<value>".
TKP418InfoRows EmptyKP418InfoRows();
TKP418InfoRows KP418InfoRows(const TVantorSettings &settings);
// Floating-point text in the shortest general form: 1.5, 0.25, 1E-18.
std::string GeneralFloatText(double value);

} // namespace korv
