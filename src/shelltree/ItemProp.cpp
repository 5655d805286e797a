// The shell item context menu: finding the items, getting their menu handler, showing the menu
// or running a command, and the hidden window that feeds owner-drawn menu entries.
#include "shelltree/ItemProp.h"

#include <string>
#include <vector>

#include "shelltree/FileMask.h"
#include "shelltree/Pidl.h"
#include "ui/Application.h"
#include "ui/Guard.h"
#include "win/Handles.h"
#include "win/LongPath.h"
#include "win/PathText.h"
#include "win/Text.h"

bool UseMenuMsg2 = false;

namespace {

constexpr char kCallbackClass[] = "ItemPropMenuCallbackHelper";
constexpr char kCallbackTitle[] = "ItemPropCallbackProcessor";
constexpr UINT kFirstCommand = 1;
constexpr UINT kLastCommand = 0x7FFF;

#ifndef _WIN64
static_assert(sizeof(CMINVOKECOMMANDINFO) == 36, "the published command record");
#endif

bool Invoke(IContextMenu* handler, HWND owner, LPCSTR verb) {
  CMINVOKECOMMANDINFO info{};
  info.cbSize = sizeof info;
  info.fMask = 0;
  info.hwnd = owner;
  info.lpVerb = verb;
  info.nShow = SW_SHOWNORMAL;
  return SUCCEEDED(handler->InvokeCommand(&info));
}

// A command identifier of the menu as the handler's offset from its first command.
bool InvokeCommandId(IContextMenu* handler, HWND owner, UINT id) {
  return Invoke(handler, owner, MAKEINTRESOURCEA(id - kFirstCommand));
}

std::wstring Wide(const std::string& text) {
  int n = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
  std::wstring w(n > 0 ? n : 1, L'\0');
  if (n > 0) MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, w.data(), n);
  return w;
}

shelltree::UniquePidl Parse(IShellFolder* folder, IMalloc* malloc, HWND owner, const std::string& name) {
  shelltree::UniquePidl pidl;
  std::wstring w = Wide(name);
  ULONG eaten = 0;
  if (FAILED(folder->ParseDisplayName(owner, nullptr, w.data(), &eaten, pidl.put(malloc), nullptr)))
    pidl.reset();
  return pidl;
}

win::ComPtr<IShellFolder> Bind(IShellFolder* parent, LPCITEMIDLIST pidl) {
  win::ComPtr<IShellFolder> folder;
  if (FAILED(parent->BindToObject(pidl, nullptr, IID_IShellFolder, folder.put_void()))) folder.reset();
  return folder;
}

bool MenuForItems(const TItemMenuRequest& request, IShellFolder* folder,
                  const std::vector<shelltree::UniquePidl>& items) {
  if (items.empty()) return false;
  std::vector<LPCITEMIDLIST> list;
  for (const auto& item : items) list.push_back(item.get());
  return GetItemMenu(request.Owner, folder, list.data(), static_cast<UINT>(list.size()),
                     request.Attributes, request);
}

// Every entry the wildcard name matches, parsed through the folder; names the folder cannot
// parse are left out.
std::vector<shelltree::UniquePidl> MatchingItems(IShellFolder* folder, IMalloc* malloc, HWND owner,
                                                 const std::string& fileName) {
  std::vector<shelltree::UniquePidl> items;
  // Searched wide: the ANSI record holds at most MAX_PATH bytes of a name, fewer characters
  // than a name may have in UTF-8.
  WIN32_FIND_DATAW fd;
  win::UniqueFind find(FindFirstFileW(win::FilePath(fileName).c_str(), &fd));
  if (!find) return items;
  do {
    const std::wstring name = fd.cFileName;
    if (name == L"." || name == L"..") continue;
    if (auto pidl = Parse(folder, malloc, owner, win::Narrow(name))) items.push_back(std::move(pidl));
  } while (FindNextFileW(find.get(), &fd));
  return items;
}

bool MenuForFileName(const TItemMenuRequest& request) {
  win::ComPtr<IMalloc> malloc;
  win::ComPtr<IShellFolder> desktop;
  if (FAILED(SHGetMalloc(malloc.put())) || FAILED(SHGetDesktopFolder(desktop.put()))) return false;
  std::string name = pathtext::NamePart(request.FileName);
  std::string folderPart = request.FileName.substr(0, request.FileName.size() - name.size());

  shelltree::UniquePidl folderPidl = Parse(desktop.get(), malloc.get(), request.Owner, folderPart);
  if (!folderPidl) return false;
  win::ComPtr<IShellFolder> folder = Bind(desktop.get(), folderPidl.get());
  if (!folder) return false;

  if (name.find_first_of("*?") != std::string::npos)
    return MenuForItems(request, folder.get(), MatchingItems(folder.get(), malloc.get(), request.Owner, request.FileName));

  std::vector<shelltree::UniquePidl> items;
  if (auto pidl = Parse(folder.get(), malloc.get(), request.Owner, name)) {
    items.push_back(std::move(pidl));
    return MenuForItems(request, folder.get(), items);
  }
  // The folder would not parse the name: try the whole name through the desktop's first folder.
  win::ComPtr<IEnumIDList> list;
  if (desktop->EnumObjects(request.Owner, SHCONTF_FOLDERS, list.put()) != S_OK || !list) return false;
  shelltree::UniquePidl first;
  if (list->Next(1, first.put(malloc.get()), nullptr) != S_OK || !first) return false;
  win::ComPtr<IShellFolder> firstFolder = Bind(desktop.get(), first.get());
  if (!firstFolder) return false;
  if (auto pidl = Parse(firstFolder.get(), malloc.get(), request.Owner, request.FileName)) {
    items.push_back(std::move(pidl));
    return MenuForItems(request, firstFolder.get(), items);
  }
  return false;
}

