// Image lists and pictures.
#include "ui/Images.h"

#include "ui/Application.h"
#include "win/Errors.h"

namespace ui {

const char* PlainWindowClass() {
  static const char* name = [] {
    WNDCLASSA wc{};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = "ui.Plain";
    RegisterClassA(&wc);
    return wc.lpszClassName;
  }();
  return name;
}

void ImageList::Load(const Props& p, Form& form) {
  Component::Load(p, form);
  int size = p.imageSize ? p.imageSize : 16;
  if (p.resource) {
    win::UniqueBitmap strip(static_cast<HBITMAP>(
        LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(p.resource), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    if (!strip) throw win::Exception("Cannot load the images of " + Name());
    list_.reset(ImageList_Create(size, size, ILC_COLOR24 | ILC_MASK, p.imageCount, 4));
    ImageList_AddMasked(list_.get(), strip.get(), RGB(255, 0, 255));
  } else {
    list_ = CreateIconImageList(size);
  }
  ImageList_SetBkColor(list_.get(), CLR_NONE);
}

win::UniqueImageList CreateIconImageList(int size) {
  // Each growth copies every image so far: a large step keeps a run of thousands of icons
  // from paying again and again for the icons it already has.
  win::UniqueImageList list(ImageList_Create(size, size, ILC_COLORDDB | ILC_MASK, 0, 256));
  ImageList_SetBkColor(list.get(), CLR_NONE);
  return list;
}

void Image::SetPicture(HBITMAP bmp) {
  bitmap_.reset(bmp ? static_cast<HBITMAP>(CopyImage(bmp, IMAGE_BITMAP, 0, 0, 0)) : nullptr);
  Invalidate();
}

HWND Image::CreateHandle(const Props& p, HWND parent) {
  stretch_ = p.stretch;
  if (p.resource)
    bitmap_.reset(static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(p.resource),
                                                  IMAGE_BITMAP, 0, 0, 0)));
  return CreateChild(PlainWindowClass(), 0, 0, parent);
}

bool Image::WndProc(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(Handle(), &ps);
      RECT r = ClientRect();
      FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
      if (bitmap_) {
        BITMAP bm{};
        GetObjectA(bitmap_.get(), sizeof bm, &bm);
        win::UniqueDC mem(CreateCompatibleDC(dc));
        win::SelectInDC sel(mem.get(), bitmap_.get());
        SetStretchBltMode(dc, COLORONCOLOR);
        if (stretch_)
          StretchBlt(dc, 0, 0, r.right, r.bottom, mem.get(), 0, 0, bm.bmWidth, bm.bmHeight, SRCCOPY);
        else
          BitBlt(dc, 0, 0, bm.bmWidth, bm.bmHeight, mem.get(), 0, 0, SRCCOPY);
      }
      EndPaint(Handle(), &ps);
      return true;
    }
    case WM_ERASEBKGND:
      result = 1;
      return true;
    case WM_LBUTTONUP:
      OnClick(*this);
      return true;
    default:
      return Control::WndProc(msg, wp, lp, result);
  }
}

}  // namespace ui
