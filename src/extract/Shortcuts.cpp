// Resolving the files that store an icon location. See Shortcuts.h.
#include "extract/Shortcuts.h"

#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>

#include "extract/Locations.h"
#include "win/Handles.h"
#include "win/PathText.h"
#include "win/Text.h"

namespace location {
namespace {

// The longest value read from an .url or desktop.ini: a path of the platform's old limit and
// its index, with room to spare; a longer one is no location any call takes.
constexpr DWORD kValueChars = 2 * MAX_PATH;

enum class Kind { None, Shortcut, InternetShortcut, FolderSettings };

Kind KindOf(const std::string& file) {
  const std::string extension = pathtext::Extension(file);
  const auto is = [](const std::string& text, const char* name) { return win::CompareText(text, name, NORM_IGNORECASE) == 0; };
  if (is(extension, ".lnk")) return Kind::Shortcut;
  if (is(extension, ".url")) return Kind::InternetShortcut;
  if (is(pathtext::NamePart(file), "desktop.ini")) return Kind::FolderSettings;
  return Kind::None;
}

std::string IniValue(const std::wstring& file, const wchar_t* section, const wchar_t* key) {
  std::wstring value(kValueChars, L'\0');
  const DWORD n = GetPrivateProfileStringW(section, key, L"", value.data(), kValueChars, file.c_str());
  // A value cut at the buffer's end is no path.
  if (n >= kValueChars - 1) return {};
  value.resize(n);
  return win::Narrow(value);
}

std::optional<Location> FromIni(const std::string& file, Kind kind) {
  const std::wstring wide = win::Widen(file);
  if (wide.empty()) return std::nullopt;
  const wchar_t* section = kind == Kind::InternetShortcut ? L"InternetShortcut" : L".ShellClassInfo";
  std::optional<Location> where;
  if (kind == Kind::FolderSettings) where = Parse(IniValue(wide, section, L"IconResource"));
  if (!where) {
    const std::string path = IniValue(wide, section, L"IconFile");
    if (path.empty()) return std::nullopt;
    const std::string index = IniValue(wide, section, L"IconIndex");
    where = Parse("\"" + path + "\"," + (index.empty() ? "0" : index));
    // An index that is no number is the first icon, as the shell takes it.
    if (!where) where = Parse("\"" + path + "\"");
  }
  return where;
}

std::optional<Location> FromShortcut(const std::string& file) {
  const std::wstring wide = win::Widen(file);
  if (wide.empty()) return std::nullopt;
  // The reader's thread may not have COM yet; a thread that has keeps its own.
  win::ComScope com;
  win::ComPtr<IShellLinkW> link;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              reinterpret_cast<void**>(link.put()))))
    return std::nullopt;
  win::ComPtr<IPersistFile> persisted;
  if (FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(persisted.put()))) ||
      FAILED(persisted->Load(wide.c_str(), STGM_READ)))
    return std::nullopt;
  wchar_t path[MAX_PATH] = L"";
  int index = 0;
  if (SUCCEEDED(link->GetIconLocation(path, MAX_PATH, &index)) && path[0]) return Location{win::Narrow(path), index};
  // No icon of its own: its target's first, read as stored, never searched for.
  if (SUCCEEDED(link->GetPath(path, MAX_PATH, nullptr, SLGP_RAWPATH)) && path[0]) return Location{win::Narrow(path), 0};
  return std::nullopt;
}

}  // namespace

bool StoresLocation(const std::string& file) { return KindOf(file) != Kind::None; }

std::optional<Location> StoredLocation(const std::string& file) {
  const Kind kind = KindOf(file);
  std::optional<Location> where;
  switch (kind) {
    case Kind::Shortcut: where = FromShortcut(file); break;
    case Kind::InternetShortcut:
    case Kind::FolderSettings: where = FromIni(file, kind); break;
    case Kind::None: return std::nullopt;
  }
  if (!where || where->path.empty()) return std::nullopt;
  const Location found = Expanded(*where, pathtext::DirectoryPart(file));
  // One step only: another file of these kinds is not followed.
  if (StoresLocation(found.path)) return std::nullopt;
  return found;
}

}  // namespace location
