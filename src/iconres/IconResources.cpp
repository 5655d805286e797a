// Icon group reader over a file's bytes; see IconResources.h.
#include "iconres/IconResources.h"

#include <algorithm>
#include <array>
#include <map>
#include <set>
#include <unordered_map>

namespace iconres {
namespace {

// Bounds-checked little-endian reads; every read of the file goes through these.
class Reader {
 public:
  explicit Reader(ByteSpan bytes) : b_(bytes) {}
  std::size_t size() const { return b_.size(); }
  bool Has(std::uint64_t offset, std::uint64_t count) const {
    return offset <= b_.size() && count <= b_.size() - offset;
  }
  std::uint16_t U16(std::uint64_t at) const {
    return Has(at, 2) ? static_cast<std::uint16_t>(b_[at] | b_[at + 1] << 8) : 0;
  }
  std::uint32_t U32(std::uint64_t at) const {
    return Has(at, 4) ? static_cast<std::uint32_t>(U16(at)) | static_cast<std::uint32_t>(U16(at + 2)) << 16 : 0;
  }
  std::uint32_t U32BE(std::uint64_t at) const {
    if (!Has(at, 4)) return 0;
    return static_cast<std::uint32_t>(b_[at]) << 24 | static_cast<std::uint32_t>(b_[at + 1]) << 16 |
           static_cast<std::uint32_t>(b_[at + 2]) << 8 | b_[at + 3];
  }
  ByteSpan Sub(std::uint64_t offset, std::uint64_t count) const {
    return Has(offset, count) ? b_.subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(count))
                              : ByteSpan();
  }

 private:
  ByteSpan b_;
};

constexpr std::size_t kDirHead = 6, kResEntry = 14, kFileEntry = 16;

// ---- Images

const std::array<std::uint32_t, 256>& CrcTable() {
  static const std::array<std::uint32_t, 256> table = [] {
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t n = 0; n < 256; ++n) {
      std::uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[n] = c;
    }
    return t;
  }();
  return table;
}

std::uint32_t Crc32(ByteSpan data) {
  const auto& t = CrcTable();
  std::uint32_t c = 0xFFFFFFFFu;
  for (std::uint8_t b : data) c = t[(c ^ b) & 0xFF] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}

constexpr std::uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

bool IsPng(ByteSpan data) { return data.size() >= 8 && std::equal(kPngSignature, kPngSignature + 8, data.begin()); }

std::optional<ImageInfo> CheckPng(ByteSpan data) {
  const Reader r(data);
  ImageInfo info;
  info.png = true;
  std::uint64_t at = 8;
  bool first = true, sawData = false;
  while (true) {
    if (!r.Has(at, 12)) return std::nullopt;
    const std::uint32_t length = r.U32BE(at);
    if (length > 0x7FFFFFFFu || !r.Has(at + 8, std::uint64_t{length} + 4)) return std::nullopt;
    const ByteSpan typeAndData = r.Sub(at + 4, std::uint64_t{length} + 4);
    if (Crc32(typeAndData) != r.U32BE(at + 8 + length)) return std::nullopt;
    const std::uint32_t type = r.U32BE(at + 4);
    constexpr std::uint32_t kIhdr = 0x49484452, kIdat = 0x49444154, kIend = 0x49454E44;
    if (first) {
      if (type != kIhdr || length != 13) return std::nullopt;
      const std::uint32_t w = r.U32BE(at + 8), h = r.U32BE(at + 12);
      const int depth = data[at + 16], colourType = data[at + 17];
      if (w == 0 || h == 0 || w > kMaxImageEdge || h > kMaxImageEdge) return std::nullopt;
      if (data[at + 18] != 0 || data[at + 19] != 0 || data[at + 20] > 1) return std::nullopt;
      int channels = 0;
      switch (colourType) {
        case 0: channels = 1; break;
        case 2: channels = 3; break;
        case 3: channels = 1; break;
        case 4: channels = 2; break;
        case 6: channels = 4; break;
        default: return std::nullopt;
      }
      const bool depthOk = colourType == 0   ? (depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16)
                           : colourType == 3 ? (depth == 1 || depth == 2 || depth == 4 || depth == 8)
                                             : (depth == 8 || depth == 16);
      if (!depthOk) return std::nullopt;
      info.width = static_cast<int>(w);
      info.height = static_cast<int>(h);
      info.bitCount = channels * depth;
      first = false;
    } else if (type == kIhdr) {
      return std::nullopt;
    } else if (type == kIdat) {
      sawData = true;
    } else if (type == kIend) {
      if (!sawData) return std::nullopt;
      info.length = static_cast<std::size_t>(at + 12 + length);
      return info;
    }
    at += std::uint64_t{length} + 12;
  }
}

