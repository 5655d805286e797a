// Folder change monitors: reports reaching the node on the user-interface thread, filter
// changes, failed watches, and destruction with reports pending. The disabled case measures
// how many monitors one process sustains.
#define PSAPI_VERSION 2
#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ShellTestSupport.h"
#include "shelltree/DiscMonitor.h"
#include "ui/Application.h"

namespace {

using shelltest::PumpUntil;

struct CountingNode : TMonitorTarget {
  int changes = 0;
  bool offThread = false;
  void MonitorChanged() override {
    ++changes;
    if (GetCurrentThreadId() != ui::Application.MainThreadId()) offThread = true;
  }
};

// A freshly started watch may not be armed yet, so the change is repeated (with a new name)
// until one is reported.
bool ChangeIsReported(CountingNode& node, const std::function<void(int)>& change) {
  for (int attempt = 0; attempt < 5; ++attempt) {
    int before = node.changes;
    change(attempt);
    if (PumpUntil([&] { return node.changes > before; }, 1000)) return true;
  }
  return false;
}

bool SendPending() { return HIWORD(GetQueueStatus(QS_SENDMESSAGE)) & QS_SENDMESSAGE; }

}  // namespace

TEST(DiscMonitor, FolderChangesReachTheNodeOnTheUserInterfaceThread) {
  EXPECT_EQ(StartDiscMonitor(nullptr, " \t ", kDefaultNotifyFilter), nullptr);

  shelltest::ScratchDir dir;
  CountingNode node;
  auto monitor = StartDiscMonitor(&node, dir.path(), kDefaultNotifyFilter);
  ASSERT_TRUE(monitor);
  EXPECT_TRUE(monitor->Running());
  EXPECT_EQ(monitor->MonitorPath(), dir.path());

  std::string made;
  EXPECT_TRUE(ChangeIsReported(node, [&](int i) { made = dir.mkdir("new" + std::to_string(i)); }));
  PumpUntil([] { return false; }, 200);  // let reports of the same change come in
  int before = node.changes;
  ASSERT_TRUE(RemoveDirectoryA(made.c_str()));
  EXPECT_TRUE(PumpUntil([&] { return node.changes > before; }, 2000));
  EXPECT_FALSE(node.offThread);
  EXPECT_TRUE(monitor->Running());
}

// The watch is armed again before the node refreshes: a change made while it refreshes (here by
// the node itself) is reported, not lost between the report and the next wait.
TEST(DiscMonitor, AChangeMadeDuringTheRefreshIsReported) {
  shelltest::ScratchDir dir;
  struct ChangingNode : CountingNode {
    std::function<void()> during;
    int changesBeforeIt = -1;
    void MonitorChanged() override {
      CountingNode::MonitorChanged();
      if (!during) return;
      changesBeforeIt = changes;
      std::exchange(during, nullptr)();
    }
  } node;
  auto monitor = StartDiscMonitor(&node, dir.path(), kDefaultNotifyFilter);
  ASSERT_TRUE(monitor);
  ASSERT_TRUE(ChangeIsReported(node, [&](int i) { dir.mkdir("armed" + std::to_string(i)); }));
  PumpUntil([] { return false; }, 200);  // let reports of the same change come in
  node.during = [&] { dir.mkdir("during"); };
  dir.mkdir("before");
  ASSERT_TRUE(PumpUntil([&] { return node.changesBeforeIt >= 0; }, 5000));
  EXPECT_TRUE(PumpUntil([&] { return node.changes > node.changesBeforeIt; }, 5000))
      << "the change made during the refresh was not reported";
}

TEST(DiscMonitor, FilterChangeRestartsTheWatchWithFileNames) {
  shelltest::ScratchDir dir;
  CountingNode node;
  auto monitor = StartDiscMonitor(&node, dir.path(), kDefaultNotifyFilter);
  ASSERT_TRUE(monitor);
  ASSERT_TRUE(ChangeIsReported(node, [&](int i) { dir.mkdir("armed" + std::to_string(i)); }));
  PumpUntil([] { return false; }, 200);

  int before = node.changes;
  dir.file("unwatched.txt", 1);
  PumpUntil([] { return false; }, 300);
  EXPECT_EQ(node.changes, before) << "folders-only watch reported a file";

  const DWORD withFiles = kDefaultNotifyFilter | FILE_NOTIFY_CHANGE_FILE_NAME;
  monitor->SetFilter(withFiles);
  EXPECT_EQ(monitor->Filter(), withFiles);
  EXPECT_TRUE(ChangeIsReported(node, [&](int i) { dir.file("watched" + std::to_string(i) + ".txt", 1); }));
  EXPECT_TRUE(monitor->Running());
}

