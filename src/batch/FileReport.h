// What the batch commands say about one file's failures: one line per file, however many of
// its icons failed, so a damaged file never floods the output.
#pragma once
#include <string>
#include <utility>
#include <vector>

#include "iconres/IconResources.h"

namespace batch {

class FileReport {
 public:
  // A file and how many icons it has.
  FileReport(std::string file, int icons) : file_(std::move(file)), icons_(icons) {}
  // An icon could not be read (no sound image) or written, for this reason; where a platform
  // call failed, the system's reason for its error code follows the program's words.
  void Unreadable(const std::string& reason) { Add(reason, true); }
  void Failed(const std::string& reason, unsigned long error = 0);
  // Part of a package was refused (why, in the program's words): its other icons still count.
  void LeftOut(std::string why) { leftOut_ = std::move(why); }
  // "Error: C:\x\winhlp32.exe: 3 of 5 icons unreadable: no sound image", "Error: C:\x\a.dll: 1 of
  // 2 icons failed: Cannot create file D:\out\a0.ico: Access is denied", the reasons told once
  // each (the first three), then what was left out; empty when nothing failed.
  std::string Line() const;

 private:
  void Add(const std::string& reason, bool unreadable);

  std::string file_;
  int icons_;
  int failures_ = 0;
  bool allUnreadable_ = true;
  std::vector<std::string> reasons_;
  std::string leftOut_;
};

// The line for a file that is an icon container (an .ico or .icl file, or a program or library
// whose resources the reader could walk into) but gave no icon because it is damaged, or a
// package refused whole (why, in the program's words); empty for any other file.
std::string DamagedContainerLine(const std::string& file, const iconres::IconFileContents& contents);

// The line for a file that could not be opened or read (denied, locked, vanished, a path the
// system refuses), with the system's reason; empty for a file that was read (error 0).
std::string UnreadableFileLine(const std::string& file, unsigned long error);

}  // namespace batch
