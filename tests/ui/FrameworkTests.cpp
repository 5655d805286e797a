// Framework pieces that the main window's tests do not reach: the error text rule, the
// thread hand-over, and the guard at every place where the platform calls our code.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <stdexcept>

#include "ModalAnswerer.h"
#include "ui/Application.h"
#include "ui/Buttons.h"
#include "win/Errors.h"
#include "ui/Form.h"
#include "ui/Guard.h"
#include "ui/ListView.h"
#include "ui/Menus.h"
#include "ui/Thread.h"
#include "ui/TreeView.h"
#include "win/ScopeExit.h"

namespace {

TEST(ErrorDisplayText, AddsAFullStopOnlyAfterCharactersSortingAfterIt) {
  EXPECT_EQ(win::ErrorDisplayText("Cannot open clipboard"), "Cannot open clipboard.");
  EXPECT_EQ(win::ErrorDisplayText("Done."), "Done.");
  EXPECT_EQ(win::ErrorDisplayText("Failed to get data for 'X'"), "Failed to get data for 'X'");
  EXPECT_EQ(win::ErrorDisplayText("Really!"), "Really!");
  EXPECT_EQ(win::ErrorDisplayText("x/"), "x/.");
  EXPECT_EQ(win::ErrorDisplayText(""), "");
}

TEST(ShortCutText, NamesKeysAsMenusShowThem) {
  EXPECT_EQ(ui::ShortCutText(ui::ShortCut('C', ui::kCtrl)), "Ctrl+C");
  EXPECT_EQ(ui::ShortCutText(ui::ShortCut(VK_F1)), "F1");
  EXPECT_EQ(ui::ShortCutText(ui::ShortCut('A', ui::kCtrl | ui::kShift)), "Ctrl+Shift+A");
}

TEST(ScopeExit, UndoesOnceWhenTheScopeIsLeftByAThrow) {
  int undone = 0;
  auto leave = [&] {
    win::ScopeExit undo([&] { ++undone; });
    throw std::runtime_error("leave");
  };
  EXPECT_THROW(leave(), std::runtime_error);
  EXPECT_EQ(undone, 1);
}

class CountingThread : public ui::Thread {
 public:
  explicit CountingThread(std::atomic<bool>* ran = nullptr) : ui::Thread(64 * 1024), ran_(ran) {}
  ~CountingThread() override { StopAndWait(); }
  std::atomic<int> handedOver{0};
  DWORD uiThreadSeen = 0;

 protected:
  void Execute() override {
    if (ran_) *ran_ = true;
    while (!Terminated()) {
      Synchronize([this] {
        uiThreadSeen = GetCurrentThreadId();
        ++handedOver;
      });
      Sleep(1);
    }
  }

 private:
  std::atomic<bool>* ran_;
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
  std::atomic<bool> ran{false};
  auto t = std::make_unique<CountingThread>(&ran);
  ASSERT_TRUE(t->Created());
  t.reset();
  EXPECT_FALSE(ran.load());
}

// ---- The guard

std::vector<std::string> Texts(const ModalAnswerer& boxes) {
  std::vector<std::string> texts;
  for (const AnsweredBox& b : boxes.Boxes()) {
    EXPECT_EQ(b.caption, "Varnholt Glyph Gatherer");
    texts.push_back(b.text);
  }
  return texts;
}

// Throws what it is told to: an std::exception, or something that is none.
[[noreturn]] void Fail(bool standard) {
  if (standard) throw std::runtime_error("Disk on fire");
  throw 42;
}

const std::string kUnknown = win::ErrorDisplayText(ui::kUnknownErrorText);

TEST(Guard, ShowsAnyExceptionAndGivesThePlatformItsFallback) {
  // The program entry runs inside this guard too.
  ModalAnswerer boxes;
  EXPECT_EQ(ui::Guarded(7, [] { return 1; }), 1);
  EXPECT_EQ(ui::Guarded(7, [] () -> int { Fail(true); }), 7);
  EXPECT_EQ(ui::Guarded(7, [] () -> int { Fail(false); }), 7);
  EXPECT_EQ(Texts(boxes), (std::vector<std::string>{"Disk on fire.", kUnknown}));
}

class ThrowingThread : public ui::Thread {
 public:
  explicit ThrowingThread(bool standard) : standard_(standard) {}
  ~ThrowingThread() override { StopAndWait(); }

