// Opening written files through the platform, as a viewer would: PNG through WIC, each image
// of an .ico through icon creation (its PNG images through WIC), cursor files as the platform
// loads a pointer.
#pragma once
#include <windows.h>
#include <wincodec.h>

#include <string>
#include <utility>
#include <vector>

#include "iconres/IconResources.h"
#include "win/Handles.h"

namespace opens {

// The size WIC's PNG decoder gives when it decodes every row; 0 x 0 when it cannot.
inline std::pair<UINT, UINT> PngOpens(iconres::ByteSpan png) {
  win::ComPtr<IWICImagingFactory> factory;
  win::ComPtr<IWICStream> stream;
  win::ComPtr<IWICBitmapDecoder> decoder;
  win::ComPtr<IWICBitmapFrameDecode> frame;
  win::ComPtr<IWICBitmapSource> bgra;
  UINT w = 0, h = 0;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                              reinterpret_cast<void**>(factory.put()))) ||
      FAILED(factory->CreateStream(stream.put())) ||
      FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(png.data()), static_cast<DWORD>(png.size()))) ||
      FAILED(factory->CreateDecoder(GUID_ContainerFormatPng, nullptr, decoder.put())) ||
      FAILED(decoder->Initialize(stream.get(), WICDecodeMetadataCacheOnDemand)) ||
      FAILED(decoder->GetFrame(0, frame.put())) ||
      FAILED(WICConvertBitmapSource(GUID_WICPixelFormat32bppBGRA, frame.get(), bgra.put())) ||
      FAILED(bgra->GetSize(&w, &h))) {
    return {0, 0};
  }
  std::vector<uint8_t> pixels(size_t{w} * h * 4);
  if (FAILED(bgra->CopyPixels(nullptr, w * 4, static_cast<UINT>(pixels.size()), pixels.data()))) return {0, 0};
  return {w, h};
}

// Why a written .ico does not open image by image through the platform: a PNG image through WIC
// at the size its entry gives, a bitmap image through icon creation at that size. Empty when
// every image opens.
inline std::string IcoFault(const std::vector<uint8_t>& ico, bool ownLengths) {
  const iconres::ByteSpan all(ico);
  const auto read = iconres::ReadIconGroups(all);
  if (read.groups.size() != 1 || read.damaged) return "not an .ico file";
  for (const iconres::IconImage& image : read.groups[0].images) {
    const auto bytes = iconres::ImageBytes(all, image);
    const std::string which = "image " + std::to_string(image.id) + ": ";
    if (bytes.empty()) return which + "outside the file";
    const UINT w = ico[6 + 16 * image.id] ? ico[6 + 16 * image.id] : 256;
    const UINT h = ico[7 + 16 * image.id] ? ico[7 + 16 * image.id] : 256;
    if (image.png) {
      if (PngOpens(bytes) != std::pair<UINT, UINT>(w, h)) return which + "WIC does not decode it";
    } else {
      win::UniqueIcon icon(CreateIconFromResourceEx(const_cast<BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()),
                                                   TRUE, 0x00030000, static_cast<int>(w), static_cast<int>(h),
                                                   LR_DEFAULTCOLOR));
      if (!icon) return which + "icon creation refuses it";
    }
    const auto own = iconres::CheckImage(bytes);
    if (ownLengths && (!own || own->length != bytes.size())) return which + "its entry's size is not its own length";
  }
  return {};
}

// Why written cursor bytes (.cur or .ani) do not load through the platform as a cursor file,
// with LoadImage from a file as a user's pointer setting loads it; empty when they load. A .cur
// file's images are also opened one by one, as IcoFault does.
inline std::string CursorFault(const std::vector<uint8_t>& bytes, const std::string& extension) {
  char folder[MAX_PATH] = "", path[MAX_PATH] = "";
  if (!GetTempPathA(MAX_PATH, folder) || !GetTempFileNameA(folder, "cur", 0, path)) return "no temporary file";
  const std::string file = std::string(path) + extension;
  MoveFileA(path, file.c_str());
  {
    win::UniqueFile out(CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    if (!out || !WriteFile(out.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr))
      return "cannot write " + file;
  }
  HANDLE cursor = LoadImageA(nullptr, file.c_str(), IMAGE_CURSOR, 0, 0, LR_LOADFROMFILE | LR_DEFAULTSIZE);
  DeleteFileA(file.c_str());
  if (!cursor) return "LoadImage refuses it";
  DestroyCursor(static_cast<HCURSOR>(cursor));
  return extension == ".cur" ? IcoFault(bytes, false) : std::string();
}

}  // namespace opens
