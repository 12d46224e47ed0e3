#include "settings/Config.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "core/FileIO.h"
#include "core/TextUtil.h"

namespace korv {

namespace {

constexpr const char *kOptions = "OPTIONS";
constexpr const char *kMainWindow = "MainWindow";
constexpr const char *kRecentFiles = "RecentFiles";
constexpr const char *kRecentFilesW = "RecentFilesW";

bool FolderWritable(const std::filesystem::path &dir) {
  std::error_code ec;
  if (!std::filesystem::is_directory(dir, ec)) return false;
  // Permission bits do not tell about other owners or read-only mounts;
  // a probe file does.
  const std::filesystem::path probe = dir / ".korv-mox-write-test";
  {
    std::ofstream out(probe);
    if (!out) return false;
  }
  std::filesystem::remove(probe, ec);
  return true;
}

} // namespace

TOptions TOptions::Defaults(const TSettingsContext &context) {
  TOptions o;
  o.CableList = context.ProgramDir + "Cables.lst";
  o.DocDirectory = context.DocumentsDir + "Korv Group/MOX PC Tool/";
  o.UploadRoot = context.UploadDir.empty() ? context.ProgramDir : context.UploadDir;
  return o;
}

void TRecentList::Add(const std::string &name) {
  const auto it = std::find(m_items.begin(), m_items.end(), name);
  if (it != m_items.end()) {
    std::rotate(m_items.begin(), it, it + 1);
    return;
  }
  if (name.empty()) return;
  m_items.insert(m_items.begin(), name);
  if (m_items.size() > static_cast<std::size_t>(kMaxRecentFiles)) m_items.resize(kMaxRecentFiles);
}

void TRecentList::Append(const std::string &name) {
  if (m_items.size() < static_cast<std::size_t>(kMaxRecentFiles)) m_items.push_back(name);
}

std::string EncodeWideName(std::u16string_view name) { return WideToHex(name); }

std::u16string DecodeWideName(std::string_view hex) { return HexToWide(hex); }

std::string EncodeWideNameUtf8(std::string_view utf8) { return EncodeWideName(Utf8ToUtf16(utf8, true)); }
std::string DecodeWideNameUtf8(std::string_view hex) { return Utf16ToUtf8(DecodeWideName(hex)); }

TPlacement ClampPlacement(const TPlacement &p, int screenWidth, int screenHeight) {
  // Settings may hold any int: no sum is formed that could overflow.
  const auto axis = [](int pos, int size, int screen, int &outPos, int &outSize) {
    screen = std::max(screen, 0);
    outSize = std::clamp(size, 0, screen);
    outPos = std::clamp(pos, 0, screen - outSize);
  };
  TPlacement r;
  axis(p.Left, p.Width, screenWidth, r.Left, r.Width);
  axis(p.Top, p.Height, screenHeight, r.Top, r.Height);
  return r;
}

TSettingsLocations TSettingsLocations::FromEnvironment(std::string programDir) {
  TSettingsLocations where;
  where.ProgramDir = std::move(programDir);
  const char *xdg = std::getenv("XDG_CONFIG_HOME");
  const char *home = std::getenv("HOME");
  if (xdg != nullptr && xdg[0] == '/')
    where.ConfigHome = xdg;
  else if (home != nullptr && home[0] != '\0')
    where.ConfigHome = (std::filesystem::path(home) / ".config").string();
  return where;
}

std::vector<std::string> TSettingsLocations::Candidates() const {
  std::vector<std::string> out{(std::filesystem::path(ProgramDir) / kSettingsFileName).string()};
  if (!ConfigHome.empty()) {
    out.push_back((std::filesystem::path(ConfigHome) / "Korv Group" / "KorvMOX" / kSettingsFileName).string());
    out.push_back((std::filesystem::path(ConfigHome) / "KorvMOX" / kSettingsFileName).string());
  }
  return out;
}

bool IsInstalledCopy(const std::string &programDir) {
  std::error_code ec;
  return std::filesystem::is_directory(std::filesystem::path(programDir) / ".." / "share" / "korvmox", ec);
}

std::string TSettingsLocations::NewFilePath() const {
  const std::filesystem::path beside = std::filesystem::path(ProgramDir) / kSettingsFileName;
  if (ConfigHome.empty() || (!IsInstalledCopy(ProgramDir) && FolderWritable(ProgramDir))) return beside.string();
  return (std::filesystem::path(ConfigHome) / "Korv Group" / "KorvMOX" / kSettingsFileName).string();
}

std::string SettingsFilePath(const TSettingsLocations &where) {
  std::error_code ec;
  for (const std::string &candidate : where.Candidates())
    if (std::filesystem::exists(candidate, ec)) return candidate;
  return where.NewFilePath();
}

std::string PrintableSetting(std::string_view value) {
  std::string out;
  for (const char c : value.substr(0, 200)) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x20 || b == 0x7F) {
      static constexpr char kHex[] = "0123456789ABCDEF";
      out += "\\x";
      out += kHex[b >> 4];
      out += kHex[b & 0xF];
    } else {
      out += c;
    }
  }
  return value.size() > 200 ? out + "..." : out;
}

