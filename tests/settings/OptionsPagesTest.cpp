// The options dialog's program-wide pages and how they are stored.
#include <gtest/gtest.h>

#include "settings/OptionsPages.h"

using namespace korv;

TEST(OptionsPages, RoundTripAndStoringRules) {
  TKorvSettings s;
  s.Options.PlotMethod = 6;
  s.Options.Deliminator = 32;
  s.Options.CommPort = 3;
  s.Options.LblFieldSite = true;
  TSettingsPages p = PagesFromSettings(s);
  EXPECT_EQ(p.PlotMethodItem, 1);
  EXPECT_EQ(p.DelimiterItem, 1);
  EXPECT_EQ(p.CommPortItem, 2);
  // Unchanged pages store nothing new but clear the old label fields.
  TStoredPages stored = StorePages(p, s);
  EXPECT_FALSE(stored.PlottingChanged);
  EXPECT_EQ(PagesFromSettings(s), p);
  EXPECT_FALSE(s.Options.LblFieldSite);

  p.GridLines = 3;
  p.DelimiterItem = 0;
  p.DocDirectory = "/home/eng/sites";
  p.RecentCount = 2;
  p.HandheldRoot = "/media/eng/KP418";
  stored = StorePages(p, s);
  EXPECT_TRUE(stored.PlottingChanged);
  EXPECT_TRUE(stored.RecentCountChanged);
  EXPECT_EQ(s.Options.Deliminator, 9);
  EXPECT_EQ(s.Options.DocDirectory, "/home/eng/sites/");
  EXPECT_EQ(s.Options.PlotMethod, 6);
  EXPECT_EQ(s.NumberToShow, 2);
  EXPECT_EQ(s.Options.HandheldRoot, "/media/eng/KP418");
  // A device chosen by name is stored as CommDevice and comes back to the page.
  p.CommDevice = "/dev/ttyACM0";
  StorePages(p, s);
  EXPECT_EQ(s.Options.CommDevice, "/dev/ttyACM0");
  EXPECT_EQ(PagesFromSettings(s).CommDevice, "/dev/ttyACM0");
}
