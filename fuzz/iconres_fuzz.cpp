// Fuzz target: the icon reader over arbitrary bytes, with and without cursors, and every image
// it reports. The file holds no more groups than its bytes can name and no more images than the
// limit; every image called intact passes the image check again, within its stored bytes, and a
// 16-bit file's intact image is exactly as long as it says it is; a bitmap image decodes to
// its own pixels, and a plain one to a drawing of its size, and shrunk, of the smaller size.
// Reading the cursors changes nothing of the icons, and an animated cursor's steps name its
// frames.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "iconres/BitmapPixels.h"
#include "iconres/IconResources.h"

namespace {

void CheckImages(const iconres::IconFileContents& contents, const iconres::ByteSpan file,
                 const std::vector<iconres::IconImage>& images) {
  for (const iconres::IconImage& image : images) {
    const iconres::ByteSpan bytes = iconres::ImageBytes(file, image);
    if (bytes.size() != image.size) __builtin_trap();
    if (!image.intact) continue;
    const auto info = iconres::CheckImage(bytes);
    if (!info || info->length > bytes.size() || info->png != image.png) __builtin_trap();
    if (info->width != image.width || info->height != image.height) __builtin_trap();
    if (contents.kind == iconres::FileKind::Ne && info->length != bytes.size()) __builtin_trap();
    // A decoded picture has exactly the image's pixels, each no more coloured than covered.
    if (const auto pixels = iconres::BitmapPixels(bytes)) {
      if (pixels->size() != static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height))
        __builtin_trap();
      for (const std::uint32_t p : *pixels)
        if ((p >> 16 & 0xFF) > p >> 24 || (p >> 8 & 0xFF) > p >> 24 || (p & 0xFF) > p >> 24) __builtin_trap();
    }
    // A drawing covers a square image's every pixel, picture and mask.
    if (const auto drawn = iconres::DrawnStoredImage(bytes)) {
      const std::size_t pixels = static_cast<std::size_t>(drawn->edge) * static_cast<std::size_t>(drawn->edge);
      if (drawn->edge != image.width || image.width != image.height || drawn->picture.size() != pixels ||
          drawn->mask.size() != pixels)
        __builtin_trap();
      // Shrunk, to an edge no larger than its own or none.
      const int edge = std::max(1, image.width / 2 + 1);
      const auto shrunk = iconres::DrawnShrunkImage(bytes, edge);
      const std::size_t cells = static_cast<std::size_t>(edge) * static_cast<std::size_t>(edge);
      if (shrunk && (edge >= image.width || shrunk->picture.size() != cells || shrunk->mask.size() != cells))
        __builtin_trap();
    }
  }
}

std::size_t Check(const iconres::IconFileContents& contents, const iconres::ByteSpan file) {
  if (contents.kind == iconres::FileKind::None && (!contents.groups.empty() || contents.damaged)) __builtin_trap();
  if (contents.icons > contents.groups.size()) __builtin_trap();
  std::size_t images = 0;
  for (const iconres::IconGroup& group : contents.groups) {
    images += group.images.size();
    if (!group.images.empty() && iconres::FindImage(group, group.images.back().id) == nullptr) __builtin_trap();
    if (!group.directory.empty() && group.directory.size() != 6 + 14 * group.images.size()) __builtin_trap();
    CheckImages(contents, file, group.images);
    if (group.kind != iconres::GroupKind::AnimatedCursor) continue;
    if (group.offset > file.size() || group.size > file.size() - group.offset) __builtin_trap();
    for (const auto& frame : group.frames) {
      images += frame.size();
      CheckImages(contents, file, frame);
    }
    for (const iconres::AnimationStep& step : group.steps)
      if (step.frame >= group.frames.size()) __builtin_trap();
  }
  return images;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const iconres::ByteSpan file(data, size);
  const iconres::IconFileContents contents = iconres::ReadIconGroups(file);
  // Every group takes an entry of at least 8 bytes in some table of the file.
  if (contents.groups.size() * 8 > size) __builtin_trap();
  if (Check(contents, file) > 2 * iconres::kMaxImagesPerFile) __builtin_trap();

  const iconres::IconFileContents withCursors = iconres::ReadIconGroups(file, true);
  if ((withCursors.groups.size() - withCursors.icons) * 8 > size) __builtin_trap();
  if (withCursors.icons != contents.groups.size() || withCursors.kind != contents.kind) __builtin_trap();
  for (std::size_t i = 0; i < contents.groups.size(); ++i)
    if (withCursors.groups[i].directory != contents.groups[i].directory) __builtin_trap();
  // Only executables hold cursors beside their icons.
  const bool executable = contents.kind == iconres::FileKind::Pe32 || contents.kind == iconres::FileKind::Pe32Plus ||
                          contents.kind == iconres::FileKind::Ne;
  if (!executable && withCursors.groups.size() != contents.groups.size()) __builtin_trap();
  Check(withCursors, file);
  return 0;
}
