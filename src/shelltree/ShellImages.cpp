// The folder tree's icons at the display's scale, from the shell's lists.
#include "shelltree/ShellImages.h"

#include <shellapi.h>
#include <shlobj.h>
#include <commoncontrols.h>

#include <vector>

#include "ui/Dpi.h"

namespace shelltree {

namespace {

int ImageSize(HIMAGELIST list) {
  int cx = 0, cy = 0;
  return list && ImageList_GetIconSize(list, &cx, &cy) ? cx : 0;
}

struct ShellList {
  HIMAGELIST list = nullptr;
  win::ComPtr<IImageList> face;  // where the system gives the list through its interface
};

// The shell's lists: its small icons (as the tree always had them), then every size the system
// offers through SHGetImageList.
std::vector<ShellList> ShellLists() {
  std::vector<ShellList> lists;
  SHFILEINFOA info{};
  char windows[MAX_PATH] = "C:\\";
  GetWindowsDirectoryA(windows, MAX_PATH);
  if (auto small = reinterpret_cast<HIMAGELIST>(
          SHGetFileInfoA(windows, 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON)))
    lists.push_back({small, nullptr});
  using GetImageListFn = HRESULT(WINAPI*)(int, REFIID, void**);
  HMODULE shell = GetModuleHandleA("shell32.dll");
  if (!shell) return lists;
  auto get = reinterpret_cast<GetImageListFn>(reinterpret_cast<void*>(GetProcAddress(shell, "SHGetImageList")));
  // Systems before Vista export it by number only.
  if (!get) get = reinterpret_cast<GetImageListFn>(reinterpret_cast<void*>(GetProcAddress(shell, MAKEINTRESOURCEA(727))));
  if (!get) return lists;
  static const IID kImageList = {0x46EB5926, 0x582E, 0x4017, {0x9F, 0xDF, 0xE8, 0x99, 0x8D, 0xAA, 0x09, 0x50}};
  for (int which : {SHIL_SMALL, SHIL_LARGE, SHIL_EXTRALARGE, SHIL_JUMBO}) {
    void* got = nullptr;
    if (FAILED(get(which, kImageList, &got)) || !got) continue;
    auto face = win::ComPtr<IImageList>::Attach(static_cast<IImageList*>(got));
    const auto list = reinterpret_cast<HIMAGELIST>(got);
    if (!lists.empty() && lists.front().list == list) lists.front().face = face;
    else lists.push_back({list, face});
  }
  return lists;
}

}  // namespace

void ShellImages::Choose(int dpi) {
  const int size = ui::MetricForDpi(SM_CXSMICON, dpi);
  const std::vector<ShellList> lists = ShellLists();
  const ShellList *exact = nullptr, *larger = nullptr, *largest = nullptr;
  for (const ShellList& l : lists) {
    const int edge = ImageSize(l.list);
    if (edge == size && !exact) exact = &l;
    if (edge > size && (!larger || edge < ImageSize(larger->list))) larger = &l;
    if (!largest || edge > ImageSize(largest->list)) largest = &l;
  }
  own_.reset();
  source_ = nullptr;
  // Without a size of its own the tree shows the shell's small icons as it always did.
  shell_ = exact ? exact->list : lists.empty() ? nullptr : lists.front().list;
  if (exact || !largest) return;
  // Scaled down from the nearest larger list; up from the largest only when none is larger.
  const ShellList& from = larger ? *larger : *largest;
  own_.reset(ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, ImageList_GetImageCount(from.list), 32));
  if (!own_) return;
  source_ = from.list;
  ImageList_SetBkColor(own_.get(), CLR_NONE);
  Cover(ImageList_GetImageCount(source_) - 1);
  // The overlays (shared, shortcut) the shell marked in its list, at the same indexes.
  for (int overlay = 1; from.face && overlay <= 15; ++overlay) {
    int image = -1;
    if (SUCCEEDED(from.face->GetOverlayImage(overlay, &image)) && image >= 0) {
      Cover(image);
      ImageList_SetOverlayImage(own_.get(), image, overlay);
    }
  }
}

void ShellImages::Cover(int index) {
  if (!own_ || !source_) return;
  const int available = ImageList_GetImageCount(source_);
  for (int next = ImageList_GetImageCount(own_.get()); next <= index && next < available; ++next) {
    win::UniqueIcon icon(ImageList_GetIcon(source_, next, ILD_NORMAL));
    // A slot the shell cannot give back still takes its place, so the indexes stay the shell's.
    if (ImageList_ReplaceIcon(own_.get(), -1, icon ? icon.get() : LoadIconA(nullptr, IDI_APPLICATION)) < 0) return;
  }
}

}  // namespace shelltree
