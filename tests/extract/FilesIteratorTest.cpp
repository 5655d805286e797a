// Folder listing and walk over real folders: order, attribute rules, links back to ancestors.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "extract/AllFilesIterator.h"
#include "fixtures/IconFixtures.h"
#include "win/Handles.h"
#include "win/Text.h"

namespace {

std::vector<std::string> Prefixed(const std::string& dir, std::vector<std::string> names) {
  for (std::string& n : names) n = dir + n;
  return names;
}

void Touch(const std::string& path) { fixtures::WriteFileBytes(path, "x", 1); }

class FilesIterator : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = new fixtures::TempFolder("enum");
    fixtures::MakeIconFixtureFolder(folder_->Path());
  }
  static void TearDownTestSuite() {
    delete folder_;
    folder_ = nullptr;
  }
  static const std::string& Root() { return folder_->Path(); }

  // The fixture's top-level files in case-insensitive order.
  static std::vector<std::string> RootFiles() {
    return Prefixed(Root(), {"gaps.dll", "hidden.ico", "ICONDATA", "icons.dll", "LIBRARY.DLL",
                             "notes.txt", "pointer.cur", "readme", "single.ico", "spinner.ani",
                             "system.ico", "UPPER.ICO"});
  }

  static fixtures::TempFolder* folder_;
};
fixtures::TempFolder* FilesIterator::folder_ = nullptr;

TEST_F(FilesIterator, ListFilesKeepsHiddenSystemAndExtensionlessFilesButNoFolders) {
  TStringList list;
  ListFiles(Root() + "*.*", list, false);
  EXPECT_EQ(list.Strings(), RootFiles());
  EXPECT_TRUE(list.Sorted());

  TStringList names;
  ListFiles(Root() + "*.ico", names, true);
  EXPECT_EQ(names.Strings(), (std::vector<std::string>{"hidden.ico", "single.ico", "system.ico", "UPPER.ICO"}));
}

TEST_F(FilesIterator, SortingTakesInEntriesAlreadyInTheList) {
  TStringList list;
  list.Add("zzz");
  list.Add(Root() + "AAA");
  ListFiles(Root() + "*.dll", list, true);
  EXPECT_EQ(list.Strings(), (std::vector<std::string>{Root() + "AAA", "gaps.dll", "icons.dll", "LIBRARY.DLL", "zzz"}));
  // In sorted mode a new entry goes to its place; positional inserts are refused.
  list.Add("HOLE.dll");
  EXPECT_EQ(list[2], "HOLE.dll");
  EXPECT_THROW(list.Insert(0, "x"), std::logic_error);
}

// The sort goes by sort keys; it must order exactly as the comparison does, equal names kept
// in the order they came: hyphens and apostrophes (which a word sort passes over), digits,
// case, accents, and names that compare equal.
TEST(FilesIteratorSort, OrdersAsTheComparisonDoes) {
  std::vector<std::string> names = {
      "b-c.dll", "bc.dll", "b'c.dll", "B C.dll", "bc", "b.c", "b_c", "b10.ico", "b9.ico", "b09.ico", "\xc3\xa9t\xc3\xa9.ico",
      "ete.ico", "\xc3\x89T\xc3\x89.ico", "ETE.ICO", "Ete.ico", "co-op", "coop", "co op", "~x", "!x", "a", "A", "", "zz", "z-",
      "-z", "x\\y", "x\\Y", "xy"};
  // Names whose keys outgrow the key's buffer on the stack sort among the others.
  std::string longAccented;
  for (int i = 0; i < 300; ++i) longAccented += "\xc3\xa9";
  names.insert(names.end(), {longAccented + "b", longAccented + "a", std::string(600, 'e') + "a", "f" + longAccented});
  TStringList list;
  for (const std::string& name : names) list.Add(name);
  list.SetSorted(true);
  ASSERT_EQ(list.Count(), static_cast<int>(names.size()));
  for (int i = 1; i < list.Count(); ++i) {
    const int order = TStringList::Compare(list[i - 1], list[i]);
    EXPECT_LE(order, 0) << list[i - 1] << " / " << list[i];
    if (order == 0) {
      const auto at = [&](const std::string& n) { return std::find(names.begin(), names.end(), n) - names.begin(); };
      EXPECT_LT(at(list[i - 1]), at(list[i])) << list[i - 1] << " / " << list[i];
    }
  }
}

