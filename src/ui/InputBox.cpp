// The input box: a dialog template made in memory, so it needs no resource script.
#include "ui/InputBox.h"

#include <cstdint>
#include <vector>

#include "ui/Guard.h"
#include "win/Text.h"

namespace ui {
namespace {

constexpr WORD kPromptId = 100, kEditId = 101;

struct BoxState {
  std::wstring text;
};

// A template's words: items are DWORD-aligned, strings are wide and end in zero.
class Template {
 public:
  void Word(WORD w) { words_.push_back(w); }
  void Long(DWORD d) {
    Word(LOWORD(d));
    Word(HIWORD(d));
  }
  void Text(const std::wstring& s) {
    for (wchar_t c : s) Word(static_cast<WORD>(c));
    Word(0);
  }
  void Align() {
    if (words_.size() % 2) Word(0);
  }
  // One control: style, position and size in dialog units, id, its class's atom and text.
  void Item(DWORD style, short x, short y, short cx, short cy, WORD id, WORD atom, const std::wstring& text) {
    Align();
    Long(style | WS_CHILD | WS_VISIBLE);
    Long(0);
    for (short v : {x, y, cx, cy}) Word(static_cast<WORD>(v));
    Word(id);
    Word(0xFFFF);
    Word(atom);
    Text(text);
    Word(0);  // no creation data
  }
  const DLGTEMPLATE* Data() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }
  void SetCount(WORD count) { words_[4] = count; }

 private:
  std::vector<WORD> words_;
};

INT_PTR CALLBACK BoxProc(HWND box, UINT msg, WPARAM wp, LPARAM lp) {
  return Guarded(INT_PTR{FALSE}, [&]() -> INT_PTR {
    switch (msg) {
      case WM_INITDIALOG: {
        SetWindowLongPtrW(box, DWLP_USER, lp);
        auto* state = reinterpret_cast<BoxState*>(lp);
        SetDlgItemTextW(box, kEditId, state->text.c_str());
        SendDlgItemMessageW(box, kEditId, EM_SETSEL, 0, -1);
        SetFocus(GetDlgItem(box, kEditId));
        return FALSE;  // the focus was set here
      }
      case WM_COMMAND:
        if (LOWORD(wp) == IDOK) {
          auto* state = reinterpret_cast<BoxState*>(GetWindowLongPtrW(box, DWLP_USER));
          HWND edit = GetDlgItem(box, kEditId);
          std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(edit)) + 1, L'\0');
          text.resize(static_cast<std::size_t>(GetWindowTextW(edit, text.data(), static_cast<int>(text.size()))));
          state->text = text;
          EndDialog(box, IDOK);
          return TRUE;
        }
        if (LOWORD(wp) == IDCANCEL) {
          EndDialog(box, IDCANCEL);
          return TRUE;
        }
        return FALSE;
      default: return FALSE;
    }
  });
}

}  // namespace

bool InputBox(HWND owner, const std::string& title, const std::string& prompt, std::string& text) {
  Template t;
  t.Long(DS_MODALFRAME | DS_SETFONT | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU);
  t.Long(0);
  t.Word(0);  // the count, set below
  for (short v : {0, 0, 280, 62}) t.Word(static_cast<WORD>(v));
  t.Word(0);  // no menu
  t.Word(0);  // the standard class
  t.Text(win::Widen(title));
  t.Word(8);
  t.Text(L"MS Shell Dlg");
  t.Item(SS_LEFT | SS_NOPREFIX, 7, 7, 266, 10, kPromptId, 0x0082, win::Widen(prompt));
  t.Item(ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 7, 19, 266, 14, kEditId, 0x0081, L"");
  t.Item(BS_DEFPUSHBUTTON | WS_TABSTOP, 169, 41, 50, 14, IDOK, 0x0080, L"OK");
  t.Item(BS_PUSHBUTTON | WS_TABSTOP, 223, 41, 50, 14, IDCANCEL, 0x0080, L"Cancel");
  t.SetCount(4);
  BoxState state{win::Widen(text)};
  const INT_PTR answer =
      DialogBoxIndirectParamW(GetModuleHandleW(nullptr), t.Data(), owner, &BoxProc, reinterpret_cast<LPARAM>(&state));
  if (answer != IDOK) return false;
  text = win::Narrow(state.text);
  return true;
}

}  // namespace ui
