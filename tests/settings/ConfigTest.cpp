#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>

#include <gtest/gtest.h>

#include "core/TestHelpers.h"
#include "settings/Config.h"
#include "settings/OptionsPages.h"

using namespace korv;

namespace {
TSettingsContext Ctx() { return {"/opt/korv/", "/home/u/Documents/", ""}; }
} // namespace

TEST(Settings, DefaultsForAnEmptyFile) {
  TKorvSettings s(Ctx());
  s.Read(TIniFile());
  EXPECT_EQ(s.Options.FontSize, 1);
  EXPECT_EQ(s.Options.Deliminator, 9);
  EXPECT_TRUE(s.Options.AutoSave);
  EXPECT_EQ(s.Options.CommPort, 1);
  EXPECT_EQ(s.Options.DielectricFormat, 1);
  EXPECT_TRUE(s.Options.LblFieldDate);
  EXPECT_TRUE(s.Options.LblFieldCustom);
  EXPECT_FALSE(s.Options.LblFieldSite);
  EXPECT_EQ(s.Options.CableList, "/opt/korv/Cables.lst");
  EXPECT_EQ(s.Options.UploadRoot, "/opt/korv/");
  EXPECT_EQ(s.Options.DocDirectory, "/home/u/Documents/Korv Group/MOX PC Tool/");
  EXPECT_EQ(s.MainWindow.WindowState, wsMaximized);
  EXPECT_EQ(s.MainWindow.Normal, (TPlacement{50, 50, 500, 300}));
  EXPECT_EQ(s.MainWindow.ToolbarLocation, 1);
  EXPECT_TRUE(s.MainWindow.ToolbarVisible);
  EXPECT_TRUE(s.MainWindow.StatusbarVisible);
  EXPECT_EQ(s.NumberToShow, 5);
  EXPECT_EQ(s.RecentFiles.Count(), 0);
}

TEST(Settings, EveryOptionRoundTrips) {
  TKorvSettings s(Ctx());
  TOptions &o = s.Options;
  o.ViewStyle = 2;
  o.FontSize = 0;
  o.PlotMethod = 6;
  o.GridLines = 3;
  o.MarkPoints = true;
  o.CableList = "/x/c.lst";
  o.DocDirectory = "/d/";
  o.Deliminator = 44;
  o.CommPort = 3;
  o.CommDevice = "/dev/ttyUSB1";
  o.DielectricFormat = 0;
  o.UploadRoot = "/u/";
  o.UploadStyle = 2;
  o.DefaultLossUnit = 4;
  o.DefaultDistanceUnit = 1;
  o.LblFieldSite = o.LblFieldSector = o.LblFieldAntenna = true;
  o.LblFieldDate = o.LblFieldCustom = false;
  o.DefaultImageFmt = 1;
  o.HandheldRoot = "/media/KP418";
  s.MainWindow = {wsNormal, {10, 20, 640, 480}, 3, false, false, 0};
  TIniFile ini;
  s.WriteAll(ini, {});
  TKorvSettings back(Ctx());
  back.Read(TIniFile::FromText(ini.Text()));
  const TOptions &b = back.Options;
  EXPECT_EQ(b.ViewStyle, 2);
  EXPECT_EQ(b.FontSize, 0);
  EXPECT_EQ(b.PlotMethod, 6);
  EXPECT_EQ(b.GridLines, 3);
  EXPECT_TRUE(b.MarkPoints);
  EXPECT_EQ(b.CableList, "/x/c.lst");
  EXPECT_EQ(b.DocDirectory, "/d/");
  EXPECT_EQ(b.Deliminator, 44);
  EXPECT_EQ(b.CommPort, 3);
  EXPECT_EQ(b.CommDevice, "/dev/ttyUSB1");
  // Back to a Comm number: the device key goes, so it cannot win again.
  back.Options.CommDevice.clear();
  back.WriteAll(ini, {});
  EXPECT_FALSE(ini.ValueExists("OPTIONS", "CommDevice"));
  EXPECT_EQ(b.DielectricFormat, 0);
  EXPECT_EQ(b.UploadRoot, "/u/");
  EXPECT_EQ(b.UploadStyle, 2);
  EXPECT_EQ(b.DefaultLossUnit, 4);
  EXPECT_EQ(b.DefaultDistanceUnit, 1);
  EXPECT_TRUE(b.LblFieldSite && b.LblFieldSector && b.LblFieldAntenna);
  EXPECT_FALSE(b.LblFieldDate || b.LblFieldCustom);
  EXPECT_EQ(b.DefaultImageFmt, 1);
  EXPECT_EQ(b.HandheldRoot, "/media/KP418");
  EXPECT_EQ(back.MainWindow.WindowState, wsNormal);
  EXPECT_EQ(back.MainWindow.Normal, (TPlacement{10, 20, 640, 480}));
  EXPECT_EQ(back.MainWindow.ToolbarLocation, 3);
  EXPECT_FALSE(back.MainWindow.ToolbarVisible);
  EXPECT_FALSE(back.MainWindow.StatusbarVisible);
}

