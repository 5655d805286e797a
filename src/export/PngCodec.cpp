// Decoding, resampling and PNG encoding through WIC.
#include "export/PngCodec.h"

#include <algorithm>
#include <string>

#include "iconres/SoundImage.h"
#include "win/Handles.h"
#include "win/Imaging.h"
#include "win/Text.h"

namespace pngcodec {

namespace {

// WIC's high-quality cubic filter (Windows 10 on), which the compiler's headers do not name yet.
constexpr auto kHighQualityCubic = static_cast<WICBitmapInterpolationMode>(4);

void Check(HRESULT hr) {
  if (FAILED(hr)) throw EInvalidGraphic(win::FormatMessageText("Cannot encode the image as PNG (error %s)",
                                                              std::to_string(static_cast<unsigned long>(hr))),
                                        static_cast<DWORD>(hr));
}

// The thread's factory (win::ImagingScope), made once for all its images.
win::ComPtr<IWICImagingFactory> Factory() {
  win::ComPtr<IWICImagingFactory> factory = win::ImagingFactory();
  if (!factory) Check(REGDB_E_CLASSNOTREG);
  return factory;
}

// The icon decoder's first frame as 32-bit pixels with alpha; `ico` must outlive it.
win::ComPtr<IWICBitmapSource> IcoSource(IWICImagingFactory* factory, const std::vector<std::uint8_t>& ico) {
  win::ComPtr<IWICStream> input;
  Check(factory->CreateStream(input.put()));
  Check(input->InitializeFromMemory(const_cast<BYTE*>(ico.data()), static_cast<DWORD>(ico.size())));
  win::ComPtr<IWICBitmapDecoder> decoder;
  Check(factory->CreateDecoderFromStream(input.get(), nullptr, WICDecodeMetadataCacheOnDemand, decoder.put()));
  win::ComPtr<IWICBitmapFrameDecode> frame;
  Check(decoder->GetFrame(0, frame.put()));
  win::ComPtr<IWICBitmapSource> pixels;
  Check(WICConvertBitmapSource(GUID_WICPixelFormat32bppBGRA, frame.get(), pixels.put()));
  return pixels;
}

// A PNG frame of 32-bit pixels with alpha, ready for its rows.
struct Encoder {
  win::ComPtr<IStream> output;
  win::ComPtr<IWICBitmapEncoder> encoder;
  win::ComPtr<IWICBitmapFrameEncode> target;
};

Encoder StartPng(IWICImagingFactory* factory, UINT width, UINT height) {
  Encoder e;
  Check(CreateStreamOnHGlobal(nullptr, TRUE, e.output.put()));
  Check(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, e.encoder.put()));
  Check(e.encoder->Initialize(e.output.get(), WICBitmapEncoderNoCache));
  Check(e.encoder->CreateNewFrame(e.target.put(), nullptr));
  Check(e.target->Initialize(nullptr));
  Check(e.target->SetSize(width, height));
  WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGRA;
  Check(e.target->SetPixelFormat(&format));
  if (format != GUID_WICPixelFormat32bppBGRA) Check(E_FAIL);
  return e;
}

std::vector<std::uint8_t> FinishPng(Encoder& e) {
  Check(e.target->Commit());
  Check(e.encoder->Commit());
  HGLOBAL memory = nullptr;
  Check(GetHGlobalFromStream(e.output.get(), &memory));
  STATSTG stat{};
  Check(e.output->Stat(&stat, STATFLAG_NONAME));
  std::vector<std::uint8_t> png(static_cast<std::size_t>(stat.cbSize.QuadPart));
  const void* data = GlobalLock(memory);
  if (!data) Check(E_OUTOFMEMORY);
  std::copy_n(static_cast<const std::uint8_t*>(data), png.size(), png.begin());
  GlobalUnlock(memory);
  return png;
}

std::vector<std::uint8_t> EncodeSource(IWICImagingFactory* factory, IWICBitmapSource* pixels) {
  UINT width = 0, height = 0;
  Check(pixels->GetSize(&width, &height));
  Encoder e = StartPng(factory, width, height);
  Check(e.target->WriteSource(pixels, nullptr));
  return FinishPng(e);
}

Pixels CopyOut(IWICBitmapSource* source) {
  Pixels p;
  Check(source->GetSize(&p.width, &p.height));
  if (p.width == 0 || p.height == 0 || p.width > 0x4000 || p.height > 0x4000) Check(E_INVALIDARG);
  p.bgra.resize(std::size_t{p.width} * p.height * 4);
  Check(source->CopyPixels(nullptr, p.width * 4, static_cast<UINT>(p.bgra.size()), p.bgra.data()));
  return p;
}

// Pixels as a WIC bitmap of its own copy, in the given format.
win::ComPtr<IWICBitmap> Bitmap(IWICImagingFactory* factory, const Pixels& p, REFWICPixelFormatGUID format) {
  win::ComPtr<IWICBitmap> bitmap;
  Check(factory->CreateBitmapFromMemory(p.width, p.height, format, p.width * 4, static_cast<UINT>(p.bgra.size()),
                                        const_cast<BYTE*>(p.bgra.data()), bitmap.put()));
  return bitmap;
}

}  // namespace

