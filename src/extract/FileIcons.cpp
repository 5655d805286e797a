// Icon reading through the shell's ExtractIconA, shared by the window's run and the batch.
#include "extract/FileIcons.h"

#include <windows.h>
#include <shellapi.h>

#include <utility>

FileIcons::FileIcons(std::string file) : file_(std::move(file)) {
  count_ = static_cast<int>(reinterpret_cast<INT_PTR>(ExtractIconA(GetModuleHandleA(nullptr), file_.c_str(), UINT(-1))));
  if (count_ < 0) count_ = 0;
}

ui::UniqueIcon FileIcons::Icon(int index) const {
  HICON handle = ExtractIconA(GetModuleHandleA(nullptr), file_.c_str(), static_cast<UINT>(index));
  // 1 is the shell's answer for a file that holds no icons at all.
  if (reinterpret_cast<UINT_PTR>(handle) <= 1) return ui::UniqueIcon();
  return ui::UniqueIcon(handle);
}
