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

// A straight 0xAARRGGBB pixel premultiplied by its alpha with the rounding the platform's icon
// drawing uses.
inline std::uint32_t Premultiplied(std::uint32_t pixel) {
  const std::uint32_t a = pixel >> 24;
  auto channel = [&](int shift) { return (((pixel >> shift) & 0xFFu) * a + 127) / 255; };
  return a << 24 | channel(16) << 16 | channel(8) << 8 | channel(0);
}

}  // namespace iconres
