// Resampling of icon pictures: area averaging down, linear interpolation up, on premultiplied
// pixels; the platform draws the stored image and makes the new icon.
#include "extract/IconScale.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "win/Handles.h"

namespace iconscale {
namespace {

using Channels = std::array<double, 4>;  // a, r, g, b

Channels Split(std::uint32_t p) {
  return {double(p >> 24), double((p >> 16) & 0xFF), double((p >> 8) & 0xFF), double(p & 0xFF)};
}

std::uint32_t Join(const Channels& c) {
  auto byte = [](double v) { return static_cast<std::uint32_t>(std::clamp(std::lround(v), 0L, 255L)); };
  const std::uint32_t a = byte(c[0]);
  // Premultiplied: no colour channel exceeds the alpha.
  return a << 24 | std::min(byte(c[1]), a) << 16 | std::min(byte(c[2]), a) << 8 | std::min(byte(c[3]), a);
}

// For each target position, the source positions it draws on and their weights (summing to 1).
struct Tap {
  int index;
  double weight;
};
std::vector<std::vector<Tap>> Taps(int from, int to) {
  std::vector<std::vector<Tap>> taps(static_cast<size_t>(to));
  const double step = double(from) / to;
  for (int t = 0; t < to; ++t) {
    auto& row = taps[static_cast<size_t>(t)];
    if (from >= to) {
      // The target pixel covers [t*step, (t+1)*step) of the source: each source pixel counts by
      // the part of it that lies inside.
      const double begin = t * step, end = (t + 1) * step;
      for (int s = static_cast<int>(begin); s < from && s < end; ++s) {
        const double part = std::min<double>(end, s + 1) - std::max<double>(begin, s);
        if (part > 1e-9) row.push_back({s, part / step});
      }
    } else {
      const double centre = std::clamp((t + 0.5) * step - 0.5, 0.0, double(from - 1));
      const int low = static_cast<int>(centre);
      const int high = std::min(low + 1, from - 1);
      const double f = centre - low;
      row.push_back({low, 1 - f});
      if (high != low) row.push_back({high, f});
    }
  }
  return taps;
}

}  // namespace

Pixels Resample(const Pixels& source, int width, int height) {
  Pixels out;
  if (width <= 0 || height <= 0 || source.width <= 0 || source.height <= 0 ||
      source.argb.size() != static_cast<size_t>(source.width) * static_cast<size_t>(source.height))
    return out;
  const auto across = Taps(source.width, width), down = Taps(source.height, height);
  // Across first, then down, in floating point so no rounding builds up between the passes.
  std::vector<Channels> rows(static_cast<size_t>(width) * static_cast<size_t>(source.height));
  for (int y = 0; y < source.height; ++y)
    for (int x = 0; x < width; ++x) {
      Channels sum{};
      for (const Tap& tap : across[static_cast<size_t>(x)]) {
        const Channels c = Split(source.argb[static_cast<size_t>(y) * static_cast<size_t>(source.width) +
                                             static_cast<size_t>(tap.index)]);
        for (int k = 0; k < 4; ++k) sum[static_cast<size_t>(k)] += c[static_cast<size_t>(k)] * tap.weight;
      }
      rows[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)] = sum;
    }
  out.width = width;
  out.height = height;
  out.argb.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      Channels sum{};
      for (const Tap& tap : down[static_cast<size_t>(y)]) {
        const Channels& c = rows[static_cast<size_t>(tap.index) * static_cast<size_t>(width) + static_cast<size_t>(x)];
        for (int k = 0; k < 4; ++k) sum[static_cast<size_t>(k)] += c[static_cast<size_t>(k)] * tap.weight;
      }
      out.argb[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)] = Join(sum);
    }
  return out;
}

const iconres::IconImage* ChooseImage(const iconres::IconGroup& group, int size,
                                      const std::function<bool(const iconres::IconImage&)>& usable) {
  const iconres::IconImage* exact = nullptr;
  const iconres::IconImage* larger = nullptr;
  const iconres::IconImage* smaller = nullptr;
  auto depth = [](const iconres::IconImage& i) { return i.png ? 32 : i.bitCount; };
  for (const iconres::IconImage& image : group.images) {
    if (image.width <= 0 || image.height <= 0 || !usable(image)) continue;
    const int edge = std::max(image.width, image.height);
    if (image.width == size && image.height == size) {
      if (!exact || depth(image) > depth(*exact)) exact = &image;
    } else if (edge > size) {
      const int best = larger ? std::max(larger->width, larger->height) : 0;
      if (!larger || edge < best || (edge == best && depth(image) > depth(*larger))) larger = &image;
    } else {
      const int best = smaller ? std::max(smaller->width, smaller->height) : 0;
      if (!smaller || edge > best || (edge == best && depth(image) > depth(*smaller))) smaller = &image;
    }
  }
  return exact ? exact : larger ? larger : smaller;
}

