// Icon locations as Windows writes them: a file and a position ("shell32.dll,4") or, with a
// minus sign, the resource id of its icon group ("imageres.dll,-184"). The registry's
// DefaultIcon values, desktop.ini, shortcuts and ExtractIconEx all take them. Pure text and
// reader data, no platform calls, so it also builds natively for fuzzing.
#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "iconres/IconResources.h"

namespace location {

struct Location {
  std::string path;
  int index = 0;  // a position from 0, or minus a group's resource id
};

// The index that names group of a file's contents in a location: minus its id for an icon
// group of a 32- or 64-bit program with a numeric id (the form Windows' own values use: an id
// stays when a new version adds icons); its position for a named group, the group with the id 1
// (ExtractIconEx takes -1 as a question for the count), an .ico, .cur or .ani file, and a 16-bit
// file, where the platform reads positions only. None for the cursors inside
// programs, which no location names.
std::optional<int> IndexFor(const iconres::IconFileContents& contents, std::size_t group);

// Which group of contents a location's index names: a position among the icons, or the icon
// group with that id. None when there is no such icon.
std::optional<std::size_t> GroupFor(const iconres::IconFileContents& contents, int index);

// The Resource column's text: "184", or the group's name; empty where the file has no ids.
std::string ResourceText(const iconres::ResourceName& name);

// A location's text: the path with the Windows folder written as %SystemRoot% (as Windows' own
// values write it; windowsFolder may end with a backslash, empty leaves the path as it is),
// quoted when it holds a space or a comma (where a command or a list would split it), then
// ",index".
std::string Text(const Location& where, const std::string& windowsFolder);

// Reads a location as Windows writes it: quoted or not, ",position", ",-id", or no index
// (meaning the first icon). Environment variables are left for the caller to expand. None for
// an empty path or a quote left open.
std::optional<Location> Parse(std::string_view text);

}  // namespace location
