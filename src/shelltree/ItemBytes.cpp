// Bounded walks over the bytes of item identifier lists.
#include "shelltree/ItemBytes.h"

#include <cstring>

namespace shelltree::itembytes {

namespace {
void Terminate(unsigned char* at) { at[0] = at[1] = 0; }
}  // namespace

std::size_t ItemAt(const unsigned char* p, std::size_t offset, std::size_t limit) {
  if (limit - offset < 2) return 0;
  // Items are not aligned; the count is little-endian.
  const std::size_t cb = p[offset] | (static_cast<std::size_t>(p[offset + 1]) << 8);
  if (cb < 2 || cb > limit - offset) return 0;
  return cb;
}

Walk WalkItems(const unsigned char* p, std::size_t limit, unsigned maxItems) {
  Walk w;
  if (!p) return w;
  while (w.count < maxItems) {
    std::size_t cb = ItemAt(p, w.size, limit);
    if (cb == 0) break;
    w.size += cb;
    ++w.count;
  }
  return w;
}

bool DropLastItem(unsigned char* p, std::size_t limit) {
  Walk w = WalkItems(p, limit);
  if (w.count < 2) return false;
  Walk head = WalkItems(p, limit, w.count - 1);
  Terminate(p + head.size);
  return true;
}

bool SameItem(unsigned depth, const unsigned char* list, const unsigned char* item, std::size_t listLimit,
              std::size_t itemLimit) {
  if (!list) return false;
  Walk skipped = WalkItems(list, listLimit, depth);
  if (skipped.count < depth) return false;
  const unsigned char* a = list + skipped.size;
  std::size_t cbA = ItemAt(list, skipped.size, listLimit);
  std::size_t cbB = item ? ItemAt(item, 0, itemLimit) : 0;
  if (cbA != cbB) return false;
  if (cbA < 3) return true;
  return std::memcmp(a + 2, item + 2, cbA - 2) == 0;
}

bool OffsetText(const unsigned char* rel, std::size_t relLimit, unsigned offset, std::string& text) {
  // A bad offset or a missing NUL must not take the read past the items.
  std::size_t cb = WalkItems(rel, relLimit).size;
  if (offset < 2 || offset >= cb) return false;
  const char* start = reinterpret_cast<const char*>(rel) + offset;
  text.assign(start, strnlen(start, cb - offset));
  return true;
}

}  // namespace shelltree::itembytes
