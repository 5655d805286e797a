// The main window and its folder tree: the start-up selections, the caption and the Up
// command following the selection, and right clicks that change nothing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "AppTestSupport.h"
#include "app/MainForm.h"
#include "settings/RegistryIniFile.h"
#include "settings/Settings.h"
#include "ui/Application.h"

using ui::Application;

namespace {

// What the tree told its window and was told, in order: "sel" for each selection change,
// the item of each expansion.
std::vector<std::pair<std::string, LPARAM>> treeLog;

LRESULT CALLBACK RecordTreeTraffic(int code, WPARAM wp, LPARAM lp) {
  if (code == HC_ACTION) {
    auto* m = reinterpret_cast<CWPSTRUCT*>(lp);
    if (m->message == WM_NOTIFY && reinterpret_cast<NMHDR*>(m->lParam)->code == TVN_SELCHANGEDA)
      treeLog.emplace_back("sel", 0);
    else if (m->message == TVM_EXPAND && (m->wParam & TVE_EXPAND))
      treeLog.emplace_back("expand", m->lParam);
  }
  return CallNextHookEx(nullptr, code, wp, lp);
}

// Folders a\b\c under the temporary folder, removed afterwards.
class Folders {
 public:
  Folders() {
    char temp[MAX_PATH], full[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    GetLongPathNameA(temp, full, MAX_PATH);
    base_ = std::string(full) + "navtree-" + std::to_string(GetCurrentProcessId());
    for (const char* rel : {"", "\\a", "\\a\\b", "\\a\\b\\c"}) CreateDirectoryA((base_ + rel).c_str(), nullptr);
  }
  ~Folders() {
    for (const char* rel : {"\\a\\b\\c", "\\a\\b", "\\a", ""}) RemoveDirectoryA((base_ + rel).c_str());
  }
  std::string operator()(const char* rel) const { return base_ + rel; }

 private:
  std::string base_;
};

class NavTreeTest : public testing::Test {
 protected:
  void SetUp() override { TRegistryIniFile(kBaseKey).EraseSection(kSection); }
  void TearDown() override {
    Application.DestroyForms();
    apptest::DrainQuit();
    TRegistryIniFile(kBaseKey).EraseSection(kSection);
  }
  TfrmMainForm& Open() { return apptest::OpenMainWindow(); }
  static std::string Title(const std::string& text) { return text + " - " + Application.Title; }
};

TEST_F(NavTreeTest, LoadingSelectsTheRootTwiceBeforeFormCreateExpandsItsFirstChild) {
  treeLog.clear();
  HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, &RecordTreeTraffic, nullptr, GetCurrentThreadId());
  TfrmMainForm& f = Open();
  UnhookWindowsHookEx(hook);
  TShellnode* root = f.stNav.RootNode();
  ASSERT_NE(root, nullptr);
  TShellnode* first = root->FirstChildNode();
  ASSERT_NE(first, nullptr);
  // Each build expands the root and selects it; FormCreate's expansion comes last.
  ASSERT_EQ(treeLog.size(), 5u);
  EXPECT_EQ(treeLog[0].first, "expand");
  EXPECT_EQ(treeLog[1].first, "sel");
  EXPECT_EQ(treeLog[2], std::make_pair(std::string("expand"), reinterpret_cast<LPARAM>(root->Item())));
  EXPECT_EQ(treeLog[3].first, "sel");
  EXPECT_EQ(treeLog[4], std::make_pair(std::string("expand"), reinterpret_cast<LPARAM>(first->Item())));
  EXPECT_TRUE(first->Expanded());

  EXPECT_EQ(f.stNav.Selected(), root);
  EXPECT_EQ(f.Caption(), Title(root->Text()));
  EXPECT_FALSE(f.tbUp.Enabled());
  EXPECT_FALSE(f.miUp.Enabled());
  // The stored path is lost: the tree had no root when it was set.
  EXPECT_EQ(f.stNav.Path(), root->Path());
}

TEST_F(NavTreeTest, CaptionAndUpFollowTheSelection) {
  Folders dirs;
  TfrmMainForm& f = Open();
  f.stNav.SetPath(dirs("\\a\\b\\c"));
  ASSERT_EQ(f.stNav.Selected()->Text(), "c");
  EXPECT_EQ(f.Caption(), Title("c"));
  EXPECT_TRUE(f.tbUp.Enabled());
  EXPECT_TRUE(f.miUp.Enabled());

  f.miUp.Click();
  EXPECT_EQ(f.stNav.Selected()->Text(), "b");
  EXPECT_EQ(f.Caption(), Title("b"));
  f.tbUp.Click();
  EXPECT_EQ(f.Caption(), Title("a"));
  int clicks = 0;
  while (f.tbUp.Enabled() && clicks++ < 20) f.miUp.Click();
  EXPECT_EQ(f.stNav.Selected(), f.stNav.RootNode());
  EXPECT_EQ(f.Caption(), Title(f.stNav.RootNode()->Text()));
  EXPECT_FALSE(f.miUp.Enabled());
  // A folder without a file-system path has an empty Path; the caption still follows.
  f.stNav.Select(f.stNav.RootNode()->FirstChildNode());
  EXPECT_EQ(f.Caption(), Title(f.stNav.Selected()->Text()));
  EXPECT_TRUE(f.tbUp.Enabled());
}

TEST_F(NavTreeTest, RightClickShowsNoMenuAndKeepsTheSelection) {
  TfrmMainForm& f = Open();
  TShellnode* other = f.stNav.RootNode()->FirstChildNode();
  ASSERT_NE(other, nullptr);
  std::string caption = f.Caption();
  const unsigned runs = f.RunsStarted();  // a selection change would start one
  RECT r = other->LabelRect();
  POINT client{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  POINT screen = client;
  ClientToScreen(f.stNav.Handle(), &screen);
  // The user's way: the button goes down and up over the node.
  PostMessageA(f.stNav.Handle(), WM_RBUTTONUP, 0, MAKELPARAM(client.x, client.y));
  SendMessageA(f.stNav.Handle(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(client.x, client.y));
  Application.ProcessMessages();
  SendMessageA(f.stNav.Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(f.stNav.Handle()), MAKELPARAM(screen.x, screen.y));
  Application.ProcessMessages();
  EXPECT_EQ(f.stNav.Selected(), f.stNav.RootNode());
  EXPECT_EQ(f.Caption(), caption);
  EXPECT_EQ(f.RunsStarted(), runs);
  EXPECT_EQ(FindWindowA("#32768", nullptr) && IsWindowVisible(FindWindowA("#32768", nullptr)), false);
}

}  // namespace
