// Window-free steps of the extraction run.
#include "extract/ExtractHelpers.h"

#include "extract/PathText.h"
#include "ui/Handles.h"

std::string FileExtension(const std::string& file) {
  size_t dot = pathtext::LastDelimiter(file, ".\\:");
  if (dot == std::string::npos || file[dot] != '.') return {};
  return file.substr(dot);
}

std::string LowerAsciiLetters(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

bool PassesTypeFilter(const std::string& file, const std::string& fileTypes, bool extractFromAll) {
  if (extractFromAll) return true;
  const std::string ext = LowerAsciiLetters(FileExtension(file));
  return !ext.empty() && LowerAsciiLetters(fileTypes).find(ext) != std::string::npos;
}

std::string FileNamePart(const std::string& file) { return pathtext::NamePart(file); }

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

std::string FitPathToWidth(const std::string& path, HFONT font, int maxWidth) {
  ui::UniqueDC dc(CreateCompatibleDC(nullptr));
  ui::SelectInDC selected(dc.get(), font);
  return FitPathToWidth(
      path,
      [&](const std::string& text) {
        SIZE size{};
        GetTextExtentPoint32A(dc.get(), text.c_str(), static_cast<int>(text.size()), &size);
        return static_cast<int>(size.cx);
      },
      maxWidth);
}

int CompareIconEntries(const std::string& captionA, int slotA, const std::string& captionB, int slotB) {
  int byCaption = lstrcmpA(captionA.c_str(), captionB.c_str());
  if (byCaption != 0) return byCaption;
  return slotA < slotB ? -1 : (slotA > slotB ? 1 : 0);
}
