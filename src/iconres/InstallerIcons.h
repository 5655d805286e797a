// The icons an installer (.msi) carries for the shortcuts and the entry in the list of programs
// it will make: the rows of its Icon table, each a whole .ico or program file, read through the
// platform's installer database functions.
#pragma once
#include <string>
#include <vector>

#include "iconres/IconResources.h"

namespace iconres::installer {

// Limits no real installer comes near.
constexpr std::size_t kMaxRows = 1024, kMaxRowBytes = 32u << 20, kMaxTotalBytes = 128u << 20;

struct IconRow {
  std::string name;  // the row's key, as shortcuts name it ("AppIcon.ico")
  Bytes data;
};

struct InstallerIcons {
  std::vector<IconRow> rows;
  std::string productIcon;  // the ARPPRODUCTICON property: the row the list of programs shows
  unsigned long error = 0;  // why the database could not be opened (a system error code)
  bool damaged = false;     // a row could not be read, or the limits were met
};

// The Icon table of the installer at `path`; no rows for a database without one.
InstallerIcons ReadInstallerIcons(const std::string& path);

// The rows' icons as one file's groups over `buffer`, which receives every row's bytes: each
// row read as the file it holds, its groups captioned with its name; the product's own icon
// says so in its type.
IconFileContents InstallerGroups(const InstallerIcons& icons, Bytes& buffer);

}  // namespace iconres::installer
