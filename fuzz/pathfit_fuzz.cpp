// Path shortening over any path text, in a single-byte and a double-byte code page (whose
// trail bytes may equal '\'), measured in bytes times a factor, to any width.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "extract/PathFit.h"
#include "win/PathText.h"

namespace {
bool doubleByteAnsi = false;
}

// The platform's lead-byte question, answered here for code page 932 (and for the ANSI code
// page when the input asks for a double-byte one).
bool pathtext::IsLeadByte(UINT codePage, unsigned char b) {
  const bool dbcs = codePage == 932 || (codePage == kAnsiCodePage && doubleByteAnsi);
  return dbcs && ((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC));
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  doubleByteAnsi = data[0] & 1;
  const int factor = 1 + ((data[0] >> 1) & 7);
  const int maxWidth = data[1] * 2 - 40;
  const std::string path(reinterpret_cast<const char*>(data + 2), size - 2);
  auto measure = [&](const std::string& text) { return static_cast<int>(text.size()) * factor; };

  const std::string fitted = FitPathToWidth(path, measure, maxWidth);
  // Either it fits, or only the name is left.
  const std::string name = pathtext::NamePart(path);
  if (measure(fitted) > maxWidth && fitted != name) std::abort();
  if (fitted.size() < name.size() || fitted.compare(fitted.size() - name.size(), name.size(), name) != 0)
    std::abort();

  std::string dir = pathtext::DirectoryPart(path);
  DropFirstFolder(dir);
  const size_t last = pathtext::LastCharPos(path, 932);
  if (last != std::string::npos && last >= path.size()) std::abort();
  const size_t slash = pathtext::FirstBackslash(path);
  if (slash != std::string::npos && path[slash] != '\\') std::abort();
  return 0;
}