TEST(Settings, WideNamesAreHexOfUtf16) {
  EXPECT_EQ(EncodeWideName(u"C:\\a"), "0043003A005C0061");
  EXPECT_EQ(DecodeWideName("0043003a005C0061"), u"C:\\a");
  EXPECT_EQ(DecodeWideName("004300"), u"C"); // short tail ignored
  EXPECT_EQ(DecodeWideName("00G1"), u"");    // not hex: stops
  const std::string path = "/home/jörg/Mätning €/𝄞.kdt";
  EXPECT_EQ(DecodeWideNameUtf8(EncodeWideNameUtf8(path)), path);
  EXPECT_EQ(EncodeWideNameUtf8("é"), "00E9");
  EXPECT_EQ(EncodeWideNameUtf8("𝄞"), "D834DD1E");
  EXPECT_EQ(DecodeWideNameUtf8("D8000078"), "\xEF\xBF\xBDx"); // lone surrogate
  EXPECT_EQ(EncodeWideNameUtf8("\xC3"), "FFFD");              // cut sequence
}

TEST(Settings, PlacementIsClampedPerAxis) {
  EXPECT_EQ(ClampPlacement({-5, -1, 300, 200}, 1000, 800), (TPlacement{0, 0, 300, 200}));
  EXPECT_EQ(ClampPlacement({10, 10, 3000, 2000}, 1000, 800), (TPlacement{0, 0, 1000, 800}));
  EXPECT_EQ(ClampPlacement({900, 700, 300, 200}, 1000, 800), (TPlacement{700, 600, 300, 200}));
  EXPECT_EQ(ClampPlacement({100, 100, 300, 200}, 1000, 800), (TPlacement{100, 100, 300, 200}));
  // Whatever int a damaged file holds, nothing overflows (UBSan watches).
  constexpr int kMax = std::numeric_limits<int>::max();
  constexpr int kMin = std::numeric_limits<int>::min();
  EXPECT_EQ(ClampPlacement({kMax, kMax, 500, 300}, 1000, 800), (TPlacement{500, 500, 500, 300}));
  EXPECT_EQ(ClampPlacement({kMin, 50, kMin, kMax}, 1000, 800), (TPlacement{0, 0, 0, 800}));
  EXPECT_EQ(ClampPlacement({50, 50, kMax, kMin}, 1000, 800), (TPlacement{0, 50, 1000, 0}));
  EXPECT_EQ(ClampPlacement({kMax, kMin, kMax, kMax}, kMin, kMax), (TPlacement{0, 0, 0, kMax}));
}

