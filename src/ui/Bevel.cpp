// Lowered bevels drawn in the button shadow and highlight colours.
#include "ui/Bevel.h"

#include "ui/Images.h"

namespace ui {

namespace {
using UniqueRegion = win::UniqueHandle<win::NullHandleTraits<HRGN, &win::DeleteGdiObject>>;
}

HWND Bevel::CreateHandle(const Props& p, HWND parent) {
  shape_ = p.bevelShape;
  return CreateChild(PlainWindowClass(), 0, 0, parent);
}

void Bevel::Load(const Props& p, Form& form) {
  Control::Load(p, form);
  ShapeWindow();  // the window got its size before it was ours to watch
}

// A frame keeps only its one-pixel edge as its window, so the controls it surrounds show.
void Bevel::ShapeWindow() {
  if (shape_ != BevelShape::Box) return;
  RECT r = ClientRect();
  HRGN ring = CreateRectRgn(0, 0, r.right, r.bottom);
  UniqueRegion inside(CreateRectRgn(1, 1, r.right - 1, r.bottom - 1));
  CombineRgn(ring, ring, inside.get(), RGN_DIFF);
  SetWindowRgn(Handle(), ring, TRUE);  // the window owns the region from here on
}

bool Bevel::WndProc(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  switch (msg) {
    case WM_SIZE:
      ShapeWindow();
      return Control::WndProc(msg, wp, lp, result);
    case WM_NCHITTEST:
      result = HTTRANSPARENT;
      return true;
    case WM_ERASEBKGND:
      result = 1;
      return true;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(Handle(), &ps);
      RECT r = ClientRect();
      FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
      if (shape_ == BevelShape::Box) {
        DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT);
      } else {
        RECT shadow{0, r.bottom - 2, r.right, r.bottom - 1}, light{0, r.bottom - 1, r.right, r.bottom};
        FillRect(dc, &shadow, GetSysColorBrush(COLOR_BTNSHADOW));
        FillRect(dc, &light, GetSysColorBrush(COLOR_BTNHIGHLIGHT));
      }
      EndPaint(Handle(), &ps);
      return true;
    }
    default:
      return Control::WndProc(msg, wp, lp, result);
  }
}

}  // namespace ui
