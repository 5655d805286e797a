// Registry-backed settings with their stored forms: flags as REG_SZ "1"/"0", integers as
// REG_DWORD unless a REG_SZ value of that name exists, texts as REG_SZ.
#include "settings/RegistryIniFile.h"

#include <algorithm>
#include <vector>

namespace {

void EraseKeyTree(HKEY parent, const std::string& name) {
  HKEY raw = nullptr;
  if (RegOpenKeyExA(parent, name.c_str(), 0, KEY_ALL_ACCESS, &raw) == ERROR_SUCCESS) {
    win::UniqueKey key(raw);
    DWORD subKeys = 0, maxLen = 0;
    if (RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, &subKeys, &maxLen, nullptr, nullptr, nullptr,
                         nullptr, nullptr, nullptr) == ERROR_SUCCESS) {
      std::vector<char> buf(maxLen + 1);
      for (DWORD i = subKeys; i-- > 0;) {
        DWORD len = static_cast<DWORD>(buf.size());
        if (RegEnumKeyExA(key.get(), i, buf.data(), &len, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS)
          EraseKeyTree(key.get(), std::string(buf.data(), len));
      }
    }
  }
  RegDeleteKeyA(parent, name.c_str());
}

// A text value's bytes in the program's code page, up to its first zero. The size a first query
// gives may count the stored wide text rather than its spelling in the code page (a character
// in UTF-8 takes up to three bytes for two), so a read that finds more data asks again.
std::string QueryText(HKEY key, const std::string& name, DWORD size) {
  std::vector<char> buf(size + 1, '\0');
  for (int tries = 0; tries < 8; ++tries) {
    DWORD got = static_cast<DWORD>(buf.size() - 1);
    const LSTATUS status = RegQueryValueExA(key, name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(buf.data()), &got);
    if (status != ERROR_MORE_DATA) break;
    buf.assign(std::max<size_t>(got + 1u, buf.size() * 2), '\0');
  }
  return buf.data();  // ends at the first zero byte
}

}  // namespace

TRegistryIniFile::TRegistryIniFile(const std::string& keyPath) {
  HKEY raw = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, keyPath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                      nullptr, &raw, nullptr) == ERROR_SUCCESS)
    key_.reset(raw);
}

win::UniqueKey TRegistryIniFile::OpenSection(const std::string& section) const {
  HKEY raw = nullptr;
  if (key_ && RegOpenKeyExA(key_.get(), section.c_str(), 0, KEY_ALL_ACCESS, &raw) == ERROR_SUCCESS)
    return win::UniqueKey(raw);
  return {};
}

win::UniqueKey TRegistryIniFile::CreateSection(const std::string& section) const {
  HKEY raw = nullptr;
  const LONG made = key_ ? RegCreateKeyExA(key_.get(), section.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                           KEY_ALL_ACCESS, nullptr, &raw, nullptr)
                         : ERROR_INVALID_HANDLE;
  if (made != ERROR_SUCCESS)
    throw ERegistryException(win::FormatMessageText("Failed to create key %s", section), static_cast<DWORD>(made));
  return win::UniqueKey(raw);
}

void TRegistryIniFile::SetValue(const std::string& section, const std::string& name, DWORD type, const void* data,
                                DWORD size) const {
  win::UniqueKey key = CreateSection(section);
  const LONG set = RegSetValueExA(key.get(), name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
  if (set != ERROR_SUCCESS)
    throw ERegistryException(win::FormatMessageText("Failed to set data for '%s'", name), static_cast<DWORD>(set));
}

int TRegistryIniFile::ReadInteger(const std::string& section, const std::string& name, int def) const {
  win::UniqueKey key = OpenSection(section);
  if (!key) return def;
  DWORD type = 0, size = 0;
  if (RegQueryValueExA(key.get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return def;
  if (type == REG_SZ) return ParseIntegerText(QueryText(key.get(), name, size).c_str()).value_or(def);
  if (size > sizeof(DWORD)) throw ERegistryException(win::FormatMessageText("Failed to get data for '%s'", name));
  if (type != REG_DWORD) throw ERegistryException(win::FormatMessageText("Invalid data type for '%s'", name));
  DWORD value = 0;
  size = sizeof value;
  RegQueryValueExA(key.get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
  return static_cast<int>(value);
}

void TRegistryIniFile::WriteInteger(const std::string& section, const std::string& name, int value) const {
  DWORD type = 0;
  {
    win::UniqueKey key = OpenSection(section);
    if (!key || RegQueryValueExA(key.get(), name.c_str(), nullptr, &type, nullptr, nullptr) != ERROR_SUCCESS)
      type = REG_NONE;
  }
  if (type == REG_SZ) {
    std::string text = std::to_string(value);  // a text value keeps its type
    SetValue(section, name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
  } else {
    DWORD v = static_cast<DWORD>(value);
    SetValue(section, name, REG_DWORD, &v, sizeof v);
  }
}

bool TRegistryIniFile::ReadBool(const std::string& section, const std::string& name, bool def) const {
  return ReadInteger(section, name, def ? 1 : 0) != 0;
}

void TRegistryIniFile::WriteBool(const std::string& section, const std::string& name, bool value) const {
  WriteString(section, name, value ? "1" : "0");
}

std::string TRegistryIniFile::ReadString(const std::string& section, const std::string& name,
                                         const std::string& def) const {
  win::UniqueKey key = OpenSection(section);
  if (!key) return def;
  DWORD type = 0, size = 0;
  if (RegQueryValueExA(key.get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return def;
  if (size == 0) return "";
  if (type != REG_SZ && type != REG_EXPAND_SZ)
    throw ERegistryException(win::FormatMessageText("Invalid data type for '%s'", name));
  return QueryText(key.get(), name, size);
}

void TRegistryIniFile::WriteString(const std::string& section, const std::string& name,
                                   const std::string& value) const {
  SetValue(section, name, REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

void TRegistryIniFile::EraseSection(const std::string& section) const {
  if (key_) EraseKeyTree(key_.get(), section);
}
