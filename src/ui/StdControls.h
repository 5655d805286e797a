// Panels, labels, the splitter, the status bar and the toolbar.
#pragma once
#include "ui/Actions.h"
#include "ui/Component.h"

namespace ui {

class ImageList;
class PopupMenu;

// A plain container, optionally with a single-line border.
class Panel : public Control {
 protected:
  HWND CreateHandle(const Props& props, HWND parent) override;
};

// Text painted by the control itself: colours, bold, vertical centring, word wrap,
// sizing to its text, a cursor of its own and a click event.
class Label : public Control {
 public:
  std::string Caption() const { return caption_; }
  void SetCaption(const std::string& text);
  void SetFontColor(COLORREF c) { fontColor_ = c; Invalidate(); }
  COLORREF FontColor() const;
  HFONT Font() const;
  // Width and height the text needs in the label's font.
  SIZE TextExtent() const;
  // A single-line label that does not size itself needs its text's width.
  int CaptionWidth() const override;

 protected:
  HWND CreateHandle(const Props& props, HWND parent) override;
  bool WndProc(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

 private:
  void FitToText();

  std::string caption_;
  COLORREF color_ = CLR_INVALID, fontColor_ = CLR_INVALID;
  TextLayout layout_ = TextLayout::Top;
  bool wordWrap_ = false, autoSize_ = false, bold_ = false, underline_ = false;
  int fontSize_ = 0;
  HFONT font_ = nullptr;  // the form's, given by WM_SETFONT (plain windows do not keep it)
  win::UniqueFont ownFont_;
};

// Drags the size of the control aligned just before it: its width when aligned left or right,
// its height when aligned top or bottom. Asks OnCanResize first.
class Splitter : public Control {
 public:
  // The smallest size of the pane, in pixels at the form's scale.
  int MinSize() const;
  // Proposes a new width (height) for the resized control, as a drag would.
  void ProposeSize(int newSize);
  Control* ResizeControl() const;

  Event<int&, bool&> OnCanResize;

 protected:
  HWND CreateHandle(const Props& props, HWND parent) override;
  bool WndProc(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

 private:
  bool Vertical() const { return GetAlign() == Align::Top || GetAlign() == Align::Bottom; }
  // The drag position along the splitter's axis, in the parent's coordinates.
  int DragPosition(LPARAM lp) const;

  int minSize_ = 30;  // at 96 DPI
  int dragStart_ = 0, startSize_ = 0;
  bool dragging_ = false;
};

class StatusBar : public Control {
 public:
  std::string PanelText(int index) const;
  void SetPanelText(int index, const std::string& text);
  // The panels' widths at 96 DPI, as the layout gives them; a last one of -1 reaches the right.
  void SetPanels(std::vector<int> widths);
  int PanelCount() const { return static_cast<int>(panels_.size()); }
  // The tip shown over the bar (lines end in "\r\n"); none when empty.
  void SetTip(const std::string& text);
  std::string Tip() const { return tip_; }
  void DpiChanged(int from, int to) override;

 protected:
  HWND CreateHandle(const Props& props, HWND parent) override;

 private:
  void SetPanelsOf(HWND bar, int dpi);

  std::vector<int> panels_;  // widths at 96 DPI
  std::string tip_;
  win::UniqueWindow tips_;
};

class ToolBar;

// What a layout row gives a tool button.
struct ToolButtonProps {
  Ref<ToolBar> parent;
  Ref<Action> action;
  const char* caption = nullptr;
  const char* hint = nullptr;
  int imageIndex = -1;
  bool enabled = true;
  ButtonStyle style = ButtonStyle::Button;
  int width = 0;  // separators
  Ref<PopupMenu> dropdownMenu;  // drop-down buttons: the menu of their arrow
};
Props ToProps(const ToolButtonProps& p);

// Linked to an action, a button takes the action's caption, hint and image unless its row
// gives its own, and its enabled and checked state are the action's.
class ToolButton : public Component, private ActionClient {
 public:
  using LayoutProps = ToolButtonProps;
  void Load(const Props& props, Form& form) override;
  bool Enabled() const { return action_ ? action_->Enabled() : enabled_; }
  void SetEnabled(bool on);
  bool Checked() const { return action_ && action_->Checked(); }
  std::string Caption() const { return !caption_.empty() || !action_ ? caption_ : action_->Caption(); }
  std::string Hint() const { return !hint_.empty() || !action_ ? hint_ : action_->Hint(); }
  int ImageIndex() const { return imageIndex_ >= 0 || !action_ ? imageIndex_ : action_->ImageIndex(); }
  ButtonStyle Style() const { return style_; }
  PopupMenu* DropdownMenu() const { return dropdown_; }
  int Command() const { return command_; }
  ToolBar* Bar() const { return bar_; }
  Action* GetAction() const { return action_.get(); }
  // Does what a click on the button face does: raises OnClick, or executes the button's
  // action when no OnClick is bound. Nothing while disabled.
  void Click();

  NotifyEvent OnClick;

 private:
  friend class ToolBar;
  void ActionChanged() override;
  BYTE State() const;

  ToolBar* bar_ = nullptr;
  std::string caption_, hint_;
  int imageIndex_ = -1, width_ = 0, command_ = 0;  // width_: a separator's, at 96 DPI
  ButtonStyle style_ = ButtonStyle::Button;
  bool enabled_ = true;
  PopupMenu* dropdown_ = nullptr;
  ActionLink action_;
  std::string text_;  // the caption handed to the control, kept while it shows it
};

// Flat toolbar with captions below the images, drop-down buttons, three image sets
// (normal, hot, disabled), tool tips from the buttons' hints, and etched edges.
class ToolBar : public Control {
 public:
  void Loaded() override;
  const std::vector<ToolButton*>& Buttons() const { return buttons_; }
  bool ShowCaptions() const { return showCaptions_; }
  void SetShowCaptions(bool on);
  // The buttons' size when the layout gives none, at 96 DPI.
  static constexpr SIZE kDefaultButtonSize{23, 22};
  // In pixels at the form's scale.
  int ButtonWidth() const;
  int ButtonHeight() const;
  // At 96 DPI.
  void SetButtonSize(int width, int height);
  bool ShowHint() const { return showHint_; }
  void SetShowHint(bool on);
  // Images, button and separator sizes follow the scale.
  void DpiChanged(int from, int to) override;
  ImageList* Images() const { return images_; }
  void SetImages(ImageList* images);
  // Size of one button as the control reports it.
  SIZE ReportedButtonSize() const;

 protected:
  HWND CreateHandle(const Props& props, HWND parent) override;
  bool WndProc(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
  bool HandleNotify(NMHDR& hdr, LRESULT& result) override;
  bool HandleCommand(WORD code, WORD id) override;

 private:
  friend class ToolButton;
  // The image lists and their images' size, at the form's scale.
  void ShowImages();
  void RebuildButtons();
  ToolButton* ButtonByCommand(int command) const;

  std::vector<ToolButton*> buttons_;
  ImageList *images_ = nullptr, *hot_ = nullptr, *disabled_ = nullptr;
  bool showCaptions_ = true, showHint_ = true;
  SIZE buttonSize_ = kDefaultButtonSize;  // at 96 DPI
};

}  // namespace ui
