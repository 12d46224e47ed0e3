#pragma once
// Sending traces into the memory of an LX-x000QE analyzer, without widgets:
// the candidate rows (open documents or the .kdt files of a folder), the
// analyzer's identity and capacity, the compatibility of a trace with the
// model, the three line encodings of the firmware generations and the "TD"
// line handshake. The send dialog and korvtool both drive these; the
// exchanges block and may run on a worker thread.
#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "core/DocFromReply.h"
#include "core/MOXDoc.h"
#include "instrument/SAComm.h"

namespace korv {

inline constexpr const char *kMsgNoAnalyzerDetected =
    "No LX-x000QE detected..\r\nCheck Port settings and connection.\r\nUse File|Open or File|Save to transfer "
    "Traces to or from an LX-xx00ZT.";
inline constexpr const char *kMsgAnalyzerFull = "Too many traces. This SA can store up to %d traces.";
inline constexpr const char *kMsgAnalyzerRoom =
    "The analyzer has room for %d more traces: %d of its %d locations are in use, and %d traces are selected.";
inline constexpr const char *kMsgNotCompatible = "This trace is not compatible with this SA model.";
inline constexpr const char *kMsgNotCompatibleWhy = "Trace \"%s\" (%s to %s MHz) does not suit the %s (firmware %s).";
inline constexpr const char *kMsgAlreadyStored = "Already stored in the analyzer:";
inline constexpr const char *kMsgSaveBuffersFull =
    "An Error Occurred while trying to send the trace data.The SA Save buffers may be full.";
inline constexpr int kMaxSendCandidates = 4096;

// Deadlines of the download handshake (wall clock).
inline constexpr int kTdAnswerMs = 5000;
inline constexpr int kTdLineMs = 25000;
inline constexpr int kTdEndMs = 5000;

// A trace the analyzer's directory lists.
struct TStoredTrace {
  int Location = 0;
  std::string Name;
  double Date = 0.0;
};

struct TAnalyzerTarget {
  std::string Model;                               // the model line up to its first comma
  std::string Version;                             // its second field ("V2.13")
  std::string FirmwareText = kDefaultFirmwareDate; // as the analyzer says it
  double FirmwareDate = 0.0;
  bool QEModel = false;
  // What its directory lists; Used is -1 when the directory could not be read.
  int Used = -1;
  std::vector<TStoredTrace> Stored;
  int Generation() const { return FirmwareGeneration(FirmwareDate); }
};

// Opens the link, wakes the analyzer, reads its status and its directory
// (what is stored, so a send knows the room left) and closes the link
// again (also on failure). Throws EmoxIODeviceErr kMsgNoAnalyzerDetected
// when no analyzer answers in form, or with the port's own message when
// the port cannot be opened.
TAnalyzerTarget IdentifyAnalyzer(TSAComm &comm);
// Only the analyzer's status (model and firmware, no directory), for the
// windows that say what they talk to: the link is opened and closed again.
// Throws as IdentifyAnalyzer.
TAnalyzerTarget ReadAnalyzerStatus(TSAComm &comm);
// The target described by a status model line ("LX-3200,V2.13,15Jan02").
// Throws EmoxIODeviceErr kMsgNoAnalyzerDetected for a line of no analyzer
// or an unreadable firmware date.
TAnalyzerTarget TargetFromModelLine(const std::string &modelLine);

// How many traces the analyzer stores: 60 with firmware older than
// 18 December 2001, else by model (LX-3200/LX-3200A 120, LX-3100 250,
// the others 300).
int AnalyzerCapacity(const TAnalyzerTarget &target);
// Locations still free: the capacity less what the directory lists.
int FreeLocations(const TAnalyzerTarget &target);
// Empty when count traces fit, else the message to show: beyond the
// capacity kMsgAnalyzerFull, beyond the free locations kMsgAnalyzerRoom.
std::string CheckAnalyzerCapacity(const TAnalyzerTarget &target, int count);

// Throws EmoxIOCompatibilityError kMsgNotCompatible, followed by a line
// naming the trace, its band, the model and the firmware, when the trace's
// band does not suit the model and firmware.
void CheckTraceCompatibility(const TAnalyzerTarget &target, const TTraceData &trace);

// The lines that describe trace traceIndex of doc to the target, in the
// layout of its firmware generation, compatibility checked first.
// dielectricFormat is the setting of that name: 1 sends the velocity
// factor where the first generation takes the cable's dielectric figure,
// 0 the dielectric constant. Throws EmoxIOCompatibilityError, and the
// conversion errors of a magnitude that is no reflection.
std::vector<std::string> EncodeTraceForAnalyzer(const TmoxDocument &doc, int traceIndex, const TAnalyzerTarget &target,
                                                int dielectricFormat = 1);

// One trace to send: a document and the index of one of its traces.
struct TSendTrace {
  const TmoxDocument *Doc = nullptr;
  int Trace = 0;
};

// The whole selection checked and encoded before anything goes out: the
// capacity (EmoxTooManyTracesError with the capacity message), then every
// trace's compatibility.
std::vector<std::vector<std::string>>
EncodeSelection(const TAnalyzerTarget &target, const std::vector<TSendTrace> &selection, int dielectricFormat = 1);

// A trace of a selection that the analyzer already holds: the same name
// and time (to the minute, as the analyzer keeps it) as a stored trace.
struct TAlreadyStored {
  std::size_t Index = 0; // in the selection
  int Location = 0;
  std::string Name;
};
std::vector<TAlreadyStored> FindAlreadyStored(const TAnalyzerTarget &target, const std::vector<TSendTrace> &selection);
// kMsgAlreadyStored and one line per trace: "name" (location n).
std::string AlreadyStoredText(const std::vector<TAlreadyStored> &found);

struct TSendProgress {
  // Trace position (1-based, as each trace starts) out of the count.
  std::function<void(int position, int maximum)> Trace;
  // Line position out of the trace's last line index.
  std::function<void(int position, int maximum)> Line;
  const std::atomic<bool> *Cancel = nullptr;
  // After each trace the analyzer has stored: how many are stored so far.
  std::function<void(int stored)> Stored;
};

// The "TD" handshake for one encoded trace over an open link: "TD", wait
// for ":" (a "?" means the analyzer's save buffers are full:
// EmoxIODeviceErr kMsgSaveBuffersFull), each line with CR, each answered by
// CR LF ":", then "00" and the prompt. Passed deadlines throw
// EmoxIOTimeOutErr.
void SendTraceLines(TSAComm &comm, const std::vector<std::string> &lines,
                    const std::function<void(int, int)> &lineProgress = {});

// Sends the encoded traces in order: the link is opened here and closed on
// every path. A cancel request stops before the next trace. Returns the
// number of traces sent.
int SendEncodedTraces(TSAComm &comm, const std::vector<std::vector<std::string>> &traces,
                      const TSendProgress &progress = {});

// What one send did, said once at its end: each trace of the selection
// sent, skipped (with why) or not sent (with why).
struct TSendSummary {
  enum class TState { Waiting, Sent, Skipped, Failed };
  struct TItem {
    std::string Name;
    TState State = TState::Waiting;
    std::string Why;
  };
  std::vector<TItem> Items; // the selection, in order
  bool Cancelled = false;

