// Handheld (.vnf) trace files: read into a document and written back.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/Excption.h"
#include "formats/VantorFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const std::vector<std::uint8_t> bytes(data, data + size);
  try {
    korv::TTextFile text(bytes);
    korv::TmoxDocument doc(korv::TmoxDocument::EmptyTag{});
    korv::CKP418_TraceFile vnf;
    vnf.LoadFromText(text, doc);
    std::string out;
    korv::CKP418_TraceFile writer;
    writer.SaveToText(out, doc);
  } catch (const korv::Exception &) {
  }
  return 0;
}
