// Files that store an icon location rather than icons: shortcuts (.lnk, through the platform's
// shell link object), Internet shortcuts (.url: IconFile and IconIndex) and a folder's
// desktop.ini (IconResource, or IconFile and IconIndex). Each shows one icon, which lives in
// another file.
#pragma once
#include <optional>
#include <string>

#include "extract/IconLocation.h"

namespace location {

// Whether the run resolves this file to the icon it shows, by its name.
bool StoresLocation(const std::string& file);

// The icon a shortcut, Internet shortcut or desktop.ini shows: its own icon location, else (a
// shortcut) its target's first icon. Relative paths are taken from the file's folder. Only one
// step is taken: a location naming another such file is not followed, so none can lead round
// in a circle. None when the file stores no location it can be read from.
std::optional<Location> StoredLocation(const std::string& file);

}  // namespace location
