// Tests of the item-list operations on hand-built lists (well-formed and malformed) and on
// lists the shell hands out.
#include <gtest/gtest.h>
#include <cstring>
#include "ShellTestSupport.h"
#include "shelltree/Pidl.h"
#include "shelltree/SiblingOrder.h"
#include "win/Errors.h"

using namespace shelltree;
using shelltest::AsList;
using shelltest::ListBytes;

namespace {

testing::Environment* const kCom = testing::AddGlobalTestEnvironment(new shelltest::ComEnvironment);

// The shell allocator seen through a counter of frees; an allocation can be made to fail.
class CountingMalloc : public IMalloc {
 public:
  explicit CountingMalloc(IMalloc* real) : real_(real) {}
  int frees = 0;
  bool failAlloc = false;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == IID_IMalloc) {
      *out = this;
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs_; }  // lives on the stack
  void* STDMETHODCALLTYPE Alloc(SIZE_T n) override { return failAlloc ? nullptr : real_->Alloc(n); }
  void* STDMETHODCALLTYPE Realloc(void* p, SIZE_T n) override { return real_->Realloc(p, n); }
  void STDMETHODCALLTYPE Free(void* p) override {
    ++frees;
    real_->Free(p);
  }
  SIZE_T STDMETHODCALLTYPE GetSize(void* p) override { return real_->GetSize(p); }
  int STDMETHODCALLTYPE DidAlloc(void* p) override { return real_->DidAlloc(p); }
  void STDMETHODCALLTYPE HeapMinimize() override { real_->HeapMinimize(); }
  ULONG refs() const { return refs_; }

 private:
  IMalloc* real_;
  ULONG refs_ = 1;
};

std::vector<BYTE> BytesOf(LPCITEMIDLIST pidl, std::size_t n) {
  const BYTE* p = reinterpret_cast<const BYTE*>(pidl);
  return std::vector<BYTE>(p, p + n);
}

}  // namespace

TEST(PidlWalk, CountsAndSizesWellFormedLists) {
  auto bytes = ListBytes({"ab", "", "cdef"});
  EXPECT_EQ(3u, PIDLCount(AsList(bytes)));
  EXPECT_EQ(4u + 2u + 6u, PIDLSize(AsList(bytes)));
  auto empty = ListBytes({});
  EXPECT_EQ(0u, PIDLCount(AsList(empty)));
  EXPECT_EQ(0u, PIDLSize(AsList(empty)));
  EXPECT_EQ(0u, PIDLCount(nullptr));
  EXPECT_EQ(0u, PIDLSize(nullptr));
}

TEST(PidlWalk, MalformedListsAreNeverReadPastTheirEnd) {
  // Zero count in the middle: the walk ends there.
  auto zeroMid = ListBytes({"ab", "cd"});
  zeroMid[4] = zeroMid[5] = 0;
  EXPECT_EQ(1u, PIDLCount(AsList(zeroMid)));

  // A count that runs past the end of the block, no terminator: the page after faults.
  auto runsPast = ListBytes({"ab", "cd"}, false);
  runsPast[4] = 200;
  shelltest::GuardedBytes guarded(runsPast);
  EXPECT_EQ(1u, PIDLCount(guarded.list(), guarded.size()));
  EXPECT_EQ(4u, PIDLSize(guarded.list(), guarded.size()));

  // Items fill the block exactly and no terminator follows.
  shelltest::GuardedBytes noTerminator(ListBytes({"ab", "cd"}, false));
  EXPECT_EQ(2u, PIDLCount(noTerminator.list(), noTerminator.size()));
  auto cd = ListBytes({"cd"});
  auto none = ListBytes({});
  EXPECT_TRUE(SameItem(1, noTerminator.list(), AsList(cd), noTerminator.size()));
  EXPECT_TRUE(SameItem(2, noTerminator.list(), AsList(none), noTerminator.size()));

  // One stray byte where the next header would be.
  auto stray = ListBytes({"ab"}, false);
  stray.push_back(7);
  shelltest::GuardedBytes strayGuarded(stray);
  EXPECT_EQ(1u, PIDLCount(strayGuarded.list(), strayGuarded.size()));

  // A count of 1 cannot cover its own header.
  auto one = ListBytes({"ab", "cd"});
  one[4] = 1;
  one[5] = 0;
  EXPECT_EQ(1u, PIDLCount(AsList(one)));
}

