// Item identifier lists of the shell namespace: walking, copying, joining and naming them,
// and an owner type that gives each list back to the allocator it came from exactly once.
#pragma once
#include <windows.h>
#include <shlobj.h>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include "shelltree/ItemBytes.h"
#include "win/Handles.h"

namespace shelltree {

// A list is a run of items, each a little-endian 16-bit byte count (which includes the two
// count bytes) followed by its data, ended by a zero count.
//
// Every walk takes a limit: the number of bytes readable from the start of the list. With
// kUnbounded the list is trusted to carry its terminator (the published layout); with a real
// limit nothing at or past it is read. In both cases a walk ends at a zero count, at a count
// below 2 (it could not even cover its own header), or at an item whose count runs past the
// limit, so such a list is treated as ending just before the bad item.

// Bytes readable from the list's start: the allocator's size of the block when the allocator
// reports that it allocated it, otherwise kUnbounded.
std::size_t BlockLimit(IMalloc* malloc, LPCITEMIDLIST pidl);

// Number of items; 0 for an absent list.
UINT PIDLCount(LPCITEMIDLIST pidl, std::size_t limit = kUnbounded);
// Sum of the byte counts of the first `maxItems` items (all by default), terminator excluded;
// 0 for an absent list.
UINT PIDLSize(LPCITEMIDLIST pidl, std::size_t limit = kUnbounded, UINT maxItems = UINT_MAX);

// A new list from `malloc` holding the source's items and a terminator; nullptr for an absent
// source. The source is bounded by its block when `malloc` allocated it. Throws
// win::EOutOfMemory when the allocation fails.
LPITEMIDLIST ClonePIDL(IMalloc* malloc, LPCITEMIDLIST src);
// The same for the source's first `n` items only (all of them when it has fewer).
LPITEMIDLIST PrefixPIDL(IMalloc* malloc, LPCITEMIDLIST src, UINT n);

// Frees the list when `malloc` does not deny having allocated it; clears the reference always.
void FreePIDL(IMalloc* malloc, LPITEMIDLIST& pidl);

// The absolute list of a child: the parent's absolute list followed by the first item of
// `rel` (only that item). When `rel` is absent or starts with the terminator the result is a
// copy of the parent's list; an absent parent list counts as the desktop (empty list).
// Throws win::EOutOfMemory when the allocation fails or the block comes back too small.
LPITEMIDLIST AppendPIDL(IMalloc* malloc, LPCITEMIDLIST parentAbs, LPCITEMIDLIST rel);

// Cuts off the last item when the list has at least 2 items; true when it did.
bool DropLastItem(LPITEMIDLIST pidl, std::size_t limit = kUnbounded);

// Whether the item at `depth` in `list` is byte-equal to the first item of `item`. False when
// `list` has fewer than `depth` items. Items with a count below 3 (no data) compare equal
// when their counts do.
bool SameItem(UINT depth, LPCITEMIDLIST list, LPCITEMIDLIST item,
              std::size_t listLimit = kUnbounded, std::size_t itemLimit = kUnbounded);

// Whether a folder finds two of its items to be the same. A failed comparison is no match.
bool SameByShell(IShellFolder* folder, LPCITEMIDLIST a, LPCITEMIDLIST b);

// File-system path of an absolute list; empty when the item has none.
std::string PIDLPath(LPCITEMIDLIST abs);

// Text of a naming result. Takes over the STRRET's contents (a wide string is freed). An
// offset result is read from inside the items of `rel`, never past them or `relLimit`.
// False when the record carries no text.
bool StrRetText(STRRET& ret, LPCITEMIDLIST rel, std::string& text,
                std::size_t relLimit = kUnbounded);

// Name of the item `rel` of `folder` in the naming mode `flags` (SHGDN_...). When the shell
// gives no text in the normal mode (flags 0) the parsing name is asked for once; otherwise
// the result is empty. `relLimit` bounds the read of a name given as an offset into `rel`.
std::string DisplayNameOf(IShellFolder* folder, LPCITEMIDLIST rel, DWORD flags,
                          std::size_t relLimit = kUnbounded);

// An item list bound to the allocator it is freed to. Move-only; frees exactly once.
class UniquePidl {
 public:
  UniquePidl() = default;
  // Takes over `pidl`, which `malloc` allocated.
  UniquePidl(IMalloc* malloc, LPITEMIDLIST pidl)
      : malloc_(win::ComPtr<IMalloc>::Share(malloc)), pidl_(pidl) {}
  UniquePidl(const UniquePidl&) = delete;
  UniquePidl& operator=(const UniquePidl&) = delete;
  UniquePidl(UniquePidl&& o) noexcept
      : malloc_(std::move(o.malloc_)), pidl_(std::exchange(o.pidl_, nullptr)) {}
  UniquePidl& operator=(UniquePidl&& o) noexcept;
  ~UniquePidl() { reset(); }

  LPITEMIDLIST get() const { return pidl_; }
  IMalloc* allocator() const { return malloc_.get(); }
  explicit operator bool() const { return pidl_ != nullptr; }

  // Gives up ownership without freeing.
  LPITEMIDLIST release() { return std::exchange(pidl_, nullptr); }
  // Frees what is held and takes over `pidl` (allocated by the same allocator).
  void reset(LPITEMIDLIST pidl = nullptr);
  // Frees what is held and returns the address for an out-parameter that `malloc` fills.
  LPITEMIDLIST* put(IMalloc* malloc);

  // Walks bounded by the held block.
  std::size_t limit() const { return BlockLimit(malloc_.get(), pidl_); }
  UINT count() const { return PIDLCount(pidl_, limit()); }
  UINT size() const { return PIDLSize(pidl_, limit()); }
  bool dropLastItem() { return DropLastItem(pidl_, limit()); }

  // Copies and joins, allocated from `malloc`.
  static UniquePidl Clone(IMalloc* malloc, LPCITEMIDLIST src);
  static UniquePidl Prefix(IMalloc* malloc, LPCITEMIDLIST src, UINT n);
  static UniquePidl Append(IMalloc* malloc, LPCITEMIDLIST parentAbs, LPCITEMIDLIST rel);
  UniquePidl clone() const { return Clone(malloc_.get(), pidl_); }

 private:
  win::ComPtr<IMalloc> malloc_;
  LPITEMIDLIST pidl_ = nullptr;
};

}  // namespace shelltree
