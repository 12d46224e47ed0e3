#include "core/SAFileStream.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/Crc16.h"
#include "core/Excption.h"
#include "core/PlatformFile.h"

namespace korv {

namespace {
std::string OpenError(int err) {
  return "CreateFileW() failed with INVALID_HANDLE_VALUE. Err = " + std::to_string(err);
}

[[noreturn]] void ThrowSystemError(int err) { throw ESAFileStream_Exception(OpenError(err), std::strerror(err)); }

[[noreturn]] void ThrowNotRegular(bool forWriting) {
  const std::string what = forWriting ? "The target is not a regular file (a device, pipe, socket or folder)."
                                      : "This is not a regular file (a device, pipe or socket).";
  throw ESAFileStream_Exception(what, what);
}

std::string FolderOf(const std::string &path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
}

std::string BaseOf(const std::string &path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The file a save really replaces: a symbolic link is followed to the file
// it names, so the link stays a link. Throws ELOOP for a circle of links.
std::string ResolveWriteTarget(const std::string &fileName) {
  std::string path = fileName;
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    std::vector<char> buf(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 255) + 1);
    const ssize_t n = ::readlink(path.c_str(), buf.data(), buf.size());
    if (n < 0) ThrowSystemError(errno);
    if (static_cast<std::size_t>(n) >= buf.size()) ThrowSystemError(ENAMETOOLONG);
    const std::string link(buf.data(), static_cast<std::size_t>(n));
    if (link.front() == '/') {
      path = link;
    } else {
      path = FolderOf(path);
      path += '/';
      path += link;
    }
  }
  ThrowSystemError(ELOOP);
}

// Temporary names carry the writer's process id: ".name.kdt.PID.XXXXXX".
std::string TempPrefix(const std::string &base) { return "." + base + "."; }

bool AllDigits(std::string_view s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Removes the temporaries that killed saves of the same target left behind:
// those whose writer no longer runs, and unmarked ones from older versions
// once they are clearly stale.
void RemoveStaleTemporaries(const std::string &dir, const std::string &base) {
  DIR *d = ::opendir(dir.c_str());
  if (d == nullptr) return;
  const std::string prefix = TempPrefix(base);
  const pid_t self = ::getpid();
  while (const dirent *e = ::readdir(d)) {
    const std::string_view name = e->d_name;
    if (name.size() < prefix.size() + 6 || name.compare(0, prefix.size(), prefix) != 0) continue;
    const std::string_view rest = name.substr(prefix.size());
    const std::string path = dir + "/" + std::string(name);
    const auto dot = rest.find('.');
    bool stale = false;
    if (dot != std::string_view::npos && rest.size() - dot - 1 == 6 && AllDigits(rest.substr(0, dot)) && dot < 10) {
      const auto pid = static_cast<pid_t>(std::stol(std::string(rest.substr(0, dot))));
      stale = pid != self && pid > 0 && ::kill(pid, 0) != 0 && errno == ESRCH;
    } else if (rest.size() == 6 && rest.find('.') == std::string_view::npos) {
      struct stat st {};
      stale = ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && std::time(nullptr) - st.st_mtime > 600;
    }
    if (stale) ::unlink(path.c_str());
  }
  ::closedir(d);
}
} // namespace

std::vector<std::uint8_t> ReadWholeFile(const std::string &fileName) {
  // The system would stop at a NUL and read another file than the one named.
  if (fileName.find('\0') != std::string::npos) ThrowSystemError(EINVAL);
  // Look before opening: a FIFO would block the open, a device never ends.
  struct stat st {};
  if (::stat(fileName.c_str(), &st) != 0) ThrowSystemError(errno);
  if (S_ISDIR(st.st_mode)) ThrowSystemError(EISDIR);
  if (!S_ISREG(st.st_mode)) ThrowNotRegular(false);
  if (static_cast<std::uint64_t>(st.st_size) > kMaxReadFileSize)
    throw ESAFileStream_Exception(kMsgFileTooLarge, kMsgFileTooLarge);
  // Non-blocking, in case the name was replaced by a FIFO since the look.
  int err = 0;
  const platform::TFileDescriptor f = platform::OpenForReading(fileName, err);
  if (!f.Valid()) ThrowSystemError(err);
  if (::fstat(f.Get(), &st) != 0) ThrowSystemError(errno);
  if (!S_ISREG(st.st_mode)) ThrowNotRegular(false);
  std::vector<std::uint8_t> data;
  data.reserve(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 0));
  std::uint8_t chunk[65536];
  for (;;) {
    const ssize_t n = ::read(f.Get(), chunk, sizeof chunk);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw ESAFileStream_Exception("Error while reading file. Buffer length is unexpected.", std::strerror(errno));
    }
    if (n == 0) break;
    data.insert(data.end(), chunk, chunk + n);
    // A file that grows while we read it is held to the same limit.
    if (data.size() > kMaxReadFileSize) throw ESAFileStream_Exception(kMsgFileTooLarge, kMsgFileTooLarge);
  }
  return data;
}

