// Shared helpers of the export tests: icons from known pixels, image lists like the program's,
// temporary folders and file reading.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>
#include "win/Handles.h"

namespace exporttest {

struct Pixel {
  COLORREF color;
  bool transparent;
};
using PixelFn = std::function<Pixel(int x, int y)>;

// An icon of the given size whose colour and mask are exactly what the function says.
win::UniqueIcon MakeIcon(int size, const PixelFn& pixel);

// The test icons: 0 = left half transparent, right half four bands of off-palette colours;
// 1 = fully transparent. Both at 32 and 16 pixels.
Pixel HalfTransparent(int size, int x, int y);
struct ImageLists {
  win::UniqueImageList large;  // 32 x 32
  win::UniqueImageList small;  // 16 x 16
};
ImageLists MakeTestImageLists();

// Bits per pixel of the screen.
int DisplayDepth();

// A fresh folder under the temporary folder, removed with all its content at the end.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  // With a trailing backslash.
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

std::vector<uint8_t> ReadAll(const std::string& path);
void WriteAll(const std::string& path, const std::string& content);
bool Exists(const std::string& path);

inline uint32_t Dword(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}
inline uint16_t Word(const std::vector<uint8_t>& b, size_t at) { return static_cast<uint16_t>(b[at] | b[at + 1] << 8); }

}  // namespace exporttest
