// Times the extraction run at 250, 2,500 and 10,000 icons three ways in one process: the bare
// loop (the run's own loading: each file read once by the icon reader), the floor (a minimal
// list view doing only the run's fixed steps per icon on the same icons) and the run in the
// real main window; profiles the run's steps; and reports memory and handles after the largest
// run, and what hiding duplicates costs at 2,500 icons. The shell's ExtractIconA loop over the
// same files is printed beside the bare loop. The folder tree (TreeBench), Esc over a large tree
// and a run of 50,000 icons (ScaleBench) are parts of their own.
#include <ole2.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "app/MainForm.h"
#include "extract/ExtractHelpers.h"
#include "extract/IconRun.h"
#include "extract/LargeIcon.h"
#include "extract/StoredImages.h"
#include "fixtures/IconFixtures.h"
#include "settings/Settings.h"
#include "ui/Application.h"
#include "ui/Dpi.h"
#include "ui/Images.h"
#include "win/PathText.h"


namespace {

using bench::AnswerProbe;
using bench::MakeGeneratedFolder;
using bench::Now;
using bench::ServeRun;

struct Loaded {
  int files = 0, icons = 0;
};

// Time spent per step of a run, for the floor and the window's run alike.
enum Step { kCount, kLabel, kLoad, kAdds, kInsert, kSubItem, kScroll, kRepaint, kFree, kMessages, kSteps };
const char* const kStepNames[kSteps] = {"read the file (per file)", "info label (per file)", "icon from the reader",
                                        "icons made, image-list adds", "insert", "sub-items", "scroll 76 px x scale",
                                        "repaint", "free icon", "message pass"};
struct Profile {
  double spent[kSteps] = {};
  int icons = 0;
};

// Messages by identifier, posted and sent, while a hook is in place.
std::map<UINT, int>* gCounts = nullptr;
std::map<std::string, int>* gDrawn = nullptr;
LRESULT CALLBACK CountPosted(int code, WPARAM wp, LPARAM lp) {
  if (code == HC_ACTION && gCounts && wp == PM_REMOVE) {
    auto* m = reinterpret_cast<MSG*>(lp);
    ++(*gCounts)[m->message];
    if (gDrawn && m->message == WM_PAINT) {
      char name[64] = "";
      GetClassNameA(m->hwnd, name, sizeof name);
      ++(*gDrawn)[std::string("posted paint ") + name];
    }
  }
  return CallNextHookEx(nullptr, code, wp, lp);
}
LRESULT CALLBACK CountSent(int code, WPARAM wp, LPARAM lp) {
  if (code == HC_ACTION && gCounts) {
    auto* m = reinterpret_cast<CWPSTRUCT*>(lp);
    ++(*gCounts)[0x10000 | m->message];
    // Notifications by code (negated), to tell them apart.
    if (m->message == WM_NOTIFY) ++(*gCounts)[0x20000 | (0xFFFF & -static_cast<int>(reinterpret_cast<NMHDR*>(m->lParam)->code))];
    // Erasing and painting by window class, to see which windows draw.
    if (gDrawn && (m->message == WM_ERASEBKGND || m->message == WM_PAINT || m->message == WM_NCPAINT)) {
      char name[64] = "";
      GetClassNameA(m->hwnd, name, sizeof name);
      ++(*gDrawn)[std::string(m->message == WM_ERASEBKGND ? "erase " : m->message == WM_PAINT ? "paint " : "ncpaint ") + name];
    }
  }
  return CallNextHookEx(nullptr, code, wp, lp);
}
class MessageCount {
 public:
  MessageCount(std::map<UINT, int>& counts, std::map<std::string, int>& drawn) {
    gCounts = &counts;
    gDrawn = &drawn;
    posted_ = SetWindowsHookExA(WH_GETMESSAGE, &CountPosted, nullptr, GetCurrentThreadId());
    sent_ = SetWindowsHookExA(WH_CALLWNDPROC, &CountSent, nullptr, GetCurrentThreadId());
  }
  ~MessageCount() {
    UnhookWindowsHookEx(posted_);
    UnhookWindowsHookEx(sent_);
    gCounts = nullptr;
    gDrawn = nullptr;
  }
  MessageCount(const MessageCount&) = delete;
  MessageCount& operator=(const MessageCount&) = delete;

