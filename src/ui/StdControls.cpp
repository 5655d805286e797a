// Panels, labels, the splitter, the status bar and the toolbar.
#include "ui/StdControls.h"

#include <windowsx.h>

#include <algorithm>

#include "ui/Application.h"
#include "ui/Form.h"
#include "ui/Images.h"
#include "ui/Menus.h"
#include "win/Text.h"

namespace ui {

HWND Panel::CreateHandle(const Props& p, HWND parent) {
  return CreateChild(PlainWindowClass(), WS_CLIPCHILDREN, p.border == BorderStyle::Single ? WS_EX_STATICEDGE : 0,
                     parent);
}

// ---- Label

HWND Label::CreateHandle(const Props& p, HWND parent) {
  caption_ = p.caption ? p.caption : "";
  color_ = p.color;
  fontColor_ = p.fontColor;
  layout_ = p.layout;
  wordWrap_ = p.wordWrap;
  autoSize_ = p.autoSize;
  bold_ = p.bold;
  underline_ = p.underline;
  fontSize_ = p.fontSize;
  return CreateChild(PlainWindowClass(), 0, 0, parent);
}

HFONT Label::Font() const {
  if (ownFont_) return ownFont_.get();
  return font_;
}

COLORREF Label::FontColor() const { return fontColor_ == CLR_INVALID ? GetSysColor(COLOR_WINDOWTEXT) : fontColor_; }

void Label::SetCaption(const std::string& text) {
  caption_ = text;
  if (autoSize_) FitToText();
  Invalidate();
}

SIZE Label::TextExtent() const {
  win::WindowDC dc(Handle());
  win::SelectInDC sel(dc.get(), Font());
  RECT r{0, 0, Width(), 0};
  win::DrawText(dc.get(), caption_, r, DT_CALCRECT | (wordWrap_ ? DT_WORDBREAK : DT_SINGLELINE));
  return {r.right - r.left, r.bottom - r.top};
}

int Label::CaptionWidth() const {
  if (wordWrap_ || autoSize_ || GetAlign() != Align::None || caption_.empty()) return 0;
  return static_cast<int>(TextExtent().cx);
}

void Label::FitToText() {
  SIZE s = TextExtent();
  SetBounds(Left(), Top(), wordWrap_ ? Width() : s.cx, s.cy);
}

bool Label::WndProc(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  switch (msg) {
    case WM_SETFONT:
      font_ = reinterpret_cast<HFONT>(wp);
      if (bold_ || underline_ || fontSize_) {
        LOGFONTA lf{};
        GetObjectA(font_, sizeof lf, &lf);
        if (bold_) lf.lfWeight = FW_BOLD;
        if (underline_) lf.lfUnderline = TRUE;
        if (fontSize_) lf.lfHeight = -MulDiv(fontSize_, OwnerForm() ? OwnerForm()->Dpi() : kDesignDpi, 72);
        ownFont_.reset(CreateFontIndirectA(&lf));
      }
      DefaultProc(msg, wp, lp);
      if (autoSize_) FitToText();
      return true;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(Handle(), &ps);
      RECT r = ClientRect();
      COLORREF bg = color_ == CLR_INVALID ? GetSysColor(COLOR_BTNFACE) : color_;
      win::UniqueBrush brush(CreateSolidBrush(bg));
      FillRect(dc, &r, brush.get());
      win::SelectInDC sel(dc, Font());
      SetBkMode(dc, TRANSPARENT);
      SetTextColor(dc, FontColor());
      UINT fmt = DT_NOPREFIX | (wordWrap_ ? DT_WORDBREAK : DT_SINGLELINE);
      if (layout_ == TextLayout::Center) {
        if (wordWrap_) {
          RECT calc = r;
          win::DrawText(dc, caption_, calc, fmt | DT_CALCRECT);
          OffsetRect(&r, 0, (r.bottom - calc.bottom) / 2);
        } else {
          fmt |= DT_VCENTER;
        }
      }
      win::DrawText(dc, caption_, r, fmt);
      EndPaint(Handle(), &ps);
      return true;
    }
    case WM_ERASEBKGND:
      result = 1;
      return true;
    case WM_GETFONT:
      result = reinterpret_cast<LRESULT>(font_);
      return true;
    case WM_GETTEXT:
      result = lstrlenA(lstrcpynA(reinterpret_cast<char*>(lp), caption_.c_str(), static_cast<int>(wp)));
      return true;
    case WM_LBUTTONUP:
      OnClick(*this);
      return true;
    default:
      return Control::WndProc(msg, wp, lp, result);
  }
}

// ---- Splitter

HWND Splitter::CreateHandle(const Props& p, HWND parent) {
  minSize_ = p.minSize;
  return CreateChild(PlainWindowClass(), 0, 0, parent);
}

