// A hold on an extraction run's reader at one phase, for whoever must act while the run is
// there (a test pressing Esc while the files are listed): the reader stops at the phase until
// the gate is opened or its run is stopped; or, for a test of a run that fails, raises there.
#pragma once
#include <condition_variable>
#include <functional>
#include <mutex>

class RunGate {
 public:
  enum class Phase {
    Listing,  // before the folder is listed: nothing is found yet
    Reading,  // once the first icons are passed on: before each later file
  };
  // fails: the reader raises at the phase (what a damaged disc's read may raise) instead of waiting.
  explicit RunGate(Phase at, bool fails = false) : at_(at), fails_(fails) {}
  RunGate(const RunGate&) = delete;
  RunGate& operator=(const RunGate&) = delete;

  // Lets the reader on, now and at every later pass.
  void Open();

  // The reader's side: at `phase`, waits while the gate is shut and stopped() is false (or raises).
  void Pass(Phase phase, const std::function<bool()>& stopped);
  // Has a waiting reader look at its stopped() again: its run is being stopped.
  void Wake();

 private:
  const Phase at_;
  const bool fails_;
  std::mutex lock_;
  std::condition_variable changed_;
  bool open_ = false;
};
