// A multi-line text box inside dialog forms.
#include "ui/Memo.h"

#include <vector>

namespace ui {

HWND Memo::CreateHandle(const Props& p, HWND parent) {
  wantReturns_ = p.wantReturns;
  DWORD style = WS_TABSTOP | WS_GROUP | ES_MULTILINE | ES_AUTOVSCROLL | (p.vertScroll ? WS_VSCROLL : 0) |
                (wantReturns_ ? ES_WANTRETURN : 0);
  return CreateChild("EDIT", style, WS_EX_CLIENTEDGE, parent, p.caption ? p.caption : "");
}

std::string Memo::Text() const {
  int n = GetWindowTextLengthA(Handle());
  std::vector<char> buf(n + 1, '\0');
  GetWindowTextA(Handle(), buf.data(), n + 1);
  return buf.data();
}

void Memo::SetText(const std::string& text) {
  if (text == Text()) return;
  // The edit control reports a change of its text by code inconsistently (not at all for
  // multi-line boxes on Windows), so the event is raised here, once.
  settingText_ = true;
  SetWindowTextA(Handle(), text.c_str());
  settingText_ = false;
  OnChange(*this);
}

bool Memo::HandleCommand(WORD code, WORD) {
  if (code == EN_CHANGE && !settingText_) OnChange(*this);
  return true;
}

bool Memo::WndProc(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  switch (msg) {
    case WM_GETDLGCODE: {
      // A multi-line box wants every key; Tab, Esc and (unless it takes line breaks) Enter
      // are left to the dialog, so they move on, cancel and press the default button.
      result = DefaultProc(msg, wp, lp);
      auto* m = reinterpret_cast<const MSG*>(lp);
      if (m && (m->message == WM_KEYDOWN || m->message == WM_CHAR)) {
        WPARAM key = m->wParam;
        if (key == VK_TAB || key == VK_ESCAPE || (key == VK_RETURN && !wantReturns_))
          result &= ~static_cast<LRESULT>(DLGC_WANTALLKEYS | DLGC_WANTTAB);
      }
      return true;
    }
    case WM_CHAR:
      // Enter never becomes a line break here, whatever way the key arrives.
      if ((wp == '\r' || wp == '\n') && !wantReturns_) return true;
      return Control::WndProc(msg, wp, lp, result);
    default:
      return Control::WndProc(msg, wp, lp, result);
  }
}

}  // namespace ui
