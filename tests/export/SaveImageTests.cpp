// Output names, the free-name search and saves that never harm files already there.
#include <gtest/gtest.h>
#include "ExportTestSupport.h"
#include "export/IconSave.h"
#include "export/SaveImage.h"
#include "win/Dib.h"

using namespace exporttest;

TEST(SaveNames, FileNameIsCaptionWithoutLastExtensionPlusIndex) {
  EXPECT_EQ(OutputFileName("shell32.dll", "3", ".ico"), "shell323.ico");
  EXPECT_EQ(OutputFileName("a.b.dll", "2", ".ico"), "a.b2.ico");
  EXPECT_EQ(OutputFileName("README", "0", ".bmp"), "README0.bmp");
  EXPECT_EQ(OutputFileName("foo.", "10", ".ico"), "foo10.ico");
  TIcon icon;
  TBitmap bitmap;
  EXPECT_EQ(GraphicExtension(icon), ".ico");
  EXPECT_EQ(GraphicExtension(bitmap), ".bmp");
}

TEST(SaveNames, ClashesArePrefixedWithUnderscoresFoldersIncluded) {
  TempFolder folder;
  const std::string& dir = folder.Path();
  EXPECT_EQ(FreeFileName(dir, "shell323.ico"), "shell323.ico");
  WriteAll(dir + "shell323.ico", "x");
  EXPECT_EQ(FreeFileName(dir, "shell323.ico"), "_shell323.ico");
  WriteAll(dir + "_shell323.ico", "x");
  EXPECT_EQ(FreeFileName(dir, "shell323.ico"), "__shell323.ico");

  // A folder of the wanted name blocks it as much as a file does.
  ASSERT_TRUE(CreateDirectoryA((dir + "a.b2.ico").c_str(), nullptr));
  EXPECT_EQ(FreeFileName(dir, "a.b2.ico"), "_a.b2.ico");
}

class SaveToFolder : public ::testing::Test {
 protected:
  ImageLists lists = MakeTestImageLists();
  TempFolder folder;
};

TEST_F(SaveToFolder, SavingTwiceNeverOverwrites) {
  const std::string& dir = folder.Path();
  TIcon icon;
  CopySlotAsIcon(lists.large.get(), 0, &icon);
  EXPECT_EQ(SaveGraphicToFreeName(icon, dir, "foo0.ico"), dir + "foo0.ico");
  EXPECT_EQ(SaveGraphicToFreeName(icon, dir, "foo0.ico"), dir + "_foo0.ico");
  TBitmap bitmap;
  RenderSlotToBitmap(lists.small.get(), 0, &bitmap);
  EXPECT_EQ(SaveGraphicToFreeName(bitmap, dir, "foo0.bmp"), dir + "foo0.bmp");
  EXPECT_EQ(ReadAll(dir + "foo0.ico").size(), 766u);
  EXPECT_EQ(ReadAll(dir + "_foo0.ico").size(), 766u);

  // A folder in the way does not make the save fail.
  ASSERT_TRUE(CreateDirectoryA((dir + "bar1.ico").c_str(), nullptr));
  EXPECT_EQ(SaveGraphicToFreeName(icon, dir, "bar1.ico"), dir + "_bar1.ico");
  EXPECT_EQ(ReadAll(dir + "_bar1.ico").size(), 766u);
}

TEST_F(SaveToFolder, ImpossibleDestinationReportsTheFileAndLeavesNothing) {
  TIcon icon;
  CopySlotAsIcon(lists.large.get(), 0, &icon);
  const std::string missing = folder.Path() + "missing\\";
  try {
    SaveGraphicToFreeName(icon, missing, "shell323.ico");
    ADD_FAILURE() << "saved into a folder that does not exist";
  } catch (const EFCreateError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot create file " + missing + "shell323.ico");
  }
  EXPECT_FALSE(Exists(missing));

  try {
    SaveGraphicToFreeName(icon, folder.Path(), "bad<>name.ico");
    ADD_FAILURE() << "saved under an invalid name";
  } catch (const EFCreateError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot create file " + folder.Path() + "bad<>name.ico");
  }
  WIN32_FIND_DATAA fd;
  win::UniqueFind find(FindFirstFileA((folder.Path() + "*.ico").c_str(), &fd));
  EXPECT_FALSE(find) << "left behind: " << fd.cFileName;
}

