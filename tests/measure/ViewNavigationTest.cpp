// Wheel zoom, box and pan in graph units.
#include <gtest/gtest.h>

#include <limits>

#include "measure/ViewNavigation.h"

using namespace korv;

TEST(ViewNavigation, WheelZoomKeepsTheValueUnderThePointerAndStopsAtTheSmallestWindow) {
  const TSpan full{1700.0, 2000.0};
  const auto in = ZoomSpanAbout(full, 1760.0, 1.0, full);
  ASSERT_TRUE(in.has_value());
  EXPECT_DOUBLE_EQ(in->Width(), 240.0);
  // The pointer's value keeps its place: a fifth of the way across.
  EXPECT_DOUBLE_EQ((1760.0 - in->Min) / in->Width(), 0.2);
  const auto back = ZoomSpanAbout(*in, 1760.0, -1.0, full);
  EXPECT_NEAR(back->Min, 1700.0, 1e-9);
  EXPECT_NEAR(back->Max, 2000.0, 1e-9);
  // A reversed axis (larger value first) zooms alike.
  const auto reversed = ZoomSpanAbout(TSpan{0.0, -30.0}, -10.0, 2.0, TSpan{0.0, -30.0});
  EXPECT_DOUBLE_EQ(reversed->Min, -10.0 + 10.0 * 0.64);
  // Far too deep, or a pointer that is no number: nothing.
  EXPECT_FALSE(ZoomSpanAbout(full, 1800.0, 80.0, full).has_value());
  EXPECT_FALSE(ZoomSpanAbout(full, std::numeric_limits<double>::quiet_NaN(), 1.0, full).has_value());
}

TEST(ViewNavigation, PanAndBox) {
  EXPECT_EQ(PanSpan({10.0, 20.0}, 12.0, 15.0), (TSpan{7.0, 17.0}));
  EXPECT_EQ(PanSpan({10.0, 20.0}, 12.0, std::numeric_limits<double>::infinity()), (TSpan{10.0, 20.0}));
  EXPECT_EQ(*BoxSpan(30.0, 10.0, {0.0, 100.0}), (TSpan{10.0, 30.0}));
  EXPECT_FALSE(BoxSpan(5.0, 5.0, {0.0, 100.0}).has_value());
}
