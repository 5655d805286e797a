// The window and the dialogs at the display's scale. AtDisplayScale runs here at the test
// display's 96 DPI, and again in copies of this program started at 120, 144 and 192 DPI.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <string>

#include "AppTestSupport.h"
#include "FolderChooserAnswerer.h"
#include "LogPixels.h"
#include "SavedFiles.h"
#include "about/AboutForm.h"
#include "fixtures/IconFixtures.h"
#include "settings/Config.h"

using ui::Application;

namespace {

const char* const kDpiVariable = "MIROVANE_TEST_DPI";

// Design sizes scale with rounding: within a pixel.
void ExpectScaled(int actual, int design, int dpi, const char* what) {
  EXPECT_NEAR(actual, MulDiv(design, dpi, 96), 1) << what;
}

int ImageSize(HIMAGELIST list) {
  int cx = 0, cy = 0;
  ImageList_GetIconSize(list, &cx, &cy);
  return cx;
}

// Every control shown lies inside its container and has room for its whole caption.
void ExpectEverythingFits(ui::Form& form) {
  for (ui::Component* component : form.Components()) {
    auto* c = dynamic_cast<ui::Control*>(component);
    if (!c || c == &form || !(GetWindowLongA(c->Handle(), GWL_STYLE) & WS_VISIBLE)) continue;
    EXPECT_LE(c->CaptionWidth(), c->Width()) << form.Name() << "." << c->Name();
    if (!c->Parent()) continue;
    RECT inside{}, r{};
    GetClientRect(c->Parent()->Handle(), &inside);
    GetWindowRect(c->Handle(), &r);
    MapWindowPoints(nullptr, c->Parent()->Handle(), reinterpret_cast<POINT*>(&r), 2);
    EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= inside.right && r.bottom <= inside.bottom)
        << form.Name() << "." << c->Name() << " lies outside " << c->Parent()->Name();
  }
}

class AtDisplayScale : public apptest::MainWindowTest {
 protected:
  void TearDown() override {
    frmConfig = nullptr;
    frmAbout = nullptr;
    MainWindowTest::TearDown();
  }
};

TEST_F(AtDisplayScale, TheMainWindowTakesItsDesignAtTheScale) {
  // A copy of this program started for another scale knows which it asked for.
  if (const char* asked = std::getenv(kDpiVariable)) {
    ASSERT_EQ(ui::SystemDpi(), std::atoi(asked));
  }
  fixtures::TempFolder icons("scaled");
  fixtures::MakeIconFixtureFolder(icons.Path());
  TfrmMainForm& f = Open(false, true, "");
  const int dpi = f.Dpi();
  ASSERT_EQ(dpi, ui::SystemDpi());
  MONITORINFO monitor{sizeof monitor};
  GetMonitorInfoA(MonitorFromWindow(f.Handle(), MONITOR_DEFAULTTONEAREST), &monitor);
  const RECT w = f.WindowBounds();
  // The design's 582 x 480, unless that is more than the screen holds.
  EXPECT_NEAR(w.right - w.left, std::min<int>(MulDiv(582, dpi, 96), monitor.rcWork.right - monitor.rcWork.left), 1);
  EXPECT_NEAR(w.bottom - w.top, std::min<int>(MulDiv(480, dpi, 96), monitor.rcWork.bottom - monitor.rcWork.top), 1);
  ExpectScaled(f.stNav.Width(), 170, dpi, "tree");
  ExpectScaled(f.Splitter1.MinSize(), 80, dpi, "splitter minimum");
  ExpectScaled(f.tbMain.ButtonWidth(), 47, dpi, "toolbar button");
  ExpectScaled(f.tbMain.ButtonHeight(), 36, dpi, "toolbar button");
  ExpectScaled(f.sbInfo.Height(), 19, dpi, "status bar");
  LOGFONTA font{};
  GetObjectA(f.Font(), sizeof font, &font);
  ExpectScaled(-font.lfHeight, 11, dpi, "font");

  // The list shows its icons at 32 and 16 x scale; what is saved stays 32 x 32 and 16 x 16.
  f.stNav.SetPath(icons.Path());
  apptest::WaitForRun(f);
  ASSERT_GT(f.lvIcons.Count(), 0);
  const HIMAGELIST shown = ListView_GetImageList(f.lvIcons.Handle(), LVSIL_NORMAL);
  EXPECT_EQ(ImageSize(shown), MulDiv(32, dpi, 96));
  EXPECT_EQ(ImageSize(ListView_GetImageList(f.lvIcons.Handle(), LVSIL_SMALL)), MulDiv(16, dpi, 96));
  EXPECT_EQ(ImageList_GetImageCount(shown), f.lvIcons.Count());
  EXPECT_EQ(f.Icons.ImageSize(), 32);
  EXPECT_EQ(f.SmallIcons.ImageSize(), 16);

  // Stored in 96-DPI units: the tree keeps its width on the screen across scales.
  f.stNav.SetWidth(MulDiv(200, dpi, 96));
  f.Close();
  Application.ProcessMessages();
  EXPECT_NEAR(TRegistryIniFile(kBaseKey).ReadInteger(kSection, "Nav Width", 0), 200, 1);
}

