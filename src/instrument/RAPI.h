#pragma once
// The handheld's remote file interface: the few calls of the Windows CE
// remote API the transfer needs, each behind a wrapper that answers with the
// API's failure value when no backend is there (the "library" could not be
// loaded). A backend implements the protected Do* calls; the one we ship
// reaches a handheld mounted as a folder (RemoteFolder.h).
#include <cstddef>
#include <cstdint>
#include <future>
#include <string>
#include <vector>

namespace korv {

using TCeHandle = std::uint32_t;
// What a wrapper returns from initialise, uninitialise, find-first and
// create-file when the backend is missing.
inline constexpr std::uint32_t kRapiMissing = 0xFFFF;
// The invalid handle of the API (INVALID_HANDLE_VALUE).
inline constexpr TCeHandle kCeInvalidHandle = 0xFFFFFFFFU;
// True for a handle a call may use: not 0, not the invalid handle and not
// the wrappers' failure value.
constexpr bool IsValidCeHandle(TCeHandle h) { return h != 0 && h != kCeInvalidHandle && h != kRapiMissing; }

// Result codes (HRESULT): negative is failure.
inline constexpr std::int32_t kCeSuccess = 0;
inline constexpr std::int32_t kCeFail = static_cast<std::int32_t>(0x80004005U);

// CeCreateFile arguments.
inline constexpr std::uint32_t kCeGenericRead = 0x80000000U;
inline constexpr std::uint32_t kCeGenericWrite = 0x40000000U;
inline constexpr std::uint32_t kCeCreateNew = 1;
inline constexpr std::uint32_t kCeCreateAlways = 2;
inline constexpr std::uint32_t kCeOpenExisting = 3;
inline constexpr std::uint32_t kCeAttributeDirectory = 0x10;
inline constexpr std::uint32_t kCeAttributeNormal = 0x80;
// CeFindAllFiles flags: names and creation times.
inline constexpr std::uint32_t kCeFafCreationTime = 0x02;
inline constexpr std::uint32_t kCeFafName = 0x80;

// Remote paths are wide strings of at most this many characters.
inline constexpr std::size_t kMaxRemotePath = 512;

struct TCeFindData {
  std::uint32_t FileAttributes = 0;
  double CreationTime = 0; // day count
  std::u16string FileName;
};

// The init record: its event is signalled (the future becomes ready) when
// initialising has finished, with the result code as its value.
struct TRapiInit {
  std::uint32_t cbSize = 12;
  std::shared_future<std::int32_t> heRapiInit;
};

class TRemoteApi {
public:
  TRemoteApi() = default;
  TRemoteApi(const TRemoteApi &) = delete;
  TRemoteApi &operator=(const TRemoteApi &) = delete;
  TRemoteApi(TRemoteApi &&) = delete;
  TRemoteApi &operator=(TRemoteApi &&) = delete;
  virtual ~TRemoteApi() = default;

  // 0 when initialising has started; the record's event then tells the end.
  std::uint32_t CeRapiInitEx(TRapiInit &init);
  std::uint32_t CeRapiUnInit();
  // False (0) when the search failed; found holds the entries that match the
  // last component's wildcards (* and ?, any case).
  bool CeFindAllFiles(const std::u16string &pattern, std::uint32_t flags, std::vector<TCeFindData> &found);
  TCeHandle CeFindFirstFile(const std::u16string &name, TCeFindData &data);
  bool CeFindClose(TCeHandle find);
  TCeHandle CeCreateFile(const std::u16string &name, std::uint32_t access, std::uint32_t share, std::uint32_t creation,
                         std::uint32_t attributes);
  bool CeReadFile(TCeHandle file, std::uint8_t *buffer, std::uint32_t size, std::uint32_t &read);
  bool CeWriteFile(TCeHandle file, const std::uint8_t *buffer, std::uint32_t size, std::uint32_t &written);
  // A file written through a handle takes its name here (on success only).
  bool CeCloseHandle(TCeHandle handle);
  bool CeDeleteFile(const std::u16string &name);
  // The system's error code of the last failed call (0 when unknown).
  std::uint32_t CeGetLastError();

  // The backend can be reached at all (the library of the original API).
  virtual bool Loaded() const = 0;
  // Words for an error code of CeGetLastError (empty when unknown).
  virtual std::string ErrorText(std::uint32_t code) const = 0;

protected:
  virtual std::uint32_t DoRapiInitEx(TRapiInit &init) = 0;
  virtual std::uint32_t DoRapiUnInit() = 0;
  virtual bool DoFindAllFiles(const std::u16string &pattern, std::uint32_t flags, std::vector<TCeFindData> &found) = 0;
  virtual TCeHandle DoFindFirstFile(const std::u16string &name, TCeFindData &data) = 0;
  virtual bool DoFindClose(TCeHandle find) = 0;
  virtual TCeHandle DoCreateFile(const std::u16string &name, std::uint32_t access, std::uint32_t share,
                                 std::uint32_t creation, std::uint32_t attributes) = 0;
  virtual bool DoReadFile(TCeHandle file, std::uint8_t *buffer, std::uint32_t size, std::uint32_t &read) = 0;
  virtual bool DoWriteFile(TCeHandle file, const std::uint8_t *buffer, std::uint32_t size, std::uint32_t &written) = 0;
  virtual bool DoCloseHandle(TCeHandle handle) = 0;
  virtual bool DoDeleteFile(const std::u16string &name) = 0;
  virtual std::uint32_t DoGetLastError() = 0;
};

} // namespace korv
