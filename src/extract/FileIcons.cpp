// Icon reading through our own reader, shared by the window's run and the batch commands.
#include "extract/FileIcons.h"

#include <windows.h>

#include <optional>

#include "extract/ExtractHelpers.h"
#include "extract/LargeIcon.h"
#include "extract/Shortcuts.h"
#include "win/PathText.h"

FileIcons::FileIcons(const std::string& file, const std::string& windowsFolder, bool withCursors,
                     std::shared_ptr<ImagePicks> picks, std::optional<std::uint64_t> listedSize)
    : origin_(file), path_(file), caption_(pathtext::NamePart(file)), picks_(std::move(picks)) {
  if (!location::StoresLocation(file)) {
    file_ = iconres::LoadIconFile(file, windowsFolder, withCursors, listedSize);
    return;
  }
  first_ = end_ = 0;
  const std::optional<location::Location> where = location::StoredLocation(file);
  if (!where) {
    error_ = ERROR_INVALID_DATA;
    return;
  }
  path_ = where->path;
  file_ = iconres::LoadIconFile(path_, windowsFolder, withCursors);
  const std::optional<std::size_t> group = location::GroupFor(file_.contents, where->index);
  if (!group) {
    error_ = ERROR_RESOURCE_NAME_NOT_FOUND;
    return;
  }
  first_ = static_cast<int>(*group);
  end_ = first_ + 1;
}

unsigned long FileIcons::Error() const {
  if (file_.bytes.Error() != 0) return file_.bytes.Error();
  return error_;
}

const iconres::IconImage* FileIcons::Picked(int index, int size) const {
  if (index < 0 || index >= Count()) return nullptr;
  const auto [at, added] = picked_.try_emplace({index, size}, nullptr);
  if (added) at->second = PickedImage(file_, static_cast<size_t>(index), size, picks_.get());
  return at->second;
}

win::UniqueIcon FileIcons::Icon(int index, int size) const {
  // As MakeIcon makes it.
  const iconres::IconImage* image = Picked(index, size);
  return image ? file_.CreateIcon(*image, size, size) : win::UniqueIcon();
}

bool FileIcons::HasIcon(int index, int size) const {
  const iconres::IconImage* image = Picked(index, size);
  if (!image) return false;
  if (image->png) return static_cast<bool>(file_.CreateIcon(*image, size, size));
  return file_.Sound(*image);
}

win::UniqueIcon FileIcons::ShownIcon(int index, int size) const {
  if (index < 0 || index >= Count()) return win::UniqueIcon();
  return win::UniqueIcon(MakeShownIcon(file_, static_cast<size_t>(index), size));
}

ShownPicture FileIcons::Shown(int index, int size, bool plainTaken) const {
  if (index < 0 || index >= Count()) return {};
  return MakeShownPicture(file_, static_cast<size_t>(index), size, [&] { return Picked(index, size); }, plainTaken);
}
