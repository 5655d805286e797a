// The extraction run at 250, 2,500 and 10,000 icons three ways in one process: the bare loop
// (the run's own loading: each file read once by the icon reader), the floor (a minimal list
// view doing only the run's fixed steps per icon on the same icons) and the run in the real main
// window, timed from outside; the messages and drawing per icon of the floor and the window's
// run; memory and handles after the largest run, and what hiding duplicates costs at 2,500
// icons. The shell's ExtractIconA loop over the same files is printed beside the bare loop.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>

#include "BenchSupport.h"
#include "Floor.h"
#include "app/MainForm.h"
#include "extract/ExtractHelpers.h"
#include "extract/IconRun.h"
#include "extract/StoredImages.h"
#include "fixtures/IconFixtures.h"
#include "ui/Application.h"
#include "win/PathText.h"

namespace bench {

namespace {

// What the run does per file, without any window: list, filter, read, make each icon and free it.
Loaded BareLoop(const std::string& folder) {
  Loaded r;
  IconRun run(pathtext::WithTrailingBackslash(folder), false);
  while (run.NextFile(&TypesInForce)) {
    ++r.files;
    RunIcon icon;
    while (run.NextIcon(icon))
      if (icon.Listed()) ++r.icons;
  }
  return r;
}

// The same files through the shell, one ExtractIconA call for the count and one per icon.
double ShellLoopSeconds(const std::string& folder) {
  const double t0 = Now();
  HINSTANCE instance = GetModuleHandleA(nullptr);
  for (const std::string& file : IconRun(pathtext::WithTrailingBackslash(folder), false).Passing(&TypesInForce)) {
    const int count = static_cast<int>(reinterpret_cast<INT_PTR>(ExtractIconA(instance, file.c_str(), UINT(-1))));
    for (int i = 0; i < count; ++i) {
      HICON icon = ExtractIconA(instance, file.c_str(), static_cast<UINT>(i));
      if (reinterpret_cast<UINT_PTR>(icon) > 1) DestroyIcon(icon);
    }
  }
  return Now() - t0;
}

// When the run put its first entry into the list (an owner-data list is told its count) and
// when it last scrolled it, seen from a procedure put in front of the list's own: the time before
// and after are the run's start and end. (A message hook would do, but under Wine each hooked
// message costs a server call.)
WNDPROC gListProc = nullptr;
double gFirstInsert = 0, gLastScroll = 0;
LRESULT CALLBACK WatchList(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  if ((msg == LVM_INSERTITEMA || (msg == LVM_SETITEMCOUNT && wp > 0)) && gFirstInsert == 0) gFirstInsert = Now();
  if (msg == LVM_SCROLL) gLastScroll = Now();
  return CallWindowProcW(gListProc, wnd, msg, wp, lp);
}

struct RunTime {
  double all = 0, start = 0, end = 0;
  double slowestAnswer = 0;  // the longest a message sent to the window waited during the run
  double slowestAt = 0;      // when that wait began, after the folder was chosen
};

// The real run, repeated as F5 does: choosing the folder in the tree runs it the first time.
RunTime WindowRun(TfrmMainForm& form, const std::string& folder, bool first) {
  const HWND list = form.lvIcons.Handle();
  gFirstInsert = gLastScroll = 0;
  // The list is a Unicode window: the procedure in front takes its messages as they are.
  gListProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WatchList)));
  RunTime r;
  double t0 = 0;
  HTREEITEM item = nullptr;
  if (first) {
    // The tree may not have seen a folder made a moment ago: it looks again first. Then its
    // parent is opened and shown, so that the folder is chosen as a click chooses it.
    form.stNav.RefreshAll();
    item = FolderItem(form.stNav, folder);
    UpdateWindow(form.stNav.Handle());
    ui::Application.ProcessMessages();
  }
  {
    t0 = Now();
    if (item) TreeView_SelectItem(form.stNav.Handle(), item);
    else if (first) form.stNav.SetPath(folder);
    else form.miRefreshClick(form);
    // From the run's start: the folder tree's own work in choosing the folder is not the run's.
    AnswerProbe probe(form.Handle());
    ServeRun(form);
    r.all = Now() - t0;
    r.slowestAnswer = probe.Stop();
    r.slowestAt = probe.SlowestAt();
  }
  SetWindowLongPtrW(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(gListProc));
  if (gFirstInsert > 0) {
    r.start = gFirstInsert - t0;
    r.end = t0 + r.all - gLastScroll;
  }
  return r;
}