TEST_F(SaveToFolder, FailedSaveRemovesOnlyTheFileItCreated) {
  const std::string& dir = folder.Path();
  WriteAll(dir + "old0.ico", "keep me");

  // An icon that cannot be serialised: its own new file goes, the old file stays untouched.
  TIcon empty;
  EXPECT_THROW(SaveGraphicToFreeName(empty, dir, "old0.ico"), EInvalidGraphic);
  EXPECT_FALSE(Exists(dir + "_old0.ico"));
  const auto kept = ReadAll(dir + "old0.ico");
  EXPECT_EQ(std::string(kept.begin(), kept.end()), "keep me");

  // An existing path is refused without being opened.
  EXPECT_FALSE(SaveGraphicToNewFile(empty, dir + "old0.ico"));
  EXPECT_EQ(ReadAll(dir + "old0.ico").size(), 7u);

  // A bitmap that never got pixels is a failure, and leaves no empty file.
  TBitmap bitmap;
  try {
    SaveGraphicToFreeName(bitmap, dir, "never0.bmp");
    ADD_FAILURE() << "empty bitmap reported as saved";
  } catch (const EInvalidGraphic& e) {
    EXPECT_STREQ(e.what(), "Bitmap image is not valid");
  }
  EXPECT_FALSE(Exists(dir + "never0.bmp"));

  // A write that fails half-way (as on a full disk): the partial file is removed as well.
  struct HalfWriter : TGraphic {
    void SetWidth(int) override {}
    void SetHeight(int) override {}
    void SaveToStream(TStream& stream) override {
      stream.WriteBuffer("abc", 3);
      throw EWriteError();
    }
  } half;
  EXPECT_THROW(SaveGraphicToFreeName(half, dir, "half0.ico"), EWriteError);
  EXPECT_FALSE(Exists(dir + "half0.ico"));
}

TEST_F(SaveToFolder, OneIconSaveTellsWhatCameOfItByKind) {
  const std::string& dir = folder.Path();
  const IconToSave icon{.large = lists.large.get(), .small = lists.small.get(), .caption = "shell32.dll", .indexText = "3"};
  const SaveResult saved = SaveOneIcon(OutputKind::Bitmap16, icon, dir);
  EXPECT_EQ(saved.kind, SaveResult::Kind::Saved);
  EXPECT_EQ(saved.path, dir + "shell323.bmp");
  EXPECT_TRUE(Exists(saved.path));
  // A stored kind of a group its file does not hold has nothing sound to write.
  const iconres::IconFile empty{};
  IconToSave stored = icon;
  stored.file = &empty;
  EXPECT_EQ(SaveOneIcon(OutputKind::OriginalIcon, stored, dir).kind, SaveResult::Kind::NoSoundImage);
  const SaveResult refused = SaveOneIcon(OutputKind::Icon32, icon, dir + "missing\\");
  EXPECT_EQ(refused.kind, SaveResult::Kind::NotWritten);
  EXPECT_FALSE(refused.reason.empty());
  EXPECT_FALSE(Exists(dir + "shell323.ico"));
}

// An icon of 32-bit colour whose alpha fades from clear at the left to opaque at the right.
win::UniqueIcon FadingIcon(int size) {
  BITMAPINFO bi = win::TopDown32(size, size);
  void* bits = nullptr;
  win::UniqueBitmap color(CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
  auto* pixels = static_cast<std::uint32_t*>(bits);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) pixels[y * size + x] = static_cast<std::uint32_t>(x * 255 / (size - 1)) << 24 | 0x304050;
  const std::vector<std::uint8_t> mask(static_cast<std::size_t>(size) * size / 8, 0);
  win::UniqueBitmap maskBitmap(CreateBitmap(size, size, 1, 1, mask.data()));
  ICONINFO ii{TRUE, 0, 0, maskBitmap.get(), color.get()};
  return win::UniqueIcon(CreateIconIndirect(&ii));
}

// The command line saves icon after icon through one SavedIcon: each is saved as it would be
// alone, nothing of the one before showing through its transparent parts.
TEST(SavedIconSlots, AnIconHeldAfterAnotherIsSavedAsIfHeldAlone) {
  const auto saved = [](SavedIcon& slots, OutputKind kind) {
    TMemoryStream stream;
    SlotGraphic(kind, slots.Large(), slots.Small(), 0)->SaveToStream(stream);
    return stream.Bytes();
  };
  for (const int size : {32, 16}) {
    std::vector<win::UniqueIcon> icons;
    icons.push_back(MakeIcon(size, [](int, int) { return Pixel{RGB(200, 30, 40), false}; }));
    icons.push_back(MakeIcon(size, [size](int x, int y) { return HalfTransparent(size, x, y); }));
    icons.push_back(FadingIcon(size));
    for (const OutputKind kind : {OutputKind::Icon32, OutputKind::Icon16, OutputKind::Bitmap32, OutputKind::Bitmap16}) {
      if ((size == 16) != IsSmallKind(kind)) continue;
      for (const auto& first : icons)
        for (const auto& second : icons) {
          SavedIcon alone(32, 16), after(32, 16);
          alone.HoldFor(kind, second.get(), second.get());
          after.HoldFor(kind, first.get(), first.get());
          after.HoldFor(kind, second.get(), second.get());
          EXPECT_EQ(saved(after, kind), saved(alone, kind)) << static_cast<int>(kind);
        }
    }
  }
}
