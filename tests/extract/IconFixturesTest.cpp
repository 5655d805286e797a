// The icon fixtures as the shell sees them, and the run's per-file steps over a real folder.
#include <gtest/gtest.h>

#include "extract/AllFilesIterator.h"
#include "extract/ExtractHelpers.h"
#include "extract/IconRun.h"
#include "fixtures/IconFixtures.h"
#include "win/Handles.h"
#include "win/PathText.h"

namespace {

HICON Extract(const std::string& file, int index) {
  return ExtractIconA(GetModuleHandleA(nullptr), file.c_str(), static_cast<UINT>(index));
}

bool IsIcon(HICON h) { return reinterpret_cast<UINT_PTR>(h) > 1; }

class IconFixtures : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = new fixtures::TempFolder("icons");
    fixtures::MakeIconFixtureFolder(folder_->Path());
  }
  static void TearDownTestSuite() {
    delete folder_;
    folder_ = nullptr;
  }
  static const std::string& Root() { return folder_->Path(); }
  static fixtures::TempFolder* folder_;
};
fixtures::TempFolder* IconFixtures::folder_ = nullptr;

TEST_F(IconFixtures, ShellCountsAndLoadsWhatTheTableSays) {
  for (const fixtures::FixtureFile& f : fixtures::kIconFixtureFiles) {
    const std::string path = Root() + f.relPath;
    ASSERT_NE(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES) << path;
    const int count = static_cast<int>(reinterpret_cast<INT_PTR>(Extract(path, -1)));
    if (f.iconCount == fixtures::kPlatformDependent) continue;
    EXPECT_EQ(count, f.iconCount) << f.relPath;
    std::vector<int> loaded;
    for (int i = 0; i < count; ++i) {
      win::UniqueIcon icon(Extract(path, i));
      if (IsIcon(icon.get())) loaded.push_back(i);
    }
    EXPECT_EQ(loaded, f.loadedIndexes) << f.relPath;
  }
}

TEST_F(IconFixtures, ColourDepthsLoadAtTheLargeIconSize) {
  const int large = GetSystemMetrics(SM_CXICON);
  for (int i = 0; i < 4; ++i) {
    win::UniqueIcon icon(Extract(Root() + "icons.dll", i));
    ASSERT_TRUE(IsIcon(icon.get())) << i;
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon.get(), &info));
    win::UniqueBitmap colour(info.hbmColor), mask(info.hbmMask);
    BITMAP bm{};
    ASSERT_TRUE(GetObjectA(colour.get(), sizeof bm, &bm));
    EXPECT_EQ(bm.bmWidth, large) << i;
    EXPECT_EQ(bm.bmHeight, large) << i;
  }
}

// The listing, type filter and icon loading of a run, without its window: the entries it would
// make, as caption and icon index, in the order it would make them.
TEST_F(IconFixtures, FlatRunOverTheFixtureFolder) {
  auto entries = [&](bool subs, const std::string& types, bool all) {
    TStringList files, folders;
    if (subs) {
      ListAllFiles(Root(), files, folders);
    } else {
      ListFiles(Root() + "*.*", files, false);
    }
    std::vector<std::string> made;
    for (const std::string& f : files) {
      if (!PassesTypeFilter(f, types, all)) continue;
      const int count = static_cast<int>(reinterpret_cast<INT_PTR>(Extract(f, -1)));
      for (int i = 0; i < count; ++i) {
        win::UniqueIcon icon(Extract(f, i));
        if (IsIcon(icon.get())) made.push_back(pathtext::NamePart(f) + "#" + std::to_string(i));
      }
    }
    return made;
  };
  const std::string defaults = ".EXE.DLL.ICO.CUR.OCX.VBX.CPL.ANI.DRV.BIN.SCR.ICL";

  std::vector<std::string> flat = entries(false, defaults, false);
  // gaps.dll refuses index 1; hidden and system files count; ICONDATA has no extension.
  std::vector<std::string> expected = {"gaps.dll#0", "gaps.dll#2", "gaps.dll#3", "hidden.ico#0",
                                       "icons.dll#0", "icons.dll#1", "icons.dll#2", "icons.dll#3",
                                       "LIBRARY.DLL#0", "LIBRARY.DLL#1", "LIBRARY.DLL#2", "LIBRARY.DLL#3",
                                       "single.ico#0", "system.ico#0", "UPPER.ICO#0"};
  std::vector<std::string> withoutCursors;
  for (const std::string& e : flat) {
    if (e.rfind("pointer.cur", 0) != 0 && e.rfind("spinner.ani", 0) != 0) withoutCursors.push_back(e);
  }
  EXPECT_EQ(withoutCursors, expected);

  std::vector<std::string> all = entries(false, "", true);
  EXPECT_NE(std::find(all.begin(), all.end(), "ICONDATA#0"), all.end());
  EXPECT_EQ(all.size(), flat.size() + 1);

  std::vector<std::string> deep = entries(true, ".ico", false);
  EXPECT_EQ(deep, (std::vector<std::string>{"hidden.ico#0", "single.ico#0", "system.ico#0", "UPPER.ICO#0",
                                            "deep.ico#0", "inner.ico#0"}));
}

