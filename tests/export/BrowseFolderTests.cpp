// The shell's folder chooser, answered by a watcher thread the way a user would.
#include <gtest/gtest.h>
#include <atomic>
#include <functional>
#include <thread>
#include "ExportTestSupport.h"
#include "FolderChooserAnswerer.h"
#include "export/BrowseFolder.h"

using namespace exporttest;

namespace {

std::string LongPath(std::string path) {
  if (path.size() > 3 && path.back() == '\\') path.pop_back();
  char buf[MAX_PATH];
  return GetLongPathNameA(path.c_str(), buf, MAX_PATH) ? buf : path;
}

class BrowseFolder : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { OleInitialize(nullptr); }
  void SetUp() override {
    window.reset(CreateWindowExA(0, "STATIC", "main", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 300, 200,
                                 nullptr, nullptr, nullptr, nullptr));
    SetActiveWindow(window.get());
  }
  win::UniqueWindow window;
};

}  // namespace

TEST_F(BrowseFolder, CancelGivesFalseAndNoPath) {
  TBrowseForFolderDialog dialog;
  EXPECT_EQ(dialog.FolderPath(), "");
  dialog.SetTitle("Save image(s) to:");
  const HWND active = GetActiveWindow();
  bool chosen = true;
  Seen seen;
  {
    DialogAnswerer answer("Save image(s) to:", nullptr, IDCANCEL);
    chosen = dialog.Execute();
    seen = answer.seen;
  }
  ASSERT_NE(seen.dialog, nullptr) << "the folder chooser never showed";
  EXPECT_FALSE(chosen);
  EXPECT_EQ(dialog.FolderPath(), "");
  EXPECT_EQ(seen.owner, active);
  EXPECT_TRUE(seen.titleShown);
}

TEST_F(BrowseFolder, ChosenFolderAndDriveRootComeBackAsPaths) {
  TempFolder folder;
  const std::string pick = folder.Path() + "Pick";
  ASSERT_TRUE(CreateDirectoryA(pick.c_str(), nullptr));
  {
    TBrowseForFolderDialog dialog;
    dialog.SetTitle("Save image(s) to:");
    bool chosen = false;
    {
      DialogAnswerer answer("", [&](HWND d) { SelectPath(d, pick); }, IDOK);
      chosen = dialog.Execute();
    }
    ASSERT_TRUE(chosen);
    EXPECT_EQ(_stricmp(LongPath(dialog.FolderPath()).c_str(), LongPath(pick).c_str()), 0)
        << dialog.FolderPath() << " vs " << pick;
  }
  {
    TBrowseForFolderDialog dialog;
    bool chosen = false;
    {
      DialogAnswerer answer("", [](HWND d) { SelectPath(d, "C:\\"); }, IDOK);
      chosen = dialog.Execute();
    }
    ASSERT_TRUE(chosen);
    EXPECT_EQ(dialog.FolderPath(), "C:\\");
  }
}

TEST_F(BrowseFolder, ItemsOutsideTheFileSystemCannotBeConfirmed) {
  // My Computer has no file-system path of its own.
  PIDLIST_ABSOLUTE computer = nullptr;
  ASSERT_EQ(SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &computer), S_OK);
  TBrowseForFolderDialog dialog;
  bool chosen = true;
  Seen seen;
  {
    DialogAnswerer answer("", [&](HWND d) {
      SendMessageA(d, BFFM_SETSELECTIONA, FALSE, reinterpret_cast<LPARAM>(computer));
      Sleep(100);
    }, IDOK);
    chosen = dialog.Execute();
    seen = answer.seen;
  }
  CoTaskMemFree(computer);
  EXPECT_FALSE(seen.okEnabled);
  EXPECT_FALSE(chosen);
  EXPECT_EQ(dialog.FolderPath(), "");
}
