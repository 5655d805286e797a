// Push buttons, check boxes, radio buttons and group boxes.
#include "ui/Buttons.h"

#include "ui/Dialogs.h"
#include "ui/Images.h"
#include "win/Text.h"

namespace ui {

namespace {

// The first control of its kind in its container starts a group for the arrow keys.
template <class T>
bool FollowsSameKind(const Control& c) {
  const Control* before = nullptr;
  if (!c.Parent()) return false;
  for (const Control* sibling : c.Parent()->Children()) {
    if (sibling == &c) break;
    before = sibling;
  }
  return dynamic_cast<const T*>(before) != nullptr;
}

}  // namespace

// ---- Button

// The form's other buttons ask for the default button while they lose the focus.
Button::~Button() {
  if (!dialog_) return;
  if (dialog_->DefaultButton() == this) dialog_->SetDefaultButton(nullptr);
  if (dialog_->CancelButton() == this) dialog_->SetCancelButton(nullptr);
}

void Button::Load(const Props& p, Form& form) {
  default_ = p.defaultButton;
  cancel_ = p.cancelButton;
  dialog_ = dynamic_cast<DialogForm*>(&form);
  Control::Load(p, form);
  // Esc sends IDCANCEL and Enter the default button's identifier, so a button that is both
  // answers to IDCANCEL and is named as the default.
  int id = cancel_ ? IDCANCEL : default_ ? IDOK : 0;
  SetWindowLongPtrA(Handle(), GWLP_ID, id);
  if (dialog_ && default_) dialog_->SetDefaultButton(this);
  if (dialog_ && cancel_) dialog_->SetCancelButton(this);
}

HWND Button::CreateHandle(const Props& p, HWND parent) {
  DWORD style = WS_TABSTOP | WS_GROUP | (p.defaultButton ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
  return CreateChild("BUTTON", style, 0, parent, p.caption ? p.caption : "");
}

std::string Button::Caption() const { return win::WindowText(Handle()); }

void Button::Click() {
  if (Enabled()) OnClick(*this);
}

bool Button::HandleCommand(WORD code, WORD) {
  if (code == BN_CLICKED) OnClick(*this);
  return true;
}

void Button::ShowAsDefault(bool on) {
  SendMessageA(Handle(), BM_SETSTYLE, on ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

bool Button::WndProc(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  auto* def = dialog_ ? dynamic_cast<Button*>(dialog_->DefaultButton()) : nullptr;
  switch (msg) {
    case WM_SETFOCUS:
      if (def && def != this) def->ShowAsDefault(false);
      ShowAsDefault(true);
      return Control::WndProc(msg, wp, lp, result);
    case WM_KILLFOCUS:
      if (def != this) ShowAsDefault(false);
      if (def && def->Handle()) def->ShowAsDefault(true);
      return Control::WndProc(msg, wp, lp, result);
    default:
      return Control::WndProc(msg, wp, lp, result);
  }
}

// ---- CheckBox

HWND CheckBox::CreateHandle(const Props& p, HWND parent) {
  checked_ = p.checked;
  HWND w = CreateChild("BUTTON", WS_TABSTOP | WS_GROUP | BS_CHECKBOX, 0, parent, p.caption ? p.caption : "");
  SendMessageA(w, BM_SETCHECK, checked_ ? BST_CHECKED : BST_UNCHECKED, 0);
  return w;
}

std::string CheckBox::Caption() const { return win::WindowText(Handle()); }

void CheckBox::SetChecked(bool on) {
  if (checked_ == on) return;
  checked_ = on;
  SendMessageA(Handle(), BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
  OnClick(*this);
}

bool CheckBox::HandleCommand(WORD code, WORD) {
  if (code == BN_CLICKED) SetChecked(!checked_);
  return true;
}

// ---- RadioButton

HWND RadioButton::CreateHandle(const Props& p, HWND parent) {
  checked_ = p.checked;
  DWORD style = BS_RADIOBUTTON | (checked_ ? WS_TABSTOP : 0) | (FollowsSameKind<RadioButton>(*this) ? 0 : WS_GROUP);
  HWND w = CreateChild("BUTTON", style, 0, parent, p.caption ? p.caption : "");
  SendMessageA(w, BM_SETCHECK, checked_ ? BST_CHECKED : BST_UNCHECKED, 0);
  return w;
}

std::string RadioButton::Caption() const { return win::WindowText(Handle()); }

// Only the selected radio button of a group is a tab stop; the arrow keys reach the others.
void RadioButton::SetState(bool on) {
  checked_ = on;
  SendMessageA(Handle(), BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
  LONG_PTR style = GetWindowLongPtrA(Handle(), GWL_STYLE);
  SetWindowLongPtrA(Handle(), GWL_STYLE, on ? (style | WS_TABSTOP) : (style & ~static_cast<LONG_PTR>(WS_TABSTOP)));
}

void RadioButton::SetChecked(bool on) {
  if (checked_ == on) return;
  SetState(on);
  if (!on) return;
  if (Parent()) {
    for (Control* sibling : Parent()->Children()) {
      auto* other = dynamic_cast<RadioButton*>(sibling);
      if (other && other != this && other->checked_) other->SetState(false);
    }
  }
  OnClick(*this);
}

bool RadioButton::HandleCommand(WORD code, WORD) {
  if (code == BN_CLICKED) SetChecked(true);
  return true;
}

// ---- GroupBox

HWND GroupBox::CreateHandle(const Props& p, HWND parent) {
  caption_ = p.caption ? p.caption : "";
  return CreateChild(PlainWindowClass(), WS_CLIPCHILDREN, WS_EX_CONTROLPARENT, parent);
}

bool GroupBox::WndProc(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  switch (msg) {
    case WM_SETFONT:
      font_ = reinterpret_cast<HFONT>(wp);
      return true;
    case WM_GETFONT:
      result = reinterpret_cast<LRESULT>(font_);
      return true;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(Handle(), &ps);
      RECT r = ClientRect();
      FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
      win::SelectInDC sel(dc, font_ ? static_cast<HGDIOBJ>(font_) : GetStockObject(DEFAULT_GUI_FONT));
      TEXTMETRICA tm{};
      GetTextMetricsA(dc, &tm);
      RECT frame = r;
      frame.top = tm.tmHeight / 2;
      DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
      if (!caption_.empty()) {
        RECT text{8, 0, r.right - 8, tm.tmHeight};
        RECT calc = text;
        win::DrawText(dc, caption_, calc, DT_SINGLELINE | DT_CALCRECT);
        text.right = std::min(text.right, calc.right + 2);
        text.left -= 1;
        // The caption interrupts the top edge of the frame.
        FillRect(dc, &text, GetSysColorBrush(COLOR_BTNFACE));
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, GetSysColor(IsWindowEnabled(Handle()) ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
        text.left += 1;
        win::DrawText(dc, caption_, text, DT_SINGLELINE);
      }
      EndPaint(Handle(), &ps);
      return true;
    }
    case WM_ERASEBKGND:
      result = 1;
      return true;
    case WM_GETTEXT:
      result = lstrlenA(lstrcpynA(reinterpret_cast<char*>(lp), caption_.c_str(), static_cast<int>(wp)));
      return true;
    default:
      return Control::WndProc(msg, wp, lp, result);
  }
}

}  // namespace ui
