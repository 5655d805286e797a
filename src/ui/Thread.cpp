// Worker threads with a synchronous hand-over to the user-interface thread.
#include "ui/Thread.h"

#include "ui/Application.h"
#include "ui/Guard.h"

namespace ui {

Thread::Thread(SIZE_T stackReserve) {
  DWORD id = 0;
  handle_.reset(CreateThread(nullptr, stackReserve, &Thread::Start, this,
                             CREATE_SUSPENDED | (stackReserve ? STACK_SIZE_PARAM_IS_A_RESERVATION : 0), &id));
  if (!handle_) finished_ = true;
}

Thread::~Thread() { StopAndWait(); }

void Thread::StopAndWait() {
  if (!handle_) return;
  if (!finished_) {
    terminated_ = true;
    if (suspended_) {
      // Never started: let it run straight to its end without calling Execute.
      Resume();
    }
  }
  // Even a finished thread is still on its way out; once it is gone nothing of it remains.
  WaitFor();
}

void Thread::Resume() {
  if (handle_ && suspended_) {
    suspended_ = false;
    ResumeThread(handle_.get());
  }
}

void Thread::WaitFor() {
  if (!handle_) return;
  if (GetCurrentThreadId() != Application.MainThreadId()) {
    WaitForSingleObject(handle_.get(), INFINITE);
    return;
  }
  // A hand-over already queued counts as seen once anything has looked at the queue, and a
  // plain wait would then sleep past it while the sender waits for us: serve what is queued
  // first, and wake for queued hand-overs, not only new ones.
  HANDLE h = handle_.get();
  do {
    Application.CheckSynchronize();
  } while (MsgWaitForMultipleObjectsEx(1, &h, INFINITE, QS_SENDMESSAGE, MWMO_INPUTAVAILABLE) == WAIT_OBJECT_0 + 1);
}

void Thread::Synchronize(const std::function<void()>& fn) { Application.Synchronize(fn); }

DWORD WINAPI Thread::Start(void* p) {
  auto* self = static_cast<Thread*>(p);
  if (!self->terminated_) {
    // The error display is shown by the user-interface thread; the worker then ends.
    Guarded([self] { self->Execute(); });
  }
  self->finished_ = true;
  return 0;
}

}  // namespace ui
