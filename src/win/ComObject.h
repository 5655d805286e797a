// The reference count of the COM objects the program hands to the platform (drag and drop),
// and the one place they are made and destroyed.
#pragma once
#include <windows.h>

#include <atomic>
#include <tuple>
#include <utility>

#include "win/Handles.h"

namespace win {

// Implements IUnknown for every interface the object derives from: QueryInterface answers each
// of them (IUnknown as the first), and the object deletes itself with its last reference.
template <class... Interfaces>
class ComObject : public Interfaces... {
 public:
  ComObject() = default;
  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid == IID_IUnknown) *out = static_cast<std::tuple_element_t<0, std::tuple<Interfaces...>>*>(this);
    ((*out == nullptr && iid == __uuidof(Interfaces) ? (*out = static_cast<Interfaces*>(this)) : nullptr), ...);
    if (!*out) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

 protected:
  virtual ~ComObject() = default;

 private:
  std::atomic<ULONG> references_{1};
};

// A new object of ours, held by its first reference as one of its interfaces.
template <class T, class Interface = T, class... Args>
ComPtr<Interface> MakeComObject(Args&&... args) {
  return ComPtr<Interface>::Attach(static_cast<Interface*>(new T(std::forward<Args>(args)...)));
}

}  // namespace win
