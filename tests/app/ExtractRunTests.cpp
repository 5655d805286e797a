// The extraction run in the real window over the icon fixtures: entries, gaps, order, status
// texts, the type filter and sub-folders, and runs stopped by Esc, a folder change or a close.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

#include "AppTestSupport.h"
#include "ModalAnswerer.h"
#include "batch/Batch.h"
#include "settings/Config.h"
#include "extract/ExtractHelpers.h"
#include "fixtures/IconFixtures.h"
#include "extract/FileIcons.h"
#include "win/Handles.h"
#include "win/IconBatch.h"
#include "win/ImageLists.h"
#include "win/PathText.h"
#include "win/Text.h"

using apptest::Entries;
using apptest::WithoutTrailingBackslash;
using apptest::PostedCall;
using apptest::ServeUntil;
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
  apptest::WaitForRun(f);

  EXPECT_EQ(WithoutCursorFiles(Entries(f)), kFlatDefaultTypes);
  const int n = f.lvIcons.Count();
  ASSERT_EQ(status.Texts(), (Strings{"Obtaining Folder Structure...", "Extracting Icons... Press <Esc> to stop...",
                                     std::to_string(n) + " icons"}));
  for (const auto& e : status.Recorded()) EXPECT_EQ(e.cursor, CursorKind::AppStart) << e.text;
  EXPECT_EQ(Application.Cursor(), CursorKind::Default);
  EXPECT_FALSE(f.Extracting());
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
  // Each slot finds the file and index its entry shows.
  for (int i = 0; i < n; ++i) {
    const IconSource* source = f.iconSlots.Find(f.lvIcons.ImageIndex(i));
    ASSERT_TRUE(source);
    EXPECT_TRUE(source->file.ends_with("\\" + f.lvIcons.Caption(i))) << source->file;
    EXPECT_EQ(std::to_string(source->index), f.lvIcons.SubItem(i, 1));
  }
  EXPECT_FALSE(f.iconSlots.Find(-1));
  EXPECT_FALSE(f.iconSlots.Find(n));
  // Pictures made elsewhere go into both lists, the large one standing in for a missing small one.
  const win::UniqueIcon picture(CopyIcon(LoadIconA(nullptr, IDI_APPLICATION)));
  ListedPictures pictures;
  pictures.large = ListPicture({}, 0, picture.get(), 0);
  EXPECT_EQ(f.iconSlots.Append({"elsewhere.dll", 7, {}}, pictures), n);
  EXPECT_EQ(f.SmallIcons.Count(), n + 1);
  EXPECT_EQ(f.iconSlots.Find(n)->index, 7);
  f.lvIcons.Clear();
  f.iconSlots.Clear();
  EXPECT_EQ(f.Icons.Count() + f.SmallIcons.Count() + f.iconSlots.Count(), 0);

  // The label names the folder, shortened to the label less 110 pixels.
  f.SetWindowBounds(100, 100, 420, 300);
  f.miRefreshClick(f);
  apptest::WaitForRun(f);
  const std::string fitted = FitPathToWidth(Root(), f.lblInfo.Font(), f.lblInfo.Width() - 110);
  EXPECT_NE(fitted, Root()) << "the label should be too narrow for the whole path";
  EXPECT_EQ(f.lblInfo.Caption(), "Icons contained in " + fitted);
  EXPECT_EQ(f.lvIcons.Count(), n);
}

TEST_F(ExtractRun, TypeFilterAndSubFolders) {
  TfrmMainForm& f = Open(true, false, ".ico");
  f.stNav.SetPath(Root());
  apptest::WaitForRun(f);
  // Hidden and system files count, hidden and system folders are never entered; sorted by
  // caption, not in walking order.
  EXPECT_EQ(Entries(f), (Strings{"deep.ico#0", "hidden.ico#0", "inner.ico#0", "single.ico#0", "system.ico#0",
                                 "UPPER.ICO#0"}));

  IncludeSubs = false;
  FileTypes = ".DLL";  // compared without regard to case
  f.miRefreshClick(f);
  apptest::WaitForRun(f);
  EXPECT_EQ(f.lvIcons.Count(), 11);
  EXPECT_EQ(f.lvIcons.Caption(10), "LIBRARY.DLL");

  FileTypes = "";
  f.miRefreshClick(f);
  apptest::WaitForRun(f);
  EXPECT_EQ(f.sbInfo.PanelText(0), "0 icons");

  // Every file is asked, with or without extension; files without icons add nothing.
  ExtractFromAll = true;
  f.miRefreshClick(f);
  apptest::WaitForRun(f);
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
  apptest::WaitForRun(f);
  EXPECT_EQ(Entries(f), (Strings{"same.dll#0", "same.dll#2", "same.dll#3", "same.dll#0", "same.dll#1", "same.dll#2",
                                 "same.dll#3"}));
}

