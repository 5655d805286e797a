// Icon batches: the icons drawn as an icon list draws an icon it is given, read into a list of
// their own from an image-list stream, and copied image by image into the shown list.
#include "win/IconBatch.h"

#include <objbase.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

#include "win/Dib.h"
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

// One strip of the stream as a bitmap file, written in place in the stream's memory: its file
// header, its info header (and for the mask, black and white), then its bits, rows bottom up.
struct Strip {
  BYTE* pixels = nullptr;
  std::size_t stride = 0, bytes = 0;
  int width = 0, height = 0;
  WORD bits = 0;

  Strip(int w, int h, WORD b)
      : stride(((static_cast<std::size_t>(w) * b + 31) / 32) * 4), width(w), height(h), bits(b) {
    bytes = stride * static_cast<std::size_t>(h);
  }
  std::size_t Palette() const { return bits == 1 ? 2 * sizeof(RGBQUAD) : 0; }
  std::size_t Offset() const { return sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) + Palette(); }
  std::size_t Size() const { return Offset() + bytes; }
  BITMAPINFOHEADER Header() const {
    BITMAPINFOHEADER h{};
    h.biSize = sizeof h;
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = bits;
    h.biCompression = BI_RGB;
    h.biSizeImage = static_cast<DWORD>(bytes);
    return h;
  }
  // Lays the strip's headers out at at, its bits after them.
  void Place(BYTE* at) {
    pixels = at + Offset();
    BITMAPFILEHEADER f{};
    f.bfType = 0x4D42;  // "BM"
    f.bfOffBits = static_cast<DWORD>(Offset());
    f.bfSize = static_cast<DWORD>(Size());
    const BITMAPINFOHEADER h = Header();
    std::memcpy(at, &f, sizeof f);
    std::memcpy(at + sizeof f, &h, sizeof h);
    if (bits == 1) {
      const RGBQUAD colours[2] = {{0, 0, 0, 0}, {255, 255, 255, 0}};
      std::memcpy(at + sizeof f + sizeof h, colours, sizeof colours);
    }
  }
  // The bits of a bitmap of the strip's size, read into place.
  bool Read(HBITMAP bitmap) {
    struct {
      BITMAPINFOHEADER header;
      RGBQUAD colours[2];
    } info{Header(), {}};
    const WindowDC screen(nullptr);
    return GetDIBits(screen.get(), bitmap, 0, static_cast<UINT>(height), pixels, reinterpret_cast<BITMAPINFO*>(&info),
                     DIB_RGB_COLORS) == height;
  }
  BYTE* Row(int y) const { return pixels + static_cast<std::size_t>(height - 1 - y) * stride; }
};

// What drawing an icon made of a premultiplied channel leaves over black, by alpha x 256 +
// channel: the icon keeps the channel unmultiplied, the drawing multiplies it by alpha again
// (the round trip may lose a step).
const std::vector<std::uint8_t>& RoundTrips() {
  static const std::vector<std::uint8_t> table = [] {
    std::vector<std::uint8_t> t(256 * 256);
    for (std::uint32_t a = 1; a < 256; ++a)
      for (std::uint32_t c = 0; c < 256; ++c)
        t[a * 256 + c] = static_cast<std::uint8_t>((std::min(c * 255u / a, 255u) * a + 127) / 255);
    return t;
  }();
  return table;
}

// A cell's row of mask bits from one flag per pixel (non-zero where set), into a strip's row.
void WriteMaskRow(BYTE* bits, std::size_t x, const std::uint8_t* masked, std::size_t n) {
  const auto one = [&](std::size_t i) {
    BYTE& byte = bits[(x + i) / 8];
    const BYTE bit = static_cast<BYTE>(0x80 >> ((x + i) % 8));
    byte = masked[i] ? byte | bit : byte & static_cast<BYTE>(~bit);
  };
  // Whole bytes where the cell's edge allows, else bit by bit.
  std::size_t i = 0;
  for (; i < n && (x + i) % 8 != 0; ++i) one(i);
  for (; i + 8 <= n; i += 8) {
    BYTE byte = 0;
    for (std::size_t k = 0; k < 8; ++k) byte = static_cast<BYTE>(byte << 1 | (masked[i + k] != 0));
    bits[(x + i) / 8] = byte;
  }
  for (; i < n; ++i) one(i);
}

