// .ico and .bmp files written from real image-list slots: exact layout, colours, masks, sizes.
#include <gtest/gtest.h>
#include <algorithm>
#include <set>
#include "ExportTestSupport.h"
#include "export/Graphics.h"
#include "export/SaveImage.h"

using namespace exporttest;

namespace {

struct Rgb {
  int r, g, b;
  bool operator==(const Rgb&) const = default;
  auto operator<=>(const Rgb&) const = default;
};

class GraphicsTest : public ::testing::Test {
 protected:
  ImageLists lists = MakeTestImageLists();
  TempFolder folder;

  std::vector<uint8_t> SaveIconFile(HIMAGELIST list, int slot, const std::string& name) {
    TIcon icon;
    CopySlotAsIcon(list, slot, &icon);
    SaveGraphicToFile(icon, folder.Path() + name);
    return ReadAll(folder.Path() + name);
  }
  std::vector<uint8_t> SaveBitmapFile(HIMAGELIST list, int slot, const std::string& name) {
    TBitmap bitmap;
    RenderSlotToBitmap(list, slot, &bitmap);
    SaveGraphicToFile(bitmap, folder.Path() + name);
    return ReadAll(folder.Path() + name);
  }
};

Rgb Expected(COLORREF c) { return {GetRValue(c), GetGValue(c), GetBValue(c)}; }

// Checks one saved icon file of the given size against the half-transparent test icon.
void CheckIconFile(const std::vector<uint8_t>& f, int size) {
  const size_t colorBytes = RowBytes(size, 4) * size, maskBytes = RowBytes(size, 1) * size;
  ASSERT_EQ(f.size(), 22 + 104 + colorBytes + maskBytes);
  EXPECT_EQ(Word(f, 0), 0);
  EXPECT_EQ(Word(f, 2), 1);
  EXPECT_EQ(Word(f, 4), 1);
  EXPECT_EQ(f[6], size);
  EXPECT_EQ(f[7], size);
  EXPECT_EQ(f[8], 4);
  for (int i = 9; i <= 13; ++i) EXPECT_EQ(f[i], 0) << "byte " << i;
  EXPECT_EQ(Dword(f, 14), 104 + colorBytes + maskBytes);
  EXPECT_EQ(Dword(f, 18), 22u);
  // Colour header: 40, W, 2H, 1 plane, 4 bits, plain, image size C, then zeros.
  EXPECT_EQ(Dword(f, 22), 40u);
  EXPECT_EQ(Dword(f, 26), static_cast<uint32_t>(size));
  EXPECT_EQ(Dword(f, 30), static_cast<uint32_t>(2 * size));
  EXPECT_EQ(Word(f, 34), 1);
  EXPECT_EQ(Word(f, 36), 4);
  EXPECT_EQ(Dword(f, 38), 0u);
  EXPECT_EQ(Dword(f, 42), colorBytes);
  for (int at = 46; at < 62; at += 4) EXPECT_EQ(Dword(f, at), 0u) << "header offset " << at;

  // The standard 16 colours, black first and white last, each stored blue, green, red, 0.
  std::vector<Rgb> table;
  for (int i = 0; i < 16; ++i) {
    const size_t at = 62 + 4 * i;
    table.push_back({f[at + 2], f[at + 1], f[at]});
    EXPECT_EQ(f[at + 3], 0);
  }
  EXPECT_EQ(table.front(), (Rgb{0, 0, 0}));
  EXPECT_EQ(table.back(), (Rgb{255, 255, 255}));
  const std::set<Rgb> standard = {{0, 0, 0},     {128, 0, 0},   {0, 128, 0},     {128, 128, 0},
                                  {0, 0, 128},   {128, 0, 128}, {0, 128, 128},   {128, 128, 128},
                                  {192, 192, 192}, {255, 0, 0}, {0, 255, 0},     {255, 255, 0},
                                  {0, 0, 255},   {255, 0, 255}, {0, 255, 255},   {255, 255, 255}};
  EXPECT_EQ(std::set<Rgb>(table.begin(), table.end()), standard);

  // Off-palette colours come out as their nearest standard colour: red, navy, silver, aqua.
  const Rgb nearest[4] = {{255, 0, 0}, {0, 0, 128}, {192, 192, 192}, {0, 255, 255}};
  const int row = RowBytes(size, 4), maskRow = RowBytes(size, 1);
  for (int y = 0; y < size; ++y) {
    const size_t rowAt = 126 + static_cast<size_t>(size - 1 - y) * row;  // bottom-up
    const size_t maskAt = 126 + colorBytes + static_cast<size_t>(size - 1 - y) * maskRow;
    for (int x = 0; x < size; ++x) {
      const int index = (x % 2 == 0) ? f[rowAt + x / 2] >> 4 : f[rowAt + x / 2] & 15;
      const bool transparent = f[maskAt + x / 8] & (0x80 >> (x % 8));
      const Pixel want = HalfTransparent(size, x, y);
      ASSERT_EQ(transparent, want.transparent) << "mask at " << x << "," << y;
      if (!want.transparent) {
        ASSERT_EQ(table[index], nearest[y * 4 / size]) << "pixel at " << x << "," << y;
      }
    }
    for (int pad = (size + 7) / 8; pad < maskRow; ++pad) ASSERT_EQ(f[maskAt + pad], 0);
  }
}

}  // namespace