void Row(const char* what, double seconds, int icons, double floorSeconds) {
  std::printf("  %-26s %8.3f s  %7.3f ms/icon", what, seconds, 1000.0 * seconds / std::max(icons, 1));
  if (floorSeconds > 0) std::printf("  %5.2f x floor", seconds / floorSeconds);
  std::printf("\n");
}

struct SizeResult {
  int icons = 0;
  double bare = 0, floor = 0, run = 0, shell = 0;  // the best round of each (floor: 0 when not run)
  double floorMean = 0, runMean = 0;               // the mean of the rounds
  RunTime best;  // the window's best run, with its start and end
  double slowestAnswer = 0, slowestAt = 0;  // over every round
};

// The floor takes a list view's steps per icon, about 20 ms each under Wine: it is a diagnostic,
// run at the smallest size (and at every size with BENCH_FLOOR=1).
bool FloorEverywhere() { return std::getenv("BENCH_FLOOR") != nullptr; }

SizeResult MeasureFolder(TfrmMainForm& form, const std::string& folder, int rounds, const char* title = "",
                         bool withFloor = true) {
  Loaded warm = BareLoop(folder);  // reads the files into the cache: every side then runs warm
  withFloor = withFloor || FloorEverywhere();
  std::unique_ptr<Floor> floor = withFloor ? std::make_unique<Floor>(form.lvIcons, warm.icons) : nullptr;
  SizeResult s;
  s.bare = s.run = s.shell = 1e9;
  s.floor = withFloor ? 1e9 : 0;
  int runIcons = 0, floorIcons = 0;
  for (int round = 0; round < rounds; ++round) {
    // Interleaved, so that any drift of the machine reaches every side alike; every other round
    // runs the window first, so that neither side always has the earlier turn.
    const double b0 = Now();
    Loaded bare = BareLoop(folder);
    const double b1 = Now();
    RunTime run;
    if (round % 2) {
      run = WindowRun(form, folder, false);
      runIcons = form.lvIcons.Count();
    }
    if (floor) {
      const double f0 = Now();
      floorIcons = floor->Run(folder).icons;
      const double f1 = Now();
      floor->Hide();
      s.floor = std::min(s.floor, f1 - f0);
      s.floorMean += (f1 - f0) / rounds;
    }
    if (round % 2 == 0) {
      run = WindowRun(form, folder, round == 0);
      runIcons = form.lvIcons.Count();
    }
    s.shell = std::min(s.shell, ShellLoopSeconds(folder));
    if (run.slowestAnswer > s.slowestAnswer) {
      s.slowestAnswer = run.slowestAnswer;
      s.slowestAt = run.slowestAt;
    }
    s.bare = std::min(s.bare, b1 - b0);
    if (run.all < s.run) s.best = run;
    s.run = std::min(s.run, run.all);
    s.runMean += run.all / rounds;
    s.icons = bare.icons;
  }
  std::printf("%d icons from %d files (window %d", s.icons, warm.files, runIcons);
  if (floor) std::printf(", floor %d", floorIcons);
  std::printf("), best of %d%s:\n", rounds, title);
  Row("bare loop", s.bare, s.icons, 0);
  if (floor) Row("fixed-steps floor", s.floor, s.icons, 0);
  Row("window run", s.run, s.icons, s.floor);
  Row("shell loop (ExtractIconA)", s.shell, s.icons, 0);
  if (floor)
    std::printf("  floor / bare %.2f, run / floor %.2f; beyond the floor %.3f ms/icon\n", s.floor / s.bare,
                s.run / s.floor, 1000.0 * (s.run - s.floor) / std::max(s.icons, 1));
  // The goals: the window's run at most 1.5 x the bare loop and 3 x the shell's loop, its first
  // entry within 300 ms, no answer slower than 100 ms.
  std::printf("  goals: run / bare %.2f (<= 1.5), run / shell %.2f (<= 3), first entry %.0f ms (<= 300), "
              "slowest answer %.0f ms (<= 100)\n",
              s.run / s.bare, s.run / s.shell, 1000.0 * s.best.start, 1000.0 * s.slowestAnswer);
  std::printf("  window run before its first entry %.3f s, after its last scroll %.3f s; its slowest answer began "
              "%.3f s into the run\n",
              s.best.start, s.best.end, s.slowestAt);
  std::fflush(stdout);
  return s;
}