bool ShowMenu(IContextMenu* handler, bool callbackWindow, const TItemMenuRequest& request) {
  win::UniqueMenu menu(CreatePopupMenu());
  if (!menu || FAILED(handler->QueryContextMenu(menu.get(), 0, kFirstCommand, kLastCommand, CMF_EXPLORE)))
    return false;
  win::UniqueWindow callback;
  if (callbackWindow) callback.reset(CreateMenuCallbackWindow(handler));
  HWND menuOwner = callback ? callback.get() : request.Owner;
  // A menu needs a window to report to; without one nothing would be shown.
  if (!menuOwner) return false;
  UINT id = static_cast<UINT>(TrackPopupMenuEx(menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON,
                                                request.Point.x, request.Point.y, menuOwner, nullptr));
  if (id == 0) return true;
  return InvokeCommandId(handler, request.Owner, id);
}

bool RunDefault(IContextMenu* handler, const TItemMenuRequest& request) {
  win::UniqueMenu menu(CreatePopupMenu());
  if (!menu || FAILED(handler->QueryContextMenu(menu.get(), 0, kFirstCommand, kLastCommand, CMF_DEFAULTONLY)))
    return false;
  UINT id = GetMenuDefaultItem(menu.get(), FALSE, 0);
  if (id == static_cast<UINT>(-1)) return false;
  return InvokeCommandId(handler, request.Owner, id);
}

LRESULT HandleCallbackMessage(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CREATE:
      SetWindowLongPtrA(wnd, GWLP_USERDATA,
                        reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams));
      break;
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_INITMENUPOPUP: {
      auto* handler = reinterpret_cast<IContextMenu*>(GetWindowLongPtrA(wnd, GWLP_USERDATA));
      if (!handler) throw EContextMenuMissing();
      // The window is made only for handlers that offer the second interface (and the third
      // when UseMenuMsg2 is set), which extend the first.
      if (UseMenuMsg2) {
        LRESULT ignored = 0;
        static_cast<IContextMenu3*>(handler)->HandleMenuMsg2(msg, wp, lp, &ignored);
      } else {
        static_cast<IContextMenu2*>(handler)->HandleMenuMsg(msg, wp, lp);
      }
      return msg == WM_INITMENUPOPUP ? 0 : 1;
    }
  }
  return DefWindowProcA(wnd, msg, wp, lp);
}

}  // namespace

bool ShowItemMenu(IShellFolder* folder, LPCITEMIDLIST* items, ULONG attributes, HWND owner,
                  POINT point, UINT count) {
  TItemMenuRequest request;
  request.Folder = folder;
  request.Items = items;
  request.Attributes = attributes;
  request.Mode = imShowMenu;
  request.Owner = owner;
  request.Point = point;
  request.Count = count;
  return ItemMenuRequest(request);
}

bool ItemMenuRequest(const TItemMenuRequest& request) {
  UseMenuMsg2 = false;
  ui::SavedCursorScope wait(ui::CursorKind::HourGlass);
  if (request.Items && request.Count > 0 && request.Items[0]) {
    if (!request.Folder) return false;
    return GetItemMenu(request.Owner, request.Folder, request.Items, request.Count, request.Attributes, request);
  }
  return MenuForFileName(request);
}

bool GetItemMenu(HWND owner, IShellFolder* folder, LPCITEMIDLIST* items, UINT count,
                 ULONG attributes, const TItemMenuRequest& request) {
  win::ComPtr<IContextMenu> menu;
  if (FAILED(folder->GetUIObjectOf(owner, count, items, IID_IContextMenu, nullptr, menu.put_void())) || !menu)
    return false;
  bool callbackWindow = false;
  win::ComPtr<IContextMenu> handler = menu;
  if (auto menu2 = menu.As<IContextMenu2>(IID_IContextMenu2)) {
    callbackWindow = true;
    handler = win::ComPtr<IContextMenu>::Share(menu2.get());
    if (auto menu3 = menu.As<IContextMenu3>(IID_IContextMenu3)) {
      handler = win::ComPtr<IContextMenu>::Share(menu3.get());
      UseMenuMsg2 = true;
    }
  }
  return RunItemMenu(handler.get(), attributes, callbackWindow, request);
}

bool RunItemMenu(IContextMenu* handler, ULONG attributes, bool callbackWindow,
                 const TItemMenuRequest& request) {
  switch (request.Mode) {
    case imShowMenu:
      return ShowMenu(handler, callbackWindow, request);
    case imProperties:
      return (attributes & SFGAO_HASPROPSHEET) && Invoke(handler, request.Owner, "properties");
    case imDefault:
      return RunDefault(handler, request);
    case imVerb:
      return Invoke(handler, request.Owner, request.Verb.c_str());
  }
  return false;
}

HWND CreateMenuCallbackWindow(IContextMenu* handler) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSA wc{};
  wc.style = CS_PARENTDC;
  wc.lpfnWndProc = &MenuCallbackProc;
  wc.hInstance = instance;
  wc.lpszClassName = kCallbackClass;
  // Registered by the first request; later ones find it there.
  RegisterClassA(&wc);
  return CreateWindowExA(0, kCallbackClass, kCallbackTitle, WS_POPUPWINDOW, 0, 0, 0, 0, nullptr, nullptr,
                         instance, handler);
}

LRESULT CALLBACK MenuCallbackProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  // An exception must not unwind through the system's menu code; it goes to the error display
  // and the message gets its usual answer.
  return ui::Guarded(LRESULT{msg == WM_INITMENUPOPUP ? 0 : 1},
                     [&] { return HandleCallbackMessage(wnd, msg, wp, lp); });
}
