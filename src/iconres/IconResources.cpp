// Icon group reader over a file's bytes: images, icon files and executables; its cursors are in
// CursorResources.cpp. See IconResources.h.
#include "iconres/IconResources.h"

#include <algorithm>
#include <array>

#include "iconres/ReaderParts.h"

namespace iconres::parts {
namespace {

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

}  // namespace

// Check sums cost the image's length, so the bytes checked are bounded by a small multiple of
// the file's size: an intact file's images lie side by side, while a damaged one may name the
// same large bytes thousands of times.
std::optional<ImageInfo> FileRead::Check(std::size_t offset, std::size_t size) {
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

void DescribeImage(FileRead& read, IconImage& image, int width, int height, int bitCount, std::uint64_t offset,
                   std::uint64_t size, bool ownLength) {
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

namespace {

// An image described from its icon directory entry (12 leading bytes, shared by both entry forms).
void DescribeImage(FileRead& read, IconImage& image, ByteSpan entry, std::uint64_t offset, std::uint64_t size,
                   bool ownLength = false) {
  DescribeImage(read, image, entry[0] ? entry[0] : 256, entry[1] ? entry[1] : 256, entry[6] | entry[7] << 8, offset,
                size, ownLength);
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

}  // namespace

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
    if (cursor) TakeFileHotspot(image, entry);
  }
  if (cursor) g.directory = IconFormDirectory(g.images);
  return g;
}

namespace {

void ReadIco(FileRead& read) {
  const unsigned type = IconFileType(read.File());
  if (!type) return;
  IconFileContents& out = read.Out();
  out.kind = type == 2 ? FileKind::Cur : FileKind::Ico;
  if (auto group = ReadIconDirectory(read, 0, read.File().size())) out.groups.push_back(std::move(*group));
}

}  // namespace

IconGroup ReadResourceGroup(FileRead& read, ByteSpan directory, bool ownLength,
                            const std::function<Place(std::uint16_t)>& find, bool cursor) {
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
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint64_t at = kDirHead + i * kResEntry;
    IconImage& image = g.images.emplace_back();
    image.id = r.U16(at + 12);
    const Place place = find(image.id);
    if (cursor) {
      DescribeCursorResource(read, image, r.Sub(at, kResEntry), place, ownLength);
    } else {
      DescribeImage(read, image, r.Sub(at, kResEntry), place.first, place.second, ownLength);
    }
  }
  if (cursor) {
    g.kind = GroupKind::Cursor;
    g.directory = IconFormDirectory(g.images);
  }
  return g;
}

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

std::optional<std::size_t> ResourceTree::Directory(std::uint64_t dir) {
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

std::optional<Place> ResourceTree::Data(std::uint32_t nameTarget, std::uint16_t* language) {
  if (!(nameTarget & 0x80000000u)) return Place{0, 0};
  const std::uint64_t languages = nameTarget & 0x7FFFFFFFu;
  const auto count = Directory(languages);
  if (!count) return std::nullopt;
  if (*count == 0) return Place{0, 0};
  const std::uint32_t dataEntry = Target(languages, 0);
  if (language) *language = static_cast<std::uint16_t>(Name(languages, 0));
  if (dataEntry & 0x80000000u) return Place{0, 0};
  const std::uint64_t at = root_ + dataEntry;
  if (!Inside(at, 16) || !Claim(at, 16)) return std::nullopt;
  const std::uint32_t size = r_.U32(at + 4);
  const auto offset = pe_.Offset(r_.U32(at));
  if (!offset || !r_.Has(*offset, size)) return Place{0, 0};
  return Place{*offset, size};
}

ResourceName ResourceTree::NameOf(std::uint64_t dir, std::size_t i) const {
  ResourceName result;
  const std::uint32_t name = Name(dir, i);
  if (!(name & 0x80000000u)) {
    result.id = static_cast<std::uint16_t>(name);
    return result;
  }
  // A counted UTF-16 string, made UTF-8; only its characters inside the section are read.
  const std::uint64_t at = root_ + (name & 0x7FFFFFFFu);
  if (at >= end_ || end_ - at < 2) return result;
  const std::uint64_t length = std::min<std::uint64_t>(r_.U16(at), (end_ - at - 2) / 2);
  for (std::uint64_t k = 0; k < length; ++k) {
    std::uint32_t c = r_.U16(at + 2 + k * 2);
    if (c >= 0xD800 && c < 0xDC00 && k + 1 < length) {
      const std::uint32_t low = r_.U16(at + 4 + k * 2);
      if (low >= 0xDC00 && low < 0xE000) {
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        ++k;
      }
    }
    if (c >= 0xD800 && c < 0xE000) c = 0xFFFD;  // an unpaired half
    if (c < 0x80) {
      result.name += static_cast<char>(c);
    } else if (c < 0x800) {
      result.name += static_cast<char>(0xC0 | c >> 6);
      result.name += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      result.name += static_cast<char>(0xE0 | c >> 12);
      result.name += static_cast<char>(0x80 | (c >> 6 & 0x3F));
      result.name += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      result.name += static_cast<char>(0xF0 | c >> 18);
      result.name += static_cast<char>(0x80 | (c >> 12 & 0x3F));
      result.name += static_cast<char>(0x80 | (c >> 6 & 0x3F));
      result.name += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return result;
}

std::optional<std::uint64_t> ResourceTree::TypeDirectory(std::size_t n, std::uint16_t id) const {
  for (std::size_t i = 0; i < n; ++i) {
    if (Name(0, i) == id && (Target(0, i) & 0x80000000u)) return Target(0, i) & 0x7FFFFFFFu;
  }
  return std::nullopt;
}

bool ResourceTree::Inside(std::uint64_t at, std::uint64_t length) {
  if (at < end_ && end_ - at >= length) return true;
  damaged_ = true;
  return false;
}

bool ResourceTree::Claim(std::uint64_t at, std::uint64_t length) {
  const auto next = tables_.lower_bound(at);
  if (next != tables_.end() && next->first < at + length) return damaged_ = true, false;
  if (next != tables_.begin() && std::prev(next)->second > at) return damaged_ = true, false;
  tables_.emplace(at, at + length);
  return true;
}

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

namespace {

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
    ResourceName name = tree.NameOf(*groups, i);
    const auto place = tree.Data(tree.Target(*groups, i), &name.language);
    if (!place) break;
    read.Out().groups.push_back(
        ReadResourceGroup(read, r.Sub(place->first, place->second), false, [&](std::uint16_t id) {
          const auto found = icons.find(id);
          return found == icons.end() ? Place{0, 0} : found->second;
        }));
    read.Out().groups.back().resource = std::move(name);
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

// A 16-bit resource's id (its high bit set) or name: a counted string at that offset of the
// resource table, read only inside the table.
ResourceName NeName(const Reader& r, std::uint64_t table, std::uint64_t end, std::uint16_t id) {
  ResourceName result;
  if (id & 0x8000) {
    result.id = static_cast<std::uint16_t>(id & 0x7FFF);
    return result;
  }
  const std::uint64_t at = table + id;
  if (at >= end) return result;
  const ByteSpan head = r.Sub(at, 1);
  const ByteSpan text = r.Sub(at + 1, head.empty() ? 0 : std::min<std::uint64_t>(head[0], end - at - 1));
  result.name.assign(text.begin(), text.end());
  return result;
}

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
    out.groups.back().resource = NeName(r, start, end, r.U16(groupInfo + i * 12 + 6));
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
}  // namespace iconres::parts

namespace iconres {

IconFileContents ReadIconGroups(ByteSpan file, bool withCursors) {
  using namespace parts;
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

bool MayHoldIcons(ByteSpan head) {
  const parts::Reader r(head);
  if (head.size() < kSmallestIconFile) return false;
  // The same tests ReadIconGroups makes, in its order.
  return parts::IsAnimatedCursor(head) || r.U16(0) == 0x5A4D || (r.U16(0) == 0 && (r.U16(2) == 1 || r.U16(2) == 2));
}

std::string IndexText(const IconFileContents& contents, std::size_t group) {
  if (contents.kind == FileKind::Package) return "logo " + std::to_string(group);
  if (group < contents.icons) return std::to_string(group);
  return "cursor " + std::to_string(group - contents.icons);
}

std::optional<ImageInfo> CheckImage(ByteSpan data) {
  return parts::IsPng(data) ? parts::CheckPng(data) : parts::CheckBitmap(data);
}

ByteSpan ImageBytes(ByteSpan file, const IconImage& image) { return parts::Reader(file).Sub(image.offset, image.size); }

const IconImage* FindImage(const IconGroup& group, std::uint16_t id) {
  for (const IconImage& image : group.images) {
    if (image.id == id) return &image;
  }
  return nullptr;
}

}  // namespace iconres