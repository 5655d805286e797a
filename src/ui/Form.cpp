// Top-level windows: layout loading, closing, modal showing, menu commands.
#include "ui/Form.h"

#include <algorithm>

#include "ui/Application.h"
#include "ui/FitCaptions.h"
#include "ui/Guard.h"
#include "ui/Menus.h"
#include "win/Text.h"

namespace ui {

namespace {
struct EnabledWindows {
  std::vector<HWND> list;
  CallbackErrors errors;
};

BOOL CALLBACK CollectEnabledWindow(HWND w, LPARAM lp) {
  auto* found = reinterpret_cast<EnabledWindows*>(lp);
  return found->errors.Run(FALSE, [&] {
    if (IsWindowVisible(w) && IsWindowEnabled(w)) found->list.push_back(w);
    return TRUE;
  });
}
// 8-point "MS Sans Serif": 11 pixels high at 96 DPI.
HFONT MakeFormFont(int dpi) {
  return CreateFontA(-Scaled(11, dpi), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "MS Sans Serif");
}

}  // namespace

Form::~Form() {
  // The window goes first, so no message reaches a component being destroyed.
  if (HWND w = Handle()) DestroyWindow(w);
}

void Form::BeginLoad(const char* className, const Props& props, bool keyPreview, int icon) {
  className_ = className;
  keyPreview_ = keyPreview;
  iconId_ = icon;
  loading_ = true;
  dpi_ = SystemDpi();
  font_.reset(MakeFormFont(dpi_));
  LoadComponent(*this, className, props);
}

void Form::LoadComponent(Component& c, const char* name, const Props& props) {
  c.name_ = name;
  c.form_ = this;
  components_.push_back(&c);
  c.Load(props, *this);
}

void Form::EndLoad() {
  loading_ = false;
  for (Component* c : components_)
    if (c != this) c->Loaded();
  KeepClientSize();
  Realign();
  Guarded([&] { OnCreate(*this); });
  // After OnCreate, which may give the controls their final texts.
  if (fitCaptions_) {
    FitCaptions(*this);
    Realign();
  }
}

HWND Form::CreateHandle(const Props& p, HWND) {
  HINSTANCE inst = GetModuleHandleA(nullptr);
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = inst;
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = className_;
  RegisterClassExA(&wc);  // a second form of the same class finds it registered
  DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
  if (p.border == BorderStyle::Single) style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
  DWORD exStyle = p.border == BorderStyle::Single ? WS_EX_DLGMODALFRAME : 0;
  RECT r{bounds_.left, bounds_.top, bounds_.left + bounds_.width, bounds_.top + bounds_.height};
  if (p.autoSize) AdjustWindowRectForDpi(r, style, false, exStyle, dpi_);  // bounds give the client area
  HWND w = CreateWindowExA(exStyle, className_, p.caption ? p.caption : "", style, r.left, r.top,
                           r.right - r.left, r.bottom - r.top, nullptr, nullptr, inst, nullptr);
  if (!w)
    throw win::Exception("Cannot create the window " + std::string(className_), win::ErrorKind::Platform,
                         GetLastError());
  SetIcons(w);
  return w;
}

void Form::SetIcons(HWND w) {
  if (!iconId_) return;
  // The images drawn for the window's scale, so that neither is stretched from another size.
  HINSTANCE inst = GetModuleHandleA(nullptr);
  auto load = [&](int metric) {
    const int size = MetricForDpi(metric, dpi_);
    return win::UniqueIcon(static_cast<HICON>(LoadImageA(inst, MAKEINTRESOURCEA(iconId_), IMAGE_ICON, size, size, 0)));
  };
  win::UniqueIcon big = load(SM_CXICON), small = load(SM_CXSMICON);
  SendMessageA(w, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big.get()));
  SendMessageA(w, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small.get()));
  // The window no longer uses the icons it had, which may go now.
  icon_ = std::move(big);
  smallIcon_ = std::move(small);
}

std::string Form::Caption() const { return win::WindowText(Handle()); }

WindowState Form::GetWindowState() const {
  if (IsZoomed(Handle())) return WindowState::Maximized;
  if (IsIconic(Handle())) return WindowState::Minimized;
  return WindowState::Normal;
}

