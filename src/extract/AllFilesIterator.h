// Lists the candidate files of a folder, flat or by a depth-first walk of its visible sub-folders.
#pragma once
#include <functional>
#include <string>
#include <vector>
#include <windows.h>

// An ordered list of texts. In sorted mode it keeps its entries in locale-aware,
// case-insensitive order; switching sorted mode on sorts everything already in it.
class TStringList {
 public:
  bool Sorted() const { return sorted_; }
  void SetSorted(bool sorted);

  int Count() const { return static_cast<int>(items_.size()); }
  bool Empty() const { return items_.empty(); }
  const std::string& operator[](int index) const { return items_.at(static_cast<size_t>(index)); }
  const std::vector<std::string>& Strings() const { return items_; }
  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

  // Appends; in sorted mode the entry goes to its place in the order instead.
  int Add(std::string text);
  // Positional insert; not allowed in sorted mode, where position is the list's to choose.
  void Insert(int index, std::string text);
  void Delete(int index);
  void Clear() { items_.clear(); }

  // Locale-aware in the user's default locale, ignoring case: <0, 0, >0.
  static int Compare(const std::string& a, const std::string& b);

 private:
  std::vector<std::string> items_;
  bool sorted_ = false;
};

// One entry a directory search found: its name as the ANSI calls open it (the short 8.3 name
// where the code page cannot spell the name), its attributes and size.
struct TFoundEntry {
  std::string name;
  DWORD attributes = 0;
  ULONGLONG size = 0;
};

// Acceptance test for one search entry: the directory part of the search and the entry found.
using TAcceptEntry = std::function<bool(const std::string& dir, const TFoundEntry& found)>;

// Adds the files matching mask (hidden, system and read-only ones too) to list, as full
// paths or bare names; leaves the list in sorted mode. Once stopped answers true, the search
// ends with what it has.
void ListFiles(const std::string& mask, TStringList& list, bool namesOnly,
               const TAcceptEntry& acceptFile = nullptr, const std::function<bool()>& stopped = nullptr);

// Adds the visible sub-folders of folder (ending in "\") to list, each ending in "\";
// leaves the list in sorted mode.
void ListSubFolders(const std::string& folder, TStringList& list,
                    const TAcceptEntry& acceptFolder = nullptr);

// Empties both lists, then walks the folder tree below the directory part of start depth-first:
// folders receives every folder visited (start first), files every file, folder by folder.
// A folder reached a second time (through a link or junction) is not walked again.
// stopped, asked per entry and per folder, ends the walk early with what was listed so far.
void ListAllFiles(const std::string& start, TStringList& files, TStringList& folders,
                  const TAcceptEntry& acceptFile = nullptr,
                  const TAcceptEntry& acceptFolder = nullptr,
                  const std::function<bool()>& stopped = nullptr);

// The files an extraction run of folder (ending in "\") reads, before the type filter: the
// folder's own files, or with includeSubs those of every visible sub-folder too. Once stopped
// answers true, the listing ends soon with what it has.
// acceptFile, where given, is asked about each file found (its size among what it is told).
void ListRunFiles(const std::string& folder, bool includeSubs, TStringList& files,
                  const std::function<bool()>& stopped = nullptr, const TAcceptEntry& acceptFile = nullptr);
