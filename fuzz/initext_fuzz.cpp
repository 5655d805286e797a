// The settings file's text: any bytes. What is read holds no line break or control character,
// names each value once, and reads back the same once written.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "settings/IniText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const settings::IniDocument document = settings::ParseIniText(text);
  for (const settings::IniSection& section : document) {
    for (const auto& [name, value] : section.values) {
      if (name.empty() || section.Find(name) != &value) std::abort();
      for (char c : name + value)
        if (c == '\r' || c == '\n' || c == '\0') std::abort();
    }
  }
  const std::string written = settings::IniText(document);
  const settings::IniDocument again = settings::ParseIniText(written);
  if (again.size() != document.size()) std::abort();
  for (size_t i = 0; i < again.size(); ++i)
    if (again[i].name != document[i].name || again[i].values != document[i].values) std::abort();
  if (settings::IniText(again) != written) std::abort();
  return 0;
}