TEST(Settings, DamagedNamesAndPlacementsAreBoundedOnReading) {
  const std::string huge(1 << 20, 'x');
  std::string text = "[RecentFiles]\nNumberToShow=9\n";
  for (int k = 1; k <= 9; ++k)
    text += std::to_string(k) + "=" + (k == 4 ? std::string("/ok.kdt") : huge) + "\n";
  text += "[RecentFilesW]\n2=" + std::string(4 * 4097, 'A') + "\n";
  text += "[MainWindow]\nNumberOfDocsAutoload=2\n";
  text += "[Document1]\nFilenameW=" + std::string(4 * 5000, '4') + "\nLeft=2147483647\nWidth=2147483647\n";
  text += "[Document2]\nFilenameW=" + EncodeWideNameUtf8("/a.kdt") + "\nTop=-2147483648\nHeight=-5\n";
  TIniFile ini = TIniFile::FromText(text);
  TKorvSettings s;
  s.Read(ini);
  ASSERT_EQ(s.RecentFiles.Count(), 1);
  EXPECT_EQ(s.RecentFiles.At(0), "/ok.kdt");
  EXPECT_EQ(s.RecentFilesW.At(0), "/ok.kdt");
  const auto list = s.TakeAutoloadList(ini, 640);
  ASSERT_EQ(list.size(), 2U);
  EXPECT_EQ(list[0].FileName, "/a.kdt");
  EXPECT_EQ(list[0].Placement, (TPlacement{0, -kMaxPlacement, 640, 0}));
  EXPECT_EQ(list[1].FileName, "");
  EXPECT_EQ(list[1].Placement, (TPlacement{kMaxPlacement, 0, kMaxPlacement, 35}));
}

TEST(RecentFiles, TenOpensLeaveNineNewestFirstAndReopenMovesToTop) {
  TKorvSettings s(Ctx());
  for (int i = 0; i < 10; ++i)
    s.AddRecent("/f" + std::to_string(i));
  ASSERT_EQ(s.RecentFiles.Count(), 9);
  EXPECT_EQ(s.RecentFiles.At(0), "/f9");
  EXPECT_EQ(s.RecentFiles.At(8), "/f1");
  s.AddRecent("/f4");
  EXPECT_EQ(s.RecentFiles.At(0), "/f4");
  EXPECT_EQ(s.RecentFiles.At(1), "/f9");
  EXPECT_EQ(s.RecentFiles.Count(), 9);
  EXPECT_EQ(s.RecentFilesW.Items(), s.RecentFiles.Items());
  s.AddRecent(""); // empty names never enter
  EXPECT_EQ(s.RecentFiles.At(0), "/f4");
}

TEST(RecentFiles, NumberToShowLimitsMenuAndItemLookup) {
  TKorvSettings s(Ctx());
  for (int i = 0; i < 9; ++i)
    s.AddRecent("/f" + std::to_string(i));
  s.NumberToShow = 3;
  EXPECT_EQ(s.VisibleRecentCount(), 3);
  EXPECT_EQ(s.RecentNameForItem(1), "/f8");
  EXPECT_EQ(s.RecentNameForItem(3), "/f6");
  EXPECT_EQ(s.RecentNameForItem(4), "");
  EXPECT_EQ(s.RecentNameForItem(0), "");
  s.NumberToShow = 20;
  EXPECT_EQ(s.VisibleRecentCount(), 9);
  EXPECT_EQ(s.RecentNameForItem(10), "");
}

TEST(RecentFiles, ReadBackKeepsOrderAndSkipsEmptySlots) {
  TKorvSettings s(Ctx());
  s.AddRecent("/b/ü.kdt");
  s.AddRecent("/a.kdt");
  TIniFile ini;
  s.WriteRecentFiles(ini);
  EXPECT_EQ(ini.ReadString("RecentFilesW", "1", ""), EncodeWideNameUtf8("/a.kdt"));
  TKorvSettings back(Ctx());
  back.ReadRecentFiles(TIniFile::FromText(ini.Text()));
  ASSERT_EQ(back.RecentFilesW.Count(), 2); // NumberToShow 5, only two stored
  EXPECT_EQ(back.RecentFilesW.At(0), "/a.kdt");
  EXPECT_EQ(back.RecentFilesW.At(1), "/b/ü.kdt");
  // Only the first NumberToShow entries are read.
  TIniFile three = TIniFile::FromText("[RecentFiles]\nNumberToShow=1\n1=/x\n2=/y\n");
  back.ReadRecentFiles(three);
  ASSERT_EQ(back.RecentFilesW.Count(), 1);
  EXPECT_EQ(back.RecentFilesW.At(0), "/x");
}

