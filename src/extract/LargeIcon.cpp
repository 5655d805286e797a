// The extraction run's icons for one group: the same two platform steps the shell's own
// extraction takes, on images the reader has already checked, and our own resampling where
// the list shows a size the file does not store.
#include "extract/LargeIcon.h"

#include "extract/IconScale.h"
#include "win/Handles.h"

namespace {

HICON IconFromImage(const iconres::IconFile& file, const iconres::IconImage& image, int cx, int cy) {
  const iconres::ByteSpan bytes = file.Bytes(image);
  return CreateIconFromResourceEx(const_cast<BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()), TRUE,
                                  0x00030000, cx, cy, LR_DEFAULTCOLOR);
}

}  // namespace

HICON MakeIcon(const iconres::IconFile& file, std::size_t group, int size) {
  if (group >= file.contents.groups.size() || size <= 0) return nullptr;
  const iconres::IconGroup& g = file.contents.groups[group];
  if (g.images.empty()) return nullptr;
  // The directory holds exactly the entries it counts, so the lookup reads nothing beyond it.
  const int id = LookupIconIdFromDirectoryEx(const_cast<BYTE*>(g.directory.data()), TRUE, size, size, LR_DEFAULTCOLOR);
  const iconres::IconImage* image = iconres::FindImage(g, static_cast<std::uint16_t>(id));
  if (!image || !image->sound) return nullptr;
  return IconFromImage(file, *image, size, size);
}

HICON MakeLargeIcon(const iconres::IconFile& file, std::size_t group) {
  return MakeIcon(file, group, GetSystemMetrics(SM_CXICON));
}

HICON MakeShownIcon(const iconres::IconFile& file, std::size_t group, int size) {
  if (group >= file.contents.groups.size() || size <= 0) return nullptr;
  const iconres::IconImage* chosen = iconscale::ChooseImage(file.contents.groups[group], size);
  if (!chosen) return nullptr;
  if (chosen->width == size && chosen->height == size) {
    // The platform's pick among the images of this size, as at the saved sizes.
    if (HICON icon = MakeIcon(file, group, size)) return icon;
    return IconFromImage(file, *chosen, size, size);
  }
  win::UniqueIcon stored(IconFromImage(file, *chosen, chosen->width, chosen->height));
  if (!stored) return nullptr;
  const iconscale::Pixels pixels = iconscale::IconPixels(stored.get(), chosen->width, chosen->height);
  return iconscale::IconFromPixels(iconscale::Resample(pixels, size, size));
}

std::string MunWindowsFolder() {
  char path[MAX_PATH] = "";
  const UINT n = GetSystemWindowsDirectoryA(path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return {};
  const std::string windows(path, n);
  const DWORD attributes = GetFileAttributesA((windows + "\\SystemResources").c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return {};
  return windows;
}
