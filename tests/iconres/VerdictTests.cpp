// The in-process verdict on every stored image against the platform's own, over the damaged and
// well-formed corpus, our fixtures, the packages and installers and the test prefix's system folder.
#include <gtest/gtest.h>

#include <sstream>

#include "CorpusSupport.h"
#include "extract/FileIcons.h"
#include "extract/LargeIcon.h"
#include "iconres/BitmapVerdict.h"
#include "iconres/IconFile.h"
#include "iconres/SoundImage.h"
#include "win/Imaging.h"

namespace {

// Every image the file names: each group's, and every frame's of an animated cursor.
template <class Visit>
void EachImage(const iconres::IconFile& file, Visit visit) {
  for (const iconres::IconGroup& group : file.contents.groups) {
    for (const iconres::IconImage& image : group.images) visit(image);
    for (std::size_t f = 1; f < group.frames.size(); ++f)
      for (const iconres::IconImage& image : group.frames[f]) visit(image);
  }
}

// Each image judged as the reader judges it and as the platform does; each group listed (a
// sound image the platform picks at the saved size) with and without its icon made.
TEST(Verdicts, EveryStoredImageIsJudgedAsThePlatformJudgesIt) {
  win::ImagingScope imaging;
  char system[MAX_PATH] = "";
  ASSERT_GT(GetSystemDirectoryA(system, MAX_PATH), 0u);
  fixtures::TempFolder fixtureFolder("verdicts");
  fixtures::MakeIconFixtureFolder(fixtureFolder.Path());
  const std::string windows = MunWindowsFolder();
  std::vector<std::string> differences;
  std::size_t images = 0, asked = 0, sound = 0, groups = 0;
  const std::string packages = fixtures::ProgramFolder() + "packages\\";
  for (const std::string& folder : {corpus::Folder("damaged"), corpus::Folder("good"), fixtureFolder.Path(), packages,
                                    packages + "app\\", packages + "damaged\\", std::string(system) + "\\"}) {
    for (const std::string& name : corpus::FilesIn(folder)) {
      const std::string path = folder + name;
      const iconres::IconFile file = iconres::LoadIconFile(path, windows, true);
      EachImage(file, [&](const iconres::IconImage& image) {
        const iconres::ByteSpan bytes = file.Bytes(image);
        const bool ours = iconres::JudgeImage(bytes, image), platform = iconres::PlatformOpens(bytes, image);
        ++images;
        sound += platform;
        asked += image.intact && !image.png && iconres::JudgeBitmap(bytes) == iconres::BitmapVerdict::AskPlatform;
        if (ours != platform)
          differences.push_back(path + " image " + std::to_string(image.id) + ": the platform " +
                                (platform ? "opens" : "refuses") + " it");
      });
      const FileIcons judged(path, windows, true), made(path, windows, true);
      for (int i = 0; i < judged.Count(); ++i, ++groups)
        if (judged.HasIcon(i) != static_cast<bool>(made.Icon(i)))
          differences.push_back(path + "," + std::to_string(i) + ": listed otherwise without its icon");
    }
  }
  std::printf("%zu images (%zu sound, %zu left to the platform), %zu groups\n", images, sound, asked, groups);
  EXPECT_GT(images, 3000u);
  std::ostringstream lines;
  for (std::size_t i = 0; i < differences.size() && i < 30; ++i) lines << differences[i] << "\n";
  EXPECT_TRUE(differences.empty()) << differences.size() << " differences:\n" << lines.str();
}

}  // namespace
