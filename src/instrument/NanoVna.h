#pragma once
// NanoVNA-family analyzers over their text shell: identification, sweeps of
// any length taken as consecutive scans of the analyzer's size, and the
// one-trace document a sweep becomes. Byte-in/byte-out over SerialLink;
// every operation blocks, stops between lines when cancelled and gives up
// after a silence that each received line renews.
#include <atomic>
#include <complex>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "core/Excption.h"
#include "core/MOXDoc.h"
#include "core/ReflectionExcess.h"
#include "instrument/SAComm.h"
#include "instrument/SerialLink.h"

namespace korv {

// The distance transform takes at most this many points.
inline constexpr int kNanoMaxSweepPoints = 16383;
inline constexpr int kNanoSilenceMs = 5000;
// An analyzer measures a whole scan before it prints the first line.
inline constexpr int kNanoScanStartMs = 30000;
inline constexpr const char *kMsgSweepCancelled = "The sweep was cancelled.";

// The analyzer answered "NAME?": it does not know the command.
class ENanoUnknownCommand : public EmoxIODeviceErr {
public:
  using EmoxIODeviceErr::EmoxIODeviceErr;
};

struct TNanoIdentity {
  std::string Model;             // "NanoVNA", "NanoVNA-H4", ...
  std::string Firmware;          // the version text
  std::vector<std::string> Info; // the info lines as sent
  int ScanPoints = 101;          // points one scan may take
};

struct TNanoSweep {
  std::vector<double> FreqHz;
  std::vector<std::complex<double>> S11;
  int Scans = 0;
  // The analyzer gave no scan output: points came from frequencies + data 0.
  bool FellBack = false;
};

// Index ranges [first, last] of the scans a sweep of points is taken as,
// each at most perScan points and at least 2.
std::vector<std::pair<int, int>> PlanScans(int points, int perScan);

// Model, firmware and scan size from the info and version replies.
TNanoIdentity IdentityFromReplies(const std::vector<std::string> &info, const std::vector<std::string> &version);

class TNanoVna {
public:
  explicit TNanoVna(SerialLink &link);

  void Open();
  void Close();
  bool IsOpen() const { return m_link.IsOpen(); }
  // A flag the caller may set from another thread; a read stops at the next
  // line (or within a fraction of a second when nothing arrives) with
  // EmoxIOCancelled.
  void SetCancelFlag(const std::atomic<bool> *flag) { m_cancel = flag; }
  // Called after every point received: points so far of the sweep, and all.
  void SetProgress(std::function<void(int done, int total)> fn) { m_progress = std::move(fn); }
  void SetSilenceMs(int ms) { m_silenceMs = ms; }
  void SetScanStartMs(int ms) { m_scanStartMs = ms; }

  // Sends an empty line and waits for the prompt. False when another kind of
  // prompt or nothing answered within ms (the link stays open).
  bool Probe(int ms);
  // One command: its reply lines without echo and prompt. Throws
  // ENanoUnknownCommand, EmoxIOTimeOutErr, EmoxIOCancelled.
  std::vector<std::string> Command(const std::string &command, int firstLineMs = 0);
  // Opens the link when needed, waits for the shell and asks info and
  // version. Throws EmoxIOTimeOutErr when no shell answers.
  TNanoIdentity Identify();
  // Sweeps points from startHz to stopHz, equally spaced, in scans of the
  // identity's size. Nothing is returned unless every point arrived and
  // read as a point (EmoxIOTraceFormatErr names what was wrong).
  TNanoSweep Sweep(const TNanoIdentity &id, double startHz, double stopHz, int points);

private:
  std::uint8_t TakeByte(std::int64_t deadline, const char *what);
  void Drain();
  void Send(const std::string &command);
  std::vector<std::string> ReadReply(const std::string &command, int firstLineMs,
                                     const std::function<void(int)> &onLine);
  void CheckCancel() const;
  std::vector<std::string> ScanOrFallBack(TNanoSweep &out, long long startHz, long long stopHz, int points, int done,
                                          int total, int &columns);

  SerialLink &m_link;
  const std::atomic<bool> *m_cancel = nullptr;
  std::function<void(int, int)> m_progress;
  int m_silenceMs = kNanoSilenceMs;
  int m_scanStartMs = kNanoScanStartMs;
  bool m_noScan = false; // the analyzer does not know "scan"
  std::vector<std::uint8_t> m_pending;
  std::size_t m_pendingPos = 0;
  int m_linesInReply = 0;
  std::string m_lastCommand;
};

// Fills doc with one trace from a sweep: Freq MHz, Mag return loss (dB),
// Angle degrees, model and firmware of the analyzer, the sweep's date and
// the label (also the title when given). distUnit is the program's distance
// unit. Points above total reflection show as 0 dB and are counted in excess.
void BuildFromNanoSweep(TmoxDocument &doc, const TNanoSweep &sweep, const TNanoIdentity &id, const std::string &label,
                        double when, std::uint8_t distUnit, TReflectionExcess *excess = nullptr);

// The file name a sweep saved under a folder gets (without folder and
// extension): its label, or the analyzer's model and the sweep's date.
std::string SweepFileBaseName(const TTraceData &trace);
// Creates the folder, picks a name no file and no open window (isOpen) uses
// and saves atomically: the path written.
std::string SaveSweepUnder(TmoxDocument &doc, const std::string &folder,
                           const std::function<bool(const std::string &)> &isOpen = {});

} // namespace korv