TEST_F(AtDisplayScale, TheWindowAndItsDialogsShowEveryCaptionWhole) {
  TfrmMainForm& f = Open(false, true, "");
  ExpectEverythingFits(f);
  frmConfig = &Application.CreateForm<TfrmConfig>();
  frmAbout = &Application.CreateForm<TfrmAbout>();
  ExpectEverythingFits(*frmConfig);
  ExpectEverythingFits(*frmAbout);
}

class DpiChange : public apptest::MainWindowTest {
 protected:
  // Every entry saved in the kind through the real folder chooser; the files' bytes by name.
  static std::map<std::string, std::vector<uint8_t>> SaveAll(TfrmMainForm& f, ui::MenuItem& kind) {
    fixtures::TempFolder dest("scaled");
    for (int i = 0; i < f.lvIcons.Count(); ++i) f.lvIcons.SetSelected(i, true);
    {
      DialogAnswerer answer("Save image(s) to:", [&](HWND dialog) { SelectPath(dialog, dest.Path()); }, IDOK);
      kind.Click();
    }
    std::map<std::string, std::vector<uint8_t>> files;
    for (const std::string& name : saved::Listing(dest.Path())) files[name] = saved::ReadAll(dest.Path() + name);
    return files;
  }
};

// A move to a monitor of another scale lays the window out again, and back.
TEST_F(DpiChange, RescalesTheWindowItsFontsAndItsImages) {
  fixtures::TempFolder icons("rescaled");
  fixtures::MakeIconFixtureFolder(icons.Path());
  TfrmMainForm& f = Open(false, true, "");
  f.stNav.SetPath(icons.Path());
  apptest::WaitForRun(f);
  const int dpi = f.Dpi(), twice = 2 * dpi;
  const int tree = f.stNav.Width(), button = f.tbMain.ButtonWidth(), count = f.lvIcons.Count();
  const RECT before = f.WindowBounds();
  const DWORD spacing = ListView_GetItemSpacing(f.lvIcons.Handle(), FALSE);
  const auto savedIcons = SaveAll(f, f.miIcon), savedBitmaps = SaveAll(f, f.miSBmp);
  ASSERT_EQ(savedIcons.size(), static_cast<size_t>(count));
  // Any rectangle the screen holds: the platform suggests one that keeps the window in place.
  RECT suggested{0, 0, 900, 700};
  SendMessageA(f.Handle(), WM_DPICHANGED, MAKEWPARAM(twice, twice), reinterpret_cast<LPARAM>(&suggested));
  EXPECT_EQ(f.Dpi(), twice);
  EXPECT_EQ(f.stNav.Width(), 2 * tree);
  EXPECT_EQ(f.tbMain.ButtonWidth(), 2 * button);
  LOGFONTA font{};
  GetObjectA(f.Font(), sizeof font, &font);
  ExpectScaled(-font.lfHeight, 11, twice, "font");
  const RECT after = f.WindowBounds();
  EXPECT_EQ(after.right - after.left, suggested.right - suggested.left);
  const HIMAGELIST shown = ListView_GetImageList(f.lvIcons.Handle(), LVSIL_NORMAL);
  EXPECT_EQ(ImageSize(shown), MulDiv(32, twice, 96));
  EXPECT_EQ(ImageList_GetImageCount(shown), count);
  EXPECT_EQ(f.lvIcons.Count(), count);
  EXPECT_EQ(f.Icons.ImageSize(), 32);
  const DWORD spaced = ListView_GetItemSpacing(f.lvIcons.Handle(), FALSE);
  EXPECT_NEAR(LOWORD(spaced), 2 * LOWORD(spacing), 2);
  EXPECT_NEAR(HIWORD(spaced), 2 * HIWORD(spacing), 2);
  // The entries stand at the new spacing, not where the old one put them.
  POINT first{}, second{};
  ListView_GetItemPosition(f.lvIcons.Handle(), 0, &first);
  ListView_GetItemPosition(f.lvIcons.Handle(), 1, &second);
  EXPECT_EQ(second.x - first.x, LOWORD(spaced));
  // What is saved does not depend on the scale, though the list no longer keeps the saved sizes.
  EXPECT_TRUE(SaveAll(f, f.miIcon) == savedIcons);
  EXPECT_TRUE(SaveAll(f, f.miSBmp) == savedBitmaps);

  // The tree's icons at the scale's size: the shell's list of that size at twice the scale,
  // at one and a half times a list of its own, copied from a larger one.
  auto expectTreeIconsAt = [&](int at) {
    const HIMAGELIST tree = TreeView_GetImageList(f.stNav.Handle(), TVSIL_NORMAL);
    EXPECT_EQ(ImageSize(tree), ui::MetricForDpi(SM_CXSMICON, at)) << at;
    ASSERT_NE(f.stNav.Selected(), nullptr);
    EXPECT_LT(f.stNav.Selected()->ImageIndex(), ImageList_GetImageCount(tree)) << at;
  };
  expectTreeIconsAt(twice);
  const int oneAndAHalf = dpi * 3 / 2;
  SendMessageA(f.Handle(), WM_DPICHANGED, MAKEWPARAM(oneAndAHalf, oneAndAHalf), reinterpret_cast<LPARAM>(&suggested));
  expectTreeIconsAt(oneAndAHalf);

  SendMessageA(f.Handle(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&before));
  expectTreeIconsAt(dpi);
  EXPECT_EQ(f.stNav.Width(), tree);
  EXPECT_EQ(f.tbMain.ButtonWidth(), button);
  EXPECT_EQ(ImageSize(ListView_GetImageList(f.lvIcons.Handle(), LVSIL_NORMAL)), MulDiv(32, dpi, 96));
  // Back at the design scale the list keeps the saved sizes again, made anew from the files.
  EXPECT_TRUE(SaveAll(f, f.miIcon) == savedIcons);
}

