// Reads the text entries of a file's version resource through version.dll.
#include "about/GetFileVerInfo.h"

#include <optional>
#include <windows.h>

#include "about/VersionText.h"

namespace {

// The file's whole version block, read afresh each time; empty when it has none.
std::vector<char> ReadVersionBlock(const std::string& fileName) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(fileName.c_str(), &ignored);
  if (size == 0) return {};
  std::vector<char> block(size, 0);
  // A block that could not be read would only answer queries with zeros: treat it as absent.
  if (!GetFileVersionInfoA(fileName.c_str(), 0, size, block.data())) return {};
  return block;
}

// The entry for one key, or nothing when the string table lacks it.
std::optional<std::string> QueryKey(std::vector<char>& block, std::size_t index) {
  const std::string path = std::string(VersionQueryPrefix) + VersionKeys[index];
  void* value = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(block.data(), path.c_str(), &value, &length) || value == nullptr) {
    return std::nullopt;
  }
  return VersionEntryText(block.data(), block.size(), static_cast<const char*>(value), length);
}

}  // namespace

void GetVersionStrings(const std::string& fileName, std::vector<std::string>& list) {
  std::vector<char> block = ReadVersionBlock(fileName);
  if (block.empty()) return;
  for (std::size_t i = 0; i < VersionKeys.size(); ++i) {
    if (auto entry = QueryKey(block, i)) list.push_back(std::move(*entry));
  }
}

std::string GetVersionString(const std::string& fileName, int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= VersionKeys.size()) return {};
  std::vector<char> block = ReadVersionBlock(fileName);
  if (block.empty()) return {};
  return QueryKey(block, static_cast<std::size_t>(index)).value_or(std::string());
}
