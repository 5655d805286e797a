// Icon and bitmap objects filled from image-list slots, and their exact .ico and .bmp file layouts.
#include "export/Graphics.h"
#include <cstring>

#include "win/LongPath.h"

namespace {

constexpr int kFileHeaderSize = 14;
constexpr int kIconDirSize = 6;
constexpr int kIconEntrySize = 16;

// Drawing flags of both image lists: transparent style (1) combined with image type (0).
constexpr UINT kImageListDrawFlags = ILD_TRANSPARENT;

// The bitmap must not be selected into a DC while GetDIBits reads it, so conversions use a
// fresh memory DC with the default palette.
win::UniqueDC NewMemoryDC() { return win::UniqueDC(CreateCompatibleDC(nullptr)); }

void PutWord(uint8_t* p, uint16_t v) { std::memcpy(p, &v, 2); }
void PutDword(uint8_t* p, uint32_t v) { std::memcpy(p, &v, 4); }

void FillWithBrush(HDC dc, int width, int height, COLORREF color) {
  win::UniqueBrush brush(CreateSolidBrush(color));
  win::SelectInDC select(dc, brush.get());
  PatBlt(dc, 0, 0, width, height, PATCOPY);
}

void DefaultMasks(const BITMAPINFOHEADER& h, DWORD masks[3]) {
  if (h.biCompression != BI_BITFIELDS) return;
  if (h.biBitCount == 16) {
    if (!masks[0]) masks[0] = 0xF800;
    if (!masks[1]) masks[1] = 0x07E0;
    if (!masks[2]) masks[2] = 0x001F;
  } else if (h.biBitCount == 32) {
    if (!masks[0]) masks[0] = 0x00FF0000;
    if (!masks[1]) masks[1] = 0x0000FF00;
    if (!masks[2]) masks[2] = 0x000000FF;
  }
}

}  // namespace

void TStream::WriteBuffer(const void* data, size_t count) {
  if (count != 0 && Write(data, static_cast<DWORD>(count)) != count) throw EWriteError();
}

DWORD TFileStream::Write(const void* data, DWORD count) {
  DWORD written = 0;
  if (!WriteFile(file_, data, count, &written, nullptr)) throw EWriteError(GetLastError());
  return written;
}

DWORD TMemoryStream::Write(const void* data, DWORD count) {
  auto p = static_cast<const uint8_t*>(data);
  bytes_.insert(bytes_.end(), p, p + count);
  return count;
}

void TGraphic::SaveToFile(const std::string& path) { SaveGraphicToFile(*this, path); }

// ---- TIcon

TIcon::TIcon() : image_(std::make_shared<TIconImage>()) {}

void TIcon::SetHandle(HICON icon) {
  auto image = std::make_shared<TIconImage>();
  image->handle.reset(icon);
  image_ = std::move(image);
}

void TIcon::SetWidth(int) { throw EInvalidGraphicOperation("Cannot change the size of an icon"); }
void TIcon::SetHeight(int) { throw EInvalidGraphicOperation("Cannot change the size of an icon"); }
void TIcon::SaveToStream(TStream& stream) { SerializeIcon(*this, stream); }

// ---- TBitmap and its canvas

HDC TBitmapCanvas::Handle() {
  if (!dc_) {
    dc_.reset(CreateCompatibleDC(nullptr));
    if (owner_.Handle()) oldBitmap_ = SelectObject(dc_.get(), owner_.Handle());
  }
  return dc_.get();
}

void TBitmapCanvas::ReleaseHandle() {
  if (!dc_) return;
  if (oldBitmap_) SelectObject(dc_.get(), oldBitmap_);
  oldBitmap_ = nullptr;
  dc_.reset();
}

TBitmap::TBitmap() : image_(std::make_shared<TBitmapImage>()) {}
TBitmap::TBitmap(const TBitmap& other) : TGraphic(other), image_(other.image_) {}
TBitmap& TBitmap::operator=(const TBitmap& other) {
  if (this != &other) {
    ReleaseCanvas();
    image_ = other.image_;
  }
  return *this;
}
TBitmap::~TBitmap() { canvas_.reset(); }

void TBitmap::ReleaseCanvas() {
  if (canvas_) canvas_->ReleaseHandle();
}

void TBitmap::SetWidth(int width) { SetSize(width, image_->height); }
void TBitmap::SetHeight(int height) { SetSize(image_->width, height); }

