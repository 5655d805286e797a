// Flat file listing, visible sub-folder listing and the depth-first walk over both.
#include "extract/AllFilesIterator.h"

#include <algorithm>
#include <cstdio>
#include <set>
#include <stdexcept>
#include <utility>

#include "win/Handles.h"
#include "win/LongPath.h"
#include "win/PathText.h"
#include "win/Text.h"

namespace {

// The old volume-label attribute bit, which the SDK no longer names.
constexpr DWORD kVolumeLabel = 0x08;

bool IsDotEntry(const std::string& name) { return name == "." || name == ".."; }

// The entry as the listings work with it. Its name is the ANSI spelling when the code page
// holds every character of it (always, where the code page is UTF-8); the ANSI calls would put
// '?' or a look-alike letter (the system's "best fit") in place of the others, and such a name
// opens nothing, or another file. Such a name is replaced by the entry's short 8.3 name, which
// the ANSI calls open; false when there is none either.
bool ToEntry(const WIN32_FIND_DATAW& wide, TFoundEntry& found) {
  found.attributes = wide.dwFileAttributes;
  found.size = (static_cast<ULONGLONG>(wide.nFileSizeHigh) << 32) | wide.nFileSizeLow;
  if (win::ExactNarrow(wide.cFileName, found.name)) return true;
  return wide.cAlternateFileName[0] && win::ExactNarrow(wide.cAlternateFileName, found.name);
}

// Runs one directory search, handing each entry that survives the attribute filter to f.
// The search runs on wide names so that a name outside the code page can be told apart;
// an entry no ANSI name reaches is left out. A mask that cannot be searched yields nothing.
template <class F>
void Search(const std::string& mask, F f, const std::function<bool()>& stopped = nullptr) {
  const std::wstring wideMask = win::FilePath(mask);
  if (wideMask.empty()) return;
  WIN32_FIND_DATAW wide{};
  win::UniqueFind find(FindFirstFileW(wideMask.c_str(), &wide));
  if (!find) return;
  TFoundEntry found;
  do {
    if (stopped && stopped()) return;
    if (ToEntry(wide, found)) f(found);
  } while (FindNextFileW(find.get(), &wide));
}

// Identity of a folder that survives different spellings of its path (links, junctions,
// 8.3 names): volume serial and file index; the upper-cased path when those cannot be read.
std::string FolderIdentity(const std::string& folder) {
  win::UniqueFile dir(win::OpenFile(folder, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS));
  BY_HANDLE_FILE_INFORMATION info{};
  if (dir && GetFileInformationByHandle(dir.get(), &info)) {
    char id[64];
    std::snprintf(id, sizeof id, "id:%08lx:%08lx%08lx",
                  static_cast<unsigned long>(info.dwVolumeSerialNumber),
                  static_cast<unsigned long>(info.nFileIndexHigh),
                  static_cast<unsigned long>(info.nFileIndexLow));
    return id;
  }
  std::string key = "path:" + folder;
  CharUpperBuffA(key.data(), static_cast<DWORD>(key.size()));
  return key;
}

// The entries ListFiles and ListSubFolders keep.
bool IsListedFile(const std::string& dir, const TFoundEntry& found, const TAcceptEntry& acceptFile) {
  if (found.attributes & (FILE_ATTRIBUTE_DIRECTORY | kVolumeLabel)) return false;
  return !acceptFile || acceptFile(dir, found);
}
bool IsListedFolder(const std::string& dir, const TFoundEntry& found, const TAcceptEntry& acceptFolder) {
  const DWORD attrs = found.attributes;
  if (attrs & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | kVolumeLabel)) return false;
  if (!(attrs & FILE_ATTRIBUTE_DIRECTORY) || IsDotEntry(found.name)) return false;
  return !acceptFolder || acceptFolder(dir, found);
}

// A folder's files and visible sub-folders, each list sorted as ListFiles and ListSubFolders
// sort theirs, from one search: a walk reads each folder once.
void ListFolder(const std::string& dir, TStringList& files, TStringList& subs, const TAcceptEntry& acceptFile,
                const TAcceptEntry& acceptFolder, const std::function<bool()>& stopped) {
  files.SetSorted(false);
  files.Clear();
  subs.SetSorted(false);
  subs.Clear();
  Search(dir + "*.*", [&](const TFoundEntry& found) {
    if (IsListedFile(dir, found, acceptFile)) files.Add(dir + found.name);
    else if (IsListedFolder(dir, found, acceptFolder)) subs.Add(dir + found.name + '\\');
  }, stopped);
  files.SetSorted(true);
  subs.SetSorted(true);
}

}  // namespace

