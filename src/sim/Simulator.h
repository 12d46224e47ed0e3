#pragma once
// Instrument simulators: the instrument side of the serial protocols, as a
// byte-in/byte-out state machine. A host (PtyHost, or a test's in-memory
// link) feeds them what the program writes and delivers their replies.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/MOXDoc.h"

namespace korv {

// A piece of reply. Trace marks the replies that carry trace data, which
// is where the fault options strike.
struct TSimSegment {
  std::string Bytes;
  bool Trace = false;
};

class TSimulator {
public:
  virtual ~TSimulator() = default;
  virtual std::vector<TSimSegment> Receive(std::string_view bytes) = 0;
  // One line for the console: kind, model, firmware, stored traces.
  virtual std::string Description() const = 0;
};

struct TSimOptions {
  std::string Instrument = "lx";    // lx, rt, sitemaster, nanovna
  std::string Model;                // LX-x000QE model text (default LX-3400QE); nanovna: nanovna, h4, d
  std::string Firmware;             // analyzer firmware date DDMmmYY (default 15Mar03); nanovna: version or "old"
  std::vector<TmoxDocument> Traces; // one-trace documents; empty: synthetic ones
  bool MissFirstSetupSync = false;  // LX-x000QE: the first bare SGET goes unanswered
  int SaveBuffers = 0;              // LX-x000QE: traces its save buffers hold in all; 0: as many as its locations
};

// Throws Exception for an unknown instrument or a bad firmware date.
std::unique_ptr<TSimulator> MakeSimulator(TSimOptions options);

// Splits documents into one-trace documents (for --traces).
std::vector<TmoxDocument> SplitIntoTraces(const TmoxDocument &doc);

} // namespace korv
