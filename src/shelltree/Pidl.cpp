// Item identifier list operations: bounded walks, copies and joins through the shell allocator,
// and display names.
#include "shelltree/Pidl.h"

#include <cstring>
#include "win/Errors.h"
#include "win/LongPath.h"
#include "win/Text.h"

namespace shelltree {
namespace {

const BYTE* Bytes(LPCITEMIDLIST pidl) { return reinterpret_cast<const BYTE*>(pidl); }
BYTE* Bytes(LPITEMIDLIST pidl) { return reinterpret_cast<BYTE*>(pidl); }

itembytes::Walk WalkItems(LPCITEMIDLIST pidl, std::size_t limit, UINT maxItems = UINT_MAX) {
  return itembytes::WalkItems(Bytes(pidl), limit, maxItems);
}

LPITEMIDLIST Allocate(IMalloc* malloc, std::size_t bytes) {
  void* block = malloc->Alloc(bytes);
  if (!block) throw win::EOutOfMemory();
  // A block smaller than asked for would be overrun by the copy that follows.
  SIZE_T got = malloc->GetSize(block);
  if (got != static_cast<SIZE_T>(-1) && got < bytes) {
    malloc->Free(block);
    throw win::EOutOfMemory();
  }
  return static_cast<LPITEMIDLIST>(block);
}

void Terminate(BYTE* at) { at[0] = at[1] = 0; }

std::string WideToAnsi(const wchar_t* text) { return text ? win::Narrow(text) : std::string(); }

}  // namespace

std::size_t BlockLimit(IMalloc* malloc, LPCITEMIDLIST pidl) {
  if (!malloc || !pidl) return kUnbounded;
  void* block = const_cast<ITEMIDLIST*>(pidl);
  if (malloc->DidAlloc(block) != 1) return kUnbounded;
  SIZE_T size = malloc->GetSize(block);
  return size == static_cast<SIZE_T>(-1) ? kUnbounded : size;
}

UINT PIDLCount(LPCITEMIDLIST pidl, std::size_t limit) { return WalkItems(pidl, limit).count; }

UINT PIDLSize(LPCITEMIDLIST pidl, std::size_t limit, UINT maxItems) {
  return static_cast<UINT>(WalkItems(pidl, limit, maxItems).size);
}

LPITEMIDLIST ClonePIDL(IMalloc* malloc, LPCITEMIDLIST src) { return PrefixPIDL(malloc, src, UINT_MAX); }

LPITEMIDLIST PrefixPIDL(IMalloc* malloc, LPCITEMIDLIST src, UINT n) {
  if (!src) return nullptr;
  std::size_t size = WalkItems(src, BlockLimit(malloc, src), n).size;
  LPITEMIDLIST copy = Allocate(malloc, size + 2);
  std::memcpy(copy, src, size);
  Terminate(Bytes(copy) + size);
  return copy;
}

void FreePIDL(IMalloc* malloc, LPITEMIDLIST& pidl) {
  // DidAlloc may answer "cannot tell" (-1); only a plain "not mine" keeps the block.
  if (pidl && malloc && malloc->DidAlloc(pidl) != 0) malloc->Free(pidl);
  pidl = nullptr;
}

LPITEMIDLIST AppendPIDL(IMalloc* malloc, LPCITEMIDLIST parentAbs, LPCITEMIDLIST rel) {
  // The block is sized from exactly what is copied into it.
  std::size_t parentSize = WalkItems(parentAbs, BlockLimit(malloc, parentAbs)).size;
  std::size_t itemSize = WalkItems(rel, BlockLimit(malloc, rel), 1).size;
  LPITEMIDLIST result = Allocate(malloc, parentSize + itemSize + 2);
  BYTE* out = Bytes(result);
  if (parentSize) std::memcpy(out, parentAbs, parentSize);
  if (itemSize) std::memcpy(out + parentSize, rel, itemSize);
  Terminate(out + parentSize + itemSize);
  return result;
}

bool DropLastItem(LPITEMIDLIST pidl, std::size_t limit) { return itembytes::DropLastItem(Bytes(pidl), limit); }

bool SameItem(UINT depth, LPCITEMIDLIST list, LPCITEMIDLIST item, std::size_t listLimit,
              std::size_t itemLimit) {
  return itembytes::SameItem(depth, Bytes(list), Bytes(item), listLimit, itemLimit);
}

bool SameByShell(IShellFolder* folder, LPCITEMIDLIST a, LPCITEMIDLIST b) {
  if (!folder || !a || !b) return false;
  HRESULT hr = folder->CompareIDs(0, a, b);
  return SUCCEEDED(hr) && static_cast<short>(HRESULT_CODE(hr)) == 0;
}

std::string PIDLPath(LPCITEMIDLIST abs) { return win::ShellItemPath(abs); }

bool StrRetText(STRRET& ret, LPCITEMIDLIST rel, std::string& text, std::size_t relLimit) {
  switch (ret.uType) {
    case STRRET_WSTR: {
      if (!ret.pOleStr) return false;
      text = WideToAnsi(ret.pOleStr);
      CoTaskMemFree(ret.pOleStr);
      ret.pOleStr = nullptr;
      return true;
    }
    case STRRET_OFFSET:
      return itembytes::OffsetText(Bytes(rel), relLimit, ret.uOffset, text);
    case STRRET_CSTR:
      text.assign(ret.cStr, strnlen(ret.cStr, sizeof ret.cStr));
      return true;
    default:
      return false;
  }
}

std::string DisplayNameOf(IShellFolder* folder, LPCITEMIDLIST rel, DWORD flags,
                          std::size_t relLimit) {
  if (!folder) return {};
  for (;;) {
    STRRET ret{};
    std::string text;
    if (SUCCEEDED(folder->GetDisplayNameOf(rel, flags, &ret)) &&
        StrRetText(ret, rel, text, relLimit))
      return text;
    if (flags != 0) return {};
    flags = SHGDN_FORPARSING;
  }
}

UniquePidl& UniquePidl::operator=(UniquePidl&& o) noexcept {
  if (this != &o) {
    reset();
    malloc_ = std::move(o.malloc_);
    pidl_ = std::exchange(o.pidl_, nullptr);
  }
  return *this;
}

void UniquePidl::reset(LPITEMIDLIST pidl) {
  LPITEMIDLIST old = std::exchange(pidl_, pidl);
  if (old && old != pidl) FreePIDL(malloc_.get(), old);
}

LPITEMIDLIST* UniquePidl::put(IMalloc* malloc) {
  reset();
  malloc_ = win::ComPtr<IMalloc>::Share(malloc);
  return &pidl_;
}

UniquePidl UniquePidl::Clone(IMalloc* malloc, LPCITEMIDLIST src) {
  return UniquePidl(malloc, ClonePIDL(malloc, src));
}

UniquePidl UniquePidl::Prefix(IMalloc* malloc, LPCITEMIDLIST src, UINT n) {
  return UniquePidl(malloc, PrefixPIDL(malloc, src, n));
}

UniquePidl UniquePidl::Append(IMalloc* malloc, LPCITEMIDLIST parentAbs, LPCITEMIDLIST rel) {
  return UniquePidl(malloc, AppendPIDL(malloc, parentAbs, rel));
}

}  // namespace shelltree
