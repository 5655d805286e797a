// The icons of one file as the extraction run reads them: the file read once, then each index.
#pragma once
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "extract/LargeIcon.h"
#include "iconres/IconFile.h"
#include "win/Handles.h"

// Used by one thread at a time.
class FileIcons {
 public:
  // windowsFolder: MunWindowsFolder(), looked up once per run. withCursors: an executable's
  // cursors follow its icons (which keep their indexes either way, so a file read again for an
  // entry the run listed has every index the run gave). picks: the platform's picks kept
  // across the run's files, if any.
  // listedSize: the file's size from its folder's listing, where known (see LoadIconFile).
  FileIcons(const std::string& file, const std::string& windowsFolder, bool withCursors = true,
            std::shared_ptr<ImagePicks> picks = nullptr, std::optional<std::uint64_t> listedSize = std::nullopt);
  FileIcons(const FileIcons&) = delete;
  FileIcons& operator=(const FileIcons&) = delete;
  // The file's path and its name part, which is the caption of its entries. A shortcut, an
  // Internet shortcut or a desktop.ini (see Shortcuts.h) is read as the one icon it shows: the
  // path is then that icon's file, the caption still the name of the file listed (Origin).
  const std::string& Path() const { return path_; }
  const std::string& Caption() const { return caption_; }
  // The caption of the entry at index: a package's app name or an installer's row name, else
  // Caption().
  const std::string& Caption(int index) const {
    const std::string& own = Group(index).caption;
    return own.empty() ? caption_ : own;
  }
  const std::string& Origin() const { return origin_; }
  // The indexes the run lists: every one, or for a shortcut the one it shows (none when it
  // shows nothing that can be read).
  int First() const { return first_; }
  int End() const { return end_ < 0 ? Count() : end_; }
  // Why the file could not be read (a system error code), 0 when it was: for a shortcut also
  // when it stores no location, or its file holds no such icon.
  unsigned long Error() const;
  // How many icon indexes the file has (its cursors after its icons, when read with them); 0 for
  // a file without icons or one that cannot be read.
  int Count() const { return static_cast<int>(file_.Count()); }
  // The text of an index: "3", or "cursor 0" for the file's first cursor.
  std::string IndexText(int index) const { return iconres::IndexText(file_.contents, static_cast<size_t>(index)); }
  // The group at index: the images the file stores for that icon. index < Count().
  const iconres::IconGroup& Group(int index) const { return file_.contents.groups.at(static_cast<size_t>(index)); }
  // The icon at index at size x size (by default the saved large size), as the platform picks
  // and scales it; none when its group holds no sound image (a gap in the numbering).
  win::UniqueIcon Icon(int index, int size = kSavedLargeSize) const;
  // Whether Icon(index, size) gives one, without making it where the verdict on the picked
  // image answers that: a sound bitmap image is made at any size. A PNG image is still made.
  bool HasIcon(int index, int size = kSavedLargeSize) const;
  // The stored image the platform's best-match rule picks at index for size x size (PickedImage),
  // asked once per index and size: the platform takes its time to answer.
  const iconres::IconImage* Picked(int index, int size) const;
  // The icon at index as the list shows it at size x size (see MakeShownIcon).
  win::UniqueIcon ShownIcon(int index, int size) const;
  // The same, where resampled, as its pixels (see MakeShownPicture).
  ShownPicture Shown(int index, int size, bool plainTaken = false) const;
  // The groups and their stored images, for the kinds saved as the file stores them.
  const iconres::IconFile& File() const { return file_; }

 private:
  std::string origin_, path_, caption_;
  int first_ = 0, end_ = -1;
  unsigned long error_ = 0;
  iconres::IconFile file_;
  std::shared_ptr<ImagePicks> picks_;
  mutable std::map<std::pair<int, int>, const iconres::IconImage*> picked_;
};
