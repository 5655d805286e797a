// Forms that behave as dialog boxes: Enter and Esc press the default and cancel buttons,
// Tab walks the controls, the focused control comes back when the window is activated, the
// window opens centred on the screen, and controls given a hint in the layout show it as a
// tool tip.
#pragma once
#include <string>

#include "ui/Form.h"

namespace ui {

class DialogForm : public Form {
 public:
  DialogForm();

  // Gives the control the keyboard focus now, or when the form is next activated.
  void FocusControl(Control& c);
  // The control that has the focus, or will have it when the form is activated.
  Control* ActiveControl() const;

  Control* DefaultButton() const { return defaultButton_; }
  Control* CancelButton() const { return cancelButton_; }
  void SetDefaultButton(Control* b) { defaultButton_ = b; }
  void SetCancelButton(Control* b) { cancelButton_ = b; }

  // A tool tip for the control; it also shows while the control is disabled.
  void AddHint(Control& c, const std::string& text);
  // The tool tip text the control shows; empty when it has none.
  std::string HintText(const Control& c) const;

 protected:
  // Loads the layout, then gives every control with a hint its tool tip.
  template <class F>
  void LoadDialogLayout(const FormLayout<F>& layout);

  bool WndProc(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

 private:
  void RestoreFocus();
  void CenterOnScreen();

  HWND hints_ = nullptr;  // owned by the form's window and destroyed with it
  UINT_PTR nextHintId_ = 1;  // tools placed by rectangle; window handles are far larger
  HWND focus_ = nullptr;     // the control to focus when the form is activated
  Control* defaultButton_ = nullptr;
  Control* cancelButton_ = nullptr;
};

template <class F>
void DialogForm::LoadDialogLayout(const FormLayout<F>& layout) {
  SetFitCaptions(true);
  LoadLayout(layout);
  F& self = static_cast<F&>(*this);
  for (const Row<F>& row : layout.rows) {
    if (!row.props.hint || !row.props.showHint) continue;
    if (auto* c = dynamic_cast<Control*>(&row.get(self))) AddHint(*c, row.props.hint);
  }
}

}  // namespace ui