 private:
  HHOOK posted_, sent_;
};

// Adds the time since `t` to a step and restarts the clock.
void Lap(Profile* p, Step step, double& t) {
  double now = Now();
  if (p) p->spent[step] += now - t;
  t = now;
}

// The types in force, as the window's run asks them.
bool TypesInForce(const std::string& file) { return PassesTypeFilter(file, FileTypes, ExtractFromAll); }

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

// The bare loop plus only the run's fixed steps per icon, in a plain list view of the same
// kind and size as the main window's: an add to each image list, the insert with its
// sub-item, the 76-pixel scroll, the immediate repaint and one pass over the message queue.
// The image lists hold every icon from the start, so they never grow. At another display
// scale the lists, the icon and the scroll take the scaled sizes: one icon made at the shown
// size, as the platform makes it.
class Floor {
 public:
  // Exactly over the window's list, with its size and font, and shown only while it runs: both
  // lists paint the same area of the screen, all of it.
  Floor(const ui::ListView& like, int capacity) {
    GetWindowRect(like.Handle(), &place_);
    const int width = place_.right - place_.left, height = place_.bottom - place_.top;
    window_ = CreateWindowExA(WS_EX_TOOLWINDOW, ui::PlainWindowClass(), "floor", WS_POPUP, place_.left, place_.top,
                              width, height, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    list_ = CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
                            WS_CHILD | WS_VISIBLE | LVS_ICON | LVS_SHAREIMAGELISTS | LVS_AUTOARRANGE |
                                LVS_SHOWSELALWAYS | WS_TABSTOP,
                            0, 0, width, height, window_, nullptr, GetModuleHandleA(nullptr), nullptr);
    SendMessageA(list_, WM_SETFONT, SendMessageA(like.Handle(), WM_GETFONT, 0, 0), FALSE);
    const int dpi = ui::SystemDpi();
    shown_ = MulDiv(32, dpi, 96);
    step_ = MulDiv(76, dpi, 96);
    large_ = ImageList_Create(shown_, shown_, ILC_COLORDDB | ILC_MASK, capacity, 16);
    small_ = ImageList_Create(MulDiv(16, dpi, 96), MulDiv(16, dpi, 96), ILC_COLORDDB | ILC_MASK, capacity, 16);
    ImageList_SetBkColor(large_, CLR_NONE);
    ImageList_SetBkColor(small_, CLR_NONE);
    ListView_SetImageList(list_, large_, LVSIL_NORMAL);
    ListView_SetImageList(list_, small_, LVSIL_SMALL);
    const char* titles[] = {"Name", "Icon Index"};
    for (int i = 0; i < 2; ++i) {
      LVCOLUMNA col{};
      col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
      col.cx = i == 0 ? 150 : 50;
      col.pszText = const_cast<char*>(titles[i]);
      col.iSubItem = i;
      SendMessageA(list_, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&col));
    }
  }
  // Out of the way again; the window below repaints now rather than in its next run.
  void Hide() {
    ShowWindow(window_, SW_HIDE);
    ui::Application.ProcessMessages();
  }
  Floor(const Floor&) = delete;
  Floor& operator=(const Floor&) = delete;
  ~Floor() {
    DestroyWindow(window_);
    ImageList_Destroy(large_);
    ImageList_Destroy(small_);
  }

