#include "core/SAFileStream.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/Crc16.h"
#include "core/Excption.h"

namespace korv {

namespace {
std::string OpenError(int err) {
  return "CreateFileW() failed with INVALID_HANDLE_VALUE. Err = " + std::to_string(err);
}

struct Fd {
  int fd = -1;
  ~Fd() {
    if (fd >= 0) ::close(fd);
  }
};
} // namespace

std::vector<std::uint8_t> ReadWholeFile(const std::string &fileName) {
  Fd f;
  f.fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
  if (f.fd < 0) throw ESAFileStream_Exception(OpenError(errno));
  struct stat st {};
  if (::fstat(f.fd, &st) != 0) throw ESAFileStream_Exception(OpenError(errno));
  if (S_ISDIR(st.st_mode)) throw ESAFileStream_Exception(OpenError(EISDIR));
  std::vector<std::uint8_t> data;
  data.reserve(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 0));
  std::uint8_t chunk[65536];
  for (;;) {
    const ssize_t n = ::read(f.fd, chunk, sizeof chunk);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw ESAFileStream_Exception("Error while reading file. Buffer length is unexpected.");
    }
    if (n == 0) break;
    data.insert(data.end(), chunk, chunk + n);
  }
  return data;
}

void WriteWholeFileAtomic(const std::string &fileName, const std::vector<std::uint8_t> &bytes) {
  const auto slash = fileName.find_last_of('/');
  const std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : fileName.substr(0, slash));
  const std::string base = slash == std::string::npos ? fileName : fileName.substr(slash + 1);
  std::string tmpl = dir + "/." + base + ".XXXXXX";
  std::vector<char> name(tmpl.begin(), tmpl.end());
  name.push_back('\0');
  const int fd = ::mkstemp(name.data());
  if (fd < 0) throw ESAFileStream_Exception(OpenError(errno));
  const std::string tmpName(name.data());
  bool ok = false;
  int err = 0;
  {
    Fd f;
    f.fd = fd;
    // Keep the permissions of the file we replace; new files get the usual 0666 & ~umask.
    struct stat st {};
    if (::stat(fileName.c_str(), &st) == 0) {
      (void)::fchmod(fd, st.st_mode & 07777);
    } else {
      const mode_t mask = ::umask(0);
      ::umask(mask);
      (void)::fchmod(fd, 0666 & ~mask);
    }
    std::size_t done = 0;
    ok = true;
    while (done < bytes.size()) {
      const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
      if (n < 0) {
        if (errno == EINTR) continue;
        err = errno;
        ok = false;
        break;
      }
      done += static_cast<std::size_t>(n);
    }
    if (ok && ::fsync(fd) != 0) {
      err = errno;
      ok = false;
    }
  }
  if (ok && std::rename(tmpName.c_str(), fileName.c_str()) != 0) {
    err = errno;
    ok = false;
  }
  if (!ok) {
    ::unlink(tmpName.c_str());
    if (err == ENOSPC || err == EDQUOT || err == EIO)
      throw ESAFileStream_Exception("Error while writing the file. Buffer length is unexpected.");
    throw ESAFileStream_Exception(OpenError(err));
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
