// Undoes a temporary change when the scope ends, however it ends (return, throw).
#pragma once
#include <utility>

namespace win {

// win::ScopeExit restore([&] { flag = was; }); the step runs once, from the destructor, so it
// must not throw.
template <class F>
class ScopeExit {
 public:
  explicit ScopeExit(F step) : step_(std::move(step)) {}
  ScopeExit(const ScopeExit&) = delete;
  ScopeExit& operator=(const ScopeExit&) = delete;
  ~ScopeExit() { step_(); }

 private:
  F step_;
};

}  // namespace win
