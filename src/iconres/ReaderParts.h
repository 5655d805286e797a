// What the icon reader's two halves share (IconResources.cpp: images, icon files, executables;
// CursorResources.cpp: cursors): its bounded reads, one file's read, the resource tree. Only
// for those two files; callers use IconResources.h.
#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <unordered_map>
#include <utility>
#include <vector>

#include "iconres/IconResources.h"

namespace iconres::parts {

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

// Directory head, resource-form entry, file-form entry.
constexpr std::size_t kDirHead = 6, kResEntry = 14, kFileEntry = 16;

using Place = std::pair<std::uint64_t, std::uint64_t>;  // (offset, size) in the file; size 0: not found

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

  // An image's check, made once per stored range (see the definition for its bound).
  std::optional<ImageInfo> Check(std::size_t offset, std::size_t size);

 private:
  ByteSpan file_;
  IconFileContents& out_;
  std::size_t images_ = 0, checkedBytes_ = 0;
  std::map<std::pair<std::size_t, std::size_t>, std::optional<ImageInfo>> checked_;
};

// Fills an image from what its directory says (edges, bit count) and, when found, its stored
// bytes. With ownLength an intact image keeps only the bytes it takes.
void DescribeImage(FileRead& read, IconImage& image, int width, int height, int bitCount, std::uint64_t offset,
                   std::uint64_t size, bool ownLength = false);

// The directory of an .ico or .cur file at `base` in the file, `length` bytes long (the file
// itself, or an animated cursor's frame), and the images it names inside those bytes. None when
// the directory does not fit or names no image.
std::optional<IconGroup> ReadIconDirectory(FileRead& read, std::uint64_t base, std::uint64_t length);

// A group directory in resource form, with its images found through `find(id)`, which gives
// the image's place in the file. A cursor group's images are read as cursors.
IconGroup ReadResourceGroup(FileRead& read, ByteSpan directory, bool ownLength,
                            const std::function<Place(std::uint16_t)>& find, bool cursor = false);

class PeFile;

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
  std::optional<std::size_t> Directory(std::uint64_t dir);
  std::uint32_t Name(std::uint64_t dir, std::size_t i) const { return r_.U32(root_ + dir + 16 + i * 8); }
  std::uint32_t Target(std::uint64_t dir, std::size_t i) const { return r_.U32(root_ + dir + 20 + i * 8); }

  // A name entry's data in its first language: its place (size 0 when it has none or it lies
  // outside the file), or none when the tables on the way are damaged. language, when given,
  // is set to that language.
  std::optional<Place> Data(std::uint32_t nameTarget, std::uint16_t* language = nullptr);

  // The id or name of entry i of the directory at `dir`: a name's characters are read only as
  // far as they lie inside the section.
  ResourceName NameOf(std::uint64_t dir, std::size_t i) const;

  // The subdirectory of type `id` among the root's `n` entries, searched in any order.
  std::optional<std::uint64_t> TypeDirectory(std::size_t n, std::uint16_t id) const;

  bool Damaged() const { return damaged_; }

 private:
  bool Inside(std::uint64_t at, std::uint64_t length);
  // Records a table's bytes; false when they overlap a table read before.
  bool Claim(std::uint64_t at, std::uint64_t length);

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
                                                   std::optional<std::size_t> count);

// ---- The cursor half (CursorResources.cpp)

// A cursor's directory in the icon form, made from its images, so the platform's best-match
// rule for icons picks among them as among an icon's.
Bytes IconFormDirectory(const std::vector<IconImage>& images);

// A .cur file's entry (16 bytes) keeps the image's hotspot where an icon's keeps planes and
// bit count.
void TakeFileHotspot(IconImage& image, ByteSpan entry);

// An RT_CURSOR image named by a cursor group's entry (14 bytes), found at `place`.
void DescribeCursorResource(FileRead& read, IconImage& image, ByteSpan entry, Place place, bool ownLength);

// The bytes begin an animated cursor (RIFF "ACON").
bool IsAnimatedCursor(ByteSpan bytes);

// An animated cursor stored at `base`, `length` bytes long: its frames (each an icon or cursor
// file), its steps, and whether it is whole.
IconGroup ReadAnimatedCursor(FileRead& read, std::uint64_t base, std::uint64_t length);

// An executable's cursor groups, then its animated cursors.
void WalkCursors(FileRead& read, ResourceTree& tree);

}  // namespace iconres::parts