std::optional<ImageInfo> CheckBitmap(ByteSpan data) {
  const Reader r(data);
  const std::uint32_t headerSize = r.U32(0);
  std::int64_t width = 0, storedHeight = 0;
  unsigned bitCount = 0, compression = 0;
  std::uint64_t colours = 0, colourBytes = 4, masks = 0;
  // The header forms icons are written with; others (such as 56 bytes) no icon reader agrees on.
  if (headerSize == 12) {
    if (!r.Has(0, 12) || r.U16(8) != 1) return std::nullopt;
    width = r.U16(4);
    storedHeight = r.U16(6);
    bitCount = r.U16(10);
    colourBytes = 3;
    colours = bitCount <= 8 ? 1u << bitCount : 0;
  } else if (headerSize == 40 || headerSize == 108 || headerSize == 124) {
    if (!r.Has(0, headerSize) || r.U16(12) != 1) return std::nullopt;
    width = static_cast<std::int32_t>(r.U32(4));
    storedHeight = static_cast<std::int32_t>(r.U32(8));
    bitCount = r.U16(14);
    compression = r.U32(16);
    const std::uint32_t used = r.U32(32);
    // A palette image names its colours by index: more colours than its bits can name is damage.
    if (used > (bitCount <= 8 ? 1u << std::min(bitCount, 8u) : 0x10000u)) return std::nullopt;
    colours = used ? used : (bitCount <= 8 ? 1u << bitCount : 0);
    if (compression == 3) {  // BI_BITFIELDS: three masks, inside a larger header when it has them
      if (bitCount != 16 && bitCount != 32) return std::nullopt;
      if (headerSize == 40) masks = 12;
    } else if (compression != 0) {
      return std::nullopt;
    }
  } else {
    return std::nullopt;
  }
  if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32) {
    return std::nullopt;
  }
  // The stored height covers the colour bits and the mask below them.
  const std::int64_t height = storedHeight / 2;
  if (width <= 0 || height <= 0 || width > kMaxImageEdge || height > kMaxImageEdge) return std::nullopt;
  const std::uint64_t colourStride = ((static_cast<std::uint64_t>(width) * bitCount + 31) / 32) * 4;
  const std::uint64_t maskStride = ((static_cast<std::uint64_t>(width) + 31) / 32) * 4;
  const std::uint64_t needed = std::uint64_t{headerSize} + masks + colours * colourBytes +
                               (colourStride + maskStride) * static_cast<std::uint64_t>(height);
  if (needed > data.size()) return std::nullopt;
  return ImageInfo{static_cast<int>(width), static_cast<int>(height), static_cast<int>(bitCount), false,
                   static_cast<std::size_t>(needed)};
}

// One file's read: the image budget, the images already checked and the damage met.
class FileRead {
 public:
  explicit FileRead(ByteSpan file, IconFileContents& out) : file_(file), out_(out) {}
  ByteSpan File() const { return file_; }
  IconFileContents& Out() { return out_; }
  void Damaged() { out_.damaged = true; }

  // How many of `wanted` images may still be read; fewer is damage.
  std::size_t Take(std::size_t wanted) {
    const std::size_t n = std::min(wanted, kMaxImagesPerFile - images_);
    images_ += n;
    if (n < wanted) Damaged();
    return n;
  }

  // An image's check, made once per stored range. Check sums cost the image's length, so the
  // bytes checked are bounded by a small multiple of the file's size: an intact file's images
  // lie side by side, while a damaged one may name the same large bytes thousands of times.
  std::optional<ImageInfo> Check(std::size_t offset, std::size_t size) {
    const auto key = std::make_pair(offset, size);
    if (const auto known = checked_.find(key); known != checked_.end()) return known->second;
    std::optional<ImageInfo> info;
    if (checkedBytes_ <= 2 * file_.size() + (64u << 10)) {
      const ByteSpan bytes = file_.subspan(offset, size);
      info = CheckImage(bytes);
      if (IsPng(bytes)) checkedBytes_ += info ? info->length : size;
    } else {
      Damaged();
    }
    checked_.emplace(key, info);
    return info;
  }

 private:
  ByteSpan file_;
  IconFileContents& out_;
  std::size_t images_ = 0, checkedBytes_ = 0;
  std::map<std::pair<std::size_t, std::size_t>, std::optional<ImageInfo>> checked_;
};

// Fills an image from what its directory says (edges, bit count) and, when found, its stored
// bytes. With ownLength an intact image keeps only the bytes it takes.
void DescribeImage(FileRead& read, IconImage& image, int width, int height, int bitCount, std::uint64_t offset,
                   std::uint64_t size, bool ownLength = false) {
  image.width = width;
  image.height = height;
  image.bitCount = bitCount;
  if (size == 0 || !Reader(read.File()).Has(offset, size)) return;
  image.offset = static_cast<std::size_t>(offset);
  image.size = static_cast<std::size_t>(size);
  image.png = IsPng(read.File().subspan(image.offset, image.size));
  if (const auto info = read.Check(image.offset, image.size)) {
    image.width = info->width;
    image.height = info->height;
    image.bitCount = info->bitCount;
    image.intact = true;
    if (ownLength) image.size = info->length;
  }
}

