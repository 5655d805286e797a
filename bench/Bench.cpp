// Times the extraction run at 250, 2,500 and 10,000 icons three ways in one process: the bare
// loop of ExtractIconA calls, the floor (a minimal list view doing only the run's fixed steps
// per icon on the same icons) and the run in the real main window; profiles the run's steps;
// measures the folder tree on large folders; and reports memory and handles after the largest
// run.
#include <ole2.h>
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "app/MainForm.h"
#include "extract/AllFilesIterator.h"
#include "extract/ExtractHelpers.h"
#include "fixtures/IconFixtures.h"
#include "settings/Settings.h"
#include "ui/Application.h"

namespace bench {

double Now() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) / static_cast<double>(frequency.QuadPart);
}

namespace {

BOOL CALLBACK CountChild(HWND, LPARAM count) {
  ++*reinterpret_cast<long*>(count);
  return TRUE;
}

BOOL CALLBACK CountOwnWindows(HWND wnd, LPARAM count) {
  DWORD pid = 0;
  GetWindowThreadProcessId(wnd, &pid);
  if (pid != GetCurrentProcessId()) return TRUE;
  ++*reinterpret_cast<long*>(count);
  EnumChildWindows(wnd, &CountChild, count);
  return TRUE;
}

// Where the system keeps no counts (Wine answers 0), the objects are counted one by one: every
// 16-bit handle value is tried, which the platform accepts for any generation of the handle.
long ProbeGdiObjects() {
  long n = 0;
  for (UINT_PTR h = 1; h < 0x10000; ++h)
    if (GetObjectType(reinterpret_cast<HGDIOBJ>(h))) ++n;
  return n;
}

long ProbeUserObjects() {
  long n = 0;
  EnumWindows(&CountOwnWindows, reinterpret_cast<LPARAM>(&n));
  for (UINT_PTR h = 1; h < 0x10000; ++h) {
    if (IsMenu(reinterpret_cast<HMENU>(h))) {
      ++n;
      continue;
    }
    ICONINFO info{};
    if (GetIconInfo(reinterpret_cast<HICON>(h), &info)) {
      ++n;
      if (info.hbmColor) DeleteObject(info.hbmColor);
      if (info.hbmMask) DeleteObject(info.hbmMask);
    }
  }
  return n;
}

}  // namespace

Holdings Measure() {
  Holdings h;
  PROCESS_MEMORY_COUNTERS_EX pmc{};
  pmc.cb = sizeof pmc;
  GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof pmc);
  h.privateMB = static_cast<double>(pmc.PrivateUsage) / 1048576.0;
  h.gdi = static_cast<long>(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS));
  h.user = static_cast<long>(GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS));
  h.counted = h.gdi > 0 || h.user > 0;
  if (!h.counted) {
    h.gdi = ProbeGdiObjects();
    h.user = ProbeUserObjects();
  }
  return h;
}

void Print(const char* when, const Holdings& h) {
  std::printf("  %-34s private %.1f MB, GDI objects %ld, USER objects %ld%s\n", when, h.privateMB, h.gdi, h.user,
              h.counted ? "" : " (probed)");
}

}  // namespace bench

