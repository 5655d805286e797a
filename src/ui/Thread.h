// A worker thread object: created suspended, with terminated and finished flags, a
// synchronous hand-over to the user-interface thread, and destruction that waits for the
// thread while still serving hand-overs.
#pragma once
#include <windows.h>

#include <atomic>
#include <functional>

#include "win/Handles.h"

namespace ui {

class Thread {
 public:
  // The thread starts suspended; a small stack reservation keeps many threads affordable.
  explicit Thread(SIZE_T stackReserve = 0);
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;
  // Asks the thread to end and waits for it (unless it never ran).
  virtual ~Thread();

  // False when the platform could not create the thread.
  bool Created() const { return static_cast<bool>(handle_); }
  void Resume();
  void Terminate() { terminated_ = true; }
  bool Terminated() const { return terminated_; }
  bool Finished() const { return finished_; }
  bool Suspended() const { return suspended_; }
  // Waits until the thread has ended; on the user-interface thread hand-overs from other
  // threads keep being served meanwhile.
  void WaitFor();

 protected:
  virtual void Execute() = 0;
  // Runs fn on the user-interface thread and returns when it has finished.
  void Synchronize(const std::function<void()>& fn);
  // Derived destructors call this first, so Execute never runs on a half-destroyed object.
  void StopAndWait();

 private:
  static DWORD WINAPI Start(void* self);
  win::UniqueEvent handle_;
  std::atomic<bool> terminated_{false}, finished_{false}, suspended_{true};
};

}  // namespace ui
