// The copy command's clipboard hand-over: one 32 x 32 bitmap over white, and a busy clipboard.
#include <gtest/gtest.h>
#include <thread>
#include "ExportTestSupport.h"
#include "export/Clipbrd.h"

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

  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = 32;
  bi.bmiHeader.biHeight = -32;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
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
