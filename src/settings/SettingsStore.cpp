// The one choice of where the settings live.
#include "settings/SettingsStore.h"

#include "settings/PortableIniFile.h"
#include "settings/RegistryIniFile.h"
#include "settings/Settings.h"
#include "win/LongPath.h"
#include "win/Text.h"

namespace settings {

std::string PortableSettingsFile() {
  const std::string program = win::ModuleFileName();
  const std::string file = program.substr(0, program.find_last_of("\\/") + 1) + kPortableFileName;
  const DWORD attributes = win::FileAttributes(file);
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY) ? file : std::string();
}

std::unique_ptr<SettingsStore> OpenSettings() {
  if (std::string file = PortableSettingsFile(); !file.empty()) return std::make_unique<TPortableIniFile>(file);
  return std::make_unique<TRegistryIniFile>(kBaseKey);
}

}  // namespace settings
