#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "TestHelpers.h"
#include "core/PlatformFile.h"
#include "core/SAFileStream.h"

using namespace korv;

namespace {

unsigned ModeOf(const std::string &path) {
  struct stat st {};
  EXPECT_EQ(::stat(path.c_str(), &st), 0);
  return st.st_mode & 07777;
}

} // namespace

TEST(PlatformFile, TemporariesAreUniqueWithTheAskedModeAndNotInherited) {
  TempDir dir;
  std::string a = dir.File(".doc.XXXXXX");
  std::string b = a;
  int err = -1;
  const platform::TFileDescriptor fa = platform::CreateTemporary(a, 0640, err);
  ASSERT_TRUE(fa.Valid());
  EXPECT_EQ(err, 0);
  const platform::TFileDescriptor fb = platform::CreateTemporary(b, 0600, err);
  ASSERT_TRUE(fb.Valid());
  EXPECT_NE(a, b);
  EXPECT_EQ(a.find("XXXXXX"), std::string::npos);
  EXPECT_EQ(ModeOf(a), 0640U);
  EXPECT_EQ(ModeOf(b), 0600U);
  // A serial helper or viewer started later must not hold the temporary open.
  EXPECT_NE(::fcntl(fa.Get(), F_GETFD) & FD_CLOEXEC, 0);

  std::string missing = dir.File("no/such/.doc.XXXXXX");
  EXPECT_FALSE(platform::CreateTemporary(missing, 0600, err).Valid());
  EXPECT_EQ(err, ENOENT);
}

TEST(PlatformFile, WriteSyncReplaceAndTheirFailures) {
  TempDir dir;
  std::string tmp = dir.File(".doc.XXXXXX");
  int err = -1;
  platform::TFileDescriptor f = platform::CreateTemporary(tmp, 0644, err);
  ASSERT_TRUE(f.Valid());
  const auto bytes = Bytes(std::string(200000, 'k'));
  EXPECT_EQ(platform::WriteAll(f.Get(), bytes.data(), bytes.size()), 0);
  EXPECT_EQ(platform::SyncFile(f.Get()), 0);
  f.Close();
  EXPECT_FALSE(f.Valid());
  EXPECT_EQ(platform::ReplaceFile(tmp, dir.File("doc.kdt")), 0);
  EXPECT_EQ(platform::SyncFolder(dir.Path().string()), 0);
  EXPECT_EQ(std::filesystem::file_size(dir.File("doc.kdt")), bytes.size());
  EXPECT_FALSE(std::filesystem::exists(tmp));

  EXPECT_EQ(platform::ReplaceFile(tmp, dir.File("doc.kdt")), ENOENT);
  EXPECT_EQ(platform::SyncFolder(dir.File("none")), ENOENT);
  EXPECT_EQ(platform::SyncFolder(dir.File("doc.kdt")), ENOTDIR);
  const platform::TFileDescriptor ro = platform::OpenForReading(dir.File("doc.kdt"), err);
  ASSERT_TRUE(ro.Valid());
  EXPECT_EQ(platform::WriteAll(ro.Get(), bytes.data(), 1), EBADF);
}

TEST(PlatformFile, OpeningAFifoForReadingDoesNotWaitForAWriter) {
  TempDir dir;
  const std::string fifo = dir.File("pipe");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  int err = -1;
  const platform::TFileDescriptor f = platform::OpenForReading(fifo, err);
  EXPECT_TRUE(f.Valid());
  const platform::TFileDescriptor none = platform::OpenForReading(dir.File("none"), err);
  EXPECT_FALSE(none.Valid());
  EXPECT_EQ(err, ENOENT);
}

TEST(WriteWholeFileAtomic, KeepsTheModeOfTheReplacedFileAndGivesNewFilesTheDefault) {
  TempDir dir;
  const std::string kept = dir.File("kept.kdt");
  WriteWholeFileAtomic(kept, Bytes("old"));
  ASSERT_EQ(::chmod(kept.c_str(), 0604), 0);
  WriteWholeFileAtomic(kept, Bytes("new"));
  EXPECT_EQ(ModeOf(kept), 0604U);
  const mode_t old = ::umask(027);
  WriteWholeFileAtomic(dir.File("fresh.kdt"), Bytes("x"));
  ::umask(old);
  EXPECT_EQ(ModeOf(dir.File("fresh.kdt")), 0640U);
}