TEST(DiscMonitor, FolderThatCannotBeWatchedGivesAFailedMonitor) {
  shelltest::ScratchDir dir;
  CountingNode node;

  auto missing = StartDiscMonitor(&node, dir.sub("not-there"), kDefaultNotifyFilter);
  ASSERT_TRUE(missing);
  EXPECT_TRUE(PumpUntil([&] { return missing->Failed() && missing->Finished(); }, 2000));
  missing->SetFilter(kDefaultNotifyFilter | FILE_NOTIFY_CHANGE_FILE_NAME);  // not restarted
  EXPECT_FALSE(missing->Running());
  missing.reset();

  // A watched folder that goes away: its report or the next filter change ends the watch.
  std::string gone = dir.mkdir("gone");
  auto vanishing = StartDiscMonitor(&node, gone, kDefaultNotifyFilter);
  ASSERT_TRUE(ChangeIsReported(node, [&](int i) { dir.mkdir("gone\\sub" + std::to_string(i)); }));
  for (int i = 0; i < 5; ++i) RemoveDirectoryA((gone + "\\sub" + std::to_string(i)).c_str());
  ASSERT_TRUE(RemoveDirectoryA(gone.c_str()));
  PumpUntil([&] { return vanishing->Failed(); }, 500);
  vanishing->SetFilter(kDefaultNotifyFilter | FILE_NOTIFY_CHANGE_FILE_NAME);
  EXPECT_TRUE(PumpUntil([&] { return vanishing->Failed() && vanishing->Finished(); }, 2000));
  vanishing.reset();

  // A thread that cannot be created: the monitor is failed from the start and never runs.
  const SIZE_T impossible = static_cast<SIZE_T>(1) << (sizeof(SIZE_T) * 8 - 2);
  auto unstartable = std::make_unique<TDiscMonitorThread>(&node, dir.path(), kDefaultNotifyFilter, impossible);
  EXPECT_FALSE(unstartable->Created());
  EXPECT_TRUE(unstartable->Failed());
  unstartable->Resume();
  EXPECT_FALSE(unstartable->Running());
  unstartable.reset();
  EXPECT_FALSE(node.offThread);
}

TEST(DiscMonitor, DestructionEndsManyMonitorsPromptlyAndDropsPendingReports) {
  shelltest::ScratchDir dir;
  CountingNode node;
  std::vector<std::unique_ptr<TDiscMonitorThread>> monitors;
  for (int i = 0; i < 100; ++i)
    monitors.push_back(StartDiscMonitor(&node, dir.mkdir("m" + std::to_string(i)), kDefaultNotifyFilter));
  for (const auto& m : monitors) ASSERT_TRUE(m && m->Running());
  // Each monitor ends on its stop signal: waiting out a time-out of a second per monitor would
  // take 100 s. The bound is loose because a loaded machine ends threads slowly (6 s seen).
  DWORD start = GetTickCount();
  monitors.clear();
  EXPECT_LT(GetTickCount() - start, 30000u);

  // With the user-interface thread busy, a report waits in its queue; destroying the
  // monitor then must not call the node, neither while waiting nor afterwards.
  CountingNode pendingNode;
  auto monitor = StartDiscMonitor(&pendingNode, dir.path(), kDefaultNotifyFilter);
  bool pending = false;
  for (int attempt = 0; attempt < 5 && !pending; ++attempt) {
    dir.mkdir("pending" + std::to_string(attempt));
    for (int wait = 0; wait < 50 && !(pending = SendPending()); ++wait) Sleep(20);
  }
  ASSERT_TRUE(pending);
  monitor.reset();
  PumpUntil([] { return false; }, 200);
  EXPECT_EQ(pendingNode.changes, 0);
}

