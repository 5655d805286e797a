// Icon batches: the icons drawn as an icon list draws an icon it is given, read into a list of
// their own from an image-list stream, and copied image by image into the shown list.
#include "win/IconBatch.h"

#include <objbase.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <optional>
#include <vector>

#include "win/ImageLists.h"

namespace win {

namespace {

// Image-list streams lay their images out four to a row.
constexpr int kColumns = 4;

#pragma pack(push, 2)
struct StreamHeader {
  WORD magic = 0x4C49;  // "IL"
  WORD version = 0x101;
  WORD count = 0, capacity = 0, grow = 4, cx = 0, cy = 0;
  COLORREF background = CLR_NONE;
  WORD flags = ILC_COLORDDB | ILC_MASK;
  SHORT overlays[4] = {-1, -1, -1, -1};
};
#pragma pack(pop)

bool Write(IStream& stream, const void* data, std::size_t bytes) {
  ULONG written = 0;
  return SUCCEEDED(stream.Write(data, static_cast<ULONG>(bytes), &written)) && written == bytes;
}

// A bitmap file's header and its bits: 32 bits per pixel for pictures, 1 for masks, rows bottom up.
struct BitmapBits {
  struct {
    BITMAPINFOHEADER header;
    RGBQUAD colours[2];
  } info{};
  std::size_t stride = 0;
  std::vector<BYTE> pixels;
};

bool ReadBits(HBITMAP bitmap, int width, int height, WORD bits, BitmapBits& out) {
  out.info.header.biSize = sizeof out.info.header;
  out.info.header.biWidth = width;
  out.info.header.biHeight = height;
  out.info.header.biPlanes = 1;
  out.info.header.biBitCount = bits;
  out.info.header.biCompression = BI_RGB;
  out.stride = ((static_cast<std::size_t>(width) * bits + 31) / 32) * 4;
  out.pixels.assign(out.stride * static_cast<std::size_t>(height), 0);
  HDC screen = GetDC(nullptr);
  const int rows = GetDIBits(screen, bitmap, 0, static_cast<UINT>(height), out.pixels.data(),
                             reinterpret_cast<BITMAPINFO*>(&out.info), DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  return rows == height;
}

bool WriteBits(IStream& stream, BitmapBits& bits) {
  const std::size_t paletteBytes = bits.info.header.biBitCount == 1 ? sizeof bits.info.colours : 0;
  bits.info.header.biSizeImage = static_cast<DWORD>(bits.pixels.size());
  bits.info.header.biClrUsed = 0;
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = static_cast<DWORD>(sizeof file + sizeof bits.info.header + paletteBytes);
  file.bfSize = static_cast<DWORD>(file.bfOffBits + bits.pixels.size());
  return Write(stream, &file, sizeof file) && Write(stream, &bits.info.header, sizeof bits.info.header) &&
         Write(stream, bits.info.colours, paletteBytes) && Write(stream, bits.pixels.data(), bits.pixels.size());
}

// Writes a picture given as pixels or drawn into its cell at (x, y) of both strips as drawing
// the icon made of it puts it there. An icon made of pixels keeps its colours unmultiplied, and
// drawing its picture over the black strip multiplies them by alpha again (the round trip may
// lose a step of a channel); the mask is set where nothing covers. A drawn picture is the
// drawing already, with its own mask.
void WriteCell(BitmapBits& image, BitmapBits& mask, int x, int y, const BatchIcon& icon, int size) {
  const int height = image.info.header.biHeight;
  for (int row = 0; row < size; ++row) {
    const std::size_t line = static_cast<std::size_t>(height - 1 - (y + row));
    BYTE* colour = image.pixels.data() + line * image.stride + static_cast<std::size_t>(x) * 4;
    BYTE* bits = mask.pixels.data() + line * mask.stride;
    for (int column = 0; column < size; ++column) {
      const std::size_t at = static_cast<std::size_t>(row) * static_cast<std::size_t>(size) +
                             static_cast<std::size_t>(column);
      std::uint32_t c = 0;
      bool masked = false;
      if (icon.drawn && icon.drawnMask) {
        c = icon.drawn[at];
        masked = icon.drawnMask[at] != 0;
      } else {
        const std::uint32_t p = icon.pixels[at], a = p >> 24;
        auto drawn = [&](int shift) {
          const std::uint32_t straight = a ? std::min(((p >> shift) & 0xFFu) * 255u / a, 255u) : 0u;
          return (straight * a + 127) / 255;
        };
        c = a << 24 | drawn(16) << 16 | drawn(8) << 8 | drawn(0);
        masked = a == 0;
      }
      std::memcpy(colour + static_cast<std::size_t>(column) * 4, &c, 4);
      const int cell = x + column;
      const BYTE bit = static_cast<BYTE>(0x80 >> (cell % 8));
      if (masked) bits[cell / 8] |= bit;
      else bits[cell / 8] &= static_cast<BYTE>(~bit);
    }
  }
}

// Whether the batch writes the icon's cell itself (WriteCell) rather than drawing it.
bool Written(const BatchIcon& icon, int size) {
  return icon.edge == size && ((icon.drawn && icon.drawnMask) || icon.pixels);
}

// Draws the icon at (x, y) as an icon list draws an icon it is given: scaled to the list's
// size as the list scales it, its picture and its mask drawn apart.
bool DrawIcon(HDC image, HDC mask, int x, int y, const BatchIcon& icon, int size) {
  if (Written(icon, size)) return true;  // written after the drawing
  if (!icon.icon) return false;
  UniqueIcon scaled;
  HICON drawn = icon.icon;
  if (icon.edge != size) {
    scaled.reset(static_cast<HICON>(CopyImage(icon.icon, IMAGE_ICON, size, size, LR_COPYFROMRESOURCE)));
    if (!scaled) scaled.reset(static_cast<HICON>(CopyImage(icon.icon, IMAGE_ICON, size, size, 0)));
    if (!scaled) return false;
    drawn = scaled.get();
  }
  return DrawIconEx(image, x, y, drawn, size, size, 0, nullptr, DI_IMAGE) &&
         DrawIconEx(mask, x, y, drawn, size, size, 0, nullptr, DI_MASK);
}

// The 32-bit pixels of a bitmap that no device context holds.
std::vector<DWORD> Pixels(HBITMAP bitmap, int size) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = size;
  info.bmiHeader.biHeight = -size;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  std::vector<DWORD> pixels(static_cast<std::size_t>(size) * static_cast<std::size_t>(size));
  HDC screen = GetDC(nullptr);
  if (!bitmap || GetDIBits(screen, bitmap, 0, static_cast<UINT>(size), pixels.data(), &info, DIB_RGB_COLORS) != size)
    pixels.clear();
  ReleaseDC(nullptr, screen);
  return pixels;
}

}  // namespace

std::vector<DWORD> ListImageAppearance(HIMAGELIST list, int index) {
  std::vector<DWORD> seen;
  int size = 0, height = 0;
  if (!ImageList_GetIconSize(list, &size, &height) || size != height || size <= 0) return seen;
  const UniqueIcon icon(ImageList_GetIcon(list, index, ILD_NORMAL));
  ICONINFO info{};
  if (!icon || !GetIconInfo(icon.get(), &info)) return seen;
  const UniqueBitmap colour(info.hbmColor), mask(info.hbmMask);
  const std::vector<DWORD> maskPixels = Pixels(mask.get(), size);

  HDC screen = GetDC(nullptr);
  const UniqueDC dc(CreateCompatibleDC(screen));
  const UniqueBitmap ground(CreateCompatibleBitmap(screen, size, size));
  ReleaseDC(nullptr, screen);
  if (!dc || !ground) return {};
  {
    const SelectInDC select(dc.get(), ground.get());
    const UniqueBrush brush(CreateSolidBrush(RGB(40, 120, 200)));
    const RECT all{0, 0, size, size};
    FillRect(dc.get(), &all, brush.get());
    ImageList_Draw(list, index, dc.get(), 0, 0, ILD_NORMAL);
  }
  const std::vector<DWORD> drawn = Pixels(ground.get(), size);
  if (maskPixels.empty() || drawn.empty()) return seen;
  // A monochrome icon has no picture of its own: its mask holds both halves.
  seen = Pixels(colour.get(), size);
  seen.insert(seen.end(), maskPixels.begin(), maskPixels.end());
  seen.insert(seen.end(), drawn.begin(), drawn.end());
  return seen;
}

IconBatch::IconBatch(int size, std::span<const BatchIcon> icons) : size_(size) {
  const int count = static_cast<int>(icons.size());
  if (size <= 0 || count <= 0 || count > 0xFFFF / kColumns) return;
  const int width = size * kColumns, height = size * ((count + kColumns - 1) / kColumns);
  HDC screen = GetDC(nullptr);
  UniqueBitmap image(CreateCompatibleBitmap(screen, width, height));
  UniqueBitmap blank(CreateCompatibleBitmap(screen, size * count, size));
  ReleaseDC(nullptr, screen);
  UniqueBitmap mask(CreateBitmap(width, height, 1, 1, nullptr));
  UniqueBitmap blankMask(CreateBitmap(size * count, size, 1, 1, nullptr));
  const UniqueDC imageDc(CreateCompatibleDC(nullptr)), maskDc(CreateCompatibleDC(nullptr));
  if (!image || !blank || !mask || !blankMask || !imageDc || !maskDc) return;
  {
    const SelectInDC selectImage(imageDc.get(), image.get()), selectMask(maskDc.get(), mask.get());
    PatBlt(imageDc.get(), 0, 0, width, height, BLACKNESS);
    PatBlt(maskDc.get(), 0, 0, width, height, WHITENESS);
    for (int i = 0; i < count; ++i)
      if (!DrawIcon(imageDc.get(), maskDc.get(), (i % kColumns) * size, (i / kColumns) * size, icons[i], size))
        return;
  }
  ComPtr<IStream> stream;
  if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, stream.put()))) return;
  StreamHeader header;
  header.count = header.capacity = static_cast<WORD>(count);
  header.cx = header.cy = static_cast<WORD>(size);
  BitmapBits imageBits, maskBits;
  if (!ReadBits(image.get(), width, height, 32, imageBits) || !ReadBits(mask.get(), width, height, 1, maskBits))
    return;
  for (int i = 0; i < count; ++i)
    if (Written(icons[i], size))
      WriteCell(imageBits, maskBits, (i % kColumns) * size, (i / kColumns) * size, icons[i], size);
  if (!Write(*stream.get(), &header, sizeof header) || !WriteBits(*stream.get(), imageBits) ||
      !WriteBits(*stream.get(), maskBits))
    return;
  const LARGE_INTEGER start{};
  if (FAILED(stream->Seek(start, STREAM_SEEK_SET, nullptr))) return;
  UniqueImageList read(ImageList_Read(stream.get()));
  int cx = 0, cy = 0;
  if (!read || ImageList_GetImageCount(read.get()) != count || !ImageList_GetIconSize(read.get(), &cx, &cy) ||
      cx != size || cy != size)
    return;
  images_ = std::move(read);
  blank_ = std::move(blank);
  blankMask_ = std::move(blankMask);
  count_ = count;
}

