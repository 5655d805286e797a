// Image lists for icons added at run time.
#pragma once
#include "win/Handles.h"

namespace win {

// An empty list of size x size images at the display's depth, with masks: what the icon list
// keeps and the save commands read back. It has room for `room` images, then grows by `grow`
// images at a time.
UniqueImageList CreateIconImageList(int size, int room = 0, int grow = 256);

// Appends n of `from`'s images, from `first` on, to `to`, in one step of its growth: places made
// by adding `blank` and `blankMask` (n images wide), each then copied in whole. False, `to` as it
// was, where the platform refuses.
bool AppendCopies(HIMAGELIST to, HIMAGELIST from, int first, int n, HBITMAP blank, HBITMAP blankMask);

// A list with more room, filled with the images of a list in use a few at a time, to take its
// place once it holds them all. A list's own growth copies every image it has on the spot, and
// Wine grows a list by 256 images at most, whatever it was asked: at thousands of icons that is
// a pause at every few batches, longer with each.
class ListSuccessor {
 public:
  // Begins one with room for `room` images of `of`'s size; false when there is no room for it.
  bool Begin(HIMAGELIST of, int room);
  bool Begun() const { return static_cast<bool>(list_); }
  int Room() const { return room_; }
  // How many images it holds.
  int Count() const { return list_ ? ImageList_GetImageCount(list_.get()) : 0; }
  // Copies up to `count` more of `of`'s images; false, and nothing begun, when the platform
  // refuses.
  bool CopyFrom(HIMAGELIST of, int count);
  // Whether it holds every image `of` has.
  bool Holds(HIMAGELIST of) const;
  // The list, ending this one.
  UniqueImageList Take();

 private:
  UniqueImageList list_;
  int room_ = 0;
};

}  // namespace win
