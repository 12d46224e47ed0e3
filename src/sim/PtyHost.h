#pragma once
// Serves a simulator on a pseudo-terminal. A pseudo-terminal has no line
// speed, so the host can pace the bytes both ways at the real line's rate
// (10 bits a byte) and inject the faults tests need.
#include <atomic>
#include <deque>
#include <string>

#include "sim/Simulator.h"

namespace korv {

enum class TSimFault {
  None,
  Slow,    // trace replies trickle at 40 bytes a second
  Drop,    // every 97th byte of a trace reply is lost
  Garbage, // a '#' follows every 97th byte of a trace reply
  Silence, // nothing is ever answered
  Cutoff,  // trace replies stop halfway
  SyncOnce // the analyzer misses the first power setup synchronisation
};

// "slow", "drop", "garbage", "silence", "cutoff", "sync-once"; throws
// Exception otherwise.
TSimFault ParseSimFault(const std::string &name);
// The bytes of a trace reply as the fault leaves them (Slow changes timing only).
std::string ApplyFault(TSimFault fault, const std::string &bytes);

struct TPtyHostOptions {
  bool Pace = false;
  int Baud = 9600;
  TSimFault Fault = TSimFault::None;
};

class TPtyHost {
public:
  TPtyHost(TSimulator &sim, TPtyHostOptions options);
  ~TPtyHost();
  TPtyHost(const TPtyHost &) = delete;
  TPtyHost &operator=(const TPtyHost &) = delete;

  // Creates the pseudo-terminal; returns the device path the program opens.
  // Throws Exception.
  std::string Open();
  // Serves until stop becomes true.
  void Serve(const std::atomic<bool> &stop);
  // Bytes both ways so far (for timing reports).
  long long BytesIn() const { return m_bytesIn; }
  long long BytesOut() const { return m_bytesOut; }

private:
  struct TPending {
    std::string Bytes;
    std::size_t Pos = 0;
    double Next = 0.0;     // when the next byte is due (seconds)
    double ByteTime = 0.0; // seconds a byte takes on the line
  };
  double Now() const;
  void Enqueue(const TSimSegment &segment, double arrival);
  void WriteDue(double now);

  TSimulator &m_sim;
  TPtyHostOptions m_options;
  int m_master = -1;
  int m_slave = -1;
  std::deque<TPending> m_queue;
  double m_rxFree = 0.0; // when the receive line is free again
  double m_txEnd = 0.0;  // when the queued output ends
  long long m_bytesIn = 0;
  long long m_bytesOut = 0;
};

} // namespace korv
