// Main menu, pop-up menus and their items, with images, shortcuts, radio groups and a
// default item. An item linked to an action shows and runs that action.
#pragma once
#include "ui/Actions.h"
#include "ui/Component.h"

namespace ui {

class ImageList;
class Menu;
class MenuItem;

// A menu item's place: a menu, or the item whose sub-menu it is.
class MenuParent : public Ref<Component> {
 public:
  MenuParent() = default;
  template <class F, class M>
    requires(std::is_base_of_v<Menu, M> || std::is_base_of_v<MenuItem, M>)
  MenuParent(M F::*member) : Ref<Component>(member) {}  // NOLINT(google-explicit-constructor)
};

// What a layout row gives a menu item.
struct MenuItemProps {
  MenuParent parent;
  Ref<Action> action;
  const char* caption = nullptr;  // "-" makes a separator
  int imageIndex = -1;
  unsigned shortCut = 0;
  bool enabled = true;
  bool checked = false;
  bool radioItem = false;
  bool defaultItem = false;  // shown bold
};
Props ToProps(const MenuItemProps& p);

// Linked to an action, an item takes the action's caption, image and shortcut unless its row
// gives its own, and its enabled and checked state are the action's. Shortcuts show only in
// the menu bar, whose accelerators are the only ones that work.
class MenuItem : public Component, private ActionClient {
 public:
  using LayoutProps = MenuItemProps;
  void Load(const Props& props, Form& form) override;

  std::string Caption() const;
  bool Checked() const;
  // Checking a radio item clears the other radio items of its menu level (or, for an
  // action's item, the other actions of its group).
  void SetChecked(bool on);
  bool Enabled() const;
  void SetEnabled(bool on);
  unsigned ShortCut() const;
  bool IsDefault() const { return default_; }
  int ImageIndex() const;
  UINT Command() const { return command_; }
  Menu* GetMenu() const { return menu_; }
  Action* GetAction() const { return action_.get(); }
  const std::vector<MenuItem*>& Items() const { return items_; }
  HMENU SubMenu() const { return sub_.get(); }

  // Does what choosing the item does: raises OnClick, or executes the item's action when
  // no OnClick is bound. Nothing while disabled.
  void Click();

  void MeasureImage(MEASUREITEMSTRUCT& mis) const;
  void DrawImage(const DRAWITEMSTRUCT& dis) const;

  NotifyEvent OnClick;

 private:
  friend class Menu;
  void AppendTo(HMENU parent, Menu* menu);
  void Update();
  void ActionChanged() override { Update(); }
  bool IsSeparator() const { return caption_ == "-"; }
  bool IsRadio() const { return radio_ || (action_ && action_->GroupIndex() != 0); }

  std::string caption_;
  bool ownCaption_ = false;
  unsigned shortCut_ = 0;
  int imageIndex_ = -1;
  bool checked_ = false, enabled_ = true, radio_ = false, default_ = false;
  ActionLink action_;
  UINT command_ = 0;
  Menu* menu_ = nullptr;
  MenuItem* parentItem_ = nullptr;
  std::vector<MenuItem*> items_;
  HMENU parentMenu_ = nullptr;
  win::UniqueMenu sub_;
};

class Menu : public Component {
 public:
  void Load(const Props& props, Form& form) override;
  void Loaded() override;
  HMENU Handle() const { return handle_.get(); }
  ImageList* Images() const { return images_; }
  const std::vector<MenuItem*>& Items() const { return items_; }

 protected:
  virtual HMENU CreateMenuHandle() = 0;
  win::UniqueMenu handle_;

 private:
  friend class MenuItem;
  ImageList* images_ = nullptr;
  std::vector<MenuItem*> items_;
};

// The form's menu bar; its items' shortcuts become the form's accelerators.
class MainMenu : public Menu {
 public:
  void Loaded() override;
  ~MainMenu() override;

 protected:
  HMENU CreateMenuHandle() override { return CreateMenu(); }
};

class PopupMenu : public Menu {
 public:
  // Shows the menu at a screen point; the chosen item's command reaches the form.
  void Popup(int x, int y, Component* popupComponent = nullptr);
  Component* PopupComponent() const { return popupComponent_; }

 protected:
  HMENU CreateMenuHandle() override { return CreatePopupMenu(); }

 private:
  Component* popupComponent_ = nullptr;
};

// Menu text of a shortcut ("Ctrl+C", "F1").
std::string ShortCutText(unsigned shortCut);

}  // namespace ui
