// The sized kinds' dialogs, made from templates in memory: no resource script to keep in step.
#include "app/SizeDialogs.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <string>

#include "export/SizedIcon.h"
#include "ui/Application.h"
#include "ui/Guard.h"

namespace {

// A dialog template built word by word: the header, then each control, DWORD aligned.
class Template {
 public:
  Template(const char* caption, short cx, short cy) {
    Dword(DS_MODALFRAME | DS_SHELLFONT | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_CONTEXTHELP);
    Dword(0);
    count_ = words_.size();
    words_.push_back(0);
    for (short v : {short{0}, short{0}, cx, cy}) words_.push_back(static_cast<WORD>(v));
    words_.push_back(0);  // no menu
    words_.push_back(0);  // the standard class
    Text(caption);
    words_.push_back(8);
    Text("MS Shell Dlg");
  }
  // class: 0x0080 button, 0x0082 static, 0x0085 combo box.
  void Control(WORD cls, const char* text, WORD id, DWORD style, short x, short y, short cx, short cy) {
    if (words_.size() % 2) words_.push_back(0);
    Dword(style | WS_CHILD | WS_VISIBLE);
    Dword(0);
    for (short v : {x, y, cx, cy}) words_.push_back(static_cast<WORD>(v));
    words_.push_back(id);
    words_.push_back(0xFFFF);
    words_.push_back(cls);
    Text(text);
    words_.push_back(0);
    ++words_[count_];
  }
  const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

 private:
  void Dword(DWORD v) {
    words_.push_back(LOWORD(v));
    words_.push_back(HIWORD(v));
  }
  void Text(const char* text) {
    for (const char* c = text; *c; ++c) words_.push_back(static_cast<WORD>(static_cast<unsigned char>(*c)));
    words_.push_back(0);
  }
  std::vector<WORD> words_;
  std::size_t count_ = 0;
};

constexpr WORD kButton = 0x0080, kStatic = 0x0082, kCombo = 0x0085;

void OkCancel(Template& t, short x, short y) {
  t.Control(kButton, "OK", IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP, x, y, 50, 14);
  t.Control(kButton, "Cancel", IDCANCEL, BS_PUSHBUTTON | WS_TABSTOP, static_cast<short>(x + 54), y, 50, 14);
}

struct PngState {
  int edge;
  const char* caption;
};

struct IconState {
  std::vector<int> edges;
};

// F1 and the caption's help button: the saving topic, which describes both dialogs.
bool Help(UINT msg) {
  if (msg != WM_HELP) return false;
  ui::Application.ShowHelp("saving");
  return true;
}

INT_PTR CALLBACK PngProc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp) {
  return ui::Guarded(INT_PTR{FALSE}, [&]() -> INT_PTR {
    if (msg == WM_INITDIALOG) {
      SetWindowLongPtrA(dialog, DWLP_USER, lp);
      auto* state = reinterpret_cast<PngState*>(lp);
      HWND box = GetDlgItem(dialog, kEdgeBox);
      for (int edge : kCommonPngEdges) SendMessageA(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(std::to_string(edge).c_str()));
      SetWindowTextA(box, std::to_string(state->edge).c_str());
      return TRUE;
    }
    if (Help(msg)) return TRUE;
    if (msg != WM_COMMAND) return FALSE;
    auto* state = reinterpret_cast<PngState*>(GetWindowLongPtrA(dialog, DWLP_USER));
    if (LOWORD(wp) == IDOK) {
      char text[32] = {};
      GetDlgItemTextA(dialog, kEdgeBox, text, sizeof text);
      const auto edges = ParseEdges(text, kMaxSavedEdge);
      if (!edges || edges->size() != 1) {
        const std::string refusal =
            "Type a size from " + std::to_string(kMinSavedEdge) + " to " + std::to_string(kMaxSavedEdge) + " pixels.";
        MessageBoxA(dialog, refusal.c_str(), state->caption, MB_OK | MB_ICONEXCLAMATION);
        SetFocus(GetDlgItem(dialog, kEdgeBox));
        return TRUE;
      }
      state->edge = edges->front();
      EndDialog(dialog, IDOK);
      return TRUE;
    }
    if (LOWORD(wp) == IDCANCEL) {
      EndDialog(dialog, IDCANCEL);
      return TRUE;
    }
    return FALSE;
  });
}

void CheckEdges(HWND dialog, const std::vector<int>& edges) {
  for (std::size_t i = 0; i < std::size(kOfferedIconEdges); ++i) {
    const bool on = std::find(edges.begin(), edges.end(), kOfferedIconEdges[i]) != edges.end();
    CheckDlgButton(dialog, static_cast<int>(kFirstEdgeCheck + i), on ? BST_CHECKED : BST_UNCHECKED);
  }
}

