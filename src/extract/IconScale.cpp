// Resampling of icon pictures: area averaging down, linear interpolation up, on premultiplied
// pixels; the platform draws the stored image and makes the new icon.
#include "extract/IconScale.h"

#include <algorithm>
#include <cmath>

#include "iconres/BitmapPixels.h"
#include "iconres/SoundImage.h"
#include "win/Dib.h"
#include "win/Handles.h"

namespace iconscale {
namespace {

// Weights in fixed point: each target pixel's weights sum to exactly kOne.
constexpr std::uint32_t kShift = 16, kOne = 1u << kShift;

// For each target position, the source positions it draws on and their weights: target t uses
// index[first[t]] .. index[first[t + 1] - 1].
struct Taps {
  std::vector<std::uint32_t> first, index, weight;
};
Taps MakeTaps(int from, int to) {
  Taps taps;
  taps.first.reserve(static_cast<size_t>(to) + 1);
  const double step = double(from) / to;
  std::vector<double> parts;
  for (int t = 0; t < to; ++t) {
    taps.first.push_back(static_cast<std::uint32_t>(taps.index.size()));
    parts.clear();
    if (from >= to) {
      // The target pixel covers [t*step, (t+1)*step) of the source: each source pixel counts by
      // the part of it that lies inside.
      const double begin = t * step, end = (t + 1) * step;
      for (int s = static_cast<int>(begin); s < from && s < end; ++s) {
        const double part = std::min<double>(end, s + 1) - std::max<double>(begin, s);
        if (part > 1e-9) {
          taps.index.push_back(static_cast<std::uint32_t>(s));
          parts.push_back(part / step);
        }
      }
    } else {
      const double centre = std::clamp((t + 0.5) * step - 0.5, 0.0, double(from - 1));
      const int low = static_cast<int>(centre);
      const int high = std::min(low + 1, from - 1);
      const double f = centre - low;
      taps.index.push_back(static_cast<std::uint32_t>(low));
      parts.push_back(1 - f);
      if (high != low) {
        taps.index.push_back(static_cast<std::uint32_t>(high));
        parts.push_back(f);
      }
    }
    // Rounded to fixed point, what rounding left over goes to the heaviest tap, so that a
    // uniform picture stays exactly as it was.
    std::uint32_t sum = 0;
    size_t heaviest = 0;
    for (size_t i = 0; i < parts.size(); ++i) {
      const auto w = static_cast<std::uint32_t>(std::lround(parts[i] * kOne));
      taps.weight.push_back(w);
      sum += w;
      if (parts[i] > parts[heaviest]) heaviest = i;
    }
    if (!parts.empty()) taps.weight[taps.weight.size() - parts.size() + heaviest] += kOne - sum;
  }
  taps.first.push_back(static_cast<std::uint32_t>(taps.index.size()));
  return taps;
}

}  // namespace

Pixels Resample(const Pixels& source, int width, int height) {
  Pixels out;
  if (width <= 0 || height <= 0 || source.width <= 0 || source.height <= 0 ||
      source.argb.size() != static_cast<size_t>(source.width) * static_cast<size_t>(source.height))
    return out;
  const Taps across = MakeTaps(source.width, width), down = MakeTaps(source.height, height);
  // Across first, then down. Between the passes each channel keeps 8 bits below the point
  // (value x 256, rounded), so the second pass sums fit 32 bits (65,280 x 65,536 < 2^32) and
  // almost no rounding builds up.
  const size_t w = static_cast<size_t>(width);
  std::vector<std::uint16_t> rows(w * static_cast<size_t>(source.height) * 4);
  for (int y = 0; y < source.height; ++y) {
    const std::uint32_t* line = source.argb.data() + static_cast<size_t>(y) * static_cast<size_t>(source.width);
    std::uint16_t* into = rows.data() + static_cast<size_t>(y) * w * 4;
    for (size_t x = 0; x < w; ++x) {
      std::uint32_t a = 0, r = 0, g = 0, b = 0;
      for (std::uint32_t k = across.first[x]; k < across.first[x + 1]; ++k) {
        const std::uint32_t p = line[across.index[k]], weight = across.weight[k];
        a += (p >> 24) * weight;
        r += ((p >> 16) & 0xFF) * weight;
        g += ((p >> 8) & 0xFF) * weight;
        b += (p & 0xFF) * weight;
      }
      constexpr std::uint32_t half = 1u << (kShift - 9), shift = kShift - 8;
      into[x * 4] = static_cast<std::uint16_t>((a + half) >> shift);
      into[x * 4 + 1] = static_cast<std::uint16_t>((r + half) >> shift);
      into[x * 4 + 2] = static_cast<std::uint16_t>((g + half) >> shift);
      into[x * 4 + 3] = static_cast<std::uint16_t>((b + half) >> shift);
    }
  }
  out.width = width;
  out.height = height;
  out.argb.resize(w * static_cast<size_t>(height));
  for (size_t y = 0; y < static_cast<size_t>(height); ++y)
    for (size_t x = 0; x < w; ++x) {
      std::uint32_t c[4] = {0, 0, 0, 0};
      for (std::uint32_t k = down.first[y]; k < down.first[y + 1]; ++k) {
        const std::uint16_t* p = rows.data() + (static_cast<size_t>(down.index[k]) * w + x) * 4;
        const std::uint32_t weight = down.weight[k];
        for (int i = 0; i < 4; ++i) c[i] += p[i] * weight;
      }
      constexpr std::uint32_t half = 1u << (kShift + 7), shift = kShift + 8;
      const std::uint32_t a = std::min<std::uint32_t>((c[0] + half) >> shift, 255);
      // Premultiplied: no colour channel exceeds the alpha.
      auto channel = [&](int i) { return std::min((c[i] + half) >> shift, a); };
      out.argb[y * w + x] = a << 24 | channel(1) << 16 | channel(2) << 8 | channel(3);
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
  const BITMAPINFO info = win::TopDown32(width, height);
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

Pixels StoredPixels(const iconres::IconFile& file, const iconres::IconImage& image) {
  Pixels out;
  if (!image.intact) return out;
  const iconres::ByteSpan bytes = file.Bytes(image);
  if (!image.png) {
    if (auto argb = iconres::BitmapPixels(bytes)) {
      out.width = image.width;
      out.height = image.height;
      out.argb = std::move(*argb);
    }
    return out;
  }
  UINT width = 0, height = 0;
  const win::ComPtr<IWICBitmapSource> source = iconres::DecodePng(bytes, GUID_WICPixelFormat32bppBGRA, width, height);
  if (!source || static_cast<int>(width) != image.width || static_cast<int>(height) != image.height) return out;
  std::vector<std::uint32_t> argb(static_cast<size_t>(width) * height);
  if (FAILED(source->CopyPixels(nullptr, width * 4, static_cast<UINT>(argb.size() * 4),
                                reinterpret_cast<BYTE*>(argb.data()))))
    return out;
  // A picture without any cover is drawn by the platform's other rule, by its mask.
  if (std::none_of(argb.begin(), argb.end(), [](std::uint32_t p) { return p >> 24; })) return out;
  for (std::uint32_t& p : argb) p = iconres::Premultiplied(p);
  out.width = image.width;
  out.height = image.height;
  out.argb = std::move(argb);
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
