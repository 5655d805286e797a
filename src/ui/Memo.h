// A multi-line text box. Setting its text from code raises the same change event as typing.
#pragma once
#include "ui/Component.h"

namespace ui {

class Memo : public Control {
 public:
  std::string Text() const;
  // A text different from the one shown raises OnChange, as an edit by the user does.
  void SetText(const std::string& text);
  bool WantReturns() const { return wantReturns_; }

  NotifyEvent OnChange;

 protected:
  HWND CreateHandle(const Props& props, HWND parent) override;
  bool HandleCommand(WORD code, WORD id) override;
  bool WndProc(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

 private:
  bool wantReturns_ = true;
  bool settingText_ = false;
};

}  // namespace ui
