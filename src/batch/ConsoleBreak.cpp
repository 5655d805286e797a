// The console's break handler: a stop flag for the batch commands instead of an abrupt end.
#include "batch/ConsoleBreak.h"

#include <windows.h>

#include <atomic>

#include "win/Handles.h"

namespace batch {

namespace {

std::atomic<bool> stopRequested{false};
// Set once the command has ended; a close waits on it. Program-wide, as the handler is.
win::UniqueEvent finished;

BOOL WINAPI OnConsoleEvent(DWORD event) {
  stopRequested = true;
  if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) return TRUE;  // the command ends itself
  // Closing, logging off, shutting down: the process ends when this returns, so it returns
  // once the file being written is complete (the platform allows about five seconds).
  if (finished) WaitForSingleObject(finished.get(), 4500);
  return TRUE;
}

}  // namespace

void StopOnConsoleBreak() {
  if (!finished) finished.reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

bool StopRequested() { return stopRequested; }

void RequestStop(bool stop) { stopRequested = stop; }

void CommandFinished() {
  if (finished) SetEvent(finished.get());
}

}  // namespace batch
