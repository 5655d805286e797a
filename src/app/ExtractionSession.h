// One extraction run off the window's thread: a reader lists the folder and reads its files, a
// drawer makes the pictures of the icons it lists and hands them over in batches, waking the
// window's side (RunPacer), which takes them. It has no window of its own.
#pragma once
#include <windows.h>

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/RunChannels.h"
#include "app/RunGate.h"
#include "extract/BatchVerdicts.h"
#include "extract/CaptionOrder.h"
#include "win/IconBatch.h"

// What a run reads. Fixed at its start, except the file types, which the configuration dialog
// may change while it runs (SetTypes).
struct RunOptions {
  std::string folder;  // ending in "\"
  bool includeSubs = false;
  bool extractFromAll = false;
  std::string fileTypes;
  int minSize = 0;
  bool unique = false;
  // The edges of the list's large and small pictures at the window's scale.
  int largeSize = 32, smallSize = 16;
  bool cursors = false;  // each file's cursors after its icons
  std::shared_ptr<RunGate> gate;  // where the reader is held, if anywhere
  // Whether the platform's lists take batches, as learnt by the runs before; none: learnt anew.
  std::shared_ptr<BatchVerdicts> batches;
};

class ExtractionSession {
 public:
  // Called on the run's threads when it has something new and no wake is on its way since the
  // last Take: whoever takes is to call Take. False where the wake could not be given.
  using Wake = std::function<bool()>;

  // Starts the run's threads.
  ExtractionSession(RunOptions options, Wake wake);
  ExtractionSession(const ExtractionSession&) = delete;
  ExtractionSession& operator=(const ExtractionSession&) = delete;
  // Stops the threads and waits for them; what they had not handed over yet goes with it.
  ~ExtractionSession();

  // Tells the threads to stop and waits for them; no wake comes after this.
  void Stop();
  bool Stopped() const { return stop_.Stopped(); }

  // The types later files are asked against.
  void SetTypes(std::string fileTypes, bool extractFromAll);
  // The list's picture sizes for icons read from now on (after a change of scale).
  void SetSizes(int largeSize, int smallSize);

  // The oldest batch handed over and not yet taken (if any), with the run's state; the end
  // (finished) is handed over with the last batch.
  RunHandover Take() { return handover_.Take(); }
  // Whether the drawer has ended: everything the run gives is queued, waiting to be taken.
  bool DrawerEnded() { return handover_.Ended(); }
  // Whether batches wait to be taken.
  bool Queued() { return handover_.Queued(); }
  // Icons left out as duplicates up to the last one taken; at the end, of the whole run.
  int DuplicatesHidden() { return handover_.DuplicatesHidden(); }
  // The files the run could not open or read, once it went to its end and all was taken.
  std::vector<std::string> Unreadable() { return handover_.Unreadable(); }
  const RunOptions& Options() const { return options_; }
  // For a test: waits until the reader waits for room for its files, the drawer having as much
  // to draw as it may hold; at most `within`. Whether it does.
  bool WaitReaderHeld(std::chrono::milliseconds within) { return passes_.WaitFull(within); }
  // Once stopped: each of the first `taken` icons handed over its place in the order by caption
  // (see CaptionOrder); empty when fewer were handed over, or while the run goes on.
  std::vector<int> CaptionRanks(int taken) const;

 private:
  // The threads' bodies: nothing they raise escapes; the first failure ends the run.
  void ReadWork() noexcept;
  void DrawWork() noexcept;
  void Read();
  void Draw();
  void Fail(std::exception_ptr failure);
  // Has every wait of the run look at its stop again.
  void Interrupt();
  // Runs a thread's body; what it raises ends the run (Fail) and is handed over at its end.
  void KeepingFailure(void (ExtractionSession::*body)()) noexcept;
  // Collects one icon for the next batch; hands the batch over when it is full or due. False
  // once the run is stopped.
  bool Collect(ListedIcon icon);
  // Hands the icons collected over as one batch, drawn where the lists take batches; waits
  // while the window has a full frame's worth and more to take. False once the run is stopped.
  bool Hand();
  bool PassesTypes(const std::string& file);

  const RunOptions options_;
  RunStop stop_;
  PassChannel passes_;        // reader -> drawer
  HandoverChannel handover_;  // drawer -> window

  // What the window's side may change while the run goes on.
  std::mutex settingsLock_;
  std::string fileTypes_;
  bool extractFromAll_ = false;
  int largeSize_ = 32, smallSize_ = 16;

  // The drawer's own: the icons for its next batch, collected since (tick count), and the order
  // by caption of every icon collected; read by the window's thread once the threads have ended.
  std::vector<ListedIcon> collected_;
  ULONGLONG collectedSince_ = 0;
  bool handedOne_ = false;
  win::BatchScratch scratch_;
  const std::shared_ptr<BatchVerdicts> verdicts_;
  // How long the batch in hand may wait for more icons.
  ULONGLONG BatchMs() const;
  CaptionOrder order_;

  std::thread reader_, drawer_;  // last: started once everything above exists
};
