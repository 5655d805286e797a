// The icons the extraction run shows and saves for one icon group of a file.
#pragma once
#include <windows.h>

#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <unordered_map>

#include "extract/IconScale.h"
#include "iconres/IconFile.h"
#include "win/Handles.h"

// The edges of the images the save commands write: fixed, whatever the display's scale.
constexpr int kSavedLargeSize = 32, kSavedSmallSize = 16;

// The platform's best-match picks, kept across the files of a run: its rule reads the entries'
// sizes and colours and the display's depth, never the ids the entries name, and under Wine
// each asking costs a look at the display, while a run's files repeat few directory shapes.
// Shared by a run's threads.
class ImagePicks {
 public:
  // The place of the entry the rule picks in a group directory (resource form) for size x
  // size; -1 for none.
  int Pick(const iconres::Bytes& directory, int size);

 private:
  std::mutex lock_;
  std::unordered_map<std::string, int> places_;  // by the directory, its ids numbered in order, and the size
};

// The group's image that the platform's best-match rule picks for size x size; null when the
// group has none. picks: answers kept from earlier groups, if any.
const iconres::IconImage* PickedImage(const iconres::IconFile& file, std::size_t group, int size,
                                      ImagePicks* picks = nullptr);
// The group's image that the platform's best-match rule picks for size x size, made into an
// icon of that size; null when the group has no such image or its image is not sound
// (IconFile::Sound). The caller owns the icon.
HICON MakeIcon(const iconres::IconFile& file, std::size_t group, int size);
// The same at the system's large icon size.
HICON MakeLargeIcon(const iconres::IconFile& file, std::size_t group);

// The icon the list shows at size x size: the stored image of that size, else the nearest
// larger sound image scaled down by averaging, else the largest smaller one scaled up; null
// when the group has no sound image. The caller owns the icon.
HICON MakeShownIcon(const iconres::IconFile& file, std::size_t group, int size);
// The same picture, where it is resampled as its pixels: under Wine a platform icon costs far
// more than the pixels, and an icon list fed in batches needs none. Either part may be empty.
struct ShownPicture {
  win::UniqueIcon icon;     // the stored image of that size
  iconscale::Pixels pixels; // else the resampled one
};
// pick: the image the platform picks for size (PickedImage), for a caller that keeps its answers.
// plainTaken: the platform was found to take plain images alike (iconres::PlainImage, the batch
// trial's samples), so a plain one is resampled without asking the platform whether it opens it.
ShownPicture MakeShownPicture(const iconres::IconFile& file, std::size_t group, int size,
                              const std::function<const iconres::IconImage*()>& pick = nullptr,
                              bool plainTaken = false);

// The windows folder when it has a SystemResources folder, where its System32 and SysWOW64
// libraries may keep their icons; else empty, so no file is looked for there.
std::string MunWindowsFolder();