TEST_F(ExtractRun, EscFolderChangeAndCloseStopTheRun) {
  TfrmMainForm& f = Open(false, false, kDefaultFileTypes);
  // Esc pressed while the files are listed takes effect before anything is shown.
  PostMessageA(f.lvIcons.Handle(), WM_KEYDOWN, VK_ESCAPE, 0);
  f.stNav.SetPath(Root());
  apptest::WaitForRun(f);
  EXPECT_EQ(Entries(f), Strings{});
  EXPECT_EQ(f.sbInfo.PanelText(0), "0 icons");
  EXPECT_EQ(Application.Cursor(), CursorKind::Default);

  // A folder change during a run: the newer run wins, the older one only tidies up.
  const std::string sub = Root() + "\\sub";
  {
    PostedCall change([&] { f.stNav.SetPath(sub); });
    f.miRefreshClick(f);
    apptest::WaitForRun(f);
    EXPECT_TRUE(change.Ran());
  }
  EXPECT_EQ(Entries(f), Strings{"deep.ico#0"});
  EXPECT_EQ(f.sbInfo.PanelText(0), "1 icons");
  EXPECT_EQ(f.lblInfo.Caption(), "Icons contained in " + FitPathToWidth(sub, f.lblInfo.Font(), f.lblInfo.Width() - 110));
  EXPECT_FALSE(f.Extracting());

  // A folder without a file-system path (My Computer) empties the list and the label; the
  // status stays.
  TShellnode* virtualFolder = f.stNav.RootNode()->FirstChildNode();
  while (virtualFolder && !virtualFolder->Path().empty()) virtualFolder = virtualFolder->NextSiblingNode();
  ASSERT_NE(virtualFolder, nullptr);
  f.stNav.Select(virtualFolder);
  apptest::WaitForRun(f);
  EXPECT_EQ(f.lvIcons.Count(), 0);
  EXPECT_EQ(f.Icons.Count(), 0);
  EXPECT_EQ(f.lblInfo.Caption(), "");
  EXPECT_EQ(f.sbInfo.PanelText(0), "1 icons");

  // Closing during a run stops it; the window goes, nothing breaks.
  ModalAnswerer boxes;
  PostMessageA(f.Handle(), WM_CLOSE, 0, 0);
  f.stNav.SetPath(Root());
  apptest::WaitForRun(f);
  EXPECT_EQ(f.Handle(), nullptr);
  EXPECT_FALSE(f.Extracting());
  EXPECT_EQ(Application.Cursor(), CursorKind::Default);
  EXPECT_TRUE(boxes.Boxes().empty());
}

// Where the lists take no batches, each icon brings its own pictures and is added one by one,
// as on platforms whose lists draw batches otherwise: the same entries, the same pictures.
TEST_F(ExtractRun, WithoutBatchesEachIconIsAddedAlike) {
  TfrmMainForm& f = Open(false, false, kDefaultFileTypes);
  const auto pictures = [&f] {
    std::vector<std::vector<DWORD>> seen;
    for (int i = 0; i < f.lvIcons.Count(); ++i)
      for (const HIMAGELIST list : {f.iconSlots.Shown().Handle(), f.iconSlots.ShownSmall().Handle()})
        seen.push_back(win::ListImageAppearance(list, f.lvIcons.ImageIndex(i)));
    return seen;
  };
  f.stNav.SetPath(Root());
  apptest::WaitForRun(f);
  const Strings entries = Entries(f);
  const auto batched = pictures();
  f.JudgeBatchesBy(std::make_shared<BatchVerdicts>(false));
  f.miRefreshClick(f);
  apptest::WaitForRun(f);
  EXPECT_EQ(Entries(f), entries);
  EXPECT_EQ(pictures(), batched);
}

