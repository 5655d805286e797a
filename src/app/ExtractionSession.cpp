// The extraction run's threads and its hand-over: icons read by the reader, drawn in batches by
// the drawer, taken by the window's thread when woken.
#include "app/ExtractionSession.h"

#include <algorithm>
#include <chrono>
#include <span>
#include <utility>

#include "extract/ExtractHelpers.h"
#include "extract/IconRun.h"
#include "extract/StoredImages.h"
#include "win/Imaging.h"

namespace {

// Icons the drawer keeps ready before it waits for the window: a few frames' worth, so the
// drawer never idles while the window adds, and never holds thousands of icon handles.
constexpr std::size_t kMostQueued = 512;
// Passes the reader keeps ready for the drawer, and the most icons of one file in one pass:
// enough files that neither waits on the other's slower moments (a batch being handed over,
// a file of many icons), and no more of their bytes held in memory than the 32-bit program
// can spare, nor of their icon handles than the drawer's own.
constexpr std::size_t kMostPassed = 64, kPassIcons = 256, kMostPassedIcons = 512;
constexpr std::size_t kMostPassedBytes = std::size_t{64} << 20;
// Once the first batch's worth is passed, the reader passes files a few at a time, each few
// within this long: under Wine the drawer's every wake and wait is a round trip through the
// wineserver, whose time the reader waits on too, and a pass per file cost a wake per file.
constexpr std::size_t kGatherFiles = 8;
constexpr ULONGLONG kGatherMs = 20;

// A batch is handed over when it holds this many icons, or when its first icon has waited
// this long: the first entries appear at once, later ones (which the window shows every 100 ms)
// a few frames' worth at a time, as each batch costs the platform a few bitmaps and a stream
// read whatever its size.
constexpr std::size_t kBatchIcons = 64;
constexpr ULONGLONG kFirstBatchMs = 20, kBatchMs = 50;
// How many icons of the first batch try whether the platform's lists take batches.
constexpr std::size_t kTrialIcons = 16;

}  // namespace

ExtractionSession::ExtractionSession(RunOptions options, Wake wake)
    : options_(std::move(options)),
      passes_({kMostPassed, kMostPassedIcons, kMostPassedBytes}, stop_),
      handover_(kMostQueued, stop_, std::move(wake)),
      verdicts_(options_.batches ? options_.batches : std::make_shared<BatchVerdicts>()) {
  fileTypes_ = options_.fileTypes;
  extractFromAll_ = options_.extractFromAll;
  largeSize_ = options_.largeSize;
  smallSize_ = options_.smallSize;
  reader_ = std::thread([this] { ReadWork(); });
  drawer_ = std::thread([this] { DrawWork(); });
}

ExtractionSession::~ExtractionSession() { Stop(); }

void ExtractionSession::Interrupt() {
  passes_.Interrupt();
  handover_.Interrupt();
  if (options_.gate) options_.gate->Wake();
}

void ExtractionSession::Stop() {
  stop_.Stop();
  Interrupt();
  // The threads never wait for this one, so the joins are short: each ends after the step in
  // hand (one directory entry, one file, one batch).
  if (reader_.joinable()) reader_.join();
  if (drawer_.joinable()) drawer_.join();
  passes_.Clear();
  handover_.Clear();
}

void ExtractionSession::SetTypes(std::string fileTypes, bool extractFromAll) {
  std::lock_guard<std::mutex> hold(settingsLock_);
  fileTypes_ = std::move(fileTypes);
  extractFromAll_ = extractFromAll;
}

void ExtractionSession::SetSizes(int largeSize, int smallSize) {
  std::lock_guard<std::mutex> hold(settingsLock_);
  largeSize_ = largeSize;
  smallSize_ = smallSize;
}

std::vector<int> ExtractionSession::CaptionRanks(int taken) const {
  // The order is the drawer's own until it has ended.
  if (!stop_.Stopped() || drawer_.joinable()) return {};
  return order_.Ranks(taken);
}

// ---- The threads

void ExtractionSession::Fail(std::exception_ptr failure) {
  stop_.Fail(std::move(failure));  // the other thread ends too
  Interrupt();
}

void ExtractionSession::KeepingFailure(void (ExtractionSession::*body)()) noexcept {
  try {
    (this->*body)();
  } catch (...) {
    Fail(std::current_exception());
  }
}

void ExtractionSession::ReadWork() noexcept {
  KeepingFailure(&ExtractionSession::Read);
  passes_.Close();
}

void ExtractionSession::DrawWork() noexcept {
  KeepingFailure(&ExtractionSession::Draw);
  // What was handed over is still taken, then the end (with its failure, if any).
  handover_.DrawerEnded();
}

