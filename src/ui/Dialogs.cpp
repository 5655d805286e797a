// Dialog-box behaviour for forms: dialog keys, focus memory, centring and tool tips.
#include "ui/Dialogs.h"

#include <commctrl.h>

#include "ui/Application.h"

namespace ui {

namespace {

// Tools are described with the older structure size, which every comctl32 version accepts.
TTTOOLINFOA ToolInfo(HWND owner, UINT_PTR id, UINT flags) {
  TTTOOLINFOA ti{};
  ti.cbSize = TTTOOLINFOA_V2_SIZE;
  ti.uFlags = flags;
  ti.hwnd = owner;
  ti.uId = id;
  return ti;
}

}  // namespace

DialogForm::DialogForm() { SetDialogKeys(true); }

void DialogForm::FocusControl(Control& c) {
  focus_ = c.Handle();
  if (GetActiveWindow() == Handle() && IsWindowVisible(Handle())) ::SetFocus(focus_);
}

Control* DialogForm::ActiveControl() const {
  HWND f = GetFocus();
  if (f && IsChild(Handle(), f)) return Control::FromHandle(f);
  return Control::FromHandle(focus_);
}

void DialogForm::AddHint(Control& c, const std::string& text) {
  if (!hints_) {
    hints_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, Handle(), nullptr,
                             GetModuleHandleA(nullptr), nullptr);
    if (!hints_) return;
    SendMessageA(hints_, TTM_SETMAXTIPWIDTH, 0, 400);
  }
  HWND parent = GetParent(c.Handle());
  // The control itself while it is enabled; its place in the parent while it is disabled,
  // since a disabled window leaves the mouse to its parent.
  TTTOOLINFOA own = ToolInfo(parent, reinterpret_cast<UINT_PTR>(c.Handle()), TTF_IDISHWND | TTF_SUBCLASS);
  own.lpszText = const_cast<char*>(text.c_str());
  SendMessageA(hints_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&own));
  TTTOOLINFOA place = ToolInfo(parent, nextHintId_++, TTF_SUBCLASS);
  place.rect = {c.Left(), c.Top(), c.Left() + c.Width(), c.Top() + c.Height()};
  place.lpszText = own.lpszText;
  SendMessageA(hints_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&place));
}

std::string DialogForm::HintText(const Control& c) const {
  if (!hints_) return {};
  char buf[512] = "";
  TTTOOLINFOA ti = ToolInfo(GetParent(c.Handle()), reinterpret_cast<UINT_PTR>(c.Handle()), TTF_IDISHWND);
  ti.lpszText = buf;
  SendMessageA(hints_, TTM_GETTEXTA, sizeof buf, reinterpret_cast<LPARAM>(&ti));
  return buf;
}

void DialogForm::RestoreFocus() {
  HWND target = focus_;
  if (!target || !IsChild(Handle(), target) || !IsWindowVisible(target) || !IsWindowEnabled(target))
    target = GetNextDlgTabItem(Handle(), nullptr, FALSE);
  if (target) ::SetFocus(target);
}

void DialogForm::CenterOnScreen() {
  RECT r = WindowBounds();
  int w = r.right - r.left, h = r.bottom - r.top;
  SetWindowPos(Handle(), nullptr, (GetSystemMetrics(SM_CXSCREEN) - w) / 2, (GetSystemMetrics(SM_CYSCREEN) - h) / 2,
               0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool DialogForm::WndProc(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  switch (msg) {
    case WM_SHOWWINDOW:
      if (wp) {
        CenterOnScreen();
        // The caller's hourglass covers the opening only; the user works with the arrow.
        if (IsModal()) Application.SetCursor(CursorKind::Default);
      }
      return Form::WndProc(msg, wp, lp, result);
    case WM_ACTIVATE:
      if (LOWORD(wp) == WA_INACTIVE) {
        HWND f = GetFocus();
        if (f && IsChild(Handle(), f)) focus_ = f;
        return Form::WndProc(msg, wp, lp, result);
      }
      if (IsIconic(Handle())) return Form::WndProc(msg, wp, lp, result);
      RestoreFocus();
      result = 0;
      return true;
    case WM_SETFOCUS:
      RestoreFocus();
      return true;
    case DM_GETDEFID:
      if (!defaultButton_ || !defaultButton_->Handle()) return Form::WndProc(msg, wp, lp, result);
      result = MAKELRESULT(GetDlgCtrlID(defaultButton_->Handle()), DC_HASDEFID);
      return true;
    default:
      return Form::WndProc(msg, wp, lp, result);
  }
}

}  // namespace ui
