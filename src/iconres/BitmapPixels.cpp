// Bitmap icon images decoded from their bytes: to premultiplied pixels, and to what drawing them
// leaves in an icon list's cell.
#include "iconres/BitmapPixels.h"

#include <algorithm>
#include <utility>

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

// An uncompressed image's colour bits (0x00RRGGBB through a palette or from 24 bits, as stored
// from 32) and mask bits (1 where set), rows top down; whether any colour has alpha.
struct StoredBits {
  std::vector<std::uint32_t> colour;
  std::vector<std::uint8_t> mask;
  bool anyAlpha = false;
};

// None for a 12-byte header, bit fields, 16 bits, or a colour index outside the table.
std::optional<StoredBits> ReadStoredBits(ByteSpan image, const ImageInfo& info) {
  const parts::Reader r(image);
  const std::uint32_t headerSize = r.U32(0);
  if (headerSize == 12 || r.U32(16) != 0) return std::nullopt;  // BI_RGB only
  const int bits = info.bitCount;
  if (bits == 16) return std::nullopt;
  const std::size_t width = static_cast<std::size_t>(info.width), height = static_cast<std::size_t>(info.height);
  const std::uint32_t used = r.U32(32);
  const std::size_t colours = bits <= 8 ? (used ? used : 1u << bits) : 0;
  const std::size_t stride = (width * static_cast<std::size_t>(bits) + 31) / 32 * 4;
  const std::size_t maskStride = (width + 31) / 32 * 4;
  const std::size_t palette = headerSize, colourBits = palette + colours * 4,
                    maskBits = colourBits + stride * height;
  // CheckImage found all of it inside the bytes; the reads stay bounded all the same.
  if (!r.Has(maskBits, maskStride * height)) return std::nullopt;

  StoredBits out{std::vector<std::uint32_t>(width * height), std::vector<std::uint8_t>(width * height)};
  for (std::size_t y = 0; y < height; ++y) {
    const std::size_t row = colourBits + (height - 1 - y) * stride, maskRow = maskBits + (height - 1 - y) * maskStride;
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
        out.anyAlpha = out.anyAlpha || (c >> 24) != 0;
      }
      out.colour[y * width + x] = c;
      out.mask[y * width + x] = (image[maskRow + x / 8] >> (7 - x % 8)) & 1;
    }
  }
  return out;
}

}  // namespace

std::optional<std::vector<std::uint32_t>> BitmapPixels(ByteSpan image) {
  const auto info = CheckImage(image);
  if (!info || info->png) return std::nullopt;
  const std::optional<StoredBits> bits = ReadStoredBits(image, *info);
  if (!bits) return std::nullopt;
  std::vector<std::uint32_t> out(bits->colour.size());
  for (std::size_t i = 0; i < out.size(); ++i) {
    const std::uint32_t c = bits->colour[i];
    if (bits->anyAlpha) {
      out[i] = Premultiplied(c);  // drawn by its alpha, the mask unused
    } else {
      // The mask ANDed with the ground, then the colour XORed over it.
      const std::uint32_t rgb = c & 0xFFFFFFu;
      out[i] = FromGrounds(rgb, bits->mask[i] ? ~rgb & 0xFFFFFFu : rgb);
    }
  }
  return out;
}

namespace {

// What the image check finds in a plain image (see DrawnStoredImage); none for any other form.
std::optional<ImageInfo> PlainInfo(ByteSpan image) {
  const auto info = CheckImage(image);
  const parts::Reader r(image);
  if (!info || info->png || info->width != info->height || r.U32(0) != 40 || r.U32(8) != 2 * r.U32(4))
    return std::nullopt;
  if (info->bitCount != 4 && info->bitCount != 8 && info->bitCount != 24 && info->bitCount != 32) return std::nullopt;
  return info;
}

// A plain image's bits; none for any other form.
std::optional<StoredBits> PlainBits(ByteSpan image, int& edge) {
  const auto info = PlainInfo(image);
  if (!info) return std::nullopt;
  edge = info->width;
  return ReadStoredBits(image, *info);
}

// By its alpha where it has one; else its colours as they are, the mask beside them.
DrawnImage Drawn(StoredBits bits, int edge) {
  for (std::uint32_t& c : bits.colour) c = bits.anyAlpha ? Premultiplied(c) : c & 0xFFFFFFu;
  return DrawnImage{edge, std::move(bits.colour), std::move(bits.mask)};
}

// The target pixel each of a line's `from` pixels falls on when the platform shrinks the line
// to `to` pixels: the steps of a line drawn from the first pixel's centre, each target pixel
// taking a run of one or more source pixels. to < from.
std::vector<int> ShrinkSteps(int from, int to) {
  std::vector<int> steps(static_cast<std::size_t>(from));
  int err = 3 * to - 2 * from, at = 0;
  for (int& step : steps) {
    step = at;
    if (err > 0) {
      ++at;
      err += 2 * to - 2 * from;
    } else {
      err += 2 * to;
    }
  }
  return steps;
}

}  // namespace

std::optional<DrawnImage> DrawnStoredImage(ByteSpan image) {
  int edge = 0;
  std::optional<StoredBits> bits = PlainBits(image, edge);
  if (!bits) return std::nullopt;
  return Drawn(std::move(*bits), edge);
}

bool PlainImage(ByteSpan image) { return PlainInfo(image).has_value(); }

std::optional<DrawnImage> DrawnShrunkImage(ByteSpan image, int edge) {
  int from = 0;
  const std::optional<StoredBits> bits = PlainBits(image, from);
  if (!bits || edge <= 0 || edge >= from) return std::nullopt;
  // Every pixel of a run on one target pixel ANDed into it, colours and mask alike: the
  // platform's default stretching mode, applied to the bits before any alpha is multiplied in.
  const std::vector<int> steps = ShrinkSteps(from, edge);
  if (steps.back() != edge - 1) return std::nullopt;
  const std::size_t source = static_cast<std::size_t>(from), target = static_cast<std::size_t>(edge);
  StoredBits shrunk{std::vector<std::uint32_t>(target * target, ~0u), std::vector<std::uint8_t>(target * target, 1),
                    bits->anyAlpha};
  for (std::size_t y = 0; y < source; ++y)
    for (std::size_t x = 0; x < source; ++x) {
      const std::size_t at = static_cast<std::size_t>(steps[y]) * target + static_cast<std::size_t>(steps[x]);
      shrunk.colour[at] &= bits->colour[y * source + x];
      shrunk.mask[at] &= bits->mask[y * source + x];
    }
  return Drawn(std::move(shrunk), edge);
}

}  // namespace iconres