TEST_F(FilesIterator, AcceptanceTestsSeeDirectoryAndSearchRecord) {
  std::set<std::string> seenDirs;
  TStringList list;
  ListFiles(Root() + "*.*", list, false, [&](const std::string& dir, const TFoundEntry& found) {
    seenDirs.insert(dir);
    return (found.attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) == 0 && found.size > 100;
  });
  EXPECT_EQ(seenDirs, std::set<std::string>{Root()});
  EXPECT_EQ(std::count(list.begin(), list.end(), Root() + "hidden.ico"), 0);
  EXPECT_EQ(std::count(list.begin(), list.end(), Root() + "notes.txt"), 0);
  EXPECT_EQ(std::count(list.begin(), list.end(), Root() + "icons.dll"), 1);

  TStringList folders;
  ListSubFolders(Root(), folders, [&](const std::string& dir, const TFoundEntry& found) {
    EXPECT_EQ(dir, Root());
    return found.name != "sub";
  });
  EXPECT_TRUE(folders.Empty());
}

TEST_F(FilesIterator, WalkSkipsHiddenAndSystemFoldersAndListsFolderByFolder) {
  TStringList subs;
  ListSubFolders(Root(), subs);
  EXPECT_EQ(subs.Strings(), std::vector<std::string>{Root() + "sub\\"});

  // The file part of start is ignored; every folder entry ends in exactly one backslash.
  TStringList files, folders;
  files.Add("left over");
  folders.Add("left over");
  ListAllFiles(Root() + "ignored.xyz", files, folders);
  EXPECT_EQ(folders.Strings(), Prefixed(Root(), {"", "sub\\", "sub\\inner\\"}));
  std::vector<std::string> expected = RootFiles();
  expected.push_back(Root() + "sub\\deep.ico");
  expected.push_back(Root() + "sub\\inner\\inner.ico");
  EXPECT_EQ(files.Strings(), expected);
  EXPECT_FALSE(files.Sorted());

  TStringList again;
  ListAllFiles(Root(), files, again);
  EXPECT_EQ(again.Strings(), folders.Strings());
}

TEST(FilesIteratorWalk, DepthFirstWithSiblingsSortedIgnoringCase) {
  fixtures::TempFolder r("walk");
  for (const char* d : {"B", "a", "a\\A1", "a\\A1\\deeper", "empty"}) CreateDirectoryA((r.Path() + d).c_str(), nullptr);
  for (const char* f : {"r2", "R1", "b.exe", "A.exe", "C.dll", "B\\b.txt", "a\\A1\\x", "a\\A1\\deeper\\y.ico"}) {
    Touch(r.Path() + f);
  }
  TStringList files, folders;
  ListAllFiles(r.Path(), files, folders);
  EXPECT_EQ(folders.Strings(), Prefixed(r.Path(), {"", "a\\", "a\\A1\\", "a\\A1\\deeper\\", "B\\", "empty\\"}));
  EXPECT_EQ(files.Strings(), Prefixed(r.Path(), {"A.exe", "b.exe", "C.dll", "R1", "r2", "a\\A1\\x",
                                                 "a\\A1\\deeper\\y.ico", "B\\b.txt"}));

  TStringList none, only;
  ListAllFiles(r.Path() + "empty\\", none, only);
  EXPECT_TRUE(none.Empty());
  EXPECT_EQ(only.Strings(), std::vector<std::string>{r.Path() + "empty\\"});
}

