// What the driver's commands share: finding the program's windows, closing one and waiting
// for its process, and memory in the program's process for messages whose buffers the
// platform does not carry across processes.
#pragma once
#include <windows.h>

#include <cstddef>

namespace driver {

inline HWND FindVisible(const char* cls) {
  HWND w = FindWindowA(cls, nullptr);
  return w && IsWindowVisible(w) ? w : nullptr;
}

inline HWND WaitFor(const char* cls, int seconds) {
  for (int i = 0; i < seconds * 20; ++i) {
    if (HWND w = FindVisible(cls)) return w;
    Sleep(50);
  }
  return nullptr;
}

// Asks the top-level window of the class to close and waits until its process has ended;
// 0 when it has (or there was no such window).
inline int CloseAndWait(const char* cls, int seconds) {
  HWND w = FindWindowA(cls, nullptr);
  if (!w) return 0;
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
  PostMessageA(w, WM_CLOSE, 0, 0);
  DWORD r = process ? WaitForSingleObject(process, seconds * 1000) : WAIT_FAILED;
  if (process) CloseHandle(process);
  return r == WAIT_OBJECT_0 ? 0 : 1;
}

class RemoteBuffer {
 public:
  RemoteBuffer(HWND wnd, size_t size) : size_(size) {
    DWORD pid = 0;
    GetWindowThreadProcessId(wnd, &pid);
    process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (process_) mem_ = static_cast<BYTE*>(VirtualAllocEx(process_, nullptr, size, MEM_COMMIT, PAGE_READWRITE));
  }
  ~RemoteBuffer() {
    if (mem_) VirtualFreeEx(process_, mem_, 0, MEM_RELEASE);
    if (process_) CloseHandle(process_);
  }
  RemoteBuffer(const RemoteBuffer&) = delete;
  RemoteBuffer& operator=(const RemoteBuffer&) = delete;
  bool Valid() const { return mem_ != nullptr; }
  // The address, in the program's process, of the byte at `offset`.
  LPARAM Address(size_t offset = 0) const { return reinterpret_cast<LPARAM>(mem_ + offset); }
  bool Write(const void* data, size_t size, size_t offset = 0) {
    return WriteProcessMemory(process_, mem_ + offset, data, size, nullptr);
  }
  bool Read(void* data, size_t size, size_t offset = 0) const {
    return ReadProcessMemory(process_, mem_ + offset, data, size, nullptr);
  }
  size_t Size() const { return size_; }

 private:
  HANDLE process_ = nullptr;
  BYTE* mem_ = nullptr;
  size_t size_;
};

}  // namespace driver