std::string PathSettingProblem(std::string_view key, std::string_view value) {
  for (const char c : value) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x20 || b == 0x7F)
      return "The setting " + std::string(key) + " \"" + PrintableSetting(value) +
             "\" holds control characters; it is not used.";
  }
  return {};
}

TKorvSettings::TKorvSettings(TSettingsContext context)
    : Options(TOptions::Defaults(context)), m_context(std::move(context)) {}

void TKorvSettings::Read(const TIniFile &ini) {
  ReadOptions(ini);
  ReadMainWindow(ini);
  ReadRecentFiles(ini);
}

void TKorvSettings::ReadOptions(const TIniFile &ini) {
  const TOptions d = TOptions::Defaults(m_context);
  TOptions &o = Options;
  Problems.clear();
  // A path with control characters is refused whole: cut at a NUL it would
  // name another folder than the one the user sees in the file.
  const auto path = [&](const char *key, const std::string &def) {
    std::string value = ini.ReadString(kOptions, key, def);
    if (std::string problem = PathSettingProblem(key, value); !problem.empty()) {
      Problems.push_back({key, std::move(problem), def});
      return def;
    }
    return value;
  };
  o.ViewStyle = ini.ReadInteger(kOptions, "ViewStyle", d.ViewStyle);
  o.FontSize = ini.ReadInteger(kOptions, "FontSize", d.FontSize);
  o.PlotMethod = ini.ReadInteger(kOptions, "PlotMethod", d.PlotMethod);
  o.GridLines = ini.ReadInteger(kOptions, "GridLines", d.GridLines);
  o.MarkPoints = ini.ReadBool(kOptions, "MarkPoints", d.MarkPoints);
  o.CableList = path("CableList", d.CableList);
  o.DocDirectory = path("DocDirectory", d.DocDirectory);
  o.Deliminator = ini.ReadInteger(kOptions, "Deliminator", d.Deliminator);
  o.AutoSave = ini.ReadBool(kOptions, "AutoSave", d.AutoSave);
  o.CommPort = ini.ReadInteger(kOptions, "CommPort", d.CommPort);
  o.CommPortChosen = !ini.ReadString(kOptions, "CommPort", "").empty();
  o.CommDevice = ini.ReadString(kOptions, "CommDevice", d.CommDevice);
  o.DielectricFormat = ini.ReadInteger(kOptions, "DielectricFormat", d.DielectricFormat);
  o.UploadRoot = path("UploadRoot", d.UploadRoot);
  o.UploadStyle = ini.ReadInteger(kOptions, "UploadStyle", d.UploadStyle);
  o.DefaultLossUnit = ini.ReadInteger(kOptions, "DefaultLossUnit", d.DefaultLossUnit);
  o.DefaultDistanceUnit = ini.ReadInteger(kOptions, "DefaultDistanceUnit", d.DefaultDistanceUnit);
  o.LblFieldSite = ini.ReadBool(kOptions, "LblFieldSite", d.LblFieldSite);
  o.LblFieldSector = ini.ReadBool(kOptions, "LblFieldSector", d.LblFieldSector);
  o.LblFieldAntenna = ini.ReadBool(kOptions, "LblFieldAntenna", d.LblFieldAntenna);
  o.LblFieldDate = ini.ReadBool(kOptions, "LblFieldDate", d.LblFieldDate);
  o.LblFieldCustom = ini.ReadBool(kOptions, "LblFieldCustom", d.LblFieldCustom);
  o.DefaultImageFmt = ini.ReadInteger(kOptions, "DefaultImageFmt", d.DefaultImageFmt);
  o.HandheldRoot = path("HandheldRoot", d.HandheldRoot);
  if (o.HandheldRoot.size() > kMaxPathLength) o.HandheldRoot.clear();
  o.VnaDevice = ini.ReadString(kOptions, "VnaDevice", d.VnaDevice);
  // A sweep that no analyzer takes falls back to the defaults as a whole.
  double start = 0;
  double stop = 0;
  if (ParseDouble(ini.ReadString(kOptions, "VnaStartMHz", ""), start) &&
      ParseDouble(ini.ReadString(kOptions, "VnaStopMHz", ""), stop) && start > 0 && stop > start && stop <= 1e6) {
    o.VnaStartMHz = start;
    o.VnaStopMHz = stop;
  }
  o.VnaPoints = std::clamp(ini.ReadInteger(kOptions, "VnaPoints", d.VnaPoints), 2, 16383);
}

