// The floor of the extraction run and the message count.
#include "Floor.h"

#include <string>

#include "BenchSupport.h"
#include "extract/IconRun.h"
#include "ui/Application.h"
#include "ui/Dpi.h"
#include "ui/Images.h"
#include "ui/ListView.h"
#include "win/PathText.h"

namespace bench {

const char* const kStepNames[kSteps] = {"read the file (per file)", "icon from the reader", "icons made, image-list adds",
                                        "insert", "sub-items", "scroll 76 px x scale", "repaint", "free icon",
                                        "message pass"};

namespace {

// Messages by identifier, posted and sent, while a hook is in place.
std::map<UINT, int>* gCounts = nullptr;
std::map<std::string, int>* gDrawn = nullptr;
LRESULT CALLBACK CountPosted(int code, WPARAM wp, LPARAM lp) {
  if (code == HC_ACTION && gCounts && wp == PM_REMOVE) {
    auto* m = reinterpret_cast<MSG*>(lp);
    ++(*gCounts)[m->message];
    if (gDrawn && m->message == WM_PAINT) {
      char name[64] = "";
      GetClassNameA(m->hwnd, name, sizeof name);
      ++(*gDrawn)[std::string("posted paint ") + name];
    }
  }
  return CallNextHookEx(nullptr, code, wp, lp);
}
LRESULT CALLBACK CountSent(int code, WPARAM wp, LPARAM lp) {
  if (code == HC_ACTION && gCounts) {
    auto* m = reinterpret_cast<CWPSTRUCT*>(lp);
    // The answer probe's questions are the bench's, not the run's.
    if (m->message == WM_NULL) return CallNextHookEx(nullptr, code, wp, lp);
    ++(*gCounts)[0x10000 | m->message];
    // Notifications by code (negated), to tell them apart.
    if (m->message == WM_NOTIFY) ++(*gCounts)[0x20000 | (0xFFFF & -static_cast<int>(reinterpret_cast<NMHDR*>(m->lParam)->code))];
    // Erasing and painting by window class, to see which windows draw.
    if (gDrawn && (m->message == WM_ERASEBKGND || m->message == WM_PAINT || m->message == WM_NCPAINT)) {
      char name[64] = "";
      GetClassNameA(m->hwnd, name, sizeof name);
      ++(*gDrawn)[std::string(m->message == WM_ERASEBKGND ? "erase " : m->message == WM_PAINT ? "paint " : "ncpaint ") + name];
    }
  }
  return CallNextHookEx(nullptr, code, wp, lp);
}

// Adds the time since `t` to a step and restarts the clock.
void Lap(Profile* p, Step step, double& t) {
  double now = Now();
  if (p) p->spent[step] += now - t;
  t = now;
}

}  // namespace

MessageCount::MessageCount(std::map<UINT, int>& counts, std::map<std::string, int>& drawn) {
  gCounts = &counts;
  gDrawn = &drawn;
  posted_ = SetWindowsHookExA(WH_GETMESSAGE, &CountPosted, nullptr, GetCurrentThreadId());
  sent_ = SetWindowsHookExA(WH_CALLWNDPROC, &CountSent, nullptr, GetCurrentThreadId());
}

MessageCount::~MessageCount() {
  UnhookWindowsHookEx(posted_);
  UnhookWindowsHookEx(sent_);
  gCounts = nullptr;
  gDrawn = nullptr;
}

Floor::Floor(const ui::ListView& like, int capacity) {
  GetWindowRect(like.Handle(), &place_);
  const int width = place_.right - place_.left, height = place_.bottom - place_.top;
  window_ = CreateWindowExA(WS_EX_TOOLWINDOW, ui::PlainWindowClass(), "floor", WS_POPUP, place_.left, place_.top,
                            width, height, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  list_ = CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
                          WS_CHILD | WS_VISIBLE | LVS_ICON | LVS_SHAREIMAGELISTS | LVS_AUTOARRANGE |
                              LVS_SHOWSELALWAYS | WS_TABSTOP,
                          0, 0, width, height, window_, nullptr, GetModuleHandleA(nullptr), nullptr);
  SendMessageA(list_, WM_SETFONT, SendMessageA(like.Handle(), WM_GETFONT, 0, 0), FALSE);
  const int dpi = ui::SystemDpi();
  shown_ = MulDiv(32, dpi, 96);
  step_ = MulDiv(76, dpi, 96);
  large_ = ImageList_Create(shown_, shown_, ILC_COLORDDB | ILC_MASK, capacity, 16);
  small_ = ImageList_Create(MulDiv(16, dpi, 96), MulDiv(16, dpi, 96), ILC_COLORDDB | ILC_MASK, capacity, 16);
  ImageList_SetBkColor(large_, CLR_NONE);
  ImageList_SetBkColor(small_, CLR_NONE);
  ListView_SetImageList(list_, large_, LVSIL_NORMAL);
  ListView_SetImageList(list_, small_, LVSIL_SMALL);
  const char* titles[] = {"Name", "Icon Index"};
  for (int i = 0; i < 2; ++i) {
    LVCOLUMNA col{};
    col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    col.cx = i == 0 ? 150 : 50;
    col.pszText = const_cast<char*>(titles[i]);
    col.iSubItem = i;
    SendMessageA(list_, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&col));
  }
}

