#include <atomic>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sys/resource.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "core/Excption.h"
#include "core/TestHelpers.h"
#include "formats/DocumentIO.h"
#include "formats/VantorFile.h"
#include "instrument/HandheldInfo.h"
#include "instrument/HandheldTransfer.h"
#include "instrument/RAPI2.h"
#include "instrument/RemoteFolder.h"

using namespace korv;
namespace fs = std::filesystem;

namespace {

void Put(const fs::path &p, const std::string &text) {
  fs::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary) << text;
}

std::string Get(const fs::path &p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> Entries(const fs::path &dir) {
  std::vector<std::string> names;
  for (const auto &e : fs::directory_iterator(dir))
    names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// A handheld folder with its trace folder, connected.
struct Device {
  TempDir Dir;
  fs::path Traces = Dir.Path() / "dev" / "FlashFX Disk" / "My Traces";
  TFolderRemoteApi Api{(Dir.Path() / "dev").string()};
  Device() {
    fs::create_directories(Traces);
    ConnectRemote(Api);
  }
};

// Removes the write bits of a folder for the test's duration.
struct ReadOnly {
  explicit ReadOnly(fs::path p) : Path(std::move(p)) {
    fs::permissions(Path, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
  }
  ~ReadOnly() { fs::permissions(Path, fs::perms::owner_write, fs::perm_options::add); }
  ReadOnly(const ReadOnly &) = delete;
  ReadOnly &operator=(const ReadOnly &) = delete;
  fs::path Path;
};

std::string Pattern(std::size_t n) {
  std::string s;
  for (std::size_t i = 0; i < n; ++i)
    s += static_cast<char>('A' + i % 23 + (i / 4096) % 3);
  return s;
}

} // namespace

TEST(RemoteApi, MissingDeviceFailsEveryCallWithItsFailureValue) {
  TFolderRemoteApi none("");
  TRapiInit init;
  EXPECT_EQ(none.CeRapiInitEx(init), kRapiMissing);
  EXPECT_EQ(none.CeRapiUnInit(), kRapiMissing);
  TCeFindData data;
  EXPECT_EQ(none.CeFindFirstFile(u"\\x", data), kRapiMissing);
  EXPECT_EQ(none.CeCreateFile(u"\\x", kCeGenericRead, 0, kCeOpenExisting, kCeAttributeNormal), kRapiMissing);
  std::vector<TCeFindData> found;
  EXPECT_FALSE(none.CeFindAllFiles(u"\\*", kCeFafName, found));
  std::uint8_t b[4];
  std::uint32_t n = 7;
  EXPECT_FALSE(none.CeReadFile(5, b, 4, n));
  EXPECT_EQ(n, 0U);
  EXPECT_FALSE(none.CeWriteFile(5, b, 4, n));
  EXPECT_FALSE(none.CeCloseHandle(5));
  try {
    ConnectRemote(none);
    FAIL() << "connected without a device";
  } catch (const EmoxVantorCommError &e) {
    EXPECT_EQ(e.Message(), kMsgRapiInit);
  }
  // A folder that is not there (the device unplugged) fails the same way.
  TempDir dir;
  TFolderRemoteApi absent(dir.File("unplugged"));
  EXPECT_THROW(ConnectRemote(absent, 2000), EmoxVantorCommError);
  // ...and so does a file where the folder should be.
  Put(dir.File("plain"), "x");
  TFolderRemoteApi file(dir.File("plain"));
  EXPECT_THROW(ConnectRemote(file, 2000), EmoxVantorCommError);
}

TEST(RemoteApi, ListsTraceFilesInAnyCaseAndNothingElse) {
  Device d;
  EXPECT_TRUE(ListRemoteFiles(d.Api, kVantorTracePattern).empty());
  Put(d.Traces / "b.vnf", "b");
  Put(d.Traces / "A.VNF", "a");
  Put(d.Traces / "notes.txt", "n");
  Put(d.Traces / ".korv-transfer.abc123", "half");
  fs::create_directories(d.Traces / "folder.vnf");
  EXPECT_EQ(ListRemoteFiles(d.Api, kVantorTracePattern), (std::vector<std::string>{"A.VNF", "b.vnf"}));
  // The device's names match in any case, folders included.
  EXPECT_TRUE(RemoteFileExists(d.Api, "\\flashfx disk\\MY TRACES\\a.vnf"));
  EXPECT_FALSE(RemoteFileExists(d.Api, VantorTracePath("c.vnf")));
  // A trace folder that is missing lists nothing.
  fs::remove_all(d.Traces);
  EXPECT_TRUE(ListRemoteFiles(d.Api, kVantorTracePattern).empty());
}

TEST(RemoteApi, PathsThatLeaveTheDeviceAreRefused) {
  Device d;
  Put(d.Dir.Path() / "outside.vnf", "secret");
  const std::string out = d.Dir.File("copy");
  for (const char *bad : {"\\FlashFX Disk\\My Traces\\..\\..\\..\\outside.vnf", "\\FlashFX Disk/../../outside.vnf",
                          "FlashFX Disk\\My Traces\\x.vnf", "\\FlashFX Disk\\\\x.vnf", "\\a\\b:c"}) {
    EXPECT_FALSE(RemoteFileExists(d.Api, bad)) << bad;
    EXPECT_THROW(CopyRemoteToLocal(d.Api, out, bad), ERAPI2Exception) << bad;
    EXPECT_FALSE(DeleteRemoteFile(d.Api, bad)) << bad;
  }
  EXPECT_FALSE(fs::exists(out));
  EXPECT_EQ(Get(d.Dir.Path() / "outside.vnf"), "secret");
  EXPECT_THROW(CopyRemoteToLocal(d.Api, out, std::string(600, 'x')), ERAPI2Exception);
  // A root cut at a NUL would be the folder before it.
  TFolderRemoteApi cut((d.Dir.Path() / "dev").string() + std::string(1, '\0') + "/elsewhere");
  EXPECT_THROW(ConnectRemote(cut), EmoxVantorCommError);
}

TEST(RemoteApi, CopiesBothWaysInBlocksAndNeverOverwritesUnasked) {
  Device d;
  const std::string body = Pattern(3 * 4096 + 17);
  Put(d.Dir.Path() / "pc" / "site.vnf", body);
  CopyLocalToRemote(d.Api, d.Dir.File("pc/site.vnf"), VantorTracePath("site.vnf"), false);
  EXPECT_EQ(Get(d.Traces / "site.vnf"), body);
  EXPECT_EQ(Entries(d.Traces), (std::vector<std::string>{"site.vnf"})); // no temporary left

  // Create-new refuses an existing file and leaves it as it was.
  Put(d.Dir.Path() / "pc" / "site.vnf", "newer");
  try {
    CopyLocalToRemote(d.Api, d.Dir.File("pc/site.vnf"), VantorTracePath("site.vnf"), false);
    FAIL() << "overwrote without being asked";
  } catch (const ERAPI2Exception &e) {
    EXPECT_EQ(e.Message(), kMsgRemoteOpen);
    EXPECT_FALSE(e.Cause.empty());
  }
  EXPECT_EQ(Get(d.Traces / "site.vnf"), body);
  CopyLocalToRemote(d.Api, d.Dir.File("pc/site.vnf"), VantorTracePath("SITE.VNF"), true);
  EXPECT_EQ(Get(d.Traces / "site.vnf"), "newer"); // the same file, in the device's way
  EXPECT_EQ(Entries(d.Traces).size(), 1U);

  // And back: an empty file too.
  Put(d.Traces / "empty.vnf", "");
  CopyRemoteToLocal(d.Api, d.Dir.File("back.vnf"), VantorTracePath("site.vnf"));
  EXPECT_EQ(Get(d.Dir.Path() / "back.vnf"), "newer");
  CopyRemoteToLocal(d.Api, d.Dir.File("back.vnf"), VantorTracePath("empty.vnf"));
  EXPECT_EQ(Get(d.Dir.Path() / "back.vnf"), "");

  try {
    CopyRemoteToLocal(d.Api, d.Dir.File("gone.vnf"), VantorTracePath("missing.vnf"));
    FAIL();
  } catch (const ERAPI2Exception &e) {
    EXPECT_EQ(e.Message(), kMsgRemoteOpen);
  }
  EXPECT_FALSE(fs::exists(d.Dir.Path() / "gone.vnf"));
  // A local file that cannot be read never reaches the device.
  EXPECT_THROW(CopyLocalToRemote(d.Api, d.Dir.File("nothing.vnf"), VantorTracePath("nothing.vnf"), false),
               ERAPI2Exception);
  EXPECT_FALSE(fs::exists(d.Traces / "nothing.vnf"));
  // A local folder where the copy should go: the local create fails.
  fs::create_directories(d.Dir.Path() / "isdir.vnf");
  try {
    CopyRemoteToLocal(d.Api, d.Dir.File("isdir.vnf"), VantorTracePath("site.vnf"));
    FAIL();
  } catch (const ERAPI2Exception &e) {
    EXPECT_EQ(e.Message(), kMsgLocalCreate);
  }
}

TEST(RemoteApi, ReadOnlyDeviceFolderRefusesWritesAndDeletes) {
  Device d;
  Put(d.Traces / "kept.vnf", "kept");
  Put(d.Dir.Path() / "pc" / "new.vnf", "new");
  {
    ReadOnly ro(d.Traces);
    for (bool overwrite : {false, true}) {
      const std::string target = overwrite ? "kept.vnf" : "new.vnf";
      try {
        CopyLocalToRemote(d.Api, d.Dir.File("pc/new.vnf"), VantorTracePath(target), overwrite);
        FAIL() << "wrote into a read-only folder";
      } catch (const ERAPI2Exception &e) {
        EXPECT_EQ(e.Message(), kMsgRemoteOpen);
      }
    }
    EXPECT_FALSE(DeleteRemoteFile(d.Api, VantorTracePath("kept.vnf")));
    // Reading still works.
    CopyRemoteToLocal(d.Api, d.Dir.File("pc/kept.vnf"), VantorTracePath("kept.vnf"));
  }
  EXPECT_EQ(Entries(d.Traces), (std::vector<std::string>{"kept.vnf"}));
  EXPECT_EQ(Get(d.Traces / "kept.vnf"), "kept");
  EXPECT_EQ(Get(d.Dir.Path() / "pc" / "kept.vnf"), "kept");
}

TEST(RemoteApi, WriteThatBreaksOffLeavesNoHalfFile) {
  Device d;
  Put(d.Traces / "site.vnf", "old contents");
  Put(d.Dir.Path() / "big.vnf", Pattern(20000));
  // The file size limit makes the device's second block fail as a full disk would.
  struct rlimit old {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
  const auto previous = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = old;
  small.rlim_cur = 6000;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  std::string message;
  try {
    CopyLocalToRemote(d.Api, d.Dir.File("big.vnf"), VantorTracePath("site.vnf"), true);
  } catch (const ERAPI2Exception &e) {
    message = e.Message();
  }
  ::setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, previous);
  EXPECT_EQ(message, kMsgReadData);
  EXPECT_EQ(Get(d.Traces / "site.vnf"), "old contents");
  EXPECT_EQ(Entries(d.Traces), (std::vector<std::string>{"site.vnf"}));
}

TEST(HandheldTransfer, ReplaceQuestionsYesNoAllPerRun) {
  Device d;
  for (const char *n : {"a.vnf", "b.vnf", "c.vnf", "d.vnf"})
    Put(d.Traces / n, std::string("device ") + n);
  const fs::path pc = d.Dir.Path() / "pc";
  for (const char *n : {"a.vnf", "b.vnf", "c.vnf", "d.vnf"})
    Put(pc / n, std::string("pc ") + n);
  TKP418Transfer t(d.Api);
  EXPECT_EQ(t.RefreshList().size(), 4U);
  EXPECT_TRUE(t.CanCopyToPC());

  std::vector<std::string> asked;
  std::vector<TReplaceAnswer> answers{TReplaceAnswer::No, TReplaceAnswer::Yes, TReplaceAnswer::All};
  const auto ask = [&](const std::string &name) {
    asked.push_back(name);
    const TReplaceAnswer a = answers.front();
    answers.erase(answers.begin());
    return a;
  };
  // No keeps a, Yes takes b, All takes c and d without a question about d.
  const TCopyReport r = t.CopyToPC(pc.string(), t.Names(), ask);
  EXPECT_EQ(asked, (std::vector<std::string>{"a.vnf", "b.vnf", "c.vnf"}));
  EXPECT_EQ(r.Skipped, (std::vector<std::string>{"a.vnf"}));
  EXPECT_EQ(r.Copied.size(), 3U);
  EXPECT_EQ(Get(pc / "a.vnf"), "pc a.vnf");
  EXPECT_EQ(Get(pc / "b.vnf"), "device b.vnf");
  EXPECT_EQ(Get(pc / "d.vnf"), "device d.vnf");

  // All lasts for one run only: the next run asks again.
  asked.clear();
  answers = {TReplaceAnswer::No, TReplaceAnswer::No};
  t.CopyToPC(pc.string(), {"a.vnf", "b.vnf"}, ask);
  EXPECT_EQ(asked.size(), 2U);

  // A missing PC folder is made; nothing there to replace, so no question.
  asked.clear();
  t.CopyToPC((d.Dir.Path() / "new" / "deeper").string(), {"a.vnf"}, ask);
  EXPECT_TRUE(asked.empty());
  EXPECT_EQ(Get(d.Dir.Path() / "new" / "deeper" / "a.vnf"), "device a.vnf");

  // To the handheld: a new name is made without asking, existing ones only
  // after Yes or All.
  Put(pc / "e.vnf", "pc e.vnf");
  asked.clear();
  answers = {TReplaceAnswer::All};
  const std::vector<std::string> files = {(pc / "e.vnf").string(), (pc / "a.vnf").string(), (pc / "b.vnf").string()};
  t.CopyToHandheld(files, ask);
  EXPECT_EQ(asked, (std::vector<std::string>{"a.vnf"}));
  EXPECT_EQ(Get(d.Traces / "e.vnf"), "pc e.vnf");
  EXPECT_EQ(Get(d.Traces / "a.vnf"), "pc a.vnf");
  EXPECT_EQ(t.Names().size(), 5U); // read again after the run

  // An error ends the run, and the list is still read again.
  fs::remove(d.Traces / "c.vnf");
  Put(d.Traces / "c.vnf", "device c again");
  EXPECT_THROW(t.CopyToPC(pc.string(), {"missing.vnf", "c.vnf"}, ask), ERAPI2Exception);
  EXPECT_EQ(Get(pc / "c.vnf"), "device c.vnf");
}

TEST(HandheldTransfer, DeleteGoesOnPastAFailingName) {
  Device d;
  for (const char *n : {"a.vnf", "b.vnf", "c.vnf"})
    Put(d.Traces / n, n);
  TKP418Transfer t(d.Api);
  t.RefreshList();
  std::vector<std::string> failed;
  const auto deleted =
      t.Delete({"a.vnf", "gone.vnf", "c.vnf"}, [&](const std::string &name) { failed.push_back(name); });
  EXPECT_EQ(deleted, (std::vector<std::string>{"a.vnf", "c.vnf"}));
  EXPECT_EQ(failed, (std::vector<std::string>{"gone.vnf"}));
  EXPECT_EQ(t.Names(), (std::vector<std::string>{"b.vnf"}));
  // The last file gone: nothing left to copy to the PC.
  t.Delete({"b.vnf"}, {});
  EXPECT_FALSE(t.CanCopyToPC());
}

// Each run counts its files, and a cancel stops it before the next file,
// never inside one; the list is read again all the same.
TEST(HandheldTransfer, ProgressPerFileAndCancelBeforeTheNext) {
  Device d;
  for (const char *n : {"a.vnf", "b.vnf", "c.vnf"})
    Put(d.Traces / n, std::string("device ") + n);
  const fs::path pc = d.Dir.Path() / "pc";
  TKP418Transfer t(d.Api);
  t.RefreshList();
  std::atomic<bool> cancel{false};
  std::vector<std::pair<int, int>> told;
  t.SetCancelFlag(&cancel);
  t.SetProgress([&](int done, int total) {
    told.emplace_back(done, total);
    if (done == 1) cancel = true; // asked while the second file is due
  });
  const TCopyReport toPC = t.CopyToPC(pc.string(), {"a.vnf", "b.vnf", "c.vnf"}, {});
  EXPECT_TRUE(toPC.Cancelled);
  EXPECT_EQ(toPC.Copied.size(), 1U);
  EXPECT_EQ(Get(pc / "a.vnf"), "device a.vnf");
  EXPECT_FALSE(fs::exists(pc / "b.vnf"));
  EXPECT_EQ(told, (std::vector<std::pair<int, int>>{{0, 3}, {1, 3}}));

  // To the handheld and deletes stop the same way.
  cancel = false;
  told.clear();
  Put(pc / "n1.vnf", "n1");
  Put(pc / "n2.vnf", "n2");
  const TCopyReport toDevice = t.CopyToHandheld({(pc / "n1.vnf").string(), (pc / "n2.vnf").string()}, {});
  EXPECT_TRUE(toDevice.Cancelled);
  EXPECT_TRUE(fs::exists(d.Traces / "n1.vnf"));
  EXPECT_FALSE(fs::exists(d.Traces / "n2.vnf"));
  EXPECT_EQ(t.Names().size(), 4U);
  cancel = false;
  const auto deleted = t.Delete({"a.vnf", "b.vnf"}, {});
  EXPECT_EQ(deleted, std::vector<std::string>{"a.vnf"});
  EXPECT_TRUE(fs::exists(d.Traces / "b.vnf"));

  // Uncancelled, a run is told to its end.
  cancel = false;
  told.clear();
  t.SetProgress([&](int done, int total) { told.emplace_back(done, total); });
  EXPECT_FALSE(t.CopyToPC(pc.string(), {"b.vnf"}, {}).Cancelled);
  EXPECT_EQ(told, (std::vector<std::pair<int, int>>{{0, 1}, {1, 1}}));
}

TEST(HandheldInfo, RowsFromARealHandheldFile) {
  const TOpenResult r = OpenDocument(std::string(KORV_TEST_DATA) + "/vnf/mode3_cable.vnf");
  ASSERT_TRUE(HoldsHandheldSettings(*r.Document));
  const TKP418InfoRows rows = KP418InfoRows(r.Document->VantorSettings);
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"DSP Revision", "Head 1"},   {"FPGARevision", "Head 2"},
      {"GraphTitle", "Main Title"}, {"GraphSubTitle", "Sub Title"},
      {"Location", "Text 3"},       {"Operator", "Text 4"},
      {"alabel", "Label X"},        {"Notes", "Text 6"},
      {"Band", "free text"},        {"Channel", "-1"},
      {"ADCSaturation", "false"},   {"Offset", "0"},
      {"PowerLevel", "0.25"},       {"TraceMode", "0"},
      {"AverageCount", "0"},        {"AverageLimit", "2"},
      {"CurrentMarker", "1"},       {"AvgCableLoss", "4.5"}};
  ASSERT_EQ(rows.size(), expected.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(rows[i].Parameter, expected[i].first);
    EXPECT_EQ(rows[i].Value, expected[i].second) << expected[i].first;
  }
  EXPECT_EQ(
      KP418InfoRows(OpenDocument(std::string(KORV_TEST_DATA) + "/vnf/mode1_offset.vnf").Document->VantorSettings)[11]
          .Value,
      "1.5");
  // Long values are shown cut to ten characters, never inside a character.
  TVantorSettings s;
  s.TitleTexts[5] = "Crushed jumper at the top of the tower";
  s.Text = "Bänd ÄÖÜ äöü";
  s.ExtraValue = 1e-18;
  s.ReflectionOffset = -123456.789;
  const TKP418InfoRows cut = KP418InfoRows(s);
  EXPECT_EQ(cut[7].Value, "Crushed ju");
  EXPECT_EQ(cut[7].FullValue, s.TitleTexts[5]);
  EXPECT_EQ(cut[8].Value, "Bänd ÄÖÜ ä");
  EXPECT_EQ(cut[17].Value, "1E-18");
  EXPECT_EQ(cut[11].Value, "-123456.78");
  EXPECT_EQ(EmptyKP418InfoRows()[0].Value, "<value>");
  // Documents from elsewhere hold no handheld settings.
  const TOpenResult kdt = OpenDocument(std::string(KORV_SOURCE_DIR) + "/resources/samples/BadConnectorFeetVSWR.kdt");
  EXPECT_FALSE(HoldsHandheldSettings(*kdt.Document));
}
