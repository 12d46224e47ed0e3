// Document files (.kdt, all versions): read, and write back what was read.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/DocFile.h"
#include "core/Excption.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const std::vector<std::uint8_t> bytes(data, data + size);
  korv::TmoxDocument doc(korv::TmoxDocument::EmptyTag{});
  try {
    korv::ReadDocumentBytes(bytes, doc);
    korv::DocumentFileBytes(doc);
  } catch (const korv::Exception &) {
    // Refusing a file with the program's own error is the expected outcome.
  }
  // Files whose CRC trailer does not match never reach the reader: read the
  // text as well so the fuzzer explores it without forging CRCs.
  try {
    korv::TTextFile text(bytes);
    korv::TmoxDocument raw(korv::TmoxDocument::EmptyTag{});
    korv::ReadVersion67(text, raw, true);
  } catch (const korv::Exception &) {
  }
  return 0;
}
