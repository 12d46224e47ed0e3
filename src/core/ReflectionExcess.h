#pragma once
// Points above total reflection (|S11| > 1), common in sweeps without
// calibration: the return-loss units cannot show them and clamp them to
// 0 dB, so the readers count them and tell the user once per file.
#include <string>

namespace korv {

struct TReflectionExcess {
  int Above = 0;
  int Total = 0;
  double Largest = 0.0;
  // Counts one point of linear reflection rho.
  void Add(double rho);
  // "" when no point is above, else the message for the user.
  std::string Message() const;
};

// Joins two remarks for one message ("" parts are left out).
std::string JoinWarnings(const std::string &a, const std::string &b);

} // namespace korv
