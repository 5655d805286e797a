// Output file names of saved icons, the free-name search and the save that cleans up after itself.
#include "export/SaveImage.h"
#include "export/StoredIcon.h"

#include "win/Errors.h"
#include "win/ImageLists.h"
#include "win/LongPath.h"
#include "win/PathText.h"
#include "win/Text.h"

std::string GraphicExtension(const TGraphic& graphic) {
  return dynamic_cast<const TBitmap*>(&graphic) ? ".bmp" : ".ico";
}

std::unique_ptr<TGraphic> SlotGraphic(OutputKind kind, HIMAGELIST large, HIMAGELIST small, int slot) {
  if (IsStoredKind(kind)) throw EInvalidGraphicOperation("A stored icon is read from its file");
  const bool asIcon = kind == OutputKind::Icon32 || kind == OutputKind::Icon16;
  HIMAGELIST list = IsSmallKind(kind) ? small : large;
  if (asIcon) {
    auto icon = std::make_unique<TIcon>();
    CopySlotAsIcon(list, slot, icon.get());
    return icon;
  }
  auto bitmap = std::make_unique<TBitmap>();
  RenderSlotToBitmap(list, slot, bitmap.get());
  return bitmap;
}

SavedIcon::SavedIcon(int largeSize, int smallSize)
    : large_(win::CreateIconImageList(largeSize)), small_(win::CreateIconImageList(smallSize)) {}

namespace {

void HoldIn(HIMAGELIST list, HICON icon) {
  ImageList_RemoveAll(list);
  if (ImageList_ReplaceIcon(list, -1, icon) != 0)
    throw win::Exception("Cannot add an icon to the image list", win::ErrorKind::Platform);
}

}  // namespace

void SavedIcon::Hold(HICON icon, HICON smallIcon) {
  HoldIn(small_.get(), smallIcon ? smallIcon : icon);
  HoldIn(large_.get(), icon);
}

void SavedIcon::HoldFor(OutputKind kind, HICON icon, HICON smallIcon) {
  if (IsSmallKind(kind)) HoldIn(small_.get(), smallIcon ? smallIcon : icon);
  else HoldIn(large_.get(), icon);
}

std::string KindExtension(OutputKind kind, const TGraphic& graphic) {
  if (kind == OutputKind::Png) return ".png";
  if (const auto* stored = dynamic_cast<const TStoredImage*>(&graphic)) return stored->Extension();
  return GraphicExtension(graphic);
}

std::string OutputFileName(const std::string& caption, const std::string& indexText,
                           const std::string& extension) {
  return caption.substr(0, caption.size() - pathtext::Extension(caption).size()) + indexText + extension;
}

bool PathIsTaken(const std::string& path) {
  if (win::FileAttributes(path) != INVALID_FILE_ATTRIBUTES) return true;
  // Something there that we may not look at still blocks the name; any other error (such as
  // an invalid name) is left for the file creation to report, so the search cannot run forever.
  const DWORD error = GetLastError();
  return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION;
}

std::string FreeFileName(const std::string& folder, const std::string& name) {
  std::string free = name;
  while (PathIsTaken(folder + free) && win::PlatformLength(folder + free) < win::kLongPathLimit) free = "_" + free;
  return free;
}

bool SaveGraphicToNewFile(TGraphic& graphic, const std::string& path) {
  // Created once and written through the same handle: the name is claimed and filled in one go,
  // and only a file this call created may be deleted when the save fails.
  win::UniqueFile file(win::OpenFile(path, GENERIC_WRITE, 0, CREATE_NEW, FILE_ATTRIBUTE_NORMAL));
  if (!file) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS || PathIsTaken(path)) return false;
    throw EFCreateError(win::FormatMessageText("Cannot create file %s", path), error);
  }
  try {
    TFileStream stream(file.get());
    graphic.SaveToStream(stream);
  } catch (...) {
    file.reset();
    win::RemoveFile(path);
    throw;
  }
  return true;
}

std::string SaveGraphicToFreeName(TGraphic& graphic, const std::string& folder, const std::string& name) {
  // The name itself first: creating it refuses exactly what the search below would pass over,
  // and a look-up of a name that is not there costs a scan of the whole folder under Wine, so
  // a save into a folder of thousands of files no longer scans it twice for every file.
  if (SaveGraphicToNewFile(graphic, folder + name)) return folder + name;
  std::string candidate = name;
  for (;;) {
    const std::string free = FreeFileName(folder, candidate);
    const std::string path = folder + free;
    if (SaveGraphicToNewFile(graphic, path)) return path;
    // Every name up to the longest a path may be is taken.
    if (win::PlatformLength(path) >= win::kLongPathLimit)
      throw EFCreateError(win::FormatMessageText("Cannot create file %s", path), ERROR_FILE_EXISTS);
    // The name was taken after all: another program took it since the search, or something
    // there has no attributes to show (a link to nothing). Searching again from the same name
    // could find it "free" forever, so the search goes on past it.
    candidate = "_" + free;
  }
}