TEST(FilesIteratorWalk, MissingFolderGivesNothing) {
  TStringList files, folders;
  ListFiles("Q:\\no\\such\\folder\\*.*", files, false);
  EXPECT_TRUE(files.Empty());
  ListAllFiles("C:\\no such folder here\\", files, folders);
  EXPECT_TRUE(files.Empty());
  EXPECT_EQ(folders.Strings(), std::vector<std::string>{"C:\\no such folder here\\"});
}

// A link back to an ancestor used to send the walk round until paths overflowed; a second link
// to a folder already listed made its files appear twice.
TEST(FilesIteratorWalk, FolderReachedTwiceThroughLinksIsWalkedOnce) {
  fixtures::TempFolder r("loop");
  CreateDirectoryA((r.Path() + "top").c_str(), nullptr);
  CreateDirectoryA((r.Path() + "top\\down").c_str(), nullptr);
  Touch(r.Path() + "top\\t.ico");
  Touch(r.Path() + "top\\down\\d.ico");
  // Removed before the folder, whatever the outcome: nothing else can remove a Wine link.
  struct Links {
    std::vector<std::string> made;
    ~Links() {
      for (const std::string& l : made) fixtures::RemoveFolderLink(l);
    }
  } links;
  const std::string back = r.Path() + "top\\down\\back";
  const std::string alias = r.Path() + "zalias";
  if (!fixtures::MakeFolderLink(back, r.Path() + "top")) {
    GTEST_SKIP() << "no folder link can be made here";
  }
  links.made.push_back(back);
  ASSERT_TRUE(fixtures::MakeFolderLink(alias, r.Path() + "top\\down"));
  links.made.push_back(alias);

  TStringList files, folders;
  ListAllFiles(r.Path(), files, folders);
  EXPECT_EQ(folders.Strings(), Prefixed(r.Path(), {"", "top\\", "top\\down\\"}));
  EXPECT_EQ(files.Strings(), Prefixed(r.Path(), {"top\\t.ico", "top\\down\\d.ico"}));
}

// Names in every script come as they are: the program's code page is UTF-8, so no name needs its
// short form; the walk goes into the sub-folder, each folder's files in the user's order.
TEST(FilesIteratorNames, NamesInEveryScriptComeAsTheyAre) {
  ASSERT_EQ(GetACP(), static_cast<UINT>(CP_UTF8)) << "the manifest sets the program's code page";
  fixtures::TempFolder dir("names");
  const std::vector<std::string> made = fixtures::MakeNamesInEveryScript(dir.Path());
  TStringList files, folders;
  ListAllFiles(dir.Path(), files, folders);
  EXPECT_EQ(folders.Strings(), Prefixed(dir.Path(), {"", "подпапка\\"}));
  ASSERT_EQ(files.Count(), static_cast<int>(made.size()));
  // Names that differ only in normalisation are equal in the order, so they come in the
  // file system's order: compare as sets, and check the order.
  std::vector<std::string> top(files.begin(), files.end() - 1), want = Prefixed(dir.Path(), made);
  want.pop_back();
  EXPECT_TRUE(std::is_sorted(top.begin(), top.end(), [](auto& a, auto& b) { return TStringList::Compare(a, b) < 0; }));
  std::sort(top.begin(), top.end());
  std::sort(want.begin(), want.end());
  EXPECT_EQ(top, want);
  EXPECT_EQ(files[files.Count() - 1], dir.Path() + made.back());
}

// A listing converts names on the stack; a longer text (no file system here stores one) still
// comes whole, and one the code page cannot spell is still refused.
TEST(FilesIteratorNames, TextsLongerThanTheStackBufferConvertWhole) {
  const std::wstring wide(300, L'\x4e2d');
  std::string narrow;
  ASSERT_TRUE(win::ExactNarrow(wide, narrow));
  EXPECT_EQ(narrow.size(), 900u);
  EXPECT_EQ(win::Widen(narrow), wide);
  EXPECT_FALSE(win::ExactNarrow(wide + L'\xd800', narrow));
}

}  // namespace
