// Shared helpers of the folder-tree tests: COM set-up, the shell allocator and desktop, a
// scratch directory tree, hand-built item lists and memory that faults when read past its end.
#pragma once
#include <windows.h>
#include <shlobj.h>
#include <gtest/gtest.h>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>
#include "shelltree/Pidl.h"
#include "ui/Application.h"
#include "win/Handles.h"

namespace shelltest {

// Serves messages (and so the monitors' hand-overs) until the condition holds or time runs out.
inline bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  for (;;) {
    ui::Application.ProcessMessages();
    if (done()) return true;
    if (GetTickCount() - start > timeoutMs) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
}


inline win::ComPtr<IMalloc> ShellMalloc() {
  win::ComPtr<IMalloc> m;
  EXPECT_TRUE(SUCCEEDED(SHGetMalloc(m.put())));
  return m;
}

inline win::ComPtr<IShellFolder> Desktop() {
  win::ComPtr<IShellFolder> d;
  EXPECT_TRUE(SUCCEEDED(SHGetDesktopFolder(d.put())));
  return d;
}

// Raw bytes of a list: each item's data as given, counts filled in, terminator appended.
inline std::vector<BYTE> ListBytes(std::initializer_list<std::string> items, bool terminate = true) {
  std::vector<BYTE> bytes;
  for (const std::string& data : items) {
    USHORT cb = static_cast<USHORT>(data.size() + 2);
    bytes.push_back(static_cast<BYTE>(cb & 0xFF));
    bytes.push_back(static_cast<BYTE>(cb >> 8));
    for (char ch : data) bytes.push_back(static_cast<BYTE>(ch));
  }
  if (terminate) bytes.resize(bytes.size() + 2, 0);
  return bytes;
}

inline LPITEMIDLIST AsList(std::vector<BYTE>& bytes) {
  return reinterpret_cast<LPITEMIDLIST>(bytes.data());
}

// Bytes placed at the very end of a readable page followed by an inaccessible one, so any read
// past them faults.
class GuardedBytes {
 public:
  explicit GuardedBytes(const std::vector<BYTE>& bytes) {
    SYSTEM_INFO si;
    GetSystemInfo(&si);
    page_ = si.dwPageSize;
    base_ = static_cast<BYTE*>(VirtualAlloc(nullptr, 2 * page_, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    DWORD old;
    VirtualProtect(base_ + page_, page_, PAGE_NOACCESS, &old);
    data_ = base_ + page_ - bytes.size();
    std::memcpy(data_, bytes.data(), bytes.size());
    size_ = bytes.size();
  }
  GuardedBytes(const GuardedBytes&) = delete;
  GuardedBytes& operator=(const GuardedBytes&) = delete;
  ~GuardedBytes() { VirtualFree(base_, 0, MEM_RELEASE); }
  LPITEMIDLIST list() const { return reinterpret_cast<LPITEMIDLIST>(data_); }
  std::size_t size() const { return size_; }

 private:
  BYTE* base_ = nullptr;
  BYTE* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t page_ = 0;
};

// A block of the shell allocator holding exactly the given bytes.
inline shelltree::UniquePidl AllocatedList(IMalloc* malloc, const std::vector<BYTE>& bytes) {
  void* block = malloc->Alloc(bytes.size());
  std::memcpy(block, bytes.data(), bytes.size());
  return shelltree::UniquePidl(malloc, static_cast<LPITEMIDLIST>(block));
}

// A fresh directory under the temporary folder, removed with its contents at the end.
class ScratchDir {
 public:
  ScratchDir() {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    char full[MAX_PATH];
    GetLongPathNameA(temp, full, MAX_PATH);
    std::string base = full;
    if (base.back() != '\\') base += '\\';
    for (int i = 0;; ++i) {
      path_ = base + "shelltree-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(i);
      if (CreateDirectoryA(path_.c_str(), nullptr)) break;
    }
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  ~ScratchDir() { Remove(path_); }

  const std::string& path() const { return path_; }
  std::string sub(const std::string& rel) const { return path_ + "\\" + rel; }
  std::string mkdir(const std::string& rel) const {
    std::string p = sub(rel);
    CreateDirectoryA(p.c_str(), nullptr);
    return p;
  }
  std::string file(const std::string& rel, std::size_t bytes) const {
    std::string p = sub(rel);
    win::UniqueFile f(CreateFileA(p.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    std::string content(bytes, 'x');
    DWORD written = 0;
    WriteFile(f.get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    return p;
  }

 private:
  static void Remove(const std::string& dir) {
    WIN32_FIND_DATAA fd;
    win::UniqueFind find(FindFirstFileA((dir + "\\*").c_str(), &fd));
    if (find) {
      do {
        // The short name, where there is one, reaches also names the code page cannot spell.
        std::string name = fd.cAlternateFileName[0] ? fd.cAlternateFileName : fd.cFileName;
        if (name == "." || name == "..") continue;
        std::string p = dir + "\\" + name;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) Remove(p);
        else DeleteFileA(p.c_str());
      } while (FindNextFileA(find.get(), &fd));
    }
    find.reset();
    RemoveDirectoryA(dir.c_str());
  }
  std::string path_;
};

// The shell wants COM on the testing thread.
class ComEnvironment : public testing::Environment {
 public:
  void SetUp() override { CoInitialize(nullptr); }
  void TearDown() override { CoUninitialize(); }
};

}  // namespace shelltest
