// The preview pane: decoding through the platform, arrangement, painting and scrolling.
#include "app/PreviewPane.h"

#include <algorithm>

#include "app/IconSlots.h"
#include "extract/LargeIcon.h"
#include "extract/Locations.h"
#include "extract/StoredImages.h"
#include "iconres/SoundImage.h"
#include "ui/Application.h"
#include "ui/Images.h"
#include "win/Dib.h"
#include "win/Text.h"

namespace {

constexpr int kMargin = 8, kGap = 16, kLabelGap = 4, kScrollLine = 16;
constexpr const char* kCannotBeShown = "cannot be shown";
constexpr COLORREF kLightSquare = RGB(255, 255, 255), kDarkSquare = RGB(224, 224, 224);
constexpr COLORREF kHotspot = RGB(255, 0, 0);
constexpr UINT_PTR kAnimationTimer = 1;
// A step of no length still shows for a moment, as the platform plays it.
constexpr UINT kShortestStepMs = 16;

// A PNG image decoded by the platform's imaging library into 32-bit premultiplied pixels;
// none when the library refuses it.
win::UniqueBitmap DecodePng(iconres::ByteSpan bytes, int& width, int& height) {
  win::ComScope com;
  UINT w = 0, h = 0;
  const win::ComPtr<IWICBitmapSource> pixels = iconres::DecodePng(bytes, GUID_WICPixelFormat32bppPBGRA, w, h);
  if (!pixels || w == 0 || h == 0 || w > iconres::kMaxImageEdge || h > iconres::kMaxImageEdge) return {};
  const BITMAPINFO info = win::TopDown32(static_cast<int>(w), static_cast<int>(h));
  void* bits = nullptr;
  win::UniqueBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap || !bits || FAILED(pixels->CopyPixels(nullptr, w * 4, w * 4 * h, static_cast<BYTE*>(bits)))) return {};
  GdiFlush();
  width = static_cast<int>(w);
  height = static_cast<int>(h);
  return bitmap;
}

// A brush of light and slightly darker 8-pixel squares.
win::UniqueBrush CheckerBrush() {
  struct {
    BITMAPINFOHEADER header;
    DWORD bits[16 * 16];
  } pattern{};
  pattern.header = {sizeof(BITMAPINFOHEADER), 16, 16, 1, 32, BI_RGB};
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      const COLORREF c = ((x / 8) ^ (y / 8)) ? kDarkSquare : kLightSquare;
      pattern.bits[y * 16 + x] = (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
    }
  return win::UniqueBrush(CreateDIBPatternBrushPt(&pattern, DIB_RGB_COLORS));
}

}  // namespace

HWND PreviewPane::CreateHandle(const ui::Props&, HWND parent) {
  checker_ = CheckerBrush();
  return CreateChild(ui::PlainWindowClass(), WS_HSCROLL | WS_VSCROLL, WS_EX_CLIENTEDGE, parent);
}

void PreviewPane::ShowSlot(int slot, const IconSource* source) {
  if (!Visible() || slot == slot_) return;
  // Only the focused icon is read again and decoded, and only while the pane is shown.
  if (!source) {
    Clear();
  } else {
    ui::CursorScope wait(ui::CursorKind::HourGlass);
    ShowIcon(iconres::LoadIconFile(source->file, MunWindowsFolder(), true), static_cast<std::size_t>(source->index));
    // Where Windows finds it, above its images; the pane is read from the top.
    heading_ = location::TextOf(source->file, source->location);
    if (!heading_.empty()) heading_ = "Location " + heading_;
    UpdateScrollBars();
    Invalidate();
  }
  slot_ = slot;
}

void PreviewPane::Clear() {
  slot_ = -1;
  heading_.clear();
  pictures_.clear();
  steps_.clear();
  Animate();
  offset_ = {};
  UpdateScrollBars();
  Invalidate();
}

