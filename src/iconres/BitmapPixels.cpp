// Bitmap icon images decoded to premultiplied pixels: colour bits and mask, bottom row first.
#include "iconres/BitmapPixels.h"

#include <algorithm>

#include "iconres/ReaderParts.h"

namespace iconres {
namespace {

// A pixel as the recovery from a drawing over black (b) and over white (w) reads it: the cover
// is what the white ground does not show through, the colour no more than the cover.
std::uint32_t FromGrounds(std::uint32_t b, std::uint32_t w) {
  int sum = 0;
  for (int shift = 0; shift < 24; shift += 8)
    sum += 255 - std::clamp(int((w >> shift) & 0xFF) - int((b >> shift) & 0xFF), 0, 255);
  const std::uint32_t a = static_cast<std::uint32_t>((sum + 1) / 3);
  auto channel = [&](int shift) { return std::min((b >> shift) & 0xFFu, a); };
  return a << 24 | channel(16) << 16 | channel(8) << 8 | channel(0);
}

}  // namespace

std::optional<std::vector<std::uint32_t>> BitmapPixels(ByteSpan image) {
  const auto info = CheckImage(image);
  if (!info || info->png) return std::nullopt;
  const parts::Reader r(image);
  const std::uint32_t headerSize = r.U32(0);
  if (headerSize == 12 || r.U32(16) != 0) return std::nullopt;  // BI_RGB only
  const int bits = info->bitCount;
  if (bits == 16) return std::nullopt;
  const std::size_t width = static_cast<std::size_t>(info->width), height = static_cast<std::size_t>(info->height);
  const std::uint32_t used = r.U32(32);
  const std::size_t colours = bits <= 8 ? (used ? used : 1u << bits) : 0;
  const std::size_t stride = (width * static_cast<std::size_t>(bits) + 31) / 32 * 4;
  const std::size_t maskStride = (width + 31) / 32 * 4;
  const std::size_t palette = headerSize, colourBits = palette + colours * 4,
                    maskBits = colourBits + stride * height;
  // CheckImage found all of it inside the bytes; the reads stay bounded all the same.
  if (!r.Has(maskBits, maskStride * height)) return std::nullopt;

  std::vector<std::uint32_t> colour(width * height);
  bool anyAlpha = false;
  for (std::size_t y = 0; y < height; ++y) {
    const std::size_t row = colourBits + (height - 1 - y) * stride;
    for (std::size_t x = 0; x < width; ++x) {
      std::uint32_t c = 0;
      if (bits <= 8) {
        const std::size_t bit = x * static_cast<std::size_t>(bits);
        const unsigned index = (image[row + bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
        if (index >= colours) return std::nullopt;
        c = r.U32(palette + index * 4) & 0xFFFFFFu;
      } else if (bits == 24) {
        const std::size_t at = row + x * 3;
        c = image[at] | image[at + 1] << 8 | image[at + 2] << 16;
      } else {
        c = r.U32(row + x * 4);
        anyAlpha = anyAlpha || (c >> 24) != 0;
      }
      colour[y * width + x] = c;
    }
  }
  std::vector<std::uint32_t> out(width * height);
  for (std::size_t y = 0; y < height; ++y) {
    const std::size_t row = maskBits + (height - 1 - y) * maskStride;
    for (std::size_t x = 0; x < width; ++x) {
      const std::uint32_t c = colour[y * width + x];
      std::uint32_t& p = out[y * width + x];
      if (anyAlpha) {
        p = Premultiplied(c);  // drawn by its alpha, the mask unused
      } else {
        // The mask ANDed with the ground, then the colour XORed over it.
        const bool masked = (image[row + x / 8] >> (7 - x % 8)) & 1;
        const std::uint32_t rgb = c & 0xFFFFFFu;
        p = FromGrounds(rgb, masked ? ~rgb & 0xFFFFFFu : rgb);
      }
    }
  }
  return out;
}

std::optional<DrawnImage> DrawnStoredImage(ByteSpan image) {
  const auto info = CheckImage(image);
  const parts::Reader r(image);
  if (!info || info->png || info->width != info->height || r.U32(0) != 40 || r.U32(8) != 2 * r.U32(4) ||
      r.U32(16) != 0)
    return std::nullopt;
  const int bits = info->bitCount;
  if (bits != 4 && bits != 8 && bits != 24 && bits != 32) return std::nullopt;
  const std::size_t edge = static_cast<std::size_t>(info->width);
  const std::uint32_t used = r.U32(32);
  const std::size_t colours = bits <= 8 ? (used ? used : 1u << bits) : 0;
  const std::size_t stride = (edge * static_cast<std::size_t>(bits) + 31) / 32 * 4, maskStride = (edge + 31) / 32 * 4;
  const std::size_t colourBits = 40 + colours * 4, maskBits = colourBits + stride * edge;
  if (!r.Has(maskBits, maskStride * edge)) return std::nullopt;
  DrawnImage drawn{info->width, std::vector<std::uint32_t>(edge * edge), std::vector<std::uint8_t>(edge * edge)};
  bool anyAlpha = false;
  for (std::size_t y = 0; y < edge; ++y) {
    const std::size_t row = colourBits + (edge - 1 - y) * stride, maskRow = maskBits + (edge - 1 - y) * maskStride;
    for (std::size_t x = 0; x < edge; ++x) {
      std::uint32_t c = 0;
      if (bits <= 8) {
        const std::size_t bit = x * static_cast<std::size_t>(bits);
        const unsigned index = (image[row + bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
        if (index >= colours) return std::nullopt;
        c = r.U32(40 + index * 4) & 0xFFFFFFu;
      } else if (bits == 24) {
        const std::size_t at = row + x * 3;
        c = image[at] | image[at + 1] << 8 | image[at + 2] << 16;
      } else {
        c = r.U32(row + x * 4);
        anyAlpha = anyAlpha || (c >> 24) != 0;
      }
      drawn.picture[y * edge + x] = c;
      drawn.mask[y * edge + x] = (image[maskRow + x / 8] >> (7 - x % 8)) & 1;
    }
  }
  // By its alpha where it has one; else its colours as they are, the mask beside them.
  for (std::uint32_t& p : drawn.picture) p = anyAlpha ? Premultiplied(p) : p & 0xFFFFFFu;
  return drawn;
}

}  // namespace iconres
