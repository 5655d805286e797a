// Main menu, pop-up menus and their items, with images, shortcuts, radio groups and a
// default item.
#pragma once
#include "ui/Component.h"

namespace ui {

class ImageList;
class Menu;

class MenuItem : public Component {
 public:
  void Load(const Props& props, Form& form) override;

  const std::string& Caption() const { return caption_; }
  bool Checked() const { return checked_; }
  // Checking a radio item clears the other radio items of its menu level.
  void SetChecked(bool on);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool on);
  unsigned ShortCut() const { return shortCut_; }
  bool IsDefault() const { return default_; }
  int ImageIndex() const { return imageIndex_; }
  UINT Command() const { return command_; }
  Menu* GetMenu() const { return menu_; }
  const std::vector<MenuItem*>& Items() const { return items_; }
  HMENU SubMenu() const { return sub_.get(); }

  // Raises OnClick, as choosing the item does.
  void Click();

  void MeasureImage(MEASUREITEMSTRUCT& mis) const;
  void DrawImage(const DRAWITEMSTRUCT& dis) const;

  NotifyEvent OnClick;

 private:
  friend class Menu;
  void AppendTo(HMENU parent);
  void Update();
  bool IsSeparator() const { return caption_ == "-"; }

  std::string caption_;
  unsigned shortCut_ = 0;
  int imageIndex_ = -1;
  bool checked_ = false, enabled_ = true, radio_ = false, default_ = false;
  UINT command_ = 0;
  Menu* menu_ = nullptr;
  MenuItem* parentItem_ = nullptr;
  std::vector<MenuItem*> items_;
  HMENU parentMenu_ = nullptr;
  UniqueMenu sub_;
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
  UniqueMenu handle_;

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
