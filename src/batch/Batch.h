// Saving and listing a folder's icons without a window: the window's file listing, type filter,
// icon reading, file naming and writers, with one printed line per saved file or listed icon and
// one per file for all of its failures.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "batch/CommandLine.h"
#include "settings/Settings.h"

namespace batch {

// The program's exit codes in batch mode.
enum ExitCode { kAllDone = 0, kSomethingFailed = 1, kBadArguments = 2 };

using Print = std::function<void(const std::string& line)>;

// The extraction options a command asks for: the program's defaults, or with /stored the
// options kept by the configuration dialog, changed by /sub, /all, /types and /minsize.
ExtractionOptions OptionsFor(const Command& command);

// /save and /list. Each prints its lines and a summary, and gives the exit code.
int Save(const Command& command, const Print& print);
int List(const Command& command, const Print& print);
// /sheet: the icons drawn on one or more contact sheets with a .csv beside them.
int Sheet(const Command& command, const Print& print);

// Any command but Window: the usage, a complaint about the arguments, /save, /list or /sheet.
int Run(const Command& command, const Print& print);

// Run, printing to the console or standard output the program was started with.
int RunFromCommandLine(const Command& command) noexcept;

}  // namespace batch
