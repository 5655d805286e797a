// Reading a version entry's text within its block.
#include "about/VersionText.h"

#include <cstdint>
#include <cstring>

#include "about/GetFileVerInfo.h"

std::string VersionEntryText(const char* block, std::size_t blockSize, const char* value, unsigned length) {
  // A value stored with length zero has no text of its own: the pointer may then lead into
  // the next entry, so it is not read.
  const auto start = reinterpret_cast<std::uintptr_t>(block);
  const auto at = reinterpret_cast<std::uintptr_t>(value);
  if (length == 0 || !block || !value || at < start || at - start >= blockSize) return VersionUnknownText;
  // A damaged resource may leave the text without its NUL: the read stops at the block's end.
  const std::size_t available = blockSize - (at - start);
  const std::size_t n = strnlen(value, available);
  return n == 0 ? std::string(VersionUnknownText) : std::string(value, n);
}
