// The icons of one file as the extraction run reads them: the file read once, then each index.
#pragma once
#include <string>

#include "iconres/IconFile.h"
#include "win/Handles.h"

class FileIcons {
 public:
  // windowsFolder: MunWindowsFolder(), looked up once per run.
  FileIcons(const std::string& file, const std::string& windowsFolder);
  FileIcons(const FileIcons&) = delete;
  FileIcons& operator=(const FileIcons&) = delete;
  // The file's path and its name part, which is the caption of its entries.
  const std::string& Path() const { return path_; }
  const std::string& Caption() const { return caption_; }
  // How many icon indexes the file has; 0 for a file without icons or one that cannot be read.
  int Count() const { return static_cast<int>(file_.Count()); }
  // The group at index: the images the file stores for that icon. index < Count().
  const iconres::IconGroup& Group(int index) const { return file_.contents.groups.at(static_cast<size_t>(index)); }
  // The icon at index, at the system's large size; none when its group holds no sound image
  // (a gap in the numbering).
  win::UniqueIcon Icon(int index) const;
  // The groups and their stored images, for the kinds saved as the file stores them.
  const iconres::IconFile& File() const { return file_; }

 private:
  std::string path_, caption_;
  iconres::IconFile file_;
};
