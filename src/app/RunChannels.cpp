// The run's channels: what each carries is counted where it goes in and where it comes out,
// and nowhere else.
#include "app/RunChannels.h"

#include <algorithm>
#include <utility>

namespace {

std::size_t FileSize(const FileIcons& file) { return file.File().bytes.Span().size(); }

}  // namespace

// ---- RunStop

void RunStop::Fail(std::exception_ptr failure) {
  {
    std::lock_guard<std::mutex> hold(lock_);
    if (!failure_) failure_ = std::move(failure);
  }
  failed_ = true;
}

std::exception_ptr RunStop::Failure() const {
  std::lock_guard<std::mutex> hold(lock_);
  return failure_;
}

// ---- PassChannel

bool PassChannel::Put(std::vector<Piece>& pieces) {
  std::size_t bytes = 0, icons = 0;
  for (const Piece& p : pieces) {
    bytes += FileSize(*p->file);
    icons += p->icons.size();
  }
  {
    std::unique_lock<std::mutex> hold(lock_);
    const auto room = [&] {
      return stop_.Ending() || pieces_.empty() ||
             (pieces_.size() + pieces.size() <= limits_.pieces && bytes_ + bytes <= limits_.bytes &&
              icons_ + icons <= limits_.icons);
    };
    if (!room()) {
      full_ = true;
      fullChanged_.notify_all();
      room_.wait(hold, room);
      full_ = false;
    }
    if (stop_.Ending()) return false;
    bytes_ += bytes;
    icons_ += icons;
    passed_ += pieces.size();
    for (Piece& p : pieces) pieces_.push_back(std::move(p));
  }
  pieces.clear();
  ready_.notify_one();
  return true;
}

bool PassChannel::WaitDrawn() {
  std::unique_lock<std::mutex> hold(lock_);
  room_.wait(hold, [this] { return stop_.Ending() || drawn_ >= passed_; });
  return !stop_.Ending();
}

void PassChannel::Close() {
  {
    std::lock_guard<std::mutex> hold(lock_);
    closed_ = true;
  }
  ready_.notify_one();
}

PassChannel::Took PassChannel::Take(Piece& piece, const std::chrono::milliseconds* within) {
  {
    std::unique_lock<std::mutex> hold(lock_);
    const auto ready = [this] { return stop_.Ending() || !pieces_.empty() || closed_; };
    if (within) {
      if (!ready_.wait_for(hold, *within, ready)) return Took::TimedOut;
    } else {
      ready_.wait(hold, ready);
    }
    if (stop_.Ending()) return Took::Ending;
    if (pieces_.empty()) return Took::Closed;
    piece = std::move(pieces_.front());
    pieces_.pop_front();
    bytes_ -= FileSize(*piece->file);
    icons_ -= piece->icons.size();
  }
  room_.notify_one();
  return Took::Piece;
}

void PassChannel::Drawn() {
  {
    std::lock_guard<std::mutex> hold(lock_);
    ++drawn_;
  }
  room_.notify_one();
}

void PassChannel::Interrupt() {
  // Taken and let go before the notices, so that a wait between its look at the stop and its
  // sleep cannot miss them.
  { std::lock_guard<std::mutex> hold(lock_); }
  room_.notify_all();
  ready_.notify_all();
}

void PassChannel::Clear() {
  std::lock_guard<std::mutex> hold(lock_);
  pieces_.clear();
  icons_ = bytes_ = 0;
}

bool PassChannel::WaitFull(std::chrono::milliseconds within) {
  std::unique_lock<std::mutex> hold(lock_);
  return fullChanged_.wait_for(hold, within, [this] { return full_; });
}

// ---- HandoverChannel

void HandoverChannel::Listed(std::size_t files) {
  std::lock_guard<std::mutex> hold(lock_);
  listed_ = true;
  files_ = files;
  WakeLocked();
}

void HandoverChannel::Reading(std::size_t filesGone, const std::string* withIcons) {
  std::lock_guard<std::mutex> hold(lock_);
  filesGone_ = filesGone;
  if (withIcons) fileInHand_ = *withIcons;
}

void HandoverChannel::ReadAll(int duplicatesHidden, std::vector<std::string> unreadable) {
  std::lock_guard<std::mutex> hold(lock_);
  duplicatesHidden_ = duplicatesHidden;
  unreadable_ = std::move(unreadable);
}

bool HandoverChannel::Put(RunBatch batch) {
  std::unique_lock<std::mutex> hold(lock_);
  room_.wait(hold, [this] { return stop_.Ending() || icons_ < mostIcons_; });
  if (stop_.Ending()) return false;
  icons_ += batch.icons.size();
  batches_.push_back(std::move(batch));
  WakeLocked();
  return true;
}

void HandoverChannel::DrawerEnded() {
  std::lock_guard<std::mutex> hold(lock_);
  ended_ = true;
  WakeLocked();
}

RunHandover HandoverChannel::Take() {
  RunHandover h;
  {
    std::lock_guard<std::mutex> hold(lock_);
    if (!batches_.empty()) {
      h.batch = std::move(batches_.front());
      batches_.pop_front();
      icons_ -= h.batch.icons.size();
    }
    h.listed = listed_ && !listedTaken_;
    listedTaken_ = listed_;
    h.files = files_;
    h.filesRead = filesGone_;
    if (fileInHand_ != fileTaken_) h.fileInHand = fileTaken_ = fileInHand_;
    if (!h.batch.icons.empty()) hiddenTaken_ = h.batch.icons.back().duplicatesHidden;
    h.finished = ended_ && batches_.empty();
    if (h.finished) {
      hiddenTaken_ = std::max(hiddenTaken_, duplicatesHidden_);
      unreadableTaken_ = unreadable_;
      h.failure = stop_.Failure();
    }
    woken_ = false;
  }
  room_.notify_one();
  return h;
}

bool HandoverChannel::Ended() {
  std::lock_guard<std::mutex> hold(lock_);
  return ended_;
}

bool HandoverChannel::Queued() {
  std::lock_guard<std::mutex> hold(lock_);
  return !batches_.empty();
}

int HandoverChannel::DuplicatesHidden() {
  std::lock_guard<std::mutex> hold(lock_);
  return hiddenTaken_;
}

std::vector<std::string> HandoverChannel::Unreadable() {
  std::lock_guard<std::mutex> hold(lock_);
  return unreadableTaken_;
}

void HandoverChannel::WakeLocked() {
  // A run being stopped wakes no one; one that failed still tells its end.
  if (woken_ || stop_.Stopped() || !wake_) return;
  woken_ = wake_();
}

void HandoverChannel::Interrupt() {
  { std::lock_guard<std::mutex> hold(lock_); }
  room_.notify_all();
}

void HandoverChannel::Clear() {
  std::lock_guard<std::mutex> hold(lock_);
  batches_.clear();
  icons_ = 0;
}
