// Icon group reader over a file's bytes; see IconResources.h.
#include "iconres/IconResources.h"

#include <algorithm>
#include <array>
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

// Counts the images a file has taken so far against kMaxImagesPerFile.
struct Budget {
  std::size_t images = 0;
  // How many of `wanted` entries may still be read.
  std::size_t Take(std::size_t wanted) {
    const std::size_t n = std::min(wanted, kMaxImagesPerFile - images);
    images += n;
    return n;
  }
};

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
      return sawData ? std::optional<ImageInfo>(info) : std::nullopt;
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
  if (headerSize == 12) {
    if (!r.Has(0, 12)) return std::nullopt;
    width = r.U16(4);
    storedHeight = r.U16(6);
    bitCount = r.U16(10);
    colourBytes = 3;
    colours = bitCount <= 8 ? 1u << bitCount : 0;
  } else if (headerSize >= 40 && headerSize <= 1024) {
    if (!r.Has(0, headerSize)) return std::nullopt;
    width = static_cast<std::int32_t>(r.U32(4));
    storedHeight = static_cast<std::int32_t>(r.U32(8));
    bitCount = r.U16(14);
    compression = r.U32(16);
    const std::uint32_t used = r.U32(32);
    if (used > 0x10000) return std::nullopt;
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
  return ImageInfo{static_cast<int>(width), static_cast<int>(height), static_cast<int>(bitCount), false};
}

// Fills an image from its directory entry (12 leading bytes, shared by both entry forms) and,
// when found, its stored bytes.
void DescribeImage(IconImage& image, ByteSpan entry, ByteSpan file, std::uint64_t offset, std::uint64_t size) {
  image.width = entry[0] ? entry[0] : 256;
  image.height = entry[1] ? entry[1] : 256;
  image.bitCount = entry[6] | entry[7] << 8;
  if (size == 0 || !Reader(file).Has(offset, size)) return;
  image.offset = static_cast<std::size_t>(offset);
  image.size = static_cast<std::size_t>(size);
  const ByteSpan bytes = file.subspan(image.offset, image.size);
  image.png = IsPng(bytes);
  if (const auto info = CheckImage(bytes)) {
    image.width = info->width;
    image.height = info->height;
    image.bitCount = info->bitCount;
    image.sound = true;
  }
}

// A resource-form directory head and the entries of `count` that fit in `bytes` (after a head
// of `entrySize`-byte entries). Empty when the directory does not fit whole.
bool DirectoryFits(ByteSpan bytes, std::size_t entrySize, std::size_t& count) {
  const Reader r(bytes);
  if (!r.Has(0, kDirHead)) return false;
  count = r.U16(4);
  return r.Has(kDirHead, std::uint64_t{count} * entrySize);
}

// ---- .ico files

void ReadIco(ByteSpan file, IconFileContents& out, Budget& budget) {
  const Reader r(file);
  std::size_t count = 0;
  if (r.U16(0) != 0 || r.U16(2) != 1 || !DirectoryFits(file, kFileEntry, count) || count == 0) return;
  out.kind = FileKind::Ico;
  IconGroup& g = out.groups.emplace_back();
  count = budget.Take(count);
  g.directory.assign(file.begin(), file.begin() + kDirHead);
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
    DescribeImage(image, entry, file, r.U32(at + 12), r.U32(at + 8));
  }
}

