// The bitmap image's verdict from its own bytes: every field of its header read again here, so
// that the verdict does not rest on what the reader made of the image.
#include "iconres/BitmapVerdict.h"

#include "iconres/ReaderParts.h"

namespace iconres {
namespace {

constexpr std::uint32_t kInfoHeader = 40;

// The plain form: see JudgeBitmap.
bool Plain(ByteSpan image) {
  const parts::Reader r(image);
  if (!r.Has(0, kInfoHeader) || r.U32(0) != kInfoHeader) return false;
  const auto width = static_cast<std::int32_t>(r.U32(4));
  const auto storedHeight = static_cast<std::int32_t>(r.U32(8));
  const unsigned planes = r.U16(12), bits = r.U16(14);
  const std::uint32_t compression = r.U32(16), used = r.U32(32);
  if (planes != 1 || compression != 0) return false;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) return false;
  // The stored height covers the colour bits and the mask below them.
  const std::int32_t height = storedHeight / 2;
  if (width <= 0 || height <= 0 || width > kMaxImageEdge || height > kMaxImageEdge) return false;
  if (bits > 8 ? used != 0 : used > (1u << bits)) return false;
  const std::uint64_t colours = bits <= 8 ? (used ? used : 1u << bits) : 0;
  const std::uint64_t stride = (static_cast<std::uint64_t>(width) * bits + 31) / 32 * 4;
  const std::uint64_t maskStride = (static_cast<std::uint64_t>(width) + 31) / 32 * 4;
  const std::uint64_t needed = kInfoHeader + colours * 4 + (stride + maskStride) * static_cast<std::uint64_t>(height);
  return needed <= image.size();
}

}  // namespace

BitmapVerdict JudgeBitmap(ByteSpan image) {
  if (Plain(image)) return BitmapVerdict::Opens;
  const std::optional<ImageInfo> info = CheckImage(image);
  if (!info || info->png) return BitmapVerdict::Refused;
  return BitmapVerdict::AskPlatform;
}

}  // namespace iconres
