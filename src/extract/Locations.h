// Icon locations against the platform: the Windows folder they name as %SystemRoot%, and the
// environment variables they may hold.
#pragma once
#include <cstddef>
#include <optional>
#include <string>

#include "extract/IconLocation.h"

namespace location {

// The Windows folder, as %SystemRoot% names it; empty when the platform gives none.
std::string WindowsFolder();

// The location of an icon of file at index (see IndexFor) as Windows writes it; empty without
// an index.
std::string TextOf(const std::string& file, std::optional<int> index);

// The location with its environment variables expanded and its path made full; a relative
// path is taken from folder where one is given.
Location Expanded(Location where, const std::string& folder = {});

// A location as a user or a file writes it, Expanded. None when it is no location (see Parse).
std::optional<Location> Read(const std::string& text);

// Whether a command-line argument is meant as a location: it names no file or folder as it
// stands, and holds a quote, a comma or an environment variable.
bool IsLocationArgument(const std::string& text);

// The icon a location names: its file (a full path) and the group there.
struct FoundIcon {
  std::string path;
  std::size_t group = 0;
};
// None when the text is no location, the file is not there, or it holds no such icon; error
// then says which, naming the file or the icon ("cannot find the file ...").
std::optional<FoundIcon> Find(const std::string& text, std::string& error);

}  // namespace location