// A group directory in resource form, with its images found through `find(id)`, which gives
// the image's (offset, size) in the file or size 0.
template <class Find>
IconGroup ReadResourceGroup(ByteSpan file, ByteSpan directory, Budget& budget, Find find) {
  IconGroup g;
  std::size_t count = 0;
  if (!DirectoryFits(directory, kResEntry, count)) return g;
  count = budget.Take(count);
  g.directory.assign(directory.begin(), directory.begin() + kDirHead + count * kResEntry);
  g.directory[4] = static_cast<std::uint8_t>(count);
  g.directory[5] = static_cast<std::uint8_t>(count >> 8);
  const Reader r(directory);
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint64_t at = kDirHead + i * kResEntry;
    IconImage& image = g.images.emplace_back();
    image.id = r.U16(at + 12);
    const auto [offset, size] = find(image.id);
    DescribeImage(image, r.Sub(at, kResEntry), file, offset, size);
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
    valid_ = resourceRva_ != 0;
  }
  bool Valid() const { return valid_; }
  FileKind Kind() const { return kind_; }

  // The file offset of an image address, through the section that holds it in its raw data.
  std::optional<std::uint64_t> Offset(std::uint32_t rva) const {
    for (const Section& s : sections_) {
      if (rva >= s.virtualAddress && rva - s.virtualAddress < s.rawSize) {
        return std::uint64_t{s.rawPointer} + (rva - s.virtualAddress);
      }
    }
    return std::nullopt;
  }
  // The resource root: addresses inside the headers map one to one, as the loader maps them.
  std::optional<std::uint64_t> ResourceRoot() const {
    if (resourceRva_ < headersSize_) return resourceRva_;
    return Offset(resourceRva_);
  }

 private:
  Reader r_;
  FileKind kind_ = FileKind::None;
  bool valid_ = false;
  std::uint32_t headersSize_ = 0, resourceRva_ = 0;
  std::vector<Section> sections_;
};

// Resource directories: a 16-byte head with named and id entry counts, then 8-byte entries.
// Only three levels are ever walked (type, name, language), so no directory can loop.
class ResourceTree {
 public:
  ResourceTree(ByteSpan file, const PeFile& pe, std::uint64_t root) : r_(file), pe_(pe), root_(root) {}

  // Entries of the directory at `offset` from the root that lie inside the file.
  std::size_t EntryCount(std::uint64_t dir) const {
    const std::uint64_t at = root_ + dir;
    if (!r_.Has(at, 16)) return 0;
    const std::uint64_t count = std::uint64_t{r_.U16(at + 12)} + r_.U16(at + 14);
    const std::uint64_t fit = (r_.size() - at - 16) / 8;
    return static_cast<std::size_t>(std::min(count, fit));
  }
  std::uint32_t Name(std::uint64_t dir, std::size_t i) const { return r_.U32(root_ + dir + 16 + i * 8); }
  std::uint32_t Target(std::uint64_t dir, std::size_t i) const { return r_.U32(root_ + dir + 20 + i * 8); }

  // The subdirectory of type `id` in the root, searched in any order.
  std::optional<std::uint64_t> TypeDirectory(std::uint16_t id) const {
    const std::size_t n = EntryCount(0);
    for (std::size_t i = 0; i < n; ++i) {
      if (Name(0, i) == id && (Target(0, i) & 0x80000000u)) return Target(0, i) & 0x7FFFFFFFu;
    }
    return std::nullopt;
  }

  // A name entry's data in its first language, as (offset, size) in the file; size 0 when
  // anything on the way is missing or outside the file.
  std::pair<std::uint64_t, std::uint64_t> Data(std::uint32_t nameTarget) const {
    if (!(nameTarget & 0x80000000u)) return {0, 0};
    const std::uint64_t languages = nameTarget & 0x7FFFFFFFu;
    if (EntryCount(languages) == 0) return {0, 0};
    const std::uint32_t dataEntry = Target(languages, 0);
    if (dataEntry & 0x80000000u) return {0, 0};
    const std::uint64_t at = root_ + dataEntry;
    if (!r_.Has(at, 16)) return {0, 0};
    const std::uint32_t size = r_.U32(at + 4);
    const auto offset = pe_.Offset(r_.U32(at));
    if (!offset || !r_.Has(*offset, size)) return {0, 0};
    return {*offset, size};
  }

 private:
  Reader r_;
  const PeFile& pe_;
  std::uint64_t root_;
};