// The same from an icon directory entry (12 leading bytes, shared by both entry forms).
void DescribeImage(FileRead& read, IconImage& image, ByteSpan entry, std::uint64_t offset, std::uint64_t size,
                   bool ownLength = false) {
  DescribeImage(read, image, entry[0] ? entry[0] : 256, entry[1] ? entry[1] : 256, entry[6] | entry[7] << 8, offset,
                size, ownLength);
}

void Put16(Bytes& b, unsigned v) {
  b.push_back(static_cast<std::uint8_t>(v));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}

// A cursor's directory in the icon form, made from its images, so the platform's best-match
// rule for icons picks among them as among an icon's.
Bytes IconFormDirectory(const std::vector<IconImage>& images) {
  Bytes d;
  Put16(d, 0);
  Put16(d, 1);
  Put16(d, static_cast<unsigned>(images.size()));
  for (const IconImage& image : images) {
    d.push_back(static_cast<std::uint8_t>(image.width >= 256 ? 0 : image.width));
    d.push_back(static_cast<std::uint8_t>(image.height >= 256 ? 0 : image.height));
    d.push_back(static_cast<std::uint8_t>(image.bitCount > 0 && image.bitCount < 8 ? 1 << image.bitCount : 0));
    d.push_back(0);
    Put16(d, 1);
    Put16(d, static_cast<unsigned>(image.bitCount));
    Put16(d, static_cast<unsigned>(image.size & 0xFFFF));
    Put16(d, static_cast<unsigned>(image.size >> 16 & 0xFFFF));
    Put16(d, image.id);
  }
  return d;
}

// A resource-form directory head and the entries of `count` that fit in `bytes` (after a head
// of `entrySize`-byte entries). Empty when the directory does not fit whole.
bool DirectoryFits(ByteSpan bytes, std::size_t entrySize, std::size_t& count) {
  const Reader r(bytes);
  if (!r.Has(0, kDirHead)) return false;
  count = r.U16(4);
  return r.Has(kDirHead, std::uint64_t{count} * entrySize);
}

// ---- .ico and .cur files

// The type an icon file's head names: 1 for icons, 2 for cursors, 0 for no icon file.
unsigned IconFileType(ByteSpan bytes) {
  const Reader r(bytes);
  if (r.size() < kDirHead || r.U16(0) != 0) return 0;
  const unsigned type = r.U16(2);
  return type == 1 || type == 2 ? type : 0;
}

// The directory of an .ico or .cur file at `base` in the file, `length` bytes long (the file
// itself, or an animated cursor's frame), and the images it names inside those bytes. None when
// the directory does not fit or names no image.
std::optional<IconGroup> ReadIconDirectory(FileRead& read, std::uint64_t base, std::uint64_t length) {
  const ByteSpan bytes = Reader(read.File()).Sub(base, length);
  const Reader r(bytes);
  const bool cursor = IconFileType(bytes) == 2;
  std::size_t count = 0;
  if (!DirectoryFits(bytes, kFileEntry, count) || count == 0) {
    read.Damaged();
    return std::nullopt;
  }
  IconGroup g;
  g.kind = cursor ? GroupKind::Cursor : GroupKind::Icon;
  count = read.Take(count);
  g.directory.assign(bytes.begin(), bytes.begin() + kDirHead);
  g.directory[4] = static_cast<std::uint8_t>(count);
  g.directory[5] = static_cast<std::uint8_t>(count >> 8);
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint64_t at = kDirHead + i * kFileEntry;
    const ByteSpan entry = r.Sub(at, kFileEntry);
    g.directory.insert(g.directory.end(), entry.begin(), entry.begin() + 12);
    g.directory.push_back(static_cast<std::uint8_t>(i));
    g.directory.push_back(static_cast<std::uint8_t>(i >> 8));
    IconImage& image = g.images.emplace_back();
    image.id = static_cast<std::uint16_t>(i);
    const std::uint64_t offset = r.U32(at + 12), size = r.U32(at + 8);
    // An image must lie inside the bytes of its own file, which may be a frame of a larger one.
    const std::uint64_t found = r.Has(offset, size) ? size : 0;
    DescribeImage(read, image, entry, base + offset, found);
    if (cursor) {
      // A cursor entry keeps the hotspot where an icon entry keeps planes and bit count.
      image.hotspotX = r.U16(at + 4);
      image.hotspotY = r.U16(at + 6);
      if (!image.intact) image.bitCount = 0;
    }
  }
  if (cursor) g.directory = IconFormDirectory(g.images);
  return g;
}

void ReadIco(FileRead& read) {
  const unsigned type = IconFileType(read.File());
  if (!type) return;
  IconFileContents& out = read.Out();
  out.kind = type == 2 ? FileKind::Cur : FileKind::Ico;
  if (auto group = ReadIconDirectory(read, 0, read.File().size())) out.groups.push_back(std::move(*group));
}

