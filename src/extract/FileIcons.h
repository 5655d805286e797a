// The icons of one file as the extraction run reads them: the count first, then each index.
#pragma once
#include <string>

#include "ui/Handles.h"

class FileIcons {
 public:
  explicit FileIcons(std::string file);
  // How many icon indexes the file has; 0 for a file without icons or one that cannot be read.
  int Count() const { return count_; }
  // The icon at index, large size; none when the file refuses that one (a gap in the numbering).
  ui::UniqueIcon Icon(int index) const;

 private:
  std::string file_;
  int count_ = 0;
};
