// Image lists and pictures.
#pragma once
#include "ui/Component.h"

namespace ui {

// A list of same-sized images: loaded from a bitmap strip (magenta marks transparency)
// or created empty, masked, for icons added at run time.
class ImageList : public Component {
 public:
  void Load(const Props& props, Form& form) override;
  HIMAGELIST Handle() const { return list_.get(); }
  int Count() const { return list_ ? ImageList_GetImageCount(list_.get()) : 0; }
  int AddIcon(HICON icon) { return ImageList_ReplaceIcon(list_.get(), -1, icon); }
  void Clear() { ImageList_RemoveAll(list_.get()); }

 private:
  win::UniqueImageList list_;
};

// An empty list of size x size images at the display's depth, with masks, for icons added at
// run time: what the icon list keeps and the save commands read back.
win::UniqueImageList CreateIconImageList(int size);

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
