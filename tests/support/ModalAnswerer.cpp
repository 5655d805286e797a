#include "ModalAnswerer.h"

#include "FolderChooserAnswerer.h"

#include <utility>

namespace {
// The innermost answerer of the thread answers; an outer one takes over again when it ends.
thread_local ModalAnswerer* current = nullptr;
}  // namespace

ModalAnswerer::ModalAnswerer(std::string typed) : previous_(current), typed_(std::move(typed)) {
  current = this;
  hook_ = SetWindowsHookExA(WH_CBT, &ModalAnswerer::Hook, nullptr, GetCurrentThreadId());
}

ModalAnswerer::~ModalAnswerer() {
  UnhookWindowsHookEx(hook_);
  current = previous_;
}

LRESULT CALLBACK ModalAnswerer::Hook(int code, WPARAM wp, LPARAM lp) {
  if (code == HCBT_ACTIVATE && current) {
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
      current->boxes_.push_back({caption, text});
      if (HWND edit = FindWindowExA(w, nullptr, "Edit", nullptr); edit && !current->typed_.empty())
        SetWindowTextA(edit, current->typed_.c_str());
      PostMessageA(w, WM_COMMAND, IDOK, 0);
      PostMessageA(w, WM_CLOSE, 0, 0);
      return 0;  // answered: an outer answerer's hook must not answer it again
    }
  }
  return CallNextHookEx(nullptr, code, wp, lp);
}
