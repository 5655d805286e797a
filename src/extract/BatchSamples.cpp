// Sample pictures for the batch trial, drawn here: no file of anyone else's is needed.
#include "extract/BatchSamples.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <utility>

#include "iconres/SoundImage.h"

namespace {

// A disc on a clear ground, as a stored icon image: the header of twice the height, the
// colours (32 bits with alpha fading to the rim, or 8 bits through a palette), then the AND
// mask, which in the 8-bit image also marks a band of coloured pixels that invert the screen,
// and in the 32-bit one a band of covered pixels (the platform draws those by their alpha).
iconres::Bytes StoredImage(int edge, bool alpha) {
  const int bits = alpha ? 32 : 8;
  const std::size_t colourRow = ((static_cast<std::size_t>(edge) * bits + 31) / 32) * 4;
  const std::size_t maskRow = ((static_cast<std::size_t>(edge) + 31) / 32) * 4;
  const std::size_t palette = alpha ? 0 : 256 * sizeof(RGBQUAD);
  std::vector<BYTE> bytes(sizeof(BITMAPINFOHEADER) + palette + (colourRow + maskRow) * static_cast<std::size_t>(edge));
  BITMAPINFOHEADER header{};
  header.biSize = sizeof header;
  header.biWidth = edge;
  header.biHeight = 2 * edge;
  header.biPlanes = 1;
  header.biBitCount = static_cast<WORD>(bits);
  std::memcpy(bytes.data(), &header, sizeof header);
  BYTE* const colours = bytes.data() + sizeof header;
  for (std::size_t i = 0; i < palette / 4; ++i) {
    colours[i * 4] = static_cast<BYTE>(i * 7);
    colours[i * 4 + 1] = static_cast<BYTE>(255 - i);
    colours[i * 4 + 2] = static_cast<BYTE>(i * 3);
  }
  BYTE* const picture = colours + palette;
  BYTE* const mask = picture + colourRow * static_cast<std::size_t>(edge);
  const int rim = edge * edge;
  for (int y = 0; y < edge; ++y) {
    for (int x = 0; x < edge; ++x) {
      const int dx = 2 * x + 1 - edge, dy = 2 * y + 1 - edge, d = dx * dx + dy * dy;
      const bool inside = d < rim, inverts = !alpha && !inside && x == y;
      BYTE* const at = picture + static_cast<std::size_t>(y) * colourRow;
      if (alpha) {
        const int a = inside ? std::min(255, (rim - d) * 255 * 3 / rim) : 0;
        const BYTE pixel[4] = {static_cast<BYTE>(x * 255 / edge), static_cast<BYTE>(y * 255 / edge), 160,
                               static_cast<BYTE>(a)};
        std::memcpy(at + static_cast<std::size_t>(x) * 4, pixel, 4);
      } else {
        at[x] = static_cast<BYTE>(inside || inverts ? 1 + (x + 2 * y) % 250 : 0);
      }
      if (!inside || (alpha && x + y == edge - 1))
        mask[static_cast<std::size_t>(y) * maskRow + static_cast<std::size_t>(x / 8)] |=
            static_cast<BYTE>(0x80 >> (x % 8));
    }
  }
  return bytes;
}


// A premultiplied picture with every step of alpha, as resampling gives.
iconscale::Pixels Resampled(int edge) {
  iconscale::Pixels p{edge, edge, std::vector<std::uint32_t>(static_cast<std::size_t>(edge) * edge)};
  for (int y = 0; y < edge; ++y)
    for (int x = 0; x < edge; ++x) {
      const std::uint32_t a = static_cast<std::uint32_t>((x + y) * 255 / std::max(1, 2 * edge - 2));
      const std::uint32_t r = 200 * a / 255, g = static_cast<std::uint32_t>(x * 255 / edge) * a / 255, b = 90 * a / 255;
      p.argb[static_cast<std::size_t>(y) * edge + x] = a << 24 | r << 16 | g << 8 | b;
    }
  return p;
}

}  // namespace

BatchSamples MakeBatchSamples(int largeSize, int smallSize) {
  BatchSamples s;
  s.pictures.reserve(2);  // the trials point into them
  for (const int size : {largeSize, smallSize}) {
    if (size < 8) continue;
    BatchTrial icons{BatchKind::Icons, size};
    for (const auto& [edge, alpha] : {std::pair{size, true}, {size, false}, {2 * size, true}, {size / 2, true}}) {
      if (edge < 4) continue;
      iconres::Bytes image = StoredImage(edge, alpha);
      // Made into an icon as the run makes its icons.
      if (!s.icons.emplace_back(iconres::IconFromStored(image, edge, edge))) continue;
      icons.Add(win::IconForm{s.icons.back().get(), edge}, s.icons.back().get());
      // The stored images of the list's size, given as drawn.
      if (edge != size) continue;
      std::optional<iconres::DrawnImage> drawn = iconres::DrawnStoredImage(image);
      if (!drawn) continue;
      s.drawings.push_back(std::move(*drawn));
      BatchTrial stored{BatchKind::Drawn, size};
      stored.Add(win::DrawnForm{s.drawings.back().picture, s.drawings.back().mask}, s.icons.back().get());
      s.trials.push_back(std::move(stored));
    }
    s.trials.push_back(std::move(icons));
    // Larger stored images the platform shrinks to the list's edge, given as drawn: each way
    // its stepping can fall (every second pixel, two of three, every third).
    BatchTrial shrunk{BatchKind::Shrunk, size};
    for (const auto& [edge, alpha] :
         {std::pair{2 * size, true}, {2 * size, false}, {size * 3 / 2, true}, {3 * size, false}}) {
      const iconres::Bytes image = StoredImage(edge, alpha);
      std::optional<iconres::DrawnImage> drawn = iconres::DrawnShrunkImage(image, size);
      if (!drawn || !s.icons.emplace_back(iconres::IconFromStored(image, size, size))) continue;
      s.drawings.push_back(std::move(*drawn));
      shrunk.Add(win::DrawnForm{s.drawings.back().picture, s.drawings.back().mask}, s.icons.back().get());
    }
    s.trials.push_back(std::move(shrunk));
    s.pictures.push_back(Resampled(size));
    if (s.icons.emplace_back(iconscale::IconFromPixels(s.pictures.back()))) {
      BatchTrial pixels{BatchKind::Pixels, size};
      pixels.Add(win::PixelsForm{s.pictures.back().argb}, s.icons.back().get());
      s.trials.push_back(std::move(pixels));
    }
  }
  return s;
}
