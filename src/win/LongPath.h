// Paths of any length for the file calls: past the platform's old limit a path goes to the wide
// calls in its \\?\ form (\\?\UNC\ for a network path), made here at the edge.
#pragma once
#include <windows.h>
#include <shlobj.h>

#include <string>

namespace win {

// The longest path the wide calls take in the \\?\ form, in UTF-16 units.
inline constexpr size_t kLongPathLimit = 32767;

// The path as the wide file calls take it: as it is while it is shorter than the old limit of
// a folder (MAX_PATH less room for a file name), else its full form behind \\?\ or \\?\UNC\.
// Empty when the text is not valid in the code page.
std::wstring FilePath(const std::string& path);

// The wide file calls the program makes, for paths of any length.
DWORD FileAttributes(const std::string& path);
HANDLE OpenFile(const std::string& path, DWORD access, DWORD share, DWORD disposition, DWORD flags);
bool RemoveFile(const std::string& path);

// The path with every name in its long form, as the listings name files; the path as it is where
// the platform gives none (a path that is not there).
std::string LongPathName(const std::string& path);

// The file-system path of a shell item, of any length; empty when it has none. A folder whose
// name the code page cannot spell comes as its short 8.3 path, where the file system keeps one.
std::string ShellItemPath(PCIDLIST_ABSOLUTE item);

// Makes the folder and any missing folders above it; ERROR_SUCCESS or the system's error.
DWORD CreateFolders(const std::string& folder);

}  // namespace win
