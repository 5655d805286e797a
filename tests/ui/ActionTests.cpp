// Actions and the menu items and tool buttons linked to them: what they show, whose state
// they follow, and every way of choosing them running the action.
#include <gtest/gtest.h>

#include <vector>

#include "ui/Actions.h"
#include "ui/Application.h"
#include "ui/Form.h"
#include "ui/Images.h"
#include "ui/Menus.h"
#include "ui/StdControls.h"

namespace {

using namespace ui;

class ActionForm : public Form {
 public:
  void Create() override {
    using F = ActionForm;
    static const FormLayout<F> layout{
        "ActionTestForm",
        {.bounds = {0, 0, 300, 200}, .caption = "Actions"},
        false,
        0,
        {},
        {
            {"actGo", &F::actGo, {.caption = "&Go", .hint = "Go there", .imageIndex = 1, .shortCut = ShortCut('G', kCtrl)},
             {On(&Action::OnExecute, &F::GoExecute)}},
            {"actA", &F::actA, {.caption = "&A", .checked = true, .groupIndex = 1}},
            {"actB", &F::actB, {.caption = "&B", .groupIndex = 1, .autoCheck = true}},
            {"actToggle", &F::actToggle, {.caption = "&Toggle", .autoCheck = true}, {On(&Action::OnExecute, &F::ToggleExecute)}},
            {"images", &F::images, {.imageSize = 16}},
            {"menu", &F::menu, {.images = &F::images}},
            {"mTop", &F::mTop, {.parent = &F::menu, .caption = "&Top"}},
            {"miGo", &F::miGo, {.parent = &F::mTop, .action = &F::actGo}},
            {"miA", &F::miA, {.parent = &F::mTop, .action = &F::actA}},
            {"miB", &F::miB, {.parent = &F::mTop, .action = &F::actB}},
            {"popup", &F::popup, {}},
            {"pmiGo", &F::pmiGo, {.parent = &F::popup, .action = &F::actGo}},
            {"pmiOwn", &F::pmiOwn, {.parent = &F::popup, .action = &F::actGo, .caption = "Go &now"}},
            {"bar", &F::bar, {.align = Align::Top, .bounds = {0, 0, 0, 30}, .showCaptions = true}},
            {"tbGo", &F::tbGo, {.parent = &F::bar, .action = &F::actGo, .caption = "Go"}},
        }};
    LoadLayout(layout);
  }
  void GoExecute(Component& sender) {
    ++runs;
    sender_ = &sender;
  }
  void ToggleExecute(Component&) { seen.push_back(actToggle.Checked()); }

