#include "instrument/RAPI2.h"

#include <chrono>

#include "core/Excption.h"
#include "core/FileIO.h"
#include "core/SAFileStream.h"

namespace korv {

namespace {

std::u16string Wide(const std::string &path) { return Utf8ToUtf16(path, true); }

[[noreturn]] void Raise(TRemoteApi &api, const char *message) {
  throw ERAPI2Exception(message, api.ErrorText(api.CeGetLastError()));
}

// Closes a remote handle however the copy ends.
class TRemoteHandleGuard {
public:
  TRemoteHandleGuard(TRemoteApi &api, TCeHandle handle) : m_api(api), m_handle(handle) {}
  ~TRemoteHandleGuard() {
    if (IsValidCeHandle(m_handle)) m_api.CeCloseHandle(m_handle);
  }
  TRemoteHandleGuard(const TRemoteHandleGuard &) = delete;
  TRemoteHandleGuard &operator=(const TRemoteHandleGuard &) = delete;
  TRemoteHandleGuard(TRemoteHandleGuard &&) = delete;
  TRemoteHandleGuard &operator=(TRemoteHandleGuard &&) = delete;
  // Closes now and tells whether that worked (for a write: whether the file
  // took its name).
  bool Close() {
    const TCeHandle h = m_handle;
    m_handle = kCeInvalidHandle;
    return m_api.CeCloseHandle(h);
  }

private:
  TRemoteApi &m_api;
  TCeHandle m_handle;
};

std::string CauseOf(const ESAFileStream_Exception &e) { return e.Cause.empty() ? e.Message() : e.Cause; }

} // namespace

std::string VantorTracePath(const std::string &name) { return kVantorTraceFolder + name; }

void ConnectRemote(TRemoteApi &api, int timeoutMs) {
  TRapiInit init;
  bool made = api.CeRapiInitEx(init) == 0 && init.heRapiInit.valid();
  if (made) {
    made = init.heRapiInit.wait_for(std::chrono::milliseconds(timeoutMs)) == std::future_status::ready &&
           init.heRapiInit.get() >= 0;
  }
  if (!made) {
    api.CeRapiUnInit();
    throw EmoxVantorCommError(kMsgRapiInit);
  }
}

bool RemoteFileExists(TRemoteApi &api, const std::string &remotePath) {
  TCeFindData data;
  const TCeHandle h = api.CeFindFirstFile(Wide(remotePath), data);
  if (!IsValidCeHandle(h)) return false;
  api.CeFindClose(h);
  return true;
}

std::vector<std::string> ListRemoteFiles(TRemoteApi &api, const std::string &pattern) {
  std::vector<TCeFindData> found;
  std::vector<std::string> names;
  if (!api.CeFindAllFiles(Wide(pattern), kCeFafName | kCeFafCreationTime, found)) return names;
  for (const TCeFindData &d : found)
    if ((d.FileAttributes & kCeAttributeDirectory) == 0) names.push_back(Utf16ToUtf8(d.FileName));
  return names;
}

void CopyRemoteToLocal(TRemoteApi &api, const std::string &localPath, const std::string &remotePath) {
  const TCeHandle h = api.CeCreateFile(Wide(remotePath), kCeGenericRead, 0, kCeOpenExisting, kCeAttributeNormal);
  if (!IsValidCeHandle(h)) Raise(api, kMsgRemoteOpen);
  TRemoteHandleGuard guard(api, h);
  // The whole file first: a copy that breaks off leaves the local file as it was.
  std::vector<std::uint8_t> bytes;
  std::vector<std::uint8_t> block(kRemoteBlockSize);
  for (;;) {
    std::uint32_t got = 0;
    if (!api.CeReadFile(h, block.data(), kRemoteBlockSize, got)) Raise(api, kMsgReadData);
    if (got == 0) break;
    if (bytes.size() + got > kMaxReadFileSize) throw ERAPI2Exception(kMsgReadData, kMsgFileTooLarge);
    bytes.insert(bytes.end(), block.begin(), block.begin() + got);
  }
  guard.Close();
  try {
    WriteWholeFileAtomic(localPath, bytes);
  } catch (const ESAFileStream_Exception &e) {
    throw ERAPI2Exception(kMsgLocalCreate, CauseOf(e));
  }
}

void CopyLocalToRemote(TRemoteApi &api, const std::string &localPath, const std::string &remotePath, bool overwrite) {
  // The local file is read before the device is touched, so a file that
  // cannot be read leaves nothing behind on it.
  std::vector<std::uint8_t> bytes;
  try {
    bytes = ReadWholeFile(localPath);
  } catch (const ESAFileStream_Exception &e) {
    throw ERAPI2Exception(kMsgLocalCreate, CauseOf(e));
  }
  const TCeHandle h = api.CeCreateFile(Wide(remotePath), kCeGenericWrite, 0, overwrite ? kCeCreateAlways : kCeCreateNew,
                                       kCeAttributeNormal);
  if (!IsValidCeHandle(h)) Raise(api, kMsgRemoteOpen);
  TRemoteHandleGuard guard(api, h);
  for (std::size_t done = 0; done < bytes.size();) {
    const auto size = static_cast<std::uint32_t>(std::min<std::size_t>(kRemoteBlockSize, bytes.size() - done));
    std::uint32_t written = 0;
    if (!api.CeWriteFile(h, bytes.data() + done, size, written) || written == 0) Raise(api, kMsgReadData);
    done += written;
  }
  // The file takes its name only now; a failure here means it was not written.
  if (!guard.Close()) Raise(api, kMsgReadData);
}

bool DeleteRemoteFile(TRemoteApi &api, const std::string &remotePath) { return api.CeDeleteFile(Wide(remotePath)); }

} // namespace korv
