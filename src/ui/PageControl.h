// A tab control with pages: each page is a container shown while its tab is selected.
// The tabs come first in the tab order, then the controls of the page shown.
#pragma once
#include "ui/Component.h"

namespace ui {

class PageControl;

class TabSheet : public Control {
 public:
  void Load(const Props& props, Form& form) override;
  const std::string& Caption() const { return caption_; }
  PageControl* Pages() const { return pages_; }

 protected:
  HWND CreateHandle(const Props& props, HWND parent) override;

 private:
  std::string caption_;
  PageControl* pages_ = nullptr;
};

class PageControl : public Control {
 public:
  void Loaded() override;
  const std::vector<TabSheet*>& Pages() const { return pages_; }
  TabSheet* ActivePage() const { return active_; }
  // Shows the page and selects its tab (no change event, as a setting from code).
  void SetActivePage(TabSheet* page);
  HWND TabHandle() const { return tabs_; }

  // The user selected another tab.
  NotifyEvent OnChange;

 protected:
  HWND CreateHandle(const Props& props, HWND parent) override;
  bool WndProc(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

 private:
  friend class TabSheet;
  void LayOutPages();

  HWND tabs_ = nullptr;  // a child of this control's window, destroyed with it
  std::vector<TabSheet*> pages_;
  TabSheet* active_ = nullptr;
  TabSheet* firstPage_ = nullptr;
};

}  // namespace ui
