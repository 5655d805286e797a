// Output of a window program started from a command line or a script.
#include "batch/Console.h"

#include <vector>

namespace batch {

namespace {

bool Usable(HANDLE h) { return h && h != INVALID_HANDLE_VALUE && GetFileType(h) != FILE_TYPE_UNKNOWN; }

}  // namespace

ConsoleOutput::ConsoleOutput() {
  handle_ = GetStdHandle(STD_OUTPUT_HANDLE);
  if (!Usable(handle_)) {
    handle_ = nullptr;
    if (AttachConsole(ATTACH_PARENT_PROCESS)) {
      owned_.reset(CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, 0, nullptr));
      if (owned_) handle_ = owned_.get();
    }
  }
  DWORD mode = 0;
  console_ = handle_ && GetConsoleMode(handle_, &mode);
}

void ConsoleOutput::Line(const std::string& text) {
  if (!handle_) return;
  const std::string line = text + "\r\n";
  if (console_) {
    // A console shows its own code page; wide text shows every character as the program has it.
    const int size = MultiByteToWideChar(CP_ACP, 0, line.data(), static_cast<int>(line.size()), nullptr, 0);
    std::vector<wchar_t> wide(static_cast<size_t>(size > 0 ? size : 0));
    if (size > 0) MultiByteToWideChar(CP_ACP, 0, line.data(), static_cast<int>(line.size()), wide.data(), size);
    DWORD written = 0;
    WriteConsoleW(handle_, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    return;
  }
  DWORD written = 0;
  WriteFile(handle_, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

}  // namespace batch
