// Save As in its four kinds through the real folder chooser, name clashes, the error box for a
// destination that cannot take files, and Copy of the focused entry.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>

#include "AppTestSupport.h"
#include "FolderChooserAnswerer.h"
#include "ModalAnswerer.h"
#include "SavedFiles.h"
#include "export/Clipbrd.h"
#include "export/Graphics.h"
#include "export/SaveImage.h"
#include "fixtures/IconFixtures.h"
#include "win/Dib.h"

using ui::Application;
using ui::CursorKind;

namespace {

using saved::Int32At;
using saved::Listing;
using saved::ReadAll;

// Top-down 32-bit pixels of a bitmap.
std::vector<uint32_t> Pixels(HBITMAP bitmap) {
  BITMAPINFO bi = win::TopDown32(32, 32);
  std::vector<uint32_t> pixels(32 * 32);
  win::UniqueDC dc(CreateCompatibleDC(nullptr));
  GetDIBits(dc.get(), bitmap, 0, 32, pixels.data(), &bi, DIB_RGB_COLORS);
  return pixels;
}

std::vector<uint32_t> SlotPixels(TfrmMainForm& f, int entry) {
  TBitmap bitmap;
  RenderSlotToBitmap(f.Icons.Handle(), f.lvIcons.ImageIndex(entry), &bitmap);
  win::UniqueBitmap copy(CopyBitmapForClipboard(bitmap));
  return Pixels(copy.get());
}

class SaveAndCopy : public apptest::MainWindowTest {
 protected:
  static void SetUpTestSuite() {
    source_ = new fixtures::TempFolder("src");
    fixtures::MakeIconFixtureFolder(source_->Path());
  }
  static void TearDownTestSuite() {
    delete source_;
    source_ = nullptr;
  }
  // gaps.dll 0, 2, 3; icons.dll 0 to 3; LIBRARY.DLL 0 to 3.
  TfrmMainForm& OpenWithLibraries() {
    TfrmMainForm& f = Open(false, false, ".dll");
    f.stNav.SetPath(source_->Path());
    apptest::WaitForRun(f);
    EXPECT_EQ(f.lvIcons.Count(), 11);
    return f;
  }
  // Runs a save command with the chooser answered by picking folder (Cancel when empty).
  static void SaveTo(const std::string& folder, const std::function<void()>& command,
                     const std::function<void()>& whilePicked = nullptr) {
    DialogAnswerer answer(
        "Save image(s) to:",
        [&](HWND dialog) {
          if (folder.empty()) return;
          SelectPath(dialog, folder);
          if (whilePicked) whilePicked();
        },
        folder.empty() ? IDCANCEL : IDOK);
    command();
    ASSERT_NE(answer.seen.dialog, nullptr) << "the folder chooser never showed";
    EXPECT_TRUE(answer.seen.titleShown);
  }
  static fixtures::TempFolder* source_;
};
fixtures::TempFolder* SaveAndCopy::source_ = nullptr;

TEST_F(SaveAndCopy, EachKindSavesTheSelectionUnderFreeNames) {
  ModalAnswerer boxes;
  TfrmMainForm& f = OpenWithLibraries();
  f.lvIcons.SetSelected(1, true);  // gaps.dll, index 2
  f.lvIcons.SetSelected(3, true);  // icons.dll, index 0
  fixtures::TempFolder dest("dest");
  // A folder of the wanted name is a clash like a file.
  ASSERT_TRUE(CreateDirectoryA((dest.Path() + "gaps2.ico").c_str(), nullptr));

  SaveTo("", [&] { f.tbSave.Click(); });
  EXPECT_EQ(Listing(dest.Path()), std::vector<std::string>{"gaps2.ico/"});
  EXPECT_EQ(Application.Cursor(), CursorKind::Default);

  SaveTo(dest.Path(), [&] { f.tbSave.Click(); });
  SaveTo(dest.Path(), [&] { f.pmiSIcon2.Click(); });
  SaveTo(dest.Path(), [&] { f.miBmp.Click(); });
  SaveTo(dest.Path(), [&] { f.pmiSbmp.Click(); });
  EXPECT_TRUE(boxes.Boxes().empty());
  EXPECT_EQ(Application.Cursor(), CursorKind::Default);
  EXPECT_EQ(Listing(dest.Path()), (std::vector<std::string>{"__gaps2.ico", "_gaps2.bmp", "_gaps2.ico", "_icons0.bmp",
                                                            "_icons0.ico", "gaps2.bmp", "gaps2.ico/", "icons0.bmp",
                                                            "icons0.ico"}));
  EXPECT_EQ(ReadAll(dest.Path() + "_gaps2.ico").size(), 766u);
  EXPECT_EQ(ReadAll(dest.Path() + "icons0.ico").size(), 766u);
  EXPECT_EQ(ReadAll(dest.Path() + "__gaps2.ico").size(), 318u);
  EXPECT_EQ(ReadAll(dest.Path() + "_icons0.ico").size(), 318u);
  for (auto [name, size] : {std::pair{"gaps2.bmp", 32}, {"icons0.bmp", 32}, {"_gaps2.bmp", 16}, {"_icons0.bmp", 16}}) {
    std::vector<uint8_t> b = ReadAll(dest.Path() + name);
    ASSERT_GE(b.size(), 54u) << name;
    EXPECT_EQ(b[0], 'B') << name;
    EXPECT_EQ(Int32At(b, 18), size) << name;
    EXPECT_EQ(Int32At(b, 22), size) << name;
  }
}

// Names in every script, saved to a folder named in another script chosen in the chooser: each
// file carries its entry's name; of two names that differ only in case the later entry's gets
// the underscore, as any clash does.
TEST_F(SaveAndCopy, NamesInEveryScriptAreSavedUnderTheirOwnNames) {
  ModalAnswerer boxes;
  fixtures::TempFolder dir("names"), out("dest");
  const std::vector<std::string> made = fixtures::MakeNamesInEveryScript(dir.Path());
  const std::string dest = out.Path() + "出力";
  ASSERT_TRUE(CreateDirectoryA(dest.c_str(), nullptr));
  TfrmMainForm& f = Open(true, false, ".ico");
  f.stNav.RefreshAll();
  f.stNav.SetPath(dir.Path());
  apptest::WaitForRun(f);
  ASSERT_EQ(f.lvIcons.Count(), static_cast<int>(made.size()));
  f.miSelAllClick(f);
  SaveTo(dest, [&] { f.tbSave.Click(); });
  EXPECT_TRUE(boxes.Boxes().empty());

  int upper = -1, lower = -1;
  for (int i = 0; i < f.lvIcons.Count(); ++i) {
    if (f.lvIcons.Caption(i) == "Écran.ico") upper = i;
    if (f.lvIcons.Caption(i) == "écran.ico") lower = i;
  }
  ASSERT_TRUE(upper >= 0 && lower >= 0);
  const std::string later = upper > lower ? "Écran0.ico" : "écran0.ico";
  std::vector<std::string> want;
  for (const std::string& name : made) {
    const std::string saved = OutputFileName(name.substr(name.rfind('\\') + 1), "0", ".ico");
    want.push_back(saved == later ? "_" + saved : saved);
  }
  std::sort(want.begin(), want.end());
  EXPECT_EQ(Listing(dest + "\\"), want);
}

TEST_F(SaveAndCopy, DestinationThatCannotTakeFilesShowsTheErrorAndStops) {
  ModalAnswerer boxes;
  TfrmMainForm& f = OpenWithLibraries();
  f.lvIcons.SetSelected(0, true);
  f.lvIcons.SetSelected(4, true);
  fixtures::TempFolder parent("gone");
  const std::string gone = parent.Path() + "Gone";
  ASSERT_TRUE(CreateDirectoryA(gone.c_str(), nullptr));
  // The folder vanishes while the chooser still shows it.
  SaveTo(gone, [&] { f.miIconClick(f); }, [&] { RemoveDirectoryA(gone.c_str()); });
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].caption, "Error!");
  const std::string want = "Cannot save to " + gone + "\\.  Please select another destination.";
  EXPECT_EQ(_stricmp(boxes.Boxes()[0].text.c_str(), want.c_str()), 0) << boxes.Boxes()[0].text;
  EXPECT_TRUE(Listing(parent.Path()).empty());
  EXPECT_EQ(Application.Cursor(), CursorKind::Default);

  // A save failing after its file was made: files saved before stay, the failed one goes,
  // and nothing after it is saved.
  const int bogus = f.lvIcons.AddItem("bogus.dll", 999);
  f.lvIcons.SetSubItem(bogus, 1, "0");
  f.lvIcons.SetSelected(bogus, true);
  const int after = f.lvIcons.AddItem("later.dll", 0);
  f.lvIcons.SetSubItem(after, 1, "0");
  f.lvIcons.SetSelected(after, true);
  fixtures::TempFolder dest("partial");
  SaveTo(dest.Path(), [&] { f.miIconClick(f); });
  ASSERT_EQ(boxes.Boxes().size(), 2u);
  EXPECT_EQ(_stricmp(boxes.Boxes()[1].text.c_str(),
                     ("Cannot save to " + dest.Path() + ".  Please select another destination.").c_str()),
            0)
      << boxes.Boxes()[1].text;
  EXPECT_EQ(Listing(dest.Path()), (std::vector<std::string>{"gaps0.ico", "icons1.ico"}));
}

