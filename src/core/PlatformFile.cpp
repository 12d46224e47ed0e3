#include "core/PlatformFile.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace korv::platform {

TFileDescriptor &TFileDescriptor::operator=(TFileDescriptor &&other) noexcept {
  if (this != &other) {
    Close();
    m_fd = other.m_fd;
    other.m_fd = -1;
  }
  return *this;
}

void TFileDescriptor::Close() {
  if (m_fd >= 0) ::close(m_fd);
  m_fd = -1;
}

TFileDescriptor OpenForReading(const std::string &path, int &err) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  err = fd < 0 ? errno : 0;
  return TFileDescriptor(fd);
}

TFileDescriptor CreateTemporary(std::string &nameTemplate, unsigned mode, int &err) {
  const int fd = ::mkostemp(nameTemplate.data(), O_CLOEXEC);
  if (fd < 0) {
    err = errno;
    return {};
  }
  err = 0;
  // mkostemp gives 0600. Some file systems (FAT on a card) keep no bits and
  // refuse; the file is still good to write, so that is no failure.
  (void)::fchmod(fd, static_cast<mode_t>(mode & 07777));
  return TFileDescriptor(fd);
}

unsigned DefaultFileMode() {
  // umask can only be read by setting it; put it straight back.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666U & ~static_cast<unsigned>(mask);
}

int WriteAll(int fd, const std::uint8_t *data, std::size_t size) {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::write(fd, data + done, size - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    done += static_cast<std::size_t>(n);
  }
  return 0;
}

int SyncFile(int fd) {
  while (::fsync(fd) != 0) {
    if (errno != EINTR) return errno;
  }
  return 0;
}

int SyncFolder(const std::string &folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return errno;
  const TFileDescriptor dir(fd);
  return SyncFile(dir.Get());
}

int ReplaceFile(const std::string &from, const std::string &to) {
  return std::rename(from.c_str(), to.c_str()) != 0 ? errno : 0;
}

} // namespace korv::platform
