#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "TestHelpers.h"
#include "core/Buffer.h"
#include "core/Crc16.h"
#include "core/Excption.h"
#include "core/MOXDirList.h"
#include "core/SAFileStream.h"

using namespace korv;

TEST(Crc16, PublishedCheckValueAndSelfCheck) {
  const std::string check = "123456789";
  const auto *p = reinterpret_cast<const std::uint8_t *>(check.data());
  EXPECT_EQ(Crc16Umts(p, 9), 0xFEE8);
  // The program's routine pads an odd length with one zero byte.
  std::vector<std::uint8_t> padded(p, p + 9);
  padded.push_back(0);
  EXPECT_EQ(Crc16(p, 9), Crc16Umts(padded.data(), 10));
  const std::uint16_t crc = Crc16(padded.data(), padded.size());
  padded.push_back(static_cast<std::uint8_t>(crc >> 8));
  padded.push_back(static_cast<std::uint8_t>(crc & 0xFF));
  EXPECT_EQ(Crc16(padded.data(), padded.size()), 0);
}

TEST(Crc16, TableRoutineMatchesBitwiseDefinition) {
  auto bitwise = [](const std::vector<std::uint8_t> &d) {
    unsigned crc = 0;
    for (std::uint8_t byte : d) {
      crc ^= static_cast<unsigned>(byte) << 8;
      for (int b = 0; b < 8; ++b)
        crc = (crc & 0x8000U) ? ((crc << 1) ^ 0x8005U) & 0xFFFFU : (crc << 1) & 0xFFFFU;
    }
    return crc;
  };
  std::vector<std::uint8_t> data;
  std::uint32_t x = 12345;
  for (std::size_t len = 0; len < 300; ++len) {
    ASSERT_EQ(Crc16Umts(data.data(), data.size()), bitwise(data)) << len;
    x = x * 1103515245U + 12345U;
    data.push_back(static_cast<std::uint8_t>(x >> 16));
  }
}

TEST(SAFileStream, LineEndsAndEmptyLinesSkipped) {
  TempDir dir;
  const auto path = dir.File("a.txt");
  std::ofstream(path, std::ios::binary) << "A\r\n\r\n\r\nB";
  TSAFileStream s(path, false, TSAFileStream::smInput);
  EXPECT_EQ(s.ReadLine(), "A");
  EXPECT_EQ(s.ReadLine(), "B");
  EXPECT_TRUE(s.AtEnd());
  try {
    s.ReadLine();
    FAIL();
  } catch (const ESAFileStream_Exception &e) {
    EXPECT_STREQ(e.what(), "End of File");
  }
  EXPECT_THROW(s.WriteLine("x"), Exception);
  // Bytes above 127 never end a line.
  auto m = TSAFileStream::FromBytes("m", {'x', 0x8D, 0x8A, 'y', '\n'});
  EXPECT_EQ(m.ReadLine(), "x\x8D\x8Ay");
}

TEST(SAFileStream, CrcTrailerOnOddLength) {
  TempDir dir;
  const auto path = dir.File("out.bin");
  TSAFileStream s(path, true, TSAFileStream::smOutput);
  s.Write("12345");
  s.Store();
  const auto bytes = ReadWholeFile(path);
  ASSERT_EQ(bytes.size(), 8U);
  EXPECT_EQ(bytes[5], 0);
  EXPECT_EQ(Crc16(bytes.data(), bytes.size()), 0);
}

TEST(SAFileStream, GrowsPastFixedBufferAndFailsCleanly) {
  TempDir dir;
  const auto path = dir.File("big.bin");
  TSAFileStream s(path, false, TSAFileStream::smOutput);
  const std::string chunk(4096, 'z');
  for (int i = 0; i < 200; ++i)
    s.Write(chunk);
  s.Store();
  EXPECT_EQ(std::filesystem::file_size(path), 200U * 4096U);
  // A file that cannot be opened reports the system error number.
  try {
    TSAFileStream in(dir.File("missing"), false, TSAFileStream::smInput);
    FAIL();
  } catch (const ESAFileStream_Exception &e) {
    EXPECT_NE(std::string(e.what()).find("Err = 2"), std::string::npos);
  }
  // A failed store leaves the previous file and no temporary behind.
  TSAFileStream bad(dir.File("nodir/x.kdt"), true, TSAFileStream::smOutput);
  bad.WriteLine("x");
  EXPECT_THROW(bad.Store(), ESAFileStream_Exception);
  int entries = 0;
  for ([[maybe_unused]] const auto &e : std::filesystem::directory_iterator(dir.Path()))
    ++entries;
  EXPECT_EQ(entries, 1);
}

