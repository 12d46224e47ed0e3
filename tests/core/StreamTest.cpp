#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

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
