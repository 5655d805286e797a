// Top-level windows whose components come from a stored layout.
#pragma once
#include <map>
#include <memory>
#include <string>
#include <utility>

#include "ui/Component.h"
#include "ui/Dpi.h"
#include "win/Errors.h"

namespace ui {

class MenuItem;
class MainMenu;

enum class WindowState { Normal, Minimized, Maximized };
enum class CloseAction { None, Hide, Free };
enum ModalResult { mrNone = 0, mrOk = IDOK, mrCancel = IDCANCEL };

class Form : public Control {
 public:
  Form() = default;
  ~Form() override;

  // Loads the form's layout; each form class gives its own.
  virtual void Create() = 0;

  // Creates the window, loads the layout's components in order, binds their events, gives
  // each its end-of-loading step, lays the form out, and only then raises OnCreate; a dialog's
  // captions are fitted after that.
  template <class F>
  void LoadLayout(const FormLayout<F>& layout);

  bool Loading() const { return loading_; }
  const std::vector<Component*>& Components() const { return components_; }

  HFONT Font() const { return font_.get(); }
  // The DPI the form is laid out for; layouts give sizes at 96 DPI, Scale gives them at this one.
  int Dpi() const { return dpi_; }
  int Scale(int designSize) const { return Scaled(designSize, dpi_); }
  // Lays the form out again for another DPI, as when the window moves to a monitor of another
  // scale: every control's bounds, the font, each control's own sizes; then OnDpiChanged. The
  // window takes the suggested bounds when given, else keeps its top left corner and takes its
  // client area's design size at the new scale.
  void ChangeDpi(int dpi, const RECT* suggested = nullptr);
  std::string Caption() const;
  void SetCaption(const std::string& text) { SetWindowTextA(Handle(), text.c_str()); }
  WindowState GetWindowState() const;
  void SetWindowState(WindowState s);
  RECT WindowBounds() const;  // outer bounds in screen pixels
  void SetWindowBounds(int left, int top, int width, int height);

  void Show(int showCommand = SW_SHOWNORMAL);
  void Close() { SendMessageA(Handle(), WM_CLOSE, 0, 0); }
  int ShowModal();
  void SetModalResult(int r) { modalResult_ = r; }
  bool IsModal() const { return modal_; }
  bool KeyPreview() const { return keyPreview_; }
  bool DialogKeys() const { return dialogKeys_; }
  HACCEL Accelerators() const { return accel_.get(); }
  // The help topic F1 opens in this form (empty: the form has none).
  const std::string& HelpTopic() const { return helpTopic_; }

  // Menu items register here so that their commands reach them.
  UINT RegisterCommand(MenuItem& item);
  bool HandleMenuCommand(WORD id);
  bool HandleMenuDraw(UINT msg, LPARAM lp, LRESULT& result);
  void SetMainMenu(MainMenu* menu);
  void RebuildAccelerators();

  NotifyEvent OnCreate;
  NotifyEvent OnShow;
  Event<bool&> OnCloseQuery;
  Event<CloseAction&> OnClose;
  Event<WORD&> OnKeyDown;
  // After a change of DPI: what the form keeps at a scaled size itself (images) follows here.
  NotifyEvent OnDpiChanged;

 protected:
  HWND CreateHandle(const Props& props, HWND parent) override;
  bool WndProc(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
  void SetDialogKeys(bool on) { dialogKeys_ = on; }
  void SetHelpTopic(std::string topic) { helpTopic_ = std::move(topic); }
  // Controls whose caption does not fit grow, and their containers with them (see FitCaptions).
  void SetFitCaptions(bool on) { fitCaptions_ = on; }

 private:
  void BeginLoad(const char* className, const Props& props, bool keyPreview, int icon);
  void LoadComponent(Component& c, const char* name, const Props& props);
  void EndLoad();
  // The window's big and small icons at the form's scale.
  void SetIcons(HWND w);
  // Takes the client area's size as the one to lay out at each change of scale.
  void KeepClientSize();

  const char* className_ = nullptr;
  int iconId_ = 0;
  win::UniqueFont font_;
  win::UniqueIcon icon_, smallIcon_;
  std::vector<Component*> components_;
  std::map<UINT, MenuItem*> commands_;
  UINT nextCommand_ = 100;
  MainMenu* mainMenu_ = nullptr;
  win::UniqueAccel accel_;
  bool loading_ = false;
  bool keyPreview_ = false;
  bool dialogKeys_ = false;
  bool modal_ = false;
  int modalResult_ = mrNone;
  std::string helpTopic_;
  int dpi_ = kDesignDpi;
  SIZE designClient_{};  // the restored client area in 96-DPI units, as last set or sized by the user
  bool fitCaptions_ = false;
  WindowState pendingState_ = WindowState::Normal;
};

// A rectangle larger than the work area of the monitor it is mostly on, shrunk and moved to lie
// inside it (a design size scaled for a high DPI can be larger than the screen); with
// moveInside also one that fits but reaches past the work area's edges is moved inside it.
RECT FitToWorkArea(const RECT& r, bool moveInside = false);

template <class F>
void Form::LoadLayout(const FormLayout<F>& layout) {
  F& self = static_cast<F&>(*this);
  BeginLoad(layout.className, layout.props, layout.keyPreview, layout.icon);
  for (const auto& bind : layout.events) bind(self, *this);
  for (const Row<F>& row : layout.rows) {
    Component& c = row.get(self);
    LoadComponent(c, row.name, row.props);
    for (const auto& bind : row.events) bind(self, c);
  }
  EndLoad();
}

}  // namespace ui
