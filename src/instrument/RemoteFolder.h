#pragma once
// The remote file interface over a handheld mounted as a folder (USB
// storage, or a folder a desktop link keeps in step with the device).
// "\FlashFX Disk\My Traces\a.vnf" is "<root>/FlashFX Disk/My Traces/a.vnf";
// names match in any case, as on the device.
//
// Writes never show a half file under the real name: a file opened for
// writing is a hidden temporary in the target's folder until its handle is
// closed, and only then renamed into place (without overwriting for a
// create-new open). A write that failed discards the temporary at close.
#include <map>
#include <set>
#include <string>

#include "core/PlatformFile.h"
#include "instrument/RAPI.h"

namespace korv {

class TFolderRemoteApi : public TRemoteApi {
public:
  // root: the device's folder (UTF-8); empty means no device is set up.
  explicit TFolderRemoteApi(std::string root);
  ~TFolderRemoteApi() override;
  TFolderRemoteApi(const TFolderRemoteApi &) = delete;
  TFolderRemoteApi &operator=(const TFolderRemoteApi &) = delete;
  TFolderRemoteApi(TFolderRemoteApi &&) = delete;
  TFolderRemoteApi &operator=(TFolderRemoteApi &&) = delete;

  const std::string &Root() const { return m_root; }
  bool Loaded() const override { return !m_root.empty(); }
  std::string ErrorText(std::uint32_t code) const override;
  // The local path of a remote path; empty (err set) when the path is no
  // safe remote path (relative, "." or "..", a slash, control characters,
  // characters the device refuses, too long).
  std::string LocalPath(const std::u16string &remote, int &err, bool wildcards = false) const;

protected:
  std::uint32_t DoRapiInitEx(TRapiInit &init) override;
  std::uint32_t DoRapiUnInit() override;
  bool DoFindAllFiles(const std::u16string &pattern, std::uint32_t flags, std::vector<TCeFindData> &found) override;
  TCeHandle DoFindFirstFile(const std::u16string &name, TCeFindData &data) override;
  bool DoFindClose(TCeHandle find) override;
  TCeHandle DoCreateFile(const std::u16string &name, std::uint32_t access, std::uint32_t share, std::uint32_t creation,
                         std::uint32_t attributes) override;
  bool DoReadFile(TCeHandle file, std::uint8_t *buffer, std::uint32_t size, std::uint32_t &read) override;
  bool DoWriteFile(TCeHandle file, const std::uint8_t *buffer, std::uint32_t size, std::uint32_t &written) override;
  bool DoCloseHandle(TCeHandle handle) override;
  bool DoDeleteFile(const std::u16string &name) override;
  std::uint32_t DoGetLastError() override { return m_lastError; }

private:
  struct TOpenFile {
    platform::TFileDescriptor Fd;
    bool Writing = false;
    bool Replace = false;
    bool Failed = false;
    std::string Temporary;
    std::string Target;
  };
  bool Fail(int err);
  TCeHandle NewHandle();
  bool Matching(const std::u16string &pattern, std::vector<TCeFindData> &found);
  void DiscardOpenFiles();

  std::string m_root;
  bool m_connected = false;
  std::uint32_t m_lastError = 0;
  TCeHandle m_nextHandle = 1;
  std::map<TCeHandle, TOpenFile> m_files;
  std::set<TCeHandle> m_finds;
};

} // namespace korv