// A failure on the run's reader reaches the error display once the run has tidied up: what it
// listed is counted, the cursor is back.
TEST_F(ExtractRun, AReadersFailureIsShownOnceTheRunHasEnded) {
  TfrmMainForm& f = Open(false, false, kDefaultFileTypes);
  ModalAnswerer boxes;
  f.HoldRuns(std::make_shared<RunGate>(RunGate::Phase::Reading, true));
  f.stNav.SetPath(Root());
  apptest::WaitForRun(f);
  f.HoldRuns(nullptr);
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_NE(boxes.Boxes()[0].text.find("The run failed at its gate."), std::string::npos) << boxes.Boxes()[0].text;
  const int n = f.lvIcons.Count();
  EXPECT_EQ(f.Icons.Count(), n);
  EXPECT_EQ(f.sbInfo.PanelText(0), std::to_string(n) + " icons");
  EXPECT_EQ(Application.Cursor(), CursorKind::Default);
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
  apptest::WaitForRun(f);
  Strings captions, want;
  for (int i = 0; i < f.lvIcons.Count(); ++i) captions.push_back(f.lvIcons.Caption(i));
  for (const std::string& name : made) want.push_back(pathtext::NamePart(name));
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
  apptest::WaitForRun(f);
  EXPECT_EQ(f.stNav.Path(), dir.Path() + "подпапка");
  EXPECT_EQ(f.Caption(), "подпапка - " + Application.Title);
  EXPECT_TRUE(f.lblInfo.Caption().ends_with("\\подпапка")) << f.lblInfo.Caption();
  EXPECT_EQ(Entries(f), Strings{"écran.ico#0"});
}

