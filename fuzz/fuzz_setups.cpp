// Power setup files (both forms), analyzer setup replies and quick text
// files: parsed, and what was parsed written and parsed again unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/Excption.h"
#include "instrument/PwrSetup.h"
#include "instrument/QuickText.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char *>(data), size);
  const korv::TPowerSetupList base = korv::DefaultSetupList();
  for (const bool textForm : {false, true}) {
    try {
      const korv::TPowerSetupList list = textForm ? korv::ReadSetupText(text, base) : korv::ReadSetupCsv(text, base);
      const std::string again = korv::WriteSetupCsv(list);
      if (korv::ReadSetupCsv(again, base) != list) std::abort();
    } catch (const korv::Exception &) {
    }
  }
  try {
    korv::RecordFromSetupReply(text, 10);
  } catch (const korv::Exception &) {
  }
  const korv::TQuickTextList rows = korv::ReadQuickTextFile(text);
  if (korv::ReadQuickTextFile(korv::WriteQuickTextFile(rows)) != rows) std::abort();
  return 0;
}