// ---- Animated cursors (RIFF "ACON")

constexpr std::uint32_t Tag(const char (&s)[5]) {
  return static_cast<std::uint32_t>(static_cast<std::uint8_t>(s[0])) |
         static_cast<std::uint32_t>(static_cast<std::uint8_t>(s[1])) << 8 |
         static_cast<std::uint32_t>(static_cast<std::uint8_t>(s[2])) << 16 |
         static_cast<std::uint32_t>(static_cast<std::uint8_t>(s[3])) << 24;
}

bool IsAnimatedCursor(ByteSpan bytes) {
  const Reader r(bytes);
  return r.U32(0) == Tag("RIFF") && r.U32(8) == Tag("ACON");
}

// More steps than this in one animation is damage; no real cursor comes near.
constexpr std::size_t kMaxSteps = 1u << 15;

// The chunks between `from` and `to` of a RIFF body, each as (tag, data offset, data length);
// false when one claims more bytes than there are. Each step moves on by 8 bytes at least.
template <class Each>
bool ForEachChunk(const Reader& r, std::uint64_t from, std::uint64_t to, Each each) {
  std::uint64_t at = from;
  for (; at + 8 <= to; at += 8 + std::uint64_t{r.U32(at + 4)} + (r.U32(at + 4) & 1)) {
    const std::uint32_t length = r.U32(at + 4);
    if (length > to - at - 8) return false;
    each(r.U32(at), at + 8, std::uint64_t{length});
  }
  return true;
}

// The values of a "rate" or "seq " chunk, at most kMaxSteps of them.
std::vector<std::uint32_t> Values(const Reader& r, std::uint64_t at, std::uint64_t length) {
  std::vector<std::uint32_t> values;
  for (std::uint64_t i = 0; i < length / 4 && i < kMaxSteps; ++i) values.push_back(r.U32(at + i * 4));
  return values;
}

// An animated cursor stored at `base`, `length` bytes long: its frames (each an icon or cursor
// file), its steps, and whether it is whole.
IconGroup ReadAnimatedCursor(FileRead& read, std::uint64_t base, std::uint64_t length) {
  IconGroup g;
  g.kind = GroupKind::AnimatedCursor;
  const Reader r(Reader(read.File()).Sub(base, length));
  if (!IsAnimatedCursor(Reader(read.File()).Sub(base, length))) {
    read.Damaged();
    return g;
  }
  bool whole = true;
  std::uint64_t end = std::uint64_t{r.U32(4)} + 8;
  if (end > r.size()) {
    end = r.size();
    whole = false;
  }
  g.offset = static_cast<std::size_t>(base);
  g.size = static_cast<std::size_t>(end);
  bool header = false;
  std::uint32_t frameCount = 0, stepCount = 0, rate = 0, flags = 0;
  std::vector<std::uint32_t> rates, sequence;
  bool haveRates = false, haveSequence = false;
  std::vector<std::pair<std::uint64_t, std::uint64_t>> frames;
  whole &= ForEachChunk(r, 12, end, [&](std::uint32_t tag, std::uint64_t at, std::uint64_t size) {
    if (tag == Tag("anih") && !header && size >= 36) {
      header = true;
      frameCount = r.U32(at + 4);
      stepCount = r.U32(at + 8);
      rate = r.U32(at + 28);
      flags = r.U32(at + 32);
    } else if (tag == Tag("rate") && !haveRates) {
      haveRates = true;
      rates = Values(r, at, size);
    } else if (tag == Tag("seq ") && !haveSequence) {
      haveSequence = true;
      sequence = Values(r, at, size);
    } else if (tag == Tag("LIST") && size >= 4 && r.U32(at) == Tag("fram") && frames.empty()) {
      whole &= ForEachChunk(r, at + 4, at + size, [&](std::uint32_t inner, std::uint64_t frame, std::uint64_t bytes) {
        if (inner == Tag("icon")) frames.emplace_back(frame, bytes);
      });
    }
  });
  // Frames that are bare bitmaps rather than icon files (no flag 1) are not read.
  if (!header || !(flags & 1)) {
    read.Damaged();
    return g;
  }
  for (const auto& [at, size] : frames) {
    auto frame = ReadIconDirectory(read, base + at, size);
    if (!frame) {
      whole = false;
      g.frames.emplace_back();
      continue;
    }
    g.frames.push_back(std::move(frame->images));
  }
  if (!g.frames.empty()) g.images = g.frames.front();
  g.directory = IconFormDirectory(g.images);
  // Without a sequence the frames play in their order, as many steps as the header counts.
  const std::size_t steps = std::min<std::size_t>(stepCount, kMaxSteps);
  whole &= stepCount > 0 && stepCount <= kMaxSteps;
  for (std::size_t i = 0; i < steps; ++i) {
    std::size_t frame = i;
    if (haveSequence) {
      if (i >= sequence.size()) {
        whole = false;
        break;
      }
      frame = sequence[i];
    }
    if (frame >= g.frames.size()) {
      whole = false;
      if (haveSequence) continue;
      break;
    }
    std::uint32_t jiffies = rate;
    if (haveRates) {
      if (i < rates.size()) {
        jiffies = rates[i];
      } else {
        whole = false;
      }
    }
    g.steps.push_back({frame, jiffies});
  }
  for (const auto& frame : g.frames) whole &= !frame.empty();
  g.wellFormed = whole && frameCount == g.frames.size() && !g.frames.empty() && g.steps.size() == stepCount;
  if (!g.wellFormed) read.Damaged();
  return g;
}

