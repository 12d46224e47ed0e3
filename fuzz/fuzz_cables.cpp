// Cable list files: parsed, and the parsed list written and parsed again.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/Excption.h"
#include "measure/DTFOptns.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char *>(data), size);
  try {
    const auto cables = korv::ParseCableList(text);
    korv::ParseCableList(korv::CableListText(cables));
  } catch (const korv::Exception &) {
  }
  return 0;
}
