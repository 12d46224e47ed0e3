// Trace replies from the serial port (analyzer lines, Site Master and RT-x00
// blocks): whatever arrives, the builders refuse it with the program's own
// error or build a sane document.
// Input: byte 0 picks the instrument kind, firmware generation and QE flag,
// byte 1 the display and distance units; the rest is the reply.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/DateTime.h"
#include "core/DocFromReply.h"
#include "core/Excption.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  if (size < 2) return 0;
  const unsigned kind = data[0] % 3;
  const unsigned generation = (data[0] >> 2) % 3;
  static const double kFirmware[] = {korv::EncodeDateTime({2001, 1, 1}), korv::EncodeDateTime({2001, 12, 1}),
                                     korv::EncodeDateTime({2003, 3, 15})};
  korv::TReplyContext ctx;
  ctx.FirmwareDate = kFirmware[generation];
  ctx.ReportsPointCount = (data[0] & 0x10) != 0;
  ctx.DistanceData = (data[0] & 0x20) != 0;
  ctx.CurrentScaleUnit = static_cast<std::uint8_t>(data[1] % 5);
  ctx.CurrentDistUnit = static_cast<std::uint8_t>((data[1] >> 4) & 1);
  ctx.Now = 45000.0;
  const std::uint8_t *body = data + 2;
  const std::size_t length = size - 2;
  korv::TmoxDocument doc(korv::TmoxDocument::EmptyTag{});
  try {
    if (kind == 0) {
      std::vector<std::string> lines(1);
      for (std::size_t i = 0; i < length; ++i) {
        if (body[i] == '\n') lines.emplace_back();
        else lines.back().push_back(static_cast<char>(body[i]));
      }
      korv::BuildFromAnalyzerReply(doc, "fuzz", lines, ctx);
    } else if (kind == 1) {
      korv::BuildFromSiteMasterReply(doc, "fuzz", body, length, ctx);
    } else {
      korv::BuildFromRtReply(doc, "fuzz", body, length, ctx);
    }
  } catch (const korv::Exception &) {
    // A refused reply is the expected outcome for most inputs.
  }
  return 0;
}
