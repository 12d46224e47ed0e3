#include "instrument/RAPI.h"

namespace korv {

// Each wrapper answers with the API's failure value when the backend cannot
// be reached, so callers never need to ask first.

std::uint32_t TRemoteApi::CeRapiInitEx(TRapiInit &init) { return Loaded() ? DoRapiInitEx(init) : kRapiMissing; }

std::uint32_t TRemoteApi::CeRapiUnInit() { return Loaded() ? DoRapiUnInit() : kRapiMissing; }

bool TRemoteApi::CeFindAllFiles(const std::u16string &pattern, std::uint32_t flags, std::vector<TCeFindData> &found) {
  found.clear();
  return Loaded() && DoFindAllFiles(pattern, flags, found);
}

TCeHandle TRemoteApi::CeFindFirstFile(const std::u16string &name, TCeFindData &data) {
  return Loaded() ? DoFindFirstFile(name, data) : kRapiMissing;
}

bool TRemoteApi::CeFindClose(TCeHandle find) { return Loaded() && IsValidCeHandle(find) && DoFindClose(find); }

TCeHandle TRemoteApi::CeCreateFile(const std::u16string &name, std::uint32_t access, std::uint32_t share,
                                   std::uint32_t creation, std::uint32_t attributes) {
  return Loaded() ? DoCreateFile(name, access, share, creation, attributes) : kRapiMissing;
}

bool TRemoteApi::CeReadFile(TCeHandle file, std::uint8_t *buffer, std::uint32_t size, std::uint32_t &read) {
  read = 0;
  return Loaded() && IsValidCeHandle(file) && DoReadFile(file, buffer, size, read);
}

bool TRemoteApi::CeWriteFile(TCeHandle file, const std::uint8_t *buffer, std::uint32_t size, std::uint32_t &written) {
  written = 0;
  return Loaded() && IsValidCeHandle(file) && DoWriteFile(file, buffer, size, written);
}

bool TRemoteApi::CeCloseHandle(TCeHandle handle) {
  return Loaded() && IsValidCeHandle(handle) && DoCloseHandle(handle);
}

bool TRemoteApi::CeDeleteFile(const std::u16string &name) { return Loaded() && DoDeleteFile(name); }

std::uint32_t TRemoteApi::CeGetLastError() { return Loaded() ? DoGetLastError() : 0; }

} // namespace korv
