// Folder paths for the folder tree: normalising a typed path to an existing directory, turning
// a path into an item list, and the special folders a tree can be rooted at.
#pragma once
#include <windows.h>
#include <shlobj.h>
#include <string>
#include "shelltree/Pidl.h"

namespace shelltree {

// Longest path, in wide characters, handed to the shell's parser: the longest the wide calls take.
inline constexpr int kMaxParseChars = 32767;

// The root part of a path: "\\server\" for a network path ("\\server" plus a backslash when
// nothing follows the server name), "X:\" for one that starts with a drive, else empty.
std::string PathRoot(const std::string& path);

// Whether the path names an existing directory. Critical-error boxes (a drive without a
// medium) are suppressed for the check.
bool FolderExists(const std::string& path);

// The nearest existing directory at or above `path`, no higher than its root part, or empty
// when there is none (or no root part). A drive-relative result ("C:dir") is made absolute.
// A trailing backslash left by walking up is kept.
std::string NormalizePath(const std::string& path);

// The item list of `path` parsed by `folder` (absolute when `folder` is the desktop),
// normalised first when asked. None when the path is empty, longer than kMaxParseChars or
// cannot be parsed. `owner` is the window the shell may show messages over (or none).
UniquePidl ParsePath(IShellFolder* folder, IMalloc* malloc, const std::string& path,
                     bool normalise, HWND owner);

// Starting points of the tree.
enum TPidls {
  PIDL_DESKTOP,
  PIDL_PROGRAMS,
  PIDL_CONTROLS,
  PIDL_PRINTERS,
  PIDL_PERSONAL,
  PIDL_FAVORITES,
  PIDL_STARTUP,
  PIDL_RECENT,
  PIDL_SENDTO,
  PIDL_BITBUCKET,
  PIDL_STARTMENU,
  PIDL_DESKTOPDIRECTORY,
  PIDL_DRIVES,
  PIDL_NETWORK,
  PIDL_NETHOOD,
  PIDL_FONTS,
  PIDL_TEMPLATES,
  PIDL_USERDEFINED,
};

// The shell's special-folder number (CSIDL_...) of a starting point; -1 for
// PIDL_USERDEFINED, which has none.
int SpecialFolderNumber(TPidls value);

// The absolute list of a special folder, or none when the shell cannot locate it.
UniquePidl SpecialFolderPIDL(IMalloc* malloc, HWND owner, int csidl);

}  // namespace shelltree
