// Image lists for icons added at run time.
#include "win/ImageLists.h"

#include <algorithm>

namespace win {

UniqueImageList CreateIconImageList(int size, int room, int grow) {
  UniqueImageList list(ImageList_Create(size, size, ILC_COLORDDB | ILC_MASK, room, grow));
  ImageList_SetBkColor(list.get(), CLR_NONE);
  return list;
}

bool AppendCopies(HIMAGELIST to, HIMAGELIST from, int first, int n, HBITMAP blank, HBITMAP blankMask) {
  const int at = ImageList_GetImageCount(to);
  if (ImageList_Add(to, blank, blankMask) != at) return false;
  for (int i = 0; i < n; ++i) {
    if (!ImageList_Copy(to, at + i, from, first + i, ILCF_MOVE)) {
      ImageList_SetImageCount(to, static_cast<UINT>(at));
      return false;
    }
  }
  return true;
}

bool ListSuccessor::Begin(HIMAGELIST of, int room) {
  int cx = 0, cy = 0;
  list_.reset();
  room_ = 0;
  if (!of || room <= ImageList_GetImageCount(of) || !ImageList_GetIconSize(of, &cx, &cy)) return false;
  list_ = CreateIconImageList(cx, room, room);
  if (list_) room_ = room;
  return Begun();
}

bool ListSuccessor::CopyFrom(HIMAGELIST of, int count) {
  if (!list_ || !of) return false;
  int cx = 0, cy = 0;
  const int first = ImageList_GetImageCount(list_.get());
  const int n = std::min(count, ImageList_GetImageCount(of) - first);
  if (n <= 0) return true;
  // A few hundred places at a time: a blank strip stays a few megabytes.
  constexpr int kStrip = 256;
  bool copied = ImageList_GetIconSize(of, &cx, &cy) != FALSE;
  for (int done = 0; copied && done < n; done += kStrip) {
    const int strip = std::min(kStrip, n - done);
    const UniqueBitmap blank(CreateCompatibleBitmap(WindowDC(nullptr).get(), cx * strip, cy));
    const UniqueBitmap blankMask(CreateBitmap(cx * strip, cy, 1, 1, nullptr));
    copied = blank && blankMask && AppendCopies(list_.get(), of, first + done, strip, blank.get(), blankMask.get());
  }
  if (!copied) {
    list_.reset();
    room_ = 0;
  }
  return copied;
}

bool ListSuccessor::Holds(HIMAGELIST of) const {
  return list_ && of && ImageList_GetImageCount(list_.get()) == ImageList_GetImageCount(of);
}

UniqueImageList ListSuccessor::Take() {
  room_ = 0;
  return std::move(list_);
}

}  // namespace win