// A group directory in resource form, with its images found through `find(id)`, which gives
// the image's (offset, size) in the file or size 0. A cursor group's entries give edges as
// words (the height doubled, for the colour bits and the mask), and each of its images starts
// with its hotspot.
template <class Find>
IconGroup ReadResourceGroup(FileRead& read, ByteSpan directory, bool ownLength, Find find, bool cursor = false) {
  IconGroup g;
  std::size_t count = 0;
  if (!DirectoryFits(directory, kResEntry, count)) {
    read.Damaged();
    if (cursor) g.kind = GroupKind::Cursor;
    return g;
  }
  count = read.Take(count);
  g.directory.assign(directory.begin(), directory.begin() + kDirHead + count * kResEntry);
  g.directory[4] = static_cast<std::uint8_t>(count);
  g.directory[5] = static_cast<std::uint8_t>(count >> 8);
  const Reader r(directory);
  const Reader file(read.File());
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint64_t at = kDirHead + i * kResEntry;
    IconImage& image = g.images.emplace_back();
    image.id = r.U16(at + 12);
    const auto [offset, size] = find(image.id);
    if (!cursor) {
      DescribeImage(read, image, r.Sub(at, kResEntry), offset, size, ownLength);
      continue;
    }
    if (size >= 4) {
      image.hotspotX = file.U16(offset);
      image.hotspotY = file.U16(offset + 2);
    }
    DescribeImage(read, image, r.U16(at), r.U16(at + 2) / 2, 0, offset + 4, size >= 4 ? size - 4 : 0, ownLength);
  }
  if (cursor) {
    g.kind = GroupKind::Cursor;
    g.directory = IconFormDirectory(g.images);
  }
  return g;
}

using Place = std::pair<std::uint64_t, std::uint64_t>;  // (offset, size) in the file; size 0: not found

// ---- PE32 and PE32+

struct Section {
  std::uint32_t virtualAddress, rawSize, rawPointer;
};

class PeFile {
 public:
  PeFile(ByteSpan file, std::uint32_t ntOffset) : r_(file) {
    const std::uint64_t fileHeader = std::uint64_t{ntOffset} + 4;
    const unsigned sections = r_.U16(fileHeader + 2);
    const std::uint64_t optional = fileHeader + 20;
    const std::uint64_t sectionTable = optional + r_.U16(fileHeader + 16);
    const std::uint16_t magic = r_.U16(optional);
    std::uint64_t dirCountAt = 0;
    if (magic == 0x10B) {
      kind_ = FileKind::Pe32;
      dirCountAt = optional + 92;
    } else if (magic == 0x20B) {
      kind_ = FileKind::Pe32Plus;
      dirCountAt = optional + 108;
    } else {
      return;
    }
    if (!r_.Has(dirCountAt, 4) || r_.U32(dirCountAt) <= 2 || !r_.Has(dirCountAt + 4 + 16, 8)) return;
    headersSize_ = r_.U32(optional + 60);
    resourceRva_ = r_.U32(dirCountAt + 4 + 16);
    if (!r_.Has(sectionTable, std::uint64_t{sections} * 40)) return;
    for (unsigned i = 0; i < sections; ++i) {
      const std::uint64_t s = sectionTable + std::uint64_t{i} * 40;
      sections_.push_back({r_.U32(s + 12), r_.U32(s + 16), r_.U32(s + 20)});
    }
    valid_ = true;
  }
  // Its headers could be read; it may still have no resources.
  bool Valid() const { return valid_; }
  bool HasResources() const { return resourceRva_ != 0; }
  FileKind Kind() const { return kind_; }

  // The file offset of an image address, through the section that holds it in its raw data.
  std::optional<std::uint64_t> Offset(std::uint32_t rva) const {
    const Section* s = SectionOf(rva);
    if (!s) return std::nullopt;
    return std::uint64_t{s->rawPointer} + (rva - s->virtualAddress);
  }
  // The resource root and the end of the bytes its tables may use (the end of its section's raw
  // data, or of the headers, within the file). Addresses inside the headers map one to one, as
  // the loader maps them.
  std::optional<std::pair<std::uint64_t, std::uint64_t>> ResourceSection() const {
    if (resourceRva_ < headersSize_) return std::make_pair(std::uint64_t{resourceRva_}, Within(headersSize_));
    const Section* s = SectionOf(resourceRva_);
    if (!s) return std::nullopt;
    return std::make_pair(std::uint64_t{s->rawPointer} + (resourceRva_ - s->virtualAddress),
                          Within(std::uint64_t{s->rawPointer} + s->rawSize));
  }

