// Shared pieces of the benchmark: the clock, message pumping and what the process holds.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <string>
#include <thread>

class TfrmMainForm;
class TShellTree;

namespace bench {

// Seconds on the performance counter.
double Now();

// The file types in force, as the window's run asks them.
bool TypesInForce(const std::string& file);

// What the process holds: private memory and its GDI and USER objects.
struct Holdings {
  double privateMB = 0;
  long gdi = 0, user = 0;
  bool counted = false;  // the system reported the handle counts; else they were probed
};
Holdings Measure();
void Print(const char* when, const Holdings& h);

// The fixture files of one folder copied round-robin until the folder holds `total` files;
// the mix gives about five icons for every four files.
void MakeGeneratedFolder(const std::string& folder, int total);

// How long the window takes to answer, as a user's click would wait: a second thread sends it
// a message every 10 ms and keeps the longest wait.
class AnswerProbe {
 public:
  // Returns once the probe's thread has its message queue and one answer (not counted): a
  // thread's first message costs Wine far more than any later one.
  explicit AnswerProbe(HWND window);
  AnswerProbe(const AnswerProbe&) = delete;
  AnswerProbe& operator=(const AnswerProbe&) = delete;
  ~AnswerProbe() { Stop(); }
  // Ends the probe (serving the window's messages meanwhile, so its last question is answered);
  // returns the slowest answer in seconds.
  double Stop();
  // When the slowest wait began, in seconds after the probe started.
  double SlowestAt() const { return slowestAt_; }

 private:
  std::atomic<double> start_{0};
  std::atomic<bool> ready_{false}, done_{false}, exited_{false};
  std::atomic<double> slowest_{0}, slowestAt_{0};
  std::thread thread_;
};

// The folder's item in the tree, its parent opened and selected; null where it is not found.
HTREEITEM FolderItem(TShellTree& tree, const std::string& folder);

// Serves the window's messages, sleeping between them, until the window's run has ended.
void ServeRun(TfrmMainForm& form);

// The extraction run at 250, 2,500 and 10,000 icons (quick: 250 only) beside the bare reader
// loop, the shell's loop and the floor; start: what the process held before it.
void RunBench(TfrmMainForm& form, bool quick, const Holdings& start);

// Esc over a large tree of small files without icons, in the listing and the reading phase.
void EscBench(TfrmMainForm& form);
// A run of about 50,000 icons: its time, and the memory and handles it holds.
void LargeRunBench(TfrmMainForm& form);

// The folder tree over folders of 1,000 and 5,000 sub-folders (quick: 1,000 only) against the
// bare shell listing.
void TreeBench(bool quick);

// The command line's /save: its steps one after another, each timed, and the command itself
// (quick: one round each).
void CliBench(bool quick);

}  // namespace bench
