// Owner types for platform handles and COM references: released exactly once, moved, never copied.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <utility>

namespace win {

// Traits give the handle type, its empty value and its release function.
template <class H, auto Close>
struct NullHandleTraits {
  using Handle = H;
  static Handle Invalid() { return nullptr; }
  static void Release(Handle h) { Close(h); }
};

struct FileHandleTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return INVALID_HANDLE_VALUE; }
  static void Release(Handle h) { CloseHandle(h); }
};

struct FindTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return INVALID_HANDLE_VALUE; }
  static void Release(Handle h) { FindClose(h); }
};
struct ChangeNotificationTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return INVALID_HANDLE_VALUE; }
  static void Release(Handle h) { FindCloseChangeNotification(h); }
};

template <class Traits>
class UniqueHandle {
 public:
  using Handle = typename Traits::Handle;
  UniqueHandle() = default;
  explicit UniqueHandle(Handle h) : h_(h) {}
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& o) noexcept : h_(o.release()) {}
  UniqueHandle& operator=(UniqueHandle&& o) noexcept {
    if (this != &o) reset(o.release());
    return *this;
  }
  ~UniqueHandle() { reset(); }

  Handle get() const { return h_; }
  explicit operator bool() const { return h_ != Traits::Invalid(); }
  Handle release() { return std::exchange(h_, Traits::Invalid()); }
  void reset(Handle h = Traits::Invalid()) {
    Handle old = std::exchange(h_, h);
    if (old != Traits::Invalid()) Traits::Release(old);
  }

 private:
  Handle h_ = Traits::Invalid();
};

inline void DeleteGdiObject(HGDIOBJ h) { DeleteObject(h); }
inline void DestroyImageList(HIMAGELIST h) { ImageList_Destroy(h); }

using UniqueIcon = UniqueHandle<NullHandleTraits<HICON, &DestroyIcon>>;
using UniqueCursor = UniqueHandle<NullHandleTraits<HCURSOR, &DestroyCursor>>;
using UniqueBitmap = UniqueHandle<NullHandleTraits<HBITMAP, &DeleteGdiObject>>;
using UniqueFont = UniqueHandle<NullHandleTraits<HFONT, &DeleteGdiObject>>;
using UniqueBrush = UniqueHandle<NullHandleTraits<HBRUSH, &DeleteGdiObject>>;
using UniquePalette = UniqueHandle<NullHandleTraits<HPALETTE, &DeleteGdiObject>>;
using UniqueDC = UniqueHandle<NullHandleTraits<HDC, &DeleteDC>>;
using UniqueKey = UniqueHandle<NullHandleTraits<HKEY, &RegCloseKey>>;
using UniqueMenu = UniqueHandle<NullHandleTraits<HMENU, &DestroyMenu>>;
using UniqueWindow = UniqueHandle<NullHandleTraits<HWND, &DestroyWindow>>;
using UniqueModule = UniqueHandle<NullHandleTraits<HMODULE, &FreeLibrary>>;  // LoadLibrary results
using UniqueImageList = UniqueHandle<NullHandleTraits<HIMAGELIST, &DestroyImageList>>;
using UniqueAccel = UniqueHandle<NullHandleTraits<HACCEL, &DestroyAcceleratorTable>>;
using UniqueEvent = UniqueHandle<NullHandleTraits<HANDLE, &CloseHandle>>;  // events, threads
using UniqueGlobal = UniqueHandle<NullHandleTraits<HGLOBAL, &GlobalFree>>;  // GlobalAlloc results
using UniqueFile = UniqueHandle<FileHandleTraits>;                         // CreateFile results
using UniqueFind = UniqueHandle<FindTraits>;                        // FindFirstFile results
using UniqueChangeNotification = UniqueHandle<ChangeNotificationTraits>;

// A device context borrowed from a window (GetDC/ReleaseDC); WindowDC(nullptr) is the screen's.
class WindowDC {
 public:
  explicit WindowDC(HWND wnd) : wnd_(wnd), dc_(GetDC(wnd)) {}
  WindowDC(const WindowDC&) = delete;
  WindowDC& operator=(const WindowDC&) = delete;
  ~WindowDC() { if (dc_) ReleaseDC(wnd_, dc_); }
  HDC get() const { return dc_; }

 private:
  HWND wnd_;
  HDC dc_;
};

// A moveable global block's bytes while a scope reads or writes them; Data() is null when the
// block cannot be locked (an empty block never can).
class LockedGlobal {
 public:
  explicit LockedGlobal(HGLOBAL block) : block_(block), data_(static_cast<BYTE*>(GlobalLock(block))) {}
  LockedGlobal(const LockedGlobal&) = delete;
  LockedGlobal& operator=(const LockedGlobal&) = delete;
  ~LockedGlobal() {
    if (data_) GlobalUnlock(block_);
  }
  BYTE* Data() const { return data_; }

 private:
  HGLOBAL block_;
  BYTE* data_;
};

// Selects a GDI object into a DC for one scope.
class SelectInDC {
 public:
  SelectInDC(HDC dc, HGDIOBJ obj) : dc_(dc), old_(SelectObject(dc, obj)) {}
  SelectInDC(const SelectInDC&) = delete;
  SelectInDC& operator=(const SelectInDC&) = delete;
  ~SelectInDC() { SelectObject(dc_, old_); }

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// COM for this thread while the object lives; a thread that already has it keeps it as it was.
class ComScope {
 public:
  ComScope() : hr_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ComScope() {
    if (SUCCEEDED(hr_)) CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;

 private:
  HRESULT hr_;
};

// Reference to a COM interface.
template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(std::nullptr_t) {}
  ComPtr(const ComPtr& o) : p_(o.p_) { if (p_) p_->AddRef(); }
  ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  ComPtr& operator=(ComPtr o) noexcept { std::swap(p_, o.p_); return *this; }
  ~ComPtr() { if (p_) p_->Release(); }

  // Takes over a reference the caller already holds.
  static ComPtr Attach(T* p) { ComPtr c; c.p_ = p; return c; }
  // Adds a reference of its own.
  static ComPtr Share(T* p) { ComPtr c; c.p_ = p; if (p) p->AddRef(); return c; }

  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  void reset() { ComPtr().swap(*this); }
  void swap(ComPtr& o) noexcept { std::swap(p_, o.p_); }
  // Address for an out-parameter; releases what was held first.
  T** put() { reset(); return &p_; }
  void** put_void() { return reinterpret_cast<void**>(put()); }

  template <class U>
  ComPtr<U> As(REFIID iid) const {
    ComPtr<U> r;
    if (p_) p_->QueryInterface(iid, r.put_void());
    return r;
  }

 private:
  T* p_ = nullptr;
};

}  // namespace win
