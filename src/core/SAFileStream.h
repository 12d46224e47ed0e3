#pragma once
// Whole-file streams: an input stream reads the file at once and hands it
// out line by line; an output stream collects text in memory and stores it
// in one go (optionally with a CRC-16 trailer) when Store() is called.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace korv {

class TSAFileStream {
public:
  enum Mode : std::int32_t { smInput = 0, smOutput = 1 };

  // Input mode reads the whole file now (throws ESAFileStream_Exception);
  // output mode only reserves its buffer.
  TSAFileStream(std::string fileName, bool crcFlag, Mode mode);
  // An input stream over bytes already in memory.
  static TSAFileStream FromBytes(std::string fileName, std::vector<std::uint8_t> bytes);

  void Reset() { m_position = 0; }
  // Next non-empty line; runs of CR and LF are skipped in one step.
  // Throws ESAFileStream_Exception "End of File" at the end.
  std::string ReadLine();
  bool AtEnd() const { return m_position >= m_data.size(); }
  void WriteLine(std::string_view text);
  void Write(std::string_view text);
  // Output mode: appends the CRC trailer when asked for and writes the file
  // atomically (temporary file in the same folder, then rename), so the
  // previous file survives any failure. Throws ESAFileStream_Exception.
  void Store();

  const std::string &FileName() const { return m_fileName; }
  Mode GetMode() const { return m_mode; }
  const std::vector<std::uint8_t> &Data() const { return m_data; }
  std::size_t Position() const { return m_position; }
  std::size_t Size() const { return m_data.size(); }
  // The bytes that Store() writes (text, pad byte and trailer).
  std::vector<std::uint8_t> StoredBytes() const;

private:
  TSAFileStream() = default;
  void CheckWritable() const;
  std::string m_fileName;
  bool m_crcFlag = false;
  Mode m_mode = smInput;
  std::vector<std::uint8_t> m_data;
  std::size_t m_position = 0;
};

// Every document the program can hold must open again once written (its
// largest form is worked out beside the document format, core/DocFile.h). A
// larger file is refused before it is read.
inline constexpr std::uint64_t kMaxReadFileSize = 192ULL * 1024 * 1024;
inline constexpr const char *kMsgFileTooLarge = "The file is larger than 192 MB.";

// Reads a whole regular file of at most kMaxReadFileSize bytes; devices,
// pipes and sockets are refused before they are opened (a FIFO never
// blocks). Throws ESAFileStream_Exception with the system error.
std::vector<std::uint8_t> ReadWholeFile(const std::string &fileName);
// Writes a whole file atomically: a temporary file in the target's folder,
// then a rename. A symbolic link is written through (the link stays), a
// read-only file or a target that is not a regular file is refused, and
// temporaries of earlier saves whose writer is gone are removed. Throws
// ESAFileStream_Exception.
void WriteWholeFileAtomic(const std::string &fileName, const std::vector<std::uint8_t> &bytes);

} // namespace korv
