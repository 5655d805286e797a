// Components of a form: the non-visual base, and windowed controls with alignment.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "ui/Events.h"
#include "win/Handles.h"
#include "ui/Layout.h"

namespace ui {

class Form;
class PopupMenu;

class Component {
 public:
  Component() = default;
  Component(const Component&) = delete;
  Component& operator=(const Component&) = delete;
  virtual ~Component() = default;

  const std::string& Name() const { return name_; }
  Form* OwnerForm() const { return form_; }

  // Takes the stored properties; called in layout order while the form loads.
  virtual void Load(const Props& props, Form& form);
  // End of loading: every component of the form has been loaded and bound.
  virtual void Loaded() {}
  // The form was laid out again for another DPI; the form has already laid the control's
  // bounds out at it and given it the new font. Sizes a kind keeps itself follow here.
  virtual void DpiChanged(int from, int to) { (void)from; (void)to; }

 private:
  friend class Form;
  std::string name_;
  Form* form_ = nullptr;
};

// The system cursor of a shape.
HCURSOR CursorFor(CursorShape shape);

// A control with a window of its own. Aligned children are laid out by their container.
class Control : public Component {
 public:
  ~Control() override;

  HWND Handle() const { return wnd_; }
  Control* Parent() const { return parent_; }
  const std::vector<Control*>& Children() const { return children_; }

  void Load(const Props& props, Form& form) override;

  Align GetAlign() const { return align_; }
  int Left() const { return bounds_.left; }
  int Top() const { return bounds_.top; }
  int Width() const { return bounds_.width; }
  int Height() const { return bounds_.height; }
  // In pixels at the form's scale; the control keeps them in 96-DPI units too.
  void SetBounds(int left, int top, int width, int height);
  void SetWidth(int w) { SetBounds(bounds_.left, bounds_.top, w, bounds_.height); }
  void SetHeight(int h) { SetBounds(bounds_.left, bounds_.top, bounds_.width, h); }
  RECT ClientRect() const;

  bool Visible() const { return visible_; }
  void SetVisible(bool v);
  bool Enabled() const { return IsWindowEnabled(wnd_) != FALSE; }
  void SetEnabled(bool e) { EnableWindow(wnd_, e); }
  void SetFocus() { ::SetFocus(wnd_); }
  void Invalidate() { InvalidateRect(wnd_, nullptr, TRUE); }
  void Repaint() { RedrawWindow(wnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN); }

  // The width the control's caption needs in its font, in pixels; 0 when it shows none that
  // could be cut (see FitCaptions).
  virtual int CaptionWidth() const { return 0; }

  // Lays out the aligned children inside the client area, in creation order by kind:
  // top, bottom, left, right, then client.
  void Realign();

  PopupMenu* GetPopupMenu() const { return popup_; }
  void SetPopupMenu(PopupMenu* m) { popup_ = m; }

  static Control* FromHandle(HWND wnd);

  NotifyEvent OnClick;

 protected:
  // Creates the window; the default makes the window class the layout asks for.
  virtual HWND CreateHandle(const Props& props, HWND parent) = 0;
  // Messages of this control's own window. Return true when handled (result set).
  virtual bool WndProc(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
  // WM_COMMAND and WM_NOTIFY that a child or menu sent to this window, reflected back
  // to the child's wrapper.
  virtual bool HandleCommand(WORD code, WORD id) { (void)code; (void)id; return false; }
  virtual bool HandleNotify(NMHDR& hdr, LRESULT& result) { (void)hdr; (void)result; return false; }
  // The window proc default for this control's class.
  LRESULT DefaultProc(UINT msg, WPARAM wp, LPARAM lp);

  HWND CreateChild(const char* cls, DWORD style, DWORD exStyle, HWND parent, const char* text = "");
  void AttachHandle(HWND wnd);
  void ApplyFont(HFONT font);

  Props const* props_ = nullptr;  // while loading only

 private:
  static LRESULT CALLBACK SubclassProc(HWND, UINT, WPARAM, LPARAM);
  LRESULT Dispatch(UINT msg, WPARAM wp, LPARAM lp);
  bool ReflectToChild(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);

  HWND wnd_ = nullptr;
  Control* parent_ = nullptr;
  std::vector<Control*> children_;
  Align align_ = Align::None;
  Rect bounds_{};
  // The bounds in 96-DPI units, from which each change of scale lays the control out, so that
  // its size does not drift; a size set in pixels is turned back once, when it is set.
  Rect design_{};
  bool visible_ = true;
  CursorShape cursor_ = CursorShape::Default;
  PopupMenu* popup_ = nullptr;
  friend class Form;
};

}  // namespace ui
