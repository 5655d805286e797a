// The one way our code is entered from the platform (window procedures, thread procedures,
// comparison and enumeration callbacks, the program entry): an exception must never unwind
// through the platform's frames, which neither expect nor pass it on.
#pragma once
#include <exception>
#include <utility>

#include "ui/Application.h"

namespace ui {

// Runs body; whatever it throws goes to the general error display and the platform gets
// `fallback`.
template <class R, class F>
R Guarded(R fallback, F&& body) noexcept {
  try {
    return std::forward<F>(body)();
  } catch (...) {
    Application.HandleCurrentException();
    return fallback;
  }
}

template <class F>
void Guarded(F&& body) noexcept {
  try {
    std::forward<F>(body)();
  } catch (...) {
    Application.HandleCurrentException();
  }
}

// For callbacks inside a platform call that our own code made (a sort, an enumeration): the
// first exception is kept, later calls get `fallback` without running, and Rethrow, once the
// platform call has returned, sends the exception on through our own code.
class CallbackErrors {
 public:
  template <class R, class F>
  R Run(R fallback, F&& body) noexcept {
    if (failure_) return fallback;
    try {
      return std::forward<F>(body)();
    } catch (...) {
      failure_ = std::current_exception();
      return fallback;
    }
  }
  bool Failed() const { return static_cast<bool>(failure_); }
  void Rethrow() {
    if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
  }

 private:
  std::exception_ptr failure_;
};

}  // namespace ui
