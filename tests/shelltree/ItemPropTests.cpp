// The shell item context menu on real files: the menu shown and closed, requests that cannot
// run, the cursor put back, and the callback window's check for a missing handler.
#include <windows.h>
#include <shlobj.h>
#include <gtest/gtest.h>

#include <string>

#include "ModalAnswerer.h"
#include "ShellTestSupport.h"
#include "shelltree/ItemProp.h"
#include "shelltree/ShellPath.h"
#include "ui/Application.h"

namespace {

// What the test saw of the open menu; it closes the menu as soon as it is up.
struct MenuSeen {
  bool shown = false;
  ui::CursorKind cursor = ui::CursorKind::Default;
  bool callbackWindow = false;
};
MenuSeen* seen = nullptr;

HWND CallbackWindow() { return FindWindowA("ItemPropMenuCallbackHelper", "ItemPropCallbackProcessor"); }

void CALLBACK CloseOpenMenu(HWND, UINT, UINT_PTR, DWORD) {
  HWND menu = FindWindowA("#32768", nullptr);
  if (!menu || !IsWindowVisible(menu) || !seen || seen->shown) return;
  seen->shown = true;
  seen->cursor = ui::Application.Cursor();
  seen->callbackWindow = CallbackWindow() != nullptr;
  EndMenu();
}

class MenuCloser {
 public:
  MenuCloser() : timer_(SetTimer(nullptr, 0, 50, &CloseOpenMenu)) { seen = &seen_; }
  ~MenuCloser() {
    KillTimer(nullptr, timer_);
    seen = nullptr;
  }
  MenuCloser(const MenuCloser&) = delete;
  MenuCloser& operator=(const MenuCloser&) = delete;
  const MenuSeen& Seen() const { return seen_; }
  void Reset() { seen_ = MenuSeen{}; }

 private:
  MenuSeen seen_;
  UINT_PTR timer_;
};

class ItemMenu : public testing::Test {
 protected:
  void SetUp() override {
    file_ = dir_.file("item.txt", 10);
    owner_.reset(CreateWindowExA(0, "STATIC", "owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr));
    folderPidl_ = shelltree::ParsePath(desktop_.get(), malloc_.get(), dir_.path(), false, nullptr);
    ASSERT_TRUE(folderPidl_);
    ASSERT_TRUE(SUCCEEDED(desktop_->BindToObject(folderPidl_.get(), nullptr, IID_IShellFolder, folder_.put_void())));
    item_ = shelltree::ParsePath(folder_.get(), malloc_.get(), "item.txt", false, nullptr);
    ASSERT_TRUE(item_);
  }
  void TearDown() override { ui::Application.SetCursor(ui::CursorKind::Default); }

  TItemMenuRequest ItemRequest(TItemMenuMode mode) {
    items_[0] = item_.get();
    TItemMenuRequest r;
    r.Folder = folder_.get();
    r.Items = items_;
    r.Count = 1;
    r.Mode = mode;
    r.Owner = owner_.get();
    r.Point = {20, 20};
    return r;
  }
  TItemMenuRequest NameRequest(const std::string& fileName) {
    TItemMenuRequest r;
    r.FileName = fileName;
    r.Owner = owner_.get();
    r.Point = {20, 20};
    return r;
  }

  shelltest::ScratchDir dir_;
  std::string file_;
  win::UniqueWindow owner_;
  win::ComPtr<IMalloc> malloc_ = shelltest::ShellMalloc();
  win::ComPtr<IShellFolder> desktop_ = shelltest::Desktop();
  shelltree::UniquePidl folderPidl_;
  win::ComPtr<IShellFolder> folder_;
  shelltree::UniquePidl item_;
  LPCITEMIDLIST items_[1] = {};
};

}  // namespace

TEST_F(ItemMenu, MenuClosedWithoutAChoiceReportsTrueAndPutsTheCursorBack) {
  MenuCloser closer;
  ui::Application.SetCursor(ui::CursorKind::AppStart);
  items_[0] = item_.get();
  EXPECT_TRUE(ShowItemMenu(folder_.get(), items_, 0, owner_.get(), POINT{20, 20}, 1));
  EXPECT_TRUE(closer.Seen().shown);
  EXPECT_EQ(closer.Seen().cursor, ui::CursorKind::HourGlass);
  EXPECT_EQ(ui::Application.Cursor(), ui::CursorKind::AppStart);
  // The extended handlers get their menu messages through the callback window, which lives
  // only while the menu does.
  win::ComPtr<IContextMenu> handler;
  ASSERT_TRUE(SUCCEEDED(folder_->GetUIObjectOf(nullptr, 1, items_, IID_IContextMenu, nullptr, handler.put_void())));
  EXPECT_EQ(closer.Seen().callbackWindow, static_cast<bool>(handler.As<IContextMenu2>(IID_IContextMenu2)));
  EXPECT_EQ(UseMenuMsg2, static_cast<bool>(handler.As<IContextMenu3>(IID_IContextMenu3)));
  EXPECT_EQ(CallbackWindow(), nullptr);

  // The same item found by its file name, and by a wildcard that matches it.
  closer.Reset();
  EXPECT_TRUE(ItemMenuRequest(NameRequest(file_)));
  EXPECT_TRUE(closer.Seen().shown);
  closer.Reset();
  EXPECT_TRUE(ItemMenuRequest(NameRequest(dir_.sub("*.t?t"))));
  EXPECT_TRUE(closer.Seen().shown);
  EXPECT_EQ(ui::Application.Cursor(), ui::CursorKind::AppStart);
}

TEST_F(ItemMenu, RequestsThatCannotRunReportFalseAndShowNothing) {
  MenuCloser closer;
  // Without a property sheet the properties are not asked for.
  EXPECT_FALSE(ItemMenuRequest(ItemRequest(imProperties)));
  EXPECT_FALSE(ItemMenuRequest(ItemRequest(static_cast<TItemMenuMode>(7))));

  std::string empty = dir_.mkdir("empty");
  EXPECT_FALSE(ItemMenuRequest(NameRequest(empty + "\\*.txt")));
  EXPECT_FALSE(ItemMenuRequest(NameRequest(dir_.sub("missing\\item.txt"))));
  EXPECT_FALSE(ItemMenuRequest(TItemMenuRequest{}));
  EXPECT_FALSE(closer.Seen().shown);
  EXPECT_EQ(ui::Application.Cursor(), ui::CursorKind::Default);
}

TEST(ItemMenuCallback, MenuMessageWithoutAHandlerRaisesTheAssertion) {
  ModalAnswerer answerer;
  win::UniqueWindow wnd(CreateMenuCallbackWindow(nullptr));
  ASSERT_TRUE(wnd);
  EXPECT_EQ(CallbackWindow(), wnd.get());
  EXPECT_EQ(SendMessageA(wnd.get(), WM_INITMENUPOPUP, 0, 0), 0);
  MEASUREITEMSTRUCT measure{};
  EXPECT_EQ(SendMessageA(wnd.get(), WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&measure)), 1);
  ASSERT_EQ(answerer.Boxes().size(), 2u);
  EXPECT_EQ(answerer.Boxes()[0].text, "NIL Context Menu!");
}
