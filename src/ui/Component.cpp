// Components and windowed controls: creation from stored properties, message reflection,
// and the alignment of children.
#include "ui/Component.h"

#include <windowsx.h>

#include <algorithm>
#include <unordered_map>

#include "ui/Application.h"
#include "ui/Form.h"
#include "ui/Guard.h"
#include "ui/Menus.h"

namespace ui {

namespace {

// Each control's window runs our procedure in front of its class's own. The control and the
// procedure it replaced are found by the window here rather than in window properties (or the
// common controls' subclass calls, which keep theirs there): under Wine every property read is
// a round trip to the server, and every message would pay for one or more.
struct Subclassed {
  Control* control;  // none once the control has let go of a window still being destroyed
  WNDPROC original;
  bool unicode;      // the procedures take the messages in the window's own character set
};

// Windows belong to the thread that made them, and their messages arrive on it.
std::unordered_map<HWND, Subclassed>& SubclassedWindows() {
  thread_local std::unordered_map<HWND, Subclassed> windows;
  return windows;
}

LRESULT CallOriginal(const Subclassed& s, HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  return s.unicode ? CallWindowProcW(s.original, wnd, msg, wp, lp) : CallWindowProcA(s.original, wnd, msg, wp, lp);
}

}  // namespace

void Component::Load(const Props&, Form&) {}

Control::~Control() {
  if (wnd_) {
    // Messages of the destruction go straight to the class's procedure.
    auto found = SubclassedWindows().find(wnd_);
    if (found != SubclassedWindows().end()) found->second.control = nullptr;
    HWND w = std::exchange(wnd_, nullptr);
    DestroyWindow(w);
  }
  if (parent_) std::erase(parent_->children_, this);
  for (Control* c : children_) c->parent_ = nullptr;
}

HCURSOR CursorFor(CursorShape shape) {
  switch (shape) {
    case CursorShape::Hand: return LoadCursorA(nullptr, IDC_HAND);
    case CursorShape::SizeWE: return LoadCursorA(nullptr, IDC_SIZEWE);
    case CursorShape::SizeNS: return LoadCursorA(nullptr, IDC_SIZENS);
    default: return LoadCursorA(nullptr, IDC_ARROW);
  }
}

void Control::Load(const Props& p, Form& form) {
  Component::Load(p, form);
  Control* parent = &form;
  if (p.parent) {
    parent = p.parent.In(form);
    // A container's window must exist before its children's: its row comes first.
    if (!parent || !parent->Handle()) throw win::Exception("Control " + Name() + " has no loaded container");
  }
  if (parent != this) {
    parent_ = parent;
    parent_->children_.push_back(this);
  }
  align_ = p.align;
  // Layouts are designed at 96 DPI.
  design_ = p.bounds;
  bounds_ = ScaledBounds(design_, form.Dpi());
  visible_ = p.visible;
  cursor_ = p.cursor;
  props_ = &p;
  AttachHandle(CreateHandle(p, parent_ ? parent_->Handle() : nullptr));
  props_ = nullptr;
  popup_ = p.popupMenu.In(form);
  if (parent_) {
    ApplyFont(form.Font());
    SetWindowPos(wnd_, nullptr, bounds_.left, bounds_.top, bounds_.width, bounds_.height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    if (!p.enabled) EnableWindow(wnd_, FALSE);
    if (visible_) ShowWindow(wnd_, SW_SHOWNA);
  }
}

HWND Control::CreateChild(const char* cls, DWORD style, DWORD exStyle, HWND parent, const char* text) {
  HWND w = CreateWindowExA(exStyle, cls, text, style | WS_CHILD | WS_CLIPSIBLINGS, bounds_.left,
                           bounds_.top, bounds_.width, bounds_.height, parent, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
  if (!w)
    throw win::Exception("Cannot create a window of class " + std::string(cls), win::ErrorKind::Platform,
                         GetLastError());
  return w;
}

void Control::AttachHandle(HWND wnd) {
  wnd_ = wnd;
  const bool unicode = IsWindowUnicode(wnd) != FALSE;
  const auto proc = reinterpret_cast<LONG_PTR>(&Control::SubclassProc);
  // Registered first: the procedure is called as soon as it is in place.
  Subclassed& s = SubclassedWindows()[wnd] = {this, nullptr, unicode};
  s.original = reinterpret_cast<WNDPROC>(unicode ? GetWindowLongPtrW(wnd, GWLP_WNDPROC)
                                                 : GetWindowLongPtrA(wnd, GWLP_WNDPROC));
  if (unicode) SetWindowLongPtrW(wnd, GWLP_WNDPROC, proc);
  else SetWindowLongPtrA(wnd, GWLP_WNDPROC, proc);
}

Control* Control::FromHandle(HWND wnd) {
  if (!wnd) return nullptr;
  auto found = SubclassedWindows().find(wnd);
  return found == SubclassedWindows().end() ? nullptr : found->second.control;
}

void Control::ApplyFont(HFONT font) { SendMessageA(wnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE); }

void Control::SetBounds(int left, int top, int width, int height) {
  bounds_ = {left, top, width, height};
  design_ = UnscaledBounds(bounds_, OwnerForm() ? OwnerForm()->Dpi() : kDesignDpi);
  if (wnd_) {
    SetWindowPos(wnd_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    if (parent_ && align_ != Align::None) parent_->Realign();
  }
}

RECT Control::ClientRect() const {
  RECT r{};
  GetClientRect(wnd_, &r);
  return r;
}

void Control::SetVisible(bool v) {
  if (visible_ == v) return;
  visible_ = v;
  ShowWindow(wnd_, v ? SW_SHOWNA : SW_HIDE);
  if (parent_ && align_ != Align::None) parent_->Realign();
}

void Control::Realign() {
  if (!wnd_) return;
  RECT area = ClientRect();
  auto place = [](Control* c, int l, int t, int w, int h) {
    c->bounds_ = {l, t, std::max(w, 0), std::max(h, 0)};
    SetWindowPos(c->wnd_, nullptr, l, t, std::max(w, 0), std::max(h, 0), SWP_NOZORDER | SWP_NOACTIVATE);
  };
  for (Align kind : {Align::Top, Align::Bottom, Align::Left, Align::Right, Align::Client}) {
    for (Control* c : children_) {
      if (c->align_ != kind || !c->visible_) continue;
      int w = area.right - area.left, h = area.bottom - area.top;
      switch (kind) {
        case Align::Top:
          place(c, area.left, area.top, w, c->bounds_.height);
          area.top += c->bounds_.height;
          break;
        case Align::Bottom:
          place(c, area.left, area.bottom - c->bounds_.height, w, c->bounds_.height);
          area.bottom -= c->bounds_.height;
          break;
        case Align::Left:
          place(c, area.left, area.top, c->bounds_.width, h);
          area.left += c->bounds_.width;
          break;
        case Align::Right:
          place(c, area.right - c->bounds_.width, area.top, c->bounds_.width, h);
          area.right -= c->bounds_.width;
          break;
        default:
          place(c, area.left, area.top, w, h);
          break;
      }
    }
  }
}

LRESULT CALLBACK Control::SubclassProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto& windows = SubclassedWindows();
  auto found = windows.find(wnd);
  if (found == windows.end()) return DefWindowProcA(wnd, msg, wp, lp);  // not one of ours: cannot happen
  const Subclassed s = found->second;
  if (msg == WM_NCDESTROY) {
    windows.erase(found);
    if (s.control) s.control->wnd_ = nullptr;
    return CallOriginal(s, wnd, msg, wp, lp);
  }
  if (!s.control) return CallOriginal(s, wnd, msg, wp, lp);
  return Guarded(LRESULT{0}, [&] { return s.control->Dispatch(msg, wp, lp); });
}

LRESULT Control::Dispatch(UINT msg, WPARAM wp, LPARAM lp) {
  LRESULT result = 0;
  if (ReflectToChild(msg, wp, lp, result)) return result;
  if (WndProc(msg, wp, lp, result)) return result;
  return DefaultProc(msg, wp, lp);
}

LRESULT Control::DefaultProc(UINT msg, WPARAM wp, LPARAM lp) {
  auto found = SubclassedWindows().find(wnd_);
  if (found == SubclassedWindows().end()) return DefWindowProcA(wnd_, msg, wp, lp);
  return CallOriginal(found->second, wnd_, msg, wp, lp);
}

bool Control::ReflectToChild(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  if (msg == WM_COMMAND && lp) {
    if (Control* c = FromHandle(reinterpret_cast<HWND>(lp)))
      return c->HandleCommand(HIWORD(wp), LOWORD(wp));
  } else if (msg == WM_COMMAND && HIWORD(wp) <= 1 && OwnerForm()) {
    return OwnerForm()->HandleMenuCommand(LOWORD(wp));
  } else if (msg == WM_NOTIFY) {
    auto* hdr = reinterpret_cast<NMHDR*>(lp);
    Control* c = FromHandle(hdr->hwndFrom);
    // Tool tips belong to the control that owns them.
    if (!c) c = FromHandle(GetWindow(hdr->hwndFrom, GW_OWNER));
    if (c) return c->HandleNotify(*hdr, result);
  } else if ((msg == WM_MEASUREITEM || msg == WM_DRAWITEM) && wp == 0 && OwnerForm()) {
    return OwnerForm()->HandleMenuDraw(msg, lp, result);
  }
  return false;
}

bool Control::WndProc(UINT msg, WPARAM, LPARAM lp, LRESULT& result) {
  switch (msg) {
    case WM_SIZE:
      if (!children_.empty()) Realign();
      return false;
    case WM_SETCURSOR:
      if (Application.Cursor() != CursorKind::Default && LOWORD(lp) == HTCLIENT) {
        ::SetCursor(Application.CursorHandle());
        result = TRUE;
        return true;
      }
      // A control's own cursor (a link's hand) shows only while no busy cursor is up.
      if (cursor_ != CursorShape::Default && LOWORD(lp) == HTCLIENT) {
        ::SetCursor(CursorFor(cursor_));
        result = TRUE;
        return true;
      }
      return false;
    case WM_CONTEXTMENU:
      if (popup_) {
        POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
        if (pt.x == -1 && pt.y == -1) {
          pt = {0, 0};
          ClientToScreen(wnd_, &pt);
        }
        popup_->Popup(pt.x, pt.y, this);
        return true;
      }
      return false;
    default:
      return false;
  }
}

}  // namespace ui
