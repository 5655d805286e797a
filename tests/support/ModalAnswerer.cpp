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
    // The folder chooser is answered by its own watcher, like a user picking a folder.
    if (std::string(cls) == "#32770" && !IsFolderChooser(w)) {
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
