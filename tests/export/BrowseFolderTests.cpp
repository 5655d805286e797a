// The shell's folder chooser, answered by a watcher thread the way a user would.
#include <gtest/gtest.h>
#include <atomic>
#include <functional>
#include <thread>
#include "ExportTestSupport.h"
#include "export/BrowseFolder.h"

using namespace exporttest;

namespace {

struct Seen {
  HWND dialog = nullptr;
  HWND owner = nullptr;
  bool titleShown = false;
  bool okEnabled = false;
};

// Finds the dialog the given thread shows, lets `act` work on it, then presses OK or Cancel.
// Gives up after 60 s by closing whatever dialog is there, so no run can hang.
class DialogAnswerer {
 public:
  DialogAnswerer(std::string title, std::function<void(HWND)> act, int button)
      : thread_(GetCurrentThreadId()), title_(std::move(title)), act_(std::move(act)), button_(button),
        worker_([this] { Run(); }) {}
  ~DialogAnswerer() {
    done_ = true;
    worker_.join();
  }
  Seen seen;

 private:
  static BOOL CALLBACK FindDialog(HWND wnd, LPARAM found) {
    char cls[16] = {};
    GetClassNameA(wnd, cls, sizeof cls);
    if (IsWindowVisible(wnd) && strcmp(cls, "#32770") == 0) {
      *reinterpret_cast<HWND*>(found) = wnd;
      return FALSE;
    }
    return TRUE;
  }
  static BOOL CALLBACK FindTitle(HWND wnd, LPARAM self) {
    char text[256] = {};
    GetWindowTextA(wnd, text, sizeof text);
    auto* me = reinterpret_cast<DialogAnswerer*>(self);
    if (!me->title_.empty() && me->title_ == text) me->seen.titleShown = true;
    return TRUE;
  }
  void Run() {
    for (int i = 0; i < 1200 && !done_; ++i) {
      HWND dialog = nullptr;
      EnumThreadWindows(thread_, FindDialog, reinterpret_cast<LPARAM>(&dialog));
      if (dialog) {
        Sleep(200);  // let the tree fill
        seen.dialog = dialog;
        seen.owner = GetWindow(dialog, GW_OWNER);
        EnumChildWindows(dialog, FindTitle, reinterpret_cast<LPARAM>(this));
        if (act_) act_(dialog);
        seen.okEnabled = IsWindowEnabled(GetDlgItem(dialog, IDOK));
        if (button_ == IDOK && !seen.okEnabled) button_ = IDCANCEL;  // nothing else a user could do
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button_, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, button_)));
        return;
      }
      Sleep(50);
    }
  }

  DWORD thread_;
  std::string title_;
  std::function<void(HWND)> act_;
  int button_;
  std::atomic<bool> done_{false};
  std::thread worker_;
};

// The dialog may still be filling its tree when it first shows, and its own initial
// selection would then win: let it settle, and select twice.
void SelectPath(HWND dialog, const std::string& path) {
  Sleep(400);
  for (int i = 0; i < 2; ++i) {
    SendMessageA(dialog, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(path.c_str()));
    Sleep(200);
  }
}

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
  ui::UniqueWindow window;
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
