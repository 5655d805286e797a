// The icons of one file as the extraction run reads them: the file read once, then each index.
#pragma once
#include <string>

#include "iconres/IconFile.h"
#include "win/Handles.h"

class FileIcons {
 public:
  // windowsFolder: MunWindowsFolder(), looked up once per run.
  FileIcons(const std::string& file, const std::string& windowsFolder);
  // How many icon indexes the file has; 0 for a file without icons or one that cannot be read.
  int Count() const { return static_cast<int>(file_.Count()); }
  // The icon at index, at the system's large size; none when its group holds no sound image
  // (a gap in the numbering).
  win::UniqueIcon Icon(int index) const;
  // The groups and their stored images, for the kinds saved as the file stores them.
  const iconres::IconFile& File() const { return file_; }

 private:
  iconres::IconFile file_;
};
