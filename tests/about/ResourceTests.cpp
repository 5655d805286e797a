// Tests that the program's pictures load from its resources at the sizes the windows expect.
#include "../../res/resource.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "iconres/IconFile.h"
#include "win/Handles.h"
#include "win/Text.h"

namespace {

SIZE BitmapSize(int id) {
  HBITMAP bitmap = static_cast<HBITMAP>(
      LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, 0));
  SIZE size = {0, 0};
  BITMAP info = {};
  if (bitmap && GetObjectA(bitmap, sizeof info, &info)) size = {info.bmWidth, info.bmHeight};
  if (bitmap) DeleteObject(bitmap);
  return size;
}

}  // namespace

TEST(Resources, PicturesLoadAtTheirSizes) {
  const struct { int id; LONG cx, cy; } pictures[] = {
      {IDB_COLOURIMAGES, 7 * 16, 16}, {IDB_GREYIMAGES, 6 * 16, 16},
      {IDB_ABOUTSIDE, 57, 145},       {IDB_LOGO, 70, 42}};
  for (const auto& p : pictures) {
    const SIZE size = BitmapSize(p.id);
    EXPECT_EQ(size.cx, p.cx) << p.id;
    EXPECT_EQ(size.cy, p.cy) << p.id;
  }
}

TEST(Resources, WindowIconHasAMaskAndIsThirtyTwoPixels) {
  HICON icon = static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr),
                                             MAKEINTRESOURCEA(IDI_MAINICON), IMAGE_ICON, 32, 32, 0));
  ASSERT_NE(icon, nullptr);
  ICONINFO info = {};
  ASSERT_TRUE(GetIconInfo(icon, &info));
  BITMAP colour = {};
  ASSERT_NE(info.hbmColor, nullptr);
  GetObjectA(info.hbmColor, sizeof colour, &colour);
  EXPECT_EQ(colour.bmWidth, 32);
  EXPECT_EQ(colour.bmHeight, 32);
  EXPECT_NE(info.hbmMask, nullptr);
  if (info.hbmColor) DeleteObject(info.hbmColor);
  if (info.hbmMask) DeleteObject(info.hbmMask);
  DestroyIcon(icon);
}

// The program's own icon, read back with our own reader: every size the shell and the installer
// ask for, 32-bit with alpha, the largest as PNG, each image sound.
TEST(Resources, ProgramIconStoresEverySizeAndTheLargestAsPng) {
  win::ComScope com;  // the PNG image's check decodes it
  const iconres::IconFile file = iconres::LoadIconFile(win::ModuleFileName(), "");
  ASSERT_EQ(file.Count(), 1u);
  std::vector<int> sizes;
  for (const iconres::IconImage& image : file.contents.groups[0].images) {
    EXPECT_EQ(image.height, image.width);
    EXPECT_EQ(image.bitCount, 32) << image.width;
    EXPECT_EQ(image.png, image.width == 256) << image.width;
    EXPECT_TRUE(file.Sound(image)) << image.width;
    sizes.push_back(image.width);
  }
  EXPECT_EQ(sizes, (std::vector<int>{16, 20, 24, 32, 40, 48, 64, 256}));
}
