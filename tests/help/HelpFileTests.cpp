// The compiled help file in the HTML Help viewer: F1 in the main window opens it at the contents,
// in a window the program owns that closes with it; a missing file gives the program's message;
// the program in a folder named in other scripts still finds its help.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "DialogSteps.h"
#include "ModalAnswerer.h"
#include "app/MainForm.h"
#include "settings/RegistryIniFile.h"
#include "settings/Settings.h"
#include "ui/Application.h"

using ui::Application;

namespace {

// The build puts the help file beside the program, one folder above the tests.
const char* const kHelpFile = "..\\Mirovane.chm";
const char* const kProgram = "..\\Mirovane.exe";
const char* const kTitle = "Varnholt Glyph Gatherer Help";
const char* const kViewerClass = "HH Parent";

std::string FullPath(const char* relative) {
  char full[MAX_PATH] = "";
  GetFullPathNameA(relative, MAX_PATH, full, nullptr);
  return full;
}

std::string Caption(HWND w) {
  char buf[256] = "";
  GetWindowTextA(w, buf, sizeof buf);
  return buf;
}

// Serves the thread's messages until the viewer's window shows.
HWND WaitViewer(bool serve) {
  for (int i = 0; i < 400; ++i) {
    if (serve) Application.ProcessMessages();
    HWND w = FindWindowA(kViewerClass, nullptr);
    if (w && IsWindowVisible(w)) return w;
    Sleep(25);
  }
  return nullptr;
}

// A key pressed where a person's would go: the focused window of the thread of top.
void PressKeyIn(HWND top, UINT vk) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  HWND target = top;
  if (GetGUIThreadInfo(GetWindowThreadProcessId(top, nullptr), &info) && info.hwndFocus) target = info.hwndFocus;
  LPARAM scan = static_cast<LPARAM>(MapVirtualKeyA(vk, MAPVK_VK_TO_VSC)) << 16;
  PostMessageA(target, WM_KEYDOWN, vk, 1 | scan);
  PostMessageA(target, WM_KEYUP, vk, 1 | scan | (LPARAM(3) << 30));
}

BOOL CALLBACK FindTree(HWND w, LPARAM lp) {
  char cls[64] = "";
  GetClassNameA(w, cls, sizeof cls);
  if (lstrcmpiA(cls, WC_TREEVIEWA) != 0) return TRUE;
  *reinterpret_cast<HWND*>(lp) = w;
  return FALSE;
}

// The captions of the viewer's contents, in their order (the viewer runs in this process).
std::vector<std::string> Contents(HWND viewer) {
  HWND tree = nullptr;
  EnumChildWindows(viewer, &FindTree, reinterpret_cast<LPARAM>(&tree));
  std::vector<std::string> titles;
  if (!tree) return titles;
  for (auto item = TreeView_GetRoot(tree); item && titles.size() < 100; item = TreeView_GetNextSibling(tree, item)) {
    char text[256] = "";
    TVITEMA it{};
    it.mask = TVIF_TEXT | TVIF_HANDLE;
    it.hItem = item;
    it.pszText = text;
    it.cchTextMax = sizeof text;
    SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&it));
    titles.push_back(text);
  }
  return titles;
}

class HelpViewerTest : public testing::Test {
 protected:
  void SetUp() override { TRegistryIniFile(kBaseKey).EraseSection(kSection); }
  void TearDown() override {
    Application.DestroyForms();
    MSG m;
    while (PeekMessageA(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    Application.Initialize();
    TRegistryIniFile(kBaseKey).EraseSection(kSection);
  }
  TfrmMainForm& Start(const std::string& helpFile) {
    TfrmMainForm& f = Application.CreateForm<TfrmMainForm>();
    f.Show(SW_SHOWNORMAL);
    Application.ProcessMessages();
    Application.HelpFile = helpFile;
    return f;
  }
};

TEST_F(HelpViewerTest, F1InTheMainWindowShowsTheContentsAndTheViewerClosesWithTheProgram) {
  ModalAnswerer boxes;
  TfrmMainForm& f = Start(FullPath(kHelpFile));
  PostKey(f.lvIcons.Handle(), VK_F1);
  HWND viewer = WaitViewer(true);
  ASSERT_TRUE(viewer);
  EXPECT_EQ(Caption(viewer), kTitle);
  EXPECT_EQ(GetWindow(viewer, GW_OWNER), f.Handle());
  const std::vector<std::string> contents = Contents(viewer);
  ASSERT_GE(contents.size(), 8u);
  EXPECT_EQ(contents.front(), "Varnholt Glyph Gatherer");
  EXPECT_NE(std::find(contents.begin(), contents.end(), "Configuration"), contents.end());
  // Help > Contents again uses the same window.
  Application.ShowHelp("contents");
  Application.ProcessMessages();
  EXPECT_EQ(FindWindowA(kViewerClass, nullptr), viewer);
  EXPECT_TRUE(boxes.Boxes().empty());
  Application.DestroyForms();
  EXPECT_FALSE(IsWindow(viewer));
}

TEST_F(HelpViewerTest, AMissingHelpFileIsSaidInAMessage) {
  ModalAnswerer boxes;
  const std::string missing = FullPath("no such folder\\Mirovane.chm");
  Start(missing);
  EXPECT_FALSE(Application.ShowHelp("contents"));
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].caption, "Varnholt Glyph Gatherer");
  EXPECT_EQ(boxes.Boxes()[0].text.rfind("The help file " + missing + " was not found.", 0), 0u) << boxes.Boxes()[0].text;
  EXPECT_FALSE(FindWindowA(kViewerClass, nullptr));
}

// The program in a folder named in other scripts: F1 still opens its help beside it, and the
// viewer goes when the program closes.
TEST(HelpViewerProgram, F1FindsTheHelpFileInAFolderNamedInOtherScripts) {
  char temp[MAX_PATH] = "";
  GetTempPathA(MAX_PATH, temp);
  const std::string folder = std::string(temp) + "Справка ヘルプ " + std::to_string(GetCurrentProcessId()) + "\\";
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
  const std::string program = folder + "Mirovane.exe", help = folder + "Mirovane.chm";
  ASSERT_TRUE(CopyFileA(kProgram, program.c_str(), FALSE));
  ASSERT_TRUE(CopyFileA(kHelpFile, help.c_str(), FALSE));
  {
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::string cmd = "\"" + program + "\"";
    ASSERT_TRUE(CreateProcessA(program.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    CloseHandle(pi.hThread);
    HWND main = nullptr;
    for (int i = 0; i < 1200 && !main; ++i) {
      main = FindWindowA("TfrmMainForm", nullptr);
      if (!main || !IsWindowVisible(main)) main = nullptr, Sleep(50);
    }
    EXPECT_TRUE(main);
    if (main) {
      PressKeyIn(main, VK_F1);
      HWND viewer = WaitViewer(false);
      ASSERT_TRUE(viewer);
      EXPECT_EQ(Caption(viewer), kTitle);
      PostMessageA(main, WM_CLOSE, 0, 0);
    }
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 30000), WAIT_OBJECT_0);
    EXPECT_FALSE(FindWindowA(kViewerClass, nullptr));
    CloseHandle(pi.hProcess);
  }
  DeleteFileA(program.c_str());
  DeleteFileA(help.c_str());
  RemoveDirectoryA(folder.c_str());
  TRegistryIniFile(kBaseKey).EraseSection(kSection);
}

}  // namespace