TEST(Buffer, RingLimits) {
  TBuffer b;
  for (int i = 0; i < TBuffer::kSize; ++i)
    b.Put(static_cast<std::uint8_t>(i));
  try {
    b.Put(1);
    FAIL();
  } catch (const Exception &e) {
    EXPECT_STREQ(e.what(), "Buffer is full.");
  }
  EXPECT_EQ(b.Get(), 0);
  b.Put(0xAB);
  EXPECT_EQ(b.Count(), TBuffer::kSize);
  for (int i = 1; i < TBuffer::kSize; ++i)
    ASSERT_EQ(b.Get(), static_cast<std::uint8_t>(i));
  EXPECT_EQ(b.Get(), 0xAB);
  EXPECT_THROW(b.Get(), Exception);
  b.Put(5);
  b.Clear();
  EXPECT_EQ(b.Count(), 0);
  EXPECT_THROW(b.Get(), Exception);
}

TEST(DirList, IndexChecks) {
  TmoxDirList l;
  l.Add("T1", 3, 100.5);
  l.Add("T2", 500, 200.25);
  EXPECT_EQ(l.Number(1), 500);
  EXPECT_EQ(l.Text(0), "T1");
  EXPECT_DOUBLE_EQ(l.Time(1), 200.25);
  try {
    l.Number(2);
    FAIL();
  } catch (const Exception &e) {
    EXPECT_STREQ(e.what(), "Index out of range: 2");
  }
  l.Clear();
  EXPECT_EQ(l.Count(), 0);
}

namespace {
std::string CauseOfRead(const std::string &path) {
  try {
    ReadWholeFile(path);
  } catch (const ESAFileStream_Exception &e) {
    return e.Cause;
  }
  return "read";
}
std::string CauseOfWrite(const std::string &path) {
  try {
    WriteWholeFileAtomic(path, Bytes("new"));
  } catch (const ESAFileStream_Exception &e) {
    return e.Cause;
  }
  return "written";
}
std::string Slurp(const std::string &path) {
  const auto b = ReadWholeFile(path);
  return {b.begin(), b.end()};
}
} // namespace

