// The stored images of an icon in words and in order, the size test and the duplicate test.
#include "extract/StoredImages.h"

#include <algorithm>
#include <cstring>

namespace storedimages {

namespace {

std::string EdgeText(const iconres::IconImage& image) {
  if (image.width == image.height) return std::to_string(image.width);
  return std::to_string(image.width) + "x" + std::to_string(image.height);
}

long long Pixels(const iconres::IconImage& image) { return 1LL * image.width * image.height; }

bool SoundIn(const iconres::IconImage& image) { return image.intact && image.size > 0; }

// An animated cursor's stored bytes; empty when they are not inside its file.
iconres::ByteSpan AnimationBytes(const iconres::IconFile& file, const iconres::IconGroup& group) {
  const iconres::ByteSpan bytes = file.bytes.Span();
  if (group.offset > bytes.size() || group.size > bytes.size() - group.offset) return {};
  return bytes.subspan(group.offset, group.size);
}

}  // namespace

std::string SizesText(const iconres::IconGroup& group) {
  std::vector<const iconres::IconImage*> sound;
  for (const iconres::IconImage* image : LargestFirst(group))
    if (image->intact) sound.push_back(image);
  std::string text;
  std::vector<std::string> shown;
  for (const iconres::IconImage* image : sound) {
    std::string edge = EdgeText(*image);
    if (std::find(shown.begin(), shown.end(), edge) != shown.end()) continue;
    text += (text.empty() ? "" : ", ") + edge;
    shown.push_back(std::move(edge));
  }
  return text;
}

std::string ImageLabel(const iconres::IconImage& image) {
  return std::to_string(image.width) + " x " + std::to_string(image.height) + ", " + std::to_string(image.bitCount) +
         "-bit" + (image.png ? ", PNG" : "");
}

std::vector<const iconres::IconImage*> LargestFirst(const iconres::IconGroup& group) {
  return LargestFirst(group.images);
}

std::vector<const iconres::IconImage*> LargestFirst(const std::vector<iconres::IconImage>& stored) {
  std::vector<const iconres::IconImage*> images;
  for (const iconres::IconImage& image : stored)
    if (image.size > 0) images.push_back(&image);
  std::stable_sort(images.begin(), images.end(), [](const iconres::IconImage* a, const iconres::IconImage* b) {
    if (Pixels(*a) != Pixels(*b)) return Pixels(*a) > Pixels(*b);
    return a->bitCount > b->bitCount;
  });
  return images;
}

std::string TypeText(const iconres::IconGroup& group) {
  if (!group.type.empty()) return group.type;
  switch (group.kind) {
    case iconres::GroupKind::Cursor: return "Cursor";
    case iconres::GroupKind::AnimatedCursor:
      return "Animated cursor, " + std::to_string(group.frames.size()) + (group.frames.size() == 1 ? " frame" : " frames");
    case iconres::GroupKind::Icon:
    default: return "Icon";
  }
}

GroupFacts FactsOf(const iconres::IconGroup& group) {
  const bool cursor = group.kind != iconres::GroupKind::Icon;
  return {group.images, cursor || !group.type.empty() ? TypeText(group) : std::string(), cursor, group.resource};
}

std::string InfoTip(const std::string& file, const std::string& indexText, const GroupFacts& group,
                    const std::string& location) {
  std::string tip = file + "\r\n" + (group.named.empty() ? "Icon index " : group.named + ", index ") + indexText;
  if (group.resource.Known()) {
    tip += ", resource " + (group.resource.id ? std::to_string(group.resource.id) : group.resource.name);
    if (group.resource.language) tip += ", language " + std::to_string(group.resource.language);
  }
  if (!location.empty()) tip += "\r\nLocation " + location;
  for (const iconres::IconImage* image : LargestFirst(group.images)) {
    tip += "\r\n" + ImageLabel(*image);
    // Where a cursor points: the pixel of the image that is the pointer's tip.
    if (group.cursor) tip += ", hotspot " + std::to_string(image->hotspotX) + ", " + std::to_string(image->hotspotY);
    tip += image->intact ? "" : " (cannot be shown)";
  }
  return tip;
}

bool StoresImageOfAtLeast(const iconres::IconGroup& group, int minSize) {
  if (minSize <= 0) return true;
  return std::any_of(group.images.begin(), group.images.end(), [&](const iconres::IconImage& image) {
    return SoundIn(image) && image.width >= minSize && image.height >= minSize;
  });
}

std::uint64_t HashBytes(iconres::ByteSpan bytes, std::uint64_t seed) {
  constexpr std::uint64_t kMul = 0x9E3779B97F4A7C15ull;
  std::uint64_t h = (seed ^ bytes.size()) * kMul;
  std::size_t i = 0;
  for (; i + 8 <= bytes.size(); i += 8) {
    std::uint64_t word;
    std::memcpy(&word, bytes.data() + i, 8);
    h = (h ^ word) * kMul;
    h ^= h >> 29;
  }
  std::uint64_t tail = 0;
  if (i < bytes.size()) std::memcpy(&tail, bytes.data() + i, bytes.size() - i);
  h = (h ^ tail) * kMul;
  return h ^ (h >> 32);
}

std::uint64_t IconHash(const iconres::IconFile& file, const iconres::IconGroup& group) {
  // Icons hash from 0; a cursor is never the same as an icon.
  std::uint64_t h = static_cast<std::uint64_t>(group.kind);
  for (const iconres::IconImage& image : group.images)
    if (SoundIn(image)) h = HashBytes(file.Bytes(image), h);
  return h;
}

bool SameImages(const iconres::IconFile& a, const iconres::IconGroup& groupA, const iconres::IconFile& b,
                const iconres::IconGroup& groupB) {
  if (groupA.kind != groupB.kind) return false;
  if (groupA.kind == iconres::GroupKind::AnimatedCursor) {
    // Every frame and step counts: the animation's own bytes.
    const iconres::ByteSpan x = AnimationBytes(a, groupA), y = AnimationBytes(b, groupB);
    return !x.empty() && x.size() == y.size() && std::equal(x.begin(), x.end(), y.begin());
  }
  auto next = [](const iconres::IconGroup& g, std::size_t from) {
    while (from < g.images.size() && !SoundIn(g.images[from])) ++from;
    return from;
  };
  std::size_t i = next(groupA, 0), j = next(groupB, 0);
  for (; i < groupA.images.size() && j < groupB.images.size(); i = next(groupA, i + 1), j = next(groupB, j + 1)) {
    const iconres::ByteSpan x = a.Bytes(groupA.images[i]), y = b.Bytes(groupB.images[j]);
    if (x.size() != y.size() || !std::equal(x.begin(), x.end(), y.begin())) return false;
    // A cursor that points elsewhere is another cursor.
    if (groupA.images[i].hotspotX != groupB.images[j].hotspotX || groupA.images[i].hotspotY != groupB.images[j].hotspotY)
      return false;
  }
  return i >= groupA.images.size() && j >= groupB.images.size();
}

DuplicateIcons::DuplicateIcons(Loader load) : load_(std::move(load)) {}

const iconres::IconFile* DuplicateIcons::FileOf(std::size_t pathIndex, const std::string& path,
                                                const iconres::IconFile& current) {
  const std::string& wanted = paths_[pathIndex];
  if (wanted == path) return &current;
  auto found = std::find_if(kept_.begin(), kept_.end(), [&](const Kept& k) { return k.path == wanted; });
  if (found == kept_.end()) {
    kept_.insert(kept_.begin(), Kept{wanted, load_(wanted)});
    // The file just read stays, whatever its size; older ones go beyond the limits.
    std::size_t bytes = kept_.front().file.bytes.Span().size(), keep = 1;
    while (keep < kept_.size() && keep < kKeptFiles && bytes + kept_[keep].file.bytes.Span().size() <= kKeptBytes)
      bytes += kept_[keep++].file.bytes.Span().size();
    kept_.erase(kept_.begin() + static_cast<std::ptrdiff_t>(keep), kept_.end());
  } else if (found != kept_.begin()) {
    std::rotate(kept_.begin(), found, found + 1);
  }
  return &kept_.front().file;
}

bool DuplicateIcons::Repeats(const std::string& path, const iconres::IconFile& file, std::size_t group) {
  if (group >= file.contents.groups.size()) return false;
  const iconres::IconGroup& mine = file.contents.groups[group];
  const std::uint64_t hash = IconHash(file, mine);
  auto [first, last] = listed_.equal_range(hash);
  for (auto it = first; it != last; ++it) {
    const iconres::IconFile* other = FileOf(it->second.path, path, file);
    if (it->second.group < other->contents.groups.size() &&
        SameImages(file, mine, *other, other->contents.groups[it->second.group])) {
      ++hidden_;
      return true;
    }
  }
  if (paths_.empty() || paths_.back() != path) paths_.push_back(path);
  listed_.emplace(hash, Listed{paths_.size() - 1, group});
  return false;
}

IconFilter::IconFilter(int minSize, bool unique, const std::string& windowsFolder)
    : minSize_(minSize), unique_(unique),
      duplicates_([windowsFolder](const std::string& path) { return iconres::LoadIconFile(path, windowsFolder, true); }) {}

bool IconFilter::Accepts(const std::string& path, const iconres::IconFile& file, std::size_t group) {
  if (group >= file.contents.groups.size()) return false;
  if (!StoresImageOfAtLeast(file.contents.groups[group], minSize_)) return false;
  return !unique_ || !duplicates_.Repeats(path, file, group);
}

}  // namespace storedimages
