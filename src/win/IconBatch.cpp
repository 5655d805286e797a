// Icon batches: the icons drawn as an icon list draws an icon it is given, read into a list of
// their own from an image-list stream, and copied image by image into the shown list.
#include "win/IconBatch.h"

#include <objbase.h>

#include <atomic>
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

// The bitmap as a bitmap file: 32 bits per pixel for pictures, 1 for masks.
bool WriteBitmap(IStream& stream, HBITMAP bitmap, int width, int height, WORD bits) {
  struct {
    BITMAPINFOHEADER header;
    RGBQUAD colours[2];
  } info{};
  info.header.biSize = sizeof info.header;
  info.header.biWidth = width;
  info.header.biHeight = height;
  info.header.biPlanes = 1;
  info.header.biBitCount = bits;
  info.header.biCompression = BI_RGB;
  const std::size_t stride = ((static_cast<std::size_t>(width) * bits + 31) / 32) * 4;
  std::vector<BYTE> pixels(stride * static_cast<std::size_t>(height));
  HDC screen = GetDC(nullptr);
  const int rows = GetDIBits(screen, bitmap, 0, static_cast<UINT>(height), pixels.data(),
                             reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  if (rows != height) return false;
  const std::size_t paletteBytes = bits == 1 ? sizeof info.colours : 0;
  info.header.biSizeImage = static_cast<DWORD>(pixels.size());
  info.header.biClrUsed = 0;
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = static_cast<DWORD>(sizeof file + sizeof info.header + paletteBytes);
  file.bfSize = static_cast<DWORD>(file.bfOffBits + pixels.size());
  return Write(stream, &file, sizeof file) && Write(stream, &info.header, sizeof info.header) &&
         Write(stream, info.colours, paletteBytes) && Write(stream, pixels.data(), pixels.size());
}

// Draws the icon at (x, y) as an icon list draws an icon it is given: scaled to the list's
// size as the list scales it, its picture and its mask drawn apart.
bool DrawIcon(HDC image, HDC mask, int x, int y, const BatchIcon& icon, int size) {
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
  if (!Write(*stream.get(), &header, sizeof header) || !WriteBitmap(*stream.get(), image.get(), width, height, 32) ||
      !WriteBitmap(*stream.get(), mask.get(), width, height, 1))
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
  const int first = ImageList_GetImageCount(list);
  if (ImageList_Add(list, blank_.get(), blankMask_.get()) != first) return false;
  for (int i = 0; i < count_; ++i) {
    if (!ImageList_Copy(list, first + i, images_.get(), i, ILCF_MOVE)) {
      ImageList_SetImageCount(list, static_cast<UINT>(first));
      return false;
    }
  }
  return true;
}

UniqueIcon IconBatch::Icon(int index) const {
  if (Empty() || index < 0 || index >= count_) return UniqueIcon();
  return UniqueIcon(ImageList_GetIcon(images_.get(), index, ILD_NORMAL));
}

bool BatchesMatchAdds(int size, std::span<const BatchIcon> icons) {
  static std::atomic<int> verdict{-1};
  if (verdict >= 0) return verdict == 1;
  const UniqueImageList oneByOne = CreateIconImageList(size), batched = CreateIconImageList(size);
  if (icons.empty() || !oneByOne || !batched) return false;
  for (const BatchIcon& icon : icons)
    if (ImageList_ReplaceIcon(oneByOne.get(), -1, icon.icon) < 0) return false;  // nothing learnt
  const IconBatch batch(size, icons);
  bool same = !batch.Empty() && batch.AppendTo(batched.get()) &&
              ImageList_GetImageCount(batched.get()) == static_cast<int>(icons.size());
  for (int i = 0; same && i < static_cast<int>(icons.size()); ++i) {
    const std::vector<DWORD> expected = ListImageAppearance(oneByOne.get(), i);
    same = !expected.empty() && expected == ListImageAppearance(batched.get(), i);
  }
  verdict = same ? 1 : 0;
  return same;
}

}  // namespace win