  Action actGo, actA, actB, actToggle;
  ImageList images;
  MainMenu menu;
  MenuItem mTop, miGo, miA, miB;
  PopupMenu popup;
  MenuItem pmiGo, pmiOwn;
  ToolBar bar;
  ToolButton tbGo;
  int runs = 0;
  Component* sender_ = nullptr;
  std::vector<bool> seen;  // actToggle's state as each of its runs found it
};

// An item's text as its menu holds it; commands are unique in a form, and a search by command
// goes through the sub-menus.
std::string MenuText(const ActionForm& f, const MenuItem& item) {
  char buf[128] = "";
  MENUITEMINFOA mii{sizeof mii};
  mii.fMask = MIIM_STRING;
  mii.dwTypeData = buf;
  mii.cch = sizeof buf;
  for (HMENU m : {GetMenu(f.Handle()), f.popup.Handle()})
    if (GetMenuItemInfoA(m, item.Command(), FALSE, &mii)) return buf;
  return "?";
}

UINT MenuState(const ActionForm& f, const MenuItem& item) {
  return GetMenuState(GetSubMenu(GetMenu(f.Handle()), 0), item.Command(), MF_BYCOMMAND);
}

class ActionTest : public testing::Test {
 protected:
  // The destroyed main form ends the message loop; take that back for the tests after.
  void TearDown() override {
    Application.DestroyForms();
    MSG m;
    while (PeekMessageA(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    Application.Initialize();
  }
  ActionForm& Open() {
    ActionForm& f = Application.CreateForm<ActionForm>();
    f.Show(SW_SHOWNORMAL);
    Application.ProcessMessages();
    return f;
  }
};

TEST_F(ActionTest, LinkedItemsAndButtonsShowTheActionAndFollowItsState) {
  ActionForm& f = Open();
  // The shortcut shows, and works, in the menu bar only; a row's own caption wins.
  EXPECT_EQ(MenuText(f, f.miGo), "&Go\tCtrl+G");
  EXPECT_EQ(MenuText(f, f.pmiGo), "&Go");
  EXPECT_EQ(MenuText(f, f.pmiOwn), "Go &now");
  EXPECT_EQ(f.tbGo.Caption(), "Go");
  EXPECT_EQ(f.tbGo.Hint(), "Go there");
  EXPECT_EQ(f.miGo.ImageIndex(), 1);

  f.actGo.SetEnabled(false);
  EXPECT_FALSE(f.miGo.Enabled());
  EXPECT_FALSE(f.pmiOwn.Enabled());
  EXPECT_TRUE(MenuState(f, f.miGo) & MF_GRAYED);
  EXPECT_FALSE(SendMessageA(f.bar.Handle(), TB_ISBUTTONENABLED, f.tbGo.Command(), 0));
  f.miGo.Click();
  f.tbGo.Click();
  EXPECT_EQ(f.runs, 0);

  // Disabling through a linked control disables the action, and so every other one.
  f.tbGo.SetEnabled(true);
  EXPECT_TRUE(f.actGo.Enabled());
  EXPECT_FALSE(MenuState(f, f.miGo) & MF_GRAYED);
  EXPECT_TRUE(SendMessageA(f.bar.Handle(), TB_ISBUTTONENABLED, f.tbGo.Command(), 0));

  // The item, the button, and the commands of a menu choice and a button press run the action.
  f.miGo.Click();
  f.tbGo.Click();
  SendMessageA(f.Handle(), WM_COMMAND, MAKEWPARAM(f.pmiOwn.Command(), 0), 0);
  SendMessageA(f.Handle(), WM_COMMAND, MAKEWPARAM(f.tbGo.Command(), BN_CLICKED), reinterpret_cast<LPARAM>(f.bar.Handle()));
  EXPECT_EQ(f.runs, 4);
  EXPECT_EQ(f.sender_, &f.actGo);
  // The key is the menu bar item's accelerator, which sends that item's command.
  ACCEL accel[4] = {};
  ASSERT_EQ(CopyAcceleratorTableA(f.Accelerators(), accel, 4), 1);
  EXPECT_EQ(accel[0].key, 'G');
  EXPECT_EQ(accel[0].fVirt, FVIRTKEY | FCONTROL);
  EXPECT_EQ(accel[0].cmd, f.miGo.Command());
}

TEST_F(ActionTest, OneActionOfAGroupIsCheckedAndItsItemsShowIt) {
  ActionForm& f = Open();
  EXPECT_TRUE(f.miA.Checked());
  EXPECT_TRUE(MenuState(f, f.miA) & MF_CHECKED);
  f.miB.SetChecked(true);
  EXPECT_TRUE(f.actB.Checked());
  EXPECT_FALSE(f.actA.Checked());
  EXPECT_FALSE(MenuState(f, f.miA) & MF_CHECKED);
  EXPECT_TRUE(MenuState(f, f.miB) & MF_CHECKED);
  MENUITEMINFOA mii{sizeof mii};
  mii.fMask = MIIM_FTYPE;
  GetMenuItemInfoA(GetSubMenu(GetMenu(f.Handle()), 0), f.miB.Command(), FALSE, &mii);
  EXPECT_TRUE(mii.fType & MFT_RADIOCHECK);
}

TEST_F(ActionTest, AnAutoCheckActionIsCheckedBeforeItsHandlerRuns) {
  ActionForm& f = Open();
  f.actToggle.Execute();
  f.actToggle.Execute();
  EXPECT_EQ(f.seen, (std::vector<bool>{true, false}));
  f.actToggle.SetEnabled(false);
  f.actToggle.Execute();
  EXPECT_FALSE(f.actToggle.Checked());
  // One of a group becomes the checked one, however often it is chosen.
  f.miB.Click();
  f.miB.Click();
  EXPECT_TRUE(f.actB.Checked());
  EXPECT_FALSE(f.actA.Checked());
}

}  // namespace
