// Image lists and pictures.
#pragma once
#include <utility>

#include "ui/Component.h"
#include "win/ImageLists.h"

namespace ui {

// A list of same-sized images: loaded from a bitmap strip (magenta marks transparency)
// or created empty, masked, for icons added at run time.
class ImageList : public Component {
 public:
  void Load(const Props& props, Form& form) override;
  // A list loaded from strips takes the strip for the new scale.
  void DpiChanged(int from, int to) override;
  HIMAGELIST Handle() const { return list_.get(); }
  int Count() const { return list_ ? ImageList_GetImageCount(list_.get()) : 0; }
  int AddIcon(HICON icon) { return ImageList_ReplaceIcon(list_.get(), -1, icon); }
  void Clear() { ImageList_RemoveAll(list_.get()); }
  // Empties the list and gives it another image size, with room for `room` images, then growing
  // by `grow` at a time; controls showing it must be given the list again.
  void Reset(int size, int room = 0, int grow = 256) { list_ = win::CreateIconImageList(size, room, grow); }
  // Holds the given list instead, and hands back the one it held: controls showing it must be
  // given the new one before the old one goes.
  win::UniqueImageList Replace(win::UniqueImageList list) { return std::exchange(list_, std::move(list)); }
  int ImageSize() const;

 private:
  void LoadStrip(int dpi);

  win::UniqueImageList list_;
  int designSize_ = 16, count_ = 0;
  std::vector<std::pair<int, int>> strips_;  // {edge, resource}, the design's first
};

// A picture control; stretched to its bounds when asked.
class Image : public Control {
 public:
  HBITMAP Picture() const { return bitmap_.get(); }
  // Keeps a copy of the given picture.
  void SetPicture(HBITMAP bmp);

 protected:
  HWND CreateHandle(const Props& props, HWND parent) override;
  bool WndProc(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

 private:
  win::UniqueBitmap bitmap_;
  bool stretch_ = false;
};

// Registers (once) the plain window class that our own painted controls use.
const char* PlainWindowClass();

}  // namespace ui
