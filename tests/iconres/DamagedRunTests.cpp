// Extraction runs in the window over damaged files: no file can end a run, and the list holds
// exactly the icons the reader finds.
#include <gtest/gtest.h>

#include "AppTestSupport.h"
#include "CorpusSupport.h"
#include "FolderChooserAnswerer.h"
#include "ModalAnswerer.h"
#include "SavedFiles.h"
#include "extract/LargeIcon.h"
#include "iconres/BitmapPixels.h"
#include "iconres/IconFile.h"
#include "iconres/SoundImage.h"

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
  apptest::WaitForRun(f);
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
  apptest::WaitForRun(f);
  EXPECT_EQ(f.sbInfo.PanelText(0), std::to_string(expected) + " icons");
  EXPECT_EQ(f.lvIcons.Count(), static_cast<int>(expected));
  EXPECT_EQ(Application.Cursor(), CursorKind::Default);
  EXPECT_FALSE(f.Extracting());
  std::printf("%zu damaged files, %zu icons listed\n", names.size(), expected);
}

// The run draws an intact image of the plain form from its bytes without asking the platform
// (the batches' drawn pictures, the resampled ones): the platform must open every one of them,
// however damaged the file around it.
TEST(DamagedImages, EveryIntactPlainImageIsOneThePlatformOpens) {
  const std::string folder = corpus::Folder("damaged");
  size_t plain = 0;
  for (const std::string& name : corpus::FilesIn(folder)) {
    const iconres::IconFile file = iconres::LoadIconFile(folder + name, MunWindowsFolder());
    for (const iconres::IconGroup& group : file.contents.groups)
      for (const iconres::IconImage& image : group.images)
        if (image.intact && iconres::PlainImage(file.Bytes(image))) {
          ++plain;
          EXPECT_TRUE(iconres::PlatformOpens(file.Bytes(image), image)) << name << " image " << image.id;
        }
  }
  EXPECT_GT(plain, 100u);
}

// The window's Original Icon leaves a damaged image out, as the command line does, and says so
// once the files are saved.
TEST_F(DamagedRun, SavingTheStoredIconTellsHowManyDamagedImagesWereLeftOut) {
  fixtures::TempFolder folder("partly"), dest("partly-out");
  // Three images, the first (16 x 16, 4-bit) with two planes.
  ASSERT_TRUE(CopyFileA((corpus::Folder("damaged") + "tiny_ico_bmp0_planes2.ico").c_str(),
                        (folder.Path() + "partly.ico").c_str(), FALSE));
  TfrmMainForm& f = Open(false, false, kDefaultFileTypes);
  f.stNav.SetPath(folder.Path());
  apptest::WaitForRun(f);
  ASSERT_EQ(Entries(f), (Strings{"partly.ico#0"}));
  f.lvIcons.SetSelected(0, true);
  ModalAnswerer boxes;
  {
    DialogAnswerer chooser("Save image(s) to:", [&](HWND dialog) { SelectPath(dialog, dest.Path()); }, IDOK);
    f.miOrigIconClick(f);
  }
  EXPECT_EQ(saved::Listing(dest.Path()), Strings{"partly0.ico"});
  EXPECT_EQ(saved::ReadAll(dest.Path() + "partly0.ico")[4], 2) << "two of the three images written";
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].caption, "Warning");
  EXPECT_EQ(boxes.Boxes()[0].text, "1 image was left out of the saved icons because it is damaged.");
}

}  // namespace
