// Analyzer CSV trace files: both readers, the document fill, and a save of
// the result.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/Excption.h"
#include "core/SAFileStream.h"
#include "formats/LXZTTraceFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const std::vector<std::uint8_t> bytes(data, data + size);
  try {
    korv::TSAFileStream stream = korv::TSAFileStream::FromBytes("fuzz.csv", bytes);
    korv::CLXZT_TraceFile csv;
    csv.LoadFileW(stream);
    korv::TmoxDocument doc(korv::TmoxDocument::EmptyTag{});
    csv.FillDocument(doc);
    korv::CLXZT_TraceFile out;
    out.FillFromDocument(doc, 0);
    korv::TSAFileStream sink("", false, korv::TSAFileStream::smOutput);
    out.SaveFileW(sink);
  } catch (const korv::Exception &) {
  }
  try {
    korv::TTextFile text(bytes);
    korv::CLXZT_TraceFile csv;
    csv.LoadFile(text);
  } catch (const korv::Exception &) {
  }
  return 0;
}