void ExtractionSession::Read() {
  // When they want the processor, the window's thread goes first: the user waits on it.
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
  // The reader's PNG check decodes through WIC, which wants COM on the calling thread.
  win::ImagingScope imaging;
  const auto ending = [this] { return stop_.Ending(); };
  const auto holdAt = [&](RunGate::Phase phase) {
    if (options_.gate) options_.gate->Pass(phase, ending);
  };
  holdAt(RunGate::Phase::Listing);
  storedimages::IconFilter filter(options_.minSize, options_.unique, MunWindowsFolder());
  IconRun run(options_.folder, options_.includeSubs, IconRun::Order::Listing, &filter, ending);
  run.SetIncludeCursors(options_.cursors);
  // The window shows what is listed: a file too small to list an icon is not opened, so it is
  // never counted among those that could not be read.
  run.SetListedOnly(true);
  if (stop_.Ending()) return;
  handover_.Listed(run.Files().size());
  const FileFilter types = [this](const std::string& file) { return PassesTypes(file); };
  std::vector<Piece> held;  // files read, not yet passed
  std::size_t heldIcons = 0, passedIcons = 0;
  ULONGLONG heldSince = 0;
  const auto keep = [&](Piece read) {
    if (held.empty()) heldSince = GetTickCount64();
    heldIcons += read->icons.size();
    held.push_back(std::move(read));
  };
  // Passes what is held; with `whole` false (more of the last file follows) also waits until
  // the drawer has drawn it, as the file is read on only then. False once the run ends.
  const auto passHeld = [&](bool whole) {
    passedIcons += heldIcons;
    heldIcons = 0;
    return passes_.Put(held) && (whole || passes_.WaitDrawn());
  };
  const auto piece = [&run] { return std::make_unique<ReadPiece>(ReadPiece{run.SharedFile(), {}}); };
  for (;;) {
    if (passedIcons > 0) holdAt(RunGate::Phase::Reading);
    if (stop_.Ending() || !run.NextFile(types)) break;
    const FileIcons& file = run.File();
    handover_.Reading(run.FilesGone(), file.Count() > 0 ? &file.Path() : nullptr);
    Piece read = piece();
    RunIcon entry;
    while (!stop_.Ending() && run.NextIcon(entry)) {
      if (!entry.Listed()) continue;
      ListedIcon listed;
      listed.source = SourceOf(file, entry.index);
      listed.caption = file.Caption(entry.index);
      listed.sizes = storedimages::SizesText(*entry.group);
      listed.type = storedimages::TypeText(*entry.group);
      listed.duplicatesHidden = filter.DuplicatesHidden();
      listed.icon = std::move(entry.icon);
      read->icons.push_back(std::move(listed));
      // A file of very many icons goes over in parts, each drawn before the next is read.
      if (read->icons.size() == kPassIcons) {
        keep(std::exchange(read, piece()));
        if (!passHeld(false)) return;
      }
    }
    if (!read->icons.empty()) keep(std::move(read));
    const bool due = passedIcons < kBatchIcons || held.size() >= kGatherFiles || heldIcons >= kBatchIcons ||
                     GetTickCount64() - heldSince >= kGatherMs;
    if (!held.empty() && due && !passHeld(true)) return;
  }
  if (!held.empty() && !passHeld(true)) return;
  handover_.ReadAll(filter.DuplicatesHidden(), stop_.Ending() ? std::vector<std::string>{} : run.Unreadable());
}

void ExtractionSession::Draw() {
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
  // Icons of PNG images are made through WIC too.
  win::ImagingScope imaging;
  // Learnt while the reader lists the files, so that the first batch need not wait for it.
  if (!verdicts_->AllTried()) {
    int largeSize = 0, smallSize = 0;
    {
      std::lock_guard<std::mutex> hold(settingsLock_);
      largeSize = largeSize_;
      smallSize = smallSize_;
    }
    verdicts_->Settle(largeSize, smallSize);
  }
  for (;;) {
    Piece read;
    PassChannel::Took took = PassChannel::Took::Piece;
    // Icons collected wait for the reader's next file no longer than their batch's time: a
    // reader slowed by a large file or a slow disc does not hold back what it found before.
    if (!collected_.empty()) {
      const ULONGLONG now = GetTickCount64(), due = collectedSince_ + BatchMs();
      const std::chrono::milliseconds within(due > now ? due - now : 0);
      took = passes_.Take(read, &within);
      if (took == PassChannel::Took::TimedOut) {
        if (!Hand()) return;
        continue;
      }
    } else {
      took = passes_.Take(read, nullptr);
    }
    if (took == PassChannel::Took::Ending) return;
    if (took == PassChannel::Took::Closed) break;  // the reader is done and everything it passed is drawn
    // Stored images go to the batch as drawn where that was found to give what drawing their
    // icons gives, and so do larger ones the platform shrinks: no platform icon is made for them.
    const bool drawn = verdicts_->Matches(BatchKind::Drawn);
    const bool shrunk = drawn && verdicts_->Matches(BatchKind::Shrunk);
    for (ListedIcon& listed : read->icons) {
      if (stop_.Ending()) return;
      {
        std::lock_guard<std::mutex> hold(settingsLock_);
        listed.largeSize = largeSize_;
        listed.smallSize = smallSize_;
      }
      listed.pictures = MakeListedPictures(*read->file, listed.source.index, listed.icon.get(), listed.icon.get(),
                                           listed.largeSize, listed.smallSize, drawn, shrunk);
    }
    read->file.reset();
    passes_.Drawn();
    for (ListedIcon& listed : read->icons)
      if (!Collect(std::move(listed))) return;
    // A batch waits no longer than its time for the next file with icons.
    if (!collected_.empty() && GetTickCount64() - collectedSince_ >= BatchMs() && !Hand()) return;
  }
  Hand();
}