  // batched: the list's redrawing held for the whole run, no scroll or repaint per icon: what
  // is left of each icon's cost when the screen is brought up to date once per frame.
  Loaded Run(const std::string& folder, Profile* profile = nullptr, bool batched = false) {
    ListView_DeleteAllItems(list_);
    ImageList_RemoveAll(large_);
    ImageList_RemoveAll(small_);
    SetWindowPos(window_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    UpdateWindow(window_);
    Loaded r;
    IconRun run(pathtext::WithTrailingBackslash(folder), false);
    if (batched) SendMessageA(list_, WM_SETREDRAW, FALSE, 0);
    double t = Now();
    while (run.NextFile(&TypesInForce)) {
      ++r.files;
      Lap(profile, kCount, t);
      const std::string& caption = run.File().Caption();
      RunIcon entry;
      for (;;) {
        t = Now();
        if (!run.NextIcon(entry)) break;
        Lap(profile, kLoad, t);
        if (!entry.Listed()) continue;
        // At another scale the run's own 32 x 32 icon decides the listing, the shown one is made besides.
        const win::UniqueIcon scaled = shown_ != 32 ? run.File().Icon(entry.index, shown_) : win::UniqueIcon();
        HICON icon = scaled ? scaled.get() : entry.icon.get();
        ++r.icons;
        ImageList_AddIcon(small_, icon);
        int slot = ImageList_AddIcon(large_, icon);
        Lap(profile, kAdds, t);
        LVITEMA it{};
        it.mask = LVIF_TEXT | LVIF_IMAGE;
        it.iItem = ListView_GetItemCount(list_);
        it.pszText = const_cast<char*>(caption.c_str());
        it.iImage = slot;
        int item = static_cast<int>(SendMessageA(list_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&it)));
        Lap(profile, kInsert, t);
        const std::string index = std::to_string(entry.index);
        LVITEMA sub{};
        sub.iSubItem = 1;
        sub.pszText = const_cast<char*>(index.c_str());
        SendMessageA(list_, LVM_SETITEMTEXTA, item, reinterpret_cast<LPARAM>(&sub));
        Lap(profile, kSubItem, t);
        if (batched) {
          entry.icon.reset();
          Lap(profile, kFree, t);
          continue;
        }
        ListView_Scroll(list_, 0, step_);
        Lap(profile, kScroll, t);
        UpdateWindow(list_);
        Lap(profile, kRepaint, t);
        entry.icon.reset();
        Lap(profile, kFree, t);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
          TranslateMessage(&msg);
          DispatchMessageA(&msg);
        }
        Lap(profile, kMessages, t);
      }
    }
    if (batched) {
      SendMessageA(list_, WM_SETREDRAW, TRUE, 0);
      InvalidateRect(list_, nullptr, TRUE);
      UpdateWindow(list_);
      Lap(profile, kRepaint, t);
    }
    if (profile) profile->icons = r.icons;
    return r;
  }

 private:
  int shown_ = 32, step_ = 76;  // the large image edge and the scroll step at the scale
  RECT place_{};
  HWND window_ = nullptr, list_ = nullptr;
  HIMAGELIST large_ = nullptr, small_ = nullptr;
};

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
    item = bench::FolderItem(form.stNav, folder);
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

// The window's loop, copied with a clock around each step; returns the icons shown.
int WindowLoop(TfrmMainForm& form, const std::string& folder, Profile* p) {
  form.lvIcons.Clear();
  form.iconSlots.Clear();
  int shown = 0;
  IconRun run(pathtext::WithTrailingBackslash(folder), false);
  double t = Now();
  while (run.NextFile(&TypesInForce)) {
    const FileIcons& file = run.File();
    Lap(p, kCount, t);
    if (file.Count() <= 0) continue;
    form.lblInfo.SetCaption("Icons contained in " + FitPathToWidth(file.Path(), form.lblInfo.Font(),
                                                                   form.lblInfo.Width() - form.Scale(110)));
    Lap(p, kLabel, t);
    RunIcon entry;
    for (;;) {
      t = Now();
      if (!run.NextIcon(entry)) break;
      Lap(p, kLoad, t);
      if (!entry.Listed()) continue;
      ++shown;
      const int slot = form.iconSlots.Append(file, entry.index, entry.icon.get(), entry.icon.get());
      Lap(p, kAdds, t);
      const int item = form.lvIcons.AddItem(file.Caption(), slot);
      Lap(p, kInsert, t);
      form.lvIcons.SetSubItem(item, 1, std::to_string(entry.index));
      form.lvIcons.SetSubItem(item, 2, storedimages::SizesText(*entry.group));
      Lap(p, kSubItem, t);
      form.lvIcons.Scroll(0, form.Scale(76));
      Lap(p, kScroll, t);
      UpdateWindow(form.lvIcons.Handle());
      Lap(p, kRepaint, t);
      entry.icon.reset();
      Lap(p, kFree, t);
      ui::Application.ProcessMessages();
      Lap(p, kMessages, t);
    }
  }
  if (p) p->icons = shown;
  return shown;
}

