// Type filter, name part, path shortening with a real font, and the entry order of the icon list.
#include <gtest/gtest.h>

#include <algorithm>

#include "extract/CaptionOrder.h"
#include "extract/ExtractHelpers.h"
#include "fixtures/IconFixtures.h"
#include "win/Handles.h"
#include "win/LongPath.h"
#include "win/PathText.h"
#include "win/Text.h"

namespace {

const char kDefaultTypes[] = ".EXE.DLL.ICO.CUR.OCX.VBX.CPL.ANI.DRV.BIN.SCR.ICL";

TEST(TypeFilter, ExtensionIsASubstringOfTheLowerCasedTypeList) {
  struct Case {
    const char* file;
    const char* types;
    bool all;
    bool examined;
  };
  const Case cases[] = {
      {"C:\\a\\prog.exe", kDefaultTypes, false, true},
      {"C:\\a\\PROG.EXE", kDefaultTypes, false, true},
      {"C:\\a\\Shell.Icl", kDefaultTypes, false, true},
      {"C:\\a\\prog.ex", kDefaultTypes, false, true},  // leading piece of ".exe"
      {"C:\\a\\prog.e", kDefaultTypes, false, true},
      {"C:\\a\\notes.txt", kDefaultTypes, false, false},
      {"C:\\a\\README", kDefaultTypes, false, false},
      {"C:\\dir.dll\\README", kDefaultTypes, false, false},  // period belongs to the folder
      {"C:prog.exe", kDefaultTypes, false, true},
      {"C:\\a\\prog.exe", "", false, false},
      {"C:\\a\\notes.txt", "", true, true},
      {"C:\\a\\README", kDefaultTypes, true, true},
      {"C:\\a\\archive.tar.gz", ".GZ", false, true},
      {"C:\\a\\\xC4PP.\xC4XE", ".\xE4xe", false, false},  // only A to Z are lowered
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PassesTypeFilter(c.file, c.types, c.all), c.examined) << c.file << " in '" << c.types << "'";
  }
  EXPECT_EQ(pathtext::Extension("C:\\dir.d\\file"), "");
  EXPECT_EQ(pathtext::Extension("C:\\a\\b.tar.GZ"), ".GZ");
  EXPECT_EQ(LowerAsciiLetters("AbZ\xC4"), "abz\xC4");
}

TEST(PathText, NamePartFollowsLastBackslashOrColon) {
  EXPECT_EQ(pathtext::NamePart("C:\\Windows\\notepad.exe"), "notepad.exe");
  EXPECT_EQ(pathtext::NamePart("C:shell32.dll"), "shell32.dll");
  EXPECT_EQ(pathtext::NamePart("plain.ico"), "plain.ico");
  EXPECT_EQ(pathtext::NamePart("C:\\folder\\"), "");
}

TEST(PathText, TrailingBackslashCountsWholeCharactersOnly) {
  EXPECT_EQ(pathtext::WithTrailingBackslash("C:\\x"), "C:\\x\\");
  EXPECT_EQ(pathtext::WithTrailingBackslash("C:\\x\\"), "C:\\x\\");
  EXPECT_EQ(pathtext::WithTrailingBackslash("C:"), "C:\\");
  // In Shift-JIS 0x95 0x5C is one character whose trail byte is the backslash code.
  const std::string kanji = "C:\\\x95\x5c";
  EXPECT_EQ(pathtext::WithTrailingBackslash(kanji, 932), kanji + "\\");
  EXPECT_EQ(pathtext::WithTrailingBackslash(kanji + "\\", 932), kanji + "\\");
  EXPECT_EQ(pathtext::WithTrailingBackslash(kanji, 1252), kanji);
}

TEST(LongPaths, PastTheOldLimitPathsTakeTheLongFormLocalAndNetworkAlike) {
  const std::string tail = "\\" + std::string(300, 'x') + "\\a.dll";
  EXPECT_EQ(win::FilePath("C:\\short\\a.dll"), L"C:\\short\\a.dll");
  EXPECT_EQ(win::FilePath("C:" + tail), L"\\\\?\\C:" + win::Widen(tail));
  EXPECT_EQ(win::FilePath("\\\\server\\share" + tail), L"\\\\?\\UNC\\server\\share" + win::Widen(tail));
  // Resolved as the system resolves a short path, since the long form takes every name literally.
  EXPECT_EQ(win::FilePath("C:" + tail + "\\..\\b.dll"), L"\\\\?\\C:\\" + std::wstring(300, L'x') + L"\\b.dll");
}

