// What a save left behind: the names in a folder, and numbers read from a saved file's bytes.
#pragma once
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "win/Handles.h"

namespace saved {

// Every name in a folder, "name/" for folders, sorted.
inline std::vector<std::string> Listing(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA fd;
  win::UniqueFind find(FindFirstFileA((folder + "*").c_str(), &fd));
  if (find) {
    do {
      std::string name = fd.cFileName;
      if (name == "." || name == "..") continue;
      names.push_back(name + ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? "/" : ""));
    } while (FindNextFileA(find.get(), &fd));
  }
  std::sort(names.begin(), names.end());
  return names;
}

// A file's bytes; none when it cannot be read.
inline std::vector<uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// A little-endian 32-bit number at a byte offset.
inline int32_t Int32At(const std::vector<uint8_t>& b, size_t at) {
  return static_cast<int32_t>(b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24);
}

}  // namespace saved
