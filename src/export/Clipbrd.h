// The program's clipboard object: nested opening, emptying once per opening, and putting a
// bitmap on the clipboard.
//
// The main window's miCopyClick is expected to render the focused entry's 32 x 32 slot with
// RenderSlotToBitmap into a fresh TBitmap and call CopyBitmapToClipboard(bitmap); a
// win::Exception ("Cannot open clipboard") goes to the general error display. At start it may
// call Clipboard().SetOwnerProvider(...) so the clipboard is opened with the main window.
#pragma once
#include <windows.h>
#include <functional>
#include "export/Graphics.h"
#include "win/Handles.h"

class EClipboardException : public win::Exception {
 public:
  using win::Exception::Exception;
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