namespace {

using bench::Now;

struct Loaded {
  int files = 0, icons = 0;
};

// What the run does per file, without any window: list, filter, count, load and free.
Loaded BareLoop(const std::string& folder) {
  Loaded r;
  TStringList files;
  ListFiles(AddTrailingBackslash(folder) + "*.*", files, false);
  HINSTANCE instance = GetModuleHandleA(nullptr);
  for (const std::string& file : files) {
    if (!PassesTypeFilter(file, FileTypes, ExtractFromAll)) continue;
    ++r.files;
    const int count = static_cast<int>(reinterpret_cast<INT_PTR>(ExtractIconA(instance, file.c_str(), UINT(-1))));
    for (int i = 0; i < count; ++i) {
      HICON icon = ExtractIconA(instance, file.c_str(), static_cast<UINT>(i));
      if (reinterpret_cast<UINT_PTR>(icon) <= 1) continue;
      ++r.icons;
      DestroyIcon(icon);
    }
  }
  return r;
}

// The bare loop plus only the run's fixed steps per icon, in a plain list view of the same
// kind and size as the main window's: an add to each image list, the insert with its
// sub-item, the 76-pixel scroll, the immediate repaint and one pass over the message queue.
// The image lists hold every icon from the start, so they never grow.
class Floor {
 public:
  Floor(int width, int height, int capacity) {
    window_ = CreateWindowExA(0, WC_STATICA, "floor", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, width + 40,
                              height + 60, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    list_ = CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
                            WS_CHILD | WS_VISIBLE | LVS_ICON | LVS_SHAREIMAGELISTS | LVS_AUTOARRANGE |
                                LVS_SHOWSELALWAYS | WS_TABSTOP,
                            0, 0, width, height, window_, nullptr, GetModuleHandleA(nullptr), nullptr);
    large_ = ImageList_Create(32, 32, ILC_COLORDDB | ILC_MASK, capacity, 16);
    small_ = ImageList_Create(16, 16, ILC_COLORDDB | ILC_MASK, capacity, 16);
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
    UpdateWindow(window_);
  }
  Floor(const Floor&) = delete;
  Floor& operator=(const Floor&) = delete;
  ~Floor() {
    DestroyWindow(window_);
    ImageList_Destroy(large_);
    ImageList_Destroy(small_);
  }

  Loaded Run(const std::string& folder) {
    ListView_DeleteAllItems(list_);
    ImageList_RemoveAll(large_);
    ImageList_RemoveAll(small_);
    Loaded r;
    TStringList files;
    ListFiles(AddTrailingBackslash(folder) + "*.*", files, false);
    HINSTANCE instance = GetModuleHandleA(nullptr);
    for (const std::string& file : files) {
      if (!PassesTypeFilter(file, FileTypes, ExtractFromAll)) continue;
      ++r.files;
      const int count = static_cast<int>(reinterpret_cast<INT_PTR>(ExtractIconA(instance, file.c_str(), UINT(-1))));
      const std::string caption = FileNamePart(file);
      for (int i = 0; i < count; ++i) {
        HICON icon = ExtractIconA(instance, file.c_str(), static_cast<UINT>(i));
        if (reinterpret_cast<UINT_PTR>(icon) <= 1) continue;
        ++r.icons;
        ImageList_AddIcon(small_, icon);
        int slot = ImageList_AddIcon(large_, icon);
        LVITEMA it{};
        it.mask = LVIF_TEXT | LVIF_IMAGE;
        it.iItem = ListView_GetItemCount(list_);
        it.pszText = const_cast<char*>(caption.c_str());
        it.iImage = slot;
        int item = static_cast<int>(SendMessageA(list_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&it)));
        const std::string index = std::to_string(i);
        LVITEMA sub{};
        sub.iSubItem = 1;
        sub.pszText = const_cast<char*>(index.c_str());
        SendMessageA(list_, LVM_SETITEMTEXTA, item, reinterpret_cast<LPARAM>(&sub));
        ListView_Scroll(list_, 0, 76);
        UpdateWindow(list_);
        DestroyIcon(icon);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
          TranslateMessage(&msg);
          DispatchMessageA(&msg);
        }
      }
    }
    return r;
  }

 private:
  HWND window_ = nullptr, list_ = nullptr;
  HIMAGELIST large_ = nullptr, small_ = nullptr;
};