void PreviewPane::ShowIcon(const iconres::IconFile& file, std::size_t group) {
  heading_.clear();
  pictures_.clear();
  steps_.clear();
  offset_ = {};
  if (group < file.contents.groups.size()) {
    const iconres::IconGroup& g = file.contents.groups[group];
    const bool cursor = g.kind != iconres::GroupKind::Icon;
    for (const iconres::IconImage* image : storedimages::LargestFirst(g)) {
      Picture p;
      p.label = storedimages::ImageLabel(*image);
      p.width = image->width;
      p.height = image->height;
      p.cursor = cursor;
      p.hotspot = {image->hotspotX, image->hotspotY};
      if (cursor) p.label += ", hotspot " + std::to_string(image->hotspotX) + ", " + std::to_string(image->hotspotY);
      const iconres::ByteSpan bytes = file.Bytes(*image);
      if (image->intact && image->png) {
        p.pixels = DecodePng(bytes, p.width, p.height);
        p.shown = static_cast<bool>(p.pixels);
      } else if (image->intact) {
        p.icon = iconres::IconFromStored(bytes, image->width, image->height);
        p.shown = static_cast<bool>(p.icon);
      }
      pictures_.push_back(std::move(p));
    }
    // Each step shows its frame's image of the first picture's size, drawn at that size.
    if (g.kind == iconres::GroupKind::AnimatedCursor && !pictures_.empty() && pictures_.front().icon) {
      const Picture& first = pictures_.front();
      for (const iconres::AnimationStep& step : g.steps) {
        const auto& images = g.frames[step.frame];
        const auto same = std::find_if(images.begin(), images.end(), [&](const iconres::IconImage& i) {
          return i.width == first.width && i.height == first.height && !i.png;
        });
        Frame f;
        if (same != images.end()) f.icon = file.CreateIcon(*same, first.width, first.height);
        f.milliseconds = std::max(kShortestStepMs, static_cast<UINT>(std::min<std::uint64_t>(
                                                       std::uint64_t{step.jiffies} * 1000 / 60, 60000)));
        steps_.push_back(std::move(f));
      }
    }
  }
  Animate();
  UpdateScrollBars();
  Invalidate();
}

void PreviewPane::Animate() {
  step_ = 0;
  if (!Handle()) return;
  KillTimer(Handle(), kAnimationTimer);
  if (steps_.size() > 1 && IsWindowVisible(Handle())) SetTimer(Handle(), kAnimationTimer, steps_[0].milliseconds, nullptr);
}

void PreviewPane::NextStep() {
  if (steps_.size() < 2) return;
  step_ = (step_ + 1) % steps_.size();
  SetTimer(Handle(), kAnimationTimer, steps_[step_].milliseconds, nullptr);
  if (!pictures_.empty()) {
    const std::vector<Cell> cells = Arrange();
    RECT first = cells.front().image;
    OffsetRect(&first, -offset_.x, -offset_.y);
    InvalidateRect(Handle(), &first, FALSE);
  }
}

std::vector<PreviewPane::Cell> PreviewPane::Arrange() const {
  win::WindowDC dc(Handle());
  win::SelectInDC font(dc.get(), font_ ? static_cast<HGDIOBJ>(font_) : GetStockObject(DEFAULT_GUI_FONT));
  TEXTMETRICA tm{};
  GetTextMetricsA(dc.get(), &tm);
  std::vector<Cell> cells;
  int x = kMargin;
  const int top = kMargin + (heading_.empty() ? 0 : tm.tmHeight + kLabelGap);
  for (const Picture& p : pictures_) {
    SIZE label{}, refused{};
    GetTextExtentPoint32A(dc.get(), p.label.c_str(), static_cast<int>(p.label.size()), &label);
    if (!p.shown) GetTextExtentPoint32A(dc.get(), kCannotBeShown, lstrlenA(kCannotBeShown), &refused);
    const int width = std::max({p.width, static_cast<int>(label.cx), static_cast<int>(refused.cx)});
    const int labelTop = top + p.height + kLabelGap;
    cells.push_back({{x, top, x + p.width, top + p.height},
                     {x, labelTop, x + width, labelTop + tm.tmHeight * (p.shown ? 1 : 2)}});
    x += width + kGap;
  }
  return cells;
}

