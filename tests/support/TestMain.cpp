// Entry point of every test program: the application object as the program sets it up,
// and a watchdog that ends a test program whose test runs too long.
#include <gtest/gtest.h>
#include <ole2.h>
#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "ui/Application.h"

namespace {

// Measurements run by hand may ask for longer with TEST_TIME_LIMIT (seconds).
const std::chrono::seconds kTestTimeLimit = [] {
  const char* limit = std::getenv("TEST_TIME_LIMIT");
  return std::chrono::seconds(limit && std::atoi(limit) > 0 ? std::atoi(limit) : 120);
}();

// One watch for the whole program, joined before it exits: a thread per test would leave a
// sleeping thread behind for every test that ran when the program ends.
class Watchdog : public testing::EmptyTestEventListener {
 public:
  Watchdog() : thread_([this] { Watch(); }) {}
  Watchdog(const Watchdog&) = delete;
  Watchdog& operator=(const Watchdog&) = delete;
  ~Watchdog() override {
    {
      std::lock_guard lock(mutex_);
      stop_ = true;
    }
    changed_.notify_one();
    thread_.join();
  }

 private:
  void OnTestStart(const testing::TestInfo& info) override {
    Change(std::string(info.test_suite_name()) + "." + info.name());
  }
  void OnTestEnd(const testing::TestInfo&) override { Change({}); }
  void Change(std::string running) {
    std::lock_guard lock(mutex_);
    running_ = std::move(running);
    ++generation_;
    changed_.notify_one();
  }
  void Watch() {
    std::unique_lock lock(mutex_);
    while (!stop_) {
      const unsigned long long seen = generation_;
      if (changed_.wait_for(lock, kTestTimeLimit, [&] { return stop_ || generation_ != seen; })) continue;
      if (!running_.empty()) {
        std::fprintf(stderr, "\n%s did not finish within %lld s\n", running_.c_str(),
                     static_cast<long long>(kTestTimeLimit.count()));
        std::fflush(stderr);
        ExitProcess(3);
      }
    }
  }
  std::mutex mutex_;
  std::condition_variable changed_;
  std::string running_;  // the test under way, empty between tests
  unsigned long long generation_ = 0;
  bool stop_ = false;
  std::thread thread_;  // last: it starts once everything it uses is made
};

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  auto watchdog = std::make_unique<Watchdog>();
  testing::TestEventListeners& listeners = testing::UnitTest::GetInstance()->listeners();
  listeners.Append(watchdog.get());
  OleInitialize(nullptr);
  ui::Application.Initialize();
  ui::Application.Title = "Varnholt Glyph Gatherer";
  int r = RUN_ALL_TESTS();
  listeners.Release(watchdog.get());
  watchdog.reset();
  ui::Application.DestroyForms();
  OleUninitialize();
  return r;
}
