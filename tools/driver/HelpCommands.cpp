// Driver commands around the HTML Help viewer: press a key in the program's window, find the
// viewer's window the program opened, read its caption and the topic its contents select,
// close it again.
//   Driver key CLASS VKEY           posts the key (decimal code) to the window that has the focus
//                                   in the program whose top-level window is CLASS
//   Driver helpwait SECONDS         waits for the help viewer and prints its caption
//   Driver helptopic TITLE SECONDS  waits until the viewer's contents select the topic TITLE and
//                                   prints it (fails, printing the selected one, when they do not)
//   Driver helpclose SECONDS        closes the help viewer and waits until its window has gone
//   Driver helpconfig SECONDS       opens the configuration dialog through the main window's View
//                                   menu from the keyboard and presses F1 in it (fails when no dialog appears)
//   Driver dismiss CLASS SECONDS    closes a dialog of CLASS as its close box would, waits until it is gone
//   Driver windows all              lists every visible top-level window with its children
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "DriverCommon.h"

namespace {

// The HTML Help viewer's main window, which it opens in the program's own process.
const char* const kViewerClass = "HH Parent";

HWND WaitViewer(int seconds) { return driver::WaitFor(kViewerClass, seconds); }

std::string Text(HWND w) {
  char buf[512] = "";
  GetWindowTextA(w, buf, sizeof buf);
  return buf;
}

std::string ClassOf(HWND w) {
  char buf[256] = "";
  GetClassNameA(w, buf, sizeof buf);
  return buf;
}

// Nothing may be thrown into the platform's enumeration: a failure ends it.
BOOL CALLBACK PrintChild(HWND w, LPARAM depth) {
  try {
    std::printf("%*s%s \"%s\"%s\n", static_cast<int>(depth), "", ClassOf(w).c_str(), Text(w).c_str(),
                IsWindowVisible(w) ? "" : " (hidden)");
    return TRUE;
  } catch (...) {
    return FALSE;
  }
}

BOOL CALLBACK PrintTop(HWND w, LPARAM) {
  if (!IsWindowVisible(w)) return TRUE;
  PrintChild(w, 0);
  EnumChildWindows(w, PrintChild, 2);
  return TRUE;
}

int Key(const char* cls, int vk) {
  HWND top = nullptr;
  for (int i = 0; i < 200 && !top; ++i) {
    top = FindWindowA(cls, nullptr);
    if (!top) Sleep(50);
  }
  if (!top) return std::fprintf(stderr, "no window of class %s\n", cls), 1;
  // The key goes where a real key press would: the window with the focus in that thread.
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  HWND target = top;
  if (GetGUIThreadInfo(GetWindowThreadProcessId(top, nullptr), &info) && info.hwndFocus) target = info.hwndFocus;
  UINT scan = MapVirtualKeyA(static_cast<UINT>(vk), MAPVK_VK_TO_VSC);
  PostMessageA(target, WM_KEYDOWN, static_cast<WPARAM>(vk), 1 | (static_cast<LPARAM>(scan) << 16));
  PostMessageA(target, WM_KEYUP, static_cast<WPARAM>(vk),
               1 | (static_cast<LPARAM>(scan) << 16) | (static_cast<LPARAM>(3) << 30));
  return 0;
}

BOOL CALLBACK FindTree(HWND w, LPARAM lp) {
  if (ClassOf(w) == WC_TREEVIEWA && IsWindowVisible(w)) {
    *reinterpret_cast<HWND*>(lp) = w;
    return FALSE;
  }
  return TRUE;
}

// The caption of the item the viewer's contents tree selects, read through memory in its process.
std::string SelectedTopic(HWND viewer) {
  HWND tree = nullptr;
  EnumChildWindows(viewer, &FindTree, reinterpret_cast<LPARAM>(&tree));
  if (!tree) return {};
  DWORD_PTR item = 0;
  if (!SendMessageTimeoutA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0, SMTO_NORMAL, 5000, &item) || !item) return {};
  constexpr int kChars = 256;
  driver::RemoteBuffer buffer(tree, sizeof(TVITEMA) + kChars);
  TVITEMA it{};
  it.mask = TVIF_TEXT | TVIF_HANDLE;
  it.hItem = reinterpret_cast<HTREEITEM>(item);
  it.pszText = reinterpret_cast<char*>(buffer.Address(sizeof(TVITEMA)));
  it.cchTextMax = kChars;
  char text[kChars] = "";
  DWORD_PTR reply = 0;
  if (!buffer.Valid() || !buffer.Write(&it, sizeof it) ||
      !SendMessageTimeoutA(tree, TVM_GETITEMA, 0, buffer.Address(), SMTO_NORMAL, 5000, &reply) ||
      !buffer.Read(text, sizeof text, sizeof(TVITEMA)))
    return {};
  text[kChars - 1] = '\0';
  return text;
}

