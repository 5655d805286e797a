// The run's hand-overs, each a bounded channel with its own lock that moves what it carries
// from one thread to the next: the reader's pieces (a file's icons, or part of a large file's)
// to the drawer, the drawer's batches (with the run's progress) to the window's side. Each
// channel counts its own limits, in one place; the run's stop is one small object both threads
// and the channels read.
#pragma once
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/IconSource.h"
#include "extract/FileIcons.h"
#include "extract/ListedPictures.h"
#include "win/Handles.h"
#include "win/IconBatch.h"

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

// What ends a run's threads: a stop (a newer run, Esc, a close) or a thread's failure, whose
// first is kept for the run's end. Read by both threads between their steps.
class RunStop {
 public:
  bool Ending() const { return stopped_ || failed_; }
  bool Stopped() const { return stopped_; }
  void Stop() { stopped_ = true; }
  void Fail(std::exception_ptr failure);
  std::exception_ptr Failure() const;

 private:
  std::atomic<bool> stopped_{false}, failed_{false};
  mutable std::mutex lock_;  // the failure's
  std::exception_ptr failure_;
};

// One listed file's icons (or, for a file of very many, some of them), with the file, moved from
// the reader to the drawer. The reader reads a file on past a part only once the drawer has
// drawn it (PassChannel::WaitDrawn): the two never read one file at once.
struct ReadPiece {
  std::shared_ptr<const FileIcons> file;
  std::vector<ListedIcon> icons;
};
using Piece = std::unique_ptr<ReadPiece>;

// The reader's pieces on their way to the drawer: at most so many pieces, icons and bytes of their
// files, except that an empty channel takes any one pass.
class PassChannel {
 public:
  struct Limits {
    std::size_t pieces, icons, bytes;
  };
  PassChannel(Limits limits, const RunStop& stop) : limits_(limits), stop_(stop) {}

  // The reader's: moves the pieces in (leaving `pieces` empty), waiting while there is no room
  // for them; false once the run ends.
  bool Put(std::vector<Piece>& pieces);
  // The reader's: waits until the drawer has drawn every piece passed; false once the run ends.
  bool WaitDrawn();
  // The reader's end: nothing more comes.
  void Close();

  enum class Took { Piece, TimedOut, Closed, Ending };
  // The drawer's: the next piece, waiting for it no longer than `within` where given; Closed
  // once the reader has ended and everything it passed is taken.
  Took Take(Piece& piece, const std::chrono::milliseconds* within);
  // The drawer's: the piece it took last is drawn.
  void Drawn();

  // Has the waits look at the run's stop again.
  void Interrupt();
  // Lets go of whatever was not taken (the threads have ended).
  void Clear();
  // For a test: waits until the reader waits for room, at most `within`; whether it does.
  bool WaitFull(std::chrono::milliseconds within);

 private:
  const Limits limits_;
  const RunStop& stop_;
  std::mutex lock_;
  std::condition_variable room_;   // the reader waits: room, or its pieces drawn
  std::condition_variable ready_;  // the drawer waits: a piece, or the reader's end
  std::deque<Piece> pieces_;
  std::size_t icons_ = 0, bytes_ = 0;   // of the pieces in the channel
  std::size_t passed_ = 0, drawn_ = 0;  // pieces ever passed, and drawn
  bool closed_ = false;
  bool full_ = false;  // the reader waits for room
  std::condition_variable fullChanged_;
};

// The drawer's batches on their way to the window's side, at most so many icons of them
// waiting, with what the run has to tell besides (listing, file in hand, its end). One wake at a
// time: the next only once the window has taken.
class HandoverChannel {
 public:
  using Wake = std::function<bool()>;
  HandoverChannel(std::size_t mostIcons, const RunStop& stop, Wake wake)
      : mostIcons_(mostIcons), stop_(stop), wake_(std::move(wake)) {}

  // The reader's news: the files are listed; it goes through a file (the one with icons named).
  void Listed(std::size_t files);
  void Reading(std::size_t filesGone, const std::string* withIcons);
  // The reader went through every file: the duplicates it hid and the files it could not read.
  void ReadAll(int duplicatesHidden, std::vector<std::string> unreadable);
  // The drawer's: moves a batch in, waiting while the window has enough to take; false once the
  // run ends.
  bool Put(RunBatch batch);
  // The drawer has ended: everything the run gives is in the channel.
  void DrawerEnded();

  // The window's side: the oldest batch (if any) and the run's state; the end with the last batch.
  RunHandover Take();
  bool Ended();
  bool Queued();
  int DuplicatesHidden();
  std::vector<std::string> Unreadable();

  void Interrupt();
  void Clear();

 private:
  void WakeLocked();

  const std::size_t mostIcons_;
  const RunStop& stop_;
  const Wake wake_;
  std::mutex lock_;
  std::condition_variable room_;  // the drawer waits: room for its batch
  std::deque<RunBatch> batches_;
  std::size_t icons_ = 0;  // of the batches in the channel
  bool woken_ = false;     // a wake is on its way and the window has not taken since
  bool listed_ = false, ended_ = false;
  std::size_t files_ = 0, filesGone_ = 0;
  std::string fileInHand_;
  int duplicatesHidden_ = 0;
  std::vector<std::string> unreadable_;
  // What the window has taken.
  bool listedTaken_ = false;
  std::string fileTaken_;
  int hiddenTaken_ = 0;
  std::vector<std::string> unreadableTaken_;
};