void ReadPe(ByteSpan file, std::uint32_t ntOffset, IconFileContents& out, Budget& budget) {
  const PeFile pe(file, ntOffset);
  if (!pe.Valid()) return;
  out.kind = pe.Kind();
  const auto root = pe.ResourceRoot();
  if (!root) return;
  const ResourceTree tree(file, pe, *root);
  const auto groups = tree.TypeDirectory(14);  // RT_GROUP_ICON
  if (!groups) return;

  // Images by id: the first entry of each id, as a lookup by id finds it.
  std::unordered_map<std::uint16_t, std::uint32_t> icons;
  if (const auto iconDir = tree.TypeDirectory(3)) {  // RT_ICON
    const std::size_t n = tree.EntryCount(*iconDir);
    for (std::size_t i = 0; i < n; ++i) {
      const std::uint32_t name = tree.Name(*iconDir, i);
      if (name <= 0xFFFF) icons.emplace(static_cast<std::uint16_t>(name), tree.Target(*iconDir, i));
    }
  }
  const std::size_t n = std::min(tree.EntryCount(*groups), kMaxGroups);
  const Reader r(file);
  for (std::size_t i = 0; i < n; ++i) {
    const auto [offset, size] = tree.Data(tree.Target(*groups, i));
    out.groups.push_back(ReadResourceGroup(file, r.Sub(offset, size), budget, [&](std::uint16_t id) {
      const auto found = icons.find(id);
      return found == icons.end() ? std::pair<std::uint64_t, std::uint64_t>{0, 0} : tree.Data(found->second);
    }));
  }
}

// ---- 16-bit NE

void ReadNe(ByteSpan file, std::uint32_t neOffset, IconFileContents& out, Budget& budget) {
  const Reader r(file);
  const std::uint16_t table = r.U16(neOffset + 0x24), names = r.U16(neOffset + 0x26);
  // The platform reads no resource table that is not followed by room for one type at least.
  if (static_cast<int>(names) - static_cast<int>(table) <= 8) return;
  out.kind = FileKind::Ne;
  const std::uint64_t start = std::uint64_t{neOffset} + table;
  const unsigned shift = r.U16(start);
  if (shift > 24) return;
  constexpr std::uint16_t kIcon = 0x8003, kGroupIcon = 0x800E;
  std::uint64_t groupInfo = 0, iconInfo = 0;
  std::size_t groupCount = 0, iconCount = 0;
  // Each step moves forward by at least one type head, so the walk ends.
  for (std::uint64_t at = start + 2; r.Has(at, 8) && r.U16(at) != 0 && !(groupInfo && iconInfo);) {
    const std::uint16_t type = r.U16(at), count = r.U16(at + 2);
    if (!r.Has(at + 8, std::uint64_t{count} * 12)) return;
    if (type == kGroupIcon) groupInfo = at + 8, groupCount = count;
    if (type == kIcon) iconInfo = at + 8, iconCount = count;
    at += 8 + std::uint64_t{count} * 12;
  }
  if (!groupInfo || !iconInfo) return;
  // A resource's length counts whole alignment units; the last may run past the end of the file.
  auto data = [&](std::uint64_t info) -> std::pair<std::uint64_t, std::uint64_t> {
    const std::uint64_t offset = std::uint64_t{r.U16(info)} << shift;
    const std::uint64_t length = std::uint64_t{r.U16(info + 2)} << shift;
    if (offset >= r.size()) return {0, 0};
    return {offset, std::min<std::uint64_t>(length, r.size() - offset)};
  };
  std::unordered_map<std::uint16_t, std::uint64_t> icons;
  for (std::size_t i = 0; i < iconCount; ++i) icons.emplace(r.U16(iconInfo + i * 12 + 6), iconInfo + i * 12);
  for (std::size_t i = 0; i < std::min(groupCount, kMaxGroups); ++i) {
    const auto [offset, size] = data(groupInfo + i * 12);
    out.groups.push_back(ReadResourceGroup(file, r.Sub(offset, size), budget, [&](std::uint16_t id) {
      const auto found = icons.find(static_cast<std::uint16_t>(id | 0x8000));
      return found == icons.end() ? std::pair<std::uint64_t, std::uint64_t>{0, 0} : data(found->second);
    }));
  }
}

}  // namespace

IconFileContents ReadIconGroups(ByteSpan file) {
  IconFileContents out;
  Budget budget;
  const Reader r(file);
  if (r.U16(0) != 0x5A4D) {  // "MZ"
    ReadIco(file, out, budget);
    return out;
  }
  const std::uint32_t next = r.U32(0x3C);
  if (!r.Has(0, 64) || next >= file.size()) return out;
  if (r.U32(next) == 0x00004550) {  // "PE\0\0"
    ReadPe(file, next, out, budget);
  } else if (r.U16(next) == 0x454E) {  // "NE"
    ReadNe(file, next, out, budget);
  }
  return out;
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