// Per-step figures of a profile, ms per icon.
void PrintSteps(const char* title, const Profile& p) {
  std::printf("%s, ms per icon (%d icons):", title, p.icons);
  double total = 0;
  for (int i = 0; i < kSteps; ++i) {
    const double ms = 1000.0 * p.spent[i] / std::max(p.icons, 1);
    total += ms;
    if (ms > 0.0005) std::printf(" %s %.3f;", kStepNames[i], ms);
  }
  std::printf(" all %.3f\n", total);
}

// The floor's steps one by one, timed, as they are and with its redrawing held; then the floor
// and the window's own run once more with the messages the window's thread handles counted
// (apart, since under Wine every hooked message costs a server call): what the run's reader,
// drawer and window cost the window's thread per icon beyond the floor's fixed steps, seen
// from outside as the run is. The window's run repeats the last one, as F5 does.
void ProfiledRun(TfrmMainForm& form, const std::string& folder) {
  Profile steps, batched;
  {
    Floor floor(form.lvIcons, 1000);
    floor.Run(folder, &steps);
    floor.Hide();
  }
  {
    Floor floor(form.lvIcons, 1000);
    floor.Run(folder, &batched, true);
    floor.Hide();
  }
  PrintSteps("floor per step", steps);
  PrintSteps("floor with its redrawing held", batched);

  std::map<UINT, int> floorMessages, windowMessages;
  std::map<std::string, int> floorDrawn, windowDrawn;
  int floorIcons = 0, windowIcons = 0;
  {
    Floor floor(form.lvIcons, 1000);
    {
      MessageCount count(floorMessages, floorDrawn);
      floorIcons = floor.Run(folder).icons;
    }
    floor.Hide();
  }
  {
    MessageCount count(windowMessages, windowDrawn);
    WindowRun(form, folder, false);
    windowIcons = form.lvIcons.Count();
  }
  // Messages the window's run handles that the floor's does not: the work around each icon.
  std::printf("  messages per icon (s: sent, p: posted), floor / window:");
  std::map<UINT, int> all = floorMessages;
  for (auto [id, n] : windowMessages) all[id] += 0;
  int shown = 0;
  for (auto [id, ignored] : all) {
    double f = double(floorMessages[id]) / std::max(floorIcons, 1);
    double w = double(windowMessages[id]) / std::max(windowIcons, 1);
    if (w < 0.2 && f < 0.2) continue;
    std::printf("%s %s%04X %.1f/%.1f", shown++ % 6 ? "," : "\n   ",
                id & 0x20000 ? "notify -" : id & 0x10000 ? "s" : "p", id & 0xFFFF, f, w);
  }
  std::printf("\n  drawing per icon, floor / window:");
  std::map<std::string, int> drawn = floorDrawn;
  for (auto [name, n] : windowDrawn) drawn[name] += 0;
  for (auto [name, ignored] : drawn)
    std::printf("\n    %-40s %.2f / %.2f", name.c_str(), double(floorDrawn[name]) / std::max(floorIcons, 1),
                double(windowDrawn[name]) / std::max(windowIcons, 1));
  std::printf("\n");
  std::fflush(stdout);
}

