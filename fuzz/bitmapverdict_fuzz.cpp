// Fuzz target: the bitmap verdict over arbitrary bytes, taken as one image and as a file whose
// images are judged in turn. An image judged to open is one the image check takes, of the plain
// form, within its bytes; one refused is one the check refuses. A file whose head MayHoldIcons
// refuses gives the reader nothing: no groups, no damage.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "iconres/BitmapVerdict.h"
#include "iconres/IconResources.h"

namespace {

void Judge(iconres::ByteSpan image) {
  const iconres::BitmapVerdict verdict = iconres::JudgeBitmap(image);
  const auto info = iconres::CheckImage(image);
  switch (verdict) {
    case iconres::BitmapVerdict::Opens:
      if (!info || info->png || info->length > image.size() || image.size() < 40 || image[0] != 40) __builtin_trap();
      if (info->bitCount == 16 || info->width <= 0 || info->height <= 0) __builtin_trap();
      break;
    case iconres::BitmapVerdict::Refused:
      if (info && !info->png) __builtin_trap();
      break;
    case iconres::BitmapVerdict::AskPlatform:
      if (!info || info->png) __builtin_trap();
      break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const iconres::ByteSpan bytes(data, size);
  Judge(bytes);
  const bool head = iconres::MayHoldIcons(bytes.first(std::min(size, iconres::kHeadBytes)));
  for (const bool cursors : {false, true}) {
    const iconres::IconFileContents contents = iconres::ReadIconGroups(bytes, cursors);
    if (!head && (contents.kind != iconres::FileKind::None || !contents.groups.empty() || contents.damaged ||
                  contents.icons != 0))
      __builtin_trap();
    for (const iconres::IconGroup& group : contents.groups)
      for (const iconres::IconImage& image : group.images)
        if (image.intact && !image.png) Judge(iconres::ImageBytes(bytes, image));
  }
  return 0;
}
