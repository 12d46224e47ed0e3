#pragma once
// RT-x00 antenna tester: CR-ended ASCII commands answered with fixed-length
// blocks (status 37 bytes, directory 25, trace 716); unknown input is ignored.
#include <map>
#include <string>

#include "sim/Simulator.h"

namespace korv {

class TRtSimulator : public TSimulator {
public:
  TRtSimulator(char modelDigit, const std::vector<TmoxDocument> &traces);
  std::vector<TSimSegment> Receive(std::string_view bytes) override;
  std::string Description() const override;
  static constexpr int kLocations = 12;

private:
  char m_digit;
  std::map<int, std::string> m_blocks;
  std::string m_input;
};

} // namespace korv