// What hiding duplicates costs the run: the time its test takes (hashing every icon's images,
// comparing byte for byte on a match, reading a matched file again) over the files the run
// reads, against the window's run without it. The generated folders are copies of a few
// files, so nearly every icon matches one listed before: the dearest case.
void DuplicateCost(const std::string& folder, const SizeResult& run) {
  double best = 1e9;
  int icons = 0, hidden = 0;
  for (int round = 0; round < 3; ++round) {
    // The run's own test, timed alone where the run asks it: for each icon it would list.
    storedimages::IconFilter filter(0, true, MunWindowsFolder());
    IconRun run(pathtext::WithTrailingBackslash(folder), false);
    double spent = 0;
    icons = 0;
    while (run.NextFile(&TypesInForce)) {
      RunIcon icon;
      while (run.NextIcon(icon)) {
        if (!icon.Listed()) continue;
        ++icons;
        const double t = Now();
        filter.Accepts(run.File().Path(), run.File().File(), static_cast<size_t>(icon.index));
        spent += Now() - t;
      }
    }
    best = std::min(best, spent);
    hidden = filter.DuplicatesHidden();
  }
  std::printf("  hiding duplicates: %.3f s for %d icons (%d hidden), best of 3: %.2f%% of the window run (%.3f s), "
              "%.1f%% of the bare loop (%.3f s)\n",
              best, icons, hidden, 100.0 * best / run.run, run.run, 100.0 * best / run.bare, run.bare);
  std::fflush(stdout);
}

// The extraction run at every size, with its memory and handles after the largest.
}  // namespace

void RunBench(TfrmMainForm& form, bool quick, const Holdings& start) {
  // 200, 2,000 and 8,000 files hold 250, 2,500 and 10,000 icons. The machine's speed drifts by
  // a quarter over minutes, so the sides are interleaved and the best round kept. The per-icon
  // growth compares the mean of the rounds at 10,000 icons with the mean of the rounds at 250
  // just before and just after them, which cancels a steady drift and compares like with like
  // (the best of more rounds would favour the size that has more).
  fixtures::TempFolder smallFolder("benchgen");
  MakeGeneratedFolder(smallFolder.Path(), 200);
  MeasureFolder(form, smallFolder.Path(), 3);
  ProfiledRun(form, smallFolder.Path());
  form.stNav.SetPath("");
  if (quick) return;
  {
    fixtures::TempFolder folder("benchgen");
    MakeGeneratedFolder(folder.Path(), 2000);
    DuplicateCost(folder.Path(), MeasureFolder(form, folder.Path(), 3, "", false));
    // Leave the folder before it goes, so the tree's monitor lets go of it.
    form.stNav.SetPath("");
  }
  fixtures::TempFolder largeFolder("benchgen");
  MakeGeneratedFolder(largeFolder.Path(), 8000);
  SizeResult before = MeasureFolder(form, smallFolder.Path(), 3, ", just before the largest");
  form.stNav.SetPath("");
  SizeResult large = MeasureFolder(form, largeFolder.Path(), 2, "", false);
  Holdings end = Measure();
  Print("after the largest run:", end);
  std::printf("  growth: GDI %+ld, USER %+ld with %d entries in the list\n", end.gdi - start.gdi, end.user - start.user,
              form.lvIcons.Count());
  form.stNav.SetPath("");
  SizeResult after = MeasureFolder(form, smallFolder.Path(), 3, ", just after the largest");
  form.stNav.SetPath("");

  auto perIcon = [](double seconds, int icons) { return 1000.0 * seconds / std::max(icons, 1); };
  auto growth = [](double a, double b) { return 100.0 * (b / a - 1.0); };
  const double runSmall = perIcon((before.runMean + after.runMean) / 2, before.icons);
  const double runLarge = perIcon(large.runMean, large.icons);
  std::printf("per icon, mean of the rounds, at %d icons (around the largest) and at %d: window run %.3f and %.3f ms "
              "(%+.1f%%)",
              before.icons, large.icons, runSmall, runLarge, growth(runSmall, runLarge));
  if (large.floorMean > 0) {
    const double floorSmall = perIcon((before.floorMean + after.floorMean) / 2, before.icons);
    const double floorLarge = perIcon(large.floorMean, large.icons);
    std::printf(", floor %.3f and %.3f ms (%+.1f%%)", floorSmall, floorLarge, growth(floorSmall, floorLarge));
  }
  std::printf("\n\n");
  std::fflush(stdout);
}

}  // namespace bench