// The window's sizes by name: its bounds, the panes, the toolbar, the list's columns.
std::map<std::string, int> WindowSizes(TfrmMainForm& f) {
  const RECT w = f.WindowBounds();
  RECT separator{};
  SendMessageA(f.tbMain.Handle(), TB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&separator));
  const SIZE button = f.tbMain.ReportedButtonSize();
  std::map<std::string, int> sizes{
      {"window left", w.left}, {"window top", w.top}, {"window width", w.right - w.left},
      {"window height", w.bottom - w.top}, {"tree", f.stNav.Width()}, {"tree splitter", f.Splitter1.Width()},
      {"tree minimum", f.Splitter1.MinSize()}, {"tree indent", static_cast<int>(TreeView_GetIndent(f.stNav.Handle()))},
      {"preview", f.pnlPreview.Height()}, {"preview splitter", f.Splitter2.Height()},
      {"preview minimum", f.Splitter2.MinSize()}, {"toolbar", f.tbMain.Height()}, {"button width", button.cx},
      {"button height", button.cy}, {"separator", separator.right - separator.left}, {"status bar", f.sbInfo.Height()},
      {"header pane", f.pnlInfo.Height()}};
  for (int i = 0; i < 5; ++i) sizes["column " + std::to_string(i)] = ListView_GetColumnWidth(f.lvIcons.Handle(), i);
  return sizes;
}

// Moved across monitors of other scales and back, the window has every size it had, the
// ones the user dragged included, and the list's columns also when moved in another view.
TEST_F(DpiChange, AWindowMovedAcrossScalesAndBackHasEverySizeItHad) {
  TfrmMainForm& f = Open(false, true, "");
  f.actPreview.Execute();
  f.actDetails.Execute();
  f.Splitter1.ProposeSize(f.stNav.Width() + 31);
  f.Splitter2.ProposeSize(f.pnlPreview.Height() + 17);
  ListView_SetColumnWidth(f.lvIcons.Handle(), 2, 97);
  const int dpi = f.Dpi();
  std::map<int, std::map<std::string, int>> on{{dpi, WindowSizes(f)}};
  // No rectangle suggested: the window's own size follows the scale. Out in the details view,
  // back in the icon view.
  for (int to : {dpi * 3 / 2, dpi * 2, dpi * 3 / 2, dpi}) {
    const bool back = on.count(to) != 0;
    if (back) f.actLarge.Execute();
    SendMessageA(f.Handle(), WM_DPICHANGED, MAKEWPARAM(to, to), 0);
    ASSERT_EQ(f.Dpi(), to);
    if (back) {
      f.actDetails.Execute();
      EXPECT_EQ(WindowSizes(f), on[to]) << "back at " << to;
    }
    on[to] = WindowSizes(f);
  }
}

// The same relations in copies of this program at 120, 144 and 192 DPI.
TEST(DisplayScale, RelationsHoldAtOtherScales) {
  if (std::getenv(kDpiVariable)) GTEST_SKIP() << "already a copy at another scale";
  char self[MAX_PATH] = "";
  ASSERT_GT(GetModuleFileNameA(nullptr, self, MAX_PATH), 0u);
  for (int dpi : {120, 144, 192}) {
    SCOPED_TRACE(dpi);
    testsupport::ScopedLogPixels scale(static_cast<DWORD>(dpi));
    SetEnvironmentVariableA(kDpiVariable, std::to_string(dpi).c_str());
    std::string line = std::string("\"") + self + "\" --gtest_filter=AtDisplayScale.*";
    STARTUPINFOA si{sizeof si};
    PROCESS_INFORMATION pi{};
    const BOOL started = CreateProcessA(self, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi);
    SetEnvironmentVariableA(kDpiVariable, nullptr);
    ASSERT_TRUE(started);
    CloseHandle(pi.hThread);
    DWORD code = 0xBAD;
    if (WaitForSingleObject(pi.hProcess, 100000) == WAIT_OBJECT_0) GetExitCodeProcess(pi.hProcess, &code);
    else TerminateProcess(pi.hProcess, 0xBAD);
    CloseHandle(pi.hProcess);
    EXPECT_EQ(code, 0u) << "the tests at " << dpi << " DPI failed; their output is above";
  }
}

}  // namespace
