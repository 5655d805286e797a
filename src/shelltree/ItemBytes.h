// The byte-level walks over item identifier lists (layout and limits: see Pidl.h). Plain bytes
// and sizes only, so they also build natively (for fuzzing); Pidl.cpp wraps them.
#pragma once
#include <climits>
#include <cstddef>
#include <cstdint>
#include <string>

namespace shelltree {

// The limit of a list trusted to carry its terminator.
inline constexpr std::size_t kUnbounded = SIZE_MAX;

namespace itembytes {

struct Walk {
  unsigned count = 0;
  std::size_t size = 0;  // bytes of the counted items
};

// Count of the item at `offset`, or 0 where the walk has to end: the header does not fit
// within `limit`, the count is zero or too small to cover its header, or the item runs past
// `limit`. `offset` never exceeds `limit`.
std::size_t ItemAt(const unsigned char* p, std::size_t offset, std::size_t limit);

// Walks at most `maxItems` items; nothing for an absent list.
Walk WalkItems(const unsigned char* p, std::size_t limit, unsigned maxItems = UINT_MAX);

// Cuts off the last item when the list has at least 2 items; true when it did.
bool DropLastItem(unsigned char* p, std::size_t limit);

// Whether the item at `depth` in `list` is byte-equal to the first item of `item`.
bool SameItem(unsigned depth, const unsigned char* list, const unsigned char* item, std::size_t listLimit,
              std::size_t itemLimit);

// The text a naming result keeps at `offset` inside the items of `rel`: up to its NUL, never
// past the items. False when the offset does not lie inside them.
bool OffsetText(const unsigned char* rel, std::size_t relLimit, unsigned offset, std::string& text);

}  // namespace itembytes
}  // namespace shelltree