TEST(Autoload, ExitWritesDocumentsAndStartReadsThemLastFirst) {
  TKorvSettings s(Ctx());
  TIniFile ini;
  std::vector<TDocumentEntry> docs{{0, "/active.kdt", wsMaximized, {1, 2, 300, 200}},
                                   {0, "/second.kdt", wsNormal, {5, 6, 70, 80}}};
  s.WriteAll(ini, docs);
  EXPECT_EQ(ini.ReadInteger("MainWindow", "NumberOfDocsAutoload", 0), 2);
  EXPECT_EQ(ini.ReadString("Document1", "Filename", ""), "/active.kdt");
  const auto list = s.TakeAutoloadList(ini, 640);
  ASSERT_EQ(list.size(), 2U);
  EXPECT_EQ(list[0].Index, 2);
  EXPECT_EQ(list[0].FileName, "/second.kdt");
  EXPECT_EQ(list[0].Placement, (TPlacement{5, 6, 70, 80}));
  EXPECT_EQ(list[1].FileName, "/active.kdt"); // opened last, on top
  EXPECT_EQ(list[1].WindowState, wsMaximized);
  // The count is reset at once: a crash during autoload does not retry.
  EXPECT_EQ(ini.ReadInteger("MainWindow", "NumberOfDocsAutoload", -1), 0);
  EXPECT_TRUE(s.TakeAutoloadList(ini, 640).empty());
}

TEST(Autoload, MissingDocumentKeysTakeTheirDefaultsAndHugeCountsAreBounded) {
  TKorvSettings s(Ctx());
  TIniFile ini = TIniFile::FromText("[MainWindow]\nNumberOfDocsAutoload=2000000000\n[Document1]\nFilenameW=002F0061\n");
  const auto list = s.TakeAutoloadList(ini, 777);
  ASSERT_LE(list.size(), 2U);
  const TDocumentEntry &d1 = list.back();
  EXPECT_EQ(d1.Index, 1);
  EXPECT_EQ(d1.FileName, "/a");
  EXPECT_EQ(d1.Placement, (TPlacement{0, 0, 777, 35}));
  EXPECT_EQ(d1.WindowState, wsNormal);
}

TEST(Autoload, AutoSaveOffWritesNoDocumentsNorPlacement) {
  TKorvSettings s(Ctx());
  s.Options.AutoSave = false;
  s.AddRecent("/r.kdt");
  TIniFile ini;
  s.WriteAll(ini, {{0, "/a.kdt", wsNormal, {1, 1, 1, 1}}});
  EXPECT_FALSE(ini.SectionExists("Document1"));
  EXPECT_FALSE(ini.ValueExists("MainWindow", "Left"));
  EXPECT_FALSE(ini.ValueExists("MainWindow", "WindowState"));
  EXPECT_FALSE(ini.ValueExists("MainWindow", "NumberOfDocsAutoload"));
  EXPECT_TRUE(ini.ValueExists("MainWindow", "ToolbarVisible"));
  EXPECT_TRUE(ini.ValueExists("MainWindow", "StatusbarVisible"));
  EXPECT_TRUE(ini.ValueExists("MainWindow", "ToolbarLocation"));
  EXPECT_EQ(ini.ReadString("RecentFiles", "1", ""), "/r.kdt");
  EXPECT_EQ(ini.ReadInteger("OPTIONS", "AutoSave", 1), 0);
  EXPECT_TRUE(s.TakeAutoloadList(ini, 100).empty());
}

TEST(Autoload, ExitWithFewerDocumentsDropsStaleSections) {
  TKorvSettings s(Ctx());
  TIniFile ini;
  s.WriteDocuments(ini, {{0, "/a", 0, {}}, {0, "/b", 0, {}}, {0, "/c", 0, {}}});
  s.WriteDocuments(ini, {});
  EXPECT_EQ(ini.ReadInteger("MainWindow", "NumberOfDocsAutoload", -1), 0);
  EXPECT_FALSE(ini.SectionExists("Document3"));
  EXPECT_TRUE(s.TakeAutoloadList(ini, 100).empty());
}

