// Shared helpers of the main-window tests that run extractions: a fixture that opens and forgets
// the window, the list's entries as text, calls posted into a running extraction, and a record
// of the status texts the window writes.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "app/MainForm.h"
#include "fixtures/IconFixtures.h"
#include "settings/RegistryIniFile.h"
#include "settings/Settings.h"
#include "ui/Application.h"

namespace apptest {

// Serves the thread's messages, as the program's loop does, until done() answers true (false
// after timeoutMs, or once the program's loop has ended); a run's icons arrive only while the
// messages are served.
inline bool ServeUntil(const std::function<bool()>& done, DWORD timeoutMs = 60000) {
  const ULONGLONG end = GetTickCount64() + timeoutMs;
  for (;;) {
    // One message at a time: a busy run's frames follow each other without a gap.
    MSG m;
    while (!done() && PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE)) {
      if (m.message == WM_QUIT) {
        ui::Application.ProcessMessages();  // takes note that the loop has ended
        break;
      }
      ui::Application.HandleMessage();
    }
    if (done()) return true;
    const ULONGLONG now = GetTickCount64();
    if (now >= end || ui::Application.Terminated()) return false;
    MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(end - now), QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  }
}

// Serves the messages until the window's run has ended (shown all it found, been stopped, or
// gone with its window). Fails the test when that takes a minute.
inline void WaitForRun(const TfrmMainForm& f) {
  if (!ServeUntil([&] { return !f.Extracting(); }) && f.Extracting()) ADD_FAILURE() << "the run did not end within a minute";
}

// The main window shown as the program shows it, with the run its start begins ended: what a
// test then reads or writes of the status, the list or the caption is not a run's to change.
inline TfrmMainForm& OpenMainWindow() {
  TfrmMainForm& f = ui::Application.CreateForm<TfrmMainForm>();
  f.Show(SW_SHOWNORMAL);
  ui::Application.ProcessMessages();
  WaitForRun(f);
  return f;
}

// A closed main form ends the message loop; take that back so later tests get a fresh one.
inline void DrainQuit() {
  MSG m;
  while (PeekMessageA(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
  ui::Application.Initialize();
}

class MainWindowTest : public testing::Test {
 protected:
  void SetUp() override { TRegistryIniFile(kBaseKey).EraseSection(kSection); }
  void TearDown() override {
    ui::Application.DestroyForms();
    DrainQuit();
    TRegistryIniFile(kBaseKey).EraseSection(kSection);
  }

  // The window as a user sees it, with the extraction options the test asks for.
  TfrmMainForm& Open(bool includeSubs, bool extractFromAll, const std::string& fileTypes) {
    TfrmMainForm& f = OpenMainWindow();
    IncludeSubs = includeSubs;
    ExtractFromAll = extractFromAll;
    FileTypes = fileTypes;
    return f;
  }

  static void DrainQuit() { apptest::DrainQuit(); }
};


// "caption#index" of every entry, in list order.
inline std::vector<std::string> Entries(const TfrmMainForm& f) {
  std::vector<std::string> out;
  for (int i = 0; i < f.lvIcons.Count(); ++i) out.push_back(f.lvIcons.Caption(i) + "#" + f.lvIcons.SubItem(i, 1));
  return out;
}

// Runs fn when the thread next processes its messages: while a run started just before goes on.
class PostedCall {
 public:
  explicit PostedCall(std::function<void()> fn) : fn_(std::move(fn)) {
    static const char* cls = [] {
      WNDCLASSA wc{};
      wc.lpfnWndProc = &PostedCall::Proc;
      wc.hInstance = GetModuleHandleA(nullptr);
      wc.lpszClassName = "apptest.PostedCall";
      RegisterClassA(&wc);
      return wc.lpszClassName;
    }();
    wnd_ = CreateWindowExA(0, cls, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleA(nullptr), nullptr);
    SetWindowLongPtrA(wnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    PostMessageA(wnd_, WM_APP, 0, 0);
  }
  ~PostedCall() { DestroyWindow(wnd_); }
  PostedCall(const PostedCall&) = delete;
  PostedCall& operator=(const PostedCall&) = delete;
  bool Ran() const { return ran_; }

 private:
  static LRESULT CALLBACK Proc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_APP) {
      auto* self = reinterpret_cast<PostedCall*>(GetWindowLongPtrA(w, GWLP_USERDATA));
      self->ran_ = true;
      self->fn_();
      return 0;
    }
    return DefWindowProcA(w, msg, wp, lp);
  }
  std::function<void()> fn_;
  HWND wnd_ = nullptr;
  bool ran_ = false;
};

// Every text written to panel 0 of the status bar, with the application's cursor at that time.
class StatusRecorder {
 public:
  struct Entry {
    std::string text;
    ui::CursorKind cursor;
  };
  explicit StatusRecorder(HWND statusBar) : bar_(statusBar) {
    current() = this;
    hook_ = SetWindowsHookExA(WH_CALLWNDPROC, &StatusRecorder::Hook, nullptr, GetCurrentThreadId());
  }
  ~StatusRecorder() {
    UnhookWindowsHookEx(hook_);
    current() = nullptr;
  }
  StatusRecorder(const StatusRecorder&) = delete;
  StatusRecorder& operator=(const StatusRecorder&) = delete;
  std::vector<std::string> Texts() const {
    std::vector<std::string> t;
    for (const Entry& e : entries_) t.push_back(e.text);
    return t;
  }
  const std::vector<Entry>& Recorded() const { return entries_; }

 private:
  static StatusRecorder*& current() {
    static thread_local StatusRecorder* r = nullptr;
    return r;
  }
  static LRESULT CALLBACK Hook(int code, WPARAM wp, LPARAM lp) {
    auto* cwp = reinterpret_cast<CWPSTRUCT*>(lp);
    StatusRecorder* self = current();
    if (code == HC_ACTION && self && cwp->hwnd == self->bar_ && cwp->message == SB_SETTEXTA &&
        LOBYTE(LOWORD(cwp->wParam)) == 0)
      self->entries_.push_back({reinterpret_cast<const char*>(cwp->lParam), ui::Application.Cursor()});
    return CallNextHookEx(nullptr, code, wp, lp);
  }
  HWND bar_;
  HHOOK hook_;
  std::vector<Entry> entries_;
};

// A path as the folder tree gives it: without a trailing backslash.
inline std::string WithoutTrailingBackslash(std::string path) {
  if (!path.empty() && path.back() == '\\') path.pop_back();
  return path;
}

// The main window over the icon fixture folder, made once for the whole suite.
class FixtureFolderTest : public MainWindowTest {
 protected:
  static void SetUpTestSuite() {
    folder_ = new fixtures::TempFolder("run");
    fixtures::MakeIconFixtureFolder(folder_->Path());
  }
  static void TearDownTestSuite() {
    delete folder_;
    folder_ = nullptr;
  }
  // The fixture folder as the tree gives it.
  static std::string Root() { return WithoutTrailingBackslash(folder_->Path()); }
  static inline fixtures::TempFolder* folder_ = nullptr;
};

}  // namespace apptest