void TStringList::SetSorted(bool sorted) {
  if (sorted && !sorted_) {
    // A sort key per entry, made once, orders the list as Compare does: a listing of thousands
    // of files no longer converts and compares each name a dozen times and more.
    std::vector<std::pair<std::string, std::string>> keyed;
    keyed.reserve(items_.size());
    bool keys = true;
    for (const std::string& item : items_) {
      keyed.emplace_back(win::SortKey(item, NORM_IGNORECASE), std::string());
      if (keyed.back().first.empty()) {
        keys = false;
        break;
      }
    }
    if (keys) {
      for (std::size_t i = 0; i < items_.size(); ++i) keyed[i].second = std::move(items_[i]);
      std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
      for (std::size_t i = 0; i < items_.size(); ++i) items_[i] = std::move(keyed[i].second);
    } else {
      std::stable_sort(items_.begin(), items_.end(),
                       [](const std::string& a, const std::string& b) { return Compare(a, b) < 0; });
    }
  }
  sorted_ = sorted;
}

int TStringList::Add(std::string text) {
  if (!sorted_) {
    items_.push_back(std::move(text));
    return Count() - 1;
  }
  auto at = std::upper_bound(items_.begin(), items_.end(), text,
                             [](const std::string& a, const std::string& b) { return Compare(a, b) < 0; });
  at = items_.insert(at, std::move(text));
  return static_cast<int>(at - items_.begin());
}

void TStringList::Delete(int index) {
  if (index < 0 || index >= Count()) throw std::out_of_range("List index out of bounds");
  items_.erase(items_.begin() + index);
}

void TStringList::Insert(int index, std::string text) {
  if (sorted_) throw std::logic_error("Operation not allowed on sorted list");
  if (index < 0 || index > Count()) throw std::out_of_range("List index out of bounds");
  items_.insert(items_.begin() + index, std::move(text));
}

int TStringList::Compare(const std::string& a, const std::string& b) {
  return win::CompareText(a, b, NORM_IGNORECASE);
}

void ListFiles(const std::string& mask, TStringList& list, bool namesOnly,
               const TAcceptEntry& acceptFile, const std::function<bool()>& stopped) {
  list.SetSorted(false);
  const std::string dir = pathtext::DirectoryPart(mask);
  Search(mask, [&](const TFoundEntry& found) {
    if (IsListedFile(dir, found, acceptFile)) list.Add(namesOnly ? std::string(found.name) : dir + found.name);
  }, stopped);
  list.SetSorted(true);
}

void ListSubFolders(const std::string& folder, TStringList& list, const TAcceptEntry& acceptFolder) {
  list.SetSorted(false);
  const std::string dir = pathtext::DirectoryPart(folder);
  Search(dir + "*.*", [&](const TFoundEntry& found) {
    if (IsListedFolder(dir, found, acceptFolder)) list.Add(dir + found.name + '\\');
  });
  list.SetSorted(true);
}

void ListAllFiles(const std::string& start, TStringList& files, TStringList& folders,
                  const TAcceptEntry& acceptFile, const TAcceptEntry& acceptFolder,
                  const std::function<bool()>& stopped) {
  files.SetSorted(false);
  files.Clear();
  folders.SetSorted(false);
  folders.Clear();

  // Links and junctions can lead back to an ancestor or across to another folder of the tree:
  // the first visit in walking order wins, a later one is dropped from the folder list, so
  // the walk ends and no file is listed twice.
  std::set<std::string> visited;
  TStringList found, subs;
  folders.Add(pathtext::WithTrailingBackslash(pathtext::DirectoryPart(start)));

  int index = 0;
  while (index < folders.Count()) {
    if (stopped && stopped()) break;
    const std::string current = folders[index];
    if (!visited.insert(FolderIdentity(current)).second) {
      folders.Delete(index);
      continue;
    }

    ListFolder(current, found, subs, acceptFile, acceptFolder, stopped);
    for (const std::string& f : found) files.Add(f);
    if (stopped && stopped()) break;
    int at = index + 1;
    for (const std::string& sub : subs) folders.Insert(at++, sub);
    ++index;
  }
}

void ListRunFiles(const std::string& folder, bool includeSubs, TStringList& files,
                  const std::function<bool()>& stopped, const TAcceptEntry& acceptFile) {
  if (includeSubs) {
    TStringList folders;
    ListAllFiles(folder, files, folders, acceptFile, nullptr, stopped);
  } else {
    ListFiles(folder + "*.*", files, false, acceptFile, stopped);
  }
}
