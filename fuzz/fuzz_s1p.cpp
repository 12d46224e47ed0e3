// Touchstone (.s1p) files: read into a document and written back.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/Excption.h"
#include "formats/Touchstone.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const std::vector<std::uint8_t> bytes(data, data + size);
  try {
    korv::TmoxDocument doc(korv::TmoxDocument::EmptyTag{});
    korv::ReadTouchstone(bytes, "fuzz.s1p", doc);
    korv::TouchstoneText(doc, 0);
  } catch (const korv::Exception &) {
  }
  return 0;
}
