// Icon location text as a shortcut, an Internet shortcut, a desktop.ini or a user gives it:
// reading never fails on any text, and a location read and written again reads the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "extract/IconLocation.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto where = location::Parse(text);
  if (!where) return 0;
  if (where->path.empty()) std::abort();
  // A quote cannot stand inside a quoted path, so only paths without one come back whole.
  if (where->path.find('"') != std::string::npos) return 0;
  const auto again = location::Parse(location::Text(*where, {}));
  if (!again || again->path != where->path || again->index != where->index) std::abort();
  return 0;
}