void TKorvSettings::ReadMainWindow(const TIniFile &ini) {
  const TMainWindowSettings d;
  TMainWindowSettings &m = MainWindow;
  m.WindowState = ini.ReadInteger(kMainWindow, "WindowState", d.WindowState);
  m.Normal.Left = ini.ReadInteger(kMainWindow, "Left", d.Normal.Left);
  m.Normal.Top = ini.ReadInteger(kMainWindow, "Top", d.Normal.Top);
  m.Normal.Width = ini.ReadInteger(kMainWindow, "Width", d.Normal.Width);
  m.Normal.Height = ini.ReadInteger(kMainWindow, "Height", d.Normal.Height);
  m.ToolbarLocation = ini.ReadInteger(kMainWindow, "ToolbarLocation", d.ToolbarLocation);
  if (m.ToolbarLocation < 0 || m.ToolbarLocation > 4) m.ToolbarLocation = d.ToolbarLocation;
  m.ToolbarVisible = ini.ReadBool(kMainWindow, "ToolbarVisible", d.ToolbarVisible);
  m.StatusbarVisible = ini.ReadBool(kMainWindow, "StatusbarVisible", d.StatusbarVisible);
  m.NumberOfDocsAutoload = ini.ReadInteger(kMainWindow, "NumberOfDocsAutoload", d.NumberOfDocsAutoload);
}

void TKorvSettings::ReadRecentFiles(const TIniFile &ini) {
  RecentFiles.Clear();
  RecentFilesW.Clear();
  NumberToShow = ini.ReadInteger(kRecentFiles, "NumberToShow", 5);
  // The lists hold nine at most, whatever the file says.
  const int count = std::clamp(NumberToShow, 0, kMaxRecentFiles);
  for (int k = 1; k <= count; ++k) {
    const std::string key = std::to_string(k);
    std::string shown = ini.ReadString(kRecentFiles, key, "");
    const std::string hex = ini.ReadString(kRecentFilesW, key, "");
    // No path is longer than kMaxPathLength: such a name is damage, and would
    // make the File menu unusable.
    if (shown.size() > kMaxPathLength || hex.size() > 4 * kMaxPathLength) continue;
    std::string wide = DecodeWideNameUtf8(hex);
    if (wide.size() > kMaxPathLength) continue;
    // Empty slots would show as menu items that open nothing; a name missing
    // from one list is taken from the other so the two stay in step.
    if (shown.empty() && wide.empty()) continue;
    if (wide.empty()) wide = shown;
    if (shown.empty()) shown = wide;
    RecentFiles.Append(shown);
    RecentFilesW.Append(wide);
  }
}

void TKorvSettings::AddRecent(const std::string &name) {
  RecentFiles.Add(name);
  RecentFilesW.Add(name);
}

int TKorvSettings::VisibleRecentCount() const {
  return std::max(0, std::min({RecentFiles.Count(), NumberToShow, kMaxRecentFiles}));
}

