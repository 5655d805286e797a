// The extraction run's one pipeline: listing, type filter, reading, the icons of each file.
#include "extract/IconRun.h"

#include <algorithm>
#include <utility>

#include "extract/AllFilesIterator.h"
#include "extract/ExtractHelpers.h"
#include "extract/LargeIcon.h"
#include "extract/Shortcuts.h"
#include "win/PathText.h"

FileFilter TypeFilter(std::string fileTypes, bool extractFromAll) {
  return [fileTypes = std::move(fileTypes), extractFromAll](const std::string& file) {
    return PassesTypeFilter(file, fileTypes, extractFromAll);
  };
}

IconRun::IconRun(const std::string& folder, bool includeSubs, Order order, storedimages::IconFilter* filter,
                 const std::function<bool()>& stopped)
    : filter_(filter) {
  TStringList listed;
  ListRunFiles(folder, includeSubs, listed, stopped, [this](const std::string& dir, const TFoundEntry& found) {
    // A link's listed size is its own, not its target's.
    if (found.size < iconres::kSmallestListedIconFile && !(found.attributes & FILE_ATTRIBUTE_REPARSE_POINT))
      small_.emplace(dir + found.name, found.size);
    return true;
  });
  files_ = listed.Strings();
  // Entries of the same caption keep the order they were listed in, as in the window's list.
  if (order == Order::Caption)
    std::stable_sort(files_.begin(), files_.end(), [](const std::string& a, const std::string& b) {
      return CompareCaptions(pathtext::NamePart(a).c_str(), pathtext::NamePart(b).c_str()) < 0;
    });
  windowsFolder_ = MunWindowsFolder();
}

IconRun::IconRun(std::vector<std::string> files, storedimages::IconFilter* filter)
    : files_(std::move(files)), windowsFolder_(MunWindowsFolder()), filter_(filter) {}

std::vector<std::string> IconRun::Passing(const FileFilter& passes) const {
  std::vector<std::string> files;
  for (const std::string& file : files_)
    if (passes(file)) files.push_back(file);
  return files;
}

bool IconRun::NextFile(const FileFilter& passes) {
  current_.reset();
  while (next_ < files_.size()) {
    const std::string& file = files_[next_++];
    if (!passes(file)) continue;
    const auto size = small_.find(file);
    const bool tooSmall = size != small_.end() && size->second < smallest_;
    // Nothing is kept of a file too small to list an icon, unless its icon lives elsewhere: the
    // file a shortcut names, or a system file's .mun.
    if (tooSmall && smallest_ == iconres::kSmallestListedIconFile && !location::StoresLocation(file) &&
        iconres::ResourceFileFor(file, windowsFolder_).empty())
      continue;
    const std::optional<std::uint64_t> small = tooSmall ? std::optional<std::uint64_t>(0) : std::nullopt;
    current_ = std::make_shared<FileIcons>(file, windowsFolder_, withCursors_, picks_, small);
    if (current_->Error() != 0) unreadable_.push_back(file);
    nextIndex_ = current_->First();
    return true;
  }
  return false;
}

bool IconRun::NextIcon(RunIcon& icon) {
  if (!current_ || nextIndex_ >= current_->End()) return false;
  icon = RunIcon{};
  icon.index = nextIndex_++;
  icon.group = &current_->Group(icon.index);
  Judge(icon);
  return true;
}

void IconRun::Judge(RunIcon& icon) {
  // A group without a sound image at the large size is refused: a gap in the numbering.
  if (makeIcons_) icon.icon = current_->Icon(icon.index);
  if (makeIcons_ ? !icon.icon : !current_->HasIcon(icon.index)) {
    icon.refusal = RunIcon::Refusal::NoSoundImage;
    return;
  }
  // Only icons the run would list are asked about, so only they count as listed before.
  if (filter_ && !filter_->Accepts(current_->Path(), current_->File(), static_cast<std::size_t>(icon.index))) {
    icon.refusal = RunIcon::Refusal::LeftOut;
    icon.icon.reset();
  }
}

const iconres::IconFile& SourceFiles::Read(const std::string& path) {
  if (looked_ && path == path_) return file_;
  if (!looked_) {
    windowsFolder_ = MunWindowsFolder();
    looked_ = true;
  }
  file_ = iconres::LoadIconFile(path, windowsFolder_, true);
  path_ = path;
  return file_;
}
