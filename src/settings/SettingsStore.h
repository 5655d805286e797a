// Where the settings live: one small interface over the registry key and the settings file
// beside the program, and the one choice between them that the window and the command line make.
#pragma once
#include <memory>
#include <string>

class SettingsStore {
 public:
  virtual ~SettingsStore() = default;

  // Missing values read as their defaults; a write that fails throws a win::Exception.
  virtual bool ReadBool(const std::string& section, const std::string& name, bool def) const = 0;
  virtual void WriteBool(const std::string& section, const std::string& name, bool value) const = 0;
  virtual int ReadInteger(const std::string& section, const std::string& name, int def) const = 0;
  virtual void WriteInteger(const std::string& section, const std::string& name, int value) const = 0;
  virtual std::string ReadString(const std::string& section, const std::string& name, const std::string& def) const = 0;
  virtual void WriteString(const std::string& section, const std::string& name, const std::string& value) const = 0;
  virtual void EraseSection(const std::string& section) const = 0;

  // Makes what was written last beyond the program's run; the registry keeps every write at
  // once, a file is written whole. Throws with the reason when it cannot.
  virtual void Keep() {}
};

namespace settings {

// The settings file's name, in the program's own folder.
inline constexpr const char* kPortableFileName = "Mirovane.ini";

// The settings file beside the program when it is there (portable use), else "".
std::string PortableSettingsFile();

// The settings file beside the program when there is one, else the registry key (created when
// missing, as every start did before there were files). The file is read once, here.
std::unique_ptr<SettingsStore> OpenSettings();

}  // namespace settings