// The run's steps one by one, timed, beside the floor's same steps, so that the cost beyond
// the floor is put down to the step that causes it; then both once more with their messages
// counted (apart, since under Wine every hooked message costs a server call).
void ProfiledRun(TfrmMainForm& form, const std::string& folder) {
  Profile window, floorProfile;
  {
    Floor floor(form.lvIcons, 1000);
    floor.Run(folder, &floorProfile);
    floor.Hide();
  }
  WindowLoop(form, folder, &window);
  Profile batched;
  {
    Floor floor(form.lvIcons, 1000);
    floor.Run(folder, &batched, true);
    floor.Hide();
  }
  std::printf("floor with its redrawing held, ms per icon:");
  double batchedTotal = 0;
  for (int i = 0; i < kSteps; ++i) {
    const double b = 1000.0 * batched.spent[i] / std::max(batched.icons, 1);
    batchedTotal += b;
    if (b > 0.0005) std::printf(" %s %.3f;", kStepNames[i], b);
  }
  std::printf(" all %.3f\n", batchedTotal);
  std::printf("profile per step, ms per icon (%d icons):     floor   window  beyond\n", window.icons);
  double floorTotal = 0, windowTotal = 0;
  for (int i = 0; i < kSteps; ++i) {
    double f = 1000.0 * floorProfile.spent[i] / std::max(floorProfile.icons, 1);
    double w = 1000.0 * window.spent[i] / std::max(window.icons, 1);
    floorTotal += f;
    windowTotal += w;
    std::printf("  %-42s %7.3f  %7.3f  %+7.3f\n", kStepNames[i], f, w, w - f);
  }
  std::printf("  %-42s %7.3f  %7.3f  %+7.3f\n", "all", floorTotal, windowTotal, windowTotal - floorTotal);

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
    windowIcons = WindowLoop(form, folder, nullptr);
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

// What growing an image list costs as it fills: each growth copies every image so far, so with a
// small step the cost per add rises with the count.
void GrowthCost(int count) {
  HDC screen = GetDC(nullptr);
  HBITMAP colour = CreateCompatibleBitmap(screen, 32, 32);
  HBITMAP mask = CreateBitmap(32, 32, 1, 1, nullptr);
  ReleaseDC(nullptr, screen);
  std::printf("image-list growth, %d adds of a 32-pixel image:", count);
  for (int grow : {16, 256}) {
    HIMAGELIST list = ImageList_Create(32, 32, ILC_COLORDDB | ILC_MASK, 0, grow);
    double t0 = Now(), firstQuarter = 0;
    for (int i = 0; i < count; ++i) {
      ImageList_Add(list, colour, mask);
      if (i + 1 == count / 4) firstQuarter = Now() - t0;
    }
    double all = Now() - t0;
    std::printf(" grow by %d: %.3f s (first quarter %.3f ms/add, the rest %.3f);", grow, all,
                1000.0 * firstQuarter / (count / 4), 1000.0 * (all - firstQuarter) / (count - count / 4));
    ImageList_Destroy(list);
  }
  std::printf("\n");
  DeleteObject(colour);
  DeleteObject(mask);
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
void RunBench(TfrmMainForm& form, bool quick, const bench::Holdings& start) {
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
  bench::Holdings end = bench::Measure();
  bench::Print("after the largest run:", end);
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

}  // namespace

int main() {
  OleInitialize(nullptr);
  InitCommonControls();
  ui::Application.Initialize();
  ui::Application.Title = "Varnholt Glyph Gatherer";
  TfrmMainForm& form = ui::Application.CreateForm<TfrmMainForm>();
  form.Show(SW_SHOWNORMAL);
  ui::Application.ProcessMessages();
  IncludeSubs = false;
  ExtractFromAll = false;
  FileTypes = kDefaultFileTypes;

  SYSTEM_INFO si;
  GetNativeSystemInfo(&si);
  std::printf("Benchmark: %s build, %s\n", sizeof(void*) == 8 ? "64-bit" : "32-bit",
              GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") ? "under Wine" : "on Windows");
  bench::Holdings start = bench::Measure();
  bench::Print("at start:", start);

  // BENCH_QUICK=1 stops after the smallest size, for a quick look while working; BENCH_PART=run,
  // tree, esc (Esc over a large tree) or large (a run of 50,000 icons) measures only that part;
  // BENCH_PART=cli measures the command line's /save, only when asked for.
  const bool quick = std::getenv("BENCH_QUICK") != nullptr;
  const std::string part = std::getenv("BENCH_PART") ? std::getenv("BENCH_PART") : "";
  if (part == "cli") bench::CliBench(quick);
  if (part != "tree" && part != "esc" && part != "large" && part != "cli") RunBench(form, quick, start);
  if ((!quick && part.empty()) || part == "esc") bench::EscBench(form);
  if ((!quick && part.empty()) || part == "large") bench::LargeRunBench(form);
  if (part.empty() || part == "tree") bench::TreeBench(quick);
  if (!quick && part.empty()) GrowthCost(10000);

  ui::Application.DestroyForms();
  OleUninitialize();
  return 0;
}