std::string TKorvSettings::RecentNameForItem(int k) const {
  if (k < 1 || k > kMaxRecentFiles || k > NumberToShow || k > RecentFilesW.Count()) return {};
  return RecentFilesW.At(k - 1);
}

std::string TKorvSettings::ProblemOf(std::string_view key) const {
  for (const TProblem &p : Problems)
    if (p.Key == key) return p.Message;
  return {};
}

void TKorvSettings::WriteOptions(TIniFile &ini) const {
  const TOptions &o = Options;
  const auto writePath = [&](const char *key, const std::string &value) {
    for (const TProblem &p : Problems)
      if (p.Key == key && p.Replacement == value) return;
    ini.WriteString(kOptions, key, value);
  };
  ini.WriteInteger(kOptions, "ViewStyle", o.ViewStyle);
  ini.WriteInteger(kOptions, "FontSize", o.FontSize);
  ini.WriteInteger(kOptions, "PlotMethod", o.PlotMethod);
  ini.WriteInteger(kOptions, "GridLines", o.GridLines);
  ini.WriteBool(kOptions, "MarkPoints", o.MarkPoints);
  writePath("CableList", o.CableList);
  writePath("DocDirectory", o.DocDirectory);
  ini.WriteInteger(kOptions, "Deliminator", o.Deliminator);
  ini.WriteBool(kOptions, "AutoSave", o.AutoSave);
  // A port nobody chose stays unchosen across a save.
  if (o.CommPortChosen || o.CommPort != TOptions().CommPort)
    ini.WriteInteger(kOptions, "CommPort", o.CommPort);
  else
    ini.DeleteKey(kOptions, "CommPort");
  // Only a chosen device is written: a settings file without one keeps its form.
  if (o.CommDevice.empty())
    ini.DeleteKey(kOptions, "CommDevice");
  else
    ini.WriteString(kOptions, "CommDevice", o.CommDevice);
  ini.WriteInteger(kOptions, "DielectricFormat", o.DielectricFormat);
  writePath("UploadRoot", o.UploadRoot);
  ini.WriteInteger(kOptions, "UploadStyle", o.UploadStyle);
  ini.WriteInteger(kOptions, "DefaultLossUnit", o.DefaultLossUnit);
  ini.WriteInteger(kOptions, "DefaultDistanceUnit", o.DefaultDistanceUnit);
  ini.WriteBool(kOptions, "LblFieldSite", o.LblFieldSite);
  ini.WriteBool(kOptions, "LblFieldSector", o.LblFieldSector);
  ini.WriteBool(kOptions, "LblFieldAntenna", o.LblFieldAntenna);
  ini.WriteBool(kOptions, "LblFieldDate", o.LblFieldDate);
  ini.WriteBool(kOptions, "LblFieldCustom", o.LblFieldCustom);
  ini.WriteInteger(kOptions, "DefaultImageFmt", o.DefaultImageFmt);
  writePath("HandheldRoot", o.HandheldRoot);
  ini.WriteString(kOptions, "VnaDevice", o.VnaDevice);
  ini.WriteString(kOptions, "VnaStartMHz", Format("%.10g", o.VnaStartMHz));
  ini.WriteString(kOptions, "VnaStopMHz", Format("%.10g", o.VnaStopMHz));
  ini.WriteInteger(kOptions, "VnaPoints", o.VnaPoints);
}

void TKorvSettings::WriteRecentFiles(TIniFile &ini) const {
  ini.WriteInteger(kRecentFiles, "NumberToShow", NumberToShow);
  for (int i = 0; i < RecentFiles.Count(); ++i) {
    const std::string key = std::to_string(i + 1);
    ini.WriteString(kRecentFiles, key, RecentFiles.At(i));
    ini.WriteString(kRecentFilesW, key, i < RecentFilesW.Count() ? EncodeWideNameUtf8(RecentFilesW.At(i)) : "");
  }
}

