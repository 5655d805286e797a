// Drives a modal dialog from the test's own thread: a step runs from the dialog's message
// loop, and keys reach the windows the way the keyboard's messages do.
#pragma once
#include <windows.h>

#include <functional>
#include <utility>

namespace dialogsteps {

inline std::function<void()>& PendingStep() {
  static std::function<void()> step;
  return step;
}

inline void CALLBACK RunPendingStep(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  auto step = std::exchange(PendingStep(), nullptr);
  if (step) step();
}

}  // namespace dialogsteps

// Runs the step once the message loop (a modal dialog's, for instance) next waits.
inline void WhenShown(std::function<void()> step) {
  dialogsteps::PendingStep() = std::move(step);
  SetTimer(nullptr, 0, 50, &dialogsteps::RunPendingStep);
}

// A key press as the keyboard delivers it to the window.
inline void PostKey(HWND w, WORD vk) {
  PostMessageA(w, WM_KEYDOWN, vk, 1);
  PostMessageA(w, WM_KEYUP, vk, 0xC0000001);
}