TEST(Settings, FileLivesBesideTheProgramWhenWritable) {
  TempDir dir;
  std::filesystem::create_directories(dir.Path() / "bin");
  std::filesystem::create_directories(dir.Path() / "cfg");
  const std::string bin = (dir.Path() / "bin").string();
  EXPECT_EQ(SettingsFilePath({bin, dir.File("cfg")}), (dir.Path() / "bin" / kSettingsFileName).string());
  // An unusable program folder sends it to the config folder.
  EXPECT_EQ(SettingsFilePath({dir.File("no/such/dir"), dir.File("cfg")}),
            (dir.Path() / "cfg" / "Korv Group" / "KorvMOX" / kSettingsFileName).string());
}

namespace {
void Touch(const std::filesystem::path &file) {
  std::filesystem::create_directories(file.parent_path());
  std::ofstream(file) << "[OPTIONS]\n";
}
} // namespace

// korvmox and korvtool find the file in one order: the desktop program's
// file is the one korvtool reads, and korvtool's older place still counts.
TEST(Settings, OneLookupOrderForBothPrograms) {
  TempDir dir;
  const std::filesystem::path cfg = dir.Path() / "cfg";
  const std::filesystem::path program = cfg / "Korv Group" / "KorvMOX" / kSettingsFileName;
  const std::filesystem::path older = cfg / "KorvMOX" / kSettingsFileName;
  // An installed copy: share/korvmox beside its bin folder, which a root
  // run could write to but must not fill.
  std::filesystem::create_directories(dir.Path() / "usr" / "bin");
  std::filesystem::create_directories(dir.Path() / "usr" / "share" / "korvmox");
  const TSettingsLocations installed{(dir.Path() / "usr" / "bin").string(), cfg.string()};
  EXPECT_EQ(SettingsFilePath(installed), program.string());
  EXPECT_FALSE(std::filesystem::exists(dir.Path() / "usr" / "bin" / ".korv-mox-write-test"));

  Touch(older);
  EXPECT_EQ(SettingsFilePath(installed), older.string());
  Touch(program);
  EXPECT_EQ(SettingsFilePath(installed), program.string());
  Touch(dir.Path() / "usr" / "bin" / kSettingsFileName);
  EXPECT_EQ(SettingsFilePath(installed), (dir.Path() / "usr" / "bin" / kSettingsFileName).string());

  // A copy in a writable folder of its own keeps a new file beside it only
  // when the user has none yet.
  std::filesystem::create_directories(dir.Path() / "portable");
  EXPECT_EQ(SettingsFilePath({(dir.Path() / "portable").string(), cfg.string()}), program.string());
  EXPECT_EQ(SettingsFilePath({(dir.Path() / "portable").string(), (dir.Path() / "empty").string()}),
            (dir.Path() / "portable" / kSettingsFileName).string());
}

TEST(Settings, ConfigHomeFollowsTheXdgRules) {
  const auto with = [](const char *xdg, const char *home) {
    const auto set = [](const char *name, const char *value) {
      if (value == nullptr)
        ::unsetenv(name);
      else
        ::setenv(name, value, 1);
    };
    const char *oldXdg = std::getenv("XDG_CONFIG_HOME");
    const char *oldHome = std::getenv("HOME");
    const std::string keepXdg = oldXdg != nullptr ? oldXdg : "";
    const std::string keepHome = oldHome != nullptr ? oldHome : "";
    set("XDG_CONFIG_HOME", xdg);
    set("HOME", home);
    const std::string result = TSettingsLocations::FromEnvironment("/p").ConfigHome;
    set("XDG_CONFIG_HOME", oldXdg != nullptr ? keepXdg.c_str() : nullptr);
    set("HOME", oldHome != nullptr ? keepHome.c_str() : nullptr);
    return result;
  };
  EXPECT_EQ(with("/x/cfg", "/home/u"), "/x/cfg");
  EXPECT_EQ(with("relative/cfg", "/home/u"), "/home/u/.config");
  EXPECT_EQ(with("", "/home/u"), "/home/u/.config");
  EXPECT_EQ(with(nullptr, nullptr), "");
}

