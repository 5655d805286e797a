// Push buttons, check boxes, radio buttons and group boxes. Changing a check box or a radio
// button from code raises the same click event as the user's click, so a form can rely on
// its handlers whichever way the state changed.
#pragma once
#include "ui/Component.h"

namespace ui {

class DialogForm;

// A push button; the layout can make it the form's default (Enter) and/or cancel (Esc)
// button. While another push button has the focus, that one is the default.
class Button : public Control {
 public:
  ~Button() override;
  void Load(const Props& props, Form& form) override;
  std::string Caption() const;
  bool IsDefault() const { return default_; }
  bool IsCancel() const { return cancel_; }
  // Presses the button as a click does; nothing while it is disabled.
  void Click();
  int CaptionWidth() const override;

 protected:
  HWND CreateHandle(const Props& props, HWND parent) override;
  bool HandleCommand(WORD code, WORD id) override;
  bool WndProc(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

 private:
  void ShowAsDefault(bool on);

  DialogForm* dialog_ = nullptr;  // the form, when it is a dialog
  bool default_ = false, cancel_ = false;
};

class CheckBox : public Control {
 public:
  bool Checked() const { return checked_; }
  // A change of state raises OnClick, as the user's click does.
  void SetChecked(bool on);
  std::string Caption() const;
  void SetCaption(const std::string& text) { SetWindowTextA(Handle(), text.c_str()); }
  int CaptionWidth() const override;

 protected:
  HWND CreateHandle(const Props& props, HWND parent) override;
  bool HandleCommand(WORD code, WORD id) override;

 private:
  bool checked_ = false;
};

// Radio buttons with the same parent form one group: one selected among them.
class RadioButton : public Control {
 public:
  bool Checked() const { return checked_; }
  // Selecting clears the others of the group and raises OnClick; clearing raises nothing.
  void SetChecked(bool on);
  std::string Caption() const;
  int CaptionWidth() const override;

 protected:
  HWND CreateHandle(const Props& props, HWND parent) override;
  bool HandleCommand(WORD code, WORD id) override;

 private:
  void SetState(bool on);

  bool checked_ = false;
};

// A drop-down list of fixed choices. Choosing from code raises the same change event as the
// user's choice.
class ComboBox : public Control {
 public:
  int Count() const;
  std::string Item(int index) const;
  // The chosen entry, or -1.
  int ItemIndex() const;
  void SetItemIndex(int index);

  NotifyEvent OnChange;

 protected:
  HWND CreateHandle(const Props& props, HWND parent) override;
  bool HandleCommand(WORD code, WORD id) override;
};

// A container with an etched frame and a caption on its top edge.
class GroupBox : public Control {
 public:
  const std::string& Caption() const { return caption_; }
  int CaptionWidth() const override;

 protected:
  HWND CreateHandle(const Props& props, HWND parent) override;
  bool WndProc(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

 private:
  std::string caption_;
  HFONT font_ = nullptr;
};

}  // namespace ui
