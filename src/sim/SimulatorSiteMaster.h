#pragma once
// Site Master S331: one-byte commands ("E" identify, 0x11 + location read,
// 0xFF release) answered with binary blocks.
#include <map>
#include <string>

#include "sim/Simulator.h"

namespace korv {

class TSiteMasterSimulator : public TSimulator {
public:
  explicit TSiteMasterSimulator(const std::vector<TmoxDocument> &traces);
  std::vector<TSimSegment> Receive(std::string_view bytes) override;
  std::string Description() const override;
  static constexpr int kLocations = 40;

private:
  std::map<int, std::string> m_blocks;
  bool m_wantLocation = false;
};

} // namespace korv
