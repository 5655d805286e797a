// Stored icon images as .ico and .png files; PNG encoding goes through WIC.
#include "export/StoredIcon.h"

#include <algorithm>
#include <exception>

#include "export/PngCodec.h"

namespace {

void Put16(std::vector<std::uint8_t>& b, unsigned v) {
  b.push_back(static_cast<std::uint8_t>(v));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(std::vector<std::uint8_t>& b, std::uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

}  // namespace

std::vector<std::uint8_t> IcoFileBytes(const std::vector<IcoEntry>& entries, bool cursor) {
  std::vector<std::uint8_t> b;
  Put16(b, 0);
  Put16(b, cursor ? 2 : 1);
  Put16(b, static_cast<unsigned>(entries.size()));
  std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * entries.size());
  for (const IcoEntry& e : entries) {
    b.push_back(static_cast<std::uint8_t>(e.width >= 256 ? 0 : e.width));
    b.push_back(static_cast<std::uint8_t>(e.height >= 256 ? 0 : e.height));
    b.push_back(static_cast<std::uint8_t>(e.bitCount < 8 ? 1 << e.bitCount : 0));
    b.push_back(0);
    // A cursor's entry keeps its hotspot where an icon's keeps planes and bit count.
    Put16(b, cursor ? static_cast<unsigned>(e.hotspotX) : 1);
    Put16(b, static_cast<unsigned>(cursor ? e.hotspotY : e.bitCount));
    Put32(b, static_cast<std::uint32_t>(e.bytes.size()));
    Put32(b, offset);
    offset += static_cast<std::uint32_t>(e.bytes.size());
  }
  for (const IcoEntry& e : entries) b.insert(b.end(), e.bytes.begin(), e.bytes.end());
  return b;
}

IcoEntry StoredEntry(const iconres::IconFile& file, const iconres::IconImage& image) {
  return {image.width, image.height, image.bitCount, image.hotspotX, image.hotspotY, file.Bytes(image)};
}

std::vector<std::uint8_t> ImagePngBytes(const iconres::IconFile& file, const iconres::IconImage& image) {
  const iconres::ByteSpan bytes = file.Bytes(image);
  if (image.png) return {bytes.begin(), bytes.end()};
  return pngcodec::IcoToPng(IcoFileBytes({StoredEntry(file, image)}, false));
}

namespace {

// An .ico file of the given images of one file, in this order; a .cur file for a cursor.
std::vector<std::uint8_t> IcoFile(const iconres::IconFile& file, const std::vector<const iconres::IconImage*>& images,
                                  bool cursor = false) {
  std::vector<IcoEntry> entries;
  for (const iconres::IconImage* image : images) entries.push_back(StoredEntry(file, *image));
  return IcoFileBytes(entries, cursor);
}

const iconres::IconGroup& GroupOf(const iconres::IconFile& file, std::size_t group) {
  if (group >= file.contents.groups.size()) throw ENoSoundImage();
  return file.contents.groups[group];
}

// An animated cursor's own bytes, written whole or not at all: a frame left out would leave
// steps naming frames that are not there.
TStoredImage AnimatedCursor(const iconres::IconFile& file, const iconres::IconGroup& g) {
  bool anySound = false, allSound = g.wellFormed;
  std::size_t images = 0;
  for (std::size_t f = 0; f < g.frames.size(); ++f) {
    for (const iconres::IconImage& image : g.frames[f]) {
      const bool sound = file.Sound(image);
      if (f == 0) anySound = anySound || sound;
      allSound = allSound && sound;
      ++images;
    }
  }
  if (!anySound) throw ENoSoundImage();
  const iconres::ByteSpan bytes = file.bytes.Span();
  if (!allSound || g.offset > bytes.size() || g.size > bytes.size() - g.offset)
    throw ENoSoundImage(win::ErrorKind::DamagedAnimation);
  const auto begin = bytes.begin() + static_cast<std::ptrdiff_t>(g.offset);
  return TStoredImage({begin, begin + static_cast<std::ptrdiff_t>(g.size)}, 0, images, ".ani");
}

}  // namespace

TStoredImage OriginalIcon(const iconres::IconFile& file, std::size_t group) {
  const iconres::IconGroup& g = GroupOf(file, group);
  if (g.kind == iconres::GroupKind::AnimatedCursor) return AnimatedCursor(file, g);
  // An .ico entry cannot name an edge past 256: a package's larger logos are saved only as PNG.
  const bool package = file.contents.kind == iconres::FileKind::Package;
  std::vector<const iconres::IconImage*> images;
  std::size_t larger = 0;
  for (const iconres::IconImage& image : g.images) {
    if (package && (image.width > 256 || image.height > 256)) ++larger;
    else if (file.Sound(image)) images.push_back(&image);
  }
  if (images.empty()) throw ENoSoundImage();
  const bool cursor = g.kind == iconres::GroupKind::Cursor;
  return TStoredImage(IcoFile(file, images, cursor), g.images.size() - larger - images.size(),
                      g.images.size() - larger, cursor ? ".cur" : ".ico");
}

std::vector<std::uint8_t> OriginalIconBytes(const iconres::IconFile& file, std::size_t group) {
  return OriginalIcon(file, group).Bytes();
}

std::vector<std::uint8_t> LargestImagePngBytes(const iconres::IconFile& file, std::size_t group) {
  std::vector<const iconres::IconImage*> images;
  for (const iconres::IconImage& image : GroupOf(file, group).images) {
    if (image.intact) images.push_back(&image);
  }
  // Largest first; equal ones keep the group's order.
  std::stable_sort(images.begin(), images.end(), [](const iconres::IconImage* a, const iconres::IconImage* b) {
    const long long pa = 1LL * a->width * a->height, pb = 1LL * b->width * b->height;
    return pa != pb ? pa > pb : a->bitCount > b->bitCount;
  });
  std::exception_ptr failed;  // the last image the imaging library could not encode
  for (const iconres::IconImage* image : images) {
    if (!file.Sound(*image)) continue;
    try {
      return ImagePngBytes(file, *image);
    } catch (const EInvalidGraphic&) {
      failed = std::current_exception();
    }
  }
  if (!failed) throw ENoSoundImage();
  std::rethrow_exception(failed);
}

std::unique_ptr<TStoredImage> StoredIconGraphic(const iconres::IconFile& file, std::size_t group, bool png) {
  if (png) return std::make_unique<TStoredImage>(LargestImagePngBytes(file, group), 0, 0, ".png");
  return std::make_unique<TStoredImage>(OriginalIcon(file, group));
}
