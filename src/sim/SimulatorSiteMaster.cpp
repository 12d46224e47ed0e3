#include "sim/SimulatorSiteMaster.h"

#include "instrument/Protocol.h"
#include "sim/SimulatorReply.h"

namespace korv {

TSiteMasterSimulator::TSiteMasterSimulator(const std::vector<TmoxDocument> &traces) {
  const auto docs = traces.empty() ? SyntheticTraces(3, 130, 800.0, 1000.0) : traces;
  int location = 1;
  for (const auto &doc : docs) {
    if (location > kLocations) break;
    m_blocks[location++] = EncodeSiteMasterBlock(ResampleTrace(doc, 130));
  }
}

std::string TSiteMasterSimulator::Description() const {
  return "Site Master S331, " + std::to_string(m_blocks.size()) + " stored traces";
}

std::vector<TSimSegment> TSiteMasterSimulator::Receive(std::string_view bytes) {
  std::vector<TSimSegment> out;
  for (char ch : bytes) {
    const auto b = static_cast<unsigned char>(ch);
    if (m_wantLocation) {
      m_wantLocation = false;
      const auto it = m_blocks.find(b);
      if (it == m_blocks.end())
        out.push_back({std::string("\x00\x09", 2) + std::string(9, '\0'), false});
      else
        out.push_back({std::string("\x02\x5A", 2) + it->second, true});
    } else if (b == kSmIdentify) {
      out.push_back({std::string("\x00\x0B"
                                 "S331"
                                 "\x01\x20"
                                 "V2.1\x00",
                                 13),
                     false});
    } else if (b == kSmReadTrace) {
      m_wantLocation = true;
    } else if (b == kSmRelease) {
      out.push_back({std::string("\xFF", 1), false});
    }
  }
  return out;
}

} // namespace korv
