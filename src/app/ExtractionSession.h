// One extraction run off the window's thread: a reader lists the folder and reads its files, a
// drawer makes the pictures of the icons it lists and hands them over in batches, waking the
// window's side (RunPacer), which takes them. It has no window of its own.
#pragma once
#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/IconSource.h"
#include "app/RunGate.h"
#include "extract/BatchVerdicts.h"
#include "extract/CaptionOrder.h"
#include "extract/ListedPictures.h"
#include "iconres/IconResources.h"
#include "win/Handles.h"
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

// One icon the run lists, with everything the window shows of it.
struct ListedIcon {
  IconSource source;  // its file and index, what its group stores: the slot keeps it
  std::string caption;
  std::string sizes;  // the Details view's Sizes column
  std::string type;   // the Type column
  // The run's own icon (at the saved large size) and the pictures for the list's lists at
  // largeSize and smallSize; none once its batch holds them drawn.
  win::UniqueIcon icon;
  ListedPictures pictures;
  int largeSize = 0, smallSize = 0;
  int duplicatesHidden = 0;                // left out as duplicates before this one
};

// Icons the worker hands over together. Where the platform's lists take batches, the worker has
// drawn their pictures for the list's lists (at the icons' largeSize and smallSize); else each
// icon brings its own.
struct RunBatch {
  std::vector<ListedIcon> icons;
  win::IconBatch large, small;
  bool Drawn() const { return !large.Empty() && !small.Empty(); }
};

// What the worker handed over since the window last took.
struct RunHandover {
  RunBatch batch;
  bool listed = false;         // the files have been listed since the last take: the reading begins
  std::size_t files = 0;       // how many were listed (0 until then)
  std::size_t filesRead = 0;   // how many of them the worker has gone through
  std::string fileInHand;      // the file with icons the worker reads now, when another than before
  bool finished = false;       // the worker has ended and everything it found has been taken
  std::exception_ptr failure;  // at the end: what ended the run early
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
  bool Stopped() const { return stop_; }

  // The types later files are asked against.
  void SetTypes(std::string fileTypes, bool extractFromAll);
  // The list's picture sizes for icons read from now on (after a change of scale).
  void SetSizes(int largeSize, int smallSize);

  // The oldest batch handed over and not yet taken (if any), with the run's state; the end
  // (finished) is handed over with the last batch.
  RunHandover Take();
  // Whether the drawer has ended: everything the run gives is queued, waiting to be taken.
  bool DrawerEnded();
  // Whether batches wait to be taken.
  bool Queued();
  // Icons left out as duplicates up to the last one taken; at the end, of the whole run.
  int DuplicatesHidden() const { return hiddenTaken_; }
  // The files the run could not open or read, once it went to its end and all was taken.
  const std::vector<std::string>& Unreadable() const { return unreadableTaken_; }
  const RunOptions& Options() const { return options_; }
  // Once stopped: each of the first `taken` icons handed over its place in the order by caption
  // (see CaptionOrder); empty when fewer were handed over, or while the run goes on.
  std::vector<int> CaptionRanks(int taken) const;

 private:
  // One listed file's icons (or, for a file of very many, some of them), passed from the reader
  // to the drawer with the file, which the reader no longer reads while the drawer has it.
  struct ReadIcons {
    std::shared_ptr<const FileIcons> file;
    std::vector<ListedIcon> icons;
  };
  // The threads' bodies: nothing they raise escapes; the first failure ends the run.
  void ReadWork() noexcept;
  void DrawWork() noexcept;
  void Read();
  void Draw();
  // Passes files' icons to the drawer (leaving `passes` empty), waiting while it has enough to
  // do; with `whole` false (more of the last file follows) also until it has drawn them. False
  // once the run is stopped.
  bool Pass(std::vector<ReadIcons>& passes, bool whole);
  void Fail(std::exception_ptr failure);
  // Runs a thread's body; what it raises ends the run (Fail) and is handed over at its end.
  void KeepingFailure(void (ExtractionSession::*body)()) noexcept;
  // Collects one icon for the next batch; hands the batch over when it is full or due. False
  // once the run is stopped.
  bool Collect(ListedIcon icon);
  // Hands the icons collected over as one batch, drawn where the lists take batches; waits
  // while the window has a full frame's worth and more to take. False once the run is stopped.
  bool Hand();
  // Under the lock: wakes the window's side unless a wake is on its way.
  void WakeLocked();
  bool PassesTypes(const std::string& file);

  const RunOptions options_;
  const Wake wake_;
  std::atomic<bool> stop_{false};    // told to stop (a newer run, Esc, closing)
  std::atomic<bool> failed_{false};  // a thread failed: the other ends too
  bool Ending() const { return stop_ || failed_; }
  bool listedTaken_ = false;
  std::string fileTaken_;
  int hiddenTaken_ = 0;

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

  std::mutex lock_;
  // Any change the threads wait for: the window took icons, the drawer took or drew icons, the
  // reader passed some or ended, the run stopped.
  std::condition_variable room_;
  std::deque<ReadIcons> read_;  // passed by the reader, not yet taken by the drawer
  std::size_t passedBytes_ = 0, passedIcons_ = 0;  // the sizes of their files, and their icons
  std::size_t passed_ = 0, drawn_ = 0;  // passes made, and passes the drawer has drawn
  bool readDone_ = false;
  std::deque<RunBatch> queue_;
  std::size_t queuedIcons_ = 0;
  bool listed_ = false, finished_ = false, wakePosted_ = false;
  std::size_t files_ = 0;
  std::size_t filesRead_ = 0;  // files the reader has gone through
  std::string fileInHand_;
  int duplicatesHidden_ = 0;
  std::vector<std::string> unreadable_;       // the reader's, set as it ends
  std::vector<std::string> unreadableTaken_;  // the window's, from the last take
  std::exception_ptr failure_;
  std::string fileTypes_;
  bool extractFromAll_ = false;
  int largeSize_ = 32, smallSize_ = 16;

  std::thread reader_, drawer_;  // last: started once everything above exists
};