 protected:
  void Execute() override { Fail(standard_); }

 private:
  bool standard_;
};

TEST(Guard, AWorkersExceptionIsShownByTheUiThread) {
  for (bool standard : {true, false}) {
    ModalAnswerer boxes;
    ThrowingThread t(standard);
    t.Resume();
    t.WaitFor();  // serves the hand-over that shows the error
    EXPECT_TRUE(t.Finished());
    EXPECT_EQ(Texts(boxes), std::vector<std::string>{standard ? "Disk on fire." : kUnknown});
  }
}

struct Walk {
  int calls = 0;
  ui::CallbackErrors errors;
};

// The platform calls it with its own calling convention, which a lambda does not have on i686.
BOOL CALLBACK FailingWalkStep(HWND, LPARAM lp) {
  auto* w = reinterpret_cast<Walk*>(lp);
  return w->errors.Run(FALSE, [&]() -> BOOL {
    ++w->calls;
    Fail(false);
  });
}

TEST(Guard, EnumerationCallbacksCarryTheFirstExceptionPastThePlatform) {
  Walk walk;
  HWND a = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
  HWND b = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
  EnumThreadWindows(GetCurrentThreadId(), &FailingWalkStep, reinterpret_cast<LPARAM>(&walk));
  DestroyWindow(a);
  DestroyWindow(b);
  EXPECT_EQ(walk.calls, 1) << "the walk stops at the first failure";
  EXPECT_TRUE(walk.errors.Failed());
  EXPECT_THROW(walk.errors.Rethrow(), int);
  EXPECT_NO_THROW(walk.errors.Rethrow()) << "thrown once";
}

// A form with a button, a list and a tree, for the window procedure and the sorts.
class GuardHost : public ui::Form {
 public:
  ui::Button button;
  ui::ListView list;
  ui::TreeView tree;
  bool standard = true;
  void Create() override { LoadLayout(Layout()); }
  void ButtonClick(ui::Component&) { Fail(standard); }