void TBitmap::SetSize(int width, int height) {
  if (width == image_->width && height == image_->height) return;
  ReleaseCanvas();
  auto image = std::make_shared<TBitmapImage>();
  image->width = width;
  image->height = height;
  image->monochrome = image_->monochrome;
  // Only a recorded size until both are non-zero: a bitmap of 0 pixels cannot be created.
  if (width > 0 && height > 0) {
    if (image->monochrome) {
      image->handle.reset(CreateBitmap(width, height, 1, 1, nullptr));
    } else {
      win::WindowDC screen(nullptr);
      image->handle.reset(CreateCompatibleBitmap(screen.get(), width, height));
    }
    if (!image->handle) throw win::EOutOfMemory();
    auto dc = NewMemoryDC();
    win::SelectInDC select(dc.get(), image->handle.get());
    FillWithBrush(dc.get(), width, height, BrushColor());
  }
  image_ = std::move(image);
}

void TBitmap::MakeUnique() {
  if (image_.use_count() <= 1 || !image_->handle) return;
  ReleaseCanvas();
  auto image = std::make_shared<TBitmapImage>();
  image->width = image_->width;
  image->height = image_->height;
  image->monochrome = image_->monochrome;
  image->description = image_->description;
  win::WindowDC screen(nullptr);
  image->handle.reset(image->monochrome
                          ? CreateBitmap(image->width, image->height, 1, 1, nullptr)
                          : CreateCompatibleBitmap(screen.get(), image->width, image->height));
  if (!image->handle) throw win::EOutOfMemory();
  auto src = NewMemoryDC();
  auto dst = NewMemoryDC();
  win::SelectInDC selectSrc(src.get(), image_->handle.get());
  win::SelectInDC selectDst(dst.get(), image->handle.get());
  BitBlt(dst.get(), 0, 0, image->width, image->height, src.get(), 0, 0, SRCCOPY);
  image_ = std::move(image);
}

TBitmapCanvas& TBitmap::Canvas() {
  MakeUnique();
  if (!canvas_) canvas_ = std::make_unique<TBitmapCanvas>(*this);
  image_->dib.reset();
  return *canvas_;
}

void TBitmap::SaveToStream(TStream& stream) { SerializeBitmap(*this, stream); }

