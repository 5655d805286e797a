// The benchmark: the extraction run (RunBench), Esc over a large tree and a run of 50,000 icons
// (ScaleBench), the folder tree (TreeBench), the command line's /save (CliBench) and what
// growing an image list costs, each a part of its own.
#include <ole2.h>
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "BenchSupport.h"
#include "app/MainForm.h"
#include "settings/Settings.h"
#include "ui/Application.h"

namespace {

using bench::Now;

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
  if (part != "tree" && part != "esc" && part != "large" && part != "cli") bench::RunBench(form, quick, start);
  if ((!quick && part.empty()) || part == "esc") bench::EscBench(form);
  if ((!quick && part.empty()) || part == "large") bench::LargeRunBench(form);
  if (part.empty() || part == "tree") bench::TreeBench(quick);
  if (!quick && part.empty()) GrowthCost(10000);

  ui::Application.DestroyForms();
  OleUninitialize();
  return 0;
}