void Floor::Hide() {
  ShowWindow(window_, SW_HIDE);
  ui::Application.ProcessMessages();
}

Floor::~Floor() {
  DestroyWindow(window_);
  ImageList_Destroy(large_);
  ImageList_Destroy(small_);
}

Loaded Floor::Run(const std::string& folder, Profile* profile, bool batched) {
  ListView_DeleteAllItems(list_);
  ImageList_RemoveAll(large_);
  ImageList_RemoveAll(small_);
  SetWindowPos(window_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  UpdateWindow(window_);
  Loaded r;
  IconRun run(pathtext::WithTrailingBackslash(folder), false);
  if (batched) SendMessageA(list_, WM_SETREDRAW, FALSE, 0);
  double t = Now();
  while (run.NextFile(&TypesInForce)) {
    ++r.files;
    Lap(profile, kCount, t);
    const std::string& caption = run.File().Caption();
    RunIcon entry;
    for (;;) {
      t = Now();
      if (!run.NextIcon(entry)) break;
      Lap(profile, kLoad, t);
      if (!entry.Listed()) continue;
      // At another scale the run's own 32 x 32 icon decides the listing, the shown one is made besides.
      const win::UniqueIcon scaled = shown_ != 32 ? run.File().Icon(entry.index, shown_) : win::UniqueIcon();
      HICON icon = scaled ? scaled.get() : entry.icon.get();
      ++r.icons;
      ImageList_AddIcon(small_, icon);
      int slot = ImageList_AddIcon(large_, icon);
      Lap(profile, kAdds, t);
      LVITEMA it{};
      it.mask = LVIF_TEXT | LVIF_IMAGE;
      it.iItem = ListView_GetItemCount(list_);
      it.pszText = const_cast<char*>(caption.c_str());
      it.iImage = slot;
      int item = static_cast<int>(SendMessageA(list_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&it)));
      Lap(profile, kInsert, t);
      const std::string index = std::to_string(entry.index);
      LVITEMA sub{};
      sub.iSubItem = 1;
      sub.pszText = const_cast<char*>(index.c_str());
      SendMessageA(list_, LVM_SETITEMTEXTA, item, reinterpret_cast<LPARAM>(&sub));
      Lap(profile, kSubItem, t);
      if (batched) {
        entry.icon.reset();
        Lap(profile, kFree, t);
        continue;
      }
      ListView_Scroll(list_, 0, step_);
      Lap(profile, kScroll, t);
      UpdateWindow(list_);
      Lap(profile, kRepaint, t);
      entry.icon.reset();
      Lap(profile, kFree, t);
      MSG msg;
      while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
      }
      Lap(profile, kMessages, t);
    }
  }
  if (batched) {
    SendMessageA(list_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list_, nullptr, TRUE);
    UpdateWindow(list_);
    Lap(profile, kRepaint, t);
  }
  if (profile) profile->icons = r.icons;
  return r;
}

}  // namespace bench
