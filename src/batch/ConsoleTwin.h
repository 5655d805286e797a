// The console twin Mirovane.com: the program for command prompts and scripts, which wait for
// a console program and take its output, where they leave a window program running.
#pragma once
#include <string>

namespace batch {

// The command line less the program's own name (and the blanks after it), as the platform's
// rules for the first argument split it: what the window program is handed unchanged.
std::wstring CommandLineTail(const std::wstring& commandLine);

// Starts the window program beside this one (Mirovane.exe) with this command line's arguments
// and returns at once: 0 when it started, 1 (with the reason printed) when it could not.
int StartWindowProgram();

// The twin's whole run: a batch command runs here, in this console, and can be stopped with
// Ctrl+C between two files; no switches (or only a folder) start the window program.
int RunConsoleTwin() noexcept;

}  // namespace batch