void PreviewPane::UpdateScrollBars() {
  content_ = {};
  if (!heading_.empty()) {
    win::WindowDC dc(Handle());
    win::SelectInDC font(dc.get(), font_ ? static_cast<HGDIOBJ>(font_) : GetStockObject(DEFAULT_GUI_FONT));
    RECT heading{};
    win::DrawText(dc.get(), heading_, heading, DT_CALCRECT | DT_NOPREFIX | DT_SINGLELINE);
    content_ = {heading.right + 2 * kMargin, heading.bottom + 2 * kMargin};
  }
  for (const Cell& c : Arrange()) {
    content_.cx = std::max(content_.cx, c.label.right + kMargin);
    content_.cy = std::max(content_.cy, c.label.bottom + kMargin);
  }
  // Showing one bar narrows the room for the other: twice settles both.
  for (int pass = 0; pass < 2; ++pass) {
    const RECT client = ClientRect();
    for (int bar : {SB_HORZ, SB_VERT}) {
      SCROLLINFO si{sizeof si, SIF_RANGE | SIF_PAGE | SIF_POS};
      si.nMax = (bar == SB_HORZ ? content_.cx : content_.cy) - 1;
      si.nPage = static_cast<UINT>(std::max(0L, bar == SB_HORZ ? client.right : client.bottom));
      LONG& pos = bar == SB_HORZ ? offset_.x : offset_.y;
      pos = std::clamp(pos, 0L, std::max(0L, static_cast<LONG>(si.nMax + 1 - static_cast<int>(si.nPage))));
      si.nPos = pos;
      SetScrollInfo(Handle(), bar, &si, TRUE);
    }
  }
}

void PreviewPane::ScrollTo(int x, int y) {
  const RECT client = ClientRect();
  x = std::clamp(x, 0, std::max(0, static_cast<int>(content_.cx - client.right)));
  y = std::clamp(y, 0, std::max(0, static_cast<int>(content_.cy - client.bottom)));
  if (x == offset_.x && y == offset_.y) return;
  offset_ = {x, y};
  SetScrollPos(Handle(), SB_HORZ, x, TRUE);
  SetScrollPos(Handle(), SB_VERT, y, TRUE);
  Invalidate();
}

void PreviewPane::OnScroll(int bar, WORD request) {
  const RECT client = ClientRect();
  const int page = bar == SB_HORZ ? client.right : client.bottom;
  int pos = bar == SB_HORZ ? offset_.x : offset_.y;
  SCROLLINFO si{sizeof si, SIF_TRACKPOS};
  GetScrollInfo(Handle(), bar, &si);
  switch (request) {
    case SB_LINEUP: pos -= kScrollLine; break;
    case SB_LINEDOWN: pos += kScrollLine; break;
    case SB_PAGEUP: pos -= page; break;
    case SB_PAGEDOWN: pos += page; break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: pos = si.nTrackPos; break;
    case SB_TOP: pos = 0; break;
    case SB_BOTTOM: pos = bar == SB_HORZ ? content_.cx : content_.cy; break;
    default: return;
  }
  if (bar == SB_HORZ) ScrollTo(pos, offset_.y);
  else ScrollTo(offset_.x, pos);
}