TEST(ReadWholeFile, RefusesWhatIsNoSmallRegularFile) {
  TempDir dir;
  EXPECT_EQ(CauseOfRead(dir.File("missing")), "No such file or directory");
  EXPECT_EQ(CauseOfRead(dir.Path().string()), "Is a directory");
  // Devices and FIFOs are refused before they are opened: neither never-ending
  // nor blocking.
  EXPECT_EQ(CauseOfRead("/dev/zero"), "This is not a regular file (a device, pipe or socket).");
  const std::string fifo = dir.File("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(CauseOfRead(fifo), "This is not a regular file (a device, pipe or socket).");
  // A sparse file above the limit is refused without reading it.
  const std::string big = dir.File("big.kdt");
  std::ofstream(big).close();
  std::filesystem::resize_file(big, kMaxReadFileSize + 1);
  EXPECT_EQ(CauseOfRead(big), kMsgFileTooLarge);
  std::filesystem::resize_file(big, 10);
  EXPECT_EQ(ReadWholeFile(big).size(), 10U);
  const std::string loop = dir.File("loop");
  std::filesystem::create_symlink(loop, loop);
  EXPECT_EQ(CauseOfRead(loop), "Too many levels of symbolic links");
  // A name with a NUL (from a damaged settings file) would read the file
  // named by its first part.
  EXPECT_EQ(CauseOfRead(big + std::string(1, '\0') + "x"), "Invalid argument");
}

TEST(WriteWholeFileAtomic, TargetsThatMustNotBeReplaced) {
  TempDir dir;
  const std::string ro = dir.File("ro.kdt");
  WriteWholeFileAtomic(ro, Bytes("old"));
  std::filesystem::permissions(ro, std::filesystem::perms::owner_read | std::filesystem::perms::group_read |
                                       std::filesystem::perms::others_read);
  EXPECT_EQ(CauseOfWrite(ro), "Permission denied");
  EXPECT_EQ(Slurp(ro), "old");
  EXPECT_EQ(CauseOfWrite("/dev/null"), "The target is not a regular file (a device, pipe, socket or folder).");
  EXPECT_TRUE(std::filesystem::is_character_file("/dev/null"));
  EXPECT_EQ(CauseOfWrite(dir.Path().string()), "The target is not a regular file (a device, pipe, socket or folder).");
  const std::string loop = dir.File("loop.kdt");
  std::filesystem::create_symlink(loop, loop);
  EXPECT_EQ(CauseOfWrite(loop), "Too many levels of symbolic links");
  EXPECT_EQ(CauseOfWrite(ro + std::string(1, '\0') + ".bak"), "Invalid argument");
  EXPECT_EQ(Slurp(ro), "old");
}

TEST(WriteWholeFileAtomic, WritesThroughSymbolicLinks) {
  TempDir dir;
  std::filesystem::create_directory(dir.Path() / "real");
  WriteWholeFileAtomic(dir.File("real/doc.kdt"), Bytes("old"));
  // A relative link to a relative link.
  std::filesystem::create_symlink("real/doc.kdt", dir.Path() / "a.kdt");
  std::filesystem::create_symlink("a.kdt", dir.Path() / "b.kdt");
  WriteWholeFileAtomic(dir.File("b.kdt"), Bytes("new"));
  EXPECT_TRUE(std::filesystem::is_symlink(dir.Path() / "a.kdt"));
  EXPECT_TRUE(std::filesystem::is_symlink(dir.Path() / "b.kdt"));
  EXPECT_EQ(Slurp(dir.File("real/doc.kdt")), "new");
  // A dangling link gets its file.
  std::filesystem::create_symlink(dir.File("real/later.kdt"), dir.Path() / "c.kdt");
  WriteWholeFileAtomic(dir.File("c.kdt"), Bytes("x"));
  EXPECT_EQ(Slurp(dir.File("real/later.kdt")), "x");
  EXPECT_TRUE(std::filesystem::is_symlink(dir.Path() / "c.kdt"));
}

TEST(WriteWholeFileAtomic, RemovesTemporariesOfDeadWriters) {
  TempDir dir;
  const pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  ASSERT_GT(child, 0);
  ::waitpid(child, nullptr, 0);
  const auto leftover = [&](const std::string &name) {
    std::ofstream(dir.File(name)) << "partial";
    return dir.Path() / name;
  };
  const auto dead = leftover(".doc.kdt." + std::to_string(child) + ".Ab12Cd");
  const auto alive = leftover(".doc.kdt." + std::to_string(::getppid()) + ".Ab12Cd");
  const auto oldUnmarked = leftover(".doc.kdt.Zz9Yy8");
  const auto newUnmarked = leftover(".doc.kdt.Qq1Ww2");
  const auto otherTarget = leftover(".other.kdt." + std::to_string(child) + ".Ab12Cd");
  std::filesystem::last_write_time(oldUnmarked, std::filesystem::file_time_type::clock::now() - std::chrono::hours(2));
  WriteWholeFileAtomic(dir.File("doc.kdt"), Bytes("doc"));
  EXPECT_FALSE(std::filesystem::exists(dead));
  EXPECT_FALSE(std::filesystem::exists(oldUnmarked));
  EXPECT_TRUE(std::filesystem::exists(alive));
  EXPECT_TRUE(std::filesystem::exists(newUnmarked));
  EXPECT_TRUE(std::filesystem::exists(otherTarget));
  EXPECT_EQ(Slurp(dir.File("doc.kdt")), "doc");
}
