// Opening an image through the platform, the way a viewer of a written file would.
#include "iconres/SoundImage.h"

#include <vector>

#include "iconres/BitmapVerdict.h"
#include "win/Handles.h"
#include "win/Imaging.h"

namespace iconres {
namespace {

bool PngDecodes(ByteSpan bytes, const IconImage& image) {
  win::ComScope com;
  UINT width = 0, height = 0;
  const win::ComPtr<IWICBitmapSource> pixels = DecodePng(bytes, GUID_WICPixelFormat32bppBGRA, width, height);
  if (!pixels || static_cast<int>(width) != image.width || static_cast<int>(height) != image.height) return false;
  // Every row, so that damage anywhere in the compressed data is met.
  std::vector<BYTE> row(static_cast<std::size_t>(width) * 4);
  for (UINT y = 0; y < height; ++y) {
    const WICRect rect{0, static_cast<INT>(y), static_cast<INT>(width), 1};
    if (FAILED(pixels->CopyPixels(&rect, width * 4, static_cast<UINT>(row.size()), row.data()))) return false;
  }
  return true;
}

bool IconCreates(ByteSpan bytes, const IconImage& image) {
  return static_cast<bool>(IconFromStored(bytes, image.width, image.height));
}

}  // namespace

win::UniqueIcon IconFromStored(ByteSpan bytes, int cx, int cy) {
  return win::UniqueIcon(CreateIconFromResourceEx(const_cast<BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()),
                                                  TRUE, 0x00030000, cx, cy, LR_DEFAULTCOLOR));
}

win::ComPtr<IWICBitmapSource> DecodePng(ByteSpan bytes, REFWICPixelFormatGUID format, UINT& width, UINT& height) {
  const win::ComPtr<IWICImagingFactory> factory = win::ImagingFactory();
  win::ComPtr<IWICStream> stream;
  win::ComPtr<IWICBitmapDecoder> decoder;
  win::ComPtr<IWICBitmapFrameDecode> frame;
  win::ComPtr<IWICBitmapSource> pixels;
  if (!factory || FAILED(factory->CreateStream(stream.put())) ||
      FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()))) ||
      !(decoder = win::NewPngDecoder()) ||
      FAILED(decoder->Initialize(stream.get(), WICDecodeMetadataCacheOnDemand)) ||
      FAILED(decoder->GetFrame(0, frame.put())) || FAILED(frame->GetSize(&width, &height)) ||
      FAILED(WICConvertBitmapSource(format, frame.get(), pixels.put())))
    return {};
  return pixels;
}

bool PlatformOpens(ByteSpan bytes, const IconImage& image) {
  if (!image.intact || bytes.empty()) return false;
  return image.png ? PngDecodes(bytes, image) : IconCreates(bytes, image);
}

bool JudgeImage(ByteSpan bytes, const IconImage& image) {
  if (!image.intact || bytes.empty()) return false;
  if (image.png) return PngDecodes(bytes, image);
  switch (JudgeBitmap(bytes)) {
    case BitmapVerdict::Opens: return true;
    case BitmapVerdict::Refused: return false;
    case BitmapVerdict::AskPlatform: break;
  }
  return IconCreates(bytes, image);
}

}  // namespace iconres
