// The run over large trees: Esc over 50,000 files without icons, and a run of 50,000 icons with
// the memory and handles it holds.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "app/MainForm.h"
#include "fixtures/IconFixtures.h"
#include "settings/Settings.h"
#include "ui/Application.h"

namespace bench {

namespace {
// The bytes of a list's bitmaps: device bitmaps, which under Wine the X server keeps, outside the
// process's private memory.
double ListBitmapsMB(HIMAGELIST list) {
  IMAGEINFO info{};
  if (!list || ImageList_GetImageCount(list) == 0 || !ImageList_GetImageInfo(list, 0, &info)) return 0;
  double bytes = 0;
  for (HBITMAP bitmap : {info.hbmImage, info.hbmMask}) {
    BITMAP bm{};
    if (bitmap && GetObjectA(bitmap, sizeof bm, &bm)) bytes += double(bm.bmWidthBytes) * bm.bmHeight;
  }
  return bytes / 1048576.0;
}
}  // namespace

// Esc over a large tree of small files without icons (200 sub-folders of 250 files, sub-folders
// on, every file read): how long after the key the run has stopped, in the listing phase and
// in the reading phase, and the slowest answer meanwhile.
void EscBench(TfrmMainForm& form) {
  fixtures::TempFolder tree("benchtree");
  std::vector<char> bytes(64, 0);
  for (int d = 0; d < 200; ++d) {
    const std::string dir = tree.Path() + "d" + std::to_string(1000 + d) + "\\";
    CreateDirectoryA(dir.c_str(), nullptr);
    for (int n = 0; n < 250; ++n) {
      const std::string file = dir + "f" + std::to_string(1000 + n) + ".dat";
      HANDLE h = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
      DWORD written = 0;
      if (h != INVALID_HANDLE_VALUE) WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
      if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }
  }
  const bool subs = IncludeSubs, all = ExtractFromAll;
  IncludeSubs = true;
  ExtractFromAll = true;
  form.stNav.RefreshAll();
  std::printf("Esc over 50,000 files in 200 sub-folders (sub-folders on, every file read):\n");
  for (const bool reading : {false, true}) {
    const double chosen = Now();
    if (reading) form.miRefreshClick(form);
    else form.stNav.SetPath(tree.Path().substr(0, tree.Path().size() - 1));
    AnswerProbe probe(form.Handle());
    // Listing: Esc 100 ms after choosing the folder; reading: 500 ms after the reading began.
    const std::string readingText = "Extracting Icons... Press <Esc> to stop...";
    double due = chosen + 0.1;
    for (;;) {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
      ui::Application.ProcessMessages();
      const bool inReading = form.sbInfo.PanelText(0) == readingText;
      if (reading && !inReading) due = Now() + 0.5;
      if (Now() >= due || !form.Extracting()) break;
    }
    const std::string phase = form.sbInfo.PanelText(0);
    const double pressed = Now();
    PostMessageA(form.lvIcons.Handle(), WM_KEYDOWN, VK_ESCAPE, 0);
    ServeRun(form);
    const double stopped = Now() - pressed;
    std::printf("  %s phase (status \"%s\" when pressed): stopped %.0f ms after Esc (goal <= 250), "
                "slowest answer %.0f ms\n",
                reading ? "reading" : "listing", phase.c_str(), 1000.0 * stopped, 1000.0 * probe.Stop());
  }
  form.stNav.SetPath("");
  IncludeSubs = subs;
  ExtractFromAll = all;
  std::fflush(stdout);
}

// A run of about 50,000 icons over 35,300 generated files, chosen as a user chooses a folder: its
// time and slowest answer, and what the process holds with every entry listed and again once the
// list is empty. The image lists grow by whole steps, so no count may grow with the icons.
void LargeRunBench(TfrmMainForm& form) {
  fixtures::TempFolder folder("benchhuge");
  MakeGeneratedFolder(folder.Path(), 35300);
  form.stNav.SetPath("");
  ui::Application.ProcessMessages();
  const Holdings before = Measure();
  const double t0 = Now();
  form.stNav.SetPath(folder.Path().substr(0, folder.Path().size() - 1));
  AnswerProbe probe(form.Handle());
  ServeRun(form);
  const double seconds = Now() - t0;
  const double slowest = probe.Stop();
  const int entries = form.lvIcons.Count();
  const Holdings full = Measure();
  const double lists = ListBitmapsMB(form.iconSlots.Shown().Handle()) + ListBitmapsMB(form.iconSlots.ShownSmall().Handle());
  form.stNav.SetPath("");
  ui::Application.ProcessMessages();
  const Holdings emptied = Measure();
  std::printf("A run of %d icons from 35,300 files: %.1f s (%.3f ms/icon), slowest answer %.0f ms, %.1f s into it\n",
              entries, seconds, 1000.0 * seconds / std::max(entries, 1), 1000.0 * slowest, probe.SlowestAt());
  Print("before it:", before);
  Print("with every entry listed:", full);
  Print("once the list is empty:", emptied);
  std::printf("  with every entry: private %+.1f MB (%.2f KB/icon; goal under 500 MB in all), GDI %+ld, USER %+ld; "
              "once empty: GDI %+ld, USER %+ld\n",
              full.privateMB - before.privateMB, 1024.0 * (full.privateMB - before.privateMB) / std::max(entries, 1),
              full.gdi - before.gdi, full.user - before.user, emptied.gdi - before.gdi, emptied.user - before.user);
  std::printf("  the image lists' bitmaps with every entry (device bitmaps, outside the private memory under Wine): %.1f MB for %d images\n",
              lists, entries);
  std::fflush(stdout);
}

}  // namespace bench
