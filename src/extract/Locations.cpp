// Icon locations against the platform. See Locations.h.
#include "extract/Locations.h"

#include <windows.h>

#include "extract/LargeIcon.h"
#include "iconres/IconFile.h"
#include "win/LongPath.h"
#include "win/Text.h"

namespace location {

std::string WindowsFolder() {
  char path[MAX_PATH] = "";
  const UINT n = GetSystemWindowsDirectoryA(path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return {};
  return std::string(path, n);
}

std::string TextOf(const std::string& file, std::optional<int> index) {
  if (!index) return {};
  return Text({file, *index}, WindowsFolder());
}

Location Expanded(Location where, const std::string& folder) {
  const DWORD size = ExpandEnvironmentStringsA(where.path.c_str(), nullptr, 0);
  if (size > 0) {
    std::string expanded(size, '\0');
    const DWORD length = ExpandEnvironmentStringsA(where.path.c_str(), expanded.data(), size);
    if (length > 0 && length <= size) {
      expanded.resize(length - 1);
      where.path = expanded;
    }
  }
  const bool relative = !where.path.empty() && where.path[0] != '\\' && !(where.path.size() > 1 && where.path[1] == ':');
  if (relative && !folder.empty()) where.path = folder + where.path;
  const std::string full = win::FullPathName(where.path);
  if (!full.empty()) where.path = full;
  return where;
}

std::optional<Location> Read(const std::string& text) {
  const std::optional<Location> where = Parse(text);
  if (!where) return std::nullopt;
  return Expanded(*where);
}

bool IsLocationArgument(const std::string& text) {
  if (text.find_first_of(",\"%") == std::string::npos || !Parse(text)) return false;
  const std::string full = win::FullPathName(text);
  return full.empty() || win::FileAttributes(full) == INVALID_FILE_ATTRIBUTES;
}

std::optional<FoundIcon> Find(const std::string& text, std::string& error) {
  const std::optional<Location> where = Read(text);
  if (!where) {
    error = "\"" + text + "\" is no icon location";
    return std::nullopt;
  }
  const DWORD attributes = win::FileAttributes(where->path);
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    error = "cannot find the file " + where->path;
    return std::nullopt;
  }
  const iconres::IconFile file = iconres::LoadIconFile(where->path, MunWindowsFolder());
  const std::optional<std::size_t> group = GroupFor(file.contents, where->index);
  if (!group) {
    error = where->path + (where->index < 0 ? " holds no icon with the resource ID " + std::to_string(-where->index)
                                            : " holds no icon at position " + std::to_string(where->index));
    return std::nullopt;
  }
  return FoundIcon{where->path, *group};
}

}  // namespace location