 private:
  const Section* SectionOf(std::uint32_t rva) const {
    for (const Section& s : sections_) {
      if (rva >= s.virtualAddress && rva - s.virtualAddress < s.rawSize) return &s;
    }
    return nullptr;
  }
  std::uint64_t Within(std::uint64_t end) const { return std::min<std::uint64_t>(end, r_.size()); }

  Reader r_;
  FileKind kind_ = FileKind::None;
  bool valid_ = false;
  std::uint32_t headersSize_ = 0, resourceRva_ = 0;
  std::vector<Section> sections_;
};

// Resource directories: a 16-byte head with named and id entry counts, then 8-byte entries.
// Only three levels are ever walked (type, name, language). Every table read (a directory, a
// data entry) must lie inside the resource section and overlap no table read before, so no
// walk can loop or make more of the bytes than they hold.
class ResourceTree {
 public:
  ResourceTree(ByteSpan file, const PeFile& pe, std::uint64_t root, std::uint64_t end)
      : r_(file), pe_(pe), root_(root), end_(end) {}

  // The entries of the directory at `dir` from the root: as many as lie inside the section and
  // before the first table that any entry read so far leads to (tables follow the directories
  // that name them, so a count running into them is damage). None when the directory cannot be
  // read.
  std::optional<std::size_t> Directory(std::uint64_t dir) {
    const std::uint64_t at = root_ + dir;
    if (!Inside(at, 16)) return std::nullopt;
    const std::uint64_t claimed = std::uint64_t{r_.U16(at + 12)} + r_.U16(at + 14);
    const std::uint64_t first = at + 16;
    std::uint64_t n = std::min<std::uint64_t>(claimed, (end_ - first) / 8);
    auto cut = [&](std::uint64_t table) {
      if (table >= first && table < first + n * 8) n = (table - first) / 8;
    };
    if (const auto next = starts_.lower_bound(first); next != starts_.end()) cut(*next);
    for (std::uint64_t i = 0; i < n; ++i) {
      const std::uint64_t child = root_ + (r_.U32(first + i * 8 + 4) & 0x7FFFFFFFu);
      if (child < end_) starts_.insert(child);
      if (child >= first + i * 8 + 8) cut(child);
    }
    if (n < claimed) damaged_ = true;
    if (!Claim(at, 16 + n * 8)) return std::nullopt;
    return static_cast<std::size_t>(n);
  }
  std::uint32_t Name(std::uint64_t dir, std::size_t i) const { return r_.U32(root_ + dir + 16 + i * 8); }
  std::uint32_t Target(std::uint64_t dir, std::size_t i) const { return r_.U32(root_ + dir + 20 + i * 8); }

  // A name entry's data in its first language: its place (size 0 when it has none or it lies
  // outside the file), or none when the tables on the way are damaged.
  std::optional<Place> Data(std::uint32_t nameTarget) {
    if (!(nameTarget & 0x80000000u)) return Place{0, 0};
    const std::uint64_t languages = nameTarget & 0x7FFFFFFFu;
    const auto count = Directory(languages);
    if (!count) return std::nullopt;
    if (*count == 0) return Place{0, 0};
    const std::uint32_t dataEntry = Target(languages, 0);
    if (dataEntry & 0x80000000u) return Place{0, 0};
    const std::uint64_t at = root_ + dataEntry;
    if (!Inside(at, 16) || !Claim(at, 16)) return std::nullopt;
    const std::uint32_t size = r_.U32(at + 4);
    const auto offset = pe_.Offset(r_.U32(at));
    if (!offset || !r_.Has(*offset, size)) return Place{0, 0};
    return Place{*offset, size};
  }

  // The subdirectory of type `id` among the root's `n` entries, searched in any order.
  std::optional<std::uint64_t> TypeDirectory(std::size_t n, std::uint16_t id) const {
    for (std::size_t i = 0; i < n; ++i) {
      if (Name(0, i) == id && (Target(0, i) & 0x80000000u)) return Target(0, i) & 0x7FFFFFFFu;
    }
    return std::nullopt;
  }

  bool Damaged() const { return damaged_; }

 private:
  bool Inside(std::uint64_t at, std::uint64_t length) {
    if (at < end_ && end_ - at >= length) return true;
    damaged_ = true;
    return false;
  }
  // Records a table's bytes; false when they overlap a table read before.
  bool Claim(std::uint64_t at, std::uint64_t length) {
    const auto next = tables_.lower_bound(at);
    if (next != tables_.end() && next->first < at + length) return damaged_ = true, false;
    if (next != tables_.begin() && std::prev(next)->second > at) return damaged_ = true, false;
    tables_.emplace(at, at + length);
    return true;
  }

