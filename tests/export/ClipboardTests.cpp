// The copy command's clipboard hand-over: one 32 x 32 bitmap over white, the icon's
// transparency beside it, and a busy clipboard.
#include <gtest/gtest.h>
#include <algorithm>
#include <cstring>
#include <thread>
#include "ExportTestSupport.h"
#include "export/Clipbrd.h"
#include "export/StoredIcon.h"
#include "fixtures/IconFixtures.h"
#include "iconres/IconFile.h"
#include "iconres/SoundImage.h"
#include "win/Dib.h"

using namespace exporttest;

namespace {

void PutText(const char* text) {
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  const size_t n = strlen(text) + 1;
  HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, n);
  memcpy(GlobalLock(mem), text, n);
  GlobalUnlock(mem);
  SetClipboardData(CF_TEXT, mem);
  CloseClipboard();
}

std::string ClipboardText() {
  std::string text;
  if (!OpenClipboard(nullptr)) return "<cannot open>";
  if (HANDLE h = GetClipboardData(CF_TEXT)) {
    text = static_cast<const char*>(GlobalLock(h));
    GlobalUnlock(h);
  }
  CloseClipboard();
  return text;
}

}  // namespace

TEST(ClipboardCopy, HoldsOnlyTheIconOverWhite) {
  ImageLists lists = MakeTestImageLists();
  PutText("previous");
  win::UniqueWindow owner(CreateWindowExA(0, "STATIC", "owner", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr));
  TClipboard clipboard([&] { return owner.get(); });
  {
    TBitmap bitmap;
    RenderSlotToBitmap(lists.large.get(), 0, &bitmap);
    CopyBitmapToClipboard(bitmap, clipboard);
  }
  EXPECT_EQ(clipboard.OpenCount(), 0);

  ASSERT_TRUE(OpenClipboard(nullptr));
  EXPECT_EQ(GetClipboardOwner(), owner.get());
  EXPECT_FALSE(IsClipboardFormatAvailable(CF_TEXT));
  // Only the bitmap and the forms the platform derives from it on request.
  for (UINT format = EnumClipboardFormats(0); format; format = EnumClipboardFormats(format))
    EXPECT_TRUE(format == CF_BITMAP || format == CF_DIB || format == CF_DIBV5) << "format " << format;
  HBITMAP data = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
  ASSERT_NE(data, nullptr);
  BITMAP bm{};
  ASSERT_TRUE(GetObjectA(data, sizeof bm, &bm));
  EXPECT_EQ(bm.bmWidth, 32);
  EXPECT_EQ(bm.bmHeight, 32);
  EXPECT_EQ(bm.bmPlanes * bm.bmBitsPixel, DisplayDepth());

  BITMAPINFO bi = win::TopDown32(32, 32);
  std::vector<uint32_t> pixels(32 * 32);
  win::UniqueDC dc(CreateCompatibleDC(nullptr));
  ASSERT_EQ(GetDIBits(dc.get(), data, 0, 32, pixels.data(), &bi, DIB_RGB_COLORS), 32);
  CloseClipboard();
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) {
      const Pixel want = HalfTransparent(32, x, y);
      const uint32_t got = pixels[y * 32 + x] & 0xFFFFFF;
      if (want.transparent) {
        ASSERT_EQ(got, 0xFFFFFFu) << x << "," << y;
      } else if (DisplayDepth() >= 24) {
        const COLORREF c = want.color;
        ASSERT_EQ(got, static_cast<uint32_t>(GetRValue(c) << 16 | GetGValue(c) << 8 | GetBValue(c)))
            << x << "," << y;
      }
    }
  }
}

