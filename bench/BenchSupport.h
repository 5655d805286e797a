// Shared pieces of the benchmark: the clock, message pumping and what the process holds.
#pragma once
#include <windows.h>

#include <string>

namespace bench {

// Seconds on the performance counter.
double Now();

// What the process holds: private memory and its GDI and USER objects.
struct Holdings {
  double privateMB = 0;
  long gdi = 0, user = 0;
  bool counted = false;  // the system reported the handle counts; else they were probed
};
Holdings Measure();
void Print(const char* when, const Holdings& h);

// The folder tree over folders of 1,000 and 5,000 sub-folders (quick: 1,000 only) against the
// bare shell listing.
void TreeBench(bool quick);

}  // namespace bench
