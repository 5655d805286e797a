// The application object and its message loop.
#include "ui/Application.h"

#include <commctrl.h>

#include "win/Errors.h"
#include "win/Text.h"
#include "ui/Form.h"
#include "ui/Guard.h"

namespace ui {

TApplication Application;

namespace {
constexpr UINT kSyncMessage = WM_APP + 1;
}

void TApplication::Initialize() {
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES |
                                           ICC_TREEVIEW_CLASSES | ICC_TAB_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  mainThread_ = GetCurrentThreadId();
  terminated_ = false;
  if (!syncWindow_) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = &TApplication::SyncWndProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "ui.SyncWindow";
    RegisterClassA(&wc);
    syncWindow_.reset(CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                      wc.hInstance, nullptr));
  }
}

HWND TApplication::Handle() const { return mainForm_ ? mainForm_->Handle() : nullptr; }

void TApplication::DestroyForms() {
  help_.Close();
  while (!forms_.empty()) forms_.pop_back();
  mainForm_ = nullptr;
}

void TApplication::Run(int showCommand) {
  if (!mainForm_) return;
  mainForm_->Show(showCommand);
  while (HandleMessage()) {
  }
}

bool TApplication::HandleMessage() {
  MSG msg;
  BOOL r = GetMessageA(&msg, nullptr, 0, 0);
  if (r == 0 || r == -1) {
    terminated_ = true;
    if (r == 0) PostQuitMessage(static_cast<int>(msg.wParam));  // outer loops end too
    return false;
  }
  if (!PreTranslate(msg)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return true;
}

void TApplication::ProcessMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      terminated_ = true;
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    if (!PreTranslate(msg)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
}

// Key preview, menu shortcuts and dialog keys, before the message reaches its window.
bool TApplication::PreTranslate(MSG& msg) {
  if (!msg.hwnd) return false;
  auto* form = dynamic_cast<Form*>(Control::FromHandle(GetAncestor(msg.hwnd, GA_ROOT)));
  if (!form) return false;
  if ((msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) && form->KeyPreview()) {
    WORD key = static_cast<WORD>(msg.wParam);
    Guarded([&] { form->OnKeyDown(*form, key); });
    if (key == 0) return true;
  }
  if (form->Accelerators() && TranslateAcceleratorA(form->Handle(), form->Accelerators(), &msg)) return true;
  if (form->DialogKeys() && IsDialogMessageA(form->Handle(), &msg)) return true;
  return false;
}

void TApplication::HandleException(const std::exception& e) { ShowErrorText(e.what()); }

void TApplication::HandleCurrentException() noexcept {
  std::exception_ptr failure = std::current_exception();
  if (!failure) return;
  // Even the display can fail (no memory for the text); then there is nothing left to do.
  try {
    // Boxes belong to the user-interface thread; a worker waits until the user has seen it.
    Synchronize([&] {
      try {
        std::rethrow_exception(failure);
      } catch (const std::exception& e) {
        HandleException(e);
      } catch (...) {
        ShowErrorText(kUnknownErrorText);
      }
    });
  } catch (...) {
  }
}

void TApplication::ShowErrorText(const std::string& message) {
  ShowMessageBox(win::ErrorDisplayText(message), Title, MB_OK | MB_ICONERROR);
}

int TApplication::ShowMessageBox(const std::string& text, const std::string& caption, UINT flags) {
  HWND owner = GetActiveWindow();
  if (!owner) owner = Handle();
  return MessageBoxA(owner, text.c_str(), caption.c_str(), flags);
}

HCURSOR TApplication::CursorHandle() const {
  switch (cursor_) {
    case CursorKind::HourGlass: return LoadCursorA(nullptr, IDC_WAIT);
    case CursorKind::AppStart: return LoadCursorA(nullptr, IDC_APPSTARTING);
    default: return LoadCursorA(nullptr, IDC_ARROW);
  }
}

void TApplication::SetCursor(CursorKind kind) {
  cursor_ = kind;
  ::SetCursor(CursorHandle());
}

bool TApplication::ShowHelp(const std::string& topic) {
  HWND owner = Handle() ? Handle() : GetActiveWindow();
  const HelpResult result = help_.Show(HelpFile, topic, owner);
  if (result == HelpResult::Shown) return true;
  std::string text;
  switch (result) {
    case HelpResult::FileMissing:
      text = "The help file " + HelpFile + " was not found. Put it back beside the program, or install the program again.";
      break;
    case HelpResult::ViewerMissing: text = "The help cannot be shown: this system has no HTML Help viewer (hhctrl.ocx)."; break;
    default: text = "The help file " + HelpFile + " cannot be opened. It may be damaged: install the program again."; break;
  }
  ShowMessageBox(text, Title, MB_OK | MB_ICONWARNING);
  return false;
}

void TApplication::Synchronize(const std::function<void()>& fn) {
  if (GetCurrentThreadId() == mainThread_ || !syncWindow_) {
    fn();
    return;
  }
  SendMessageA(syncWindow_.get(), kSyncMessage, 0, reinterpret_cast<LPARAM>(&fn));
}

void TApplication::CheckSynchronize() {
  // Sent messages from other threads are delivered while peeking.
  MSG msg;
  PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
}

LRESULT CALLBACK TApplication::SyncWndProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == kSyncMessage) {
    Guarded([&] { (*reinterpret_cast<const std::function<void()>*>(lp))(); });
    return 0;
  }
  return DefWindowProcA(w, msg, wp, lp);
}

}  // namespace ui
