// One line per file for the batch commands' failures.
#include "batch/FileReport.h"

#include <algorithm>

#include "extract/ExtractHelpers.h"
#include "win/Errors.h"
#include "win/PathText.h"

namespace batch {

void FileReport::Add(const std::string& reason, bool unreadable) {
  ++failures_;
  allUnreadable_ = allUnreadable_ && unreadable;
  if (std::find(reasons_.begin(), reasons_.end(), reason) == reasons_.end()) reasons_.push_back(reason);
}

void FileReport::Failed(const std::string& reason, unsigned long error) {
  Add(win::WithSystemReason(reason, error), false);
}

std::string FileReport::Line() const {
  const std::string leftOut = leftOut_.empty() ? "" : "some images left out: " + leftOut_;
  if (failures_ == 0) return leftOut.empty() ? "" : "Error: " + file_ + ": " + leftOut;
  std::string line = "Error: " + file_ + ": " + std::to_string(failures_) + " of " + std::to_string(icons_) +
                     (icons_ == 1 ? " icon " : " icons ") + (allUnreadable_ ? "unreadable: " : "failed: ");
  for (std::size_t i = 0; i < reasons_.size() && i < 3; ++i) line += (i ? "; " : "") + reasons_[i];
  if (reasons_.size() > 3) line += "; ...";
  if (!leftOut.empty()) line += "; " + leftOut;
  return line;
}

std::string DamagedContainerLine(const std::string& file, const iconres::IconFileContents& contents) {
  if (!contents.groups.empty()) return {};
  if (!contents.refused.empty()) return "Error: " + file + ": no icons read: " + contents.refused;
  const std::string extension = LowerAsciiLetters(pathtext::Extension(file));
  if (!contents.damaged && extension != ".ico" && extension != ".icl") return {};
  return "Error: " + file + ": no icons read: the file is damaged";
}

std::string UnreadableFileLine(const std::string& file, unsigned long error) {
  if (error == 0) return {};
  return "Error: " + file + ": cannot be read: " + win::SystemErrorText(error);
}

}  // namespace batch