// The fixture files of one folder copied round-robin until the folder holds `total` files;
// the mix gives about five icons for every four files.
void MakeGeneratedFolder(const std::string& folder, int total) {
  fixtures::TempFolder seed("benchseed");
  fixtures::MakeIconFixtureFolder(seed.Path());
  TStringList sources;
  ListFiles(seed.Path() + "*.*", sources, false);
  for (int n = 0; n < total; ++n) {
    const std::string& from = sources[n % sources.Count()];
    char prefix[16];
    std::snprintf(prefix, sizeof prefix, "f%05d_", n);
    const std::string to = folder + prefix + FileNamePart(from);
    if (!CopyFileA(from.c_str(), to.c_str(), FALSE)) std::fprintf(stderr, "cannot copy %s\n", to.c_str());
  }
}

// The real run, repeated as F5 does: choosing the folder runs it the first time.
double WindowRun(TfrmMainForm& form, const std::string& folder, bool first) {
  double t0 = Now();
  if (first) form.stNav.SetPath(folder);
  else form.miRefreshClick(form);
  return Now() - t0;
}

void Row(const char* what, double seconds, int icons, double floorSeconds) {
  std::printf("  %-26s %8.3f s  %7.3f ms/icon", what, seconds, 1000.0 * seconds / std::max(icons, 1));
  if (floorSeconds > 0) std::printf("  %5.2f x floor", seconds / floorSeconds);
  std::printf("\n");
}

struct SizeResult {
  int icons = 0;
  double bare = 0, floor = 0, run = 0;
};

SizeResult MeasureFolder(TfrmMainForm& form, const std::string& folder, int rounds) {
  RECT r{};
  GetClientRect(form.lvIcons.Handle(), &r);
  Loaded warm = BareLoop(folder);  // reads the files into the cache: every side then runs warm
  Floor floor(r.right + 4, r.bottom + 4, warm.icons);
  SizeResult s;
  s.bare = s.floor = s.run = 1e9;
  int runIcons = 0, floorIcons = 0;
  for (int round = 0; round < rounds; ++round) {
    // Interleaved, so that any drift of the machine reaches all three alike.
    double t0 = Now();
    Loaded bare = BareLoop(folder);
    double t1 = Now();
    floorIcons = floor.Run(folder).icons;
    double t2 = Now();
    double run = WindowRun(form, folder, round == 0);
    runIcons = form.lvIcons.Count();
    s.bare = std::min(s.bare, t1 - t0);
    s.floor = std::min(s.floor, t2 - t1);
    s.run = std::min(s.run, run);
    s.icons = bare.icons;
  }
  std::printf("%d icons from %d files (floor %d, window %d), best of %d:\n", s.icons, warm.files, floorIcons,
              runIcons, rounds);
  Row("bare loop", s.bare, s.icons, 0);
  Row("fixed-steps floor", s.floor, s.icons, 0);
  Row("window run", s.run, s.icons, s.floor);
  std::printf("  floor / bare %.2f, run / bare %.2f, run / floor %.2f; beyond the floor %.3f ms/icon\n",
              s.floor / s.bare, s.run / s.bare, s.run / s.floor, 1000.0 * (s.run - s.floor) / std::max(s.icons, 1));
  std::fflush(stdout);
  return s;
}