// Writes a picture given as pixels or drawn into its cell at (x, y) of both strips as drawing
// the icon made of it puts it there: a picture given as pixels as the icon made of them draws
// it (RoundTrips), the mask set where nothing covers; a drawn picture is the drawing already,
// with its own mask.
void WriteCell(Strip& image, Strip& mask, int x, int y, const BatchIcon& icon, int size) {
  const std::vector<std::uint8_t>& trips = RoundTrips();
  const std::size_t edge = static_cast<std::size_t>(size);
  const auto* pixels = std::get_if<PixelsForm>(&icon);
  const auto* drawn = std::get_if<DrawnForm>(&icon);
  std::vector<std::uint8_t> clear(edge);
  for (int row = 0; row < size; ++row) {
    BYTE* const colour = image.Row(y + row) + static_cast<std::size_t>(x) * 4;
    const std::size_t line = static_cast<std::size_t>(row) * edge;
    const std::uint8_t* masked = clear.data();
    if (drawn) {
      std::memcpy(colour, drawn->picture.data() + line, edge * 4);
      masked = drawn->mask.data() + line;
    } else {
      for (std::size_t column = 0; column < edge; ++column) {
        const std::uint32_t p = pixels->argb[line + column], a = p >> 24;
        std::uint32_t c = p;  // opaque pixels come back as they are
        if (a != 255) {
          const std::uint8_t* trip = trips.data() + a * 256;
          c = a << 24 | std::uint32_t{trip[(p >> 16) & 0xFF]} << 16 | std::uint32_t{trip[(p >> 8) & 0xFF]} << 8 |
              trip[p & 0xFF];
        }
        std::memcpy(colour + column * 4, &c, 4);
        clear[column] = a == 0;
      }
    }
    WriteMaskRow(mask.Row(y + row), static_cast<std::size_t>(x), masked, edge);
  }
}

// Whether the batch writes the icon's cell itself (WriteCell) rather than drawing it: a
// picture given as pixels or drawn, of the list's size.
bool Written(const BatchIcon& icon, int size) {
  const std::size_t cells = static_cast<std::size_t>(size) * static_cast<std::size_t>(size);
  if (const auto* pixels = std::get_if<PixelsForm>(&icon)) return pixels->argb.size() == cells;
  if (const auto* drawn = std::get_if<DrawnForm>(&icon))
    return drawn->picture.size() == cells && drawn->mask.size() == cells;
  return false;
}

// Draws the icon at (x, y) as an icon list draws an icon it is given: scaled to the list's
// size as the list scales it, its picture and its mask drawn apart.
bool DrawIcon(HDC image, HDC mask, int x, int y, const BatchIcon& icon, int size) {
  if (Written(icon, size)) return true;  // written after the drawing
  const auto* form = std::get_if<IconForm>(&icon);
  if (!form || !form->icon) return false;
  UniqueIcon scaled;
  HICON drawn = form->icon;
  if (form->edge != size) {
    scaled.reset(static_cast<HICON>(CopyImage(form->icon, IMAGE_ICON, size, size, LR_COPYFROMRESOURCE)));
    if (!scaled) scaled.reset(static_cast<HICON>(CopyImage(form->icon, IMAGE_ICON, size, size, 0)));
    if (!scaled) return false;
    drawn = scaled.get();
  }
  return DrawIconEx(image, x, y, drawn, size, size, 0, nullptr, DI_IMAGE) &&
         DrawIconEx(mask, x, y, drawn, size, size, 0, nullptr, DI_MASK);
}

