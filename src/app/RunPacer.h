// The pace of a run's frames on the window's thread: when a frame comes after the run's wake,
// how long it adds entries, when the list is brought up to date on screen, and how long the
// growth of the lists may take of it. Every timing rule of the frames is here; the run's
// threads only wake it.
#pragma once
#include <windows.h>

#include <chrono>
#include <functional>

#include "win/Handles.h"

class RunPacer {
 public:
  using Clock = std::chrono::steady_clock;
  // What the pacer asks of the window, on the window's thread.
  struct Window {
    std::function<void()> frame;        // a frame is due: take what the run handed over
    std::function<bool()> drawerEnded;  // everything the run gives is queued: no more pauses
    std::function<bool()> queued;       // the run has more batches ready than the frame took
  };
  // A run's wake, called on its threads: false where it could not be posted.
  using Wake = std::function<bool()>;

  explicit RunPacer(Window window);
  RunPacer(const RunPacer&) = delete;
  RunPacer& operator=(const RunPacer&) = delete;

  // Paces a new run from now on, which wakes the window by the wake returned; the wakes of any
  // run before it are dropped here, the one place that tells the newest run apart.
  Wake Follow();
  // No frame comes from now on (until the next Follow): the run is stopped or gone.
  void Drop();

  // ---- Within a frame
  // A frame begins, with entries added and not yet shown or none: whether it is a frame of its
  // own that brings the list up to date on screen (every 100 ms, until everything is drawn).
  bool BeginFrame(bool unseen);
  // Whether the frame has room for another batch: 25 ms of work, less the last growth's time.
  bool FrameHasRoom() const;
  // The frame took the listing's end: the next frame comes at once, with the first entries.
  void Listed() { listedNow_ = true; }
  // Grows the lists (grow), timed: the next frame's batches get the rest of the frame.
  void Grow(const std::function<void()>& grow);
  // The list was brought up to date on screen.
  void Shown() { shown_ = Clock::now(); }
  // The frame ends, the run going on: whether the list is to be shown now (the run's first
  // entries, in the frame that took them); else what is held is shown in time, a frame coming
  // within 100 ms whether or not the run brings more.
  bool EndFrame(bool firstEntries, bool unseen);

 private:
  static LRESULT CALLBACK WndProc(HWND, UINT, WPARAM, LPARAM);
  void Woken();
  void SetFrameTimer(Clock::duration after);
  void Deliver();

  const Window window_;
  unsigned runs_ = 0;       // runs followed so far
  unsigned following_ = 0;  // the run followed (its number), 0 for none
  Clock::time_point nextFrame_{};
  Clock::time_point deliverBy_{};  // when the window asked to be delivered to again
  bool deliverAsked_ = false;
  bool timerSet_ = false;
  bool listedNow_ = false;
  Clock::time_point frameStart_{};
  Clock::duration roomSpent_{};
  Clock::time_point shown_{};
  win::UniqueWindow wakes_;  // last: made on the first Follow, gone first
};