TEST(PidlWalk, AllocatorBlockBoundsTheWalk) {
  auto malloc = shelltest::ShellMalloc();
  auto bytes = ListBytes({"ab", "cd"}, false);
  bytes[4] = 40;  // second item claims more than the block holds
  UniquePidl list = shelltest::AllocatedList(malloc.get(), bytes);
  EXPECT_EQ(bytes.size(), list.limit());
  EXPECT_EQ(1u, list.count());
  EXPECT_EQ(4u, list.size());

  // The copy keeps what is sound and is properly terminated.
  UniquePidl copy = list.clone();
  EXPECT_EQ(BytesOf(copy.get(), 6), ListBytes({"ab"}));
  EXPECT_EQ(6u, malloc->GetSize(copy.get()));

  // A block the allocator did not hand out is not bounded by it.
  auto stack = ListBytes({"ab"});
  EXPECT_EQ(kUnbounded, BlockLimit(malloc.get(), AsList(stack)));
}

TEST(PidlCopy, CloneCopiesItemsAndTerminator) {
  auto malloc = shelltest::ShellMalloc();
  auto bytes = ListBytes({"ab", "xyz"});
  LPITEMIDLIST copy = ClonePIDL(malloc.get(), AsList(bytes));
  ASSERT_NE(nullptr, copy);
  EXPECT_EQ(bytes.size(), malloc->GetSize(copy));
  EXPECT_EQ(bytes, BytesOf(copy, bytes.size()));
  FreePIDL(malloc.get(), copy);
  EXPECT_EQ(nullptr, copy);
  EXPECT_EQ(nullptr, ClonePIDL(malloc.get(), nullptr));
}

TEST(PidlCopy, FailedAllocationRaisesOutOfMemory) {
  CountingMalloc counting(shelltest::ShellMalloc().get());
  counting.failAlloc = true;
  auto bytes = ListBytes({"ab"});
  EXPECT_THROW(ClonePIDL(&counting, AsList(bytes)), win::EOutOfMemory);
  EXPECT_THROW(AppendPIDL(&counting, AsList(bytes), AsList(bytes)), win::EOutOfMemory);
}

TEST(PidlCopy, FreeLeavesForeignBlocksAlone) {
  auto malloc = shelltest::ShellMalloc();
  auto bytes = ListBytes({"ab"});
  LPITEMIDLIST foreign = AsList(bytes);
  FreePIDL(malloc.get(), foreign);
  EXPECT_EQ(nullptr, foreign);
  LPITEMIDLIST none = nullptr;
  FreePIDL(malloc.get(), none);
  EXPECT_EQ(nullptr, none);
}

TEST(PidlAppend, AppendsOnlyTheFirstItemAndSizesTheBlockFromWhatIsCopied) {
  auto malloc = shelltest::ShellMalloc();
  auto parent = ListBytes({"p1", "p22"});
  auto rel = ListBytes({"child", "ignored"});
  UniquePidl joined = UniquePidl::Append(malloc.get(), AsList(parent), AsList(rel));
  auto expected = ListBytes({"p1", "p22", "child"});
  EXPECT_EQ(expected.size(), malloc->GetSize(joined.get()));
  EXPECT_EQ(expected, BytesOf(joined.get(), expected.size()));

  // The parent's list is copied whole, so the block holds all of it.
  auto deep = ListBytes({std::string(300, 'd'), std::string(200, 'e')});
  UniquePidl big = UniquePidl::Append(malloc.get(), AsList(deep), AsList(rel));
  EXPECT_EQ(302u + 202u + 7u + 2u, malloc->GetSize(big.get()));
  EXPECT_EQ(3u, big.count());

  // A relative list that starts with the terminator: a copy of the parent.
  auto empty = ListBytes({});
  UniquePidl same = UniquePidl::Append(malloc.get(), AsList(parent), AsList(empty));
  EXPECT_EQ(parent, BytesOf(same.get(), parent.size()));
  EXPECT_EQ(parent.size(), malloc->GetSize(same.get()));

  // No parent list: the desktop.
  UniquePidl top = UniquePidl::Append(malloc.get(), nullptr, AsList(rel));
  EXPECT_EQ(ListBytes({"child"}), BytesOf(top.get(), 9));
}

