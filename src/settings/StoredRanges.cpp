// Range rules for stored values; every sum is formed in 64 bits, so no stored number overflows.
#include "settings/StoredRanges.h"

#include <utility>

namespace settings {

bool WindowBoundsInRange(int left, int top, int width, int height, int minWidth, int minHeight) {
  auto within = [](long long v, long long lo, long long hi) { return v >= lo && v <= hi; };
  return within(width, minWidth, kMaxWindowCoordinate) && within(height, minHeight, kMaxWindowCoordinate) &&
         within(left, -kMaxWindowCoordinate, kMaxWindowCoordinate) &&
         within(top, -kMaxWindowCoordinate, kMaxWindowCoordinate);
}

bool PaneWidthFits(int width, int holderWidth, int splitterWidth, int minSize) {
  return width >= 0 && width >= minSize && static_cast<long long>(width) + splitterWidth + minSize <= holderWidth;
}

std::string FileTypesInRange(std::string stored, const std::string& fallback) {
  return stored.size() <= kMaxFileTypesLength ? std::move(stored) : fallback;
}

int MinSizeInRange(int stored, int fallback) { return stored >= 0 && stored <= kMaxImageSize ? stored : fallback; }

}  // namespace settings
