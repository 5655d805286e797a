// Actions and the links of their menu items and tool buttons.
#include "ui/Actions.h"

#include <algorithm>

#include "ui/Form.h"

namespace ui {

Props ToProps(const ActionProps& p) {
  return {.caption = p.caption, .hint = p.hint, .enabled = p.enabled, .checked = p.checked,
          .groupIndex = p.groupIndex, .autoCheck = p.autoCheck, .imageIndex = p.imageIndex, .shortCut = p.shortCut};
}

Action::~Action() {
  // Clients that outlive the action forget it.
  for (ActionLink* link : links_) link->action_ = nullptr;
}

void Action::Load(const Props& p, Form& form) {
  Component::Load(p, form);
  caption_ = p.caption ? p.caption : "";
  hint_ = p.hint ? p.hint : "";
  shortCut_ = p.shortCut;
  imageIndex_ = p.imageIndex;
  group_ = p.groupIndex;
  enabled_ = p.enabled;
  checked_ = p.checked;
  autoCheck_ = p.autoCheck;
}

void Action::Changed() {
  for (ActionLink* link : links_) link->client_->ActionChanged();
}

void Action::SetEnabled(bool on) {
  if (enabled_ == on) return;
  enabled_ = on;
  Changed();
}

void Action::SetChecked(bool on) {
  if (on && group_ != 0 && OwnerForm()) {
    for (Component* c : OwnerForm()->Components()) {
      auto* other = dynamic_cast<Action*>(c);
      if (other && other != this && other->group_ == group_ && other->checked_) {
        other->checked_ = false;
        other->Changed();
      }
    }
  }
  if (checked_ == on) return;
  checked_ = on;
  Changed();
}

bool Action::Execute() {
  if (!enabled_) return false;
  if (autoCheck_) SetChecked(group_ != 0 || !checked_);
  OnExecute(*this);
  return true;
}

void ActionLink::Set(ActionClient& client, Action* action) {
  Reset();
  client_ = &client;
  action_ = action;
  if (action_) action_->links_.push_back(this);
}

void ActionLink::Reset() {
  if (action_) std::erase(action_->links_, this);
  action_ = nullptr;
}

}  // namespace ui