TEST(PidlAppend, MalformedInputIsCutNotOverrun) {
  auto malloc = shelltest::ShellMalloc();
  auto parentBytes = ListBytes({"p1", "p2"}, false);
  parentBytes[4] = 90;
  UniquePidl parent = shelltest::AllocatedList(malloc.get(), parentBytes);
  auto relBytes = ListBytes({"c"}, false);
  relBytes[0] = 30;  // the only item runs past its block
  UniquePidl rel = shelltest::AllocatedList(malloc.get(), relBytes);
  UniquePidl joined = UniquePidl::Append(malloc.get(), parent.get(), rel.get());
  EXPECT_EQ(ListBytes({"p1"}), BytesOf(joined.get(), 6));
  EXPECT_EQ(6u, malloc->GetSize(joined.get()));
}

TEST(PidlEdit, DropLastItemNeedsTwoItems) {
  auto three = ListBytes({"a", "bb", "ccc"});
  EXPECT_TRUE(DropLastItem(AsList(three)));
  EXPECT_EQ(2u, PIDLCount(AsList(three)));
  EXPECT_TRUE(DropLastItem(AsList(three)));
  EXPECT_EQ(1u, PIDLCount(AsList(three)));
  EXPECT_FALSE(DropLastItem(AsList(three)));
  EXPECT_EQ(1u, PIDLCount(AsList(three)));
  auto empty = ListBytes({});
  EXPECT_FALSE(DropLastItem(AsList(empty)));
  EXPECT_FALSE(DropLastItem(nullptr));
}

TEST(PidlEdit, SameItemComparesTheItemAtADepth) {
  auto list = ListBytes({"root", "mid", "leaf"});
  auto leaf = ListBytes({"leaf", "more"});
  auto mid = ListBytes({"mid"});
  auto other = ListBytes({"lea!"});
  auto bare = ListBytes({""});
  auto empty = ListBytes({});
  EXPECT_TRUE(SameItem(2, AsList(list), AsList(leaf)));
  EXPECT_TRUE(SameItem(1, AsList(list), AsList(mid)));
  EXPECT_FALSE(SameItem(0, AsList(list), AsList(mid)));    // different count
  EXPECT_FALSE(SameItem(2, AsList(list), AsList(other)));  // same count, different data
  EXPECT_TRUE(SameItem(3, AsList(list), AsList(empty)));   // both at the terminator
  EXPECT_FALSE(SameItem(4, AsList(list), AsList(empty)));  // list too short
  auto bareList = ListBytes({"x", ""});
  EXPECT_TRUE(SameItem(1, AsList(bareList), AsList(bare)));
  EXPECT_FALSE(SameItem(0, nullptr, AsList(empty)));

  // A guarded item whose count runs past its block reads as the end of the list.
  auto bad = ListBytes({"leaf"}, false);
  bad[0] = 60;
  shelltest::GuardedBytes guarded(bad);
  EXPECT_FALSE(SameItem(2, AsList(list), guarded.list(), kUnbounded, guarded.size()));
  EXPECT_TRUE(SameItem(3, AsList(list), guarded.list(), kUnbounded, guarded.size()));
}

