// The shell's own context menu for items of a folder (the one the desktop shows), and running
// one of its commands directly: the properties, the default command or a named verb.
#pragma once
#include <windows.h>
#include <shlobj.h>

#include <string>

#include "win/Errors.h"

enum TItemMenuMode {
  imShowMenu,    // show the menu and run the chosen command
  imProperties,  // run the "properties" verb
  imDefault,     // run the menu's default command
  imVerb,        // run the request's verb
};

// The current menu handler takes the extended menu-message call; set by each request.
extern bool UseMenuMsg2;

// Raised when the callback window gets a menu message but holds no menu handler.
class EContextMenuMissing : public win::Exception {
 public:
  EContextMenuMissing() : win::Exception("NIL Context Menu!") {}
};

struct TItemMenuRequest {
  // Used when no item array is given; its name part may hold "*" and "?".
  std::string FileName;
  IShellFolder* Folder = nullptr;
  // Relative lists of items of Folder; Count entries.
  LPCITEMIDLIST* Items = nullptr;
  ULONG Attributes = 0;  // shell attribute flags of the item(s)
  TItemMenuMode Mode = imShowMenu;
  std::string Verb;
  HWND Owner = nullptr;
  POINT Point{};  // screen position of the menu
  UINT Count = 0;
};

// Shows the menu for items of a folder and runs the chosen command.
bool ShowItemMenu(IShellFolder* folder, LPCITEMIDLIST* items, ULONG attributes, HWND owner,
                  POINT point, UINT count);

// True when the requested action succeeded or the menu was closed without a choice; false
// when nothing could be shown or run. The wait cursor is shown meanwhile.
bool ItemMenuRequest(const TItemMenuRequest& request);

// Gets the items' menu handler (the richest interface it offers) and runs the request on it.
bool GetItemMenu(HWND owner, IShellFolder* folder, LPCITEMIDLIST* items, UINT count,
                 ULONG attributes, const TItemMenuRequest& request);

// Runs the request's mode on a handler. With `callbackWindow` the handler is an
// IContextMenu2 (an IContextMenu3 when UseMenuMsg2) and gets the menu's drawing and filling
// messages through a hidden window.
bool RunItemMenu(IContextMenu* handler, ULONG attributes, bool callbackWindow,
                 const TItemMenuRequest& request);

// The hidden window that passes menu messages to a handler (kept without a reference); none
// when it cannot be created.
HWND CreateMenuCallbackWindow(IContextMenu* handler);

LRESULT CALLBACK MenuCallbackProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