 private:
  static const ui::FormLayout<GuardHost>& Layout() {
    static const ui::FormLayout<GuardHost> layout{
        "TGuardHost",
        {.bounds = {0, 0, 300, 300}, .caption = "guard"},
        false,
        0,
        {},
        {{"button", &GuardHost::button, {.bounds = {0, 0, 80, 24}, .caption = "Go"},
          {ui::On(&ui::Control::OnClick, &GuardHost::ButtonClick)}},
         {"list", &GuardHost::list, {.bounds = {0, 30, 140, 200}, .view = ui::ViewStyle::List}},
         {"tree", &GuardHost::tree, {.bounds = {150, 30, 140, 200}}}}};
    return layout;
  }
};

TEST(Guard, AWindowProcedureShowsAnyExceptionAndTheWindowLivesOn) {
  GuardHost host;
  host.Create();
  ModalAnswerer boxes;
  // The click as the button reports it to its parent window.
  auto click = [&] {
    SendMessageA(host.Handle(), WM_COMMAND, MAKEWPARAM(0, BN_CLICKED), reinterpret_cast<LPARAM>(host.button.Handle()));
  };
  click();
  host.standard = false;
  click();
  EXPECT_EQ(Texts(boxes), (std::vector<std::string>{"Disk on fire.", kUnknown}));
  EXPECT_TRUE(IsWindow(host.Handle()));
}

TEST(Guard, AFailingSortComparisonIsThrownOnceTheSortReturns) {
  GuardHost host;
  host.Create();
  for (const char* c : {"b", "c", "a"}) host.list.AddItem(c, -1);
  static int calls;
  calls = 0;
  EXPECT_THROW(host.list.SortByCaption([](const char*, const char*) -> int {
    ++calls;
    throw std::runtime_error("compare");
  }), std::runtime_error);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(host.list.Count(), 3);
  host.list.SortByCaption([](const char* a, const char* b) { return lstrcmpA(a, b); });
  EXPECT_EQ(host.list.Caption(0), "a");

  for (const char* c : {"y", "x"}) host.tree.AddChild(nullptr, c);
  calls = 0;
  EXPECT_THROW(host.tree.SortChildren(nullptr, [](ui::TreeNode&, ui::TreeNode&, void*) -> int {
    ++calls;
    throw 5;
  }, nullptr), int);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(host.tree.FirstNode()->Text(), "y");
}

// The entries live in the wrapper, the control asks for them: what it reads, a typed letter and
// a sort all see the same entries, and a sort takes the selection and focus along.
TEST(ListView, TheControlReadsTheEntriesAndASortKeepsTheirSelection) {
  GuardHost host;
  host.Create();
  for (const char* c : {"beta", "Cherry", "alpha"}) host.list.AddItem(c, -1);
  host.list.SetSubItem(1, 2, "two");
  EXPECT_EQ(host.list.SubItem(1, 2), "two");
  EXPECT_EQ(host.list.SubItem(1, 1), "");
  EXPECT_EQ(host.list.Caption(1), "Cherry");
  char text[16] = {};
  ListView_GetItemText(host.list.Handle(), 1, 0, text, sizeof text);
  EXPECT_STREQ(text, "Cherry");
  EXPECT_EQ(ListView_GetItemCount(host.list.Handle()), 3);

  SendMessageA(host.list.Handle(), WM_CHAR, 'c', 1);
  EXPECT_EQ(host.list.FocusedItem(), 1) << "typing finds a caption in any case";
  host.list.SetSelected(1, true);
  host.list.SortByCaption([](const char* a, const char* b) { return lstrcmpiA(a, b); });
  EXPECT_EQ(host.list.Caption(2), "Cherry");
  EXPECT_EQ(host.list.SubItem(2, 2), "two");
  EXPECT_TRUE(host.list.Selected(2));
  EXPECT_FALSE(host.list.Selected(1));
  EXPECT_EQ(host.list.FocusedItem(), 2);
  EXPECT_EQ(host.list.SelCount(), 1);
}

// A run scrolls to its newest entries before the list draws again: they have their places by then.
TEST(ListView, EntriesAddedWhileHeldArePlacedBeforeTheDrawingResumes) {
  GuardHost host;
  host.Create();
  host.list.SetView(ui::ViewStyle::Icon);
  host.list.AddItem("first", -1);
  host.list.BeginUpdate();
  for (int i = 0; i < 20; ++i) host.list.AddItem("more", -1);
  host.list.Scroll(0, 0);
  POINT first{}, last{};
  ListView_GetItemPosition(host.list.Handle(), 0, &first);
  ListView_GetItemPosition(host.list.Handle(), 20, &last);
  EXPECT_GT(last.y, first.y);
  host.list.EndUpdate();
}

}  // namespace

namespace {

// Our procedure sits in front of each class's own: the wrapper is found by its window only while
// both live, the class's procedure gets messages in its own character set, and a window that
// goes first leaves its wrapper without a handle.
TEST(Control, IsFoundByItsWindowWhileBothLiveAndPassesMessagesOnUnchanged) {
  auto host = std::make_unique<GuardHost>();
  host->Create();
  const HWND form = host->Handle(), list = host->list.Handle();
  EXPECT_EQ(ui::Control::FromHandle(form), host.get());
  EXPECT_EQ(ui::Control::FromHandle(list), &host->list);
  EXPECT_EQ(ui::Control::FromHandle(GetDesktopWindow()), nullptr);

  // Text beyond ASCII in the ANSI code page: a wrong character set on the way garbles it.
  char text[32] = "";
  WideCharToMultiByte(CP_ACP, 0, L"Gr\u00FC\u00DFe", -1, text, sizeof text, nullptr, nullptr);
  ASSERT_TRUE(IsWindowUnicode(list));
  SetWindowTextA(list, text);
  char back[32] = "";
  GetWindowTextA(list, back, sizeof back);
  EXPECT_STREQ(back, text);

  DestroyWindow(list);
  EXPECT_EQ(host->list.Handle(), nullptr);
  EXPECT_EQ(ui::Control::FromHandle(list), nullptr);
  host->tree.AddChild(nullptr, "still here");
  EXPECT_EQ(host->tree.FirstNode()->Text(), "still here");

  host.reset();
  EXPECT_FALSE(IsWindow(form));
  EXPECT_EQ(ui::Control::FromHandle(form), nullptr);
}

}  // namespace