INT_PTR CALLBACK IconProc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp) {
  return ui::Guarded(INT_PTR{FALSE}, [&]() -> INT_PTR {
    if (msg == WM_INITDIALOG) {
      SetWindowLongPtrA(dialog, DWLP_USER, lp);
      CheckEdges(dialog, reinterpret_cast<IconState*>(lp)->edges);
      return TRUE;
    }
    if (Help(msg)) return TRUE;
    if (msg != WM_COMMAND) return FALSE;
    auto* state = reinterpret_cast<IconState*>(GetWindowLongPtrA(dialog, DWLP_USER));
    switch (LOWORD(wp)) {
      case kWindowsSizes: CheckEdges(dialog, {std::begin(kWindowsIconEdges), std::end(kWindowsIconEdges)}); return TRUE;
      case IDOK: {
        std::vector<int> edges;
        for (std::size_t i = 0; i < std::size(kOfferedIconEdges); ++i)
          if (IsDlgButtonChecked(dialog, static_cast<int>(kFirstEdgeCheck + i)) == BST_CHECKED) edges.push_back(kOfferedIconEdges[i]);
        if (edges.empty()) {
          MessageBoxA(dialog, "Choose at least one size.", kIconSizesCaption, MB_OK | MB_ICONEXCLAMATION);
          return TRUE;
        }
        state->edges = edges;
        EndDialog(dialog, IDOK);
        return TRUE;
      }
      case IDCANCEL: EndDialog(dialog, IDCANCEL); return TRUE;
      default: return FALSE;
    }
  });
}

// One edge from 8 to 1024, the common ones offered, with the prompt above it.
std::optional<int> AskEdge(const char* caption, const char* prompt, int edge) {
  Template t(caption, 200, 76);
  t.Control(kStatic, prompt, 0xFFFF, SS_LEFT, 7, 7, 186, 26);
  t.Control(kStatic, "&Size:", 0xFFFF, SS_LEFT, 7, 38, 30, 10);
  t.Control(kCombo, "", kEdgeBox, CBS_DROPDOWN | WS_VSCROLL | WS_TABSTOP, 40, 36, 60, 120);
  OkCancel(t, 89, 55);
  PngState state{edge, caption};
  if (DialogBoxIndirectParamA(GetModuleHandleA(nullptr), t.Get(), GetActiveWindow(), PngProc,
                              reinterpret_cast<LPARAM>(&state)) != IDOK)
    return std::nullopt;
  return state.edge;
}

}  // namespace

std::optional<int> AskPngEdge(int edge) {
  return AskEdge(kPngSizeCaption,
                 "Save each selected icon as a PNG image of this size, in pixels, from the size it stores or made from a larger one:",
                 edge);
}

std::optional<int> AskSheetEdge(int edge) {
  return AskEdge(kSheetCaption,
                 "Draw the selected icons (or every listed one) on a contact sheet at this size, in pixels, each with its name:",
                 edge);
}

std::optional<std::vector<int>> AskIconEdges(const std::vector<int>& edges) {
  Template t(kIconSizesCaption, 200, 130);
  t.Control(kStatic, "Save each selected icon as an icon file holding just these sizes, each as stored or made from a larger one:",
            0xFFFF, SS_LEFT, 7, 7, 186, 26);
  for (std::size_t i = 0; i < std::size(kOfferedIconEdges); ++i) {
    const std::string text = std::to_string(kOfferedIconEdges[i]) + " x " + std::to_string(kOfferedIconEdges[i]);
    const auto column = static_cast<short>(i % 2), row = static_cast<short>(i / 2);
    t.Control(kButton, text.c_str(), static_cast<WORD>(kFirstEdgeCheck + i), BS_AUTOCHECKBOX | WS_TABSTOP,
              static_cast<short>(14 + 90 * column), static_cast<short>(36 + 12 * row), 80, 10);
  }
  t.Control(kButton, "&Windows 10/11 Sizes", kWindowsSizes, BS_PUSHBUTTON | WS_TABSTOP, 7, 109, 80, 14);
  OkCancel(t, 89, 109);
  IconState state{edges};
  if (DialogBoxIndirectParamA(GetModuleHandleA(nullptr), t.Get(), GetActiveWindow(), IconProc,
                              reinterpret_cast<LPARAM>(&state)) != IDOK)
    return std::nullopt;
  return state.edges;
}
