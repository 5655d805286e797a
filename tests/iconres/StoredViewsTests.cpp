// What each icon stores, shown and used: the Sizes column, the list's tip, the preview pane,
// the size filter and hidden duplicates, in the real window over our own icon files.
#include <gtest/gtest.h>

#include "AppTestSupport.h"
#include "CorpusSupport.h"
#include "extract/Locations.h"
#include "extract/StoredImages.h"
#include "iconres/IconFile.h"

using apptest::Entries;

namespace {

using Strings = std::vector<std::string>;

std::string NoSlash(std::string path) {
  if (path.back() == '\\') path.pop_back();
  return path;
}

class StoredViews : public apptest::MainWindowTest {
 protected:
  void TearDown() override {
    Extraction.minSize = 0;
    apptest::MainWindowTest::TearDown();
  }
  static void CloseAndForget(TfrmMainForm& f) {
    f.Close();
    ui::Application.DestroyForms();
    DrainQuit();
  }
  // Asks the list for an entry's tip as the control does when the pointer rests on it.
  static std::string TipOf(TfrmMainForm& f, int item) {
    char buffer[INFOTIPSIZE] = "";
    NMLVGETINFOTIPA tip{};
    tip.hdr = {f.lvIcons.Handle(), static_cast<UINT_PTR>(GetDlgCtrlID(f.lvIcons.Handle())), LVN_GETINFOTIPA};
    tip.pszText = buffer;
    tip.cchTextMax = sizeof buffer;
    tip.iItem = item;
    SendMessageA(GetParent(f.lvIcons.Handle()), WM_NOTIFY, tip.hdr.idFrom, reinterpret_cast<LPARAM>(&tip));
    return buffer;
  }
};

TEST_F(StoredViews, SizesTipAndPreviewShowEveryStoredImageLargestFirst) {
  fixtures::TempFolder folder("sizes");
  const std::string file = folder.Path() + "sizes.dll";
  ASSERT_TRUE(CopyFileA((corpus::Folder("good") + "sizes.dll").c_str(), file.c_str(), FALSE));
  TfrmMainForm& f = Open(false, true, kDefaultFileTypes);
  f.stNav.SetPath(NoSlash(folder.Path()));
  apptest::WaitForRun(f);
  ASSERT_EQ(Entries(f), Strings{"sizes.dll#0"});
  f.actDetails.Execute();
  EXPECT_EQ(f.lvIcons.SubItem(0, 2), "256, 48, 32, 16");
  // With the group's id and language from the file, and its location.
  EXPECT_EQ(TipOf(f, 0), file + "\r\nIcon index 0, resource 1, language 1033\r\nLocation " +
                             location::TextOf(file, 0) +
                             "\r\n256 x 256, 32-bit, PNG\r\n48 x 48, 32-bit\r\n32 x 32, 32-bit\r\n16 x 16, 32-bit");
  EXPECT_EQ(f.lvIcons.SubItem(0, 4), "1");

  // The pane decodes the focused icon only once it is shown.
  f.lvIcons.SetFocused(0);
  EXPECT_TRUE(f.pnlPreview.Pictures().empty());
  f.actPreview.Execute();
  const auto& pictures = f.pnlPreview.Pictures();
  ASSERT_EQ(pictures.size(), 4u);
  const int edges[] = {256, 48, 32, 16};
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(pictures[i].width, edges[i]) << i;
    EXPECT_EQ(pictures[i].height, edges[i]) << i;
    EXPECT_TRUE(pictures[i].shown) << i;
  }
  EXPECT_EQ(pictures[0].label, "256 x 256, 32-bit, PNG");
  EXPECT_EQ(pictures[3].label, "16 x 16, 32-bit");
  EXPECT_EQ(f.pnlPreview.Heading(), "Location " + location::TextOf(file, 0));
  // The 256 x 256 image and its label do not fit in the pane: it scrolls.
  EXPECT_GT(f.pnlPreview.ContentSize().cy, f.pnlPreview.Height());
  EXPECT_TRUE(GetWindowLongA(f.pnlPreview.Handle(), GWL_STYLE) & WS_VSCROLL);
}

