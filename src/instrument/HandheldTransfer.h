#pragma once
// The rules of the handheld file transfer, without widgets: the kept list of
// the handheld's trace files, which file each copy goes to, when to ask
// before replacing one, the replace-all state of a run, and deletes that go
// on past a failing name. The transfer dialog and `korvtool handheld` both
// run on it.
#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "instrument/RAPI.h"

namespace korv {

inline constexpr const char *kMsgRapiInitBox = "Unable to load and initialize RAPI. Check the ActiveSync connection.";
inline constexpr const char *kMsgSelectTransfer = "Select at least one file to transfer.";
inline constexpr const char *kMsgSelectDelete = "Select at least one file to delete.";
inline constexpr const char *kMsgReplaceFile = "File Exists. Replace the file?";
inline constexpr const char *kMsgDeleteQuestion =
    "You are about to delete one or more Vantor trace files. Do you want to continue?";
inline constexpr const char *kMsgRemoteDeleteFailed =
    "Unable to delete file from Vantor. Check the ActiveSync connection.";
inline constexpr const char *kMsgNoPCFolder = "No folder of the PC is given.";

enum class TReplaceAnswer { Yes, No, All };
// Asked with the name of the file that exists already.
using TAskReplace = std::function<TReplaceAnswer(const std::string &name)>;

struct TCopyReport {
  std::vector<std::string> Copied;  // the paths written
  std::vector<std::string> Skipped; // names answered No
  bool Cancelled = false;           // stopped before the rest of the names
};

// Files done out of files asked for, told before each file and at the end.
using THandheldProgress = std::function<void(int done, int total)>;

class TKP418Transfer {
public:
  explicit TKP418Transfer(TRemoteApi &api) : m_api(api) {}

  // Raises EmoxVantorCommError when the handheld cannot be reached.
  void Connect();
  void Disconnect();
  // Reads the handheld's trace list again (empty when it cannot be read).
  const std::vector<std::string> &RefreshList();
  const std::vector<std::string> &Names() const { return m_names; }
  bool CanCopyToPC() const { return !m_names.empty(); }

  // Optional, for copies and deletes run on a worker: progress per file,
  // and a flag read before each file (a file begun is finished, so no half
  // file is left). Both must outlive the runs that use them.
  void SetProgress(THandheldProgress progress) { m_progress = std::move(progress); }
  void SetCancelFlag(const std::atomic<bool> *cancel) { m_cancel = cancel; }

  // The local folder of folderText, ending in "/", made when missing.
  // Raises ERAPI2Exception when it cannot be made.
  static std::string PCFolder(const std::string &folderText);
  // Handheld names into folderText, in the order given. A local file of that
  // name is replaced only after a Yes or an All (All: no more questions in
  // this run). An ERAPI2Exception ends the run.
  TCopyReport CopyToPC(const std::string &folderText, const std::vector<std::string> &names, const TAskReplace &ask);
  // Local files into the handheld's folder under their own names. A file of
  // that name there is replaced only after Yes or All; otherwise a new file
  // is made and an existing one never overwritten. The list is read again
  // afterwards, also when an ERAPI2Exception ends the run.
  TCopyReport CopyToHandheld(const std::vector<std::string> &localFiles, const TAskReplace &ask);
  // Deletes each name; a failure is reported through failed and the next
  // name is tried (until a cancel). The list is read again afterwards.
  // Returns the names deleted.
  std::vector<std::string> Delete(const std::vector<std::string> &names,
                                  const std::function<void(const std::string &name)> &failed);

private:
  // Tells progress; true when the run is to stop before file done.
  bool Stop(int done, int total) const;

  TRemoteApi &m_api;
  std::vector<std::string> m_names;
  THandheldProgress m_progress;
  const std::atomic<bool> *m_cancel = nullptr;
};

} // namespace korv
