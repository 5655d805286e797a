// What an icon stores, in words and in order: the sizes of its images, one label per image,
// the list's info tip, the preview's order; and the run's two choices about an icon: whether
// it stores an image large enough, and whether the same icon was already listed. Pure code
// over the reader's groups, so every rule is tested without a window.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "iconres/IconFile.h"

namespace storedimages {

// The edges of the group's sound images, largest first, each once: "256, 48, 32, 16". An image
// that is not square shows both edges ("48x32"). Empty for a group without sound images.
std::string SizesText(const iconres::IconGroup& group);

// One image in words: "256 x 256, 32-bit, PNG" or "32 x 32, 4-bit".
std::string ImageLabel(const iconres::IconImage& image);

// Every image the group names that its file holds, largest first (most pixels, then most bits
// per pixel), images of equal size and depth in the group's order.
std::vector<const iconres::IconImage*> LargestFirst(const iconres::IconGroup& group);
std::vector<const iconres::IconImage*> LargestFirst(const std::vector<iconres::IconImage>& images);

// The Details view's Type column: "Icon", "Cursor", or "Animated cursor, 3 frames".
std::string TypeText(const iconres::IconGroup& group);

// What an entry keeps of its group for its tip and its Resource column, without the bytes.
struct GroupFacts {
  std::vector<iconres::IconImage> images;  // as the group names them
  // What the tip calls it ahead of its index where it is not a plain icon (TypeText: "Cursor",
  // "Square44x44Logo, unplated"); empty for an icon.
  std::string named;
  bool cursor = false;  // its images point: each has a hotspot
  iconres::ResourceName resource;
};
GroupFacts FactsOf(const iconres::IconGroup& group);

// The icon list's info tip: the file's full path, the icon's index text ("3", "cursor 0"), then
// one line per stored image, largest first, a cursor's with its hotspot (refused ones say so).
// With its group's resource id or name (and language) where it has one, and its location when
// given.
std::string InfoTip(const std::string& file, const std::string& indexText, const GroupFacts& group,
                    const std::string& location = {});

// Whether the group stores a sound image at least minSize pixels wide and high; every group
// passes when minSize is 0 or less.
bool StoresImageOfAtLeast(const iconres::IconGroup& group, int minSize);

// A quick 64-bit hash of bytes, read eight at a time; equal bytes give equal hashes.
std::uint64_t HashBytes(iconres::ByteSpan bytes, std::uint64_t seed = 0);

// The icons one run has listed, to tell whether another icon is the same: its sound images
// byte for byte the same, in the same order. Icons are found by a hash of their images and
// compared byte for byte on a match, so different icons are never taken for the same. Only the
// file's path and the group's number are kept per icon; on a hash match with an icon of
// another file, that file is read again. The files read last are kept for the next matches:
// copies of a file match the same few files over and over.
class DuplicateIcons {
 public:
  using Loader = std::function<iconres::IconFile(const std::string& path)>;
  explicit DuplicateIcons(Loader load);

  // True when an icon listed before stores the same images: the caller hides it and it is
  // counted. Otherwise the icon is remembered as listed and false is returned. `file` is the
  // contents read from `path`.
  bool Repeats(const std::string& path, const iconres::IconFile& file, std::size_t group);
  // How many icons Repeats found the same as an earlier one.
  int Hidden() const { return hidden_; }

 private:
  struct Listed {
    std::size_t path;  // into paths_
    std::size_t group;
  };
  const iconres::IconFile* FileOf(std::size_t pathIndex, const std::string& path, const iconres::IconFile& current);

  // At most this many files, and of at most this many bytes together, are kept read.
  static constexpr std::size_t kKeptFiles = 16, kKeptBytes = 64u << 20;
  struct Kept {
    std::string path;
    iconres::IconFile file;
  };

  Loader load_;
  std::vector<std::string> paths_;
  std::unordered_multimap<std::uint64_t, Listed> listed_;
  std::vector<Kept> kept_;  // the most recently used first
  int hidden_ = 0;
};

// What one run lists beyond the file types: icons with an image of at least minSize pixels
// (0: every icon) and, when unique, each icon once.
class IconFilter {
 public:
  // windowsFolder: MunWindowsFolder(), for the files read again to compare icons.
  IconFilter(int minSize, bool unique, const std::string& windowsFolder);
  // Whether the run lists the group of `file` (read from `path`); the caller asks once per
  // icon it would list otherwise, in listing order.
  bool Accepts(const std::string& path, const iconres::IconFile& file, std::size_t group);
  bool Unique() const { return unique_; }
  // How many icons were left out as the same as one listed before.
  int DuplicatesHidden() const { return duplicates_.Hidden(); }

 private:
  int minSize_;
  bool unique_;
  DuplicateIcons duplicates_;
};

// The hash DuplicateIcons files an icon under: its sound images' sizes and bytes.
std::uint64_t IconHash(const iconres::IconFile& file, const iconres::IconGroup& group);

// Whether two groups store the same sound images, byte for byte and in the same order.
bool SameImages(const iconres::IconFile& a, const iconres::IconGroup& groupA, const iconres::IconFile& b,
                const iconres::IconGroup& groupB);

}  // namespace storedimages