namespace {

// A top-down 32-bit section of width x height, and its pixels.
struct Section {
  win::UniqueBitmap bitmap;
  std::uint32_t* bits = nullptr;
};
Section MakeSection(int width, int height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  Section s;
  s.bitmap.reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  s.bits = s.bitmap ? static_cast<std::uint32_t*>(bits) : nullptr;
  return s;
}

}  // namespace

Pixels IconPixels(HICON icon, int width, int height) {
  Pixels out;
  if (!icon || width <= 0 || height <= 0) return out;
  Section black = MakeSection(width, height), white = MakeSection(width, height);
  if (!black.bits || !white.bits) return out;
  const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
  std::fill(black.bits, black.bits + count, 0x000000u);
  std::fill(white.bits, white.bits + count, 0xFFFFFFu);
  win::UniqueDC dc(CreateCompatibleDC(nullptr));
  if (!dc) return out;
  {
    win::SelectInDC select(dc.get(), black.bitmap.get());
    DrawIconEx(dc.get(), 0, 0, icon, width, height, 0, nullptr, DI_NORMAL);
  }
  {
    win::SelectInDC select(dc.get(), white.bitmap.get());
    DrawIconEx(dc.get(), 0, 0, icon, width, height, 0, nullptr, DI_NORMAL);
  }
  GdiFlush();
  out.width = width;
  out.height = height;
  out.argb.resize(count);
  for (size_t i = 0; i < count; ++i) {
    // Over black a pixel shows alpha x colour; over white that plus (1 - alpha) x white.
    const std::uint32_t b = black.bits[i], w = white.bits[i];
    int sum = 0;
    for (int shift = 0; shift < 24; shift += 8)
      sum += 255 - std::clamp(int((w >> shift) & 0xFF) - int((b >> shift) & 0xFF), 0, 255);
    const std::uint32_t a = static_cast<std::uint32_t>((sum + 1) / 3);
    auto channel = [&](int shift) { return std::min((b >> shift) & 0xFFu, a); };
    out.argb[i] = a << 24 | channel(16) << 16 | channel(8) << 8 | channel(0);
  }
  return out;
}

HICON IconFromPixels(const Pixels& pixels) {
  if (pixels.width <= 0 || pixels.height <= 0) return nullptr;
  Section colour = MakeSection(pixels.width, pixels.height);
  if (!colour.bits) return nullptr;
  // Icons keep their colours unmultiplied; the mask marks what is fully transparent.
  const int maskRow = ((pixels.width + 15) / 16) * 2;
  std::vector<std::uint8_t> mask(static_cast<size_t>(maskRow) * static_cast<size_t>(pixels.height), 0);
  for (int y = 0; y < pixels.height; ++y)
    for (int x = 0; x < pixels.width; ++x) {
      const size_t i = static_cast<size_t>(y) * static_cast<size_t>(pixels.width) + static_cast<size_t>(x);
      const std::uint32_t p = pixels.argb[i], a = p >> 24;
      auto straight = [&](int shift) { return a ? std::min(((p >> shift) & 0xFFu) * 255u / a, 255u) : 0u; };
      colour.bits[i] = a << 24 | straight(16) << 16 | straight(8) << 8 | straight(0);
      if (a == 0) mask[static_cast<size_t>(y) * static_cast<size_t>(maskRow) + static_cast<size_t>(x / 8)] |=
          static_cast<std::uint8_t>(0x80 >> (x % 8));
    }
  win::UniqueBitmap maskBitmap(CreateBitmap(pixels.width, pixels.height, 1, 1, mask.data()));
  if (!maskBitmap) return nullptr;
  GdiFlush();
  ICONINFO info{};
  info.fIcon = TRUE;
  info.hbmColor = colour.bitmap.get();
  info.hbmMask = maskBitmap.get();
  return CreateIconIndirect(&info);
}

}  // namespace iconscale
