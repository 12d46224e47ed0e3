#pragma once
// NanoVNA-family analyzer: the text shell ("ch> " prompt, CR LF lines,
// command echo) with info, version, sweep, scan, frequencies and data. S11
// comes from the sweep model (a feed line with faults and an antenna) or
// from a given trace, interpolated. Models differ in their identification,
// band and the points one scan takes; firmware "old" scans without output,
// so a client must fetch the points with frequencies and data 0.
#include <complex>
#include <string>
#include <vector>

#include "sim/Simulator.h"
#include "sim/SweepModel.h"

namespace korv {

class TNanoVnaSimulator : public TSimulator {
public:
  // model: "nanovna" (or empty), "h4" or "d". Throws Exception otherwise.
  TNanoVnaSimulator(const std::string &model, const std::string &firmware, const std::vector<TmoxDocument> &traces);
  std::vector<TSimSegment> Receive(std::string_view bytes) override;
  std::string Description() const override;

  int ScanPoints() const { return m_scanPoints; }
  // S11 at a frequency: the trace's (interpolated) or the model's.
  std::complex<double> S11At(double hz) const;
  // Reflection of a point of the model's sweep, for tests.
  static TSweepModel FeedLine();

private:
  std::vector<TSimSegment> Command(const std::string &line);
  // Checks a requested band; the error line when the analyzer refuses it.
  std::string SetBand(const std::vector<std::string> &words);
  std::vector<std::complex<double>> Measure() const;
  long long Freq(int j) const;

  std::string m_model;
  std::vector<std::string> m_info;
  std::string m_version;
  bool m_scanPrints = true;
  int m_scanPoints = 101;
  double m_minHz = 50e3;
  double m_maxHz = 900e6;
  long long m_start = 50000;
  long long m_stop = 900000000;
  int m_points = 101;
  std::string m_input;
  // A given trace: frequencies (Hz) and reflection.
  std::vector<double> m_traceHz;
  std::vector<std::complex<double>> m_traceS11;
};

} // namespace korv
