#pragma once
// The program's settings model: every key of Korv-MOX.ini with its default,
// the main window and document placements, the recent-file lists and the
// list of documents reopened at start.
#include <string>
#include <string_view>
#include <vector>

#include "settings/IniFile.h"

namespace korv {

inline constexpr const char *kSettingsFileName = "Korv-MOX.ini";
inline constexpr int kMaxRecentFiles = 9;
// The longest path the system takes (PATH_MAX); longer names read from the
// settings are dropped.
inline constexpr std::size_t kMaxPathLength = 4096;
// Autoload placements are kept within +-kMaxPlacement pixels (sizes 0 to it).
inline constexpr int kMaxPlacement = 1 << 20;

// Folders the defaults depend on; the program fills them in at start.
struct TSettingsContext {
  std::string ProgramDir;   // folder of the executable, ending in "/"
  std::string DocumentsDir; // the user's documents folder, ending in "/"
  // Default root of received traces: the program's folder when it is
  // writable, else the documents folder (empty: ProgramDir).
  std::string UploadDir;
};

// [OPTIONS]
struct TOptions {
  int ViewStyle = 0;
  int FontSize = 1;
  int PlotMethod = 0;
  int GridLines = 0;
  bool MarkPoints = false;
  std::string CableList;
  std::string DocDirectory;
  int Deliminator = 9;
  bool AutoSave = true;
  int CommPort = 1;
  // Whether the port was ever chosen (the settings name CommPort, or the
  // Options dialog was accepted): a port nobody chose is never tried.
  bool CommPortChosen = false;
  // A serial device path chosen by name; when set it wins over CommPort.
  std::string CommDevice;
  int DielectricFormat = 1;
  std::string UploadRoot;
  int UploadStyle = 0;
  int DefaultLossUnit = 0;
  int DefaultDistanceUnit = 0;
  bool LblFieldSite = false;
  bool LblFieldSector = false;
  bool LblFieldAntenna = false;
  bool LblFieldDate = true;
  bool LblFieldCustom = true;
  int DefaultImageFmt = 0;
  // Folder of the handheld (a mounted device, or a folder kept in step
  // with it); empty: none set up.
  std::string HandheldRoot;
  // The last sweep from a NanoVNA-family analyzer.
  std::string VnaDevice;
  double VnaStartMHz = 1.0;
  double VnaStopMHz = 900.0;
  int VnaPoints = 101;

  // The defaults that depend on folders.
  static TOptions Defaults(const TSettingsContext &context);
};

enum TWindowStateCode : int { wsNormal = 0, wsMinimized = 1, wsMaximized = 2 };

struct TPlacement {
  int Left = 0;
  int Top = 0;
  int Width = 0;
  int Height = 0;
  friend bool operator==(const TPlacement &, const TPlacement &) = default;
};

// [MainWindow]
struct TMainWindowSettings {
  int WindowState = wsMaximized;
  TPlacement Normal{50, 50, 500, 300};
  int ToolbarLocation = 1; // 0 none, 1 top, 2 bottom, 3 left, 4 right
  bool ToolbarVisible = true;
  bool StatusbarVisible = true;
  int NumberOfDocsAutoload = 0;
};

// One [Document<k>] section.
struct TDocumentEntry {
  int Index = 0;        // k
  std::string FileName; // UTF-8 path
  int WindowState = wsNormal;
  TPlacement Placement;
};

// Newest first, at most nine names, no duplicates.
class TRecentList {
public:
  // A name already listed moves to the top; a new non-empty one is
  // inserted at the top and the list is cut to nine.
  void Add(const std::string &name);
  // Appends in file order when the list is read back (empties kept, so the
  // two lists stay in step).
  void Append(const std::string &name);
  void Clear() { m_items.clear(); }
  int Count() const { return static_cast<int>(m_items.size()); }
  const std::string &At(int index) const { return m_items.at(static_cast<std::size_t>(index)); }
  const std::vector<std::string> &Items() const { return m_items; }

private:
  std::vector<std::string> m_items;
};

// Wide names as text: each UTF-16 code unit as four upper-case hex digits.
std::string EncodeWideName(std::u16string_view name);
// Groups of four hex digits; a shorter tail is ignored, and so is anything
// after a group that is not hexadecimal.
std::u16string DecodeWideName(std::string_view hex);
// The same for UTF-8 paths. Never throws: invalid sequences and lone
// surrogates become U+FFFD, since a damaged settings file must not stop
// the program.
std::string EncodeWideNameUtf8(std::string_view utf8);
std::string DecodeWideNameUtf8(std::string_view hex);

// Keeps a window on a screen of the given size, axis by axis: a negative
// position becomes 0, a size larger than the screen the screen's size (a
// negative one 0), and a window ending beyond the screen is moved back to end
// at its edge. Any int values are safe.
TPlacement ClampPlacement(const TPlacement &placement, int screenWidth, int screenHeight);

// The folders the settings file is looked for in. korvmox, korvtool and the
// man pages follow the same order, so both programs use one file.
struct TSettingsLocations {
  std::string ProgramDir; // folder of the running program
  std::string ConfigHome; // $XDG_CONFIG_HOME, else ~/.config; empty when unknown
  // ConfigHome from the environment: XDG_CONFIG_HOME when it is an absolute
  // path (the XDG rules ignore a relative one), else $HOME/.config.
  static TSettingsLocations FromEnvironment(std::string programDir);
  // The existing files looked for, in order: beside the program, the
  // program's config folder ("Korv Group/KorvMOX"), and the folder
  // korvtool used before ("KorvMOX"), still read if a user has a file there.
  std::vector<std::string> Candidates() const;
  // Where a new file goes when none exists: beside the program when its
  // folder is writable and is no installed copy (share/korvmox beside its
  // bin folder: /usr/bin is not the user's, even for root), else the
  // program's config folder.
  std::string NewFilePath() const;
};

// A program installed with its data (share/korvmox beside its bin folder):
// its folder is the system's, not the user's, even when root may write there.
bool IsInstalledCopy(const std::string &programDir);

// The settings file: the first candidate that exists, else NewFilePath().
std::string SettingsFilePath(const TSettingsLocations &where);

// A path setting holding control characters would be cut at a NUL or name
// something else than shown: the reason to refuse it (empty when sound).
std::string PathSettingProblem(std::string_view key, std::string_view value);
// Control bytes as \xNN, cut to 200 characters, for a message.
std::string PrintableSetting(std::string_view value);

class TKorvSettings {
public:
  explicit TKorvSettings(TSettingsContext context = {});

