// Graphic objects made from an image-list slot (icon, display bitmap) and their .ico/.bmp file output.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>
#include "win/Errors.h"
#include "win/Handles.h"

// Errors raised while writing graphics. A file that could not be created or written carries
// the system's error code.
class EFCreateError : public win::Exception {
 public:
  EFCreateError(const std::string& message, DWORD code) : win::Exception(message, win::ErrorKind::FileCreate, code) {}
};
class EWriteError : public win::Exception {
 public:
  explicit EWriteError(DWORD code = 0) : win::Exception("Stream write error", win::ErrorKind::FileWrite, code) {}
};
class EInvalidGraphic : public win::Exception {
 public:
  // code: the imaging library's HRESULT, where it refused.
  explicit EInvalidGraphic(const std::string& message, DWORD code = 0)
      : win::Exception(message, win::ErrorKind::InvalidGraphic, code) {}

 protected:
  EInvalidGraphic(const std::string& message, win::ErrorKind kind) : win::Exception(message, kind) {}
};
class EInvalidGraphicOperation : public win::Exception {
 public:
  explicit EInvalidGraphicOperation(const std::string& message)
      : win::Exception(message, win::ErrorKind::InvalidOperation) {}
};

// Byte sink the serialisers write to; a short or failed write raises EWriteError.
class TStream {
 public:
  virtual ~TStream() = default;
  virtual DWORD Write(const void* data, DWORD count) = 0;
  void WriteBuffer(const void* data, size_t count);
};

// Writes through to an open file handle (not owned); a write the system refuses raises
// EWriteError with its code.
class TFileStream : public TStream {
 public:
  explicit TFileStream(HANDLE file) : file_(file) {}
  DWORD Write(const void* data, DWORD count) override;

 private:
  HANDLE file_;
};

class TMemoryStream : public TStream {
 public:
  DWORD Write(const void* data, DWORD count) override;
  const std::vector<uint8_t>& Bytes() const { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
};

class TGraphic {
 public:
  virtual ~TGraphic() = default;
  virtual void SetWidth(int width) = 0;
  virtual void SetHeight(int height) = 0;
  virtual void SaveToStream(TStream& stream) = 0;
  void SaveToFile(const std::string& path);
};

// Shared between copies of one TIcon; replaced, never changed, when the handle changes.
struct TIconImage {
  win::UniqueIcon handle;
  std::vector<uint8_t> bytes;  // serialised .ico file, built on the first save
};

class TIcon : public TGraphic {
 public:
  TIcon();
  HICON Handle() const { return image_->handle.get(); }
  // Takes ownership of the icon; drops the old image and its cached bytes.
  void SetHandle(HICON icon);
  void SetWidth(int width) override;
  void SetHeight(int height) override;
  void SaveToStream(TStream& stream) override;

 private:
  friend void SerializeIcon(TIcon& icon, TStream& stream);
  std::shared_ptr<TIconImage> image_;
};

// Description of a device-independent bitmap: info header and, for bit fields, the three masks.
struct TDibDescription {
  BITMAPINFOHEADER header{};
  DWORD masks[3]{};
  bool recorded = false;
};

// Shared between copies of one TBitmap; copied before a shared one is drawn on.
struct TBitmapImage {
  int width = 0;
  int height = 0;
  bool monochrome = false;
  win::UniqueBitmap handle;  // display-compatible bitmap; none until both sizes are non-zero
  win::UniqueBitmap dib;     // device-independent copy, made for saving
  TDibDescription description;
};

class TBitmap;

// Drawing surface over a bitmap: a memory DC holding it selected, and a fill brush.
class TBitmapCanvas {
 public:
  explicit TBitmapCanvas(TBitmap& owner) : owner_(owner) {}
  ~TBitmapCanvas() { ReleaseHandle(); }
  TBitmapCanvas(const TBitmapCanvas&) = delete;
  TBitmapCanvas& operator=(const TBitmapCanvas&) = delete;
  HDC Handle();
  // Gives the bitmap back (GetDIBits needs it unselected); the next Handle() selects it again.
  void ReleaseHandle();
  COLORREF BrushColor() const { return brushColor_; }
  void SetBrushColor(COLORREF color) { brushColor_ = color; }

 private:
  TBitmap& owner_;
  win::UniqueDC dc_;
  HGDIOBJ oldBitmap_ = nullptr;
  COLORREF brushColor_ = RGB(255, 255, 255);
};

class TBitmap : public TGraphic {
 public:
  TBitmap();
  TBitmap(const TBitmap& other);
  TBitmap& operator=(const TBitmap& other);
  ~TBitmap() override;

  int Width() const { return image_->width; }
  int Height() const { return image_->height; }
  void SetWidth(int width) override;
  void SetHeight(int height) override;
  // The display-compatible bitmap; none while a size is 0.
  HBITMAP Handle() const { return image_->handle.get(); }
  bool Empty() const { return !image_->handle; }
  // Drawing on the canvas changes the pixels, so this drops the device-independent copy.
  TBitmapCanvas& Canvas();
  COLORREF BrushColor() const { return canvas_ ? canvas_->BrushColor() : RGB(255, 255, 255); }
  void SaveToStream(TStream& stream) override;

 private:
  friend class TBitmapCanvas;
  friend void SerializeBitmap(TBitmap& bitmap, TStream& stream);
  friend HBITMAP CopyBitmapForClipboard(TBitmap& bitmap);
  void SetSize(int width, int height);
  void MakeUnique();
  void ReleaseCanvas();
  void MakeDeviceIndependentCopy();

  std::shared_ptr<TBitmapImage> image_;
  std::unique_ptr<TBitmapCanvas> canvas_;
};

// Bytes of one pixel row, padded to 32 bits.
constexpr int RowBytes(int width, int bits) { return ((width * bits + 31) & ~31) / 8; }

// Header plus colour table plus masks for a device-independent image with this header.
int DibInfoSize(const BITMAPINFOHEADER& header);

// A 40-byte header describing the bitmap at the requested colour count (0 = its own depth,
// 2, 16 or 256). Raises "Bitmap image is not valid" when the platform cannot describe it.
BITMAPINFOHEADER BuildDibHeader(HBITMAP bitmap, int colors);

// The slot's image and mask as an icon of the list's size; replaces the icon's image.
void CopySlotAsIcon(HIMAGELIST imageList, int slot, TIcon* icon);
// The slot drawn through its mask over white at the list's size and the display's depth.
void RenderSlotToBitmap(HIMAGELIST imageList, int slot, TBitmap* bitmap);

// Single-image .ico bytes, 4 bits per pixel, built once and cached in the icon.
void SerializeIcon(TIcon& icon, TStream& stream);
// .bmp bytes at the bitmap's own depth. A bitmap without pixels raises "Bitmap image is not valid".
void SerializeBitmap(TBitmap& bitmap, TStream& stream);

// Creates (or replaces) the file and writes the graphic into it (EFCreateError, EWriteError with
// the system's code). A failed write leaves the file.
void SaveGraphicToFile(TGraphic& graphic, const std::string& path);