namespace {

int ThreadsOfThisProcess() {
  win::UniqueFile snap(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
  THREADENTRY32 te{sizeof te};
  int n = 0;
  if (snap && Thread32First(snap.get(), &te)) {
    do {
      if (te.th32OwnerProcessID == GetCurrentProcessId()) ++n;
    } while (Thread32Next(snap.get(), &te));
  }
  return n;
}

void PrintMemory(const char* when) {
  PROCESS_MEMORY_COUNTERS_EX pmc{};
  pmc.cb = sizeof pmc;
  GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof pmc);
  MEMORYSTATUSEX ms{};
  ms.dwLength = sizeof ms;
  GlobalMemoryStatusEx(&ms);
  std::printf("  %-22s threads %5d  working set %7.1f MB  private %7.1f MB  address space used %8.1f MB\n",
              when, ThreadsOfThisProcess(), pmc.WorkingSetSize / 1048576.0, pmc.PrivateUsage / 1048576.0,
              (ms.ullTotalVirtual - ms.ullAvailVirtual) / 1048576.0);
}

// The stack reservation the platform actually grants a thread that asks for `reserve`.
DWORD WINAPI MeasureOwnStack(void* out) {
  MEMORY_BASIC_INFORMATION mbi{};
  VirtualQuery(&mbi, &mbi, sizeof mbi);
  void* base = mbi.AllocationBase;
  SIZE_T total = 0;
  for (auto* p = static_cast<BYTE*>(base); VirtualQuery(p, &mbi, sizeof mbi) && mbi.AllocationBase == base;
       p += mbi.RegionSize)
    total += mbi.RegionSize;
  *static_cast<SIZE_T*>(out) = total;
  return 0;
}

SIZE_T GrantedStack(SIZE_T reserve) {
  SIZE_T granted = 0;
  win::UniqueEvent t(CreateThread(nullptr, reserve, &MeasureOwnStack, &granted, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr));
  if (t) WaitForSingleObject(t.get(), INFINITE);
  return granted;
}

}  // namespace

// Many folders, one monitor each, and a change still reaches its node. MONITOR_BENCH_COUNT
// folders (default 100); set it to 1000 or more to measure at scale.
TEST(DiscMonitor, SustainsManyMonitors) {
  const char* env = std::getenv("MONITOR_BENCH_COUNT");
  const int count = env ? std::atoi(env) : 100;
  shelltest::ScratchDir dir;
  CountingNode node;
  std::printf("%d monitors; a thread asking for %lu KB of stack is granted %lu KB\n", count,
              static_cast<unsigned long>(kMonitorStackReserve / 1024),
              static_cast<unsigned long>(GrantedStack(kMonitorStackReserve) / 1024));
  PrintMemory("before");

  DWORD t0 = GetTickCount();
  std::vector<std::string> paths;
  for (int i = 0; i < count; ++i) paths.push_back(dir.mkdir("f" + std::to_string(i)));
  DWORD t1 = GetTickCount();
  std::vector<std::unique_ptr<TDiscMonitorThread>> monitors;
  for (const std::string& p : paths) monitors.push_back(StartDiscMonitor(&node, p, kDefaultNotifyFilter));
  DWORD t2 = GetTickCount();
  // Let every thread reach its wait before counting.
  PumpUntil([] { return false; }, 2000);
  int failed = 0, noThread = 0;
  for (const auto& m : monitors) {
    failed += m->Failed() ? 1 : 0;
    noThread += m->Created() ? 0 : 1;
  }
  std::printf("  folders made in %lu ms, monitors started in %lu ms, failed %d (%d without a thread)\n", t1 - t0,
              t2 - t1, failed, noThread);
  PrintMemory("all running");

  // Responsiveness: a change in the middle folder reaches its node.
  int before = node.changes;
  DWORD t3 = GetTickCount();
  bool reported = ChangeIsReported(node, [&](int i) {
    CreateDirectoryA((paths[count / 2] + "\\probe" + std::to_string(i)).c_str(), nullptr);
  });
  std::printf("  change reported: %s in %lu ms (%d reports)\n", reported ? "yes" : "no", GetTickCount() - t3,
              node.changes - before);

  // One by one, as nodes are deleted; MONITOR_BENCH_STOP_FIRST=1 signals them all first.
  const char* stopEnv = std::getenv("MONITOR_BENCH_STOP_FIRST");
  const bool stopFirst = stopEnv && *stopEnv == '1';
  DWORD t4 = GetTickCount();
  if (stopFirst)
    for (auto& m : monitors) m->Stop();
  monitors.clear();
  std::printf("  all destroyed in %lu ms%s\n", GetTickCount() - t4, stopFirst ? " (stopped first)" : "");
  PrintMemory("after");
  EXPECT_EQ(failed, 0);
  EXPECT_EQ(noThread, 0);
  EXPECT_TRUE(reported);
}
