// The icon the extraction run shows for one icon group of a file.
#pragma once
#include <windows.h>

#include <cstddef>
#include <string>

#include "iconres/IconFile.h"

// The group's image that the platform's best-match rule picks for the system's large icon
// size, made into an icon of that size; null when the group has no such image or its image is
// not sound (IconFile::Sound). The caller owns the icon.
HICON MakeLargeIcon(const iconres::IconFile& file, std::size_t group);

// The windows folder when it has a SystemResources folder, where its System32 and SysWOW64
// libraries may keep their icons; else empty, so no file is looked for there.
std::string MunWindowsFolder();
