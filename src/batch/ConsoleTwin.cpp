// The console twin's run: batch commands in the console, the window handed to Mirovane.exe.
#include "batch/ConsoleTwin.h"

#include <windows.h>

#include <vector>

#include "batch/Batch.h"
#include "batch/Console.h"
#include "batch/ConsoleBreak.h"
#include "win/Errors.h"
#include "win/Text.h"

namespace batch {

namespace {

// This program's folder, ending in "\", in wide text: the window program is found there
// whatever the names' script.
std::wstring OwnFolder() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);
  }
  return path.substr(0, path.find_last_of(L"\\/") + 1);
}

void PrintLine(const std::string& line) {
  ConsoleOutput console;
  console.Line(line);
}

}  // namespace

std::wstring CommandLineTail(const std::wstring& commandLine) {
  size_t at = 0;
  // The program's name ends at the next quote when it starts with one, else at the first blank;
  // backslashes have no meaning in it.
  if (at < commandLine.size() && commandLine[at] == L'"') {
    const size_t close = commandLine.find(L'"', at + 1);
    at = close == std::wstring::npos ? commandLine.size() : close + 1;
  } else {
    while (at < commandLine.size() && commandLine[at] != L' ' && commandLine[at] != L'\t') ++at;
  }
  while (at < commandLine.size() && (commandLine[at] == L' ' || commandLine[at] == L'\t')) ++at;
  return commandLine.substr(at);
}

int StartWindowProgram() {
  const std::wstring program = OwnFolder() + L"Mirovane.exe";
  std::wstring line = L"\"" + program + L"\"";
  if (const std::wstring tail = CommandLineTail(GetCommandLineW()); !tail.empty()) line += L" " + tail;
  std::vector<wchar_t> buffer(line.begin(), line.end());
  buffer.push_back(L'\0');
  STARTUPINFOW startup{sizeof startup};
  PROCESS_INFORMATION started{};
  if (!CreateProcessW(program.c_str(), buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started)) {
    const DWORD reason = GetLastError();
    PrintLine("Error: cannot start " + win::PathFromWide(program.c_str()) + ": " + win::SystemErrorText(reason));
    return kSomethingFailed;
  }
  CloseHandle(started.hThread);
  CloseHandle(started.hProcess);
  return kAllDone;
}

int RunConsoleTwin() noexcept {
  try {
    const Command command = ParseArguments(ProgramArguments());
    if (command.mode == Mode::Window) return StartWindowProgram();
    StopOnConsoleBreak();
    const int code = RunFromCommandLine(command);
    CommandFinished();
    return code;
  } catch (const std::exception& e) {
    try {
      PrintLine("Error: " + win::ReportText(e));
    } catch (...) {
    }
    return kSomethingFailed;
  } catch (...) {
    return kSomethingFailed;
  }
}

}  // namespace batch
