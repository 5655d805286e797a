// Icons drawn for an icon image list off the window's thread, then moved into the list in one
// step: adding icons one by one costs the platform a copy of each icon, far more than drawing it.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "win/Handles.h"

namespace win {

// An icon for a batch and its own edge in pixels: an icon of another edge than the list's is
// scaled first, as the list scales an icon added to it.
struct BatchIcon {
  HICON icon = nullptr;
  int edge = 0;
  // Or a picture of the list's size as premultiplied 0xAARRGGBB pixels, rows top down, which
  // the batch writes as drawing an icon made of them (alpha, colours unmultiplied) would: no
  // platform icon needed. Used instead of icon.
  const std::uint32_t* pixels = nullptr;
  // Or what drawing a stored image of the list's size leaves in the cell, written as it is:
  // its picture over black (0xAARRGGBB) and its mask (non-zero where set), rows top down. Used
  // instead of icon and pixels.
  const std::uint32_t* drawn = nullptr;
  const std::uint8_t* drawnMask = nullptr;
  // A drawn picture of a larger stored image as the platform shrinks it, whose drawing is
  // worked out apart from that of a stored image of the list's size: tried apart.
  bool shrunk = false;
};

// The kinds of batch the platform is tried with: icons drawn, pictures given as pixels, stored
// images given as drawn, and larger ones given as drawn shrunk; a batch with pixels and drawn
// pictures is of the kind of its first drawn one.
enum class BatchKind { Icons, Pixels, Drawn, Shrunk };

// The room a batch takes in a list: blank images, added as the list grows, then written over.
struct BatchBlank {
  UniqueBitmap image, mask;
};

// What the batches one thread makes reuse: the memory their pictures are laid out in, and the
// blanks of the last few sizes. Under Wine, memory touched for the first time costs about 3 ms
// a megabyte, more than writing a batch's pictures into it. Used by one thread at a time.
class BatchScratch {
 public:
  // At least `bytes` of moveable memory, as left by the last batch.
  HGLOBAL Memory(std::size_t bytes);
  // A blank of count images of size x size; null when the platform cannot make one.
  std::shared_ptr<const BatchBlank> Blank(int size, int count);

 private:
  UniqueGlobal memory_;
  std::size_t bytes_ = 0;
  struct Kept {
    int size, count;
    std::shared_ptr<const BatchBlank> blank;
  };
  std::deque<Kept> blanks_;  // the newest first
};

// Icons drawn for lists of size x size images (CreateIconImageList), in a list of their own.
// Made on any thread; used by one thread at a time.
class IconBatch {
 public:
  IconBatch() = default;
  // Draws the icons, in the scratch's memory where one is given; Empty() when the platform
  // cannot make the batch.
  IconBatch(int size, std::span<const BatchIcon> icons, BatchScratch* scratch = nullptr);
  bool Empty() const { return !images_; }
  int Size() const { return size_; }
  int Count() const { return count_; }
  // Appends the batch's images to list, a list of the batch's size; false, the list as it
  // was, when the platform does not take them.
  bool AppendTo(HIMAGELIST list) const;
  // A copy of the image at index as an icon.
  UniqueIcon Icon(int index) const;

 private:
  UniqueImageList images_;
  std::shared_ptr<const BatchBlank> blank_;  // room for the batch, made in the list before copying in
  int size_ = 0, count_ = 0;
};

// What a list shows and gives back of its image at index: the pixels of the icon read back
// (picture, then mask) and of the image drawn over a coloured ground; empty when it cannot be read.
std::vector<DWORD> ListImageAppearance(HIMAGELIST list, int index);

// Whether on this platform a batch gives the list exactly what adding its icons one by one
// gives (the same pictures drawn, the same icons read back). Tried once per kind (pictures
// given as pixels or drawn need their icons too, for the one-by-one side), with the first icons
// asked about, and remembered for the rest of the program's run.
bool BatchesMatchAdds(int size, std::span<const BatchIcon> icons);
// The same question asked now and not remembered; nothing where the one-by-one side cannot be
// made, which teaches nothing.
std::optional<bool> BatchMatchesAdds(int size, std::span<const BatchIcon> icons);
// Whether batches of that kind have been tried (BatchesMatchAdds, SettleBatches), and whether
// they were found to match.
bool BatchesTried(BatchKind kind);
bool BatchesMatch(BatchKind kind);

// Icons to try batches with at one list size.
struct BatchTrial {
  int size = 0;
  std::vector<BatchIcon> icons;
};
// Tries each kind not yet tried with the trials of that kind, all of which must match; a kind
// whose trials cannot all be made stays untried.
void SettleBatches(std::span<const BatchTrial> trials);

}  // namespace win
