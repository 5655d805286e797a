#include "ModalAnswerer.h"

#include "FolderChooserAnswerer.h"

namespace {
thread_local ModalAnswerer* current = nullptr;
thread_local std::vector<AnsweredBox>* sink = nullptr;
}  // namespace

ModalAnswerer::ModalAnswerer() {
  current = this;
  sink = &boxes_;
  hook_ = SetWindowsHookExA(WH_CBT, &ModalAnswerer::Hook, nullptr, GetCurrentThreadId());
}

ModalAnswerer::~ModalAnswerer() {
  UnhookWindowsHookEx(hook_);
  current = nullptr;
  sink = nullptr;
}

LRESULT CALLBACK ModalAnswerer::Hook(int code, WPARAM wp, LPARAM lp) {
  if (code == HCBT_ACTIVATE && sink) {
    auto w = reinterpret_cast<HWND>(wp);
    char cls[64] = "";
    GetClassNameA(w, cls, sizeof cls);
    // The folder chooser is answered by its own watcher, like a user picking a folder; it
    // can be activated before its controls exist, so only a box with controls that are not
    // the chooser's is taken for another dialog.
    bool messageBox = GetDlgItem(w, 0xFFFF) != nullptr;
    bool otherDialog = GetWindow(w, GW_CHILD) != nullptr && !IsFolderChooser(w);
    if (std::string(cls) == "#32770" && (messageBox || otherDialog)) {
      char caption[256] = "", text[1024] = "";
      GetWindowTextA(w, caption, sizeof caption);
      GetDlgItemTextA(w, 0xFFFF, text, sizeof text);  // a message box's text
      sink->push_back({caption, text});
      PostMessageA(w, WM_COMMAND, IDOK, 0);
      PostMessageA(w, WM_CLOSE, 0, 0);
    }
  }
  return CallNextHookEx(nullptr, code, wp, lp);
}
