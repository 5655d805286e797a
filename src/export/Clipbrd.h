// The program's clipboard object: nested opening, emptying once per opening, and putting a
// bitmap, and the icon with its transparency, on the clipboard.
//
// The main window's miCopyClick renders the focused entry's 32 x 32 slot into a TBitmap and
// calls CopyIconToClipboard with it, the entry's 32 x 32 icon and its PNG; a win::Exception
// ("Cannot open clipboard") goes to the general error display. At start it calls
// Clipboard().SetOwnerProvider(...) so the clipboard is opened with the main window.
#pragma once
#include <windows.h>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>
#include "export/Graphics.h"
#include "win/Handles.h"

// With the system's code of the call that failed.
class EClipboardException : public win::Exception {
 public:
  EClipboardException(const std::string& message, DWORD code)
      : win::Exception(message, win::ErrorKind::Clipboard, code) {}
};

class TClipboard {
 public:
  // Gives the window to open the clipboard with; none (or a null result) makes the
  // clipboard use a hidden window of its own.
  using OwnerProvider = std::function<HWND()>;

  explicit TClipboard(OwnerProvider owner = {}) : owner_(std::move(owner)) {}
  ~TClipboard();
  TClipboard(const TClipboard&) = delete;
  TClipboard& operator=(const TClipboard&) = delete;

  void SetOwnerProvider(OwnerProvider owner) { owner_ = std::move(owner); }
  // Really opens only at the first of nested calls; raises "Cannot open clipboard".
  void Open();
  // Really closes only at the last of nested calls.
  void Close();
  // Empties the clipboard (all formats of all programs) once per opening.
  void Clear();
  int OpenCount() const { return openCount_; }
  // Places a copy of the bitmap under CF_BITMAP, replacing what the clipboard held.
  void Assign(TBitmap& bitmap);
  // Places the bytes under the format beside what this opening placed before.
  void AddBytes(UINT format, const std::vector<std::uint8_t>& bytes);

 private:
  void Adding();

  OwnerProvider owner_;
  int openCount_ = 0;
  bool emptied_ = false;
  win::UniqueWindow hiddenWindow_;
};

// The program-wide clipboard object, created on first use.
TClipboard& Clipboard();

// A new display-compatible bitmap of the same size (1-bit for a 1-bit source), filled with the
// bitmap's brush colour and then with all its pixels. The caller owns the result.
HBITMAP CopyBitmapForClipboard(TBitmap& bitmap);

// The copy command's hand-over: the bitmap, drawn over white, becomes the clipboard's only content.
void CopyBitmapToClipboard(TBitmap& bitmap, TClipboard& clipboard = Clipboard());

// The clipboard format programs that take images with transparency read: "PNG".
UINT PngClipboardFormat();

// The text (UTF-8) as the clipboard's only content, under CF_UNICODETEXT (the platform gives
// the other text formats from it).
void CopyTextToClipboard(const std::string& text, TClipboard& clipboard = Clipboard());

// The icon drawn at size x size as a packed DIB v5 (the header, then bottom-up rows of 32-bit
// pixels with straight alpha): what CF_DIBV5 holds. Transparent parts get alpha 0 whether the
// icon keeps them in an alpha channel or a mask. Raises win::EOutOfMemory when it cannot draw.
std::vector<std::uint8_t> IconDibV5(HICON icon, int size);

// The copy command's hand-over with transparency: the bitmap over white under CF_BITMAP (the
// platform makes CF_DIB from it, as before), the icon with its alpha under CF_DIBV5 at the
// bitmap's size (when there is an icon), and the PNG bytes (when there are any) under
// PngClipboardFormat().
void CopyIconToClipboard(TBitmap& bitmap, HICON icon, const std::vector<std::uint8_t>& png,
                         TClipboard& clipboard = Clipboard());