// A file given by short names (as a program may pass it) takes the long form the listing names
// it by, also where that passes the old limit.
TEST(LongPaths, AFileByItsShortNamesTakesItsLongFormAtAnyDepth) {
  fixtures::TempFolder dir("long");
  const fixtures::DeepTree tree(dir.Path(), fixtures::ProgramFolder() + "iconfixture_base.dll");
  const std::string file = tree.Bottom() + "bottom.dll";
  std::string longer = tree.Top(), shorter = tree.Top();
  for (size_t at = longer.size(); at < file.size();) {
    const size_t end = std::min(file.find('\\', at), file.size());
    longer = file.substr(0, end);
    WIN32_FIND_DATAW found{};
    const win::UniqueFind find(FindFirstFileW(win::FilePath(longer).c_str(), &found));
    ASSERT_TRUE(find) << longer;
    shorter += win::Narrow(found.cAlternateFileName[0] ? found.cAlternateFileName : found.cFileName);
    if (end < file.size()) shorter += "\\";
    at = end + 1;
  }
  ASSERT_LT(shorter.size(), size_t{MAX_PATH});
  ASSERT_GT(file.size(), size_t{MAX_PATH});
  EXPECT_EQ(win::LongPathName(shorter), file);
  EXPECT_EQ(win::LongPathName(file), file);
  EXPECT_EQ(win::LongPathName(tree.Top() + "missing.dll"), tree.Top() + "missing.dll");
}

TEST(UnreadableFiles, TheTipNamesTheFirstFiveAndCountsTheRest) {
  EXPECT_EQ(UnreadableText(0), "");
  EXPECT_EQ(UnreadableText(1), "1 file could not be read");
  EXPECT_EQ(UnreadableText(7), "7 files could not be read");
  const std::vector<std::string> files = {"a", "b", "c", "d", "e", "f", "g"};
  EXPECT_EQ(UnreadableTip(files), "a\r\nb\r\nc\r\nd\r\ne\r\nand 2 more");
  EXPECT_EQ(UnreadableTip({"a"}), "a");
}

TEST(PathShortening, DropFirstFolderSteps) {
  auto drop = [](std::string dir) {
    DropFirstFolder(dir);
    return dir;
  };
  EXPECT_EQ(drop("\\Windows\\System32\\"), "\\...\\System32\\");
  EXPECT_EQ(drop("\\...\\System32\\"), "\\...\\");
  EXPECT_EQ(drop("\\...\\"), "\\");
  EXPECT_EQ(drop("...\\"), "");
  EXPECT_EQ(drop("\\"), "");
  EXPECT_EQ(drop("a\\b\\"), "...\\b\\");
  EXPECT_EQ(drop("last"), "");
  // A folder named with a leading period is dropped like any other, one at a time.
  EXPECT_EQ(drop("\\.a\\b\\c\\"), "\\...\\b\\c\\");
}

