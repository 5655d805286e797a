// Times a whole extraction run in the real main window against the bare loop of ExtractIconA
// calls over the same files (count, then every icon), on the system folder and on a generated
// folder of fixture files, and prints icons, files, both times and their ratio; then the run's
// own icon loading (the reader, each file read once) beside the bare loop.
#include <ole2.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/MainForm.h"
#include "extract/AllFilesIterator.h"
#include "extract/ExtractHelpers.h"
#include "extract/LargeIcon.h"
#include "iconres/IconFile.h"
#include "fixtures/IconFixtures.h"
#include "settings/Settings.h"
#include "ui/Application.h"

namespace {

constexpr int kGeneratedFiles = 2000;

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

struct BareResult {
  int listed = 0, examined = 0, icons = 0;
};

// What the run does per file, without any window: list, filter, count, load and free.
BareResult BareLoop(const std::string& folder) {
  BareResult r;
  TStringList files;
  ListFiles(AddTrailingBackslash(folder) + "*.*", files, false);
  r.listed = files.Count();
  HINSTANCE instance = GetModuleHandleA(nullptr);
  for (const std::string& file : files) {
    if (!PassesTypeFilter(file, FileTypes, ExtractFromAll)) continue;
    ++r.examined;
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

// The same files through the icon reader, as the run loads them: each file read once.
double ReaderLoopSeconds(const std::string& folder) {
  const double t0 = Now();
  TStringList files;
  ListFiles(AddTrailingBackslash(folder) + "*.*", files, false);
  const std::string windows = MunWindowsFolder();
  for (const std::string& file : files) {
    if (!PassesTypeFilter(file, FileTypes, ExtractFromAll)) continue;
    const iconres::IconFile icons = iconres::LoadIconFile(file, windows);
    for (size_t i = 0; i < icons.Count(); ++i) DestroyIcon(MakeLargeIcon(icons, i));
  }
  return Now() - t0;
}

// The fixture files of one folder copied round-robin until the folder holds `total` files.
void MakeGeneratedFolder(const std::string& folder, int total) {
  fixtures::TempFolder seed("benchseed");
  fixtures::MakeIconFixtureFolder(seed.Path());
  TStringList sources;
  ListFiles(seed.Path() + "*.*", sources, false);
  for (int n = 0; n < total; ++n) {
    const std::string& from = sources[n % sources.Count()];
    char prefix[16];
    std::snprintf(prefix, sizeof prefix, "f%04d_", n);
    const std::string to = folder + prefix + FileNamePart(from);
    if (!CopyFileA(from.c_str(), to.c_str(), FALSE)) std::fprintf(stderr, "cannot copy %s\n", to.c_str());
  }
}

void Measure(TfrmMainForm& form, const std::string& folder, int rounds) {
  BareLoop(folder);  // the first pass reads the files into the cache; both sides then run warm
  double bestRun = 1e9, bestBare = 1e9;
  int runIcons = 0;
  BareResult bare;
  for (int round = 0; round < rounds; ++round) {
    double t0 = Now();
    // Choosing the folder runs the extraction; choosing it again would change nothing, so
    // later rounds run it as F5 does.
    if (round == 0) form.stNav.SetPath(folder);
    else form.miRefreshClick(form);
    double t1 = Now();
    runIcons = form.lvIcons.Count();
    bare = BareLoop(folder);
    double t2 = Now();
    bestRun = std::min(bestRun, t1 - t0);
    bestBare = std::min(bestBare, t2 - t1);
  }
  std::printf("%s\n", folder.c_str());
  std::printf("  files listed %d, examined %d; icons: run %d, bare loop %d\n", bare.listed, bare.examined, runIcons,
              bare.icons);
  std::printf("  window run %.3f s, bare loop %.3f s, ratio %.2f (best of %d)\n", bestRun, bestBare,
              bestRun / bestBare, rounds);
  const double reader = ReaderLoopSeconds(folder);
  std::printf("  icon loading: shell's ExtractIconA %.3f s, reader %.3f s\n", bestBare, reader);
  std::fflush(stdout);
}

}  // namespace

int main() {
  OleInitialize(nullptr);
  ui::Application.Initialize();
  ui::Application.Title = "Varnholt Glyph Gatherer";
  TfrmMainForm& form = ui::Application.CreateForm<TfrmMainForm>();
  form.Show(SW_SHOWNORMAL);
  ui::Application.ProcessMessages();
  IncludeSubs = false;
  ExtractFromAll = false;
  FileTypes = kDefaultFileTypes;

  char system[MAX_PATH] = "";
  GetSystemDirectoryA(system, MAX_PATH);
  Measure(form, system, 3);

  fixtures::TempFolder generated("benchgen");
  MakeGeneratedFolder(generated.Path(), kGeneratedFiles);
  Measure(form, generated.Path(), 1);

  ui::Application.DestroyForms();
  OleUninitialize();
  return 0;
}
