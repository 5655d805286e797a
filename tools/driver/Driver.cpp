// Drives the running program from outside, as a user's tools would: finds its windows and
// sends them the platform's own messages. Used by the headless tour of `make run`.
//   Driver wait CLASS [SECONDS]   waits until a visible top-level window of CLASS is up
//   Driver close CLASS [SECONDS]  asks that window to close and waits until it is gone
//   Driver caption CLASS          prints the window's caption
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "DriverCommon.h"

using driver::WaitFor;

int RunHelpCommand(const std::string& cmd, int argc, char** argv);
int RunTreeCommand(const std::string& cmd, int argc, char** argv);
int RunMenuCommand(const std::string& cmd, int argc, char** argv);
int RunListCommand(const std::string& cmd, int argc, char** argv);

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: Driver wait|close|caption CLASS [SECONDS]\n");
    return 2;
  }
  std::string cmd = argv[1];
  const char* cls = argv[2];
  int seconds = argc > 3 ? std::atoi(argv[3]) : 30;
  if (cmd == "wait") {
    HWND w = WaitFor(cls, seconds);
    if (!w) return std::fprintf(stderr, "no window of class %s\n", cls), 1;
    // Let the window finish painting before anyone looks at it.
    DWORD_PTR result = 0;
    SendMessageTimeoutA(w, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result);
    Sleep(300);
    return 0;
  }
  if (cmd == "caption") {
    HWND w = WaitFor(cls, seconds);
    if (!w) return 1;
    char buf[512] = "";
    GetWindowTextA(w, buf, sizeof buf);
    std::printf("%s\n", buf);
    return 0;
  }
  if (cmd == "close") return driver::CloseAndWait(cls, seconds);
  if (int r = RunHelpCommand(cmd, argc, argv); r >= 0) return r;
  if (int r = RunTreeCommand(cmd, argc, argv); r >= 0) return r;
  if (int r = RunMenuCommand(cmd, argc, argv); r >= 0) return r;
  if (int r = RunListCommand(cmd, argc, argv); r >= 0) return r;
  std::fprintf(stderr, "unknown command %s\n", cmd.c_str());
  return 2;
}
