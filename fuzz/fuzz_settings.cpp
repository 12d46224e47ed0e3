// The settings file: the INI reader, the settings model read from it
// (options, window placement, recent lists, autoload list), placement
// clamping, and the file written back and read again.
#include <climits>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/Excption.h"
#include "settings/Config.h"

namespace {
void Clamp(const korv::TPlacement &p) {
  for (int w : {0, 640, 1920, INT_MAX})
    (void)korv::ClampPlacement(p, w, w / 2);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char *>(data), size);
  try {
    korv::TIniFile ini = korv::TIniFile::FromText(text, "fuzz.ini");
    korv::TKorvSettings settings(korv::TSettingsContext{"/opt/korv/", "/home/u/Documents/", ""});
    settings.Read(ini);
    Clamp(settings.MainWindow.Normal);
    for (int k = 0; k <= korv::kMaxRecentFiles + 1; ++k)
      (void)settings.RecentNameForItem(k);
    (void)settings.VisibleRecentCount();
    settings.AddRecent("/tmp/a.kdt");
    std::vector<korv::TDocumentEntry> docs = settings.TakeAutoloadList(ini, 640);
    for (const auto &d : docs)
      Clamp(d.Placement);
    settings.WriteAll(ini, docs);
    // What we write must read back as settings again.
    korv::TIniFile again = korv::TIniFile::FromText(ini.Text(), "fuzz.ini");
    korv::TKorvSettings reread;
    reread.Read(again);
    (void)reread.TakeAutoloadList(again, 640);
    for (const auto &section : again.SectionNames())
      for (const auto &key : again.KeyNames(section))
        (void)again.ReadInteger(section, key, 0);
  } catch (const korv::Exception &) {
  }
  return 0;
}