TEST_F(GraphicsTest, IconFilesHaveTheExactLayoutAtBothSizes) {
  const auto large = SaveIconFile(lists.large.get(), 0, "large.ico");
  ASSERT_EQ(large.size(), 766u);
  EXPECT_EQ(Dword(large, 14), 744u);
  CheckIconFile(large, 32);

  const auto small = SaveIconFile(lists.small.get(), 0, "small.ico");
  ASSERT_EQ(small.size(), 318u);
  EXPECT_EQ(Dword(small, 14), 296u);
  CheckIconFile(small, 16);
}

TEST_F(GraphicsTest, FullyTransparentSlotGivesAllOnesMaskAndWhiteBitmap) {
  const auto ico = SaveIconFile(lists.large.get(), 1, "clear.ico");
  ASSERT_EQ(ico.size(), 766u);
  for (int y = 0; y < 32; ++y)
    for (int i = 0; i < 4; ++i) ASSERT_EQ(ico[126 + 512 + y * 4 + i], 0xFF);

  const auto bmp = SaveBitmapFile(lists.large.get(), 1, "clear.bmp");
  if (DisplayDepth() < 24) GTEST_SKIP() << "pixel check needs a true-colour display";
  const int bytesPerPixel = DisplayDepth() / 8;
  const uint32_t offset = Dword(bmp, 10);
  for (size_t i = 0; i < 32u * RowBytes(32, DisplayDepth()); ++i) {
    if (bytesPerPixel == 4 && i % 4 == 3) continue;  // unused byte
    ASSERT_EQ(bmp[offset + i], 0xFF) << "byte " << i;
  }
}

TEST_F(GraphicsTest, BitmapFilesFollowTheDisplayDepth) {
  const int depth = DisplayDepth();
  for (auto [list, size] : {std::pair{lists.large.get(), 32}, std::pair{lists.small.get(), 16}}) {
    SCOPED_TRACE(size);
    const auto f = SaveBitmapFile(list, 0, "b" + std::to_string(size) + ".bmp");
    ASSERT_GE(f.size(), 54u);
    EXPECT_EQ(f[0], 'B');
    EXPECT_EQ(f[1], 'M');
    const uint32_t compression = Dword(f, 30);
    const uint32_t info = depth <= 8 ? 40 + 4 * (1u << depth) : (compression == BI_BITFIELDS ? 52 : 40);
    const uint32_t pixels = RowBytes(size, depth) * size;
    EXPECT_EQ(f.size(), 14 + info + pixels);
    EXPECT_EQ(Dword(f, 2), f.size());
    EXPECT_EQ(Dword(f, 6), 0u);
    EXPECT_EQ(Dword(f, 10), 14 + info);
    EXPECT_EQ(Dword(f, 14), 40u);
    EXPECT_EQ(static_cast<int32_t>(Dword(f, 18)), size);
    EXPECT_EQ(static_cast<int32_t>(Dword(f, 22)), size);
    EXPECT_EQ(Word(f, 26), 1);
    EXPECT_EQ(Word(f, 28), depth);
    EXPECT_EQ(Dword(f, 34), pixels);
    if (depth == 32 && compression == BI_RGB) {
      EXPECT_EQ(f.size(), size == 32 ? 4150u : 1078u);
    }
    if (depth == 24) {
      EXPECT_EQ(f.size(), size == 32 ? 3126u : 822u);
    }
    if (depth > 8 && compression == BI_BITFIELDS) {
      EXPECT_NE(Dword(f, 54), 0u);
      EXPECT_NE(Dword(f, 58), 0u);
      EXPECT_NE(Dword(f, 62), 0u);
    }

    if (depth < 24) continue;
    // Transparent pixels white, opaque ones the slot's colour unchanged; rows bottom-up.
    const int bpp = depth / 8, row = RowBytes(size, depth);
    for (int y = 0; y < size; ++y) {
      for (int x = 0; x < size; ++x) {
        const size_t at = Dword(f, 10) + static_cast<size_t>(size - 1 - y) * row + x * bpp;
        const Pixel want = HalfTransparent(size, x, y);
        const Rgb expect = want.transparent ? Rgb{255, 255, 255} : Expected(want.color);
        ASSERT_EQ((Rgb{f[at + 2], f[at + 1], f[at]}), expect) << x << "," << y;
      }
    }
  }
}

