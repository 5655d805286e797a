// Settings access object: an ini-file view of one registry key under HKEY_CURRENT_USER
// (section = sub-key, ident = value name). Lives for one access sequence.
#pragma once
#include <optional>
#include <string>

#include "settings/IntegerText.h"
#include "settings/SettingsStore.h"
#include "win/Errors.h"
#include "win/Handles.h"

// With the registry call's result where one failed.
class ERegistryException : public win::Exception {
 public:
  explicit ERegistryException(const std::string& message, DWORD code = 0)
      : win::Exception(message, win::ErrorKind::Settings, code) {}
};

class TRegistryIniFile : public SettingsStore {
 public:
  // Opens the key, creating it when missing. A key that cannot be opened leaves the
  // object without one: reads give their defaults and writes fail.
  explicit TRegistryIniFile(const std::string& keyPath);

  bool ReadBool(const std::string& section, const std::string& name, bool def) const override;
  void WriteBool(const std::string& section, const std::string& name, bool value) const override;
  int ReadInteger(const std::string& section, const std::string& name, int def) const override;
  void WriteInteger(const std::string& section, const std::string& name, int value) const override;
  std::string ReadString(const std::string& section, const std::string& name, const std::string& def) const override;
  void WriteString(const std::string& section, const std::string& name, const std::string& value) const override;
  void EraseSection(const std::string& section) const override;

 private:
  win::UniqueKey OpenSection(const std::string& section) const;
  win::UniqueKey CreateSection(const std::string& section) const;
  void SetValue(const std::string& section, const std::string& name, DWORD type, const void* data,
                DWORD size) const;

  win::UniqueKey key_;
};
