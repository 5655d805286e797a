// The application object: title, forms, message loop, cursors, message boxes and the
// general error display.
#pragma once
#include <windows.h>

#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/HelpViewer.h"
#include "win/Handles.h"

namespace ui {

class Form;

// What the error display says for an exception that carries no message of its own.
inline constexpr const char* kUnknownErrorText = "An unexpected error occurred";

enum class CursorKind { Default, HourGlass, AppStart };

class TApplication {
 public:
  TApplication() = default;
  TApplication(const TApplication&) = delete;
  TApplication& operator=(const TApplication&) = delete;

  // Common controls; the hidden window that receives hand-overs from other threads.
  void Initialize();

  std::string Title;
  std::string HelpFile;

  // Creates a form and keeps it for the life of the program; the first becomes the main form.
  template <class F>
  F& CreateForm() {
    auto form = std::make_unique<F>();
    F& ref = *form;
    if (!mainForm_) mainForm_ = &ref;
    forms_.push_back(std::move(form));
    ref.Create();
    return ref;
  }
  Form* MainForm() const { return mainForm_; }
  HWND Handle() const;  // the window that stands for the application: the main form's
  // Forgets every form (their windows first) and closes the help viewer; used at the end of the
  // program and by tests.
  void DestroyForms();

  // Shows the main form with the given show command and runs the loop until it closes.
  void Run(int showCommand);
  // Handles one message, waiting for it; false once the program is ending.
  bool HandleMessage();
  // Handles every pending message without waiting.
  void ProcessMessages();
  bool Terminated() const { return terminated_; }

  // The general error display: error icon, the title as caption, "." added to the text
  // when its last character sorts after ".".
  void HandleException(const std::exception& e);
  // The same for the exception being handled (call it inside a catch block): an
  // std::exception's message, kUnknownErrorText for anything else. From another thread the
  // display is handed to the user-interface thread. Never throws.
  void HandleCurrentException() noexcept;
  void ShowErrorText(const std::string& message);
  int ShowMessageBox(const std::string& text, const std::string& caption, UINT flags);

  CursorKind Cursor() const { return cursor_; }
  HCURSOR CursorHandle() const;
  void SetCursor(CursorKind kind);

  // The page of a topic of the help file (HelpFile) in the HTML Help viewer, whose window the
  // main form owns; a file that is missing or cannot be opened is said in a message box.
  // True when the viewer shows the page.
  bool ShowHelp(const std::string& topic);

  // Runs fn on the user-interface thread and waits for it (from any thread).
  void Synchronize(const std::function<void()>& fn);
  // Serves hand-overs that other threads are waiting on; the UI thread calls this while
  // it waits for a thread itself.
  void CheckSynchronize();
  DWORD MainThreadId() const { return mainThread_; }

 private:
  bool PreTranslate(MSG& msg);
  static LRESULT CALLBACK SyncWndProc(HWND, UINT, WPARAM, LPARAM);

  std::vector<std::unique_ptr<Form>> forms_;
  Form* mainForm_ = nullptr;
  bool terminated_ = false;
  CursorKind cursor_ = CursorKind::Default;
  win::UniqueWindow syncWindow_;
  DWORD mainThread_ = 0;
  HelpViewer help_;
};

// The program-wide application object.
extern TApplication Application;

// Sets a cursor for one scope and puts the default back on every way out.
class CursorScope {
 public:
  explicit CursorScope(CursorKind kind) { Application.SetCursor(kind); }
  CursorScope(const CursorScope&) = delete;
  CursorScope& operator=(const CursorScope&) = delete;
  ~CursorScope() { Application.SetCursor(CursorKind::Default); }
};

// Sets a cursor for one scope and puts back whichever cursor was showing before, for work
// that may run inside another busy phase.
class SavedCursorScope {
 public:
  explicit SavedCursorScope(CursorKind kind) : old_(Application.Cursor()) { Application.SetCursor(kind); }
  SavedCursorScope(const SavedCursorScope&) = delete;
  SavedCursorScope& operator=(const SavedCursorScope&) = delete;
  ~SavedCursorScope() { Application.SetCursor(old_); }

 private:
  CursorKind old_;
};

}  // namespace ui
