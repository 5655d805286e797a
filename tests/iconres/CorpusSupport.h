// The files tools/make_icon_corpus.py writes beside the test programs, and small readers of them.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "fixtures/IconFixtures.h"

namespace corpus {

// corpus\good\ or corpus\damaged\ beside the test program, ending in a backslash.
inline std::string Folder(const std::string& which) { return fixtures::ProgramFolder() + "corpus\\" + which + "\\"; }

// Names of the plain files of a folder, in listing order.
inline std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found{};
  HANDLE find = FindFirstFileA((folder + "*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
  } while (FindNextFileA(find, &found));
  FindClose(find);
  return names;
}

}  // namespace corpus
