// Opening, emptying and filling the system clipboard on behalf of the copy command.
#include "export/Clipbrd.h"

#include <algorithm>
#include <cstring>

#include "win/Dib.h"
#include "win/Text.h"

namespace {

// The icon drawn on a background of one colour into top-down 32-bit pixels.
std::vector<std::uint32_t> DrawnOn(HICON icon, int size, COLORREF background) {
  const BITMAPINFO bi = win::TopDown32(size, size);
  void* bits = nullptr;
  win::UniqueDC dc(CreateCompatibleDC(nullptr));
  win::UniqueBitmap bitmap(CreateDIBSection(dc.get(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!dc || !bitmap || !bits) throw win::EOutOfMemory();
  std::vector<std::uint32_t> pixels(static_cast<size_t>(size) * static_cast<size_t>(size));
  {
    win::SelectInDC select(dc.get(), bitmap.get());
    win::UniqueBrush brush(CreateSolidBrush(background));
    const RECT all{0, 0, size, size};
    FillRect(dc.get(), &all, brush.get());
    DrawIconEx(dc.get(), 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
    GdiFlush();
    std::memcpy(pixels.data(), bits, pixels.size() * sizeof(std::uint32_t));
  }
  return pixels;
}

const char kHiddenWindowClass[] = "MirovaneClipboardOwner";

HWND CreateHiddenWindow() {
  static const ATOM atom = [] {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kHiddenWindowClass;
    return RegisterClassA(&wc);
  }();
  if (!atom) return nullptr;
  return CreateWindowExA(0, kHiddenWindowClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                         GetModuleHandleA(nullptr), nullptr);
}

}  // namespace

TClipboard::~TClipboard() {
  if (openCount_ > 0) CloseClipboard();
}

void TClipboard::Open() {
  if (openCount_ == 0) {
    HWND owner = owner_ ? owner_() : nullptr;
    if (!owner) {
      hiddenWindow_.reset(CreateHiddenWindow());
      owner = hiddenWindow_.get();
    }
    if (!OpenClipboard(owner)) {
      const DWORD error = GetLastError();
      hiddenWindow_.reset();
      throw EClipboardException("Cannot open clipboard", error);
    }
    emptied_ = false;
  }
  ++openCount_;
}

void TClipboard::Close() {
  if (openCount_ == 0) return;
  if (--openCount_ == 0) {
    CloseClipboard();
    hiddenWindow_.reset();
  }
}

void TClipboard::Clear() {
  Open();
  EmptyClipboard();
  emptied_ = true;
  Close();
}

void TClipboard::Adding() {
  if (openCount_ > 0 && !emptied_) {
    EmptyClipboard();
    emptied_ = true;
  }
}

void TClipboard::Assign(TBitmap& bitmap) {
  Open();
  try {
    Adding();
    win::UniqueBitmap data(CopyBitmapForClipboard(bitmap));
    // From here on the clipboard owns the bitmap.
    if (data && SetClipboardData(CF_BITMAP, data.get())) data.release();
  } catch (...) {
    Close();
    throw;
  }
  Close();
}

void TClipboard::AddBytes(UINT format, const std::vector<std::uint8_t>& bytes) {
  Open();
  try {
    Adding();
    win::UniqueGlobal block(GlobalAlloc(GMEM_MOVEABLE, bytes.size()));
    if (!block) throw win::EOutOfMemory();
    if (!bytes.empty()) {
      const win::LockedGlobal locked(block.get());
      if (!locked.Data()) throw win::EOutOfMemory();
      std::memcpy(locked.Data(), bytes.data(), bytes.size());
    }
    // From here on the clipboard owns the block.
    if (SetClipboardData(format, block.get())) block.release();
  } catch (...) {
    Close();
    throw;
  }
  Close();
}

TClipboard& Clipboard() {
  static TClipboard clipboard;
  return clipboard;
}

HBITMAP CopyBitmapForClipboard(TBitmap& bitmap) {
  const int width = bitmap.Width(), height = bitmap.Height();
  HBITMAP source = bitmap.Handle();
  if (!source) return nullptr;
  BITMAP bm{};
  GetObjectA(source, sizeof bm, &bm);
  win::UniqueBitmap copy;
  if (bm.bmPlanes == 1 && bm.bmBitsPixel == 1) {
    copy.reset(CreateBitmap(width, height, 1, 1, nullptr));
  } else {
    win::WindowDC screen(nullptr);
    copy.reset(CreateCompatibleBitmap(screen.get(), width, height));
  }
  if (!copy) throw win::EOutOfMemory();
  bitmap.ReleaseCanvas();
  win::UniqueDC src(CreateCompatibleDC(nullptr)), dst(CreateCompatibleDC(nullptr));
  {
    win::SelectInDC selectSrc(src.get(), source);
    win::SelectInDC selectDst(dst.get(), copy.get());
    win::UniqueBrush brush(CreateSolidBrush(bitmap.BrushColor()));
    {
      win::SelectInDC selectBrush(dst.get(), brush.get());
      PatBlt(dst.get(), 0, 0, width, height, PATCOPY);
    }
    BitBlt(dst.get(), 0, 0, width, height, src.get(), 0, 0, SRCCOPY);
  }
  return copy.release();
}

void CopyBitmapToClipboard(TBitmap& bitmap, TClipboard& clipboard) { clipboard.Assign(bitmap); }

UINT PngClipboardFormat() {
  static const UINT format = RegisterClipboardFormatA("PNG");
  return format;
}

std::vector<std::uint8_t> IconDibV5(HICON icon, int size) {
  // Drawn on black and on white, a pixel of alpha a and colour c shows c*a and c*a + (1-a)
  // white: their difference gives the alpha, whatever the icon keeps its transparency in.
  const std::vector<std::uint32_t> black = DrawnOn(icon, size, RGB(0, 0, 0));
  const std::vector<std::uint32_t> white = DrawnOn(icon, size, RGB(255, 255, 255));
  BITMAPV5HEADER header{};
  header.bV5Size = sizeof header;
  header.bV5Width = size;
  header.bV5Height = size;  // bottom-up, as most readers of the format expect
  header.bV5Planes = 1;
  header.bV5BitCount = 32;
  header.bV5Compression = BI_BITFIELDS;
  header.bV5SizeImage = static_cast<DWORD>(black.size() * 4);
  header.bV5RedMask = 0x00FF0000;
  header.bV5GreenMask = 0x0000FF00;
  header.bV5BlueMask = 0x000000FF;
  header.bV5AlphaMask = 0xFF000000;
  header.bV5CSType = 0x73524742;  // LCS_sRGB, "sRGB" (the header spells it as a multi-character constant)
  header.bV5Intent = LCS_GM_IMAGES;
  std::vector<std::uint8_t> dib(sizeof header + black.size() * 4);
  std::memcpy(dib.data(), &header, sizeof header);
  std::uint8_t* out = dib.data() + sizeof header;
  for (int y = size - 1; y >= 0; --y) {
    for (int x = 0; x < size; ++x) {
      const size_t at = static_cast<size_t>(y) * static_cast<size_t>(size) + static_cast<size_t>(x);
      int spread = 0;
      for (int shift = 0; shift < 24; shift += 8)
        spread = std::max(spread, static_cast<int>((white[at] >> shift) & 0xFF) - static_cast<int>((black[at] >> shift) & 0xFF));
      const int alpha = 255 - std::clamp(spread, 0, 255);
      for (int shift = 0; shift < 24; shift += 8) {
        const int shown = static_cast<int>((black[at] >> shift) & 0xFF);
        *out++ = static_cast<std::uint8_t>(alpha == 0 ? 0 : std::min(255, (shown * 255 + alpha / 2) / alpha));
      }
      *out++ = static_cast<std::uint8_t>(alpha);
    }
  }
  return dib;
}

void CopyIconToClipboard(TBitmap& bitmap, HICON icon, const std::vector<std::uint8_t>& png, TClipboard& clipboard) {
  // Made before the clipboard opens: nothing changes on it when drawing fails.
  const std::vector<std::uint8_t> dib = icon ? IconDibV5(icon, bitmap.Width()) : std::vector<std::uint8_t>{};
  clipboard.Open();
  try {
    // The bitmap first: the platform derives CF_DIB from the first of the two it was given.
    clipboard.Assign(bitmap);
    if (!dib.empty()) clipboard.AddBytes(CF_DIBV5, dib);
    if (!png.empty()) clipboard.AddBytes(PngClipboardFormat(), png);
  } catch (...) {
    clipboard.Close();
    throw;
  }
  clipboard.Close();
}

void CopyTextToClipboard(const std::string& text, TClipboard& clipboard) {
  const std::wstring wide = win::Widen(text);
  std::vector<std::uint8_t> bytes((wide.size() + 1) * sizeof(wchar_t), 0);
  std::memcpy(bytes.data(), wide.data(), wide.size() * sizeof(wchar_t));
  clipboard.AddBytes(CF_UNICODETEXT, bytes);
}
