#pragma once
// Receiving traces from an instrument, without widgets: identification of
// the instrument kind, the trace directory, fetching a selection into
// documents, the file path of a trace received to disk, and deleting stored
// traces. The receive dialog and korvtool both drive these; every operation
// blocks and may run on a worker thread.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/DocFromReply.h"
#include "core/MOXDirList.h"
#include "core/MOXDoc.h"
#include "instrument/SAComm.h"

namespace korv {

inline constexpr int kMaxSelectedForDocuments = 50;
inline constexpr int kMaxSelection = 500;
inline constexpr int kCurrentTraceLocation = 500;

inline constexpr const char *kMsgTooManySelected =
    "Too many traces selected. Please limit selection to %d traces or use \"Upload to files on disk\".";
inline constexpr const char *kMsgNoTraceSelected = "You must enter at least one trace buffer.";
inline constexpr const char *kMsgInvalidLocation = "Invalid trace memory location.";
inline constexpr const char *kMsgChildDocError = "Error creating child document...";
inline constexpr const char *kMsgNoTracesToDelete = "There are no traces to delete.";
inline constexpr const char *kMsgConfirmDelete =
    "You are about to delete one or more stored traces? Do you want to continue?";
inline constexpr const char *kMsgDeleteFailed = "Error while deleting traces:  ";
// Follows the "not responding" messages: which port was asked.
inline constexpr const char *kMsgNoAnswerOn = "No answer on %s.";
inline constexpr const char *kMsgReplyStopped = "The reply of trace \"%s\" (location %d) stopped after %d of %d %s.";
inline constexpr const char *kMsgKeptBefore = "The %d traces received before it were kept.";
inline constexpr const char *kMsgKeptOneBefore = "The trace received before it was kept.";
inline constexpr const char *kMsgNoneKept = "No trace was received before it.";

struct TInstrumentIdentity {
  TInstrumentKind Kind = ikAnalyzer;
  std::string ModelLine; // LX-x000QE and RT-x00: the status line after its first comma; Site Master: "S331"
  std::string FirmwareText = kDefaultFirmwareDate; // LX-x000QE
  double FirmwareDate = 0.0;
  bool QEModel = false;
  char RtModelDigit = '5';
  int Generation() const { return FirmwareGeneration(FirmwareDate); }
};

// Progress of a multi-step operation: position out of maximum.
using TProgressFn = std::function<void(int position, int maximum)>;
// A non-fatal remark the dialog shows as a warning (and goes on).
using TWarningFn = std::function<void(const std::string &message)>;

// Opens the link, finds out what is connected and closes it again (also on
// failure). Throws EmoxIODeviceErr with kMsgNotResponding and a line
// naming the port (kMsgNoAnswerOn) when nothing known answers, or with the port's message when it cannot be opened.
TInstrumentIdentity IdentifyInstrument(TSAComm &comm);

// Highest location the kind stores: 500, 40 or 12.
int HighestLocation(TInstrumentKind kind);
// Whether the kind can delete what it stores (only the LX-x000QE can).
bool CanDelete(TInstrumentKind kind);

// Reads the directory lines of the connected instrument (port opened and
// closed here) and returns the entries, "Current Trace" first for an
// LX-x000QE (the other kinds cannot send theirs). now is the time given to
// entries without a date.
TmoxDirList ReadDirectory(TSAComm &comm, const TInstrumentIdentity &id, double now);
// The list built from directory lines already read (testable without a link).
TmoxDirList BuildDirectoryList(const TInstrumentIdentity &id, std::vector<std::string> lines, double now);
// "Site 12 Alpha Tx 3" from the fields of a first-generation entry.
std::string FirstGenerationEntryName(long long site, long long sector, long long antennaKind, long long antennaNumber);

struct TSelectedTrace {
  int Location = 0;
  std::string Name;
};

enum class TReceiveDestination { ActiveDocument, SeparateDocuments, OneNewDocument, Files };

// The checks made before anything is fetched; empty when the selection may
// go ahead, else the message to show. freeSlots is what the target document
// can still take (14 for a new one).
std::string CheckReceiveSelection(int selected, TReceiveDestination dest, int activeDocTraces);

// The trace name a received trace gets.
std::string ReceivedTraceName(const TInstrumentIdentity &id, const TSelectedTrace &sel, TReceiveDestination dest);

// A location that gave no trace, and why.
using TTraceFailedFn = std::function<void(const TSelectedTrace &, const std::string &message)>;

struct TFetchOptions {
  TReceiveDestination Destination = TReceiveDestination::SeparateDocuments;
  std::uint8_t CurrentScaleUnit = suReturnLoss;
  std::uint8_t CurrentDistUnit = duMeters;
  TProgressFn Progress;
  // Lines of the trace reply being read (echo included) out of the lines
  // it has, as far as known, so a long trace moves a bar as it arrives.
  TProgressFn Lines;
  TWarningFn Warning;
  // Told of each location that gave no trace; without it, Warning is.
  TTraceFailedFn TraceFailed;
};

// Called with each document built, in selection order; the receiver owns it.
using TTraceSink = std::function<void(const TSelectedTrace &, std::unique_ptr<TmoxDocument>)>;

// Fetches the selection: start exchange, one read per trace (stopping
// before the next trace when cancel is requested), end exchange. Locations
// beyond the kind's range, empty locations and replies refused as invalid,
// damaged, unreadable or failing their check sum are reported (TraceFailed
// or Warning) and skipped: the rest go on. Time-outs, device errors and
// anything else end the run and pass on; a reply cut off in the middle of a
// trace names the trace, what arrived of it and how many traces came before.
// The port is closed in every case. Returns the number of locations that
// gave no trace.
int FetchTraces(TSAComm &comm, const TInstrumentIdentity &id, const std::vector<TSelectedTrace> &selection,
                const TFetchOptions &options, const TTraceSink &sink);

// Deletes stored traces of an LX-x000QE analyzer (other kinds, and the
// analyzer's current trace, which is no stored location: an invalid
// location). Device errors and time-outs end the loop and pass on.
// Returns the number of locations refused.
int DeleteTraces(TSAComm &comm, const TInstrumentIdentity &id, const std::vector<TSelectedTrace> &selection,
                 const TProgressFn &progress, const TWarningFn &warning);

// File naming for traces received to disk.
// Label without the characters " * . / : < > ? \ |, cut to 50; when that is
// empty, model, serial number, location and date.
std::string ReceivedTraceBaseName(const TTraceData &trace, int location);
// root (ending in "/") plus the style's sub-folders: 0 none, 1 date,
// 2 serial number, 3 serial number then date.
std::string ReceivedTraceFolder(const std::string &root, int style, const TTraceData &trace);
// Creates every folder of the path; throws EmoxFileCreateError.
void ForceFolders(const std::string &folder);
// folder + base + ".kdt", or base(1), base(2) ... when that exists on disk
// or isOpen says a document window already uses the name.
std::string UniqueTracePath(const std::string &folder, const std::string &base,
                            const std::function<bool(const std::string &)> &isOpen = {});
// Why root cannot take received traces, or empty when it can: it must be a
// folder (or one that can be made inside an existing folder) that may be
// written. Checked before the first trace is fetched.
std::string RootFolderProblem(const std::string &root);

// What one receive did, said once at its end.
struct TReceiveSummary {
  int Selected = 0;
  int Received = 0;
  std::vector<std::string> Failed; // "location n "name": reason"
  std::string Folder;              // files went under it; empty: into windows
  bool Cancelled = false;
  std::string Error; // what ended the run early
  std::string Text() const;
};

// Folders, unique name and an atomic save: the path written.
std::string SaveReceivedTrace(TmoxDocument &doc, const std::string &root, int style, int location,
                              const std::function<bool(const std::string &)> &isOpen = {});

} // namespace korv