int Splitter::MinSize() const { return OwnerForm()->Scale(minSize_); }

Control* Splitter::ResizeControl() const {
  if (!Parent()) return nullptr;
  Control* found = nullptr;
  for (Control* c : Parent()->Children()) {
    if (c == this) break;
    if (c->GetAlign() == GetAlign() && c->Visible()) found = c;
  }
  return found;
}

void Splitter::ProposeSize(int newSize) {
  Control* target = ResizeControl();
  if (!target) return;
  const RECT holder = Parent()->ClientRect();
  const int minSize = MinSize();
  int limit = Vertical() ? holder.bottom - Height() - minSize : holder.right - Width() - minSize;
  newSize = std::clamp(newSize, 0, std::max(limit, 0));
  if (newSize < minSize) newSize = 0;  // a drag below the minimum snaps the pane shut
  bool accept = true;
  OnCanResize(*this, newSize, accept);
  if (!accept) return;
  if (Vertical()) target->SetHeight(newSize);
  else target->SetWidth(newSize);
}

int Splitter::DragPosition(LPARAM lp) const {
  POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
  MapWindowPoints(Handle(), Parent()->Handle(), &pt, 1);
  return Vertical() ? pt.y : pt.x;
}

bool Splitter::WndProc(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  // A pane before a bottom or right splitter lies after it on the screen: a drag towards the
  // pane makes it smaller.
  const int direction = GetAlign() == Align::Bottom || GetAlign() == Align::Right ? -1 : 1;
  switch (msg) {
    case WM_SETCURSOR:
      ::SetCursor(CursorFor(Vertical() ? CursorShape::SizeNS : CursorShape::SizeWE));
      result = TRUE;
      return true;
    case WM_LBUTTONDOWN:
      if (Control* t = ResizeControl()) {
        dragStart_ = DragPosition(lp);
        startSize_ = Vertical() ? t->Height() : t->Width();
        dragging_ = true;
        SetCapture(Handle());
      }
      return true;
    case WM_MOUSEMOVE:
      if (dragging_) ProposeSize(startSize_ + direction * (DragPosition(lp) - dragStart_));
      return true;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
      if (dragging_) {
        dragging_ = false;
        if (msg == WM_LBUTTONUP) ReleaseCapture();
      }
      return true;
    default:
      return Control::WndProc(msg, wp, lp, result);
  }
}

// ---- Status bar

HWND StatusBar::CreateHandle(const Props& p, HWND parent) {
  HWND w = CreateChild(STATUSCLASSNAMEA, SBARS_SIZEGRIP | CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NODIVIDER, 0,
                       parent);
  panels_ = p.panels;
  SetPanelsOf(w, OwnerForm()->Dpi());
  return w;
}

