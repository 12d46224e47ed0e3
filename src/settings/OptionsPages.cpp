#include "settings/OptionsPages.h"

#include <algorithm>

namespace korv {

namespace {
constexpr int kSplineMethod = 6;
constexpr int kTab = 9;
constexpr int kBlank = 32;
constexpr int kCommPorts = 16;
} // namespace

TSettingsPages PagesFromSettings(const TKorvSettings &settings) {
  const TOptions &o = settings.Options;
  TSettingsPages p;
  p.ViewStyle = std::clamp(o.ViewStyle, 0, 2);
  p.FontSize = std::clamp(o.FontSize, 0, 2);
  p.PlotMethodItem = o.PlotMethod == kSplineMethod ? 1 : 0;
  p.GridLines = std::clamp(o.GridLines, 0, 3);
  p.MarkPoints = o.MarkPoints;
  p.CableList = o.CableList;
  p.DocDirectory = o.DocDirectory;
  p.AutoSave = o.AutoSave;
  p.DelimiterItem = o.Deliminator == kBlank ? 1 : 0;
  p.RecentCount = std::clamp(settings.NumberToShow, 0, kMaxRecentFiles);
  p.CommPortItem = std::clamp(o.CommPort, 1, kCommPorts) - 1;
  p.CommDevice = o.CommDevice;
  p.DielectricFormat = o.DielectricFormat != 0 ? 1 : 0;
  p.HandheldRoot = o.HandheldRoot;
  p.DefaultLossUnit = std::clamp(o.DefaultLossUnit, 0, 4);
  p.DefaultDistanceUnit = std::clamp(o.DefaultDistanceUnit, 0, 1);
  p.LblFieldDate = o.LblFieldDate;
  p.LblFieldCustom = o.LblFieldCustom;
  p.DefaultImageFmt = o.DefaultImageFmt != 0 ? 1 : 0;
  return p;
}

TStoredPages StorePages(const TSettingsPages &p, TKorvSettings &settings) {
  TOptions &o = settings.Options;
  TStoredPages result;
  const int method = p.PlotMethodItem == 1 ? kSplineMethod : 0;
  if (o.ViewStyle != p.ViewStyle || o.FontSize != p.FontSize || o.PlotMethod != method || o.GridLines != p.GridLines ||
      o.MarkPoints != p.MarkPoints) {
    o.ViewStyle = p.ViewStyle;
    o.FontSize = p.FontSize;
    o.PlotMethod = method;
    o.GridLines = p.GridLines;
    o.MarkPoints = p.MarkPoints;
    result.PlottingChanged = true;
  }
  o.CableList = p.CableList;
  o.DocDirectory = p.DocDirectory;
  if (!o.DocDirectory.empty() && o.DocDirectory.back() != '/') o.DocDirectory += '/';
  o.Deliminator = p.DelimiterItem == 1 ? kBlank : kTab;
  const int recent = std::clamp(p.RecentCount, 0, kMaxRecentFiles);
  result.RecentCountChanged = recent != settings.NumberToShow;
  settings.NumberToShow = recent;
  o.AutoSave = p.AutoSave;
  o.CommPort = std::clamp(p.CommPortItem, 0, kCommPorts - 1) + 1;
  o.CommPortChosen = true;
  o.CommDevice = p.CommDevice;
  o.DielectricFormat = p.DielectricFormat;
  o.HandheldRoot = p.HandheldRoot;
  o.DefaultLossUnit = p.DefaultLossUnit;
  o.DefaultDistanceUnit = p.DefaultDistanceUnit;
  o.LblFieldDate = p.LblFieldDate;
  o.LblFieldCustom = p.LblFieldCustom;
  o.DefaultImageFmt = p.DefaultImageFmt;
  o.LblFieldSite = o.LblFieldSector = o.LblFieldAntenna = false;
  return result;
}

} // namespace korv