// A tree past the old path limit lists both programs; a file the run cannot open is counted in
// the status bar and named in its tip, and the next run that reads everything clears both.
TEST_F(ExtractRun, DeepFilesAreListedAndUnreadableOnesAreCounted) {
  fixtures::TempFolder dir("deep");
  const fixtures::DeepTree tree(dir.Path(), Root() + "\\icons.dll");
  TfrmMainForm& f = Open(true, false, kDefaultFileTypes);
  f.stNav.RefreshAll();
  f.stNav.SetPath(WithoutTrailingBackslash(tree.Top()));
  apptest::WaitForRun(f);
  EXPECT_EQ(Entries(f), (Strings{"bottom.dll#0", "bottom.dll#1", "bottom.dll#2", "bottom.dll#3", "top.dll#0",
                                 "top.dll#1", "top.dll#2", "top.dll#3"}));
  EXPECT_EQ(f.sbInfo.PanelCount(), 1);

  fixtures::TempFolder locked("locked");
  const std::string held = locked.Path() + "held.dll";
  ASSERT_TRUE(CopyFileA((Root() + "\\icons.dll").c_str(), held.c_str(), FALSE));
  ASSERT_TRUE(CopyFileA((Root() + "\\single.ico").c_str(), (locked.Path() + "single.ico").c_str(), FALSE));
  {
    win::UniqueFile hold(CreateFileA(held.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(hold);
    f.stNav.RefreshAll();
    f.stNav.SetPath(WithoutTrailingBackslash(locked.Path()));
    apptest::WaitForRun(f);
    EXPECT_EQ(Entries(f), Strings{"single.ico#0"});
    EXPECT_EQ(f.sbInfo.PanelText(0), "1 icons");
    ASSERT_EQ(f.sbInfo.PanelCount(), 2);
    EXPECT_EQ(f.sbInfo.PanelText(1), "1 file could not be read");
    EXPECT_EQ(f.sbInfo.Tip(), held);
  }
  f.miRefreshClick(f);
  apptest::WaitForRun(f);
  EXPECT_EQ(f.lvIcons.Count(), 5);
  EXPECT_EQ(f.sbInfo.PanelCount(), 1);
  EXPECT_EQ(f.sbInfo.Tip(), "");
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
  apptest::WaitForRun(f);
  EXPECT_EQ(_stricmp(f.stNav.Path().c_str(), (Root() + "\\sub").c_str()), 0) << f.stNav.Path();
  EXPECT_EQ(Entries(f), Strings{"deep.ico#0"});
  EXPECT_EQ(boxes.Boxes().size(), 1u);
}

// The window lists exactly what the command line's /list lists, in the same order.
TEST_F(ExtractRun, EntriesAreThoseTheCommandLineLists) {
  TfrmMainForm& f = Open(true, true, kDefaultFileTypes);
  f.stNav.SetPath(Root());
  apptest::WaitForRun(f);
  Strings shown, listed;
  for (int i = 0; i < f.lvIcons.Count(); ++i) {
    const IconSource* source = f.iconSlots.Find(f.lvIcons.ImageIndex(i));
    ASSERT_TRUE(source);
    shown.push_back(source->file + "\t" + std::to_string(source->index));
  }
  const batch::Command list = batch::ParseArguments({"/list", Root(), "/sub", "/all"});
  batch::List(list, [&](const std::string& line) {
    const size_t tab = line.find('\t'), second = line.find('\t', tab + 1);
    if (tab != std::string::npos && second != std::string::npos) listed.push_back(line.substr(0, second));
  });
  ASSERT_FALSE(listed.empty());
  EXPECT_EQ(shown, listed);
}

// The run passes a file of very many icons from its reader to its drawer in parts: every icon
// arrives, once, in index order.
TEST_F(ExtractRun, AFileOfMoreIconsThanOnePassIsListedWhole) {
  fixtures::TempFolder dir("many");
  fixtures::MakeManyIconsLibrary(dir.Path() + "many.dll", 600);
  TfrmMainForm& f = Open(false, false, kDefaultFileTypes);
  f.stNav.RefreshAll();
  f.stNav.SetPath(WithoutTrailingBackslash(dir.Path()));
  apptest::WaitForRun(f);
  ASSERT_EQ(f.lvIcons.Count(), 600);
  for (int i = 0; i < 600; ++i) ASSERT_EQ(f.iconSlots.Find(f.lvIcons.ImageIndex(i))->index, i) << i;
  // The lists made room as they filled (600 icons of one file): the list shows those that
  // hold the pictures, and each holds its icon's.
  EXPECT_EQ(ListView_GetImageList(f.lvIcons.Handle(), LVSIL_NORMAL), f.iconSlots.Shown().Handle());
  EXPECT_EQ(ListView_GetImageList(f.lvIcons.Handle(), LVSIL_SMALL), f.iconSlots.ShownSmall().Handle());
  const FileIcons file(dir.Path() + "many.dll", MunWindowsFolder());
  const win::UniqueImageList expected = win::CreateIconImageList(32);
  for (int i = 0; i < 600; i += 23) {
    const int at = ImageList_ReplaceIcon(expected.get(), -1, file.Icon(i).get());
    EXPECT_EQ(win::ListImageAppearance(f.iconSlots.Shown().Handle(), f.lvIcons.ImageIndex(i)),
              win::ListImageAppearance(expected.get(), at))
        << i;
  }
  f.stNav.SetPath("");
}

// A tree large enough that a run over it is still going when a test steps in: 30 sub-folders
// of 20 files, half of them libraries of four icons, half single icons.
class LargeRun : public apptest::FixtureFolderTest {
 protected:
  static void SetUpTestSuite() {
    FixtureFolderTest::SetUpTestSuite();
    tree_ = new fixtures::TempFolder("large");
    for (int d = 0; d < 30; ++d) {
      const std::string dir = tree_->Path() + "d" + std::to_string(100 + d) + "\\";
      CreateDirectoryA(dir.c_str(), nullptr);
      for (int n = 0; n < 20; ++n) {
        const char* from = n % 2 ? "single.ico" : "icons.dll";
        CopyFileA((folder_->Path() + from).c_str(), (dir + std::to_string(100 + n) + from).c_str(), FALSE);
      }
    }
  }
  static void TearDownTestSuite() {
    delete tree_;
    tree_ = nullptr;
    FixtureFolderTest::TearDownTestSuite();
  }
  static std::string Tree() { return WithoutTrailingBackslash(tree_->Path()); }
  static constexpr int kIcons = 30 * (10 * 4 + 10);

  // The window over the tree, its run started and its first entries shown, its reader held
  // before its next file until the test opens gate_; later runs are not held.
  TfrmMainForm& Running(const std::string& fileTypes) {
    TfrmMainForm& f = Open(true, false, fileTypes);
    f.stNav.RefreshAll();
    apptest::WaitForRun(f);
    gate_ = std::make_shared<RunGate>(RunGate::Phase::Reading);
    f.HoldRuns(gate_);
    f.stNav.SetPath(Tree());
    f.HoldRuns(nullptr);
    EXPECT_TRUE(ServeUntil([&] { return f.lvIcons.Count() > 0; }));
    EXPECT_TRUE(f.Extracting());
    return f;
  }
  static inline fixtures::TempFolder* tree_ = nullptr;
  std::shared_ptr<RunGate> gate_;
};

// GDI objects of the process, counted one by one where the system keeps no count (Wine).
long GdiObjects() {
  if (long n = static_cast<long>(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS))) return n;
  long n = 0;
  for (UINT_PTR h = 1; h < 0x10000; ++h)
    if (GetObjectType(reinterpret_cast<HGDIOBJ>(h))) ++n;
  return n;
}

TEST_F(LargeRun, EscStopsTheRunAtOnceInEitherPhase) {
  TfrmMainForm& f = Open(true, false, kDefaultFileTypes);
  f.stNav.RefreshAll();
  apptest::WaitForRun(f);
  StatusRecorder status(f.sbInfo.Handle());
  // While the files are listed: stopped without waiting for the listing's end, nothing shown.
  f.HoldRuns(std::make_shared<RunGate>(RunGate::Phase::Listing));
  f.stNav.SetPath(Tree());
  ASSERT_TRUE(f.Extracting());
  PostMessageA(f.lvIcons.Handle(), WM_KEYDOWN, VK_ESCAPE, 0);
  Application.ProcessMessages();
  EXPECT_FALSE(f.Extracting());
  EXPECT_EQ(status.Texts(), (Strings{"Obtaining Folder Structure...", "0 icons"}));
  EXPECT_EQ(f.lvIcons.Count(), 0);
  EXPECT_EQ(Application.Cursor(), CursorKind::Default);

  // While the files are read: what is shown stays, and the count is of that.
  f.HoldRuns(std::make_shared<RunGate>(RunGate::Phase::Reading));
  f.miRefreshClick(f);
  ASSERT_TRUE(ServeUntil([&] { return f.lvIcons.Count() > 0; }));
  PostMessageA(f.lvIcons.Handle(), WM_KEYDOWN, VK_ESCAPE, 0);
  Application.ProcessMessages();
  EXPECT_FALSE(f.Extracting());
  const int n = f.lvIcons.Count();
  EXPECT_LT(n, kIcons);
  EXPECT_EQ(f.sbInfo.PanelText(0), std::to_string(n) + " icons");
  EXPECT_EQ(f.Icons.Count(), n);
  EXPECT_FALSE(f.Extracting());
}

// The run's first entries are on screen in the frame that takes them, not a showing later.
TEST_F(LargeRun, TheFirstEntriesAreShownAsTheyArrive) {
  TfrmMainForm& f = Open(true, false, kDefaultFileTypes);
  f.stNav.RefreshAll();
  apptest::WaitForRun(f);
  f.HoldRuns(std::make_shared<RunGate>(RunGate::Phase::Reading));
  f.stNav.SetPath(Tree());
  ASSERT_TRUE(ServeUntil([&] { return f.Icons.Count() > 0; }));
  EXPECT_TRUE(f.Extracting());
  EXPECT_EQ(ListView_GetItemCount(f.lvIcons.Handle()), f.Icons.Count());
}

TEST_F(LargeRun, ANewerRunReplacesABusyOlderOne) {
  TfrmMainForm& f = Running(kDefaultFileTypes);
  f.stNav.SetPath(Root() + "\\sub");
  apptest::WaitForRun(f);
  // Whatever the older run's worker still had ready never arrives.
  ServeUntil([] { return false; }, 300);
  EXPECT_EQ(Entries(f), (Strings{"deep.ico#0", "inner.ico#0"}));
  EXPECT_EQ(f.sbInfo.PanelText(0), "2 icons");
  EXPECT_EQ(f.Icons.Count(), 2);
}

// The worker holds icons ready while the window is busy; closing frees them with it.
TEST_F(LargeRun, ClosingDuringARunLeavesNothingBehind) {
  std::vector<long> after;
  for (int round = 0; round < 2; ++round) {
    TfrmMainForm& f = Running(kDefaultFileTypes);
    gate_->Open();
    Sleep(500);  // nothing served meanwhile: the worker fills its queue
    ModalAnswerer boxes;
    PostMessageA(f.Handle(), WM_CLOSE, 0, 0);
    apptest::WaitForRun(f);
    EXPECT_EQ(f.Handle(), nullptr);
    EXPECT_FALSE(f.Extracting());
    EXPECT_EQ(Application.Cursor(), CursorKind::Default);
    EXPECT_TRUE(boxes.Boxes().empty());
    Application.DestroyForms();
    DrainQuit();
    after.push_back(GdiObjects());
  }
  // The first round warms what the platform keeps; a second that left its icons would show
  // two bitmaps for each.
  EXPECT_LT(after[1] - after[0], 100) << after[0] << " then " << after[1];
}

// Types applied in the configuration dialog while a run goes on reach the files it reads later.
TEST_F(LargeRun, OptionsAppliedDuringARunReachItsLaterFiles) {
  TfrmMainForm& f = Running(".DLL");
  Options applied;
  applied.extraction = {true, false, ".ICO", 0};
  OptionsApplied(f, applied);  // as the dialog's Apply does
  Extraction = applied.extraction;
  gate_->Open();
  apptest::WaitForRun(f);
  int libraries = 0, icons = 0;
  for (const std::string& e : Entries(f)) (e.find(".dll#") != std::string::npos ? libraries : icons)++;
  EXPECT_GT(libraries, 0);
  EXPECT_GT(icons, 0);
  EXPECT_EQ(libraries + icons, f.lvIcons.Count());
}

}  // namespace