// The run's steps one by one, timed: a copy of the window's loop with a clock around each step,
// so that the cost beyond the floor can be put down to the step that causes it.
void ProfiledRun(TfrmMainForm& form, const std::string& folder) {
  enum Step { kCount, kLabel, kLoad, kAdds, kInsert, kSubItem, kScroll, kRepaint, kFree, kMessages, kSteps };
  static const char* const names[kSteps] = {"count (per file)", "info label (per file)", "ExtractIconA",
                                            "image-list adds", "insert",  "sub-item", "scroll 76 px",
                                            "repaint", "free icon", "message pass"};
  double spent[kSteps] = {};
  form.lvIcons.Clear();
  form.Icons.Clear();
  form.SmallIcons.Clear();
  TStringList files;
  ListFiles(AddTrailingBackslash(folder) + "*.*", files, false);
  HINSTANCE instance = GetModuleHandleA(nullptr);
  int icons = 0;
  double start = Now();
  for (const std::string& file : files) {
    if (!PassesTypeFilter(file, FileTypes, ExtractFromAll)) continue;
    double t = Now();
    const int count = static_cast<int>(reinterpret_cast<INT_PTR>(ExtractIconA(instance, file.c_str(), UINT(-1))));
    spent[kCount] += Now() - t;
    if (count <= 0) continue;
    t = Now();
    form.lblInfo.SetCaption("Icons contained in " +
                            FitPathToWidth(file, form.lblInfo.Font(), form.lblInfo.Width() - 110));
    spent[kLabel] += Now() - t;
    const std::string caption = FileNamePart(file);
    for (int i = 0; i < count; ++i) {
      t = Now();
      HICON handle = ExtractIconA(instance, file.c_str(), static_cast<UINT>(i));
      double t1 = Now();
      spent[kLoad] += t1 - t;
      if (reinterpret_cast<UINT_PTR>(handle) <= 1) continue;
      ++icons;
      form.SmallIcons.AddIcon(handle);
      int slot = form.Icons.AddIcon(handle);
      double t2 = Now();
      const int item = form.lvIcons.AddItem(caption, slot);
      double t3 = Now();
      form.lvIcons.SetSubItem(item, 1, std::to_string(i));
      double t4 = Now();
      form.lvIcons.Scroll(0, 76);
      double t5 = Now();
      UpdateWindow(form.lvIcons.Handle());
      double t6 = Now();
      DestroyIcon(handle);
      double t7 = Now();
      ui::Application.ProcessMessages();
      double t8 = Now();
      spent[kAdds] += t2 - t1;
      spent[kInsert] += t3 - t2;
      spent[kSubItem] += t4 - t3;
      spent[kScroll] += t5 - t4;
      spent[kRepaint] += t6 - t5;
      spent[kFree] += t7 - t6;
      spent[kMessages] += t8 - t7;
    }
  }
  double total = Now() - start;
  std::printf("profile of the run's steps, %d icons, %.3f s in all (%.3f ms/icon):\n", icons, total,
              1000.0 * total / std::max(icons, 1));
  for (int i = 0; i < kSteps; ++i)
    std::printf("  %-24s %8.3f ms/icon\n", names[i], 1000.0 * spent[i] / std::max(icons, 1));
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

  // 200, 2,000 and 8,000 files hold 250, 2,500 and 10,000 icons.
  struct Size {
    int files, rounds;
  };
  const Size sizes[] = {{200, 3}, {2000, 2}, {8000, 1}};
  std::vector<SizeResult> results;
  for (const Size& size : sizes) {
    fixtures::TempFolder folder("benchgen");
    MakeGeneratedFolder(folder.Path(), size.files);
    results.push_back(MeasureFolder(form, folder.Path(), size.rounds));
    if (size.files == 2000) ProfiledRun(form, folder.Path());
    if (size.files == sizes[std::size(sizes) - 1].files) {
      bench::Holdings end = bench::Measure();
      bench::Print("after the largest run:", end);
      std::printf("  growth: GDI %+ld, USER %+ld with %d entries in the list\n", end.gdi - start.gdi,
                  end.user - start.user, form.lvIcons.Count());
    }
    // Leave the folder before it goes, so the tree's monitor lets go of it.
    form.stNav.SetPath("");
  }
  const SizeResult& small = results.front();
  const SizeResult& large = results.back();
  std::printf("run per icon at %d icons %.3f ms, at %d icons %.3f ms (%+.1f%%)\n\n", small.icons,
              1000.0 * small.run / small.icons, large.icons, 1000.0 * large.run / large.icons,
              100.0 * ((large.run / large.icons) / (small.run / small.icons) - 1.0));
  std::fflush(stdout);

  bench::TreeBench();

  ui::Application.DestroyForms();
  OleUninitialize();
  return 0;
}
