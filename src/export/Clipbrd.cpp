// Opening, emptying and filling the system clipboard on behalf of the copy command.
#include "export/Clipbrd.h"

namespace {

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
      hiddenWindow_.reset();
      throw EClipboardException("Cannot open clipboard");
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
