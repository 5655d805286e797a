// Item identifier list bytes: walks, cuts, comparisons and offset texts over lists of any
// bytes, each in a block of exactly its size so that any read past it is caught.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "shelltree/ItemBytes.h"

namespace {
// A heap block holding exactly the bytes.
std::unique_ptr<unsigned char[]> Block(const uint8_t* data, size_t size) {
  auto block = std::make_unique<unsigned char[]>(size ? size : 1);
  if (size) std::memcpy(block.get(), data, size);
  return block;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace shelltree::itembytes;
  if (size < 4) return 0;
  const unsigned depth = data[0] & 7;
  const unsigned offset = data[1] | (data[2] << 8);
  const size_t split = data[3] <= size - 4 ? data[3] : size - 4;
  data += 4;
  size -= 4;
  auto list = Block(data, size - split);
  auto item = Block(data + size - split, split);
  const size_t listSize = size - split;

  const Walk w = WalkItems(list.get(), listSize);
  if (w.size > listSize) std::abort();
  const Walk some = WalkItems(list.get(), listSize, depth);
  if (some.count > depth || some.count > w.count || some.size > w.size) std::abort();
  (void)SameItem(depth, list.get(), item.get(), listSize, split);
  std::string text;
  if (OffsetText(list.get(), listSize, offset, text) && text.size() + offset > w.size) std::abort();
  const bool dropped = DropLastItem(list.get(), listSize);
  const Walk after = WalkItems(list.get(), listSize);
  if (dropped ? after.count != w.count - 1 : after.count != w.count) std::abort();
  return 0;
}
