// Fuzz target: the icon reader over arbitrary bytes, and every image it reports. The file holds
// no more groups than its bytes can name and no more images than the limit; every image called
// intact passes the image check again, within its stored bytes, and a 16-bit file's intact
// image is exactly as long as it says it is.
#include <cstddef>
#include <cstdint>

#include "iconres/IconResources.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const iconres::ByteSpan file(data, size);
  const iconres::IconFileContents contents = iconres::ReadIconGroups(file);
  // Every group takes an entry of at least 8 bytes in some table of the file.
  if (contents.groups.size() * 8 > size) __builtin_trap();
  if (contents.kind == iconres::FileKind::None && (!contents.groups.empty() || contents.damaged)) __builtin_trap();
  std::size_t images = 0;
  for (const iconres::IconGroup& group : contents.groups) {
    images += group.images.size();
    if (!group.images.empty() && iconres::FindImage(group, group.images.back().id) == nullptr) __builtin_trap();
    if (!group.directory.empty() && group.directory.size() != 6 + 14 * group.images.size()) __builtin_trap();
    for (const iconres::IconImage& image : group.images) {
      const iconres::ByteSpan bytes = iconres::ImageBytes(file, image);
      if (bytes.size() != image.size) __builtin_trap();
      if (!image.intact) continue;
      const auto info = iconres::CheckImage(bytes);
      if (!info || info->length > bytes.size() || info->png != image.png) __builtin_trap();
      if (info->width != image.width || info->height != image.height) __builtin_trap();
      if (contents.kind == iconres::FileKind::Ne && info->length != bytes.size()) __builtin_trap();
    }
  }
  if (images > iconres::kMaxImagesPerFile) __builtin_trap();
  return 0;
}
