#pragma once
// The POSIX calls behind whole-file reads and atomic saves, in one unit:
// open flags, descriptor ownership, complete writes and the syncs that make
// a replaced file survive a crash. Functions report failures as errno
// values (0 for success); callers turn them into their own exceptions.
#include <cstddef>
#include <cstdint>
#include <string>

namespace korv::platform {

// Owns one open descriptor and closes it once.
class TFileDescriptor {
public:
  TFileDescriptor() = default;
  explicit TFileDescriptor(int fd) : m_fd(fd) {}
  TFileDescriptor(TFileDescriptor &&other) noexcept : m_fd(other.m_fd) { other.m_fd = -1; }
  TFileDescriptor &operator=(TFileDescriptor &&other) noexcept;
  TFileDescriptor(const TFileDescriptor &) = delete;
  TFileDescriptor &operator=(const TFileDescriptor &) = delete;
  ~TFileDescriptor() { Close(); }
  int Get() const { return m_fd; }
  bool Valid() const { return m_fd >= 0; }
  void Close();

private:
  int m_fd = -1;
};

// Opens for reading, close-on-exec and non-blocking, so a name that became a
// FIFO cannot hang the caller. Sets err on failure.
TFileDescriptor OpenForReading(const std::string &path, int &err);
// Creates a new file from a template ending in "XXXXXX" (replaced in place
// by the unique name) and gives it the permission bits mode.
TFileDescriptor CreateTemporary(std::string &nameTemplate, unsigned mode, int &err);
// The permission bits a new file gets by default (0666 less the umask).
unsigned DefaultFileMode();
// Writes every byte, going on after interruptions and short writes.
int WriteAll(int fd, const std::uint8_t *data, std::size_t size);
// Flushes the file's data to the disk.
int SyncFile(int fd);
// Flushes a folder's entries, so a rename inside it is on the disk too.
int SyncFolder(const std::string &folder);
// Atomically puts from in place of to (both in one folder).
int ReplaceFile(const std::string &from, const std::string &to);

} // namespace korv::platform
