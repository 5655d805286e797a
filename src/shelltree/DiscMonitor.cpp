// The folder change monitor: one thread per watched folder, waiting for the stop signal, a
// filter change or the system's change notification, and handing each change to the
// user-interface thread.
#include "shelltree/DiscMonitor.h"

#include <utility>

#include "win/LongPath.h"

TDiscMonitorThread::TDiscMonitorThread(TMonitorTarget* node, std::string path, DWORD filter,
                                       SIZE_T stackReserve)
    : ui::Thread(stackReserve), MonitorNode(node), path_(std::move(path)), filter_(filter) {
  StopEvent.reset(CreateEventA(nullptr, FALSE, FALSE, nullptr));
  FilterEvent.reset(CreateEventA(nullptr, FALSE, FALSE, nullptr));
  // Without its thread or its events the monitor can never watch; it ends before it starts.
  if (!Created() || !StopEvent || !FilterEvent) failed_ = true;
}

TDiscMonitorThread::~TDiscMonitorThread() {
  Stop();
  // A monitor that never ran is let through to its end without running the loop.
  StopAndWait();
}

void TDiscMonitorThread::Stop() {
  // Cleared before anything waits, so a report already on its way finds no node to call.
  MonitorNode = nullptr;
  if (StopEvent) SetEvent(StopEvent.get());
}

void TDiscMonitorThread::SetFilter(DWORD filter) {
  if (filter == filter_) return;
  filter_ = filter;
  if (Running()) SetEvent(FilterEvent.get());
}

void TDiscMonitorThread::NotifyChange() {
  if (TMonitorTarget* node = MonitorNode.load()) node->MonitorChanged();
}

namespace {

// Whether the watched folder is still there; a drive without its medium shows no box.
bool StillAFolder(const std::string& path) {
  DWORD old = 0;
  SetThreadErrorMode(SEM_FAILCRITICALERRORS, &old);
  DWORD attributes = win::FileAttributes(path);
  SetThreadErrorMode(old, nullptr);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

void TDiscMonitorThread::Execute() {
  auto watch = [this] {
    return win::UniqueChangeNotification(
        FindFirstChangeNotificationW(win::FilePath(path_).c_str(), kWatchSubtree, filter_.load()));
  };
  win::UniqueChangeNotification notification = watch();
  for (;;) {
    if (!notification) {
      failed_ = true;
      return;
    }
    HANDLE handles[3] = {StopEvent.get(), FilterEvent.get(), notification.get()};
    DWORD r = WaitForMultipleObjects(3, handles, FALSE, INFINITE);
    if (r == WAIT_OBJECT_0) return;
    if (r == WAIT_OBJECT_0 + 1) {
      notification.reset();
      notification = watch();
    } else if (r == WAIT_OBJECT_0 + 2) {
      // Re-armed before the refresh: a change made before the re-arm is in the listing, one
      // made after it signals again. Re-armed after the refresh, a change made in between
      // could be lost, as the platform need not keep it. A folder that went away (or a
      // notification that cannot be re-armed) would keep signalling and refresh in a loop: it
      // gets its last refresh and the watch ends.
      const bool rearmed = StillAFolder(path_) && FindNextChangeNotification(notification.get());
      Synchronize([this] { NotifyChange(); });
      if (!rearmed) {
        failed_ = true;
        return;
      }
    } else {
      // A wait that fails would fail again at once; end rather than spin.
      failed_ = true;
      return;
    }
  }
}

std::unique_ptr<TDiscMonitorThread> StartDiscMonitor(TMonitorTarget* node, const std::string& path,
                                                     DWORD filter) {
  auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
  bool empty = true;
  for (char c : path) empty = empty && blank(c);
  if (empty) return nullptr;
  auto monitor = std::make_unique<TDiscMonitorThread>(node, path, filter);
  if (!monitor->Failed()) monitor->Resume();
  return monitor;
}
