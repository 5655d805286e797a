// The run's frames: a message-only window takes the run's wakes and the frame's timer.
#include "app/RunPacer.h"

#include <algorithm>
#include <utility>

#include "ui/Guard.h"
#include "win/Errors.h"

namespace {

constexpr UINT kWake = WM_APP + 7;
constexpr UINT_PTR kFrameTimer = 1;
// The screen is brought up to date about once per frame, never once per icon.
constexpr auto kFramePace = std::chrono::milliseconds(30);
// Entries are added with the list's drawing held, as long as a frame lasts, and the input
// waiting is served between frames with the drawing still held. Every few frames the list is
// brought up to date on screen, in a frame of its own: under Wine resuming the list's drawing
// and scrolling it cost as much as a frame of entries.
constexpr auto kFrameWork = std::chrono::milliseconds(25);
constexpr auto kShowEvery = std::chrono::milliseconds(100);

const char* PacerWindowClass(WNDPROC proc) {
  static const char* name = [proc] {
    WNDCLASSA wc{};
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "Mirovane.RunPacer";
    RegisterClassA(&wc);
    return wc.lpszClassName;
  }();
  return name;
}

}  // namespace

RunPacer::RunPacer(Window window) : window_(std::move(window)) {}

RunPacer::Wake RunPacer::Follow() {
  Drop();
  if (!wakes_) {
    wakes_.reset(CreateWindowExA(0, PacerWindowClass(&RunPacer::WndProc), "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                 GetModuleHandleA(nullptr), nullptr));
    if (!wakes_) throw win::Exception("Cannot start the extraction run", win::ErrorKind::Platform, GetLastError());
    SetWindowLongPtrA(wakes_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  following_ = ++runs_;
  nextFrame_ = {};
  deliverAsked_ = false;
  listedNow_ = false;
  roomSpent_ = {};
  const HWND wnd = wakes_.get();
  return [wnd, run = following_] { return PostMessageA(wnd, kWake, run, 0) != FALSE; };
}

void RunPacer::Drop() {
  following_ = 0;
  if (timerSet_ && wakes_) KillTimer(wakes_.get(), kFrameTimer);
  timerSet_ = false;
}

LRESULT CALLBACK RunPacer::WndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = reinterpret_cast<RunPacer*>(GetWindowLongPtrA(wnd, GWLP_USERDATA));
  if (self && msg == kWake) {
    // An older run's wake, posted before it was dropped, goes unanswered.
    if (self->following_ != 0 && wp == self->following_) ui::Guarded([self] { self->Woken(); });
    return 0;
  }
  if (self && msg == WM_TIMER && wp == kFrameTimer) {
    KillTimer(wnd, kFrameTimer);
    self->timerSet_ = false;
    ui::Guarded([self] { self->Deliver(); });
    return 0;
  }
  return DefWindowProcA(wnd, msg, wp, lp);
}

void RunPacer::Woken() {
  const Clock::time_point now = Clock::now();
  // Everything is read: what is left comes without the pause, still after the input waiting.
  if (window_.drawerEnded()) {
    nextFrame_ = std::min(nextFrame_, now);
    return SetFrameTimer({});
  }
  if (timerSet_) return;
  if (now >= nextFrame_) return Deliver();
  SetFrameTimer(nextFrame_ - now);
}

void RunPacer::SetFrameTimer(Clock::duration after) {
  // Timers come after input and painting, so the time between batches belongs to the user.
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(after).count();
  timerSet_ = SetTimer(wakes_.get(), kFrameTimer, std::max<UINT>(static_cast<UINT>(std::max<long long>(ms, 0)),
                                                                  USER_TIMER_MINIMUM),
                       nullptr) != 0;
}

void RunPacer::Deliver() {
  if (following_ == 0) return;
  const unsigned run = following_;
  const Clock::time_point began = Clock::now();
  deliverAsked_ = false;
  listedNow_ = false;
  window_.frame();
  // The frame may have ended the run (and the window dropped it).
  if (following_ != run) return;
  // The next frame comes a frame later, and where drawing the list took longer than a frame,
  // as long again after this one: the user's input always has half the time or more. The
  // frame that tells the listing's end holds back none: the first entries come once drawn; nor
  // do the frames once everything is read.
  const Clock::time_point ended = Clock::now();
  nextFrame_ = listedNow_ || window_.drawerEnded() ? ended : std::max(began + kFramePace, ended + (ended - began));
  // Whatever the window left for later comes in the next frame, and never before the
  // message loop has had its turn; a delivery asked for comes when asked, as paced.
  const bool more = window_.queued();
  if ((!more && !deliverAsked_) || timerSet_) return;
  const Clock::time_point at = more ? nextFrame_ : std::max(nextFrame_, deliverBy_);
  SetFrameTimer(at > ended ? at - ended : Clock::duration{});
}

bool RunPacer::BeginFrame(bool unseen) {
  frameStart_ = Clock::now();
  // Once everything is read, what is held is shown with the run's end, sorted, not before.
  return unseen && frameStart_ - shown_ >= kShowEvery && !window_.drawerEnded();
}

bool RunPacer::FrameHasRoom() const { return Clock::now() - frameStart_ + roomSpent_ < kFrameWork; }

void RunPacer::Grow(const std::function<void()>& grow) {
  const Clock::time_point began = Clock::now();
  grow();
  roomSpent_ = Clock::now() - began;
}

bool RunPacer::EndFrame(bool firstEntries, bool unseen) {
  if (firstEntries && unseen) return true;
  if (unseen) {
    deliverBy_ = Clock::now() + kShowEvery;
    deliverAsked_ = true;
  }
  return false;
}
