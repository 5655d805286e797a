// Driver commands for the icon list side of the window: reading the status bar and selecting
// entries of the list, through the controls' own messages with buffers in the program's process.
//   Driver status CLASS [SUFFIX SECONDS]  prints panel 0 of the status bar; with SUFFIX waits
//                                         until the text ends with it (e.g. " icons")
//   Driver list-select CLASS N            selects the first N entries and focuses the first
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "DriverCommon.h"

namespace {

using driver::RemoteBuffer;

struct ChildSearch {
  const char* cls;
  HWND found;
};

BOOL CALLBACK FindChildOfClass(HWND wnd, LPARAM lp) {
  auto* s = reinterpret_cast<ChildSearch*>(lp);
  char cls[64] = "";
  GetClassNameA(wnd, cls, sizeof cls);
  if (lstrcmpiA(cls, s->cls) == 0) {
    s->found = wnd;
    return FALSE;
  }
  return TRUE;
}

HWND FindChild(HWND top, const char* cls) {
  ChildSearch s{cls, nullptr};
  EnumChildWindows(top, FindChildOfClass, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

bool EndsWith(const std::string& text, const std::string& suffix) {
  return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// Panel 0's text; false when the program did not answer in time (it lists files without
// answering messages).
bool StatusText(HWND bar, RemoteBuffer& buffer, std::string& text) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutA(bar, SB_GETTEXTLENGTHA, 0, 0, SMTO_NORMAL, 1000, &length)) return false;
  if (LOWORD(length) >= buffer.Size()) return false;
  DWORD_PTR ignored = 0;
  if (!SendMessageTimeoutA(bar, SB_GETTEXTA, 0, buffer.Address(), SMTO_NORMAL, 1000, &ignored)) return false;
  std::string got(buffer.Size(), '\0');
  if (!buffer.Read(got.data(), got.size())) return false;
  text = got.c_str();
  return true;
}

int Status(HWND top, int argc, char** argv) {
  HWND bar = FindChild(top, STATUSCLASSNAMEA);
  if (!bar) return std::fprintf(stderr, "no status bar\n"), 1;
  RemoteBuffer buffer(bar, 1024);
  if (!buffer.Valid()) return std::fprintf(stderr, "cannot reach the program's memory\n"), 1;
  const std::string suffix = argc > 3 ? argv[3] : "";
  const int seconds = argc > 4 ? std::atoi(argv[4]) : 30;
  std::string text;
  for (DWORD start = GetTickCount();;) {
    bool answered = StatusText(bar, buffer, text);
    if (answered && (suffix.empty() || EndsWith(text, suffix))) break;
    if (suffix.empty() || GetTickCount() - start > static_cast<DWORD>(seconds) * 1000) {
      std::fprintf(stderr, "status is \"%s\"\n", text.c_str());
      return 1;
    }
    Sleep(100);
  }
  std::printf("%s\n", text.c_str());
  return 0;
}

int ListSelect(HWND top, int argc, char** argv) {
  HWND list = FindChild(top, WC_LISTVIEWA);
  if (!list) return std::fprintf(stderr, "no list\n"), 1;
  const int want = argc > 3 ? std::atoi(argv[3]) : 1;
  RemoteBuffer buffer(list, sizeof(LVITEMA));
  if (!buffer.Valid()) return std::fprintf(stderr, "cannot reach the program's memory\n"), 1;
  auto setState = [&](int item, UINT state, UINT mask) {
    LVITEMA it{};
    it.stateMask = mask;
    it.state = state;
    DWORD_PTR ignored = 0;
    return buffer.Write(&it, sizeof it) &&
           SendMessageTimeoutA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(item), buffer.Address(), SMTO_NORMAL, 5000,
                               &ignored);
  };
  // A fresh selection, as a click on the first entry and a Shift-click on the last would make.
  if (!setState(-1, 0, LVIS_SELECTED | LVIS_FOCUSED)) return 1;
  const int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
  const int n = want < count ? want : count;
  for (int i = 0; i < n; ++i) {
    UINT state = LVIS_SELECTED | (i == 0 ? LVIS_FOCUSED : 0);
    if (!setState(i, state, state)) return 1;
  }
  std::printf("%d selected\n", n);
  return n == want ? 0 : 1;
}

}  // namespace

int RunListCommand(const std::string& cmd, int argc, char** argv) {
  if (cmd != "status" && cmd != "list-select") return -1;
  HWND top = FindWindowA(argv[2], nullptr);
  if (!top) return std::fprintf(stderr, "no window of class %s\n", argv[2]), 1;
  return cmd == "status" ? Status(top, argc, argv) : ListSelect(top, argc, argv);
}
