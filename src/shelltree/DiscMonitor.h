// Watches one folder for changes on a thread of its own and hands each change report to the
// user-interface thread, where the folder's node re-lists its children.
#pragma once
#include <windows.h>

#include <atomic>
#include <memory>
#include <string>

#include "win/Handles.h"
#include "ui/Thread.h"

// What a monitor reports to: the node of the watched folder. Called on the user-interface
// thread only, never after the monitor's destruction has begun. It must not destroy the monitor
// that is calling it.
class TMonitorTarget {
 public:
  virtual void MonitorChanged() = 0;

 protected:
  ~TMonitorTarget() = default;
};

// Each folder is watched by its own node's monitor, so a watch never covers sub-folders.
inline constexpr BOOL kWatchSubtree = FALSE;

// Folder names and attributes: the filter of a tree that lists folders only.
inline constexpr DWORD kDefaultNotifyFilter = FILE_NOTIFY_CHANGE_ATTRIBUTES | FILE_NOTIFY_CHANGE_DIR_NAME;

// A monitor's thread only waits and hands over, so a small reservation is plenty; with the
// default one a 32-bit process runs out of address space after a couple of thousand watches.
inline constexpr SIZE_T kMonitorStackReserve = 64 * 1024;

class TDiscMonitorThread : public ui::Thread {
 public:
  // Created suspended; Resume starts the watch. When the thread or its events cannot be
  // created the monitor is Failed from the start and never runs.
  TDiscMonitorThread(TMonitorTarget* node, std::string path, DWORD filter,
                     SIZE_T stackReserve = kMonitorStackReserve);
  // Stops the watch and waits for the thread, serving hand-overs of other threads meanwhile.
  // A change report still pending is dropped: the node is never called from here on.
  ~TDiscMonitorThread() override;

  // A new filter restarts the watch; only a running monitor is signalled (a suspended one
  // reads the filter when it starts, an ended one never restarts).
  void SetFilter(DWORD filter);
  // Detaches the node and asks the thread to end without waiting, so that a caller stopping
  // many monitors lets them all wind down at once before destroying them.
  void Stop();

  const std::string& MonitorPath() const { return path_; }
  DWORD Filter() const { return filter_; }
  // The watch could not be started (or restarted); the thread has ended or never ran.
  bool Failed() const { return failed_; }
  // Started, not failed and not ended.
  bool Running() const { return !Suspended() && !Finished() && !failed_; }

 protected:
  void Execute() override;

 private:
  void NotifyChange();

  std::atomic<TMonitorTarget*> MonitorNode;
  const std::string path_;
  std::atomic<DWORD> filter_;
  // Owned by the object, not the loop, so a monitor whose loop has ended can still be
  // signalled and destroyed safely.
  win::UniqueEvent StopEvent;
  win::UniqueEvent FilterEvent;
  std::atomic<bool> failed_{false};
};

// Starts watching `path` for `node`: nullptr when the path, trimmed, is empty (a folder with
// no file-system path is never watched). A monitor that could not be started comes back
// Failed; its node keeps working without live updates.
std::unique_ptr<TDiscMonitorThread> StartDiscMonitor(TMonitorTarget* node, const std::string& path,
                                                     DWORD filter);
