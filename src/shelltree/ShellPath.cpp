// Path normalisation and parsing for the folder tree, and its special-folder table.
#include "shelltree/ShellPath.h"

#include <cctype>
#include <iterator>

#include "win/LongPath.h"
#include "win/PathText.h"
#include "win/Text.h"

namespace shelltree {
namespace {

// Sets the process error mode for one scope, keeping the flags already set.
class ErrorModeScope {
 public:
  explicit ErrorModeScope(UINT mode) : old_(SetErrorMode(mode)) { SetErrorMode(old_ | mode); }
  ErrorModeScope(const ErrorModeScope&) = delete;
  ErrorModeScope& operator=(const ErrorModeScope&) = delete;
  ~ErrorModeScope() { SetErrorMode(old_); }

 private:
  UINT old_;
};

bool IsDriveRelative(const std::string& p) { return p.size() > 2 && p[1] == ':' && p[2] != '\\'; }

bool SameDriveLetter(char a, char b) {
  return std::toupper(static_cast<unsigned char>(a)) == std::toupper(static_cast<unsigned char>(b));
}

// "C:dir" made absolute. The current directory serves for its own drive; another drive has its
// own current directory, which only the full-path lookup knows.
std::string AbsoluteFromDriveRelative(const std::string& p) {
  std::string cwd(GetCurrentDirectoryA(0, nullptr), '\0');
  const DWORD n = cwd.empty() ? 0 : GetCurrentDirectoryA(static_cast<DWORD>(cwd.size()), cwd.data());
  if (n > 1 && n < cwd.size() && cwd[1] == ':' && SameDriveLetter(cwd[0], p[0])) {
    cwd.resize(n);
    if (cwd.back() != '\\') cwd += '\\';
    return cwd + p.substr(2);
  }
  const std::string full = win::FullPathName(p);
  return full.empty() ? p : full;
}

}  // namespace

std::string PathRoot(const std::string& path) {
  std::string root;
  if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
    std::size_t end = path.find('\\', 2);
    root = end == std::string::npos ? path : path.substr(0, end + 1);
  } else if (path.size() >= 2 && path[1] == ':') {
    root = path.substr(0, 2);
  }
  if (root.size() > 1 && root.back() != '\\') root += '\\';
  return root;
}

bool FolderExists(const std::string& path) {
  DWORD attributes;
  {
    ErrorModeScope quiet(SEM_FAILCRITICALERRORS);
    attributes = win::FileAttributes(path);
  }
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string NormalizePath(const std::string& path) {
  if (path.empty()) return {};
  const std::string root = PathRoot(path);
  if (root.empty()) return {};

  std::string p = path;
  while (p.size() > root.size() && !FolderExists(p)) {
    if (pathtext::LastDelimiter(p, "\\") + 1 == p.size()) p.pop_back();
    std::size_t cut = pathtext::LastDelimiter(p, "\\");
    if (cut == std::string::npos) break;
    p.resize(cut + 1);
  }
  if (!FolderExists(p)) return {};
  if (IsDriveRelative(p)) p = AbsoluteFromDriveRelative(p);
  return p;
}

UniquePidl ParsePath(IShellFolder* folder, IMalloc* malloc, const std::string& pathIn,
                     bool normalise, HWND owner) {
  const std::string path = normalise ? NormalizePath(pathIn) : pathIn;
  if (path.empty() || !folder) return {};
  // A longer path is refused rather than cut, which would name some other item.
  std::wstring wide = win::Widen(path);
  if (wide.empty() || wide.size() > static_cast<std::size_t>(kMaxParseChars)) return {};
  ULONG eaten = 0;
  ULONG attributes = SFGAO_VALIDATE;
  UniquePidl result;
  HRESULT hr =
      folder->ParseDisplayName(owner, nullptr, wide.data(), &eaten, result.put(malloc), &attributes);
  if (FAILED(hr)) result.reset();
  return result;
}

int SpecialFolderNumber(TPidls value) {
  static constexpr int kNumbers[] = {
      CSIDL_DESKTOP,   CSIDL_PROGRAMS,  CSIDL_CONTROLS,         CSIDL_PRINTERS,
      CSIDL_PERSONAL,  CSIDL_FAVORITES, CSIDL_STARTUP,          CSIDL_RECENT,
      CSIDL_SENDTO,    CSIDL_BITBUCKET, CSIDL_STARTMENU,        CSIDL_DESKTOPDIRECTORY,
      CSIDL_DRIVES,    CSIDL_NETWORK,   CSIDL_NETHOOD,          CSIDL_FONTS,
      CSIDL_TEMPLATES,
  };
  static_assert(std::size(kNumbers) == PIDL_USERDEFINED);
  if (value < 0 || value >= PIDL_USERDEFINED) return -1;
  return kNumbers[value];
}

UniquePidl SpecialFolderPIDL(IMalloc* malloc, HWND owner, int csidl) {
  UniquePidl result;
  if (csidl < 0) return result;
  if (FAILED(SHGetSpecialFolderLocation(owner, csidl, result.put(malloc)))) result.reset();
  return result;
}

}  // namespace shelltree
