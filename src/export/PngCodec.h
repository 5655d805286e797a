// Pictures through the platform's imaging library (WIC): a single-image .ico decoded to pixels
// with its alpha, pixels resampled to another size, and pixels or a decoded picture encoded as
// PNG with alpha. Every failure raises EInvalidGraphic with WIC's error code.
#pragma once
#include <windows.h>
#include <wincodec.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "export/Graphics.h"
#include "iconres/IconResources.h"

namespace pngcodec {

// 32-bit pixels, blue, green, red and alpha, with straight (not premultiplied) alpha; rows top
// down, no padding.
struct Pixels {
  UINT width = 0, height = 0;
  std::vector<std::uint8_t> bgra;
};

// A single-image .ico (or .cur) decoded by WIC's icon decoder, which applies the mask as alpha,
// and encoded by its PNG encoder.
std::vector<std::uint8_t> IcoToPng(const std::vector<std::uint8_t>& ico);

// A single-image .ico decoded as IcoToPng decodes it; a stored PNG image decoded whole.
Pixels DecodeIco(const std::vector<std::uint8_t>& ico);
Pixels DecodePngImage(iconres::ByteSpan png);

// The pixels resampled to width x height by WIC's best filter (high-quality cubic where the
// platform has it, else Fant), in premultiplied form so that no colour of a transparent pixel
// bleeds into its neighbours: no dark fringes. The same pixels give the same result every time.
Pixels Resample(const Pixels& source, UINT width, UINT height);

// The pixels drawn in the middle of an edge x edge square, resampled to fit it keeping their
// proportions; the rest is transparent. Pixels already of that size are returned unchanged.
Pixels FitToSquare(const Pixels& source, UINT edge);

// The pixels as a PNG file with alpha.
std::vector<std::uint8_t> EncodePng(const Pixels& pixels);

// A PNG of width x height written a band of whole rows at a time, top down, so that a picture
// too large to hold whole (a contact sheet may be 16,384 pixels on a side) never is.
class PngBands {
 public:
  PngBands(UINT width, UINT height);
  ~PngBands();
  PngBands(const PngBands&) = delete;
  PngBands& operator=(const PngBands&) = delete;
  // The next rows, width x 4 bytes each, as Pixels keeps them.
  void Write(iconres::ByteSpan bgra);
  // The file, once every row is written.
  std::vector<std::uint8_t> Finish();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace pngcodec