int HelpTopic(const std::string& title, int seconds) {
  HWND w = WaitViewer(seconds);
  if (!w) return std::fprintf(stderr, "no help viewer\n"), 1;
  std::string shown;
  for (int i = 0; i < seconds * 10; ++i) {
    shown = SelectedTopic(w);
    if (shown == title) break;
    Sleep(100);
  }
  std::printf("%s\n", shown.c_str());
  return shown == title ? 0 : 1;
}

int HelpConfig(int seconds) {
  HWND main = FindWindowA("TfrmMainForm", nullptr);
  if (!main) return std::fprintf(stderr, "no main window\n"), 1;
  // View > Configuration from the keyboard, Alt+V then C, the way a user reaches it (another
  // process cannot read the window's menu under every platform version).
  PostMessageA(main, WM_SYSCOMMAND, SC_KEYMENU, 'v');
  UINT scan = MapVirtualKeyA('C', MAPVK_VK_TO_VSC);
  PostMessageA(main, WM_KEYDOWN, 'C', 1 | (static_cast<LPARAM>(scan) << 16));
  PostMessageA(main, WM_CHAR, 'c', 1 | (static_cast<LPARAM>(scan) << 16));
  PostMessageA(main, WM_KEYUP, 'C', 1 | (static_cast<LPARAM>(scan) << 16) | (static_cast<LPARAM>(3) << 30));
  HWND dialog = nullptr;
  for (int i = 0; i < seconds * 20 && !dialog; ++i) {
    HWND w = FindWindowA("TfrmConfig", nullptr);
    if (w && IsWindowVisible(w)) dialog = w;
    else Sleep(50);
  }
  if (!dialog) return std::fprintf(stderr, "no configuration dialog\n"), 1;
  DWORD_PTR result = 0;
  SendMessageTimeoutA(dialog, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result);
  return Key("TfrmConfig", VK_F1);
}

int Dismiss(const char* cls, int seconds) {
  HWND w = FindWindowA(cls, nullptr);
  if (!w) return 0;
  PostMessageA(w, WM_SYSCOMMAND, SC_CLOSE, 0);
  for (int i = 0; i < seconds * 20; ++i) {
    if (!IsWindow(w) || !IsWindowVisible(w)) return 0;
    Sleep(50);
  }
  return 1;
}

// The viewer lives in the program's process, which goes on: only its window goes.
int HelpClose(int seconds) {
  HWND w = FindWindowA(kViewerClass, nullptr);
  if (!w) return 0;
  PostMessageA(w, WM_CLOSE, 0, 0);
  for (int i = 0; i < seconds * 20; ++i) {
    if (!IsWindow(w) || !IsWindowVisible(w)) return 0;
    Sleep(50);
  }
  return 1;
}

}  // namespace

int RunHelpCommand(const std::string& cmd, int argc, char** argv) {
  int seconds = argc > 2 ? std::atoi(argv[2]) : 30;
  if (cmd == "key" && argc > 3) return Key(argv[2], std::atoi(argv[3]));
  if (cmd == "helpwait") {
    HWND w = WaitViewer(seconds);
    if (!w) return std::fprintf(stderr, "no help viewer\n"), 1;
    DWORD_PTR result = 0;
    SendMessageTimeoutA(w, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result);
    Sleep(500);
    std::printf("%s\n", Text(w).c_str());
    return 0;
  }
  if (cmd == "helptopic" && argc > 2) return HelpTopic(argv[2], argc > 3 ? std::atoi(argv[3]) : 30);
  if (cmd == "helpclose") return HelpClose(seconds);
  if (cmd == "helpconfig") return HelpConfig(seconds);
  if (cmd == "dismiss" && argc > 2) return Dismiss(argv[2], argc > 3 ? std::atoi(argv[3]) : 30);
  if (cmd == "windows") {
    EnumWindows(PrintTop, 0);
    return 0;
  }
  return -1;
}