bool IconBatch::AppendTo(HIMAGELIST list) const {
  int cx = 0, cy = 0;
  if (Empty() || !list || !ImageList_GetIconSize(list, &cx, &cy) || cx != size_ || cy != size_) return false;
  // Room first, made the way the list grows, then every image copied in whole.
  return AppendCopies(list, images_.get(), 0, count_, blank_.get(), blankMask_.get());
}

UniqueIcon IconBatch::Icon(int index) const {
  if (Empty() || index < 0 || index >= count_) return UniqueIcon();
  return UniqueIcon(ImageList_GetIcon(images_.get(), index, ILD_NORMAL));
}

namespace {

// Per kind: -1 untried, else whether batches match one-by-one adds.
std::atomic<int> verdicts[4] = {-1, -1, -1, -1};

std::atomic<int>& Verdict(BatchKind kind) { return verdicts[static_cast<int>(kind)]; }

BatchKind KindOf(std::span<const BatchIcon> icons) {
  BatchKind kind = BatchKind::Icons;
  for (const BatchIcon& i : icons) {
    if (i.drawn) return i.shrunk ? BatchKind::Shrunk : BatchKind::Drawn;
    if (i.pixels) kind = BatchKind::Pixels;
  }
  return kind;
}

}  // namespace

bool BatchesTried(BatchKind kind) { return Verdict(kind) >= 0; }
bool BatchesMatch(BatchKind kind) { return Verdict(kind) == 1; }

