// The range rules for stored values, at their edges and at the extremes of int.
#include <gtest/gtest.h>

#include <climits>

#include "settings/StoredRanges.h"

namespace {

using namespace settings;

TEST(StoredRanges, APaneFitsWhenBothSidesKeepTheMinimum) {
  // A 400-pixel holder, a 3-pixel splitter, 80 pixels at least on either side.
  EXPECT_TRUE(PaneWidthFits(80, 400, 3, 80));
  EXPECT_TRUE(PaneWidthFits(317, 400, 3, 80));
  EXPECT_FALSE(PaneWidthFits(318, 400, 3, 80));
  EXPECT_FALSE(PaneWidthFits(79, 400, 3, 80));
  for (int absurd : {INT_MAX, INT_MIN, -1, 0}) EXPECT_FALSE(PaneWidthFits(absurd, 400, 3, 80)) << absurd;
  EXPECT_FALSE(PaneWidthFits(INT_MAX - 10, INT_MAX, 3, 80)) << "no overflow";
}

TEST(StoredRanges, WindowBoundsStayWithinWhatAScreenShows) {
  EXPECT_TRUE(WindowBoundsInRange(-100, 0, 582, 480, 120, 100));
  EXPECT_TRUE(WindowBoundsInRange(kMaxWindowCoordinate, -kMaxWindowCoordinate, 120, 100, 120, 100));
  EXPECT_FALSE(WindowBoundsInRange(0, 0, 119, 480, 120, 100));
  EXPECT_FALSE(WindowBoundsInRange(0, 0, 582, 99, 120, 100));
  EXPECT_FALSE(WindowBoundsInRange(INT_MAX, 0, 582, 480, 120, 100));
  EXPECT_FALSE(WindowBoundsInRange(0, INT_MIN, 582, 480, 120, 100));
  EXPECT_FALSE(WindowBoundsInRange(0, 0, INT_MAX, 480, 120, 100));
  EXPECT_FALSE(WindowBoundsInRange(0, 0, 582, kMaxWindowCoordinate + 1, 120, 100));
}

TEST(StoredRanges, FileTypesBeyondTheLimitGiveTheDefault) {
  const std::string longest(kMaxFileTypesLength, 'x');
  EXPECT_EQ(FileTypesInRange(longest, ".EXE"), longest);
  EXPECT_EQ(FileTypesInRange("", ".EXE"), "");
  EXPECT_EQ(FileTypesInRange(longest + "x", ".EXE"), ".EXE");
}

}  // namespace