  Reader r_;
  const PeFile& pe_;
  std::uint64_t root_, end_;
  std::map<std::uint64_t, std::uint64_t> tables_;  // start -> end of every table read
  std::set<std::uint64_t> starts_;                 // where the entries read so far lead
  bool damaged_ = false;
};

// The images of one image type by id: the first entry of each id, as a lookup by id finds it.
// Read once, so an image that several groups name is one table, not a revisit.
std::unordered_map<std::uint16_t, Place> ImagesById(ResourceTree& tree, std::optional<std::uint64_t> dir,
                                                   std::optional<std::size_t> count) {
  std::unordered_map<std::uint16_t, Place> images;
  for (std::size_t i = 0; dir && count && i < *count; ++i) {
    const std::uint32_t name = tree.Name(*dir, i);
    const auto place = tree.Data(tree.Target(*dir, i));
    if (!place) break;
    if (name <= 0xFFFF) images.emplace(static_cast<std::uint16_t>(name), *place);
  }
  return images;
}

void WalkResources(FileRead& read, ResourceTree& tree) {
  const auto types = tree.Directory(0);
  if (!types) return;
  const auto groups = tree.TypeDirectory(*types, 14);  // RT_GROUP_ICON
  if (!groups) return;
  // Both type directories before any table below them, so each knows where the other's
  // entries lead.
  const auto iconDir = tree.TypeDirectory(*types, 3);  // RT_ICON
  const auto iconCount = iconDir ? tree.Directory(*iconDir) : std::nullopt;
  const auto groupCount = tree.Directory(*groups);
  if (!groupCount) return;

  const auto icons = ImagesById(tree, iconDir, iconCount);
  const Reader r(read.File());
  for (std::size_t i = 0; i < std::min(*groupCount, kMaxGroups); ++i) {
    const auto place = tree.Data(tree.Target(*groups, i));
    if (!place) break;
    read.Out().groups.push_back(
        ReadResourceGroup(read, r.Sub(place->first, place->second), false, [&](std::uint16_t id) {
          const auto found = icons.find(id);
          return found == icons.end() ? Place{0, 0} : found->second;
        }));
  }
}

// The cursor groups, then the animated cursors, walked as the icons are but in a tree of their
// own, so that reading them changes nothing of the icons' reading.
void WalkCursors(FileRead& read, ResourceTree& tree) {
  const auto types = tree.Directory(0);
  if (!types) return;
  const auto groups = tree.TypeDirectory(*types, 12);    // RT_GROUP_CURSOR
  const auto animated = tree.TypeDirectory(*types, 21);  // RT_ANICURSOR
  if (!groups && !animated) return;
  const auto cursorDir = tree.TypeDirectory(*types, 1);  // RT_CURSOR
  // Every type directory before any table below them.
  const auto cursorCount = cursorDir ? tree.Directory(*cursorDir) : std::nullopt;
  const auto groupCount = groups ? tree.Directory(*groups) : std::nullopt;
  const auto animatedCount = animated ? tree.Directory(*animated) : std::nullopt;

  const auto cursors = ImagesById(tree, cursorDir, cursorCount);
  const Reader r(read.File());
  auto& out = read.Out().groups;
  for (std::size_t i = 0; groupCount && i < *groupCount && out.size() < kMaxGroups; ++i) {
    const auto place = tree.Data(tree.Target(*groups, i));
    if (!place) return;
    out.push_back(ReadResourceGroup(
        read, r.Sub(place->first, place->second), false,
        [&](std::uint16_t id) {
          const auto found = cursors.find(id);
          return found == cursors.end() ? Place{0, 0} : found->second;
        },
        true));
  }
  for (std::size_t i = 0; animatedCount && i < *animatedCount && out.size() < kMaxGroups; ++i) {
    const auto place = tree.Data(tree.Target(*animated, i));
    if (!place) return;
    out.push_back(ReadAnimatedCursor(read, place->first, place->second));
  }
}

void ReadPe(FileRead& read, std::uint32_t ntOffset, bool withCursors) {
  const PeFile pe(read.File(), ntOffset);
  read.Out().kind = pe.Kind();
  if (pe.Kind() == FileKind::None || !pe.HasResources()) return;
  const auto section = pe.ResourceSection();
  if (!pe.Valid() || !section) return read.Damaged();
  ResourceTree tree(read.File(), pe, section->first, section->second);
  WalkResources(read, tree);
  if (tree.Damaged()) read.Damaged();
  read.Out().icons = read.Out().groups.size();
  if (!withCursors) return;
  ResourceTree cursors(read.File(), pe, section->first, section->second);
  WalkCursors(read, cursors);
  if (cursors.Damaged()) read.Damaged();
}

// ---- 16-bit NE