ULONGLONG ExtractionSession::BatchMs() const { return handedOne_ ? kBatchMs : kFirstBatchMs; }

bool ExtractionSession::Collect(ListedIcon icon) {
  // One batch holds one scale's pictures.
  if (!collected_.empty() && (collected_.back().largeSize != icon.largeSize ||
                              collected_.back().smallSize != icon.smallSize) && !Hand())
    return false;
  if (collected_.empty()) collectedSince_ = GetTickCount64();
  order_.Append(icon.caption);
  collected_.push_back(std::move(icon));
  if (collected_.size() < kBatchIcons && GetTickCount64() - collectedSince_ < BatchMs()) return true;
  return Hand();
}

bool ExtractionSession::Hand() {
  if (collected_.empty()) return true;
  handedOne_ = true;
  RunBatch batch;
  batch.icons = std::move(collected_);
  collected_.clear();
  // Drawn here, off the window's thread, when the lists give the same pictures that way.
  // Pictures resampled at the list's sizes go in as pixels, without a platform icon; until
  // such batches have been tried, this batch's are made into icons too, for the trial. Stored
  // images come as drawn only where that kind was found to match.
  const bool made = std::any_of(batch.icons.begin(), batch.icons.end(), [](const ListedIcon& icon) {
    return !icon.pictures.large.Pixels().empty() || !icon.pictures.small.Pixels().empty();
  });
  const bool trial = made && !verdicts_->Tried(BatchKind::Pixels);
  const auto form = [](const ListPicture& p) -> win::BatchIcon {
    if (const iconres::DrawnImage* drawn = p.Drawn()) return win::DrawnForm{drawn->picture, drawn->mask};
    if (!p.Pixels().empty()) return win::PixelsForm{p.Pixels()};
    return win::IconForm{p.get(), p.Edge()};
  };
  // The icons tried one by one against the batch (the drawn ones are settled already): the
  // first few, or for the trial of pictures given as pixels every one, each made into an icon
  // before its form is taken (a picture that cannot be made into one is drawn from what stands
  // in for it).
  struct Tried {
    std::vector<win::BatchIcon> batch;
    std::vector<HICON> added;
    bool pixels = false;
    BatchKind Kind() const { return pixels ? BatchKind::Pixels : BatchKind::Icons; }
  };
  const std::size_t most = trial ? batch.icons.size() : kTrialIcons;
  std::vector<win::BatchIcon> large, small;
  Tried triedLarge, triedSmall;
  large.reserve(batch.icons.size());
  small.reserve(batch.icons.size());
  const auto add = [&](const ListPicture& p, std::vector<win::BatchIcon>& forms, Tried& tried) {
    const HICON icon = p.Drawn() || (!p.Pixels().empty() && !trial) ? nullptr : p.get();
    forms.push_back(form(p));
    if (std::holds_alternative<win::DrawnForm>(forms.back()) || tried.batch.size() >= most) return;
    tried.batch.push_back(forms.back());
    tried.added.push_back(icon);
    tried.pixels = tried.pixels || std::holds_alternative<win::PixelsForm>(forms.back());
  };
  for (const ListedIcon& icon : batch.icons) {
    add(icon.pictures.large, large, triedLarge);
    add(icon.pictures.small.Empty() ? icon.pictures.large : icon.pictures.small, small, triedSmall);
  }
  const int largeSize = batch.icons.front().largeSize, smallSize = batch.icons.front().smallSize;
  const auto matches = [this](int size, const Tried& tried) {
    return tried.batch.empty() || verdicts_->Judge(tried.Kind(), size, tried.batch, tried.added);
  };
  if (matches(largeSize, triedLarge) && (!trial || matches(smallSize, triedSmall))) {
    batch.large = win::IconBatch(largeSize, large, &scratch_);
    batch.small = win::IconBatch(smallSize, small, &scratch_);
    if (batch.Drawn()) {
      for (ListedIcon& icon : batch.icons) {
        icon.pictures = {};
        icon.icon.reset();
      }
    } else {
      batch.large = {};
      batch.small = {};
    }
  }
  return handover_.Put(std::move(batch));
}

bool ExtractionSession::PassesTypes(const std::string& file) {
  std::string types;
  bool all = false;
  {
    std::lock_guard<std::mutex> hold(settingsLock_);
    types = fileTypes_;
    all = extractFromAll_;
  }
  return PassesTypeFilter(file, types, all);
}
