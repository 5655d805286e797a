// The tab control with pages.
//
// The pages are siblings of the tab control inside one container, after it in the window
// order, so that Tab reaches the tabs first and then the page. To let the page show
// through, the tab control's window region leaves out its display area.
#include "ui/PageControl.h"

#include <commctrl.h>

#include <algorithm>

#include "win/Errors.h"
#include "ui/Form.h"
#include "ui/Images.h"

namespace ui {

void TabSheet::Load(const Props& p, Form& form) {
  caption_ = p.caption ? p.caption : "";
  Control::Load(p, form);
  pages_ = dynamic_cast<PageControl*>(Parent());
  if (!pages_) throw win::Exception("Page " + Name() + " is not inside a page control");
  pages_->pages_.push_back(this);
}

HWND TabSheet::CreateHandle(const Props&, HWND parent) {
  return CreateChild(PlainWindowClass(), WS_CLIPCHILDREN, WS_EX_CONTROLPARENT, parent);
}

HWND PageControl::CreateHandle(const Props& p, HWND parent) {
  firstPage_ = p.activePage.In(*OwnerForm());
  HWND w = CreateChild(PlainWindowClass(), WS_CLIPCHILDREN, WS_EX_CONTROLPARENT, parent);
  tabs_ = CreateWindowExA(0, WC_TABCONTROLA, "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_GROUP | WS_CLIPSIBLINGS, 0,
                          0, Width(), Height(), w, nullptr, GetModuleHandleA(nullptr), nullptr);
  if (!tabs_)
    throw win::Exception("Cannot create a window of class " + std::string(WC_TABCONTROLA), win::ErrorKind::Platform,
                         GetLastError());
  return w;
}

void PageControl::Loaded() {
  for (size_t i = 0; i < pages_.size(); ++i) {
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<char*>(pages_[i]->Caption().c_str());
    SendMessageA(tabs_, TCM_INSERTITEMA, i, reinterpret_cast<LPARAM>(&item));
  }
  LayOutPages();
  TabSheet* first = pages_.empty() ? nullptr : pages_.front();
  if (firstPage_) first = firstPage_;
  SetActivePage(first);
}

void PageControl::LayOutPages() {
  RECT all = ClientRect();
  SetWindowPos(tabs_, nullptr, 0, 0, all.right, all.bottom, SWP_NOZORDER | SWP_NOACTIVATE);
  RECT display = all;
  SendMessageA(tabs_, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&display));
  HRGN outer = CreateRectRgn(0, 0, all.right, all.bottom);
  win::UniqueHandle<win::NullHandleTraits<HRGN, &win::DeleteGdiObject>> inner(
      CreateRectRgn(display.left, display.top, display.right, display.bottom));
  CombineRgn(outer, outer, inner.get(), RGN_DIFF);
  SetWindowRgn(tabs_, outer, TRUE);  // the window owns the region from here on
  for (TabSheet* page : pages_)
    page->SetBounds(display.left, display.top, display.right - display.left, display.bottom - display.top);
}

void PageControl::SetActivePage(TabSheet* page) {
  auto it = std::find(pages_.begin(), pages_.end(), page);
  if (it == pages_.end()) return;
  SendMessageA(tabs_, TCM_SETCURSEL, it - pages_.begin(), 0);
  // Focus inside a page that goes away would be lost: the tabs take it.
  HWND focus = GetFocus();
  bool focusLeaves = active_ && active_ != page && focus && IsChild(active_->Handle(), focus);
  active_ = page;
  page->SetVisible(true);
  for (TabSheet* other : pages_)
    if (other != page) other->SetVisible(false);
  if (focusLeaves) ::SetFocus(tabs_);
}

bool PageControl::WndProc(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  switch (msg) {
    case WM_SETFONT:
      SendMessageA(tabs_, WM_SETFONT, wp, lp);
      return true;
    case WM_NOTIFY: {
      auto* hdr = reinterpret_cast<NMHDR*>(lp);
      if (hdr->hwndFrom != tabs_ || hdr->code != static_cast<UINT>(TCN_SELCHANGE)) return false;
      auto index = static_cast<size_t>(SendMessageA(tabs_, TCM_GETCURSEL, 0, 0));
      if (index < pages_.size()) {
        SetActivePage(pages_[index]);
        OnChange(*this);
      }
      result = 0;
      return true;
    }
    case WM_SIZE:
      if (tabs_) LayOutPages();
      return true;
    default:
      return Control::WndProc(msg, wp, lp, result);
  }
}

}  // namespace ui
