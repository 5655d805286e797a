// The extraction run as one pipeline, for the window, the command line and the bench alike:
// the folder's files listed once (flat or with sub-folders), the type filter, each file read
// once through the icon reader, then its icons in index order.
#pragma once
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "extract/FileIcons.h"
#include "extract/StoredImages.h"
#include "iconres/IconFile.h"
#include "win/Handles.h"

// Whether the run reads a file: the type filter, asked when the run reaches the file.
using FileFilter = std::function<bool(const std::string& file)>;

// The type filter for fixed options (see PassesTypeFilter).
FileFilter TypeFilter(std::string fileTypes, bool extractFromAll);

// One icon index of a file as the run gives it.
struct RunIcon {
  // Why the run does not list an icon: the file stores no sound image for it, or the run's
  // IconFilter leaves it out (too small, or the same as an icon listed before).
  enum class Refusal { None, NoSoundImage, LeftOut };

  int index = -1;                             // the icon's index in its file (the shell's numbering)
  const iconres::IconGroup* group = nullptr;  // its stored images; valid while the file is current
  win::UniqueIcon icon;                       // at the saved large size, 32 x 32; none when refused,
                                              // or when the run makes none (SetMakeIcons)
  Refusal refusal = Refusal::None;

  bool Listed() const { return refusal == Refusal::None; }
};

class IconRun {
 public:
  // The order the files are read in: as listed (folder by folder, names in the listing's
  // order), or by caption as the window's list shows its entries in the end.
  enum class Order { Listing, Caption };

  // Lists the files of folder (ending in "\"), with includeSubs those of every visible
  // sub-folder too. Raises what the listing raises.
  // filter: what the run lists beyond the file types (see IconFilter); none lists every icon
  // with a sound image. It must outlive the run.
  // stopped: asked while the files are listed; once it answers true the listing ends early
  // with the files found so far (a run that was told to stop reads none of them).
  IconRun(const std::string& folder, bool includeSubs, Order order = Order::Listing,
          storedimages::IconFilter* filter = nullptr, const std::function<bool()>& stopped = nullptr);
  // A run over the files given (full paths), in that order: one file a command names.
  IconRun(std::vector<std::string> files, storedimages::IconFilter* filter);
  IconRun(const IconRun&) = delete;
  IconRun& operator=(const IconRun&) = delete;

  // With cursors, each file's cursor groups and animated cursors follow its icons. Before the
  // first NextFile.
  void SetIncludeCursors(bool include) { withCursors_ = include; }
  // Without icons, each icon is judged as listed or refused exactly as with them, but RunIcon's
  // icon is not made: for a caller that writes only what the file stores, or lists it.
  void SetMakeIcons(bool make) { makeIcons_ = make; }
  // For a caller that keeps only the icons listed, not what is wrong with a file that lists
  // none (its damage, or that it cannot be read): a file too small to list one
  // (iconres::kSmallestListedIconFile) is then not even opened, nor made current, unless its
  // icon lives in another file. Before the first NextFile.
  void SetListedOnly(bool only) { smallest_ = only ? iconres::kSmallestListedIconFile : iconres::kSmallestIconFile; }

  // Every listed file in the run's order, before the type filter.
  const std::vector<std::string>& Files() const { return files_; }
  // The listed files that pass the filter, in the run's order.
  std::vector<std::string> Passing(const FileFilter& passes) const;

  // Reads the next listed file that passes the filter (asked now, so it may change during a
  // run) and makes it current; false after the last one. A damaged file holds fewer icons and
  // never ends the run.
  bool NextFile(const FileFilter& passes);
  // How many of Files() NextFile has gone through, passed over or read.
  std::size_t FilesGone() const { return next_; }
  // The current file. Only after NextFile gave true.
  const FileIcons& File() const { return *current_; }
  // The current file, kept for whoever still needs it after the run has moved on.
  std::shared_ptr<const FileIcons> SharedFile() const { return current_; }
  // The current file's next icon index, refused ones included; false after its last.
  bool NextIcon(RunIcon& icon);
  // The files read so far that could not be opened or read, in the run's order.
  const std::vector<std::string>& Unreadable() const { return unreadable_; }

 private:
  // The one place where the run decides whether an icon is listed.
  void Judge(RunIcon& icon);

  std::vector<std::string> files_;
  // The sizes of the listed files smaller than iconres::kSmallestListedIconFile; those smaller
  // than smallest_ are never opened.
  std::unordered_map<std::string, std::uint64_t> small_;
  std::size_t smallest_ = iconres::kSmallestIconFile;
  std::string windowsFolder_;
  storedimages::IconFilter* filter_ = nullptr;
  bool withCursors_ = false, makeIcons_ = true;
  std::size_t next_ = 0;
  std::shared_ptr<FileIcons> current_;
  std::shared_ptr<ImagePicks> picks_ = std::make_shared<ImagePicks>();
  int nextIndex_ = 0;
  std::vector<std::string> unreadable_;
};

// The files one command saves from. The list keeps a file's icons next to each other, so
// holding only the file in hand reads each file once per command, without keeping a view of
// every file mapped (a large save would exhaust the 32-bit program's address space). Files are
// read with their cursors, which follow the icons, so every index the run gave is there.
class SourceFiles {
 public:
  // The file as the reader reads it; asking for the same file again gives the same reading.
  const iconres::IconFile& Read(const std::string& path);

 private:
  std::string windowsFolder_;
  bool looked_ = false;
  std::string path_;
  iconres::IconFile file_;
};