// A path cut at a NUL names another folder than the file shows: such a
// value is refused with a message, keeps its default, and is not
// overwritten in the file until the user sets another.
TEST(Settings, PathSettingsWithControlCharactersAreRefused) {
  TIniFile ini;
  ini.WriteString("OPTIONS", "HandheldRoot", std::string("/tmp\0/x", 7));
  ini.WriteString("OPTIONS", "CableList", "/c/\x1b[31mred.lst");
  ini.WriteString("OPTIONS", "DocDirectory", "/docs/\x7f");
  ini.WriteString("OPTIONS", "UploadRoot", "/up/\t/");
  TKorvSettings s(Ctx());
  s.Read(ini);
  EXPECT_EQ(s.Options.HandheldRoot, "");
  EXPECT_EQ(s.Options.CableList, "/opt/korv/Cables.lst");
  EXPECT_EQ(s.Options.DocDirectory, "/home/u/Documents/Korv Group/MOX PC Tool/");
  EXPECT_EQ(s.Options.UploadRoot, "/opt/korv/");
  ASSERT_EQ(s.Problems.size(), 4U);
  EXPECT_EQ(s.ProblemOf("HandheldRoot"),
            "The setting HandheldRoot \"/tmp\\x00/x\" holds control characters; it is not used.");
  EXPECT_NE(s.ProblemOf("CableList").find("\\x1B[31m"), std::string::npos);
  EXPECT_EQ(s.ProblemOf("CommPort"), "");

  s.Options.UploadRoot = "/new/";
  s.WriteOptions(ini);
  EXPECT_EQ(ini.ReadString("OPTIONS", "HandheldRoot", ""), std::string("/tmp\0/x", 7));
  EXPECT_EQ(ini.ReadString("OPTIONS", "UploadRoot", ""), "/new/");

  ini.WriteString("OPTIONS", "HandheldRoot", "/media/KP418");
  s.Read(ini);
  EXPECT_EQ(s.Options.HandheldRoot, "/media/KP418");
  EXPECT_EQ(s.Problems.size(), 2U);
}

TEST(Settings, HostileFilesReadWithinBounds) {
  int files = 0;
  for (const auto &e : std::filesystem::directory_iterator(std::string(KORV_TEST_DATA) + "/settings/hostile")) {
    if (e.path().extension() != ".ini") continue;
    ++files;
    TIniFile ini = TIniFile::Load(e.path().string());
    TKorvSettings s;
    s.Read(ini);
    const TPlacement p = ClampPlacement(s.MainWindow.Normal, 1920, 1080);
    EXPECT_TRUE(p.Left >= 0 && p.Width >= 0 && p.Left <= 1920 - p.Width) << e.path();
    EXPECT_LE(s.VisibleRecentCount(), kMaxRecentFiles) << e.path();
    for (const TDocumentEntry &d : s.TakeAutoloadList(ini, 640)) {
      EXPECT_LE(d.FileName.size(), kMaxPathLength) << e.path();
      EXPECT_LE(std::abs(d.Placement.Left), kMaxPlacement) << e.path();
      EXPECT_LE(d.Placement.Width, kMaxPlacement) << e.path();
    }
  }
  EXPECT_EQ(files, 4);
}

// A port nobody chose stays unchosen through a save, so the first port of
// the computer is never taken for the instrument's; Comm 1 chosen stays
// chosen.
TEST(Settings, CommPortChosenOnlyWhenSet) {
  TKorvSettings s(Ctx());
  s.Read(TIniFile());
  EXPECT_FALSE(s.Options.CommPortChosen);
  TIniFile ini;
  s.WriteAll(ini, {});
  TKorvSettings back(Ctx());
  back.Read(TIniFile::FromText(ini.Text()));
  EXPECT_FALSE(back.Options.CommPortChosen);
  EXPECT_EQ(back.Options.CommPort, 1);

  StorePages(PagesFromSettings(back), back); // Options accepted as shown
  EXPECT_TRUE(back.Options.CommPortChosen);
  back.WriteAll(ini, {});
  TKorvSettings again(Ctx());
  again.Read(TIniFile::FromText(ini.Text()));
  EXPECT_TRUE(again.Options.CommPortChosen);
  EXPECT_EQ(again.Options.CommPort, 1);
}
