// A bitmap icon image's picture, decoded from its bytes the way the platform draws it, so that
// a picture can be resampled without first making a platform icon of the stored image. Pure
// code, also built natively for fuzzing.
#pragma once
#include <cstdint>
#include <optional>
#include <vector>

#include "iconres/IconResources.h"

namespace iconres {

// The image's width x height pixels, rows top to bottom, as premultiplied 0xAARRGGBB: what
// drawing it over black and over white shows (an image with alpha by its alpha; else opaque
// where its mask is clear, and where the mask is set the colour bits inverted against the
// ground, which over the two grounds reads as partial cover). None for forms it does not
// decode (a 12-byte header, bit fields, 16 bits, a colour index outside the table), which
// the caller draws through the platform instead.
std::optional<std::vector<std::uint32_t>> BitmapPixels(ByteSpan image);

// What drawing a plain stored image into an icon list's cell leaves there: its picture over
// black and its mask as stored (1 where set), rows top down. An image with alpha is drawn by it
// (premultiplied, see Premultiplied); any other as its colours are, its mask beside them.
// Plain: a 40-byte header, uncompressed, 4, 8, 24 or 32 bits, square and twice its width high.
// The platform takes every image of that form alike, so a trial on an image of it answers for
// all (BatchVerdicts::Settle). None for any other form.
struct DrawnImage {
  int edge = 0;
  std::vector<std::uint32_t> picture;
  std::vector<std::uint8_t> mask;
};
std::optional<DrawnImage> DrawnStoredImage(ByteSpan image);
// Whether the image is of that plain form.
bool PlainImage(ByteSpan image);
// The same for the platform's icon of a plain stored image made at edge x edge, smaller than
// the image: the platform shrinks the stored bits in its default stretching mode, which ANDs
// every source pixel into the pixel it falls on. None for any other form, or an edge not
// smaller than the image's.
std::optional<DrawnImage> DrawnShrunkImage(ByteSpan image, int edge);

// A straight 0xAARRGGBB pixel premultiplied by its alpha with the rounding the platform's icon
// drawing uses.
inline std::uint32_t Premultiplied(std::uint32_t pixel) {
  const std::uint32_t a = pixel >> 24;
  auto channel = [&](int shift) { return (((pixel >> shift) & 0xFFu) * a + 127) / 255; };
  return a << 24 | channel(16) << 16 | channel(8) << 8 | channel(0);
}

}  // namespace iconres