// Draws the icons the batch does not write into bitmaps of the strips' size and reads them
// into the strips.
bool DrawCells(Strip& image, Strip& mask, std::span<const BatchIcon> icons, int size) {
  const UniqueBitmap drawnImage(CreateCompatibleBitmap(WindowDC(nullptr).get(), image.width, image.height));
  const UniqueBitmap drawnMask(CreateBitmap(mask.width, mask.height, 1, 1, nullptr));
  const UniqueDC imageDc(CreateCompatibleDC(nullptr)), maskDc(CreateCompatibleDC(nullptr));
  if (!drawnImage || !drawnMask || !imageDc || !maskDc) return false;
  {
    const SelectInDC selectImage(imageDc.get(), drawnImage.get()), selectMask(maskDc.get(), drawnMask.get());
    PatBlt(imageDc.get(), 0, 0, image.width, image.height, BLACKNESS);
    PatBlt(maskDc.get(), 0, 0, mask.width, mask.height, WHITENESS);
    for (std::size_t i = 0; i < icons.size(); ++i) {
      const int x = static_cast<int>(i % kColumns) * size, y = static_cast<int>(i / kColumns) * size;
      if (!DrawIcon(imageDc.get(), maskDc.get(), x, y, icons[i], size)) return false;
    }
  }
  return image.Read(drawnImage.get()) && mask.Read(drawnMask.get());
}

