// Resampling of icon pictures for sizes the file does not store.
#pragma once
#include <functional>
#include <windows.h>

#include <cstdint>
#include <vector>

#include "iconres/IconFile.h"
#include "iconres/IconResources.h"

namespace iconscale {

// Premultiplied 0xAARRGGBB pixels, rows top to bottom.
struct Pixels {
  int width = 0, height = 0;
  std::vector<std::uint32_t> argb;
};

// The picture at width x height. Shrinking averages every source pixel under a target pixel
// by its covered area, so thin lines fade rather than vanish; growing interpolates linearly.
// Both work on premultiplied pixels, so transparent pixels lend no colour to their neighbours.
Pixels Resample(const Pixels& source, int width, int height);

// Which usable image to draw a size x size picture from: one of exactly that size (the most
// colours), else the smallest larger one, else the largest smaller one; null when none is usable.
const iconres::IconImage* ChooseImage(const iconres::IconGroup& group, int size,
                                      const std::function<bool(const iconres::IconImage&)>& usable);

// The icon's picture with its transparency, as drawn by the platform over black and over white.
Pixels IconPixels(HICON icon, int width, int height);
// A stored image's picture at its own size without a platform icon (which costs far more than
// the decoding): what IconPixels gives for the icon made of it. Empty for forms only the
// platform draws. COM initialised on the calling thread (PNG images).
Pixels StoredPixels(const iconres::IconFile& file, const iconres::IconImage& image);
// A 32-bit icon with alpha from the pixels; null when the platform refuses it. The caller owns it.
HICON IconFromPixels(const Pixels& pixels);

}  // namespace iconscale