TEST_F(StoredViews, AnImageThePlatformRefusesIsLabelledAlone) {
  // The PNG image's chunks are whole and their sums sound, but its pixel data is no image.
  const std::string broken = corpus::Folder("damaged") + "tiny_ico_pngsum2_0.ico";
  const iconres::IconFile file = iconres::LoadIconFile(broken, "");
  ASSERT_EQ(file.Count(), 1u);
  TfrmMainForm& f = Open(false, true, kDefaultFileTypes);
  f.actPreview.Execute();
  f.pnlPreview.ShowIcon(file, 0);
  const auto& pictures = f.pnlPreview.Pictures();
  ASSERT_EQ(pictures.size(), 3u);
  for (const auto& p : pictures) EXPECT_EQ(p.shown, p.label != "16 x 16, 32-bit, PNG") << p.label;
  // Painting it draws the label with what happened.
  UpdateWindow(f.pnlPreview.Handle());
}

TEST_F(StoredViews, PreviewPaneTogglesAndKeepsItsStateAndHeight) {
  TfrmMainForm& f = Open(false, true, kDefaultFileTypes);
  EXPECT_FALSE(f.pnlPreview.Visible());
  const int listHeight = f.lvIcons.Height();
  f.actPreview.Execute();
  for (ui::MenuItem* item : {&f.miPreview, &f.pmiPreview, &f.pmiPreview2}) EXPECT_TRUE(item->Checked()) << item->Name();
  ASSERT_TRUE(f.pnlPreview.Visible() && f.Splitter2.Visible());
  EXPECT_EQ(f.lvIcons.Height(), listHeight - f.pnlPreview.Height() - f.Splitter2.Height());
  // The splitter above the pane drags its height.
  f.Splitter2.ProposeSize(120);
  EXPECT_EQ(f.pnlPreview.Height(), 120);
  EXPECT_EQ(f.lvIcons.Height(), listHeight - 120 - f.Splitter2.Height());
  CloseAndForget(f);

  TfrmMainForm& again = Open(false, true, kDefaultFileTypes);
  EXPECT_TRUE(again.actPreview.Checked());
  EXPECT_TRUE(again.pnlPreview.Visible());
  EXPECT_EQ(again.pnlPreview.Height(), 120);
  again.actPreview.Execute();
  EXPECT_FALSE(again.pnlPreview.Visible() || again.Splitter2.Visible());
  EXPECT_EQ(again.lvIcons.Height(), listHeight);
}

// Cursors in the window: .cur and .ani files listed as one entry each; a program's cursors
// when View > Include Cursors is checked (kept, off by default), with their Type, tip and
// preview.
TEST_F(StoredViews, CursorsAreListedWithTheirTypeHotspotsAndFrames) {
  fixtures::TempFolder folder("cursors");
  for (const char* name : {"pointer.cur", "spinner.ani", "cursors64.dll"})
    ASSERT_TRUE(CopyFileA((corpus::Folder("good") + name).c_str(), (folder.Path() + name).c_str(), FALSE));
  TfrmMainForm& f = Open(false, true, kDefaultFileTypes);
  EXPECT_FALSE(f.actCursors.Checked());
  f.stNav.SetPath(NoSlash(folder.Path()));
  apptest::WaitForRun(f);
  EXPECT_EQ(Entries(f), (Strings{"cursors64.dll#0", "pointer.cur#0", "spinner.ani#0"}));
  for (ui::MenuItem* item : {&f.miCursors, &f.pmiCursors}) EXPECT_EQ(item->GetAction(), &f.actCursors);
  f.actCursors.Execute();
  apptest::WaitForRun(f);
  EXPECT_TRUE(f.actCursors.Checked());
  EXPECT_EQ(Entries(f), (Strings{"cursors64.dll#0", "cursors64.dll#cursor 0", "cursors64.dll#cursor 1",
                                 "cursors64.dll#cursor 2", "cursors64.dll#cursor 3", "pointer.cur#0", "spinner.ani#0"}));
  f.actDetails.Execute();
  EXPECT_EQ(f.lvIcons.SubItem(0, 3), "Icon");
  EXPECT_EQ(f.lvIcons.SubItem(1, 3), "Cursor");
  EXPECT_EQ(f.lvIcons.SubItem(4, 3), "Animated cursor, 3 frames");
  EXPECT_EQ(TipOf(f, 5), folder.Path() + "pointer.cur\r\nCursor, index 0\r\nLocation " + folder.Path() +
                             "pointer.cur,0\r\n48 x 48, 32-bit, hotspot 6, 9\r\n"
                             "32 x 32, 32-bit, hotspot 4, 6\r\n32 x 32, 1-bit, hotspot 4, 6");

  // The preview marks the hotspot and plays the animation while it is shown.
  f.lvIcons.SetFocused(6);
  f.actPreview.Execute();
  const auto& pictures = f.pnlPreview.Pictures();
  ASSERT_EQ(pictures.size(), 1u);
  EXPECT_TRUE(pictures[0].cursor);
  EXPECT_EQ(pictures[0].label, "32 x 32, 4-bit, hotspot 16, 16");
  ASSERT_EQ(f.pnlPreview.Steps().size(), 4u);
  EXPECT_EQ(f.pnlPreview.Steps()[2].milliseconds, 500u);
  SendMessageA(f.pnlPreview.Handle(), WM_TIMER, 1, 0);
  EXPECT_EQ(f.pnlPreview.Step(), 1u);
  f.actPreview.Execute();
  EXPECT_EQ(f.pnlPreview.Step(), 0u);
  CloseAndForget(f);
  // Kept for the next start.
  TfrmMainForm& again = Open(false, true, kDefaultFileTypes);
  EXPECT_TRUE(again.actCursors.Checked());
}

