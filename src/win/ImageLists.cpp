// Image lists for icons added at run time.
#include "win/ImageLists.h"

#include <algorithm>

namespace win {

UniqueImageList CreateIconImageList(int size, int room, int grow) {
  UniqueImageList list(ImageList_Create(size, size, ILC_COLORDDB | ILC_MASK, room, grow));
  ImageList_SetBkColor(list.get(), CLR_NONE);
  return list;
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
  if (!ImageList_GetIconSize(of, &cx, &cy)) return false;
  // Places first, made as the list adds images, then each image copied in whole.
  HDC screen = GetDC(nullptr);
  const UniqueBitmap blank(CreateCompatibleBitmap(screen, cx * n, cy));
  ReleaseDC(nullptr, screen);
  const UniqueBitmap blankMask(CreateBitmap(cx * n, cy, 1, 1, nullptr));
  bool copied = blank && blankMask && ImageList_Add(list_.get(), blank.get(), blankMask.get()) == first;
  for (int i = first; copied && i < first + n; ++i) copied = ImageList_Copy(list_.get(), i, of, i, ILCF_MOVE);
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
