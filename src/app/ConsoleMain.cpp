// Entry of the console twin Mirovane.com: the same batch commands as Mirovane.exe, run in
// the console it was started from, so that command prompts and scripts wait for them.
#include "batch/ConsoleTwin.h"

int main() { return batch::RunConsoleTwin(); }
