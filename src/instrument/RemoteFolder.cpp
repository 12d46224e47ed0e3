#include "instrument/RemoteFolder.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <system_error>
#include <thread>
#include <unistd.h>

#include "core/FileIO.h"

namespace korv {

namespace {

char16_t Lower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }

bool SameName(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char16_t x, char16_t y) { return Lower(x) == Lower(y); });
}

// * and ? in any case, as the device matches names.
bool WildcardMatch(std::u16string_view pattern, std::u16string_view name) {
  std::size_t p = 0, n = 0, star = std::u16string_view::npos, mark = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == u'?' || Lower(pattern[p]) == Lower(name[n]))) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == u'*') {
      star = p++;
      mark = n;
    } else if (star != std::u16string_view::npos) {
      p = star + 1;
      n = ++mark;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == u'*')
    ++p;
  return p == pattern.size();
}

bool HasWildcards(std::u16string_view s) { return s.find_first_of(u"*?") != std::u16string_view::npos; }

// What the device refuses in a name, and what would leave the device folder.
bool SafeComponent(std::u16string_view c, bool wildcards) {
  if (c.empty() || c == u"." || c == u"..") return false;
  for (char16_t ch : c) {
    if (ch < 0x20 || ch == 0x7F || ch == u'/' || ch == u':' || ch == u'"' || ch == u'<' || ch == u'>' || ch == u'|')
      return false;
    if (!wildcards && (ch == u'*' || ch == u'?')) return false;
  }
  return true;
}

// The entry of folder whose name equals name in any case; name itself when
// there is none (a file still to be made).
std::string Resolve(const std::string &folder, const std::string &name) {
  struct stat st {};
  if (::lstat((folder + "/" + name).c_str(), &st) == 0) return name;
  DIR *dir = ::opendir(folder.c_str());
  if (dir == nullptr) return name;
  const std::u16string wanted = Utf8ToUtf16(name, true);
  std::string found = name;
  while (const dirent *e = ::readdir(dir)) {
    if (SameName(Utf8ToUtf16(e->d_name, true), wanted)) {
      found = e->d_name;
      break;
    }
  }
  ::closedir(dir);
  return found;
}

std::string FolderOf(const std::string &path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

std::string NameOf(const std::string &path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// 0 when files may be made and removed in folder. Permission bits count even
// for the superuser, as a write-protected device folder does.
int FolderWritable(const std::string &folder) {
  struct stat st {};
  if (::stat(folder.c_str(), &st) != 0) return errno;
  if (!S_ISDIR(st.st_mode)) return ENOTDIR;
  struct statvfs vfs {};
  if (::statvfs(folder.c_str(), &vfs) == 0 && (vfs.f_flag & ST_RDONLY) != 0) return EROFS;
  if ((st.st_mode & 0222) == 0 || ::access(folder.c_str(), W_OK | X_OK) != 0) return EACCES;
  return 0;
}

double DayCount(const struct timespec &t) {
  return 25569.0 + (static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9) / 86400.0;
}

// Puts from in place of to; fails with EEXIST when to exists and replace is
// false. File systems without an atomic no-replace rename get a check first.
int Rename(const std::string &from, const std::string &to, bool replace) {
  if (replace) return platform::ReplaceFile(from, to);
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return errno;
  struct stat st {};
  if (::lstat(to.c_str(), &st) == 0) return EEXIST;
  return platform::ReplaceFile(from, to);
}

} // namespace

TFolderRemoteApi::TFolderRemoteApi(std::string root) : m_root(std::move(root)) {
  while (m_root.size() > 1 && m_root.back() == '/')
    m_root.pop_back();
}

TFolderRemoteApi::~TFolderRemoteApi() { DiscardOpenFiles(); }

std::string TFolderRemoteApi::ErrorText(std::uint32_t code) const {
  if (code == 0) return {};
  return std::error_code(static_cast<int>(code), std::generic_category()).message();
}

bool TFolderRemoteApi::Fail(int err) {
  m_lastError = static_cast<std::uint32_t>(err);
  return false;
}

TCeHandle TFolderRemoteApi::NewHandle() {
  do {
    ++m_nextHandle;
  } while (!IsValidCeHandle(m_nextHandle) || m_files.count(m_nextHandle) != 0 || m_finds.count(m_nextHandle) != 0);
  return m_nextHandle;
}

std::string TFolderRemoteApi::LocalPath(const std::u16string &remote, int &err, bool wildcards) const {
  err = EINVAL;
  if (remote.size() > kMaxRemotePath) {
    err = ENAMETOOLONG;
    return {};
  }
  if (remote.empty() || remote[0] != u'\\') return {};
  std::vector<std::u16string> parts;
  std::size_t start = 1;
  for (;;) {
    const std::size_t end = remote.find(u'\\', start);
    parts.push_back(remote.substr(start, end == std::u16string::npos ? std::u16string::npos : end - start));
    if (end == std::u16string::npos) break;
    start = end + 1;
  }
  std::string path = m_root;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const bool last = i + 1 == parts.size();
    if (!SafeComponent(parts[i], wildcards && last)) return {};
    const std::string name = Utf16ToUtf8(parts[i]);
    path += "/" + (last && wildcards && HasWildcards(parts[i]) ? name : Resolve(path, name));
  }
  err = 0;
  return path;
}

