// The extraction run on its own, without the window: a change of scale while it runs, a stop in
// each phase and while its limits hold it back, and the pacer answering only the newest run.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <functional>
#include <set>
#include <utility>
#include <vector>

#include "app/ExtractionSession.h"
#include "app/RunPacer.h"
#include "fixtures/IconFixtures.h"
#include "settings/Settings.h"
#include "win/Handles.h"

namespace {

// A run's wakes, waited for as the window's thread waits for its messages.
class Wakes {
 public:
  ExtractionSession::Wake Wake() {
    return [event = event_.get()] { return SetEvent(event) != FALSE; };
  }
  bool Wait() const { return WaitForSingleObject(event_.get(), 60000) == WAIT_OBJECT_0; }

 private:
  win::UniqueEvent event_{CreateEventA(nullptr, FALSE, FALSE, nullptr)};
};

class RunSession : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = new fixtures::TempFolder("session");
    fixtures::MakeIconFixtureFolder(folder_->Path());
  }
  static void TearDownTestSuite() {
    delete folder_;
    folder_ = nullptr;
  }
  static RunOptions Options(std::shared_ptr<RunGate> gate) {
    return {folder_->Path(), false, false, kDefaultFileTypes, 0, false, 32, 16, false, std::move(gate), nullptr};
  }
  // Takes what the run hands over at each wake, as the window does, keeping its batches, until
  // enough() or the run's end; false when a minute passes without a wake.
  bool TakeUntil(ExtractionSession& run, const std::function<bool()>& enough) {
    for (;;) {
      RunHandover h = run.Take();
      const bool got = !h.batch.icons.empty();
      if (got) batches_.push_back(std::move(h.batch));
      if (h.finished || enough()) return true;
      if (!got && !wakes_.Wait()) return false;
    }
  }
  std::size_t TakenIcons() const {
    std::size_t n = 0;
    for (const RunBatch& b : batches_) n += b.icons.size();
    return n;
  }
  static inline fixtures::TempFolder* folder_ = nullptr;
  Wakes wakes_;
  std::vector<RunBatch> batches_;
};

// The icons read after a change of scale come at the new sizes; a batch never mixes two
// scales, and one drawn is drawn at its icons' sizes.
TEST_F(RunSession, ASizeChangeReachesTheIconsReadAfterIt) {
  const auto gate = std::make_shared<RunGate>(RunGate::Phase::Reading);
  ExtractionSession run(Options(gate), wakes_.Wake());
  ASSERT_TRUE(TakeUntil(run, [&] { return !batches_.empty(); }));
  const std::size_t before = TakenIcons();
  run.SetSizes(64, 32);
  gate->Open();
  ASSERT_TRUE(TakeUntil(run, [] { return false; }));
  ASSERT_GT(TakenIcons(), before);
  std::size_t seen = 0;
  std::set<std::pair<std::string, int>> sources;
  for (const RunBatch& batch : batches_) {
    for (const ListedIcon& icon : batch.icons) {
      const bool old = seen++ < before;
      EXPECT_EQ(icon.largeSize, old ? 32 : 64) << icon.caption;
      EXPECT_EQ(icon.smallSize, old ? 16 : 32) << icon.caption;
      EXPECT_EQ(icon.largeSize, batch.icons.front().largeSize);
      EXPECT_TRUE(sources.insert({icon.source.file, icon.source.index}).second) << "twice: " << icon.caption;
    }
    if (batch.Drawn()) {
      EXPECT_EQ(batch.large.Size(), batch.icons.front().largeSize);
      EXPECT_EQ(batch.small.Size(), batch.icons.front().smallSize);
    }
  }
}

// Stopped while its reader is held before the listing or before a later file, the run ends at
// once; stopped, it gives the order by caption of what it handed over.
TEST_F(RunSession, StopsInEitherPhase) {
  for (const RunGate::Phase phase : {RunGate::Phase::Listing, RunGate::Phase::Reading}) {
    batches_.clear();
    ExtractionSession run(Options(std::make_shared<RunGate>(phase)), wakes_.Wake());
    if (phase == RunGate::Phase::Reading) {
      ASSERT_TRUE(TakeUntil(run, [&] { return !batches_.empty(); }));
    }
    const int taken = static_cast<int>(TakenIcons());
    EXPECT_TRUE(run.CaptionRanks(taken).empty()) << "no order while the run goes on";
    run.Stop();
    EXPECT_TRUE(run.Stopped());
    const RunHandover after = run.Take();
    EXPECT_TRUE(after.batch.icons.empty());
    if (phase == RunGate::Phase::Listing) {
      EXPECT_EQ(after.files, 0u);
    } else {
      EXPECT_GT(taken, 0);
      EXPECT_EQ(run.CaptionRanks(taken).size(), static_cast<std::size_t>(taken));
    }
  }
}

// A window that takes nothing holds the run back: once the drawer has as much ready as it may,
// the reader waits for room with as much read as it may hold; a stop ends it there.
TEST_F(RunSession, HeldBackByItsLimitsAndStoppedWhileItWaits) {
  fixtures::TempFolder many("manyfiles");
  for (int n = 0; n < 400; ++n)
    ASSERT_TRUE(CopyFileA((folder_->Path() + "icons.dll").c_str(), (many.Path() + std::to_string(n) + ".dll").c_str(),
                          FALSE));
  RunOptions options = Options(nullptr);
  options.folder = many.Path();
  ExtractionSession run(std::move(options), wakes_.Wake());
  ASSERT_TRUE(run.WaitReaderHeld(std::chrono::minutes(1)));
  run.Stop();
  EXPECT_TRUE(run.Stopped());
  EXPECT_TRUE(run.Take().batch.icons.empty()) << "what was ready goes with the run";
}

void ServePosted() {
  MSG m;
  while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
}

// A wake of a run the pacer no longer follows brings no frame: only the newest run is shown.
TEST(RunPacer, AnswersOnlyTheNewestRun) {
  int frames = 0;
  RunPacer pacer({[&] { ++frames; }, [] { return false; }, [] { return false; }});
  const RunPacer::Wake older = pacer.Follow();
  const RunPacer::Wake newer = pacer.Follow();
  ASSERT_TRUE(older());
  ServePosted();
  EXPECT_EQ(frames, 0);
  ASSERT_TRUE(newer());
  ServePosted();
  EXPECT_EQ(frames, 1);
  pacer.Drop();
  ASSERT_TRUE(newer());
  ServePosted();
  EXPECT_EQ(frames, 1);
}

}  // namespace