void PreviewPane::Paint(HDC dc, const RECT& client) const {
  FillRect(dc, &client, GetSysColorBrush(COLOR_WINDOW));
  win::SelectInDC font(dc, font_ ? static_cast<HGDIOBJ>(font_) : GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  const std::vector<Cell> cells = Arrange();
  if (!heading_.empty()) {
    RECT heading{kMargin - offset_.x, kMargin - offset_.y, client.right, client.bottom};
    win::DrawText(dc, heading_, heading, DT_NOPREFIX | DT_SINGLELINE | DT_NOCLIP);
  }
  win::UniqueDC source(CreateCompatibleDC(dc));
  for (size_t i = 0; i < pictures_.size(); ++i) {
    const Picture& p = pictures_[i];
    RECT image = cells[i].image, label = cells[i].label;
    OffsetRect(&image, -offset_.x, -offset_.y);
    OffsetRect(&label, -offset_.x, -offset_.y);
    if (label.right < 0 || image.left > client.right) continue;
    if (p.shown) {
      SetBrushOrgEx(dc, image.left, image.top, nullptr);
      FillRect(dc, &image, checker_.get());
      if (p.pixels && source) {
        win::SelectInDC bitmap(source.get(), p.pixels.get());
        const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
        GdiAlphaBlend(dc, image.left, image.top, p.width, p.height, source.get(), 0, 0, p.width, p.height, blend);
      } else if (p.icon) {
        // The first picture of an animated cursor shows the step it is at, when that frame has
        // an image of its size.
        HICON shown = i == 0 && step_ < steps_.size() && steps_[step_].icon ? steps_[step_].icon.get() : p.icon.get();
        DrawIconEx(dc, image.left, image.top, shown, p.width, p.height, 0, nullptr, DI_NORMAL);
      }
      if (p.cursor) {
        // A small cross on the hotspot, the pixel the pointer points with.
        win::SelectInDC pen(dc, GetStockObject(DC_PEN));
        SetDCPenColor(dc, kHotspot);
        const int x = image.left + std::clamp(static_cast<int>(p.hotspot.x), 0, p.width - 1);
        const int y = image.top + std::clamp(static_cast<int>(p.hotspot.y), 0, p.height - 1);
        MoveToEx(dc, x - 4, y, nullptr);
        LineTo(dc, x + 5, y);
        MoveToEx(dc, x, y - 4, nullptr);
        LineTo(dc, x, y + 5);
      }
    } else {
      FrameRect(dc, &image, GetSysColorBrush(COLOR_BTNSHADOW));
    }
    const std::string text = p.label + (p.shown ? "" : std::string("\n") + kCannotBeShown);
    DrawTextA(dc, text.c_str(), -1, &label, DT_NOPREFIX | DT_NOCLIP);
  }
}

bool PreviewPane::WndProc(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  switch (msg) {
    case WM_SETFONT:
      font_ = reinterpret_cast<HFONT>(wp);
      UpdateScrollBars();
      return true;
    case WM_GETFONT:
      result = reinterpret_cast<LRESULT>(font_);
      return true;
    case WM_SIZE:
      UpdateScrollBars();
      Invalidate();
      return Control::WndProc(msg, wp, lp, result);
    case WM_TIMER:
      if (wp != kAnimationTimer) return Control::WndProc(msg, wp, lp, result);
      NextStep();
      return true;
    case WM_SHOWWINDOW:
      // Hidden, it rests on the first frame; shown again, it plays from there.
      if (!wp) step_ = 0, KillTimer(Handle(), kAnimationTimer);
      else if (steps_.size() > 1) SetTimer(Handle(), kAnimationTimer, steps_[step_].milliseconds, nullptr);
      return Control::WndProc(msg, wp, lp, result);
    case WM_HSCROLL:
    case WM_VSCROLL:
      OnScroll(msg == WM_HSCROLL ? SB_HORZ : SB_VERT, LOWORD(wp));
      return true;
    case WM_ERASEBKGND:
      result = 1;
      return true;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(Handle(), &ps);
      const RECT client = ClientRect();
      // Drawn off screen first, so scrolling and resizing do not flicker.
      win::UniqueDC memory(CreateCompatibleDC(dc));
      win::UniqueBitmap canvas(CreateCompatibleBitmap(dc, std::max(1L, client.right), std::max(1L, client.bottom)));
      if (memory && canvas) {
        win::SelectInDC select(memory.get(), canvas.get());
        Paint(memory.get(), client);
        BitBlt(dc, 0, 0, client.right, client.bottom, memory.get(), 0, 0, SRCCOPY);
      } else {
        Paint(dc, client);
      }
      EndPaint(Handle(), &ps);
      return true;
    }
    default:
      return Control::WndProc(msg, wp, lp, result);
  }
}
