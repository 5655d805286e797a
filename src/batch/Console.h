// Where a batch command's lines go: the standard output it was given, or its starter's console.
#pragma once
#include <windows.h>

#include <string>

#include "win/Handles.h"

namespace batch {

// The program is a window program, so it has no console of its own. Its lines go to the
// standard output handle it was given (a file or pipe of a script, or a test), or else to
// the console of the process that started it; nowhere when there is neither.
class ConsoleOutput {
 public:
  ConsoleOutput();
  ConsoleOutput(const ConsoleOutput&) = delete;
  ConsoleOutput& operator=(const ConsoleOutput&) = delete;
  // Writes the text and a line end. Text is in the program's code page; a console gets it as
  // wide text, a file or pipe as UTF-8.
  void Line(const std::string& text);

 private:
  HANDLE handle_ = nullptr;
  bool console_ = false;
  win::UniqueFile owned_;
};

}  // namespace batch