// File > Contact Sheet...: the edge asked first, then the file; every listed entry drawn when
// none is selected, else the selection, each set beside the last under names of its own.
TEST_F(SaveAndCopy, ContactSheetDrawsTheSelectionOrEveryListedEntry) {
  ModalAnswerer boxes;
  TfrmMainForm& f = OpenWithLibraries();
  EXPECT_EQ(f.miSheet.GetAction(), &f.actSheet);
  fixtures::TempFolder dest("sheet");
  // The save dialog offers icons.png in the current folder, which the answerer takes.
  char before[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, before);
  ASSERT_TRUE(SetCurrentDirectoryA(dest.Path().c_str()));
  f.miSheet.Click();
  f.lvIcons.SetSelected(1, true);
  f.lvIcons.SetSelected(3, true);
  f.miSheet.Click();
  SetCurrentDirectoryA(before);
  std::vector<std::string> captions;
  for (const AnsweredBox& box : boxes.Boxes()) captions.push_back(box.caption + ": " + box.text);
  ASSERT_EQ(boxes.Boxes().size(), 6u) << testing::PrintToString(captions);
  EXPECT_EQ(boxes.Boxes()[2].caption, "Saved");
  EXPECT_NE(boxes.Boxes()[2].text.find("11 icons"), std::string::npos) << boxes.Boxes()[2].text;
  EXPECT_EQ(Listing(dest.Path()), (std::vector<std::string>{"_icons.csv", "_icons.png", "icons.csv", "icons.png"}));
  for (auto [name, rows] : {std::pair{"icons.csv", 11}, {"_icons.csv", 2}}) {
    const std::vector<uint8_t> csv = ReadAll(dest.Path() + name);
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 1 + rows) << name;
  }
  const std::vector<uint8_t> two = ReadAll(dest.Path() + "_icons.csv");
  EXPECT_NE(std::string(two.begin(), two.end()).find(source_->Path() + "gaps.dll,2,"), std::string::npos);
}