void Form::SetWindowState(WindowState s) {
  if (!IsWindowVisible(Handle())) {
    WINDOWPLACEMENT wp{sizeof wp};
    GetWindowPlacement(Handle(), &wp);
    wp.showCmd = SW_HIDE;
    SetWindowPlacement(Handle(), &wp);
    pendingState_ = s;
    return;
  }
  ShowWindow(Handle(), s == WindowState::Maximized   ? SW_MAXIMIZE
                       : s == WindowState::Minimized ? SW_MINIMIZE
                                                     : SW_RESTORE);
}

RECT Form::WindowBounds() const {
  RECT r{};
  GetWindowRect(Handle(), &r);
  return r;
}

void Form::SetWindowBounds(int left, int top, int width, int height) {
  SetWindowPos(Handle(), nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  KeepClientSize();
}

void Form::KeepClientSize() {
  // Not while minimised or maximised: the size to come back to is the restored one.
  if (GetWindowState() != WindowState::Normal) return;
  const RECT client = ClientRect();
  designClient_ = {Unscaled(client.right, dpi_), Unscaled(client.bottom, dpi_)};
}

RECT FitToWorkArea(const RECT& r, bool moveInside) {
  MONITORINFO info{sizeof info};
  if (!GetMonitorInfoA(MonitorFromRect(&r, MONITOR_DEFAULTTONEAREST), &info)) return r;
  const RECT& work = info.rcWork;
  if (!moveInside && r.right - r.left <= work.right - work.left && r.bottom - r.top <= work.bottom - work.top)
    return r;
  const LONG width = std::min(r.right - r.left, work.right - work.left);
  const LONG height = std::min(r.bottom - r.top, work.bottom - work.top);
  const LONG left = std::clamp(r.left, work.left, work.right - width);
  const LONG top = std::clamp(r.top, work.top, work.bottom - height);
  return {left, top, left + width, top + height};
}

void Form::ChangeDpi(int dpi, const RECT* suggested) {
  if (dpi <= 0 || dpi == dpi_) return;
  const int from = dpi_;
  dpi_ = dpi;
  win::UniqueFont old = std::move(font_);
  font_.reset(MakeFormFont(dpi_));
  SetIcons(Handle());
  for (Component* c : components_) {
    if (c == this) continue;
    if (auto* control = dynamic_cast<Control*>(c); control && control->parent_) {
      // From the design, as a form loaded at this scale lays it out.
      const Rect b = control->bounds_ = ScaledBounds(control->design_, dpi);
      SetWindowPos(control->wnd_, nullptr, b.left, b.top, b.width, b.height, SWP_NOZORDER | SWP_NOACTIVATE);
      control->ApplyFont(font_.get());
    }
    c->DpiChanged(from, dpi);
  }
  RECT r = WindowBounds();
  if (suggested) {
    r = *suggested;
  } else {
    RECT outer{0, 0, Scale(designClient_.cx), Scale(designClient_.cy)};
    AdjustWindowRectForDpi(outer, static_cast<DWORD>(GetWindowLongPtrA(Handle(), GWL_STYLE)), GetMenu(Handle()) != nullptr,
                           static_cast<DWORD>(GetWindowLongPtrA(Handle(), GWL_EXSTYLE)), dpi);
    r = {r.left, r.top, r.left + outer.right - outer.left, r.top + outer.bottom - outer.top};
  }
  if (!IsZoomed(Handle()))
    SetWindowPos(Handle(), nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
  if (fitCaptions_) FitCaptions(*this);
  Realign();
  Guarded([&] { OnDpiChanged(*this); });
  RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
}

void Form::Show(int showCommand) {
  Guarded([&] { OnShow(*this); });
  if (pendingState_ == WindowState::Maximized && showCommand != SW_SHOWMINNOACTIVE &&
      showCommand != SW_SHOWMINIMIZED)
    showCommand = SW_SHOWMAXIMIZED;
  pendingState_ = WindowState::Normal;
  // Placed on a monitor of another scale, the form takes that monitor's before it shows: the
  // platform reports a change of scale only when a window moves there later.
  if (!IsWindowVisible(Handle())) ChangeDpi(MonitorDpi(MonitorFromWindow(Handle(), MONITOR_DEFAULTTONEAREST)));
  ShowWindow(Handle(), showCommand);
  UpdateWindow(Handle());
}

int Form::ShowModal() {
  modal_ = true;
  modalResult_ = mrNone;
  // Every other window of the program waits while this one is up.
  EnabledWindows enabled;
  EnumThreadWindows(GetCurrentThreadId(), &CollectEnabledWindow, reinterpret_cast<LPARAM>(&enabled));
  enabled.errors.Rethrow();
  std::vector<HWND> disabled = std::move(enabled.list);
  std::erase(disabled, Handle());
  for (HWND w : disabled) EnableWindow(w, FALSE);
  HWND owner = disabled.empty() ? nullptr : disabled.front();
  SetWindowLongPtrA(Handle(), GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));
  Show(SW_SHOWNORMAL);
  while (modalResult_ == mrNone) {
    if (!Application.HandleMessage()) modalResult_ = mrCancel;
  }
  for (HWND w : disabled) EnableWindow(w, TRUE);
  ShowWindow(Handle(), SW_HIDE);
  if (owner) SetActiveWindow(owner);
  modal_ = false;
  return modalResult_;
}

UINT Form::RegisterCommand(MenuItem& item) {
  UINT id = nextCommand_++;
  commands_[id] = &item;
  return id;
}

bool Form::HandleMenuCommand(WORD id) {
  auto it = commands_.find(id);
  if (it == commands_.end()) return false;
  it->second->Click();
  return true;
}

bool Form::HandleMenuDraw(UINT msg, LPARAM lp, LRESULT& result) {
  if (msg == WM_MEASUREITEM) {
    auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(lp);
    if (mis->CtlType != ODT_MENU) return false;
    auto it = commands_.find(mis->itemID);
    if (it == commands_.end()) return false;
    it->second->MeasureImage(*mis);
  } else {
    auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
    if (dis->CtlType != ODT_MENU) return false;
    auto it = commands_.find(dis->itemID);
    if (it == commands_.end()) return false;
    it->second->DrawImage(*dis);
  }
  result = TRUE;
  return true;
}

void Form::SetMainMenu(MainMenu* menu) {
  mainMenu_ = menu;
  SetMenu(Handle(), menu ? menu->Handle() : nullptr);
  RebuildAccelerators();
}

void Form::RebuildAccelerators() {
  std::vector<ACCEL> table;
  for (auto& [id, item] : commands_) {
    unsigned sc = item->ShortCut();
    if (!sc || !mainMenu_ || item->GetMenu() != mainMenu_) continue;
    BYTE virt = FVIRTKEY | ((sc & kCtrl) ? FCONTROL : 0) | ((sc & kShift) ? FSHIFT : 0) | ((sc & kAlt) ? FALT : 0);
    table.push_back({virt, static_cast<WORD>(sc & 0xFFFF), static_cast<WORD>(id)});
  }
  accel_.reset(table.empty() ? nullptr : CreateAcceleratorTableA(table.data(), static_cast<int>(table.size())));
}

bool Form::WndProc(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  switch (msg) {
    case WM_CLOSE: {
      bool canClose = true;
      OnCloseQuery(*this, canClose);
      if (!canClose) return true;
      if (modal_) {
        if (modalResult_ == mrNone) modalResult_ = mrCancel;
        return true;
      }
      CloseAction action = Application.MainForm() == this ? CloseAction::Free : CloseAction::Hide;
      OnClose(*this, action);
      if (action == CloseAction::Hide) ShowWindow(Handle(), SW_HIDE);
      if (action == CloseAction::Free) DestroyWindow(Handle());
      return true;
    }
    case WM_DESTROY:
      if (Application.MainForm() == this) PostQuitMessage(0);
      return false;
    case WM_EXITSIZEMOVE:
      KeepClientSize();  // the user's size, back in design units once
      return false;
    case WM_DPICHANGED:
      ChangeDpi(HIWORD(wp), reinterpret_cast<const RECT*>(lp));
      result = 0;
      return true;
    case WM_HELP:
      if (!helpTopic_.empty()) Application.ShowHelp(helpTopic_);
      result = TRUE;
      return true;
    case WM_COMMAND:
      // A dialog key (Enter, Esc) pressed the form's default or cancel button.
      if (lp == 0 && (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) && dialogKeys_) {
        HWND btn = GetDlgItem(Handle(), LOWORD(wp));
        if (btn && IsWindowEnabled(btn)) SendMessageA(btn, BM_CLICK, 0, 0);
        else if (LOWORD(wp) == IDCANCEL) Close();
        return true;
      }
      return Control::WndProc(msg, wp, lp, result);
    default:
      return Control::WndProc(msg, wp, lp, result);
  }
}

}  // namespace ui
