// A settings file beside the test program, which makes the settings of the code under test
// portable while it lives, and the vendor's registry key that portable use must not make.
#pragma once
#include <windows.h>

#include <fstream>
#include <iterator>
#include <string>

#include "settings/SettingsStore.h"
#include "win/Text.h"

namespace testportable {

inline std::string ProgramFolder() {
  const std::string p = win::ModuleFileName();
  return p.substr(0, p.find_last_of("\\/") + 1);
}

class SettingsFile {
 public:
  explicit SettingsFile(const std::string& text = "") : path_(ProgramFolder() + settings::kPortableFileName) {
    Write(text);
  }
  SettingsFile(const SettingsFile&) = delete;
  SettingsFile& operator=(const SettingsFile&) = delete;
  ~SettingsFile() {
    SetFileAttributesA(path_.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(path_.c_str());
  }

  const std::string& Path() const { return path_; }
  void Write(const std::string& text) const { std::ofstream(path_, std::ios::binary) << text; }
  std::string Text() const {
    std::ifstream in(path_, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  // A read-only file cannot be replaced: a write then fails as in a folder the program cannot write to.
  void SetReadOnly(bool on) const { SetFileAttributesA(path_.c_str(), on ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL); }

 private:
  std::string path_;
};

inline constexpr const char* kVendorKey = "software\\Varnholt";

inline bool VendorKeyExists() {
  HKEY key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kVendorKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

inline void DeleteVendorKey() { RegDeleteTreeA(HKEY_CURRENT_USER, kVendorKey), RegDeleteKeyA(HKEY_CURRENT_USER, kVendorKey); }

}  // namespace testportable
