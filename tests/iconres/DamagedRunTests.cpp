// Extraction runs in the window over damaged files: no file can end a run, and the list holds
// exactly the icons the reader finds.
#include <gtest/gtest.h>

#include "AppTestSupport.h"
#include "CorpusSupport.h"
#include "extract/LargeIcon.h"
#include "iconres/IconFile.h"

using apptest::Entries;
using ui::Application;
using ui::CursorKind;

namespace {

using Strings = std::vector<std::string>;

class DamagedRun : public apptest::MainWindowTest {};

TEST_F(DamagedRun, AnIcoWithAHugeCountDoesNotHideTheFilesAfterIt) {
  fixtures::TempFolder folder("three");
  const std::string every = corpus::Folder("good") + "mono.ico";
  ASSERT_TRUE(CopyFileA(every.c_str(), (folder.Path() + "a.ico").c_str(), FALSE));
  ASSERT_TRUE(CopyFileA((corpus::Folder("damaged") + "ico_count_ffff.ico").c_str(), (folder.Path() + "b.ico").c_str(),
                        FALSE));
  ASSERT_TRUE(CopyFileA(every.c_str(), (folder.Path() + "c.ico").c_str(), FALSE));
  TfrmMainForm& f = Open(false, false, kDefaultFileTypes);
  f.stNav.SetPath(folder.Path());
  EXPECT_EQ(Entries(f), (Strings{"a.ico#0", "c.ico#0"}));
  EXPECT_EQ(f.sbInfo.PanelText(0), "2 icons");
}

TEST_F(DamagedRun, TheDamagedCorpusRunsToItsEnd) {
  const std::string folder = corpus::Folder("damaged");
  const Strings names = corpus::FilesIn(folder);
  ASSERT_GE(names.size(), 500u);
  size_t expected = 0;
  for (const std::string& name : names) {
    const iconres::IconFile file = iconres::LoadIconFile(folder + name, MunWindowsFolder());
    for (size_t i = 0; i < file.Count(); ++i) {
      HICON icon = MakeLargeIcon(file, i);
      if (icon) ++expected, DestroyIcon(icon);
    }
  }
  TfrmMainForm& f = Open(false, true, kDefaultFileTypes);
  f.stNav.SetPath(folder.substr(0, folder.size() - 1));
  EXPECT_EQ(f.sbInfo.PanelText(0), std::to_string(expected) + " icons");
  EXPECT_EQ(f.lvIcons.Count(), static_cast<int>(expected));
  EXPECT_EQ(Application.Cursor(), CursorKind::Default);
  EXPECT_FALSE(Extracting);
  std::printf("%zu damaged files, %zu icons listed\n", names.size(), expected);
}

}  // namespace
