// Paths of any length for the file calls.
#include "win/LongPath.h"

#include "win/Text.h"

namespace win {
namespace {

// CreateDirectory's limit: a folder must leave room for an 8.3 name below it.
constexpr size_t kOldFolderLimit = MAX_PATH - 12;

bool StartsWith(const std::wstring& text, const wchar_t* start) { return text.rfind(start, 0) == 0; }

std::wstring FullWidePath(const std::wstring& path) {
  const DWORD n = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (n == 0) return path;
  std::wstring full(n, L'\0');
  const DWORD m = GetFullPathNameW(path.c_str(), n, full.data(), nullptr);
  if (m == 0 || m >= n) return path;
  full.resize(m);
  return full;
}

// Each call is on a shorter path, down to the root or the prefix, which cannot be made.
DWORD CreateWideFolders(std::wstring folder) {
  while (folder.size() > 1 && folder.back() == L'\\') folder.pop_back();
  if (CreateDirectoryW(folder.c_str(), nullptr)) return ERROR_SUCCESS;
  const DWORD error = GetLastError();
  if (error != ERROR_PATH_NOT_FOUND) return error;
  // The parent is missing: made first, then this folder again.
  const size_t cut = folder.find_last_of(L'\\');
  if (cut == std::wstring::npos || cut == 0) return error;
  const DWORD made = CreateWideFolders(folder.substr(0, cut));
  if (made != ERROR_SUCCESS && made != ERROR_ALREADY_EXISTS) return made;
  return CreateDirectoryW(folder.c_str(), nullptr) ? ERROR_SUCCESS : GetLastError();
}

}  // namespace

std::wstring FilePath(const std::string& path) {
  std::wstring wide = Widen(path);
  if (wide.size() < kOldFolderLimit || StartsWith(wide, L"\\\\?\\")) return wide;
  // The system's own full form (separators, "." and ".." resolved), which the \\?\ form would
  // otherwise take literally.
  wide = FullWidePath(wide);
  if (StartsWith(wide, L"\\\\?\\") || StartsWith(wide, L"\\\\.\\")) return wide;
  if (StartsWith(wide, L"\\\\")) return L"\\\\?\\UNC\\" + wide.substr(2);
  return L"\\\\?\\" + wide;
}

DWORD FileAttributes(const std::string& path) {
  const std::wstring wide = FilePath(path);
  if (wide.empty()) {
    SetLastError(ERROR_INVALID_NAME);
    return INVALID_FILE_ATTRIBUTES;
  }
  return GetFileAttributesW(wide.c_str());
}

HANDLE OpenFile(const std::string& path, DWORD access, DWORD share, DWORD disposition, DWORD flags) {
  const std::wstring wide = FilePath(path);
  if (wide.empty()) {
    SetLastError(ERROR_INVALID_NAME);
    return INVALID_HANDLE_VALUE;
  }
  return CreateFileW(wide.c_str(), access, share, nullptr, disposition, flags, nullptr);
}

bool RemoveFile(const std::string& path) {
  const std::wstring wide = FilePath(path);
  return !wide.empty() && DeleteFileW(wide.c_str());
}

std::string LongPathName(const std::string& path) {
  const std::wstring wide = FilePath(path);
  if (wide.empty()) return path;
  const DWORD size = GetLongPathNameW(wide.c_str(), nullptr, 0);
  if (size == 0) return path;
  std::wstring longer(size, L'\0');
  const DWORD length = GetLongPathNameW(wide.c_str(), longer.data(), size);
  if (length == 0 || length >= size) return path;
  longer.resize(length);
  // The \\?\ form FilePath gave a path past the old limit is taken off again.
  if (path.rfind("\\\\?\\", 0) != 0) {
    if (StartsWith(longer, L"\\\\?\\UNC\\")) longer = L"\\\\" + longer.substr(8);
    else if (StartsWith(longer, L"\\\\?\\")) longer.erase(0, 4);
  }
  return PathFromWide(longer.c_str());
}

std::string ShellItemPath(PCIDLIST_ABSOLUTE item) {
  if (!item) return {};
  // Read wide: the ANSI call writes at most MAX_PATH bytes, which a long name in UTF-8 passes.
  std::wstring wide(kLongPathLimit + 1, L'\0');
  if (!SHGetPathFromIDListEx(item, wide.data(), static_cast<DWORD>(wide.size()), GPFIDL_DEFAULT)) return {};
  wide.resize(wcslen(wide.c_str()));
  return PathFromWide(wide.c_str());
}

DWORD CreateFolders(const std::string& folder) {
  const std::wstring wide = FilePath(folder);
  return wide.empty() ? ERROR_INVALID_NAME : CreateWideFolders(wide);
}

}  // namespace win
