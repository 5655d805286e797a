// The pictures the list shows at sizes a file does not store: which stored image they come
// from, and how they are resampled.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "extract/AllFilesIterator.h"
#include "extract/FileIcons.h"
#include "extract/IconScale.h"
#include "extract/LargeIcon.h"
#include "fixtures/IconFixtures.h"
#include "win/Handles.h"

#include "SampleFiles.h"

namespace {

iconres::IconImage Image(int edge, int bits, bool sound = true) {
  iconres::IconImage i;
  i.width = i.height = edge;
  i.bitCount = bits;
  i.intact = sound;
  return i;
}

const iconres::IconImage* Choose(const iconres::IconGroup& g, int size) {
  return iconscale::ChooseImage(g, size, [](const iconres::IconImage& i) { return i.intact; });
}

TEST(IconScale, ShownSizesComeFromTheNearestLargerStoredImage) {
  iconres::IconGroup g;
  g.images = {Image(16, 4), Image(32, 4), Image(32, 32), Image(256, 32), Image(48, 8, false)};
  EXPECT_EQ(Choose(g, 32), &g.images[2]);   // that size, the most colours
  EXPECT_EQ(Choose(g, 24), &g.images[2]);   // larger, never the 16 scaled up
  EXPECT_EQ(Choose(g, 48), &g.images[3]);   // the unsound 48 is passed over
  EXPECT_EQ(Choose(g, 512), &g.images[3]);  // nothing larger: the largest
  g.images = {Image(48, 8, false)};
  EXPECT_EQ(Choose(g, 32), nullptr);
}

TEST(IconScale, ShrinkingAveragesAndTransparencyLendsNoColour) {
  // Opaque white and black stripes become grey; a transparent red pixel beside opaque blue
  // leaves half-covered blue, not purple.
  const iconscale::Pixels stripes{2, 1, {0xFFFFFFFFu, 0xFF000000u}};
  const iconscale::Pixels grey = iconscale::Resample(stripes, 1, 1);
  ASSERT_EQ(grey.argb.size(), 1u);
  EXPECT_EQ(grey.argb[0], 0xFF808080u);
  const iconscale::Pixels edge{2, 1, {0x00000000u, 0xFF0000FFu}};
  EXPECT_EQ(iconscale::Resample(edge, 1, 1).argb[0], 0x80000080u);
  // A thin line at a third of the width still shows after shrinking 3:2.
  const iconscale::Pixels line{3, 1, {0, 0xFF000000u, 0}};
  const iconscale::Pixels shrunk = iconscale::Resample(line, 2, 1);
  EXPECT_GT(shrunk.argb[0] >> 24, 0u);
  EXPECT_GT(shrunk.argb[1] >> 24, 0u);
  // Bad input gives an empty picture, never a read outside the pixels.
  EXPECT_TRUE(iconscale::Resample({4, 4, {0u}}, 2, 2).argb.empty());
}

TEST(IconScale, StoredPicturesDecodeAsThePlatformDrawsThem) {
  // Every depth of the fixtures (palettes, masks, alpha) and the system's own icons (PNG too).
  fixtures::TempFolder dir;
  const TStringList files = FixtureAndSystemFiles(dir.Path(), {"\\shell32.dll"});
  win::ComScope com;
  int decoded = 0;
  for (int f = 0; f < files.Count(); ++f) {
    const FileIcons file(files[f], "");
    for (int i = 0; i < file.Count() && i < 60; ++i)
      for (const iconres::IconImage& image : file.Group(i).images) {
        if (!file.File().Sound(image)) continue;
        const iconscale::Pixels ours = iconscale::StoredPixels(file.File(), image);
        if (ours.argb.empty()) continue;
        const win::UniqueIcon icon = file.File().CreateIcon(image, image.width, image.height);
        ASSERT_TRUE(icon);
        EXPECT_EQ(ours.argb, iconscale::IconPixels(icon.get(), image.width, image.height).argb)
            << files[f] << " #" << i << " " << image.width << " px, " << image.bitCount << " bits";
        ++decoded;
      }
  }
  EXPECT_GT(decoded, 20);
}

TEST(IconScale, PicksKeptAcrossFilesAreThePlatformsOwn) {
  // Files whose directories share shapes but name other ids, asked at every size the list and
  // the saves use, one set of kept picks for all of them.
  fixtures::TempFolder dir;
  const TStringList files = FixtureAndSystemFiles(dir.Path(), {"\\shell32.dll", "\\user32.dll", "\\comctl32.dll"});
  ImagePicks picks;
  int asked = 0;
  for (int f = 0; f < files.Count(); ++f) {
    const FileIcons file(files[f], "");
    for (int i = 0; i < file.Count(); ++i)
      for (const int size : {16, 20, 24, 32, 40, 48, 64, 256}) {
        const iconres::IconImage* platform = PickedImage(file.File(), static_cast<std::size_t>(i), size);
        EXPECT_EQ(PickedImage(file.File(), static_cast<std::size_t>(i), size, &picks), platform)
            << files[f] << " #" << i << " at " << size;
        asked += platform != nullptr;
      }
  }
  EXPECT_GT(asked, 100);
}

}  // namespace