void WriteWholeFileAtomic(const std::string &fileName, const std::vector<std::uint8_t> &bytes) {
  if (fileName.find('\0') != std::string::npos) ThrowSystemError(EINVAL);
  const std::string target = ResolveWriteTarget(fileName);
  struct stat st {};
  const bool exists = ::stat(target.c_str(), &st) == 0;
  if (exists) {
    // Renaming over a device or folder would destroy it, or fail half-way.
    if (!S_ISREG(st.st_mode)) ThrowNotRegular(true);
    // A rename would replace a file the user made read-only; refuse as the
    // system would for an in-place write (even when we may bypass it).
    if (::access(target.c_str(), W_OK) != 0 || (st.st_mode & 0222) == 0) ThrowSystemError(EACCES);
  }
  const std::string dir = FolderOf(target);
  const std::string base = BaseOf(target);
  RemoveStaleTemporaries(dir, base);
  std::string tmpName = dir + "/" + TempPrefix(base) + std::to_string(::getpid()) + ".XXXXXX";
  // Keep the permissions of the file we replace; new files get the usual 0666 & ~umask.
  int err = 0;
  platform::TFileDescriptor f =
      platform::CreateTemporary(tmpName, exists ? st.st_mode & 07777 : platform::DefaultFileMode(), err);
  if (!f.Valid()) ThrowSystemError(err);
  err = platform::WriteAll(f.Get(), bytes.data(), bytes.size());
  // On the disk before the rename: a crash must leave the old file or the new one, never an empty one.
  if (err == 0) err = platform::SyncFile(f.Get());
  f.Close();
  if (err == 0) err = platform::ReplaceFile(tmpName, target);
  // The new file is in place; a folder that cannot be synced (some file
  // systems refuse) does not undo the save, so its failure is not reported.
  if (err == 0) (void)platform::SyncFolder(dir);
  if (err != 0) {
    ::unlink(tmpName.c_str());
    if (err == ENOSPC || err == EDQUOT || err == EIO)
      throw ESAFileStream_Exception("Error while writing the file. Buffer length is unexpected.", std::strerror(err));
    ThrowSystemError(err);
  }
}

TSAFileStream::TSAFileStream(std::string fileName, bool crcFlag, Mode mode)
    : m_fileName(std::move(fileName)), m_crcFlag(crcFlag), m_mode(mode) {
  if (mode == smInput) {
    m_data = ReadWholeFile(m_fileName);
  } else {
    m_data.reserve(524288);
  }
}

TSAFileStream TSAFileStream::FromBytes(std::string fileName, std::vector<std::uint8_t> bytes) {
  TSAFileStream s;
  s.m_fileName = std::move(fileName);
  s.m_mode = smInput;
  s.m_data = std::move(bytes);
  return s;
}

std::string TSAFileStream::ReadLine() {
  if (m_position >= m_data.size()) throw ESAFileStream_Exception("End of File");
  const std::size_t start = m_position;
  while (m_position < m_data.size() && m_data[m_position] != 13 && m_data[m_position] != 10)
    ++m_position;
  std::string line(reinterpret_cast<const char *>(m_data.data()) + start, m_position - start);
  while (m_position < m_data.size() && (m_data[m_position] == 13 || m_data[m_position] == 10))
    ++m_position;
  return line;
}

void TSAFileStream::CheckWritable() const {
  if (m_mode != smOutput) throw Exception("Error writing to stream. The Stream is an input stream.");
}

void TSAFileStream::Write(std::string_view text) {
  CheckWritable();
  // Writes land at the position; the buffer grows instead of failing.
  const std::size_t end = m_position + text.size();
  if (end > m_data.size()) m_data.resize(end);
  std::copy(text.begin(), text.end(), m_data.begin() + static_cast<std::ptrdiff_t>(m_position));
  m_position = end;
}

void TSAFileStream::WriteLine(std::string_view text) {
  Write(text);
  Write("\r\n");
}

std::vector<std::uint8_t> TSAFileStream::StoredBytes() const {
  std::vector<std::uint8_t> out = m_data;
  if (m_crcFlag) {
    if (out.size() % 2 != 0) out.push_back(0);
    const std::uint16_t crc = Crc16(out.data(), out.size());
    out.push_back(static_cast<std::uint8_t>(crc >> 8));
    out.push_back(static_cast<std::uint8_t>(crc & 0xFF));
  }
  return out;
}

void TSAFileStream::Store() {
  CheckWritable();
  WriteWholeFileAtomic(m_fileName, StoredBytes());
}

} // namespace korv
