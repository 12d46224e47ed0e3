#pragma once
// Running korvtool as a child process: commands with captured output and a
// time limit, and a simulator that serves until the test ends.
#include <chrono>
#include <string>
#include <vector>

#include <sys/types.h>

struct TRunResult {
  int ExitCode = -1; // -1: killed at the time limit
  std::string Out;
  std::string Err;
  double Seconds = 0.0;
};

// Runs korvtool with args, killing it after limitSeconds.
TRunResult RunKorvtool(const std::vector<std::string> &args, double limitSeconds = 60.0);

// Runs korvtool with args and sends it SIGINT once its standard error holds
// text (a progress line), as a user's Ctrl-C would.
TRunResult RunKorvtoolInterrupted(const std::vector<std::string> &args, const std::string &text,
                                  double limitSeconds = 60.0);

// `korvtool simulate ...` in the background; Port() is the device it serves.
class TSimProcess {
public:
  explicit TSimProcess(const std::vector<std::string> &args);
  ~TSimProcess();
  TSimProcess(const TSimProcess &) = delete;
  TSimProcess &operator=(const TSimProcess &) = delete;
  const std::string &Port() const { return m_port; }
  // Ends the simulator now: its pseudo-terminal goes away.
  void Stop();

private:
  pid_t m_pid = -1;
  int m_out = -1;
  std::string m_port;
};