namespace {

// Whether the batch gives the list what adding the icons one by one gives; nothing where the
// one-by-one side cannot be made, which teaches nothing.
std::optional<bool> Matches(int size, std::span<const BatchIcon> icons) {
  const UniqueImageList oneByOne = CreateIconImageList(size), batched = CreateIconImageList(size);
  if (icons.empty() || !oneByOne || !batched) return std::nullopt;
  for (const BatchIcon& icon : icons)
    if (ImageList_ReplaceIcon(oneByOne.get(), -1, icon.icon) < 0) return std::nullopt;
  const IconBatch batch(size, icons);
  bool same = !batch.Empty() && batch.AppendTo(batched.get()) &&
              ImageList_GetImageCount(batched.get()) == static_cast<int>(icons.size());
  for (int i = 0; same && i < static_cast<int>(icons.size()); ++i) {
    const std::vector<DWORD> expected = ListImageAppearance(oneByOne.get(), i);
    same = !expected.empty() && expected == ListImageAppearance(batched.get(), i);
  }
  return same;
}

}  // namespace

bool BatchesMatchAdds(int size, std::span<const BatchIcon> icons) {
  std::atomic<int>& verdict = Verdict(KindOf(icons));
  if (verdict >= 0) return verdict == 1;
  const std::optional<bool> same = Matches(size, icons);
  if (same) verdict = *same ? 1 : 0;
  return same.value_or(false);
}

void SettleBatches(std::span<const BatchTrial> trials) {
  for (const BatchKind kind : {BatchKind::Icons, BatchKind::Pixels, BatchKind::Drawn, BatchKind::Shrunk}) {
    std::atomic<int>& verdict = Verdict(kind);
    if (verdict >= 0) continue;
    // Judged by the trials of its kind: a mismatch settles it, else only all of them made.
    std::optional<bool> same;
    for (const BatchTrial& trial : trials) {
      if (trial.icons.empty() || KindOf(trial.icons) != kind) continue;
      same = Matches(trial.size, trial.icons);
      if (same != true) break;
    }
    if (same) verdict = *same ? 1 : 0;
  }
}

}  // namespace win
