// The extraction run in the real window over the icon fixtures: entries, gaps, order, status
// texts, the type filter and sub-folders, and runs stopped by Esc, a folder change or a close.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

#include "AppTestSupport.h"
#include "ModalAnswerer.h"
#include "extract/ExtractHelpers.h"
#include "fixtures/IconFixtures.h"
#include "win/Handles.h"
#include "win/Text.h"

using apptest::Entries;
using apptest::WithoutTrailingBackslash;
using apptest::PostedCall;
using apptest::StatusRecorder;
using ui::Application;
using ui::CursorKind;

namespace {

using Strings = std::vector<std::string>;

// Cursor files count as icons on some platforms and not on others.
Strings WithoutCursorFiles(Strings entries) {
  std::erase_if(entries, [](const std::string& e) { return e.starts_with("pointer.cur") || e.starts_with("spinner.ani"); });
  return entries;
}


using ExtractRun = apptest::FixtureFolderTest;

const Strings kFlatDefaultTypes = {"gaps.dll#0",    "gaps.dll#2",    "gaps.dll#3",    "hidden.ico#0",  "icons.dll#0",
                                   "icons.dll#1",   "icons.dll#2",   "icons.dll#3",   "LIBRARY.DLL#0", "LIBRARY.DLL#1",
                                   "LIBRARY.DLL#2", "LIBRARY.DLL#3", "single.ico#0",  "system.ico#0",  "UPPER.ICO#0"};

TEST_F(ExtractRun, FlatRunFillsListAndImageListsInStep) {
  TfrmMainForm& f = Open(false, false, kDefaultFileTypes);
  // A selection left from before the run: the emptied list must take the commands with it.
  f.lvIcons.AddItem("stale.dll", -1);
  f.lvIcons.SetSelected(0, true);
  ASSERT_TRUE(f.tbSave.Enabled());
  StatusRecorder status(f.sbInfo.Handle());
  f.stNav.SetPath(Root());

  EXPECT_EQ(WithoutCursorFiles(Entries(f)), kFlatDefaultTypes);
  const int n = f.lvIcons.Count();
  ASSERT_EQ(status.Texts(), (Strings{"Obtaining Folder Structure...", "Extracting Icons... Press <Esc> to stop...",
                                     std::to_string(n) + " icons"}));
  for (const auto& e : status.Recorded()) EXPECT_EQ(e.cursor, CursorKind::AppStart) << e.text;
  EXPECT_EQ(Application.Cursor(), CursorKind::Default);
  EXPECT_FALSE(Extracting);
  for (auto* c : {&f.miSave, &f.miCopy, &f.pmiSave, &f.pmiCopy}) EXPECT_FALSE(c->Enabled()) << c->Name();
  EXPECT_FALSE(f.tbSave.Enabled());

  // Slot n of both lists holds entry n's icon, so both lists and the entries count alike and
  // the image indexes are exactly the slots.
  EXPECT_EQ(f.Icons.Count(), n);
  EXPECT_EQ(f.SmallIcons.Count(), n);
  int cx = 0, cy = 0;
  ImageList_GetIconSize(f.SmallIcons.Handle(), &cx, &cy);
  EXPECT_EQ(cx, 16);
  ImageList_GetIconSize(f.Icons.Handle(), &cx, &cy);
  EXPECT_EQ(cx, 32);
  std::vector<int> slots;
  for (int i = 0; i < n; ++i) slots.push_back(f.lvIcons.ImageIndex(i));
  std::sort(slots.begin(), slots.end());
  std::vector<int> all(n);
  std::iota(all.begin(), all.end(), 0);
  EXPECT_EQ(slots, all);

  // The label names the folder, shortened to the label less 110 pixels.
  f.SetWindowBounds(100, 100, 420, 300);
  f.miRefreshClick(f);
  const std::string fitted = FitPathToWidth(Root(), f.lblInfo.Font(), f.lblInfo.Width() - 110);
  EXPECT_NE(fitted, Root()) << "the label should be too narrow for the whole path";
  EXPECT_EQ(f.lblInfo.Caption(), "Icons contained in " + fitted);
  EXPECT_EQ(f.lvIcons.Count(), n);
}

TEST_F(ExtractRun, TypeFilterAndSubFolders) {
  TfrmMainForm& f = Open(true, false, ".ico");
  f.stNav.SetPath(Root());
  // Hidden and system files count, hidden and system folders are never entered; sorted by
  // caption, not in walking order.
  EXPECT_EQ(Entries(f), (Strings{"deep.ico#0", "hidden.ico#0", "inner.ico#0", "single.ico#0", "system.ico#0",
                                 "UPPER.ICO#0"}));

  IncludeSubs = false;
  FileTypes = ".DLL";  // compared without regard to case
  f.miRefreshClick(f);
  EXPECT_EQ(f.lvIcons.Count(), 11);
  EXPECT_EQ(f.lvIcons.Caption(10), "LIBRARY.DLL");

  FileTypes = "";
  f.miRefreshClick(f);
  EXPECT_EQ(f.sbInfo.PanelText(0), "0 icons");

  // Every file is asked, with or without extension; files without icons add nothing.
  ExtractFromAll = true;
  f.miRefreshClick(f);
  Strings expected = kFlatDefaultTypes;
  expected.insert(expected.begin() + 4, "ICONDATA#0");
  EXPECT_EQ(WithoutCursorFiles(Entries(f)), expected);

  // Files of one name in different folders: each keeps its icons in index order.
  fixtures::TempFolder same("same");
  ASSERT_TRUE(CopyFileA((Root() + "\\gaps.dll").c_str(), (same.Path() + "same.dll").c_str(), FALSE));
  ASSERT_TRUE(CreateDirectoryA((same.Path() + "a").c_str(), nullptr));
  ASSERT_TRUE(CopyFileA((Root() + "\\icons.dll").c_str(), (same.Path() + "a\\same.dll").c_str(), FALSE));
  IncludeSubs = true;
  ExtractFromAll = false;
  FileTypes = kDefaultFileTypes;
  f.stNav.RefreshAll();  // the new folders reach the tree now rather than by their monitor later
  f.stNav.SetPath(same.Path());
  EXPECT_EQ(Entries(f), (Strings{"same.dll#0", "same.dll#2", "same.dll#3", "same.dll#0", "same.dll#1", "same.dll#2",
                                 "same.dll#3"}));
}

TEST_F(ExtractRun, EscFolderChangeAndCloseStopTheRun) {
  TfrmMainForm& f = Open(false, false, kDefaultFileTypes);
  // Esc pressed while the files are listed takes effect after the first icon.
  PostMessageA(f.lvIcons.Handle(), WM_KEYDOWN, VK_ESCAPE, 0);
  f.stNav.SetPath(Root());
  EXPECT_EQ(Entries(f), Strings{"gaps.dll#0"});
  EXPECT_EQ(f.sbInfo.PanelText(0), "1 icons");
  EXPECT_EQ(Application.Cursor(), CursorKind::Default);

  // A folder change during a run: the newer run wins, the older one only tidies up.
  const std::string sub = Root() + "\\sub";
  {
    PostedCall change([&] { f.stNav.SetPath(sub); });
    f.miRefreshClick(f);
    EXPECT_TRUE(change.Ran());
  }
  EXPECT_EQ(Entries(f), Strings{"deep.ico#0"});
  EXPECT_EQ(f.sbInfo.PanelText(0), "1 icons");
  EXPECT_EQ(f.lblInfo.Caption(), "Icons contained in " + FitPathToWidth(sub, f.lblInfo.Font(), f.lblInfo.Width() - 110));
  EXPECT_FALSE(Extracting);

  // A folder without a file-system path (My Computer) empties the list and the label; the
  // status stays.
  TShellnode* virtualFolder = f.stNav.RootNode()->FirstChildNode();
  while (virtualFolder && !virtualFolder->Path().empty()) virtualFolder = virtualFolder->NextSiblingNode();
  ASSERT_NE(virtualFolder, nullptr);
  f.stNav.Select(virtualFolder);
  EXPECT_EQ(f.lvIcons.Count(), 0);
  EXPECT_EQ(f.Icons.Count(), 0);
  EXPECT_EQ(f.lblInfo.Caption(), "");
  EXPECT_EQ(f.sbInfo.PanelText(0), "1 icons");

  // Closing during a run stops it after its current icon; the window goes, nothing breaks.
  ModalAnswerer boxes;
  PostMessageA(f.Handle(), WM_CLOSE, 0, 0);
  f.stNav.SetPath(Root());
  EXPECT_EQ(f.Handle(), nullptr);
  EXPECT_FALSE(Extracting);
  EXPECT_EQ(Application.Cursor(), CursorKind::Default);
  EXPECT_TRUE(boxes.Boxes().empty());
}

// Names in every script, in the window: the entries carry the files' own names in the user's
// order, and a folder named in another script shows its name in the title and the header and
// lists its own file.
TEST_F(ExtractRun, NamesInEveryScriptAreListedUnderTheirOwnNames) {
  fixtures::TempFolder dir("names");
  const Strings made = fixtures::MakeNamesInEveryScript(dir.Path());
  TfrmMainForm& f = Open(true, false, kDefaultFileTypes);
  f.stNav.RefreshAll();
  f.stNav.SetPath(WithoutTrailingBackslash(dir.Path()));
  Strings captions, want;
  for (int i = 0; i < f.lvIcons.Count(); ++i) captions.push_back(f.lvIcons.Caption(i));
  for (const std::string& name : made) want.push_back(FileNamePart(name));
  // Names that differ only in normalisation are equal in the order: compare as sets.
  EXPECT_TRUE(std::is_sorted(captions.begin(), captions.end(),
                             [](auto& a, auto& b) { return win::CompareText(a, b) < 0; }));
  std::sort(captions.begin(), captions.end());
  std::sort(want.begin(), want.end());
  EXPECT_EQ(captions, want);

  TShellnode* parent = f.stNav.Selected();
  ASSERT_NE(parent, nullptr);
  parent->Expand();
  ASSERT_EQ(parent->Count(), 1);
  f.stNav.Select(parent->FirstChildNode());
  EXPECT_EQ(f.stNav.Path(), dir.Path() + "подпапка");
  EXPECT_EQ(f.Caption(), "подпапка - " + Application.Title);
  EXPECT_TRUE(f.lblInfo.Caption().ends_with("\\подпапка")) << f.lblInfo.Caption();
  EXPECT_EQ(Entries(f), Strings{"écran.ico#0"});
}

// The folder a command-line argument names: a file selects its folder and the run reads it;
// anything else reaches the error display and leaves the tree where it was.
TEST_F(ExtractRun, StartFolderFromTheCommandLine) {
  ModalAnswerer boxes;
  TfrmMainForm& f = Open(false, false, ".ico");
  const std::string before = f.stNav.Path();
  const std::string missing = folder_->Path() + "nothing";
  f.OpenStartFolder(missing);
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].caption, Application.Title);
  EXPECT_EQ(boxes.Boxes()[0].text, "Cannot find the folder " + missing + ".");
  EXPECT_EQ(f.stNav.Path(), before);

  f.OpenStartFolder(folder_->Path() + "sub\\deep.ico");
  EXPECT_EQ(_stricmp(f.stNav.Path().c_str(), (Root() + "\\sub").c_str()), 0) << f.stNav.Path();
  EXPECT_EQ(Entries(f), Strings{"deep.ico#0"});
  EXPECT_EQ(boxes.Boxes().size(), 1u);
}

}  // namespace