TEST(PidlOwner, FreesExactlyOnceAndMoves) {
  CountingMalloc counting(shelltest::ShellMalloc().get());
  auto bytes = ListBytes({"ab"});
  {
    UniquePidl a = UniquePidl::Clone(&counting, AsList(bytes));
    UniquePidl b = std::move(a);
    EXPECT_FALSE(a);
    EXPECT_TRUE(b);
    UniquePidl c;
    c = std::move(b);
    c = std::move(c);
    EXPECT_TRUE(c);
    EXPECT_EQ(0, counting.frees);
    UniquePidl d = UniquePidl::Clone(&counting, AsList(bytes));
    d = std::move(c);  // d's old list goes
    EXPECT_EQ(1, counting.frees);
    d.reset(d.get());  // same list: kept
    EXPECT_EQ(1, counting.frees);
    LPITEMIDLIST raw = d.release();
    EXPECT_EQ(1, counting.frees);
    FreePIDL(&counting, raw);
    EXPECT_EQ(2, counting.frees);
    UniquePidl e = UniquePidl::Clone(&counting, AsList(bytes));
  }
  EXPECT_EQ(3, counting.frees);
  EXPECT_EQ(1u, counting.refs());  // every owner let go of the allocator
}

TEST(PidlText, NamingRecordsOfAllThreeForms) {
  std::string text;
  STRRET wide{};
  wide.uType = STRRET_WSTR;
  wide.pOleStr = static_cast<LPWSTR>(CoTaskMemAlloc(6 * sizeof(WCHAR)));
  std::memcpy(wide.pOleStr, L"Disk!", 6 * sizeof(WCHAR));
  EXPECT_TRUE(StrRetText(wide, nullptr, text));
  EXPECT_EQ("Disk!", text);
  EXPECT_EQ(nullptr, wide.pOleStr);

  STRRET noText{};  // a wide form without a string
  EXPECT_FALSE(StrRetText(noText, nullptr, text));

  STRRET narrow{};
  narrow.uType = STRRET_CSTR;
  std::strcpy(narrow.cStr, "Folder");
  EXPECT_TRUE(StrRetText(narrow, nullptr, text));
  EXPECT_EQ("Folder", text);
  std::memset(narrow.cStr, 'z', sizeof narrow.cStr);  // no NUL anywhere
  EXPECT_TRUE(StrRetText(narrow, nullptr, text));
  EXPECT_EQ(std::string(sizeof narrow.cStr, 'z'), text);

  auto item = ListBytes({std::string("\x01name\0", 6)});
  STRRET offset{};
  offset.uType = STRRET_OFFSET;
  offset.uOffset = 3;
  EXPECT_TRUE(StrRetText(offset, AsList(item), text));
  EXPECT_EQ("name", text);

  // No NUL before the block ends: the text stops at the block.
  auto unterminated = ListBytes({"xxname"}, false);
  shelltest::GuardedBytes guarded(unterminated);
  offset.uOffset = 4;
  EXPECT_TRUE(StrRetText(offset, guarded.list(), text, guarded.size()));
  EXPECT_EQ("name", text);
  offset.uOffset = 8;  // past the item
  EXPECT_FALSE(StrRetText(offset, guarded.list(), text, guarded.size()));
  offset.uOffset = 0;  // inside the count
  EXPECT_FALSE(StrRetText(offset, guarded.list(), text, guarded.size()));
}

class ShellLists : public testing::Test {
 protected:
  win::ComPtr<IMalloc> malloc = shelltest::ShellMalloc();
  win::ComPtr<IShellFolder> desktop = shelltest::Desktop();
  shelltest::ScratchDir dir;

  UniquePidl Parse(const std::string& path) {
    std::wstring wide(path.begin(), path.end());
    UniquePidl pidl;
    ULONG eaten = 0;
    HRESULT hr = desktop->ParseDisplayName(nullptr, nullptr, wide.data(), &eaten,
                                           pidl.put(malloc.get()), nullptr);
    EXPECT_TRUE(SUCCEEDED(hr)) << path;
    return pidl;
  }
  UniquePidl Special(int csidl) {
    UniquePidl pidl;
    EXPECT_TRUE(SUCCEEDED(SHGetSpecialFolderLocation(nullptr, csidl, pidl.put(malloc.get()))));
    return pidl;
  }
  static bool SamePath(const std::string& a, const std::string& b) {
    return lstrcmpiA(a.c_str(), b.c_str()) == 0;
  }
};

