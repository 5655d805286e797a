// A version entry's text read from any block, at any place the library might point to, with
// any reported length; the block has exactly its size, so a read past its end is caught.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "about/VersionText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  const size_t blockSize = size - 3;
  const size_t offset = (data[0] | (data[1] << 8)) % (blockSize + 1);  // the end itself included
  const unsigned length = data[2];
  auto block = std::make_unique<char[]>(blockSize ? blockSize : 1);
  if (blockSize) std::memcpy(block.get(), data + 3, blockSize);
  const std::string text = VersionEntryText(block.get(), blockSize, block.get() + offset, length);
  if (text.empty() || (text != "(unknown)" && text.size() > blockSize - offset)) std::abort();
  (void)VersionEntryText(block.get(), blockSize, nullptr, length);
  return 0;
}