TEST_F(SaveAndCopy, CopyTakesTheFocusedEntryOnly) {
  TfrmMainForm& f = OpenWithLibraries();
  ListView_SetItemState(f.lvIcons.Handle(), -1, 0, LVIS_FOCUSED);
  f.lvIcons.SetSelected(0, true);
  f.lvIcons.SetSelected(5, true);  // icons.dll, index 2
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  CloseClipboard();
  // Selected entries but none focused: nothing is copied.
  SendMessageA(f.Handle(), WM_COMMAND, MAKEWPARAM(f.miCopy.Command(), 0), 0);
  EXPECT_FALSE(IsClipboardFormatAvailable(CF_BITMAP));

  f.lvIcons.SetFocused(5);
  f.lvIcons.SetSelected(5, false);  // focused but no longer selected: still the one copied
  SendMessageA(f.Handle(), WM_COMMAND, MAKEWPARAM(f.miCopy.Command(), 0), 0);
  ASSERT_TRUE(OpenClipboard(nullptr));
  auto data = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
  ASSERT_NE(data, nullptr);
  BITMAP bm{};
  GetObjectA(data, sizeof bm, &bm);
  EXPECT_EQ(bm.bmWidth, 32);
  EXPECT_EQ(bm.bmHeight, 32);
  std::vector<uint32_t> copied = Pixels(data);
  // Beside the bitmap, the same with its alpha, and the PNG of its 32-bit image.
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_DIBV5));
  EXPECT_TRUE(IsClipboardFormatAvailable(PngClipboardFormat()));
  CloseClipboard();
  ASSERT_NE(SlotPixels(f, 5), SlotPixels(f, 0)) << "the two entries should look different";
  EXPECT_EQ(copied, SlotPixels(f, 5));
}

}  // namespace
