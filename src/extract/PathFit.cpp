// Path shortening: the first folder after the drive goes, then the drive, until the text fits.
#include "extract/PathFit.h"

#include "win/PathText.h"

void DropFirstFolder(std::string& dir) {
  if (dir == "\\") {
    dir.clear();
    return;
  }
  const bool rooted = !dir.empty() && dir[0] == '\\';
  if (rooted) dir.erase(0, 1);
  // Only the "...\" an earlier step put there is removed; a folder whose own name begins
  // with a period is an ordinary first folder.
  if (dir.rfind("...\\", 0) == 0) dir.erase(0, 4);
  size_t slash = pathtext::FirstBackslash(dir);
  dir = slash == std::string::npos ? std::string() : "...\\" + dir.substr(slash + 1);
  if (rooted) dir.insert(0, 1, '\\');
}

std::string FitPathToWidth(const std::string& path, const TMeasureText& measure, int maxWidth) {
  std::string result = path;
  std::string dir = pathtext::DirectoryPart(path);
  const std::string name = path.substr(dir.size());
  std::string drive;
  if (dir.size() >= 2 && dir[1] == ':') {
    drive = dir.substr(0, 2);
    dir.erase(0, 2);
  }
  while ((!dir.empty() || !drive.empty()) && measure(result) > maxWidth) {
    if (dir == "\\...\\") {
      drive.clear();
      dir = "...\\";
    } else if (dir.empty()) {
      drive.clear();
    } else {
      DropFirstFolder(dir);
    }
    result = drive + dir + name;
  }
  return result;
}