class FitPath : public testing::Test {
 protected:
  void SetUp() override {
    font_.reset(CreateFontA(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Tahoma"));
    ASSERT_TRUE(font_);
    dc_.reset(CreateCompatibleDC(nullptr));
    select_ = std::make_unique<win::SelectInDC>(dc_.get(), font_.get());
  }
  void TearDown() override { select_.reset(); }
  // The width the text is drawn at: the program's texts (UTF-8) drawn as wide text.
  int Width(const std::string& text) {
    const std::wstring wide = win::Widen(text);
    SIZE size{};
    GetTextExtentPoint32W(dc_.get(), wide.c_str(), static_cast<int>(wide.size()), &size);
    return size.cx;
  }
  win::UniqueFont font_;
  win::UniqueDC dc_;
  std::unique_ptr<win::SelectInDC> select_;
};

TEST_F(FitPath, StopsAtTheFirstStepThatFits) {
  const std::vector<std::string> ascii = {
      "C:\\Windows\\System32\\drivers\\etc\\hosts", "C:\\...\\System32\\drivers\\etc\\hosts",
      "C:\\...\\drivers\\etc\\hosts", "C:\\...\\etc\\hosts", "C:\\...\\hosts", "...\\hosts", "hosts"};
  // Names in other scripts are measured as they are drawn, character by character.
  const std::vector<std::string> scripts = {
      "C:\\Ключи\\日本語の名前\\Ελληνικά\\café😀.ico", "C:\\...\\日本語の名前\\Ελληνικά\\café😀.ico",
      "C:\\...\\Ελληνικά\\café😀.ico", "C:\\...\\café😀.ico", "...\\café😀.ico", "café😀.ico"};
  for (const auto& steps : {ascii, scripts}) {
    for (size_t i = 0; i < steps.size(); ++i) {
      const int w = Width(steps[i]);
      ASSERT_GT(w, 0);
      EXPECT_EQ(FitPathToWidth(steps[0], font_.get(), w), steps[i]) << "width " << w;
      if (i + 1 < steps.size()) {
        ASSERT_LT(Width(steps[i + 1]), w);
        EXPECT_EQ(FitPathToWidth(steps[0], font_.get(), w - 1), steps[i + 1]) << "width " << w - 1;
      }
    }
  }
  // Nothing left to remove: the bare name comes back even when it is too wide.
  EXPECT_EQ(FitPathToWidth(ascii[0], font_.get(), 1), "hosts");
  EXPECT_EQ(FitPathToWidth("hosts", font_.get(), 1), "hosts");
  EXPECT_EQ(FitPathToWidth("C:\\short", font_.get(), 1000), "C:\\short");
}

TEST(PathShortening, PathsWithoutDriveLetter) {
  auto length = [](const std::string& s) { return static_cast<int>(s.size()); };
  EXPECT_EQ(FitPathToWidth("\\Users\\me\\file.ico", length, 14), "\\...\\file.ico");
  EXPECT_EQ(FitPathToWidth("\\Users\\me\\file.ico", length, 12), "...\\file.ico");
  EXPECT_EQ(FitPathToWidth("Users\\me\\file.ico", length, 15), "...\\me\\file.ico");
  EXPECT_EQ(FitPathToWidth("C:file.ico", length, 8), "file.ico");
}

TEST(IconEntryOrder, CaptionsByLstrcmpThenOrderOfAddition) {
  struct Entry {
    std::string caption;
    int slot;
  };
  std::vector<Entry> entries = {{"shell.dll", 0}, {"b.ico", 1}, {"shell.dll", 2}, {"A.ico", 3},
                                {"Shell.dll", 4}, {"shell.dll", 5}, {"a.ico", 6}};
  std::sort(entries.begin(), entries.end(), [](const Entry& x, const Entry& y) {
    return CompareIconEntries(x.caption, x.slot, y.caption, y.slot) < 0;
  });
  std::vector<std::string> order;
  for (const Entry& e : entries) order.push_back(e.caption + "#" + std::to_string(e.slot));
  EXPECT_EQ(order, (std::vector<std::string>{"a.ico#6", "A.ico#3", "b.ico#1", "shell.dll#0", "shell.dll#2",
                                             "shell.dll#5", "Shell.dll#4"}));
}

// The order a run keeps as it lists, a file's icons at a time, is the order the entries sort into.
TEST(IconEntryOrder, KeptAsTheRunListsItIsTheSortedOrder) {
  const std::vector<std::string> captions = {"shell.dll", "shell.dll", "b.ico",  "Shell.dll", "A.ico",
                                             "shell.dll", "a.ico",     "a.ico",  "b.ico",     "zeta.exe"};
  CaptionOrder kept;
  for (const std::string& caption : captions) kept.Append(caption);
  std::vector<int> sorted(captions.size());
  for (int i = 0; i < static_cast<int>(sorted.size()); ++i) sorted[static_cast<size_t>(i)] = i;
  std::sort(sorted.begin(), sorted.end(), [&](int x, int y) {
    return CompareIconEntries(captions[static_cast<size_t>(x)], x, captions[static_cast<size_t>(y)], y) < 0;
  });
  for (const int taken : {10, 6}) {
    std::vector<int> expected;
    for (const int i : sorted)
      if (i < taken) expected.push_back(i);
    const std::vector<int> ranks = kept.Ranks(taken);
    ASSERT_EQ(ranks.size(), static_cast<size_t>(taken));
    std::vector<int> byRank(ranks.size());
    for (int i = 0; i < taken; ++i) byRank[static_cast<size_t>(ranks[static_cast<size_t>(i)])] = i;
    EXPECT_EQ(byRank, expected) << taken;
  }
  EXPECT_TRUE(kept.Ranks(11).empty());
}

// A text cut to fit a buffer keeps whole characters: under UTF-8 a two-byte letter that would
// cross the limit is left out entirely.
TEST(TextCut, KeepsWholeCharacters) {
  if (!win::AnsiIsUtf8()) GTEST_SKIP() << "the UTF-8 case needs the UTF-8 code page";
  const std::string text = "a\xC3\xA4" "b";  // a, a-umlaut, b
  EXPECT_EQ(win::WholeCharacters(text, 10), 4u);
  EXPECT_EQ(win::WholeCharacters(text, 3), 3u);
  EXPECT_EQ(win::WholeCharacters(text, 2), 1u);
  EXPECT_EQ(win::WholeCharacters(text, 1), 1u);
  EXPECT_EQ(win::WholeCharacters(text, 0), 0u);
}

}  // namespace
