#pragma once
// LX-x000QE analyzer: "> " prompt, LF CR line ends, command echo, the trace
// directory, trace read, delete, trace download (TD), power setups
// (SGET/SSTO) and quick text (QU/QD).
#include <array>
#include <atomic>
#include <map>
#include <string>
#include <vector>

#include "sim/Simulator.h"

namespace korv {

class TLxSimulator : public TSimulator {
public:
  TLxSimulator(std::string model, std::string firmware, const std::vector<TmoxDocument> &traces);
  std::vector<TSimSegment> Receive(std::string_view bytes) override;
  std::string Description() const override;

  int Generation() const { return m_generation; }
  bool IsQE() const { return m_qe; }
  int Capacity() const;
  // Stored locations in order (tests).
  std::vector<int> Locations() const;
  const std::array<std::string, 20> &SetupRecords() const { return m_setups; }
  const std::array<std::string, 13> &QuickText() const { return m_quickText; }
  // Leaves the first bare SGET (the setup synchronisation) unanswered.
  void MissFirstSetupSync() { m_missSetupSync = true; }
  // The save buffers hold room for this many traces in all, fewer than
  // the directory's locations (long traces fill them first); the next TD
  // is refused. Safe to change while the simulator serves another thread.
  void LimitSaveBuffers(int traces) { m_saveBuffers = traces; }
  // Body lines of a stored trace (after the echo), for tests.
  const std::vector<std::string> *Stored(int location) const;

private:
  struct TStored {
    std::vector<std::string> Body;
    std::string DirectoryLine;
  };
  enum class TMode { Command, Download, QuickDownload };

  std::vector<TSimSegment> Command(const std::string &cmd);
  std::string Reply(const std::string &echo, const std::vector<std::string> &lines) const;
  std::string Error(const std::string &echo) const { return echo + "\n\r?\n\r> "; }
  void Store(int location, const TmoxDocument &doc);
  void StoreDownloaded(std::vector<std::string> lines);
  void ConvertDownloadedPoints(std::vector<std::string> &lines) const;
  std::vector<std::string> TraceReply(int location) const;

  std::string m_model;
  std::string m_firmware;
  double m_firmwareDate = 0.0;
  int m_generation = 3;
  bool m_qe = false;
  std::map<int, TStored> m_traces;
  TStored m_current;
  std::string m_input;
  TMode m_mode = TMode::Command;
  std::vector<std::string> m_download;
  std::vector<std::string> m_quickDownload;
  std::array<std::string, 20> m_setups;
  std::array<std::string, 13> m_quickText;
  bool m_missSetupSync = false;
  std::atomic<int> m_saveBuffers{1 << 30};
};

} // namespace korv