TEST(ClipboardCopy, BusyClipboardIsReportedAndKeepsItsContent) {
  ImageLists lists = MakeTestImageLists();
  PutText("kept");
  HANDLE held = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  std::thread other([&] {
    HWND wnd = CreateWindowExA(0, "STATIC", "other", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    const bool opened = OpenClipboard(wnd);
    SetEvent(held);
    WaitForSingleObject(release, 30000);
    if (opened) CloseClipboard();
    DestroyWindow(wnd);
  });
  WaitForSingleObject(held, 30000);

  TClipboard clipboard;  // no application window: uses a hidden one of its own
  TBitmap bitmap;
  RenderSlotToBitmap(lists.large.get(), 0, &bitmap);
  try {
    CopyBitmapToClipboard(bitmap, clipboard);
    ADD_FAILURE() << "opened a clipboard held by another window";
  } catch (const EClipboardException& e) {
    EXPECT_STREQ(e.what(), "Cannot open clipboard");
    EXPECT_EQ(e.Code(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  }
  EXPECT_EQ(clipboard.OpenCount(), 0);
  SetEvent(release);
  other.join();
  CloseHandle(held);
  CloseHandle(release);
  EXPECT_EQ(ClipboardText(), "kept");

  // Free again: the same object now succeeds with its hidden window, opened in nested steps.
  clipboard.Open();
  clipboard.Open();
  EXPECT_EQ(clipboard.OpenCount(), 2);
  CopyBitmapToClipboard(bitmap, clipboard);
  clipboard.Close();
  EXPECT_EQ(clipboard.OpenCount(), 1);
  clipboard.Close();
  EXPECT_EQ(clipboard.OpenCount(), 0);
  ASSERT_TRUE(OpenClipboard(nullptr));
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_BITMAP));
  EXPECT_FALSE(IsClipboardFormatAvailable(CF_TEXT));
  CloseClipboard();
}

// Copy keeps the transparency for programs that read it: the icon's alpha under CF_DIBV5 at
// the bitmap's size, the PNG beside it, and the bitmap as before for the others.
TEST(ClipboardCopy, KeepsTheTransparencyBesideTheBitmap) {
  fixtures::TempFolder folder("clip");
  fixtures::MakeIconFixtureFolder(folder.Path());
  // icons.dll's third icon stores 32-bit images with alpha.
  const iconres::IconFile file = iconres::LoadIconFile(folder.Path() + "icons.dll", "");
  const std::vector<uint8_t> png = LargestImagePngBytes(file, 2);
  ImageLists lists = MakeTestImageLists();
  win::UniqueIcon icon(ImageList_GetIcon(lists.large.get(), 0, ILD_NORMAL));
  ASSERT_TRUE(icon);
  TClipboard clipboard;
  {
    TBitmap bitmap;
    RenderSlotToBitmap(lists.large.get(), 0, &bitmap);
    CopyIconToClipboard(bitmap, icon.get(), png, clipboard);
  }
  ASSERT_TRUE(OpenClipboard(nullptr));
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_BITMAP));
  auto bytes = [](UINT format) {
    std::vector<uint8_t> b;
    if (HANDLE h = GetClipboardData(format)) {
      const auto* p = static_cast<const uint8_t*>(GlobalLock(h));
      b.assign(p, p + GlobalSize(h));
      GlobalUnlock(h);
    }
    return b;
  };
  const std::vector<uint8_t> dib = bytes(CF_DIBV5), pasted = bytes(PngClipboardFormat());
  CloseClipboard();

  ASSERT_GE(dib.size(), sizeof(BITMAPV5HEADER) + 32 * 32 * 4);
  BITMAPV5HEADER header{};
  std::memcpy(&header, dib.data(), sizeof header);
  EXPECT_EQ(header.bV5Width, 32);
  EXPECT_EQ(header.bV5Height, 32);
  EXPECT_EQ(header.bV5AlphaMask, 0xFF000000u);
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) {
      const uint8_t* p = dib.data() + sizeof header + ((31 - y) * 32 + x) * 4;
      const Pixel want = HalfTransparent(32, x, y);
      ASSERT_EQ(p[3], want.transparent ? 0 : 255) << x << "," << y;
      if (!want.transparent) {
        ASSERT_EQ(RGB(p[2], p[1], p[0]), want.color) << x << "," << y;
      }
    }
  }

  // The PNG is the icon's file's largest image, transparent where that is.
  EXPECT_TRUE(pasted.size() >= png.size() && std::equal(png.begin(), png.end(), pasted.begin()));
  win::ComScope com;
  UINT width = 0, height = 0;
  win::ComPtr<IWICBitmapSource> decoded =
      iconres::DecodePng({pasted.data(), png.size()}, GUID_WICPixelFormat32bppBGRA, width, height);
  ASSERT_TRUE(decoded);
  std::vector<uint8_t> pixels(width * height * 4);
  ASSERT_TRUE(SUCCEEDED(decoded->CopyPixels(nullptr, width * 4, static_cast<UINT>(pixels.size()), pixels.data())));
  int clear = 0, solid = 0;
  for (size_t i = 3; i < pixels.size(); i += 4) {
    clear += pixels[i] == 0;
    solid += pixels[i] == 255;
  }
  EXPECT_GT(clear, 0);
  EXPECT_GT(solid, 0);
}