void StatusBar::SetPanelsOf(HWND w, int dpi) {
  std::vector<int> edges;
  int x = 0;
  for (size_t i = 0; i < panels_.size(); ++i) {
    x += Scaled(panels_[i], dpi);
    // A last panel of -1 reaches the right side.
    edges.push_back(panels_[i] < 0 ? -1 : x);
  }
  if (!edges.empty()) SendMessageA(w, SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
}

void StatusBar::DpiChanged(int, int to) {
  SetPanelsOf(Handle(), to);
  // The bar's height follows its font.
  SendMessageA(Handle(), WM_SIZE, 0, 0);
}

void StatusBar::SetPanels(std::vector<int> widths) {
  if (widths == panels_) return;
  panels_ = std::move(widths);
  SetPanelsOf(Handle(), OwnerForm()->Dpi());
}

void StatusBar::SetTip(const std::string& text) {
  if (text == tip_) return;
  tip_ = text;
  if (!tips_ && text.empty()) return;
  if (!tips_) {
    tips_.reset(CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, Handle(), nullptr,
                                GetModuleHandleA(nullptr), nullptr));
    if (!tips_) return;
    SendMessageA(tips_.get(), TTM_SETMAXTIPWIDTH, 0, 600);  // lines break where the text does
  }
  TTTOOLINFOA ti{};
  ti.cbSize = TTTOOLINFOA_V2_SIZE;
  ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  ti.hwnd = GetParent(Handle());
  ti.uId = reinterpret_cast<UINT_PTR>(Handle());
  SendMessageA(tips_.get(), TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
  if (text.empty()) return;
  ti.lpszText = const_cast<char*>(tip_.c_str());
  SendMessageA(tips_.get(), TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
}

std::string StatusBar::PanelText(int index) const {
  // Read wide: the control gives the length in characters, and its ANSI read writes however
  // many bytes the text takes in the code page, with no limit.
  std::wstring buf(LOWORD(SendMessageW(Handle(), SB_GETTEXTLENGTHW, index, 0)) + 1u, L'\0');
  SendMessageW(Handle(), SB_GETTEXTW, index, reinterpret_cast<LPARAM>(buf.data()));
  buf.resize(wcsnlen(buf.data(), buf.size()));
  return win::Narrow(buf);
}

void StatusBar::SetPanelText(int index, const std::string& text) {
  SendMessageA(Handle(), SB_SETTEXTA, index, reinterpret_cast<LPARAM>(text.c_str()));
}

// ---- Toolbar

Props ToProps(const ToolButtonProps& p) {
  return {.parent = p.parent, .action = p.action, .bounds = {0, 0, p.width, 0}, .caption = p.caption,
          .hint = p.hint, .enabled = p.enabled, .imageIndex = p.imageIndex, .dropdownMenu = p.dropdownMenu,
          .style = p.style};
}

void ToolButton::Load(const Props& p, Form& form) {
  Component::Load(p, form);
  bar_ = dynamic_cast<ToolBar*>(p.parent.In(form));
  if (!bar_) throw win::Exception("Tool button " + Name() + " is not on a toolbar");
  bar_->buttons_.push_back(this);
  caption_ = p.caption ? p.caption : "";
  hint_ = p.hint ? p.hint : "";
  imageIndex_ = p.imageIndex;
  style_ = p.style;
  width_ = p.bounds.width;
  enabled_ = p.enabled;
  command_ = static_cast<int>(bar_->buttons_.size());
  dropdown_ = p.dropdownMenu.In(form);
  action_.Set(*this, p.action.In(form));
}

BYTE ToolButton::State() const {
  return static_cast<BYTE>((Enabled() ? TBSTATE_ENABLED : 0) | (Checked() ? TBSTATE_CHECKED : 0));
}

void ToolButton::SetEnabled(bool on) {
  if (action_) return action_->SetEnabled(on);
  enabled_ = on;
  ActionChanged();
}

void ToolButton::ActionChanged() {
  if (!bar_ || !bar_->Handle()) return;
  SendMessageA(bar_->Handle(), TB_ENABLEBUTTON, command_, MAKELONG(Enabled(), 0));
  if ((SendMessageA(bar_->Handle(), TB_ISBUTTONCHECKED, command_, 0) != 0) != Checked())
    SendMessageA(bar_->Handle(), TB_CHECKBUTTON, command_, MAKELONG(Checked(), 0));
}

void ToolButton::Click() {
  if (!Enabled()) return;
  if (OnClick || !action_) OnClick(*this);
  else action_->Execute();
}

HWND ToolBar::CreateHandle(const Props& p, HWND parent) {
  showCaptions_ = p.showCaptions;
  showHint_ = p.showHint;
  Form& form = *OwnerForm();
  if (p.buttonWidth) buttonSize_.cx = p.buttonWidth;
  if (p.buttonHeight) buttonSize_.cy = p.buttonHeight;
  images_ = p.images.In(form);
  hot_ = p.hotImages.In(form);
  disabled_ = p.disabledImages.In(form);
  HWND w = CreateChild(TOOLBARCLASSNAMEA,
                       TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_NODIVIDER | CCS_NORESIZE | CCS_NOPARENTALIGN, 0,
                       parent);
  SendMessageA(w, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  SendMessageA(w, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_DRAWDDARROWS);
  return w;
}

void ToolBar::Loaded() {
  ShowImages();
  RebuildButtons();
  SetShowHint(showHint_);
}

void ToolBar::ShowImages() {
  HWND w = Handle();
  const int edge = images_ ? images_->ImageSize() : OwnerForm()->Scale(16);
  SendMessageA(w, TB_SETBITMAPSIZE, 0, MAKELONG(edge, edge));
  SendMessageA(w, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images_ ? images_->Handle() : nullptr));
  SendMessageA(w, TB_SETHOTIMAGELIST, 0, reinterpret_cast<LPARAM>(hot_ ? hot_->Handle() : nullptr));
  SendMessageA(w, TB_SETDISABLEDIMAGELIST, 0, reinterpret_cast<LPARAM>(disabled_ ? disabled_->Handle() : nullptr));
}

void ToolBar::RebuildButtons() {
  HWND w = Handle();
  while (SendMessageA(w, TB_BUTTONCOUNT, 0, 0) > 0) SendMessageA(w, TB_DELETEBUTTON, 0, 0);
  std::vector<TBBUTTON> tb;
  for (ToolButton* b : buttons_) {
    TBBUTTON t{};
    t.idCommand = b->command_;
    t.fsState = b->State();
    if (b->style_ == ButtonStyle::Separator) {
      t.fsStyle = BTNS_SEP;
      t.iBitmap = OwnerForm()->Scale(b->width_);
    } else {
      t.fsStyle = static_cast<BYTE>(b->style_ == ButtonStyle::DropDown ? BTNS_DROPDOWN : BTNS_BUTTON);
      t.iBitmap = b->ImageIndex();
      b->text_ = b->Caption();
      t.iString = showCaptions_ ? reinterpret_cast<INT_PTR>(b->text_.c_str()) : -1;
    }
    tb.push_back(t);
  }
  SendMessageA(w, TB_SETMAXTEXTROWS, showCaptions_ ? 1 : 0, 0);
  SendMessageA(w, TB_ADDBUTTONSA, tb.size(), reinterpret_cast<LPARAM>(tb.data()));
  SendMessageA(w, TB_SETBUTTONSIZE, 0, MAKELONG(ButtonWidth(), ButtonHeight()));
  Invalidate();
}

void ToolBar::SetShowCaptions(bool on) {
  showCaptions_ = on;
  RebuildButtons();
}

int ToolBar::ButtonWidth() const { return OwnerForm()->Scale(buttonSize_.cx); }
int ToolBar::ButtonHeight() const { return OwnerForm()->Scale(buttonSize_.cy); }

void ToolBar::SetButtonSize(int width, int height) {
  buttonSize_ = {width, height};
  SendMessageA(Handle(), TB_SETBUTTONSIZE, 0, MAKELONG(ButtonWidth(), ButtonHeight()));
  RebuildButtons();
}

SIZE ToolBar::ReportedButtonSize() const {
  DWORD s = static_cast<DWORD>(SendMessageA(Handle(), TB_GETBUTTONSIZE, 0, 0));
  return {LOWORD(s), HIWORD(s)};
}

void ToolBar::DpiChanged(int, int) {
  // The image lists, earlier in the layout, have taken their pictures for the new scale.
  ShowImages();
  SetButtonSize(buttonSize_.cx, buttonSize_.cy);
}

void ToolBar::SetShowHint(bool on) {
  showHint_ = on;
  if (HWND tips = reinterpret_cast<HWND>(SendMessageA(Handle(), TB_GETTOOLTIPS, 0, 0)))
    SendMessageA(tips, TTM_ACTIVATE, on, 0);
}

void ToolBar::SetImages(ImageList* images) {
  images_ = images;
  SendMessageA(Handle(), TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images ? images->Handle() : nullptr));
  Invalidate();
}

ToolButton* ToolBar::ButtonByCommand(int command) const {
  for (ToolButton* b : buttons_)
    if (b->command_ == command) return b;
  return nullptr;
}

bool ToolBar::HandleCommand(WORD, WORD id) {
  if (ToolButton* b = ButtonByCommand(id)) b->Click();
  return true;
}

bool ToolBar::HandleNotify(NMHDR& hdr, LRESULT& result) {
  switch (hdr.code) {
    case TBN_DROPDOWN: {
      auto& nm = reinterpret_cast<NMTOOLBARA&>(hdr);
      ToolButton* b = ButtonByCommand(nm.iItem);
      if (!b || !b->dropdown_) return false;
      RECT r{};
      SendMessageA(Handle(), TB_GETRECT, nm.iItem, reinterpret_cast<LPARAM>(&r));
      MapWindowPoints(Handle(), nullptr, reinterpret_cast<POINT*>(&r), 2);
      b->dropdown_->Popup(r.left, r.bottom, b);
      result = TBDDRET_DEFAULT;
      return true;
    }
    case TBN_GETINFOTIPA: {
      auto& nm = reinterpret_cast<NMTBGETINFOTIPA&>(hdr);
      if (ToolButton* b = ButtonByCommand(nm.iItem)) lstrcpynA(nm.pszText, b->Hint().c_str(), nm.cchTextMax);
      return true;
    }
    case TTN_GETDISPINFOA: {
      auto& nm = reinterpret_cast<NMTTDISPINFOA&>(hdr);
      if (ToolButton* b = ButtonByCommand(static_cast<int>(hdr.idFrom))) {
        lstrcpynA(nm.szText, b->Hint().c_str(), sizeof nm.szText);
        nm.lpszText = nm.szText;
      }
      return true;
    }
    default:
      return false;
  }
}

bool ToolBar::WndProc(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  switch (msg) {
    case WM_NCCALCSIZE: {
      auto* r = reinterpret_cast<RECT*>(lp);
      InflateRect(r, -2, -2);
      result = 0;
      return true;
    }
    case WM_NCPAINT: {
      HDC dc = GetWindowDC(Handle());
      RECT r;
      GetWindowRect(Handle(), &r);
      OffsetRect(&r, -r.left, -r.top);
      DrawEdge(dc, &r, EDGE_ETCHED, BF_RECT);
      ReleaseDC(Handle(), dc);
      return true;
    }
    default:
      return Control::WndProc(msg, wp, lp, result);
  }
}

}  // namespace ui
