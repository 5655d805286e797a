// Framework pieces that the main window's tests do not reach: the error text rule and the
// thread hand-over.
#include <gtest/gtest.h>

#include <atomic>

#include "ui/Application.h"
#include "ui/Errors.h"
#include "ui/Menus.h"
#include "ui/Thread.h"

namespace {

TEST(ErrorDisplayText, AddsAFullStopOnlyAfterCharactersSortingAfterIt) {
  EXPECT_EQ(ui::ErrorDisplayText("Cannot open clipboard"), "Cannot open clipboard.");
  EXPECT_EQ(ui::ErrorDisplayText("Done."), "Done.");
  EXPECT_EQ(ui::ErrorDisplayText("Failed to get data for 'X'"), "Failed to get data for 'X'");
  EXPECT_EQ(ui::ErrorDisplayText("Really!"), "Really!");
  EXPECT_EQ(ui::ErrorDisplayText("x/"), "x/.");
  EXPECT_EQ(ui::ErrorDisplayText(""), "");
}

TEST(ShortCutText, NamesKeysAsMenusShowThem) {
  EXPECT_EQ(ui::ShortCutText(ui::ShortCut('C', ui::kCtrl)), "Ctrl+C");
  EXPECT_EQ(ui::ShortCutText(ui::ShortCut(VK_F1)), "F1");
  EXPECT_EQ(ui::ShortCutText(ui::ShortCut('A', ui::kCtrl | ui::kShift)), "Ctrl+Shift+A");
}

class CountingThread : public ui::Thread {
 public:
  CountingThread() : ui::Thread(64 * 1024) {}
  ~CountingThread() override { StopAndWait(); }
  std::atomic<int> handedOver{0};
  DWORD uiThreadSeen = 0;

 protected:
  void Execute() override {
    while (!Terminated()) {
      Synchronize([this] {
        uiThreadSeen = GetCurrentThreadId();
        ++handedOver;
      });
      Sleep(1);
    }
  }
};

TEST(Thread, HandsOverToTheUiThreadAndEndsWhenDestroyed) {
  auto t = std::make_unique<CountingThread>();
  ASSERT_TRUE(t->Created());
  EXPECT_TRUE(t->Suspended());
  t->Resume();
  DWORD start = GetTickCount();
  while (t->handedOver < 5 && GetTickCount() - start < 10000) ui::Application.ProcessMessages();
  EXPECT_GE(t->handedOver.load(), 5);
  EXPECT_EQ(t->uiThreadSeen, GetCurrentThreadId());
  // Destruction waits for the thread, serving the hand-over it may be blocked in.
  t.reset();
}

TEST(Thread, ANeverStartedThreadIsDestroyedWithoutRunning) {
  auto t = std::make_unique<CountingThread>();
  t.reset();
  SUCCEED();
}

}  // namespace
