// Stored icon images as .ico and .png files; PNG encoding goes through WIC.
#include "export/StoredIcon.h"

#include <wincodec.h>

#include <algorithm>

namespace {

void Put16(std::vector<std::uint8_t>& b, unsigned v) {
  b.push_back(static_cast<std::uint8_t>(v));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(std::vector<std::uint8_t>& b, std::uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

// An .ico file of the given images of one file, in this order; a .cur file for a cursor, whose
// entries keep each image's hotspot where an icon's keep planes and bit count.
std::vector<std::uint8_t> IcoFile(const iconres::IconFile& file, const std::vector<const iconres::IconImage*>& images,
                                  bool cursor = false) {
  std::vector<std::uint8_t> b;
  Put16(b, 0);
  Put16(b, cursor ? 2 : 1);
  Put16(b, static_cast<unsigned>(images.size()));
  std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * images.size());
  for (const iconres::IconImage* image : images) {
    b.push_back(static_cast<std::uint8_t>(image->width >= 256 ? 0 : image->width));
    b.push_back(static_cast<std::uint8_t>(image->height >= 256 ? 0 : image->height));
    b.push_back(static_cast<std::uint8_t>(image->bitCount < 8 ? 1 << image->bitCount : 0));
    b.push_back(0);
    Put16(b, cursor ? static_cast<unsigned>(image->hotspotX) : 1);
    Put16(b, static_cast<unsigned>(cursor ? image->hotspotY : image->bitCount));
    Put32(b, static_cast<std::uint32_t>(image->size));
    Put32(b, offset);
    offset += static_cast<std::uint32_t>(image->size);
  }
  for (const iconres::IconImage* image : images) {
    const iconres::ByteSpan bytes = file.Bytes(*image);
    b.insert(b.end(), bytes.begin(), bytes.end());
  }
  return b;
}

const iconres::IconGroup& GroupOf(const iconres::IconFile& file, std::size_t group) {
  if (group >= file.contents.groups.size()) throw ENoSoundImage();
  return file.contents.groups[group];
}

void Check(HRESULT hr) {
  if (FAILED(hr)) throw EInvalidGraphic(win::FormatMessageText("Cannot encode the image as PNG (error %s)",
                                                              std::to_string(static_cast<unsigned long>(hr))));
}

// A single-image .ico decoded by WIC's icon decoder (which applies the mask as alpha) and
// encoded by its PNG encoder.
std::vector<std::uint8_t> EncodePng(const std::vector<std::uint8_t>& ico) {
  win::ComScope com;
  win::ComPtr<IWICImagingFactory> factory;
  Check(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                         reinterpret_cast<void**>(factory.put())));
  win::ComPtr<IWICStream> input;
  Check(factory->CreateStream(input.put()));
  Check(input->InitializeFromMemory(const_cast<BYTE*>(ico.data()), static_cast<DWORD>(ico.size())));
  win::ComPtr<IWICBitmapDecoder> decoder;
  Check(factory->CreateDecoderFromStream(input.get(), nullptr, WICDecodeMetadataCacheOnDemand, decoder.put()));
  win::ComPtr<IWICBitmapFrameDecode> frame;
  Check(decoder->GetFrame(0, frame.put()));
  win::ComPtr<IWICBitmapSource> pixels;
  Check(WICConvertBitmapSource(GUID_WICPixelFormat32bppBGRA, frame.get(), pixels.put()));
  UINT width = 0, height = 0;
  Check(pixels->GetSize(&width, &height));

  win::ComPtr<IStream> output;
  Check(CreateStreamOnHGlobal(nullptr, TRUE, output.put()));
  win::ComPtr<IWICBitmapEncoder> encoder;
  Check(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.put()));
  Check(encoder->Initialize(output.get(), WICBitmapEncoderNoCache));
  win::ComPtr<IWICBitmapFrameEncode> target;
  Check(encoder->CreateNewFrame(target.put(), nullptr));
  Check(target->Initialize(nullptr));
  Check(target->SetSize(width, height));
  WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGRA;
  Check(target->SetPixelFormat(&format));
  if (format != GUID_WICPixelFormat32bppBGRA) Check(E_FAIL);
  Check(target->WriteSource(pixels.get(), nullptr));
  Check(target->Commit());
  Check(encoder->Commit());

