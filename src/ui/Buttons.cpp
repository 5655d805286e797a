// Push buttons, check boxes, radio buttons and group boxes.
#include "ui/Buttons.h"

#include "ui/Dialogs.h"
#include "ui/FitCaptions.h"
#include "ui/Form.h"
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

// ---- ComboBox

HWND ComboBox::CreateHandle(const Props& p, HWND parent) {
  HWND w = CreateChild("COMBOBOX", WS_TABSTOP | WS_GROUP | WS_VSCROLL | CBS_DROPDOWNLIST, 0, parent);
  for (const char* item : p.items) SendMessageA(w, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
  return w;
}

int ComboBox::Count() const { return static_cast<int>(SendMessageA(Handle(), CB_GETCOUNT, 0, 0)); }

std::string ComboBox::Item(int index) const {
  const LRESULT length = SendMessageA(Handle(), CB_GETLBTEXTLEN, index, 0);
  if (length == CB_ERR || length < 0) return {};
  std::string text(static_cast<size_t>(length) + 1, '\0');
  const LRESULT copied = SendMessageA(Handle(), CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data()));
  text.resize(copied == CB_ERR ? 0 : static_cast<size_t>(copied));
  return text;
}

int ComboBox::ItemIndex() const { return static_cast<int>(SendMessageA(Handle(), CB_GETCURSEL, 0, 0)); }

void ComboBox::SetItemIndex(int index) {
  if (index == ItemIndex()) return;
  SendMessageA(Handle(), CB_SETCURSEL, index, 0);
  OnChange(*this);
}

bool ComboBox::HandleCommand(WORD code, WORD) {
  if (code == CBN_SELCHANGE) OnChange(*this);
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

// ---- Room for the captions

namespace {

// What the button itself says it needs for its caption and, for a check or radio box, the box
// beside it; where it cannot say, the box's width and half a digit's gap, as it draws them.
int ButtonCaptionWidth(const Control& c, bool withBox) {
  SIZE ideal{0, 0};
  if (SendMessageA(c.Handle(), BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&ideal)) && ideal.cx > 0) return ideal.cx;
  const int text = TextWidth(c, win::WindowText(c.Handle()).c_str());
  const int dpi = c.OwnerForm() ? c.OwnerForm()->Dpi() : kDesignDpi;
  return withBox ? text + Scaled(13, dpi) + Scaled(6, dpi) : text + Scaled(12, dpi);
}

}  // namespace

int Button::CaptionWidth() const { return ButtonCaptionWidth(*this, false); }
int CheckBox::CaptionWidth() const { return ButtonCaptionWidth(*this, true); }
int RadioButton::CaptionWidth() const { return ButtonCaptionWidth(*this, true); }

// ---- GroupBox

int GroupBox::CaptionWidth() const {
  // The caption stands in the top edge, a margin in from either side.
  const int margin = OwnerForm() ? OwnerForm()->Scale(8) : 8;
  return caption_.empty() ? 0 : TextWidth(*this, caption_.c_str()) + 2 * margin + 2;
}

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
        const int margin = OwnerForm() ? OwnerForm()->Scale(8) : 8;
        RECT text{margin, 0, r.right - margin, tm.tmHeight};
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
