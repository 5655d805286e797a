// Commands as objects: an action holds a command's caption, hint, shortcut, image, enabled
// and checked state and its execute event; the menu items and tool buttons linked to it show
// that state and run it, so a form declares each command once.
#pragma once
#include "ui/Component.h"

namespace ui {

class ActionLink;

// A menu item or tool button that shows an action; told whenever the action changes.
class ActionClient {
 public:
  virtual void ActionChanged() = 0;

 protected:
  ~ActionClient() = default;
};

// What a layout row gives an action.
struct ActionProps {
  const char* caption = nullptr;
  const char* hint = nullptr;
  int imageIndex = -1;  // in the image list of the menu or toolbar that shows it
  unsigned shortCut = 0;
  bool enabled = true;
  bool checked = false;
  int groupIndex = 0;  // actions with the same non-zero number are checked one at a time
  // Executing the action checks it first: a toggle turns over, one of a group becomes the
  // checked one. Its handler then only acts on the new state.
  bool autoCheck = false;
};
Props ToProps(const ActionProps& p);

class Action : public Component {
 public:
  using LayoutProps = ActionProps;
  ~Action() override;
  void Load(const Props& props, Form& form) override;

  const std::string& Caption() const { return caption_; }
  const std::string& Hint() const { return hint_; }
  unsigned ShortCut() const { return shortCut_; }
  int ImageIndex() const { return imageIndex_; }
  int GroupIndex() const { return group_; }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool on);
  bool Checked() const { return checked_; }
  // Checking an action of a group clears the other actions of that group.
  void SetChecked(bool on);

  // Raises OnExecute, with the action as sender (an autoCheck action checked first); nothing
  // while the action is disabled. Returns whether it ran.
  bool Execute();

  NotifyEvent OnExecute;

 private:
  friend class ActionLink;
  void Changed();

  std::string caption_, hint_;
  unsigned shortCut_ = 0;
  int imageIndex_ = -1, group_ = 0;
  bool enabled_ = true, checked_ = false, autoCheck_ = false;
  std::vector<ActionLink*> links_;
};

// A client's tie to its action: registered while both live.
class ActionLink {
 public:
  ActionLink() = default;
  ActionLink(const ActionLink&) = delete;
  ActionLink& operator=(const ActionLink&) = delete;
  ~ActionLink() { Reset(); }

  void Set(ActionClient& client, Action* action);
  void Reset();
  Action* get() const { return action_; }
  Action* operator->() const { return action_; }
  explicit operator bool() const { return action_ != nullptr; }

 private:
  friend class Action;
  ActionClient* client_ = nullptr;
  Action* action_ = nullptr;
};

}  // namespace ui