  int Count(TState state) const;
  // The traces still waiting (in order) are the ones sent, out of order:
  // the first stored of them are marked sent; then, with error, the next
  // one failed with it and the rest not sent after it; when cancelled,
  // the rest not sent for that.
  void Finish(const std::vector<std::size_t> &order, int stored, const std::string &error, bool cancelled);
  // Every trace went out or was left out on purpose.
  bool Complete() const { return !Cancelled && Count(TState::Failed) == 0 && Count(TState::Waiting) == 0; }
  // "n of m traces were sent." (after a Cancel "Cancelled: ..."), then the
  // skipped and the not sent traces, one line each with the reason.
  std::string Text() const;
};

// A row of the send dialog's list: one trace of an open document (Document
// is the window index) or of a .kdt file (File is its path).
struct TSendCandidate {
  int Document = 0;
  std::string File;
  int Trace = 0;
  double Date = 0.0;
  std::string Description;
};

// "label" of a trace as the list shows it: its label, or its site, sector
// and antenna text when it has no label.
std::string SendTraceDescription(const TTraceData &trace);
// One row per trace of each document, in window and trace order, at most
// kMaxSendCandidates.
std::vector<TSendCandidate> CandidatesFromDocuments(const std::vector<const TmoxDocument *> &documents);
// One row per trace of each .kdt file of folder (by file name, then trace
// order), at most kMaxSendCandidates. A file that does not open as a
// document is left out and reported through skipped when given (why is
// the open failure's message, which names the file). A raised cancel flag
// stops the listing between files.
std::vector<TSendCandidate>
CandidatesFromFolder(const std::string &folder,
                     const std::function<void(const std::string &file, const std::string &why)> &skipped = {},
                     const std::atomic<bool> *cancel = nullptr);

} // namespace korv