TEST_F(StoredViews, SizeFilterListsOnlyIconsWithALargeEnoughImage) {
  TfrmMainForm& f = Open(false, true, kDefaultFileTypes);
  std::vector<int> counts;
  for (int minSize : {0, 48, 256}) {
    Extraction.minSize = minSize;
    f.stNav.SetPath(NoSlash(corpus::Folder("good")));
    f.miRefreshClick(f);
    apptest::WaitForRun(f);
    counts.push_back(f.lvIcons.Count());
    if (minSize != 256) continue;
    for (int i = 0; i < f.lvIcons.Count(); ++i) EXPECT_EQ(f.lvIcons.SubItem(i, 2).substr(0, 4), "256,") << i;
  }
  // The cursor files are listed as one entry each, filtered by their images as icons are.
  EXPECT_EQ(counts, (std::vector<int>{26, 12, 5}));
}

TEST_F(StoredViews, HideDuplicateIconsListsEachIconOnceAndSaysHowManyItHid) {
  fixtures::TempFolder folder("dups");
  for (const char* copy : {"a.dll", "b.dll", "c.dll"})
    ASSERT_TRUE(CopyFileA((corpus::Folder("good") + "lib32.dll").c_str(), (folder.Path() + copy).c_str(), FALSE));
  ASSERT_TRUE(CopyFileA((corpus::Folder("good") + "mono.ico").c_str(), (folder.Path() + "mono.ico").c_str(), FALSE));
  TfrmMainForm& f = Open(false, true, kDefaultFileTypes);
  f.actUnique.Execute();
  EXPECT_TRUE(f.miUnique.Checked());
  f.stNav.SetPath(NoSlash(folder.Path()));
  apptest::WaitForRun(f);
  EXPECT_EQ(Entries(f), (Strings{"a.dll#0", "a.dll#1", "a.dll#2", "a.dll#3", "a.dll#4", "mono.ico#0"}));
  EXPECT_EQ(f.sbInfo.PanelText(0), "6 icons, 10 duplicates hidden");
  // Turning it off lists every icon again at once.
  f.actUnique.Execute();
  apptest::WaitForRun(f);
  EXPECT_EQ(f.lvIcons.Count(), 16);
  EXPECT_EQ(f.sbInfo.PanelText(0), "16 icons");
  f.actUnique.Execute();
  apptest::WaitForRun(f);
  CloseAndForget(f);
  EXPECT_TRUE(Open(false, true, kDefaultFileTypes).actUnique.Checked());
}

TEST(StoredImagesDuplicates, OnlyTheSameBytesMakeAnIconTheSame) {
  // Every group of the corpus's files differs from every other; each file read twice repeats.
  storedimages::DuplicateIcons seen([](const std::string& path) { return iconres::LoadIconFile(path, ""); });
  size_t groups = 0;
  for (int pass = 0; pass < 2; ++pass)
    for (const std::string& name : corpus::FilesIn(corpus::Folder("good"))) {
      const std::string path = corpus::Folder("good") + name;
      const iconres::IconFile file = iconres::LoadIconFile(path, "");
      for (size_t i = 0; i < file.Count(); ++i) {
        EXPECT_EQ(seen.Repeats(path, file, i), pass == 1) << name << " " << i;
        if (pass == 0) ++groups;
      }
    }
  EXPECT_EQ(seen.Hidden(), static_cast<int>(groups));
}

}  // namespace
