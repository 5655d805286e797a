// Reading a file into memory for the icon reader, and the system libraries' resource files.
#include "iconres/IconFile.h"

#include <windows.h>

#include <utility>

#include "iconres/PackageFile.h"
#include "iconres/SoundImage.h"
#include "win/Handles.h"
#include "win/LongPath.h"
#include "win/PathText.h"

namespace iconres {
namespace {

// The reason the last call failed; never "no error", so a failure is never taken for a read.
DWORD LastError() {
  const DWORD error = GetLastError();
  return error ? error : ERROR_READ_FAULT;
}

}  // namespace

FileBytes::FileBytes(const std::string& path, bool iconsOnly) {
  // Shared for reading only, as the shell opens it; a file that is being written is passed over.
  win::UniqueFile file(win::OpenFile(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL));
  if (!file) {
    error_ = LastError();
    return;
  }
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size)) {
    error_ = LastError();
    return;
  }
  if (size.QuadPart <= 0) return;  // empty: nothing to read, nothing failed
  if (iconsOnly) {
    if (static_cast<unsigned long long>(size.QuadPart) < kSmallestIconFile) return;
    // A head that cannot be read is left to the mapping, which says why as before.
    std::uint8_t head[kHeadBytes] = {};
    DWORD got = 0;
    if (ReadFile(file.get(), head, sizeof head, &got, nullptr) && !MayHoldIcons(ByteSpan(head, got))) return;
  }
  if (static_cast<unsigned long long>(size.QuadPart) > SIZE_MAX) {
    error_ = ERROR_FILE_TOO_LARGE;
    return;
  }
  // A view reads only the pages the reader touches: a large installer costs its headers and
  // resources, not its whole length.
  win::UniqueEvent mapping(CreateFileMappingA(file.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
  if (!mapping) {
    error_ = LastError();
    return;
  }
  view_ = MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 0);
  if (view_) size_ = static_cast<std::size_t>(size.QuadPart);
  else error_ = LastError();
}

FileBytes::FileBytes(FileBytes&& other) noexcept
    : view_(std::exchange(other.view_, nullptr)), size_(std::exchange(other.size_, 0)),
      owned_(std::move(other.owned_)), error_(std::exchange(other.error_, 0)) {}

FileBytes& FileBytes::operator=(FileBytes&& other) noexcept {
  if (this != &other) {
    Release();
    view_ = std::exchange(other.view_, nullptr);
    size_ = std::exchange(other.size_, 0);
    owned_ = std::move(other.owned_);
    error_ = std::exchange(other.error_, 0);
  }
  return *this;
}

FileBytes::~FileBytes() { Release(); }

void FileBytes::Release() {
  if (view_) UnmapViewOfFile(view_);
  view_ = nullptr;
  size_ = 0;
  owned_.clear();
}

bool IconFile::Sound(const IconImage& image) const {
  if (!image.intact) return false;
  const auto key = std::make_pair(image.offset, image.size);
  if (const auto known = verdicts.find(key); known != verdicts.end()) return known->second;
  const bool sound = JudgeImage(Bytes(image), image);
  verdicts.emplace(key, sound);
  return sound;
}

win::UniqueIcon IconFile::CreateIcon(const IconImage& image, int cx, int cy) const {
  const ByteSpan stored = Bytes(image);
  auto create = [&] { return IconFromStored(stored, cx, cy); };
  const auto key = std::make_pair(image.offset, image.size);
  if (image.intact && !image.png && image.width == cx && image.height == cy && !verdicts.count(key)) {
    win::UniqueIcon icon = create();
    verdicts.emplace(key, static_cast<bool>(icon));
    return icon;
  }
  return Sound(image) ? create() : win::UniqueIcon();
}

namespace {

std::string Lower(std::string s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return s;
}

}  // namespace

std::string ResourceFileFor(const std::string& file, const std::string& windowsFolder) {
  if (windowsFolder.empty()) return {};
  const std::string windows = pathtext::WithTrailingBackslash(windowsFolder);
  const std::string name = pathtext::NamePart(file);
  if (name.empty()) return {};
  const std::string folder = Lower(pathtext::DirectoryPart(file));
  const std::string lowWindows = Lower(windows);
  if (folder != lowWindows + "system32\\" && folder != lowWindows + "syswow64\\") return {};
  return windows + "SystemResources\\" + name + ".mun";
}

IconFile LoadIconFile(const std::string& path, const std::string& windowsFolder, bool withCursors,
                      std::optional<std::uint64_t> listedSize) {
  IconFile result;
  try {
    if (const Container container = ContainerOf(path); container != Container::None)
      return LoadContainer(path, container);
    // Too small to hold anything the reader finds: read as empty, as its bytes would be.
    if (!listedSize || *listedSize >= kSmallestIconFile) {
      result.bytes = FileBytes(path, true);
      result.contents = ReadIconGroups(result.bytes.Span(), withCursors);
    }
    if (result.contents.icons == 0) {
      const std::string mun = ResourceFileFor(path, windowsFolder);
      if (!mun.empty()) {
        IconFile redirected;
        redirected.bytes = FileBytes(mun);
        redirected.contents = ReadIconGroups(redirected.bytes.Span(), withCursors);
        if (redirected.contents.icons > 0) result = std::move(redirected);
      }
    }
  } catch (const std::exception&) {
    // Out of memory for one file's directories: that file holds no icons, the run goes on.
    result = IconFile();
  }
  return result;
}

}  // namespace iconres