void TBitmap::MakeDeviceIndependentCopy() {
  TBitmapImage& im = *image_;
  if (im.dib || !im.handle) return;
  ReleaseCanvas();
  TDibDescription& d = im.description;
  if (!d.recorded) {
    BITMAP bm{};
    if (!GetObjectA(im.handle.get(), sizeof bm, &bm)) throw EInvalidGraphic("Bitmap image is not valid");
    d.header = BITMAPINFOHEADER{};
    d.header.biSize = sizeof(BITMAPINFOHEADER);
    d.header.biWidth = bm.bmWidth;
    d.header.biHeight = bm.bmHeight;
    d.header.biPlanes = 1;
    d.header.biBitCount = static_cast<WORD>(bm.bmPlanes * bm.bmBitsPixel);
    d.header.biCompression = BI_RGB;
    std::memset(d.masks, 0, sizeof d.masks);
    d.recorded = true;
  }

  // Header, then either three masks or up to 256 colour-table entries.
  std::vector<uint8_t> infoBuffer(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
  auto* info = reinterpret_cast<BITMAPINFO*>(infoBuffer.data());
  info->bmiHeader = d.header;
  const int bits = d.header.biBitCount;
  const int width = d.header.biWidth;
  const int height = d.header.biHeight < 0 ? -d.header.biHeight : d.header.biHeight;
  auto dc = NewMemoryDC();
  if (bits <= 8) {
    // The display palette, as the conversion of the display bitmap reports it.
    GetDIBits(dc.get(), im.handle.get(), 0, height, nullptr, info, DIB_RGB_COLORS);
    info->bmiHeader = d.header;
  } else if (d.header.biCompression == BI_BITFIELDS && (bits == 16 || bits == 32)) {
    DWORD masks[3];
    std::memcpy(masks, d.masks, sizeof masks);
    DefaultMasks(d.header, masks);
    std::memcpy(info->bmiColors, masks, sizeof masks);
  }

  void* pixels = nullptr;
  win::UniqueBitmap dib(CreateDIBSection(dc.get(), info, DIB_RGB_COLORS, &pixels, nullptr, 0));
  if (!dib) throw EInvalidGraphic("Bitmap image is not valid");

  if (bits > 8 && width == im.width && height == im.height) {
    GetDIBits(dc.get(), im.handle.get(), 0, height, pixels, info, DIB_RGB_COLORS);
  } else {
    auto src = NewMemoryDC();
    win::SelectInDC selectSrc(src.get(), im.handle.get());
    win::SelectInDC selectDst(dc.get(), dib.get());
    FillWithBrush(dc.get(), width, height, RGB(255, 255, 255));
    BitBlt(dc.get(), 0, 0, width, height, src.get(), 0, 0, SRCCOPY);
  }
  GdiFlush();

  DIBSECTION ds{};
  if (GetObjectA(dib.get(), sizeof ds, &ds) == sizeof ds) {
    d.header = ds.dsBmih;
    std::memcpy(d.masks, ds.dsBitfields, sizeof d.masks);
  }
  im.dib = std::move(dib);
}

// ---- headers and serialisation

int DibInfoSize(const BITMAPINFOHEADER& header) {
  const int bits = header.biBitCount;
  if (bits <= 8) return static_cast<int>(sizeof(BITMAPINFOHEADER)) + 4 * (1 << bits);
  return static_cast<int>(sizeof(BITMAPINFOHEADER)) + ((header.biCompression & 3) ? 12 : 0);
}

BITMAPINFOHEADER BuildDibHeader(HBITMAP bitmap, int colors) {
  DIBSECTION ds{};
  const int got = bitmap ? GetObjectA(bitmap, sizeof ds, &ds) : 0;
  if (got == 0) throw EInvalidGraphic("Bitmap image is not valid");
  BITMAPINFOHEADER h{};
  if (got >= static_cast<int>(sizeof ds) && ds.dsBmih.biSize >= sizeof(BITMAPINFOHEADER)) {
    h = ds.dsBmih;
    h.biSize = sizeof(BITMAPINFOHEADER);
  } else {
    h.biSize = sizeof(BITMAPINFOHEADER);
    h.biWidth = ds.dsBm.bmWidth;
    h.biHeight = ds.dsBm.bmHeight;
  }
  switch (colors) {
    case 0: h.biBitCount = static_cast<WORD>(ds.dsBm.bmBitsPixel * ds.dsBm.bmPlanes); break;
    case 2: h.biBitCount = 1; break;
    case 16: h.biBitCount = 4; break;
    case 256: h.biBitCount = 8; break;
    default: break;
  }
  h.biPlanes = 1;
  if (h.biSizeImage == 0) {
    const LONG height = h.biHeight < 0 ? -h.biHeight : h.biHeight;
    h.biSizeImage = static_cast<DWORD>(RowBytes(h.biWidth, h.biBitCount) * height);
  }
  return h;
}

void CopySlotAsIcon(HIMAGELIST imageList, int slot, TIcon* icon) {
  if (!icon || !imageList) return;
  icon->SetHandle(ImageList_GetIcon(imageList, slot, kImageListDrawFlags));
}

void RenderSlotToBitmap(HIMAGELIST imageList, int slot, TBitmap* bitmap) {
  if (!bitmap || !imageList) return;
  int cx = 0, cy = 0;
  ImageList_GetIconSize(imageList, &cx, &cy);
  bitmap->SetHeight(cy);
  bitmap->SetWidth(cx);
  ImageList_DrawEx(imageList, slot, bitmap->Canvas().Handle(), 0, 0, 0, 0, CLR_NONE, CLR_NONE,
                   kImageListDrawFlags);
}

void SerializeIcon(TIcon& icon, TStream& stream) {
  TIconImage& image = *icon.image_;
  if (image.bytes.empty()) {
    if (!image.handle) throw EInvalidGraphic("Icon image is not valid");
    ICONINFO ii{};
    GetIconInfo(image.handle.get(), &ii);
    win::UniqueBitmap color(ii.hbmColor), mask(ii.hbmMask);  // released on every way out

    const BITMAPINFOHEADER maskHeader = BuildDibHeader(mask.get(), 2);
    const BITMAPINFOHEADER colorHeader = BuildDibHeader(color.get(), 16);
    const int width = colorHeader.biWidth;
    const int height = colorHeader.biHeight;
    const size_t maskInfoSize = sizeof(BITMAPINFOHEADER) + 2 * sizeof(RGBQUAD);    // 48
    const size_t colorInfoSize = sizeof(BITMAPINFOHEADER) + 16 * sizeof(RGBQUAD);  // 104
    const size_t maskSize = static_cast<size_t>(RowBytes(maskHeader.biWidth, 1)) * maskHeader.biHeight;
    const size_t colorSize = static_cast<size_t>(RowBytes(width, 4)) * height;

    std::vector<uint8_t> maskInfo(maskInfoSize), maskBits(maskSize);
    std::vector<uint8_t> colorInfo(colorInfoSize), colorBits(colorSize);
    std::memcpy(maskInfo.data(), &maskHeader, sizeof maskHeader);
    std::memcpy(colorInfo.data(), &colorHeader, sizeof colorHeader);

    auto dc = NewMemoryDC();
    GetDIBits(dc.get(), mask.get(), 0, maskHeader.biHeight, maskBits.data(),
              reinterpret_cast<BITMAPINFO*>(maskInfo.data()), DIB_RGB_COLORS);
    GetDIBits(dc.get(), color.get(), 0, height, colorBits.data(),
              reinterpret_cast<BITMAPINFO*>(colorInfo.data()), DIB_RGB_COLORS);

    // The conversion may touch the size fields; the file gets the fixed layout.
    BITMAPINFOHEADER written{};
    written.biSize = sizeof(BITMAPINFOHEADER);
    written.biWidth = width;
    written.biHeight = 2 * height;  // colour image plus mask
    written.biPlanes = 1;
    written.biBitCount = 4;
    written.biCompression = BI_RGB;
    written.biSizeImage = static_cast<DWORD>(colorSize);
    std::memcpy(colorInfo.data(), &written, sizeof written);

    const DWORD dataSize = static_cast<DWORD>(colorInfoSize + colorSize + maskSize);
    std::vector<uint8_t> out(kIconDirSize + kIconEntrySize + dataSize);
    uint8_t* p = out.data();
    PutWord(p + 0, 0);
    PutWord(p + 2, 1);  // icon resource
    PutWord(p + 4, 1);  // one image
    p += kIconDirSize;
    p[0] = static_cast<uint8_t>(width);
    p[1] = static_cast<uint8_t>(height);
    PutWord(p + 2, static_cast<uint16_t>(written.biPlanes * written.biBitCount));
    PutWord(p + 4, 0);
    PutWord(p + 6, 0);
    PutDword(p + 8, dataSize);
    PutDword(p + 12, kIconDirSize + kIconEntrySize);
    p += kIconEntrySize;
    std::memcpy(p, colorInfo.data(), colorInfoSize);
    p += colorInfoSize;
    std::memcpy(p, colorBits.data(), colorSize);
    p += colorSize;
    std::memcpy(p, maskBits.data(), maskSize);
    image.bytes = std::move(out);
  }
  stream.WriteBuffer(image.bytes.data(), image.bytes.size());
}

void SerializeBitmap(TBitmap& bitmap, TStream& stream) {
  // Writing an empty file and calling it a success would hide the fault from the user.
  if (bitmap.Empty()) throw EInvalidGraphic("Bitmap image is not valid");
  bitmap.MakeDeviceIndependentCopy();
  TBitmapImage& im = *bitmap.image_;
  HBITMAP dib = im.dib.get();

  BITMAPINFOHEADER header = BuildDibHeader(dib, 0);
  const int infoSize = DibInfoSize(header);
  const DWORD pixelSize = header.biSizeImage;
  const DWORD total = kFileHeaderSize + infoSize + pixelSize;

  RGBQUAD table[256]{};
  UINT entries = 0;
  {
    auto dc = NewMemoryDC();
    win::SelectInDC select(dc.get(), dib);
    entries = GetDIBColorTable(dc.get(), 0, 256, table);
  }
  DWORD masks[3];
  std::memcpy(masks, im.description.masks, sizeof masks);
  DefaultMasks(header, masks);
  if (entries) {
    header.biClrUsed = entries;
    im.description.header.biClrUsed = entries;
  }

  uint8_t fileHeader[kFileHeaderSize]{};
  fileHeader[0] = 'B';
  fileHeader[1] = 'M';
  PutDword(fileHeader + 2, total);
  PutDword(fileHeader + 10, kFileHeaderSize + infoSize);
  stream.WriteBuffer(fileHeader, sizeof fileHeader);
  stream.WriteBuffer(&header, sizeof header);
  if (header.biBitCount > 8 && (header.biCompression & 3)) stream.WriteBuffer(masks, sizeof masks);
  stream.WriteBuffer(table, entries * sizeof(RGBQUAD));

  DIBSECTION ds{};
  GetObjectA(dib, sizeof ds, &ds);
  if (!ds.dsBm.bmBits) throw EInvalidGraphic("Bitmap image is not valid");
  GdiFlush();
  stream.WriteBuffer(ds.dsBm.bmBits, pixelSize);
}

void SaveGraphicToFile(TGraphic& graphic, const std::string& path) {
  win::UniqueFile file(win::OpenFile(path, GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL));
  if (!file) throw EFCreateError(win::FormatMessageText("Cannot create file %s", path), GetLastError());
  TFileStream stream(file.get());
  graphic.SaveToStream(stream);
}