TEST_F(GraphicsTest, SerialisingAgainGivesTheSameBytesAndANewHandleItsOwn) {
  TIcon icon;
  CopySlotAsIcon(lists.large.get(), 0, &icon);
  TMemoryStream first;
  SerializeIcon(icon, first);
  TMemoryStream second;
  SerializeIcon(icon, second);
  EXPECT_EQ(first.Bytes(), second.Bytes());

  CopySlotAsIcon(lists.large.get(), 1, &icon);
  TMemoryStream third;
  SerializeIcon(icon, third);
  EXPECT_NE(first.Bytes(), third.Bytes());
  EXPECT_EQ(third.Bytes().size(), 766u);
}

TEST_F(GraphicsTest, InvalidGraphicsRaiseTheirErrors) {
  TIcon icon;
  EXPECT_THROW(icon.SetWidth(16), EInvalidGraphicOperation);
  try {
    icon.SetHeight(16);
    ADD_FAILURE() << "no error for a new height";
  } catch (const win::Exception& e) {
    EXPECT_STREQ(e.what(), "Cannot change the size of an icon");
  }

  // A slot outside the list gives no icon.
  CopySlotAsIcon(lists.large.get(), 99, &icon);
  TMemoryStream stream;
  try {
    SerializeIcon(icon, stream);
    ADD_FAILURE() << "no error for an empty icon";
  } catch (const EInvalidGraphic& e) {
    EXPECT_STREQ(e.what(), "Icon image is not valid");
  }

  // An image list without a handle fills nothing; an empty bitmap is no success.
  TBitmap bitmap;
  RenderSlotToBitmap(nullptr, 0, &bitmap);
  EXPECT_TRUE(bitmap.Empty());
  try {
    SerializeBitmap(bitmap, stream);
    ADD_FAILURE() << "no error for an empty bitmap";
  } catch (const EInvalidGraphic& e) {
    EXPECT_STREQ(e.what(), "Bitmap image is not valid");
  }
  EXPECT_TRUE(stream.Bytes().empty());
  EXPECT_THROW(BuildDibHeader(nullptr, 0), EInvalidGraphic);
}

TEST_F(GraphicsTest, ShortWriteIsAStreamWriteError) {
  struct FullDisk : TStream {
    DWORD Write(const void*, DWORD count) override { return count / 2; }
  } full;
  TBitmap bitmap;
  RenderSlotToBitmap(lists.small.get(), 0, &bitmap);
  try {
    SerializeBitmap(bitmap, full);
    ADD_FAILURE() << "no error for a short write";
  } catch (const EWriteError& e) {
    EXPECT_STREQ(e.what(), "Stream write error");
  }
}

TEST_F(GraphicsTest, DrawingOnACopyLeavesTheOriginalAlone) {
  TBitmap original;
  RenderSlotToBitmap(lists.large.get(), 1, &original);  // all white
  TMemoryStream before;
  SerializeBitmap(original, before);
  TBitmap copy(original);
  PatBlt(copy.Canvas().Handle(), 0, 0, 32, 32, BLACKNESS);
  TMemoryStream after, drawn;
  SerializeBitmap(original, after);
  SerializeBitmap(copy, drawn);
  EXPECT_EQ(before.Bytes(), after.Bytes());
  EXPECT_NE(before.Bytes(), drawn.Bytes());
}
