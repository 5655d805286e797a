// The reader's hold at one phase of its run, opened from the window's thread.
#include "app/RunGate.h"

#include <stdexcept>

void RunGate::Open() {
  {
    std::lock_guard<std::mutex> hold(lock_);
    open_ = true;
  }
  changed_.notify_all();
}

void RunGate::Pass(Phase phase, const std::function<bool()>& stopped) {
  if (phase != at_) return;
  if (fails_) throw std::runtime_error("The run failed at its gate.");
  std::unique_lock<std::mutex> hold(lock_);
  changed_.wait(hold, [&] { return open_ || stopped(); });
}

void RunGate::Wake() {
  // Taken and let go before the notice, so that a reader between its look at stopped() and
  // its wait cannot miss it.
  { std::lock_guard<std::mutex> hold(lock_); }
  changed_.notify_all();
}