// The 32-bit pixels of a bitmap that no device context holds.
std::vector<DWORD> Pixels(HBITMAP bitmap, int size) {
  BITMAPINFO info = TopDown32(size, size);
  std::vector<DWORD> pixels(static_cast<std::size_t>(size) * static_cast<std::size_t>(size));
  const WindowDC screen(nullptr);
  if (!bitmap || GetDIBits(screen.get(), bitmap, 0, static_cast<UINT>(size), pixels.data(), &info, DIB_RGB_COLORS) != size)
    pixels.clear();
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

  UniqueDC dc;
  UniqueBitmap ground;
  {
    const WindowDC screen(nullptr);
    dc.reset(CreateCompatibleDC(screen.get()));
    ground.reset(CreateCompatibleBitmap(screen.get(), size, size));
  }
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

HGLOBAL BatchScratch::Memory(std::size_t bytes) {
  if (bytes_ < bytes) {
    memory_.reset();
    bytes_ = 0;
    // A little over, so that a batch a little larger next time fits too.
    const std::size_t room = bytes + bytes / 4;
    memory_.reset(GlobalAlloc(GMEM_MOVEABLE, room));
    if (!memory_) return nullptr;
    bytes_ = room;
  }
  return memory_.get();
}

std::shared_ptr<const BatchBlank> BatchScratch::Blank(int size, int count) {
  const auto kept = std::find_if(blanks_.begin(), blanks_.end(),
                                 [&](const Kept& k) { return k.size == size && k.count == count; });
  if (kept != blanks_.end()) {
    Kept found = *kept;
    blanks_.erase(kept);
    blanks_.push_front(found);
    return found.blank;
  }
  auto blank = std::make_shared<BatchBlank>();
  blank->image.reset(CreateCompatibleBitmap(WindowDC(nullptr).get(), size * count, size));
  blank->mask.reset(CreateBitmap(size * count, size, 1, 1, nullptr));
  if (!blank->image || !blank->mask) return nullptr;
  // A large and a small list's full batches, and the odd sizes of the ones due before full.
  constexpr std::size_t kKept = 4;
  blanks_.push_front({size, count, blank});
  if (blanks_.size() > kKept) blanks_.pop_back();
  return blank;
}

IconBatch::IconBatch(int size, std::span<const BatchIcon> icons, BatchScratch* scratch) : size_(size) {
  const int count = static_cast<int>(icons.size());
  if (size <= 0 || count <= 0 || count > 0xFFFF / kColumns) return;
  const int width = size * kColumns, height = size * ((count + kColumns - 1) / kColumns);
  BatchScratch own;
  BatchScratch& room = scratch ? *scratch : own;
  std::shared_ptr<const BatchBlank> blank = room.Blank(size, count);
  if (!blank) return;

  // The stream in one block: its header, then the two strips.
  Strip image(width, height, 32), mask(width, height, 1);
  const std::size_t total = sizeof(StreamHeader) + image.Size() + mask.Size();
  HGLOBAL memory = room.Memory(total);
  if (!memory) return;
  {
    const LockedGlobal locked(memory);
    BYTE* const at = locked.Data();
    if (!at) return;
    StreamHeader header;
    header.count = header.capacity = static_cast<WORD>(count);
    header.cx = header.cy = static_cast<WORD>(size);
    std::memcpy(at, &header, sizeof header);
    image.Place(at + sizeof header);
    mask.Place(at + sizeof header + image.Size());
    if (std::all_of(icons.begin(), icons.end(), [size](const BatchIcon& i) { return Written(i, size); })) {
      // Nothing to draw: the strips as a drawing begins them, black and masked throughout.
      std::memset(image.pixels, 0, image.bytes);
      std::memset(mask.pixels, 0xFF, mask.bytes);
    } else if (!DrawCells(image, mask, icons, size)) {
      return;
    }
    for (int i = 0; i < count; ++i) {
      const int x = (i % kColumns) * size, y = (i / kColumns) * size;
      if (Written(icons[i], size)) WriteCell(image, mask, x, y, icons[i], size);
    }
  }
  // The memory stays the scratch's: the stream only reads it.
  ComPtr<IStream> stream;
  if (FAILED(CreateStreamOnHGlobal(memory, FALSE, stream.put()))) return;
  UniqueImageList read(ImageList_Read(stream.get()));
  int cx = 0, cy = 0;
  if (!read || ImageList_GetImageCount(read.get()) != count || !ImageList_GetIconSize(read.get(), &cx, &cy) ||
      cx != size || cy != size)
    return;
  images_ = std::move(read);
  blank_ = std::move(blank);
  count_ = count;
}

bool IconBatch::AppendTo(HIMAGELIST list) const {
  int cx = 0, cy = 0;
  if (Empty() || !list || !ImageList_GetIconSize(list, &cx, &cy) || cx != size_ || cy != size_) return false;
  // Room first, made the way the list grows, then every image copied in whole.
  return AppendCopies(list, images_.get(), 0, count_, blank_->image.get(), blank_->mask.get());
}

UniqueIcon IconBatch::Icon(int index) const {
  if (Empty() || index < 0 || index >= count_) return UniqueIcon();
  return UniqueIcon(ImageList_GetIcon(images_.get(), index, ILD_NORMAL));
}

std::optional<bool> BatchMatchesAdds(int size, std::span<const BatchIcon> batch, std::span<const HICON> added) {
  const UniqueImageList oneByOne = CreateIconImageList(size), batched = CreateIconImageList(size);
  if (batch.empty() || batch.size() != added.size() || !oneByOne || !batched) return std::nullopt;
  for (const HICON icon : added)
    if (!icon || ImageList_ReplaceIcon(oneByOne.get(), -1, icon) < 0) return std::nullopt;
  const IconBatch made(size, batch);
  bool same = !made.Empty() && made.AppendTo(batched.get()) &&
              ImageList_GetImageCount(batched.get()) == static_cast<int>(batch.size());
  for (int i = 0; same && i < static_cast<int>(batch.size()); ++i) {
    const std::vector<DWORD> expected = ListImageAppearance(oneByOne.get(), i);
    same = !expected.empty() && expected == ListImageAppearance(batched.get(), i);
  }
  return same;
}

}  // namespace win
