// Image lists and pictures.
#include "ui/Images.h"

#include "ui/Application.h"
#include "ui/Form.h"
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
  designSize_ = p.imageSize ? p.imageSize : 16;
  count_ = p.imageCount;
  if (p.resource) {
    strips_ = {{designSize_, p.resource}};
    strips_.insert(strips_.end(), p.largerResources.begin(), p.largerResources.end());
    LoadStrip(form.Dpi());
  } else {
    // Lists filled at run time keep the size they are given.
    list_ = win::CreateIconImageList(designSize_);
  }
  ImageList_SetBkColor(list_.get(), CLR_NONE);
}

void ImageList::DpiChanged(int, int to) {
  if (strips_.empty()) return;
  LoadStrip(to);
  ImageList_SetBkColor(list_.get(), CLR_NONE);
}

void ImageList::LoadStrip(int dpi) {
  const int size = Scaled(designSize_, dpi);
  // The strip drawn at this size, else the smallest larger one, else the largest.
  std::pair<int, int> chosen{0, 0};
  for (const auto& s : strips_) {
    const bool better = chosen.first == 0 || (s.first >= size ? chosen.first < size || s.first < chosen.first
                                                               : chosen.first < size && s.first > chosen.first);
    if (better) chosen = s;
  }
  win::UniqueBitmap strip(static_cast<HBITMAP>(
      LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(chosen.second), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
  if (!strip) throw win::Exception("Cannot load the images of " + Name(), win::ErrorKind::Platform, GetLastError());
  if (chosen.first != size) {
    // Whole source pixels only: a blend with the magenta around a picture would not be masked.
    BITMAP bm{};
    GetObjectA(strip.get(), sizeof bm, &bm);
    const int count = chosen.first > 0 ? bm.bmWidth / chosen.first : 0;
    win::WindowDC screen(nullptr);
    win::UniqueBitmap sized(CreateCompatibleBitmap(screen.get(), count * size, size));
    win::UniqueDC from(CreateCompatibleDC(screen.get())), to(CreateCompatibleDC(screen.get()));
    if (!sized || !from || !to) throw win::Exception("Cannot load the images of " + Name(), win::ErrorKind::Platform);
    {
      win::SelectInDC selectFrom(from.get(), strip.get()), selectTo(to.get(), sized.get());
      SetStretchBltMode(to.get(), COLORONCOLOR);
      StretchBlt(to.get(), 0, 0, count * size, size, from.get(), 0, 0, count * chosen.first, chosen.first, SRCCOPY);
    }
    strip = std::move(sized);
  }
  list_.reset(ImageList_Create(size, size, ILC_COLOR24 | ILC_MASK, count_, 4));
  ImageList_AddMasked(list_.get(), strip.get(), RGB(255, 0, 255));
}

int ImageList::ImageSize() const {
  int cx = 0, cy = 0;
  return list_ && ImageList_GetIconSize(list_.get(), &cx, &cy) ? cx : 0;
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
