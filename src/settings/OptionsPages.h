#pragma once
// The program-wide pages of the options dialog (Plotting, General,
// Defaults) as the dialog's controls see them, and the rules that store
// them back into the settings.
#include <string>
#include <utility>
#include <vector>

#include "settings/Config.h"

namespace korv {

struct TSettingsPages {
  // Plotting.
  int ViewStyle = 0;
  int FontSize = 1;
  int PlotMethodItem = 0; // 0 line, 1 spline (the setting's 6)
  int GridLines = 0;
  bool MarkPoints = false;
  // General.
  std::string CableList;
  std::string DocDirectory;
  bool AutoSave = true;
  int DelimiterItem = 0;  // 0 tab, 1 blank
  int RecentCount = 5;    // 0..9
  int CommPortItem = 0;   // 0..15: port 1..16
  std::string CommDevice; // a device chosen by name; wins over CommPortItem
  // The serial devices the page offers before "Comm 1".."Comm 16": path and
  // description, as found when the dialog opens (not a setting).
  std::vector<std::pair<std::string, std::string>> SerialDevices;
  int DielectricFormat = 1; // "Cable Format" on the Graph page
  std::string HandheldRoot; // where the handheld's files are mounted
  // Defaults.
  int DefaultLossUnit = 0;
  int DefaultDistanceUnit = 0;
  bool LblFieldDate = true;
  bool LblFieldCustom = true;
  int DefaultImageFmt = 0;
  friend bool operator==(const TSettingsPages &, const TSettingsPages &) = default;
};

TSettingsPages PagesFromSettings(const TKorvSettings &settings);

struct TStoredPages {
  bool PlottingChanged = false; // every window takes the new look
  bool RecentCountChanged = false;
};
// Stores the pages: the plotting choices only when one of them changed;
// a document folder gets its closing separator; the site, sector and
// antenna label fields go off.
TStoredPages StorePages(const TSettingsPages &pages, TKorvSettings &settings);

} // namespace korv