TEST_F(ShellLists, SpecialFolderListsHaveTheirDepth) {
  UniquePidl desk = Special(CSIDL_DESKTOP);
  EXPECT_EQ(0u, desk.count());
  UniquePidl drives = Special(CSIDL_DRIVES);
  EXPECT_EQ(1u, drives.count());
  EXPECT_EQ(drives.size() + 2, drives.limit());
  EXPECT_EQ("", PIDLPath(drives.get()));  // My Computer has no file-system path
}

TEST_F(ShellLists, ParsedFolderRoundTrips) {
  std::string leafPath = dir.mkdir("alpha") + "\\beta";
  CreateDirectoryA(leafPath.c_str(), nullptr);
  UniquePidl leaf = Parse(leafPath);
  UINT depth = leaf.count();
  ASSERT_GE(depth, 3u);
  EXPECT_TRUE(SamePath(leafPath, PIDLPath(leaf.get())));

  // Parent plus last item gives back the same list.
  UniquePidl parent = leaf.clone();
  ASSERT_TRUE(parent.dropLastItem());
  EXPECT_EQ(depth - 1, parent.count());
  EXPECT_TRUE(SamePath(dir.sub("alpha"), PIDLPath(parent.get())));
  LPCITEMIDLIST last = ILFindLastID(leaf.get());
  UniquePidl rebuilt = UniquePidl::Append(malloc.get(), parent.get(), last);
  ASSERT_EQ(leaf.size(), rebuilt.size());
  EXPECT_EQ(0, std::memcmp(leaf.get(), rebuilt.get(), leaf.size() + 2));
  EXPECT_EQ(0, CompareItems(desktop.get(), 0, leaf.get(), rebuilt.get()));

  // Every item of the rebuilt list is the same item at the same depth.
  UniquePidl walk = leaf.clone();
  for (UINT d = depth; d-- > 0;) {
    EXPECT_TRUE(SameItem(d, rebuilt.get(), ILFindLastID(walk.get()))) << d;
    EXPECT_FALSE(d > 0 && SameItem(d - 1, rebuilt.get(), ILFindLastID(walk.get()))) << d;
    walk.dropLastItem();
  }
}

TEST_F(ShellLists, DisplayNamesNormalAndParsing) {
  // The desktop itself: its normal name is not its parsing name.
  auto empty = ListBytes({});
  std::string normal = DisplayNameOf(desktop.get(), AsList(empty), SHGDN_NORMAL);
  std::string parsing = DisplayNameOf(desktop.get(), AsList(empty), SHGDN_FORPARSING);
  EXPECT_FALSE(normal.empty());
  EXPECT_FALSE(parsing.empty());
  EXPECT_NE(normal, parsing);

  // A folder seen from its parent: the normal name is the folder's name, the parsing name its
  // full path.
  std::string path = dir.mkdir("Named Folder");
  UniquePidl parent = Parse(dir.path());
  win::ComPtr<IShellFolder> parentFolder;
  ASSERT_TRUE(SUCCEEDED(desktop->BindToObject(parent.get(), nullptr, IID_IShellFolder,
                                              parentFolder.put_void())));
  UniquePidl abs = Parse(path);
  LPCITEMIDLIST rel = ILFindLastID(abs.get());
  EXPECT_EQ("Named Folder", DisplayNameOf(parentFolder.get(), rel, SHGDN_NORMAL));
  EXPECT_TRUE(SamePath(path, DisplayNameOf(parentFolder.get(), rel, SHGDN_FORPARSING)));
  EXPECT_TRUE(SamePath(path, DisplayNameOf(desktop.get(), abs.get(), SHGDN_FORPARSING)));
  EXPECT_EQ("", DisplayNameOf(nullptr, rel, SHGDN_NORMAL));
}
