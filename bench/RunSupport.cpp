// The benchmark's shared pieces: the clock, the file types, what the process holds, generated
// folders, and the probe that times the window's answers.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <string>

#include "BenchSupport.h"
#include "app/MainForm.h"
#include "extract/AllFilesIterator.h"
#include "extract/ExtractHelpers.h"
#include "fixtures/IconFixtures.h"
#include "settings/Settings.h"
#include "ui/Application.h"
#include "win/PathText.h"

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

bool TypesInForce(const std::string& file) { return PassesTypeFilter(file, FileTypes, ExtractFromAll); }

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

// Committed private memory, region by region (Wine leaves the process counter at 0).
double PrivateMegabytes() {
  SIZE_T bytes = 0;
  MEMORY_BASIC_INFORMATION info;
  for (auto* p = static_cast<BYTE*>(nullptr); VirtualQuery(p, &info, sizeof info) == sizeof info;) {
    if (info.State == MEM_COMMIT && info.Type == MEM_PRIVATE) bytes += info.RegionSize;
    BYTE* next = static_cast<BYTE*>(info.BaseAddress) + info.RegionSize;
    if (next <= p) break;
    p = next;
  }
  return static_cast<double>(bytes) / 1048576.0;
}

}  // namespace

Holdings Measure() {
  Holdings h;
  h.privateMB = PrivateMegabytes();
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

void MakeGeneratedFolder(const std::string& folder, int total) {
  fixtures::TempFolder seed("benchseed");
  fixtures::MakeIconFixtureFolder(seed.Path());
  TStringList sources;
  ListFiles(seed.Path() + "*.*", sources, false);
  for (int n = 0; n < total; ++n) {
    const std::string& from = sources[n % sources.Count()];
    char prefix[16];
    std::snprintf(prefix, sizeof prefix, "f%05d_", n);
    const std::string to = folder + prefix + pathtext::NamePart(from);
    if (!CopyFileA(from.c_str(), to.c_str(), FALSE)) std::fprintf(stderr, "cannot copy %s\n", to.c_str());
  }
}

AnswerProbe::AnswerProbe(HWND window)
    : thread_([this, window] {
        DWORD_PTR warm = 0;
        SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &warm);
        start_ = Now();
        ready_ = true;
        while (!done_) {
          const double t0 = Now();
          DWORD_PTR result = 0;
          SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result);
          const double waited = Now() - t0;
          if (waited > slowest_) {
            slowest_ = waited;
            slowestAt_ = t0 - start_;
          }
          Sleep(10);
        }
        exited_ = true;
      }) {
  while (!ready_) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    ui::Application.ProcessMessages();
  }
}

double AnswerProbe::Stop() {
  done_ = true;
  while (!exited_) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    ui::Application.ProcessMessages();
  }
  if (thread_.joinable()) thread_.join();
  return slowest_;
}

// The folder's item in the tree, its parent opened and selected; null where it is not found.
HTREEITEM FolderItem(TShellTree& tree, const std::string& folder) {
  std::string path = folder;
  while (!path.empty() && path.back() == '\\') path.pop_back();
  const std::size_t cut = path.rfind('\\');
  if (cut == std::string::npos) return nullptr;
  tree.SetPath(path.substr(0, cut));
  const HWND wnd = tree.Handle();
  const HTREEITEM parent = TreeView_GetSelection(wnd);
  if (!parent) return nullptr;
  TreeView_Expand(wnd, parent, TVE_EXPAND);
  const std::string name = path.substr(cut + 1);
  for (HTREEITEM child = TreeView_GetChild(wnd, parent); child; child = TreeView_GetNextSibling(wnd, child)) {
    char text[MAX_PATH] = "";
    TVITEMA info{};
    info.mask = TVIF_TEXT;
    info.hItem = child;
    info.pszText = text;
    info.cchTextMax = sizeof text;
    if (TreeView_GetItem(wnd, &info) && _stricmp(text, name.c_str()) == 0) return child;
  }
  return nullptr;
}

void ServeRun(TfrmMainForm& form) {
  while (form.Extracting()) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 1000, QS_ALLINPUT);
    ui::Application.ProcessMessages();
  }
}

}  // namespace bench
