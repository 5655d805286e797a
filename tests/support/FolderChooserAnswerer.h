// Answers the shell's folder chooser from a watcher thread the way a user would: waits for the
// dialog the test's thread shows, lets the test act on it (select a folder), then presses OK or
// Cancel. ModalAnswerer leaves this dialog alone, so both can watch one test.
#pragma once
#include <windows.h>
#include <shlobj.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <string>
#include <thread>

// The shell's folder chooser is the dialog box with a folder tree in it.
inline bool IsFolderChooser(HWND dialog) { return FindWindowExA(dialog, nullptr, "SysTreeView32", nullptr) != nullptr; }

struct Seen {
  HWND dialog = nullptr;
  HWND owner = nullptr;
  bool titleShown = false;
  bool okEnabled = false;
};

// Finds the dialog the given thread shows, lets `act` work on it, then presses OK or Cancel.
// Gives up after 60 s by closing whatever dialog is there, so no run can hang.
class DialogAnswerer {
 public:
  DialogAnswerer(std::string title, std::function<void(HWND)> act, int button)
      : thread_(GetCurrentThreadId()), title_(std::move(title)), act_(std::move(act)), button_(button),
        worker_([this] { Run(); }) {}
  ~DialogAnswerer() {
    done_ = true;
    worker_.join();
  }
  Seen seen;

 private:
  static BOOL CALLBACK FindDialog(HWND wnd, LPARAM found) {
    char cls[16] = {};
    GetClassNameA(wnd, cls, sizeof cls);
    if (IsWindowVisible(wnd) && strcmp(cls, "#32770") == 0 && IsFolderChooser(wnd)) {
      *reinterpret_cast<HWND*>(found) = wnd;
      return FALSE;
    }
    return TRUE;
  }
  static BOOL CALLBACK FindTitle(HWND wnd, LPARAM self) {
    char text[256] = {};
    GetWindowTextA(wnd, text, sizeof text);
    auto* me = reinterpret_cast<DialogAnswerer*>(self);
    if (!me->title_.empty() && me->title_ == text) me->seen.titleShown = true;
    return TRUE;
  }
  void Run() {
    for (int i = 0; i < 1200 && !done_; ++i) {
      HWND dialog = nullptr;
      EnumThreadWindows(thread_, FindDialog, reinterpret_cast<LPARAM>(&dialog));
      if (dialog) {
        Sleep(200);  // let the tree fill
        seen.dialog = dialog;
        seen.owner = GetWindow(dialog, GW_OWNER);
        EnumChildWindows(dialog, FindTitle, reinterpret_cast<LPARAM>(this));
        if (act_) act_(dialog);
        seen.okEnabled = IsWindowEnabled(GetDlgItem(dialog, IDOK));
        if (button_ == IDOK && !seen.okEnabled) button_ = IDCANCEL;  // nothing else a user could do
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button_, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, button_)));
        return;
      }
      Sleep(50);
    }
  }

  DWORD thread_;
  std::string title_;
  std::function<void(HWND)> act_;
  int button_;
  std::atomic<bool> done_{false};
  std::thread worker_;
};

// The dialog may still be filling its tree when it first shows, and its own initial
// selection would then win: let it settle, and select twice.
inline void SelectPath(HWND dialog, const std::string& path) {
  Sleep(400);
  for (int i = 0; i < 2; ++i) {
    SendMessageA(dialog, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(path.c_str()));
    Sleep(200);
  }
}