  HGLOBAL memory = nullptr;
  Check(GetHGlobalFromStream(output.get(), &memory));
  STATSTG stat{};
  Check(output->Stat(&stat, STATFLAG_NONAME));
  std::vector<std::uint8_t> png(static_cast<std::size_t>(stat.cbSize.QuadPart));
  const void* data = GlobalLock(memory);
  if (!data) Check(E_OUTOFMEMORY);
  std::copy_n(static_cast<const std::uint8_t*>(data), png.size(), png.begin());
  GlobalUnlock(memory);
  return png;
}

}  // namespace

namespace {

// An animated cursor's own bytes, written whole or not at all: a frame left out would leave
// steps naming frames that are not there.
TStoredImage AnimatedCursor(const iconres::IconFile& file, const iconres::IconGroup& g) {
  bool anySound = false, allSound = g.wellFormed;
  std::size_t images = 0;
  for (std::size_t f = 0; f < g.frames.size(); ++f) {
    for (const iconres::IconImage& image : g.frames[f]) {
      const bool sound = file.Sound(image);
      if (f == 0) anySound = anySound || sound;
      allSound = allSound && sound;
      ++images;
    }
  }
  if (!anySound) throw ENoSoundImage();
  const iconres::ByteSpan bytes = file.bytes.Span();
  if (!allSound || g.offset > bytes.size() || g.size > bytes.size() - g.offset) throw ENoSoundImage(kDamagedAnimation);
  const auto begin = bytes.begin() + static_cast<std::ptrdiff_t>(g.offset);
  return TStoredImage({begin, begin + static_cast<std::ptrdiff_t>(g.size)}, 0, images, ".ani");
}

}  // namespace

TStoredImage OriginalIcon(const iconres::IconFile& file, std::size_t group) {
  const iconres::IconGroup& g = GroupOf(file, group);
  if (g.kind == iconres::GroupKind::AnimatedCursor) return AnimatedCursor(file, g);
  std::vector<const iconres::IconImage*> images;
  for (const iconres::IconImage& image : g.images) {
    if (file.Sound(image)) images.push_back(&image);
  }
  if (images.empty()) throw ENoSoundImage();
  const bool cursor = g.kind == iconres::GroupKind::Cursor;
  return TStoredImage(IcoFile(file, images, cursor), g.images.size() - images.size(), g.images.size(),
                      cursor ? ".cur" : ".ico");
}

std::vector<std::uint8_t> OriginalIconBytes(const iconres::IconFile& file, std::size_t group) {
  return OriginalIcon(file, group).Bytes();
}

std::vector<std::uint8_t> LargestImagePngBytes(const iconres::IconFile& file, std::size_t group) {
  std::vector<const iconres::IconImage*> images;
  for (const iconres::IconImage& image : GroupOf(file, group).images) {
    if (image.intact) images.push_back(&image);
  }
  // Largest first; equal ones keep the group's order.
  std::stable_sort(images.begin(), images.end(), [](const iconres::IconImage* a, const iconres::IconImage* b) {
    const long long pa = 1LL * a->width * a->height, pb = 1LL * b->width * b->height;
    return pa != pb ? pa > pb : a->bitCount > b->bitCount;
  });
  std::string reason;  // the last image the imaging library could not encode
  for (const iconres::IconImage* image : images) {
    if (!file.Sound(*image)) continue;
    const iconres::ByteSpan bytes = file.Bytes(*image);
    if (image->png) return {bytes.begin(), bytes.end()};
    try {
      return EncodePng(IcoFile(file, {image}));
    } catch (const EInvalidGraphic& e) {
      reason = e.what();
    }
  }
  if (reason.empty()) throw ENoSoundImage();
  throw EInvalidGraphic(reason);
}

std::unique_ptr<TStoredImage> StoredIconGraphic(const iconres::IconFile& file, std::size_t group, bool png) {
  if (png) return std::make_unique<TStoredImage>(LargestImagePngBytes(file, group), 0, 0, ".png");
  return std::make_unique<TStoredImage>(OriginalIcon(file, group));
}
