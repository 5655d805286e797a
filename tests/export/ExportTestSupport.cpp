// Builds the icons and image lists the export tests work on, the way the extraction run fills them.
#include "ExportTestSupport.h"
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "win/Dib.h"

namespace exporttest {

win::UniqueIcon MakeIcon(int size, const PixelFn& pixel) {
  // Top-down 32-bit rows with alpha 0, so the icon is drawn through its mask.
  const BITMAPINFO bi = win::TopDown32(size, size);
  std::vector<uint32_t> colors(size * size);
  const int maskRow = ((size + 15) / 16) * 2;  // CreateBitmap rows are word-aligned
  std::vector<uint8_t> mask(maskRow * size, 0);
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      Pixel p = pixel(x, y);
      colors[y * size + x] = GetRValue(p.color) << 16 | GetGValue(p.color) << 8 | GetBValue(p.color);
      if (p.transparent) mask[y * maskRow + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
    }
  }
  win::WindowDC screen(nullptr);
  win::UniqueBitmap color(CreateCompatibleBitmap(screen.get(), size, size));
  SetDIBits(screen.get(), color.get(), 0, size, colors.data(), &bi, DIB_RGB_COLORS);
  win::UniqueBitmap maskBitmap(CreateBitmap(size, size, 1, 1, mask.data()));
  ICONINFO ii{};
  ii.fIcon = TRUE;
  ii.hbmColor = color.get();
  ii.hbmMask = maskBitmap.get();
  win::UniqueIcon icon(CreateIconIndirect(&ii));
  if (!icon) throw std::runtime_error("CreateIconIndirect failed");
  return icon;
}

Pixel HalfTransparent(int size, int x, int y) {
  if (x < size / 2) return {RGB(0, 0, 0), true};
  static const COLORREF bands[4] = {RGB(250, 5, 5), RGB(0, 0, 140), RGB(200, 200, 190), RGB(10, 250, 245)};
  return {bands[y * 4 / size], false};
}

ImageLists MakeTestImageLists() {
  ImageLists lists;
  lists.large.reset(ImageList_Create(32, 32, ILC_MASK | ILC_COLORDDB, 4, 4));
  lists.small.reset(ImageList_Create(16, 16, ILC_MASK | ILC_COLORDDB, 4, 4));
  for (auto [list, size] : {std::pair{lists.large.get(), 32}, std::pair{lists.small.get(), 16}}) {
    auto half = MakeIcon(size, [size](int x, int y) { return HalfTransparent(size, x, y); });
    auto clear = MakeIcon(size, [](int, int) { return Pixel{RGB(0, 0, 0), true}; });
    ImageList_AddIcon(list, half.get());
    ImageList_AddIcon(list, clear.get());
  }
  return lists;
}

int DisplayDepth() {
  win::WindowDC screen(nullptr);
  return GetDeviceCaps(screen.get(), BITSPIXEL) * GetDeviceCaps(screen.get(), PLANES);
}

namespace {
void RemoveTree(const std::string& dir) {
  WIN32_FIND_DATAA fd;
  win::UniqueFind find(FindFirstFileA((dir + "*").c_str(), &fd));
  if (find) {
    do {
      std::string name = fd.cFileName;
      if (name == "." || name == "..") continue;
      std::string full = dir + name;
      SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveTree(full + "\\");
      else DeleteFileA(full.c_str());
    } while (FindNextFileA(find.get(), &fd));
  }
  find.reset();
  RemoveDirectoryA(dir.c_str());
}
}  // namespace

TempFolder::TempFolder() {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  static int counter = 0;
  path_ = std::string(temp) + "export_" + std::to_string(GetCurrentProcessId()) + "_" +
          std::to_string(++counter) + "\\";
  CreateDirectoryA(path_.c_str(), nullptr);
}

TempFolder::~TempFolder() { RemoveTree(path_); }

std::vector<uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const std::string& path, const std::string& content) {
  std::ofstream(path, std::ios::binary) << content;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

}  // namespace exporttest
