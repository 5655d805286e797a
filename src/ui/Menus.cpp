// Menus built from layout rows: each item names its parent menu or item, and its action.
#include "ui/Menus.h"

#include "ui/Form.h"
#include "ui/Images.h"

namespace ui {

std::string ShortCutText(unsigned sc) {
  std::string t;
  if (sc & kCtrl) t += "Ctrl+";
  if (sc & kShift) t += "Shift+";
  if (sc & kAlt) t += "Alt+";
  unsigned vk = sc & 0xFFFF;
  if (vk >= VK_F1 && vk <= VK_F24) t += "F" + std::to_string(vk - VK_F1 + 1);
  else if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9')) t += static_cast<char>(vk);
  else if (vk == VK_DELETE) t += "Del";
  else if (vk == VK_INSERT) t += "Ins";
  return t;
}

Props ToProps(const MenuItemProps& p) {
  return {.menu = p.parent, .action = p.action, .caption = p.caption, .enabled = p.enabled, .checked = p.checked,
          .radioItem = p.radioItem, .defaultItem = p.defaultItem, .imageIndex = p.imageIndex, .shortCut = p.shortCut};
}

void MenuItem::Load(const Props& p, Form& form) {
  Component::Load(p, form);
  ownCaption_ = p.caption != nullptr;
  caption_ = p.caption ? p.caption : "";
  shortCut_ = p.shortCut;
  imageIndex_ = p.imageIndex;
  checked_ = p.checked;
  enabled_ = p.enabled;
  radio_ = p.radioItem;
  default_ = p.defaultItem;
  action_.Set(*this, p.action.In(form));
  command_ = form.RegisterCommand(*this);
  Component* parent = p.menu.In(form);
  if (auto* m = dynamic_cast<Menu*>(parent)) {
    m->items_.push_back(this);
  } else if (auto* item = dynamic_cast<MenuItem*>(parent)) {
    parentItem_ = item;
    item->items_.push_back(this);
  } else {
    throw win::Exception("Menu item " + Name() + " has no menu");
  }
}

std::string MenuItem::Caption() const { return ownCaption_ || !action_ ? caption_ : action_->Caption(); }
bool MenuItem::Checked() const { return action_ ? action_->Checked() : checked_; }
bool MenuItem::Enabled() const { return action_ ? action_->Enabled() : enabled_; }
int MenuItem::ImageIndex() const { return imageIndex_ >= 0 || !action_ ? imageIndex_ : action_->ImageIndex(); }

unsigned MenuItem::ShortCut() const {
  if (shortCut_ || !action_) return shortCut_;
  return dynamic_cast<MainMenu*>(menu_) ? action_->ShortCut() : 0;
}

void MenuItem::AppendTo(HMENU parent, Menu* menu) {
  parentMenu_ = parent;
  menu_ = menu;
  if (!items_.empty()) {
    sub_.reset(CreatePopupMenu());
    for (MenuItem* child : items_) child->AppendTo(sub_.get(), menu);
  }
  MENUITEMINFOA mii{sizeof mii};
  mii.fMask = MIIM_FTYPE | MIIM_ID;
  mii.wID = command_;
  if (IsSeparator()) {
    mii.fType = MFT_SEPARATOR;
  } else {
    mii.fMask |= MIIM_STRING | MIIM_STATE | MIIM_BITMAP;
  }
  if (sub_) {
    mii.fMask |= MIIM_SUBMENU;
    mii.hSubMenu = sub_.get();
  }
  InsertMenuItemA(parent, GetMenuItemCount(parent), TRUE, &mii);
  // The sub-menu now belongs to its parent menu, which destroys it.
  sub_.release();
  if (!IsSeparator()) Update();
}

void MenuItem::Update() {
  if (!parentMenu_ || IsSeparator()) return;
  std::string text = Caption();
  if (unsigned sc = ShortCut()) text += "\t" + ShortCutText(sc);
  MENUITEMINFOA mii{sizeof mii};
  mii.fMask = MIIM_FTYPE | MIIM_STRING | MIIM_STATE | MIIM_BITMAP;
  mii.fType = IsRadio() ? MFT_RADIOCHECK : MFT_STRING;
  mii.fState = (Checked() ? MFS_CHECKED : MFS_UNCHECKED) | (Enabled() ? MFS_ENABLED : MFS_DISABLED) |
               (default_ ? MFS_DEFAULT : 0);
  mii.dwTypeData = text.data();
  mii.hbmpItem = ImageIndex() >= 0 && menu_ && menu_->Images() ? HBMMENU_CALLBACK : nullptr;
  SetMenuItemInfoA(parentMenu_, command_, FALSE, &mii);
  if (dynamic_cast<MainMenu*>(menu_) && parentMenu_ == menu_->Handle()) DrawMenuBar(OwnerForm()->Handle());
}

void MenuItem::SetChecked(bool on) {
  if (action_) return action_->SetChecked(on);
  if (on && radio_) {
    const auto& siblings = parentItem_ ? parentItem_->items_ : menu_->items_;
    for (MenuItem* s : siblings)
      if (s != this && s->radio_ && s->checked_) {
        s->checked_ = false;
        s->Update();
      }
  }
  checked_ = on;
  Update();
}

void MenuItem::SetEnabled(bool on) {
  if (action_) return action_->SetEnabled(on);
  enabled_ = on;
  Update();
}

void MenuItem::Click() {
  if (!Enabled()) return;
  if (OnClick || !action_) OnClick(*this);
  else action_->Execute();
}

void MenuItem::MeasureImage(MEASUREITEMSTRUCT& mis) const {
  mis.itemWidth = 16;
  mis.itemHeight = 16;
}

void MenuItem::DrawImage(const DRAWITEMSTRUCT& dis) const {
  const int image = ImageIndex();
  if (!menu_ || !menu_->Images() || image < 0) return;
  int y = dis.rcItem.top + (dis.rcItem.bottom - dis.rcItem.top - 16) / 2;
  UINT style = ILD_TRANSPARENT | (Enabled() ? 0 : ILD_BLEND50);
  ImageList_Draw(menu_->Images()->Handle(), image, dis.hDC, dis.rcItem.left, y, style);
}

void Menu::Load(const Props& p, Form& form) {
  Component::Load(p, form);
  images_ = p.images.In(form);
}

void Menu::Loaded() {
  handle_.reset(CreateMenuHandle());
  for (MenuItem* item : items_) item->AppendTo(handle_.get(), this);
}

void MainMenu::Loaded() {
  Menu::Loaded();
  // The form's window owns and destroys its menu bar.
  OwnerForm()->SetMainMenu(this);
}

MainMenu::~MainMenu() {
  if (OwnerForm() && OwnerForm()->Handle() && GetMenu(OwnerForm()->Handle()) == handle_.get())
    handle_.release();
}

void PopupMenu::Popup(int x, int y, Component* popupComponent) {
  popupComponent_ = popupComponent;
  TrackPopupMenuEx(handle_.get(), TPM_LEFTALIGN | TPM_RIGHTBUTTON, x, y, OwnerForm()->Handle(), nullptr);
}

}  // namespace ui