  const TSettingsContext &Context() const { return m_context; }
  TOptions Options;
  TMainWindowSettings MainWindow;
  int NumberToShow = 5;
  TRecentList RecentFiles;  // names as shown in the menu
  TRecentList RecentFilesW; // names actually opened
  // Values of the file that were not taken (a path setting with control
  // characters keeps its default), from the last read. Such a key is not
  // written back while it keeps that default, so the file loses nothing.
  struct TProblem {
    std::string Key;
    std::string Message;
    std::string Replacement; // the value used instead
  };
  std::vector<TProblem> Problems;
  // The message of the key's problem; empty when it has none.
  std::string ProblemOf(std::string_view key) const;

  // Start: [OPTIONS], [MainWindow] and the recent lists.
  void Read(const TIniFile &ini);
  void ReadOptions(const TIniFile &ini);
  void ReadMainWindow(const TIniFile &ini);
  void ReadRecentFiles(const TIniFile &ini);
  // Both lists, kept in step.
  void AddRecent(const std::string &name);
  // How many entries the File menu shows.
  int VisibleRecentCount() const;
  // The name for menu item k (1-based); empty beyond the list, NumberToShow or nine.
  std::string RecentNameForItem(int k) const;

  void WriteOptions(TIniFile &ini) const;
  void WriteRecentFiles(TIniFile &ini) const;
  // Placement only when AutoSave is on; toolbar and status bar always.
  void WriteMainWindow(TIniFile &ini) const;

  // Document sections written at exit, in window order (active first).
  // Without AutoSave nothing is written. NumberOfDocsAutoload follows the
  // count, and sections left over from an earlier exit are erased.
  void WriteDocuments(TIniFile &ini, const std::vector<TDocumentEntry> &documents) const;
  // Everything written at exit, in the file's order.
  // writeDocuments false leaves the autoload list as it is (a print run).
  void WriteAll(TIniFile &ini, const std::vector<TDocumentEntry> &documents, bool writeDocuments = true) const;

  // Autoload: the entries to reopen, [Document N] first down to [Document1].
  // Names longer than kMaxPathLength read as empty; placements are bounded
  // by kMaxPlacement.
  // NumberOfDocsAutoload is set to 0 at once, so a crash while reopening
  // does not try the same documents again. Empty without AutoSave.
  // defaultWidth is the main window's client width.
  std::vector<TDocumentEntry> TakeAutoloadList(TIniFile &ini, int defaultWidth) const;
  static std::string DocumentSection(int k);

private:
  TSettingsContext m_context;
};

} // namespace korv
