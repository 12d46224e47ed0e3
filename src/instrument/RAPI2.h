#pragma once
// File helpers over the remote interface: what the transfer dialog and
// `korvtool handheld` do with the handheld's trace folder. Failures raise
// ERAPI2Exception with the texts below (and the cause when it is known).
#include <string>
#include <vector>

#include "instrument/RAPI.h"

namespace korv {

// The handheld keeps its traces here.
inline constexpr const char *kVantorTraceFolder = "\\FlashFX Disk\\My Traces\\";
inline constexpr const char *kVantorTracePattern = "\\FlashFX Disk\\My Traces\\*.vnf";

inline constexpr const char *kMsgRapiInit = "Unable to load and initialize RAPI";
inline constexpr const char *kMsgRemoteOpen = "Unable to open the remote file. Check the ActiveSync connection.";
inline constexpr const char *kMsgLocalCreate = "Unable to create the local file. Check the ActiveSync connection.";
inline constexpr const char *kMsgReadData = "Unable to read data. Check the ActiveSync connection.";
// How long a connection may take to come up.
inline constexpr int kRapiInitTimeoutMs = 5000;
// Copies move blocks of this size.
inline constexpr std::uint32_t kRemoteBlockSize = 4096;

// The remote path of a trace file of the handheld's folder.
std::string VantorTracePath(const std::string &name);

// Starts the connection and waits for it; a failure (no device set up, the
// device absent, no answer in time) releases the API again and raises
// EmoxVantorCommError kMsgRapiInit.
void ConnectRemote(TRemoteApi &api, int timeoutMs = kRapiInitTimeoutMs);

// Paths are UTF-8; the API gets them as wide strings.
bool RemoteFileExists(TRemoteApi &api, const std::string &remotePath);
// Names of the files (not folders) that match; empty when the search fails.
std::vector<std::string> ListRemoteFiles(TRemoteApi &api, const std::string &pattern);
// Replaces localPath atomically; nothing is written unless the whole remote
// file was read.
void CopyRemoteToLocal(TRemoteApi &api, const std::string &localPath, const std::string &remotePath);
// Without overwrite a remote file of that name is never replaced.
void CopyLocalToRemote(TRemoteApi &api, const std::string &localPath, const std::string &remotePath, bool overwrite);
bool DeleteRemoteFile(TRemoteApi &api, const std::string &remotePath);

} // namespace korv
