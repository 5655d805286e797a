// The reference count of the COM objects the program hands to the platform (drag and drop),
// and the one place they are made and destroyed.
#pragma once
#include <windows.h>

#include <atomic>
#include <utility>

#include "win/Handles.h"

namespace win {

// Implements AddRef and Release for every interface the object derives from; the object
// deletes itself with its last reference. The derived class answers QueryInterface.
template <class... Interfaces>
class ComObject : public Interfaces... {
 public:
  ComObject() = default;
  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;
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
