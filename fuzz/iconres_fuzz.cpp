// Fuzz target: the icon reader over arbitrary bytes, and every image it reports.
#include <cstddef>
#include <cstdint>

#include "iconres/IconResources.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const iconres::ByteSpan file(data, size);
  const iconres::IconFileContents contents = iconres::ReadIconGroups(file);
  for (const iconres::IconGroup& group : contents.groups) {
    if (!group.images.empty() && iconres::FindImage(group, group.images.back().id) == nullptr) __builtin_trap();
    if (!group.directory.empty() && group.directory.size() != 6 + 14 * group.images.size()) __builtin_trap();
    for (const iconres::IconImage& image : group.images) {
      const iconres::ByteSpan bytes = iconres::ImageBytes(file, image);
      if (bytes.size() != image.size) __builtin_trap();
      if (image.intact != iconres::CheckImage(bytes).has_value()) __builtin_trap();
    }
  }
  return 0;
}
