// Output of a window program started from a command line or a script.
#include "batch/Console.h"

#include "win/Text.h"

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
    const std::wstring wide = win::Widen(line);
    DWORD written = 0;
    WriteConsoleW(handle_, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    return;
  }
  // A file or pipe gets UTF-8, whatever the program's code page: readers of the output need
  // one encoding to expect.
  const std::string bytes = win::ToUtf8(line);
  DWORD written = 0;
  WriteFile(handle_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

}  // namespace batch
