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
#include <variant>
#include <vector>

#include "win/Handles.h"

namespace win {

// The forms an icon takes in a batch. An icon of its own edge, drawn as an icon list draws an
// icon added to it: an icon of another edge than the list's is scaled first, as the list
// scales it.
struct IconForm {
  HICON icon = nullptr;
  int edge = 0;
};
// A picture of the list's size as premultiplied 0xAARRGGBB pixels, rows top down, which the
// batch writes as drawing an icon made of them (alpha, colours unmultiplied) would: no platform
// icon needed.
struct PixelsForm {
  std::span<const std::uint32_t> argb;
};
// What drawing a stored image of the list's size leaves in the cell, written as it is: its
// picture over black (0xAARRGGBB) and its mask (non-zero where set), rows top down.
struct DrawnForm {
  std::span<const std::uint32_t> picture;
  std::span<const std::uint8_t> mask;
};
// A picture given as pixels or drawn whose length is not the list's size squared makes no batch.
using BatchIcon = std::variant<IconForm, PixelsForm, DrawnForm>;

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

// Whether a batch of these pictures gives a list of size x size images exactly what adding the
// icons `added` one by one gives (the same pictures drawn, the same icons read back); asked now.
// Nothing where the one-by-one side cannot be made, which teaches nothing.
std::optional<bool> BatchMatchesAdds(int size, std::span<const BatchIcon> batch, std::span<const HICON> added);

}  // namespace win
