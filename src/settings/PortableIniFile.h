// Settings kept in a file (portable use): the file is read once, when the store is made; reads
// and writes go to the store's copy, and Keep writes the file whole, safely.
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "settings/IniText.h"
#include "settings/SettingsStore.h"
#include "win/Errors.h"

// The settings file not written: its message gives the system's reason, its code the error.
class ESettingsFileException : public win::Exception {
 public:
  ESettingsFileException(const std::string& message, DWORD code)
      : win::Exception(message, win::ErrorKind::Settings, code) {}
};

class TPortableIniFile : public SettingsStore {
 public:
  // A file that is missing, cannot be read or is no settings file holds nothing.
  explicit TPortableIniFile(std::string path);

  bool ReadBool(const std::string& section, const std::string& name, bool def) const override;
  void WriteBool(const std::string& section, const std::string& name, bool value) const override;
  int ReadInteger(const std::string& section, const std::string& name, int def) const override;
  void WriteInteger(const std::string& section, const std::string& name, int value) const override;
  std::string ReadString(const std::string& section, const std::string& name, const std::string& def) const override;
  void WriteString(const std::string& section, const std::string& name, const std::string& value) const override;
  // Empties the section; the file keeps it, so the program stays portable.
  void EraseSection(const std::string& section) const override;

  // Writes this store's changes over what the file holds now (another program in the folder may
  // have kept its own since), to a new file in the same folder that then replaces the old one in
  // one step: a write that fails leaves the old file whole. What could not be kept stays in the
  // store, for the next Keep.
  void Keep() override;

  const std::string& Path() const { return path_; }

 private:
  // A value set, or (without a value) a section emptied.
  struct Change {
    std::string section;
    std::optional<std::pair<std::string, std::string>> value;
  };
  void Apply(const Change& change) const;

  std::string path_;
  // Writes change only the store's copy, as a registry key's writes change only the key.
  mutable settings::IniDocument document_;
  mutable std::vector<Change> changes_;
};

// The file's sections as it holds them now; nothing when it cannot be opened.
std::optional<settings::IniDocument> ReadIniFile(const std::string& path);
