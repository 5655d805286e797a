// The one form the program reads and writes device-independent pixels in.
#pragma once
#include <windows.h>

namespace win {

// The header of width x height 32-bit pixels (0xAARRGGBB), rows top down, no palette: as
// GetDIBits, SetDIBits and CreateDIBSection take it.
inline BITMAPINFO TopDown32(int width, int height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

}  // namespace win