// The groups of one kind in a 16-bit file's resource table (from `start` to `end`): the group
// type's entries, their images found among the image type's by id.
void ReadNeGroups(FileRead& read, std::uint64_t start, std::uint64_t end, std::uint16_t imageType,
                  std::uint16_t groupType, bool cursor) {
  const Reader r(read.File());
  IconFileContents& out = read.Out();
  const unsigned shift = r.U16(start);
  if (shift > 24) return read.Damaged();
  std::uint64_t groupInfo = 0, imageInfo = 0;
  std::size_t groupCount = 0, imageCount = 0;
  // Each step moves forward by at least one type head, so the walk ends.
  for (std::uint64_t at = start + 2; !(groupInfo && imageInfo); at += 8 + std::uint64_t{r.U16(at + 2)} * 12) {
    if (at + 2 > end || r.U16(at) == 0) break;
    const std::uint16_t type = r.U16(at), count = r.U16(at + 2);
    if (at + 8 + std::uint64_t{count} * 12 > end) return read.Damaged();
    if (type == groupType) groupInfo = at + 8, groupCount = count;
    if (type == imageType) imageInfo = at + 8, imageCount = count;
  }
  if (!groupInfo || !imageInfo) return;
  // A resource's length counts whole alignment units; the last may run past the end of the file.
  auto data = [&](std::uint64_t info) -> Place {
    const std::uint64_t offset = std::uint64_t{r.U16(info)} << shift;
    const std::uint64_t length = std::uint64_t{r.U16(info + 2)} << shift;
    if (offset >= r.size()) return {0, 0};
    return {offset, std::min<std::uint64_t>(length, r.size() - offset)};
  };
  std::unordered_map<std::uint16_t, std::uint64_t> images;
  for (std::size_t i = 0; i < imageCount; ++i) images.emplace(r.U16(imageInfo + i * 12 + 6), imageInfo + i * 12);
  for (std::size_t i = 0; i < groupCount && out.groups.size() < kMaxGroups; ++i) {
    const auto [offset, size] = data(groupInfo + i * 12);
    out.groups.push_back(ReadResourceGroup(
        read, r.Sub(offset, size), true,
        [&](std::uint16_t id) {
          const auto found = images.find(static_cast<std::uint16_t>(id | 0x8000));
          return found == images.end() ? Place{0, 0} : data(found->second);
        },
        cursor));
  }
}

void ReadNe(FileRead& read, std::uint32_t neOffset, bool withCursors) {
  const Reader r(read.File());
  const std::uint16_t table = r.U16(neOffset + 0x24), names = r.U16(neOffset + 0x26);
  // The platform reads no resource table that is not followed by room for one type at least.
  if (static_cast<int>(names) - static_cast<int>(table) <= 8) return;
  IconFileContents& out = read.Out();
  out.kind = FileKind::Ne;
  const std::uint64_t start = std::uint64_t{neOffset} + table;
  // The resource table ends where the resident names begin.
  const std::uint64_t end = std::min<std::uint64_t>(std::uint64_t{neOffset} + names, r.size());
  ReadNeGroups(read, start, end, 0x8003, 0x800E, false);  // RT_ICON, RT_GROUP_ICON
  out.icons = out.groups.size();
  if (withCursors) ReadNeGroups(read, start, end, 0x8001, 0x800C, true);  // RT_CURSOR, RT_GROUP_CURSOR
}

}  // namespace

IconFileContents ReadIconGroups(ByteSpan file, bool withCursors) {
  IconFileContents out;
  FileRead read(file, out);
  const Reader r(file);
  if (IsAnimatedCursor(file)) {
    out.kind = FileKind::Ani;
    out.groups.push_back(ReadAnimatedCursor(read, 0, file.size()));
    out.icons = 1;
    return out;
  }
  if (r.U16(0) != 0x5A4D) {  // "MZ"
    ReadIco(read);
    out.icons = out.groups.size();
    return out;
  }
  const std::uint32_t next = r.U32(0x3C);
  if (!r.Has(0, 64) || next >= file.size()) return out;
  if (r.U32(next) == 0x00004550) {  // "PE\0\0"
    ReadPe(read, next, withCursors);
  } else if (r.U16(next) == 0x454E) {  // "NE"
    ReadNe(read, next, withCursors);
  }
  return out;
}

std::string IndexText(const IconFileContents& contents, std::size_t group) {
  if (group < contents.icons) return std::to_string(group);
  return "cursor " + std::to_string(group - contents.icons);
}

std::optional<ImageInfo> CheckImage(ByteSpan data) { return IsPng(data) ? CheckPng(data) : CheckBitmap(data); }

ByteSpan ImageBytes(ByteSpan file, const IconImage& image) { return Reader(file).Sub(image.offset, image.size); }

const IconImage* FindImage(const IconGroup& group, std::uint16_t id) {
  for (const IconImage& image : group.images) {
    if (image.id == id) return &image;
  }
  return nullptr;
}

}  // namespace iconres