std::uint32_t TFolderRemoteApi::DoRapiInitEx(TRapiInit &init) {
  // A mount that stopped answering (a network share, a device pulled out)
  // can block a look at it for long: the look runs on its own thread and the
  // caller waits only as long as it wants for the event.
  auto result = std::make_shared<std::promise<std::int32_t>>();
  init.heRapiInit = result->get_future().share();
  try {
    std::thread([result, root = m_root] {
      // A root with control characters is no folder a user chose: cut at a
      // NUL it would reach another one.
      const bool plain = std::none_of(root.begin(), root.end(), [](char c) {
        const auto b = static_cast<unsigned char>(c);
        return b < 0x20 || b == 0x7F;
      });
      struct stat st {};
      const bool ok =
          plain && ::stat(root.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && ::access(root.c_str(), R_OK | X_OK) == 0;
      result->set_value(ok ? kCeSuccess : kCeFail);
    }).detach();
  } catch (const std::system_error &) {
    init.heRapiInit = {};
    return static_cast<std::uint32_t>(kCeFail);
  }
  m_connected = true;
  return 0;
}

std::uint32_t TFolderRemoteApi::DoRapiUnInit() {
  DiscardOpenFiles();
  m_connected = false;
  return 0;
}

void TFolderRemoteApi::DiscardOpenFiles() {
  for (auto &[handle, file] : m_files) {
    file.Fd.Close();
    if (file.Writing) ::unlink(file.Temporary.c_str());
  }
  m_files.clear();
  m_finds.clear();
}

bool TFolderRemoteApi::Matching(const std::u16string &pattern, std::vector<TCeFindData> &found) {
  found.clear();
  if (!m_connected) return Fail(ENOTCONN);
  int err = 0;
  const std::string path = LocalPath(pattern, err, true);
  if (path.empty()) return Fail(err);
  const std::string folder = FolderOf(path);
  const std::u16string wanted = Utf8ToUtf16(NameOf(path), true);
  DIR *dir = ::opendir(folder.c_str());
  if (dir == nullptr) return Fail(errno);
  // Hidden entries (our own temporaries among them) only when asked for by
  // a pattern that starts with a dot.
  const bool hidden = !wanted.empty() && wanted[0] == u'.';
  while (const dirent *e = ::readdir(dir)) {
    const std::string name = e->d_name;
    if (name == "." || name == ".." || (name[0] == '.' && !hidden)) continue;
    const std::u16string wide = Utf8ToUtf16(name, true);
    if (!WildcardMatch(wanted, wide)) continue;
    struct stat st {};
    if (::fstatat(::dirfd(dir), name.c_str(), &st, 0) != 0) continue;
    TCeFindData d;
    d.FileName = wide;
    d.FileAttributes = S_ISDIR(st.st_mode) ? kCeAttributeDirectory : kCeAttributeNormal;
    d.CreationTime = DayCount(st.st_mtim);
    found.push_back(std::move(d));
  }
  ::closedir(dir);
  std::sort(found.begin(), found.end(), [](const TCeFindData &a, const TCeFindData &b) {
    return std::lexicographical_compare(a.FileName.begin(), a.FileName.end(), b.FileName.begin(), b.FileName.end(),
                                        [](char16_t x, char16_t y) { return Lower(x) < Lower(y); });
  });
  return true;
}

bool TFolderRemoteApi::DoFindAllFiles(const std::u16string &pattern, std::uint32_t, std::vector<TCeFindData> &found) {
  return Matching(pattern, found);
}

TCeHandle TFolderRemoteApi::DoFindFirstFile(const std::u16string &name, TCeFindData &data) {
  std::vector<TCeFindData> found;
  if (!Matching(name, found)) return kCeInvalidHandle;
  if (found.empty()) {
    Fail(ENOENT);
    return kCeInvalidHandle;
  }
  data = found.front();
  const TCeHandle h = NewHandle();
  m_finds.insert(h);
  return h;
}

bool TFolderRemoteApi::DoFindClose(TCeHandle find) { return m_finds.erase(find) > 0 || Fail(EBADF); }

TCeHandle TFolderRemoteApi::DoCreateFile(const std::u16string &name, std::uint32_t access, std::uint32_t,
                                         std::uint32_t creation, std::uint32_t) {
  if (!m_connected) {
    Fail(ENOTCONN);
    return kCeInvalidHandle;
  }
  int err = 0;
  const std::string path = LocalPath(name, err);
  if (path.empty()) {
    Fail(err);
    return kCeInvalidHandle;
  }
  TOpenFile file;
  struct stat st {};
  const bool exists = ::stat(path.c_str(), &st) == 0;
  if (access == kCeGenericRead && creation == kCeOpenExisting) {
    // Only regular files: a device or FIFO planted in the folder is never opened.
    if (!exists) {
      Fail(errno);
      return kCeInvalidHandle;
    }
    if (!S_ISREG(st.st_mode)) {
      Fail(S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
      return kCeInvalidHandle;
    }
    file.Fd = platform::OpenForReading(path, err);
    struct stat opened {};
    if (file.Fd.Valid() && (::fstat(file.Fd.Get(), &opened) != 0 || !S_ISREG(opened.st_mode))) err = EINVAL;
    if (err != 0) {
      Fail(err);
      return kCeInvalidHandle;
    }
  } else if (access == kCeGenericWrite && (creation == kCeCreateNew || creation == kCeCreateAlways)) {
    const std::string folder = FolderOf(path);
    if (const int e = FolderWritable(folder); e != 0) {
      Fail(e);
      return kCeInvalidHandle;
    }
    if (exists && creation == kCeCreateNew) {
      Fail(EEXIST);
      return kCeInvalidHandle;
    }
    if (exists && !S_ISREG(st.st_mode)) {
      Fail(S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
      return kCeInvalidHandle;
    }
    // The device keeps a read-only file; so do we.
    if (exists && (st.st_mode & 0222) == 0) {
      Fail(EACCES);
      return kCeInvalidHandle;
    }
    file.Writing = true;
    file.Replace = creation == kCeCreateAlways;
    file.Target = path;
    file.Temporary = folder + "/.korv-transfer.XXXXXX";
    file.Fd = platform::CreateTemporary(file.Temporary, platform::DefaultFileMode(), err);
    if (!file.Fd.Valid()) {
      Fail(err);
      return kCeInvalidHandle;
    }
  } else {
    Fail(EINVAL);
    return kCeInvalidHandle;
  }
  const TCeHandle h = NewHandle();
  m_files.emplace(h, std::move(file));
  return h;
}

bool TFolderRemoteApi::DoReadFile(TCeHandle handle, std::uint8_t *buffer, std::uint32_t size, std::uint32_t &read) {
  const auto it = m_files.find(handle);
  if (it == m_files.end() || it->second.Writing) return Fail(EBADF);
  for (;;) {
    const ssize_t n = ::read(it->second.Fd.Get(), buffer, size);
    if (n >= 0) {
      read = static_cast<std::uint32_t>(n);
      return true;
    }
    if (errno != EINTR) return Fail(errno);
  }
}

bool TFolderRemoteApi::DoWriteFile(TCeHandle handle, const std::uint8_t *buffer, std::uint32_t size,
                                   std::uint32_t &written) {
  const auto it = m_files.find(handle);
  if (it == m_files.end() || !it->second.Writing) return Fail(EBADF);
  if (const int e = platform::WriteAll(it->second.Fd.Get(), buffer, size); e != 0) {
    it->second.Failed = true;
    return Fail(e);
  }
  written = size;
  return true;
}

bool TFolderRemoteApi::DoCloseHandle(TCeHandle handle) {
  if (m_finds.erase(handle) > 0) return true;
  const auto it = m_files.find(handle);
  if (it == m_files.end()) return Fail(EBADF);
  TOpenFile file = std::move(it->second);
  m_files.erase(it);
  if (!file.Writing) return true;
  int err = file.Failed ? EIO : platform::SyncFile(file.Fd.Get());
  file.Fd.Close();
  if (err == 0) err = Rename(file.Temporary, file.Target, file.Replace);
  if (err != 0) {
    ::unlink(file.Temporary.c_str());
    return Fail(err);
  }
  (void)platform::SyncFolder(FolderOf(file.Target));
  return true;
}

bool TFolderRemoteApi::DoDeleteFile(const std::u16string &name) {
  if (!m_connected) return Fail(ENOTCONN);
  int err = 0;
  const std::string path = LocalPath(name, err);
  if (path.empty()) return Fail(err);
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return Fail(errno);
  if (S_ISDIR(st.st_mode)) return Fail(EISDIR);
  if (const int e = FolderWritable(FolderOf(path)); e != 0) return Fail(e);
  if (S_ISREG(st.st_mode) && (st.st_mode & 0222) == 0) return Fail(EACCES);
  if (::unlink(path.c_str()) != 0) return Fail(errno);
  return true;
}

} // namespace korv
