#include "sim/SimulatorRt.h"

#include "core/TextUtil.h"
#include "instrument/Protocol.h"
#include "sim/SimulatorReply.h"

namespace korv {

TRtSimulator::TRtSimulator(char modelDigit, const std::vector<TmoxDocument> &traces) : m_digit(modelDigit) {
  const auto docs = traces.empty() ? SyntheticTraces(4, 100, 800.0, 1000.0) : traces;
  // Traces at odd locations first, so the directory has gaps.
  int location = 1;
  for (const auto &doc : docs) {
    if (location > kLocations) break;
    m_blocks[location] = EncodeRtBlock(ResampleTrace(doc, 100));
    location += traces.empty() ? 2 : 1;
  }
}

std::string TRtSimulator::Description() const {
  return std::string("RT-") + m_digit + "00 antenna tester, " + std::to_string(m_blocks.size()) + " stored traces";
}

std::vector<TSimSegment> TRtSimulator::Receive(std::string_view bytes) {
  std::vector<TSimSegment> out;
  for (char c : bytes) {
    if (c == '\n') continue;
    if (c != kLxCommandEnd) {
      if (m_input.size() < 256) m_input.push_back(c);
      continue;
    }
    const std::string cmd = std::move(m_input);
    m_input.clear();
    if (cmd == kLxStatus) {
      std::string s = std::string("RT-") + m_digit + "00 ANTENNA TESTER V1.20 SN04711";
      s.resize(kRtStatusBytes - 2, ' ');
      out.push_back({s + "\r\n", false});
    } else if (cmd == kLxDirectory) {
      std::string s;
      for (int i = 1; i <= kLocations; ++i)
        s += std::string(m_blocks.count(i) ? "1" : "0") + (i < kLocations ? "," : "");
      out.push_back({s + "\r\n", false});
    } else if (cmd.compare(0, kRtUpload.size(), kRtUpload) == 0) {
      const std::string rest = cmd.substr(kRtUpload.size());
      long long loc = 0;
      const auto it =
          ParseInt(rest.substr(0, rest.find(',')), loc) ? m_blocks.find(static_cast<int>(loc)) : m_blocks.end();
      if (it == m_blocks.end())
        out.push_back({"?\r\n", false});
      else
        out.push_back({it->second, true});
    }
  }
  return out;
}

} // namespace korv
