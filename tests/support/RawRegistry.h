// Registry values exactly as stored (type and bytes), read and written past the program's own
// store, so tests can check and prepare what the store sees.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace testreg {

struct RawValue {
  DWORD type = REG_NONE;
  std::vector<BYTE> data;
  std::string Text() const { return std::string(data.begin(), data.end()); }
  DWORD Dword() const { return data.size() == 4 ? *reinterpret_cast<const DWORD*>(data.data()) : 0xDEADBEEF; }
};

// The value under HKEY_CURRENT_USER\keyPath; type REG_NONE when there is none.
inline RawValue ReadRaw(const std::string& keyPath, const char* name) {
  RawValue v;
  HKEY key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, keyPath.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return v;
  DWORD size = 0;
  if (RegQueryValueExA(key, name, nullptr, &v.type, nullptr, &size) == ERROR_SUCCESS) {
    v.data.resize(size);
    RegQueryValueExA(key, name, nullptr, &v.type, v.data.data(), &size);
  }
  RegCloseKey(key);
  return v;
}

inline void WriteRaw(const std::string& keyPath, const char* name, DWORD type, const void* data, DWORD size) {
  HKEY key;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, keyPath.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
      ERROR_SUCCESS)
    return;
  RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size);
  RegCloseKey(key);
}

}  // namespace testreg
