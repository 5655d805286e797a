// The extraction run's icons for one group: the same two platform steps the shell's own
// extraction takes, on images the reader has already checked, and our own resampling where
// the list shows a size the file does not store.
#include "extract/LargeIcon.h"

#include <algorithm>
#include <vector>

#include "extract/IconScale.h"
#include "iconres/BitmapPixels.h"
#include "win/Handles.h"

namespace {

// Null for an image that is not sound (IconFile::Sound).
HICON IconFromImage(const iconres::IconFile& file, const iconres::IconImage& image, int cx, int cy) {
  return file.CreateIcon(image, cx, cy).release();
}

// A group directory's head and entries in resource form; an entry's id is its last two bytes.
constexpr std::size_t kHead = 6, kEntry = 14, kIdAt = 12;
// Enough for every directory shape of a large run; beyond it the platform is asked each time.
constexpr std::size_t kMostPicks = 4096;

std::uint16_t Word(const iconres::Bytes& bytes, std::size_t at) {
  return static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

std::uint16_t EntryId(const iconres::Bytes& directory, std::size_t place) {
  return Word(directory, kHead + place * kEntry + kIdAt);
}

// How many entries the directory holds, when it counts exactly those; else 0.
std::size_t Entries(const iconres::Bytes& directory) {
  if (directory.size() < kHead + kEntry) return 0;
  const std::size_t entries = Word(directory, 4);
  return directory.size() == kHead + entries * kEntry ? entries : 0;
}

}  // namespace

int ImagePicks::Pick(const iconres::Bytes& directory, int size) {
  const std::size_t entries = Entries(directory);
  if (entries == 0) return -1;
  // Asked with ids that number the entries, the rule's answer is the place itself.
  std::string key(reinterpret_cast<const char*>(directory.data()), directory.size());
  for (std::size_t place = 0; place < entries; ++place) {
    const std::size_t at = kHead + place * kEntry + kIdAt, number = place + 1;
    key[at] = static_cast<char>(number & 0xFF);
    key[at + 1] = static_cast<char>(number >> 8);
  }
  key.append(reinterpret_cast<const char*>(&size), sizeof size);
  {
    const std::lock_guard<std::mutex> hold(lock_);
    if (const auto found = places_.find(key); found != places_.end()) return found->second;
  }
  const int number =
      LookupIconIdFromDirectoryEx(reinterpret_cast<BYTE*>(key.data()), TRUE, size, size, LR_DEFAULTCOLOR);
  const int place = number >= 1 && static_cast<std::size_t>(number) <= entries ? number - 1 : -1;
  const std::lock_guard<std::mutex> hold(lock_);
  if (places_.size() < kMostPicks) places_.emplace(std::move(key), place);
  return place;
}

const iconres::IconImage* PickedImage(const iconres::IconFile& file, std::size_t group, int size, ImagePicks* picks) {
  if (group >= file.contents.groups.size() || size <= 0) return nullptr;
  const iconres::IconGroup& g = file.contents.groups[group];
  if (g.images.empty()) return nullptr;
  if (picks && Entries(g.directory) > 0) {
    const int place = picks->Pick(g.directory, size);
    return place < 0 ? nullptr : iconres::FindImage(g, EntryId(g.directory, static_cast<std::size_t>(place)));
  }
  // The directory holds exactly the entries it counts, so the lookup reads nothing beyond it.
  const int id = LookupIconIdFromDirectoryEx(const_cast<BYTE*>(g.directory.data()), TRUE, size, size, LR_DEFAULTCOLOR);
  return iconres::FindImage(g, static_cast<std::uint16_t>(id));
}

HICON MakeIcon(const iconres::IconFile& file, std::size_t group, int size) {
  const iconres::IconImage* image = PickedImage(file, group, size);
  return image ? IconFromImage(file, *image, size, size) : nullptr;
}

HICON MakeLargeIcon(const iconres::IconFile& file, std::size_t group) {
  return MakeIcon(file, group, GetSystemMetrics(SM_CXICON));
}

HICON MakeShownIcon(const iconres::IconFile& file, std::size_t group, int size) {
  ShownPicture picture = MakeShownPicture(file, group, size);
  if (picture.icon) return picture.icon.release();
  return picture.pixels.argb.empty() ? nullptr : iconscale::IconFromPixels(picture.pixels);
}

ShownPicture MakeShownPicture(const iconres::IconFile& file, std::size_t group, int size,
                              const std::function<const iconres::IconImage*()>& pick, bool plainTaken) {
  ShownPicture picture;
  if (group >= file.contents.groups.size() || size <= 0) return picture;
  // Only the chosen image is put to the platform's test (a PNG's is a whole decoding); one
  // that fails it is passed over and the choice made again.
  std::vector<const iconres::IconImage*> refused;
  const auto usable = [&](const iconres::IconImage& image) {
    return image.intact && std::find(refused.begin(), refused.end(), &image) == refused.end();
  };
  while (const iconres::IconImage* chosen = iconscale::ChooseImage(file.contents.groups[group], size, usable)) {
    if (chosen->width == size && chosen->height == size) {
      // The platform's pick among the images of this size, as at the saved sizes.
      const iconres::IconImage* picked = pick ? pick() : PickedImage(file, group, size);
      picture.icon.reset(picked ? IconFromImage(file, *picked, size, size) : nullptr);
      if (!picture.icon) picture.icon.reset(IconFromImage(file, *chosen, size, size));
      if (picture.icon) return picture;
    } else if ((plainTaken && iconres::PlainImage(file.Bytes(*chosen))) || file.Sound(*chosen)) {
      // The stored picture decoded where that can be done, else drawn from the platform's icon of it.
      iconscale::Pixels pixels = iconscale::StoredPixels(file, *chosen);
      if (pixels.argb.empty())
        if (win::UniqueIcon stored{IconFromImage(file, *chosen, chosen->width, chosen->height)})
          pixels = iconscale::IconPixels(stored.get(), chosen->width, chosen->height);
      if (!pixels.argb.empty()) {
        picture.pixels = iconscale::Resample(pixels, size, size);
        if (!picture.pixels.argb.empty()) return picture;
      }
    }
    refused.push_back(chosen);
  }
  return picture;
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