void TKorvSettings::WriteMainWindow(TIniFile &ini) const {
  const TMainWindowSettings &m = MainWindow;
  if (Options.AutoSave) {
    ini.WriteInteger(kMainWindow, "WindowState", m.WindowState);
    ini.WriteInteger(kMainWindow, "Left", m.Normal.Left);
    ini.WriteInteger(kMainWindow, "Top", m.Normal.Top);
    ini.WriteInteger(kMainWindow, "Width", m.Normal.Width);
    ini.WriteInteger(kMainWindow, "Height", m.Normal.Height);
  }
  ini.WriteInteger(kMainWindow, "ToolbarLocation", m.ToolbarLocation);
  ini.WriteBool(kMainWindow, "ToolbarVisible", m.ToolbarVisible);
  ini.WriteBool(kMainWindow, "StatusbarVisible", m.StatusbarVisible);
}

std::string TKorvSettings::DocumentSection(int k) { return "Document" + std::to_string(k); }

void TKorvSettings::WriteDocuments(TIniFile &ini, const std::vector<TDocumentEntry> &documents) const {
  if (!Options.AutoSave) return;
  int k = 0;
  for (const TDocumentEntry &d : documents) {
    ++k;
    const std::string section = DocumentSection(k);
    ini.EraseSection(section);
    ini.WriteString(section, "Filename", d.FileName);
    ini.WriteString(section, "FilenameW", EncodeWideNameUtf8(d.FileName));
    ini.WriteInteger(section, "WindowState", d.WindowState);
    ini.WriteInteger(section, "Left", d.Placement.Left);
    ini.WriteInteger(section, "Top", d.Placement.Top);
    ini.WriteInteger(section, "Width", d.Placement.Width);
    ini.WriteInteger(section, "Height", d.Placement.Height);
  }
  // Written even when nothing is open, and stale sections removed, so that a
  // start after closing everything does not reopen older documents.
  ini.WriteInteger(kMainWindow, "NumberOfDocsAutoload", k);
  for (const std::string &name : ini.SectionNames()) {
    if (name.size() > 8 && name.compare(0, 8, "Document") == 0) {
      long long n = 0;
      bool digits = true;
      for (std::size_t i = 8; i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9' || n > 100000) {
          digits = false;
          break;
        }
        n = n * 10 + (name[i] - '0');
      }
      if (digits && n > k) ini.EraseSection(name);
    }
  }
}

void TKorvSettings::WriteAll(TIniFile &ini, const std::vector<TDocumentEntry> &documents, bool writeDocuments) const {
  if (writeDocuments) WriteDocuments(ini, documents);
  WriteOptions(ini);
  WriteRecentFiles(ini);
  WriteMainWindow(ini);
}

std::vector<TDocumentEntry> TKorvSettings::TakeAutoloadList(TIniFile &ini, int defaultWidth) const {
  std::vector<TDocumentEntry> list;
  if (!Options.AutoSave) return list;
  int n = ini.ReadInteger(kMainWindow, "NumberOfDocsAutoload", 0);
  ini.WriteInteger(kMainWindow, "NumberOfDocsAutoload", 0);
  // No more documents than sections in the file, whatever the count says.
  n = std::min(n, static_cast<int>(ini.SectionNames().size()));
  for (int k = n; k >= 1; --k) {
    const std::string section = DocumentSection(k);
    TDocumentEntry e;
    e.Index = k;
    const std::string hex = ini.ReadString(section, "FilenameW", "");
    if (hex.size() <= 4 * kMaxPathLength) e.FileName = DecodeWideNameUtf8(hex);
    if (e.FileName.size() > kMaxPathLength) e.FileName.clear();
    e.WindowState = ini.ReadInteger(section, "WindowState", wsNormal);
    // Window code adds positions and sizes: keep them where no sum overflows.
    e.Placement.Left = std::clamp(ini.ReadInteger(section, "Left", 0), -kMaxPlacement, kMaxPlacement);
    e.Placement.Top = std::clamp(ini.ReadInteger(section, "Top", 0), -kMaxPlacement, kMaxPlacement);
    e.Placement.Width = std::clamp(ini.ReadInteger(section, "Width", defaultWidth), 0, kMaxPlacement);
    e.Placement.Height = std::clamp(ini.ReadInteger(section, "Height", 35), 0, kMaxPlacement);
    list.push_back(std::move(e));
  }
  return list;
}

} // namespace korv