// The pipeline the window, the command line and the bench share: with sub-folders and in
// caption order, each file asked of the filter when the run reaches it and read then, every
// index given once with its group, a refused one marked and kept in the numbering.
TEST_F(IconFixtures, PipelineGivesEveryIndexOfEachFileInCaptionOrder) {
  IconRun run(Root(), true, IconRun::Order::Caption);
  std::vector<std::string> asked, listed, refused;
  const FileFilter icoAndDll = [&](const std::string& file) {
    asked.push_back(pathtext::NamePart(file));
    return PassesTypeFilter(file, ".ico.dll", false);
  };
  while (run.NextFile(icoAndDll)) {
    EXPECT_EQ(run.File().Caption(), asked.back());
    RunIcon icon;
    while (run.NextIcon(icon)) {
      ASSERT_NE(icon.group, nullptr);
      EXPECT_EQ(icon.Listed(), static_cast<bool>(icon.icon));
      (icon.Listed() ? listed : refused).push_back(run.File().Caption() + "#" + std::to_string(icon.index));
    }
  }
  EXPECT_EQ(asked.size(), run.Files().size());
  EXPECT_EQ(refused, std::vector<std::string>{"gaps.dll#1"});
  EXPECT_EQ(listed, (std::vector<std::string>{"deep.ico#0", "gaps.dll#0", "gaps.dll#2", "gaps.dll#3", "hidden.ico#0",
                                             "icons.dll#0", "icons.dll#1", "icons.dll#2", "icons.dll#3", "inner.ico#0",
                                             "LIBRARY.DLL#0", "LIBRARY.DLL#1", "LIBRARY.DLL#2", "LIBRARY.DLL#3",
                                             "single.ico#0", "system.ico#0", "UPPER.ICO#0"}));

  // A save command reads each file once, however many of its icons it saves.
  SourceFiles sources;
  const iconres::IconFile& icons = sources.Read(Root() + "icons.dll");
  EXPECT_EQ(&sources.Read(Root() + "icons.dll"), &icons);
  EXPECT_EQ(icons.Count(), 4u);
}

// Only a run that keeps what it lists skips files too small to list an icon; they are then not
// even opened, so one held locked is not among those that could not be read.
TEST_F(IconFixtures, ARunOfListedIconsOnlyNeverOpensFilesTooSmallToListOne) {
  fixtures::TempFolder folder("floor");
  const std::string below(iconres::kSmallestListedIconFile - 1, 'x'), at(iconres::kSmallestListedIconFile, 'x');
  fixtures::WriteFileBytes(folder.Path() + "below.txt", below.data(), below.size());
  fixtures::WriteFileBytes(folder.Path() + "at.txt", at.data(), at.size());
  ASSERT_TRUE(CopyFileA((Root() + "single.ico").c_str(), (folder.Path() + "single.ico").c_str(), FALSE));
  const auto lock = [&](const char* name) {
    return win::UniqueFile(CreateFileA((folder.Path() + name).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  };
  const win::UniqueFile lockedBelow = lock("below.txt"), lockedAt = lock("at.txt");
  ASSERT_TRUE(lockedBelow && lockedAt);
  for (const bool listedOnly : {false, true}) {
    IconRun run(folder.Path(), false, IconRun::Order::Caption);
    run.SetListedOnly(listedOnly);
    std::vector<std::string> listed;
    while (run.NextFile(TypeFilter("", true))) {
      RunIcon icon;
      while (run.NextIcon(icon))
        if (icon.Listed()) listed.push_back(run.File().Caption());
    }
    EXPECT_EQ(listed, std::vector<std::string>{"single.ico"}) << listedOnly;
    std::vector<std::string> unreadable;
    for (const std::string& file : run.Unreadable()) unreadable.push_back(pathtext::NamePart(file));
    const std::vector<std::string> expected =
        listedOnly ? std::vector<std::string>{"at.txt"} : std::vector<std::string>{"at.txt", "below.txt"};
    EXPECT_EQ(unreadable, expected);
  }
}

}  // namespace
