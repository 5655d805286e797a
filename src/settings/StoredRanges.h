// Range rules for values read back from the settings store. Anyone can write there, so a value
// the window cannot use counts as missing and its default applies; the user's normal values
// pass unchanged. Pure functions, so the rules are tested (and fuzzed) without a window.
#pragma once
#include <cstddef>
#include <string>

namespace settings {

// Window coordinates and sizes beyond this are nothing a screen shows; sums of them stay far
// from the limits of int.
inline constexpr int kMaxWindowCoordinate = 32767;

// Longest stored file types text that is used. The default list has under 50 characters;
// this holds hundreds of extensions, and a longer text is no list anyone typed.
inline constexpr std::size_t kMaxFileTypesLength = 4096;

// The largest image edge an icon stores (the reader's limit); a larger size filter lists nothing.
inline constexpr int kMaxImageSize = 4096;

// Whether stored window bounds are numbers a window can take: width and height from the
// usable minimum up to kMaxWindowCoordinate, left and top within +-kMaxWindowCoordinate.
// (Whether the rectangle shows on a monitor is the window's own check.)
bool WindowBoundsInRange(int left, int top, int width, int height, int minWidth, int minHeight);

// Whether a stored pane width (or height) leaves the pane and the rest of its holder at least the
// splitter's minimum each: minSize <= width and width + splitterWidth + minSize <= holderWidth.
bool PaneWidthFits(int width, int holderWidth, int splitterWidth, int minSize);

// The stored file types text, or `fallback` when it is longer than kMaxFileTypesLength.
std::string FileTypesInRange(std::string stored, const std::string& fallback);

// The stored smallest image size for the run's size filter, or `fallback` when it is negative
// or larger than any image an icon can store.
int MinSizeInRange(int stored, int fallback);

}  // namespace settings