std::vector<std::uint8_t> IcoToPng(const std::vector<std::uint8_t>& ico) {
  win::ComScope com;
  const win::ComPtr<IWICImagingFactory> factory = Factory();
  const win::ComPtr<IWICBitmapSource> pixels = IcoSource(factory.get(), ico);
  return EncodeSource(factory.get(), pixels.get());
}

Pixels DecodeIco(const std::vector<std::uint8_t>& ico) {
  win::ComScope com;
  const win::ComPtr<IWICImagingFactory> factory = Factory();
  return CopyOut(IcoSource(factory.get(), ico).get());
}

Pixels DecodePngImage(iconres::ByteSpan png) {
  win::ComScope com;
  UINT width = 0, height = 0;
  const win::ComPtr<IWICBitmapSource> pixels = iconres::DecodePng(png, GUID_WICPixelFormat32bppBGRA, width, height);
  if (!pixels) Check(WINCODEC_ERR_BADIMAGE);
  return CopyOut(pixels.get());
}

Pixels Resample(const Pixels& source, UINT width, UINT height) {
  win::ComScope com;
  const win::ComPtr<IWICImagingFactory> factory = Factory();
  // Premultiplied, so that a transparent pixel's colour weighs nothing in its neighbours.
  Pixels pre = source;
  for (std::size_t i = 0; i < pre.bgra.size(); i += 4) {
    const unsigned a = pre.bgra[i + 3];
    for (std::size_t c = 0; c < 3; ++c) pre.bgra[i + c] = static_cast<std::uint8_t>((pre.bgra[i + c] * a + 127) / 255);
  }
  const win::ComPtr<IWICBitmap> bitmap = Bitmap(factory.get(), pre, GUID_WICPixelFormat32bppPBGRA);
  win::ComPtr<IWICBitmapScaler> scaler;
  Check(factory->CreateBitmapScaler(scaler.put()));
  // High-quality cubic came with Windows 10; before it Fant is the best WIC offers.
  if (FAILED(scaler->Initialize(bitmap.get(), width, height, kHighQualityCubic))) {
    Check(factory->CreateBitmapScaler(scaler.put()));
    Check(scaler->Initialize(bitmap.get(), width, height, WICBitmapInterpolationModeFant));
  }
  Pixels out = CopyOut(scaler.get());
  if (out.width != width || out.height != height) Check(E_UNEXPECTED);
  for (std::size_t i = 0; i < out.bgra.size(); i += 4) {
    const unsigned a = out.bgra[i + 3];
    for (std::size_t c = 0; c < 3; ++c) {
      // A cubic filter may overshoot past the alpha; the colour stops at full.
      const unsigned v = a == 0 ? 0 : (out.bgra[i + c] * 255u + a / 2) / a;
      out.bgra[i + c] = static_cast<std::uint8_t>(std::min(v, 255u));
    }
  }
  return out;
}

Pixels FitToSquare(const Pixels& source, UINT edge) {
  if (source.width == edge && source.height == edge) return source;
  const UINT longer = std::max(source.width, source.height);
  const UINT w = std::max(1u, static_cast<UINT>((1ull * source.width * edge + longer / 2) / longer));
  const UINT h = std::max(1u, static_cast<UINT>((1ull * source.height * edge + longer / 2) / longer));
  const Pixels scaled = Resample(source, w, h);
  if (w == edge && h == edge) return scaled;
  Pixels square{edge, edge, std::vector<std::uint8_t>(std::size_t{edge} * edge * 4, 0)};
  const UINT left = (edge - w) / 2, top = (edge - h) / 2;
  for (UINT y = 0; y < h; ++y)
    std::copy_n(scaled.bgra.begin() + static_cast<std::ptrdiff_t>(y) * w * 4, std::size_t{w} * 4,
                square.bgra.begin() + (static_cast<std::ptrdiff_t>(top + y) * edge + left) * 4);
  return square;
}

std::vector<std::uint8_t> EncodePng(const Pixels& pixels) {
  win::ComScope com;
  const win::ComPtr<IWICImagingFactory> factory = Factory();
  const win::ComPtr<IWICBitmap> bitmap = Bitmap(factory.get(), pixels, GUID_WICPixelFormat32bppBGRA);
  return EncodeSource(factory.get(), bitmap.get());
}

struct PngBands::State {
  win::ComScope com;
  win::ComPtr<IWICImagingFactory> factory;
  Encoder encoder;
  UINT width = 0, height = 0, written = 0;
};

PngBands::PngBands(UINT width, UINT height) : state_(std::make_unique<State>()) {
  state_->factory = Factory();
  state_->encoder = StartPng(state_->factory.get(), width, height);
  state_->width = width;
  state_->height = height;
}

PngBands::~PngBands() = default;

void PngBands::Write(iconres::ByteSpan bgra) {
  const std::size_t row = std::size_t{state_->width} * 4;
  const auto rows = static_cast<UINT>(bgra.size() / row);
  if (bgra.size() % row != 0 || rows > state_->height - state_->written) Check(E_INVALIDARG);
  Check(state_->encoder.target->WritePixels(rows, static_cast<UINT>(row), static_cast<UINT>(bgra.size()),
                                            const_cast<BYTE*>(bgra.data())));
  state_->written += rows;
}

std::vector<std::uint8_t> PngBands::Finish() {
  if (state_->written != state_->height) Check(E_UNEXPECTED);
  return FinishPng(state_->encoder);
}

}  // namespace pngcodec
