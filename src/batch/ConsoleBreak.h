// Ctrl+C, Ctrl+Break and closing the console window ask a running batch command to stop
// between two files, so that no file is left half written.
#pragma once

namespace batch {

// Takes the console's break events for the rest of the program: each asks the command to
// stop instead of ending the process at once. Closing the console (or logging off) waits for
// the command to reach its end, for as long as the platform allows.
void StopOnConsoleBreak();

// Whether a stop was asked for; the commands look between two icons.
bool StopRequested();

// Asks the running command to stop, as a break does; false lets it run on again.
void RequestStop(bool stop = true);

// The command has ended: a close of the console waiting for it may let the process go.
void CommandFinished();

}  // namespace batch
