// Icon locations: the index a group is named by, and the text both ways. See IconLocation.h.
#include "extract/IconLocation.h"

#include <charconv>

namespace location {
namespace {

bool IsProgram(iconres::FileKind kind) { return kind == iconres::FileKind::Pe32 || kind == iconres::FileKind::Pe32Plus; }

std::string_view Trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

// A whole signed number within int; none for anything else.
std::optional<int> Number(std::string_view text) {
  text = Trimmed(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool StartsWithFolder(const std::string& path, const std::string& folder) {
  if (folder.empty() || path.size() <= folder.size()) return false;
  for (std::size_t i = 0; i < folder.size(); ++i)
    if (Lower(path[i]) != Lower(folder[i])) return false;
  return path[folder.size()] == '\\';
}

}  // namespace

std::optional<int> IndexFor(const iconres::IconFileContents& contents, std::size_t group) {
  if (group >= contents.groups.size()) return std::nullopt;
  // Windows takes no location inside a package or an installer.
  if (contents.kind == iconres::FileKind::Package || contents.kind == iconres::FileKind::Installer)
    return std::nullopt;
  const bool program = IsProgram(contents.kind) || contents.kind == iconres::FileKind::Ne;
  if (group >= contents.icons) return program ? std::nullopt : std::optional<int>(static_cast<int>(group));
  const iconres::ResourceName& name = contents.groups[group].resource;
  // -1 asks ExtractIconEx for the count, not for the group with the id 1: that one goes by position.
  if (IsProgram(contents.kind) && name.id > 1) return -static_cast<int>(name.id);
  return static_cast<int>(group);
}

std::optional<std::size_t> GroupFor(const iconres::IconFileContents& contents, int index) {
  if (index >= 0) {
    if (static_cast<std::size_t>(index) < contents.icons) return static_cast<std::size_t>(index);
    return std::nullopt;
  }
  if (!IsProgram(contents.kind) || index < -0xFFFF) return std::nullopt;
  for (std::size_t i = 0; i < contents.icons && i < contents.groups.size(); ++i)
    if (contents.groups[i].resource.id == -index) return i;
  return std::nullopt;
}

std::string ResourceText(const iconres::ResourceName& name) {
  return name.id != 0 ? std::to_string(name.id) : name.name;
}

std::string Text(const Location& where, const std::string& windowsFolder) {
  std::string folder = windowsFolder;
  if (!folder.empty() && folder.back() == '\\') folder.pop_back();
  std::string path = where.path;
  if (StartsWithFolder(path, folder)) path = "%SystemRoot%" + path.substr(folder.size());
  if (path.find_first_of(" ,") != std::string::npos) path = "\"" + path + "\"";
  return path + "," + std::to_string(where.index);
}

std::optional<Location> Parse(std::string_view text) {
  text = Trimmed(text);
  Location where;
  if (!text.empty() && text.front() == '"') {
    const auto close = text.find('"', 1);
    if (close == std::string_view::npos) return std::nullopt;
    where.path = std::string(Trimmed(text.substr(1, close - 1)));
    const std::string_view rest = Trimmed(text.substr(close + 1));
    if (!rest.empty()) {
      const auto index = rest.front() == ',' ? Number(rest.substr(1)) : std::nullopt;
      if (!index) return std::nullopt;
      where.index = *index;
    }
  } else {
    // A comma followed by a number ends the path; any other comma belongs to it.
    const auto comma = text.rfind(',');
    const auto index = comma == std::string_view::npos ? std::nullopt : Number(text.substr(comma + 1));
    where.path = std::string(Trimmed(index ? text.substr(0, comma) : text));
    if (index) where.index = *index;
  }
  if (where.path.empty()) return std::nullopt;
  return where;
}

}  // namespace location
