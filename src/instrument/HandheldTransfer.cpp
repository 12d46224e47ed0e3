#include "instrument/HandheldTransfer.h"

#include <filesystem>
#include <system_error>

#include "core/Excption.h"
#include "instrument/RAPI2.h"

namespace korv {

namespace {

std::string BaseName(const std::string &path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Whether to copy onto an existing target; All turns the questions off.
bool MayReplace(const TAskReplace &ask, const std::string &name, bool &replaceAll) {
  if (replaceAll) return true;
  switch (ask ? ask(name) : TReplaceAnswer::No) {
  case TReplaceAnswer::No: return false;
  case TReplaceAnswer::All: replaceAll = true; return true;
  case TReplaceAnswer::Yes: return true;
  }
  return false;
}

} // namespace

bool TKP418Transfer::Stop(int done, int total) const {
  if (m_progress) m_progress(done, total);
  return m_cancel != nullptr && m_cancel->load() && done < total;
}

void TKP418Transfer::Connect() { ConnectRemote(m_api); }

void TKP418Transfer::Disconnect() { m_api.CeRapiUnInit(); }

const std::vector<std::string> &TKP418Transfer::RefreshList() {
  m_names = ListRemoteFiles(m_api, kVantorTracePattern);
  return m_names;
}

std::string TKP418Transfer::PCFolder(const std::string &folderText) {
  if (folderText.empty()) throw ERAPI2Exception(kMsgLocalCreate, kMsgNoPCFolder);
  std::string folder = folderText;
  if (folder.back() != '/') folder += '/';
  std::error_code ec;
  if (!std::filesystem::is_directory(folder, ec)) {
    std::filesystem::create_directories(folder, ec);
    if (ec) throw ERAPI2Exception(kMsgLocalCreate, ec.message());
  }
  return folder;
}

TCopyReport TKP418Transfer::CopyToPC(const std::string &folderText, const std::vector<std::string> &names,
                                     const TAskReplace &ask) {
  TCopyReport report;
  bool replaceAll = false;
  const int total = static_cast<int>(names.size());
  for (int i = 0; i < total; ++i) {
    if (Stop(i, total)) {
      report.Cancelled = true;
      return report;
    }
    const std::string &name = names[static_cast<std::size_t>(i)];
    const std::string local = PCFolder(folderText) + name;
    std::error_code ec;
    if (std::filesystem::symlink_status(local, ec).type() != std::filesystem::file_type::not_found &&
        !MayReplace(ask, name, replaceAll)) {
      report.Skipped.push_back(name);
      continue;
    }
    CopyRemoteToLocal(m_api, local, VantorTracePath(name));
    report.Copied.push_back(local);
  }
  Stop(total, total);
  return report;
}

TCopyReport TKP418Transfer::CopyToHandheld(const std::vector<std::string> &localFiles, const TAskReplace &ask) {
  TCopyReport report;
  bool replaceAll = false;
  const int total = static_cast<int>(localFiles.size());
  try {
    for (int i = 0; i < total; ++i) {
      if (Stop(i, total)) {
        report.Cancelled = true;
        break;
      }
      const std::string &file = localFiles[static_cast<std::size_t>(i)];
      const std::string name = BaseName(file);
      const std::string remote = VantorTracePath(name);
      bool overwrite = false;
      if (replaceAll || RemoteFileExists(m_api, remote)) {
        if (!MayReplace(ask, name, replaceAll)) {
          report.Skipped.push_back(name);
          continue;
        }
        overwrite = true;
      }
      CopyLocalToRemote(m_api, file, remote, overwrite);
      report.Copied.push_back(remote);
    }
    if (!report.Cancelled) Stop(total, total);
  } catch (...) {
    RefreshList();
    throw;
  }
  RefreshList();
  return report;
}

std::vector<std::string> TKP418Transfer::Delete(const std::vector<std::string> &names,
                                                const std::function<void(const std::string &name)> &failed) {
  std::vector<std::string> deleted;
  const int total = static_cast<int>(names.size());
  for (int i = 0; i < total; ++i) {
    if (Stop(i, total)) break;
    const std::string &name = names[static_cast<std::size_t>(i)];
    if (DeleteRemoteFile(m_api, VantorTracePath(name)))
      deleted.push_back(name);
    else if (failed)
      failed(name);
  }
  RefreshList();
  return deleted;
}

} // namespace korv
