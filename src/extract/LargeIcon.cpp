// The extraction run's icon for one group: the same two platform steps the shell's own
// extraction takes, on images the reader has already checked.
#include "extract/LargeIcon.h"

HICON MakeLargeIcon(const iconres::IconFile& file, std::size_t group) {
  if (group >= file.contents.groups.size()) return nullptr;
  const iconres::IconGroup& g = file.contents.groups[group];
  if (g.images.empty()) return nullptr;
  const int cx = GetSystemMetrics(SM_CXICON), cy = GetSystemMetrics(SM_CYICON);
  // The directory holds exactly the entries it counts, so the lookup reads nothing beyond it.
  const int id = LookupIconIdFromDirectoryEx(const_cast<BYTE*>(g.directory.data()), TRUE, cx, cy, LR_DEFAULTCOLOR);
  const iconres::IconImage* image = iconres::FindImage(g, static_cast<std::uint16_t>(id));
  if (!image) return nullptr;
  return file.CreateIcon(*image, cx, cy).release();
}

std::string MunWindowsFolder() {
  char path[MAX_PATH] = "";
  const UINT n = GetSystemWindowsDirectoryA(path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return {};
  const std::string windows(path, n);
  const DWORD attributes = GetFileAttributesA((windows + "\\SystemResources").c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return {};
  return windows;
}
