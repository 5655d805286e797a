// Menu commands of the driver: chooses a menu bar item by its caption, as a user would.
//   Driver menu CLASS "Item caption"          posts the item's WM_COMMAND to the window
//   Driver menu CLASS "&Menu|&Sub|&Item"      the same, naming the way to the item
//   Driver button CLASS "Caption"             clicks the window's push button with that
//                                             caption and waits until the window is hidden
// Captions are matched without '&' and without the shortcut text after a tab; a single
// caption is searched for through every sub-menu of the menu bar.
//
// Wine keeps menus inside their own process, so another process cannot read them. There
// the driver takes the keyboard way a user would: Alt and each level's mnemonic, which the
// path form gives with its '&' marks.
#include <windows.h>

#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// A caption as the user reads it: no mnemonic marks, no shortcut text.
std::string Plain(const std::string& text) {
  std::string r;
  for (size_t i = 0; i < text.size() && text[i] != '\t'; ++i) {
    if (text[i] == '&') {
      if (i + 1 < text.size() && text[i + 1] == '&') r += text[++i];
      continue;
    }
    r += text[i];
  }
  return r;
}

// The character after a single '&'; 0 when the caption has none.
char Mnemonic(const std::string& caption) {
  for (size_t i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != '&') continue;
    if (caption[i + 1] != '&') return static_cast<char>(std::tolower(static_cast<unsigned char>(caption[i + 1])));
    ++i;
  }
  return 0;
}

std::vector<std::string> SplitPath(const std::string& arg) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (size_t bar; (bar = arg.find('|', start)) != std::string::npos; start = bar + 1)
    parts.push_back(arg.substr(start, bar - start));
  parts.push_back(arg.substr(start));
  return parts;
}

struct Item {
  std::string caption;
  UINT id = 0;
  HMENU sub = nullptr;
  bool separator = false;
};

bool ReadItem(HMENU menu, int index, Item& item) {
  char text[256] = "";
  MENUITEMINFOA mii{};
  mii.cbSize = sizeof mii;
  mii.fMask = MIIM_ID | MIIM_SUBMENU | MIIM_STRING | MIIM_FTYPE;
  mii.dwTypeData = text;
  mii.cch = sizeof text;
  if (!GetMenuItemInfoA(menu, index, TRUE, &mii)) return false;
  item = {Plain(text), mii.wID, mii.hSubMenu, (mii.fType & MFT_SEPARATOR) != 0};
  return true;
}

// Depth first: the first command item with the caption anywhere below the menu.
bool FindAnywhere(HMENU menu, const std::string& caption, UINT& id) {
  for (int i = 0, n = GetMenuItemCount(menu); i < n; ++i) {
    Item item;
    if (!ReadItem(menu, i, item) || item.separator) continue;
    if (!item.sub && item.caption == caption) return id = item.id, true;
    if (item.sub && FindAnywhere(item.sub, caption, id)) return true;
  }
  return false;
}

// Level by level along the path.
bool FindAlong(HMENU menu, const std::vector<std::string>& path, size_t level, UINT& id) {
  for (int i = 0, n = GetMenuItemCount(menu); i < n; ++i) {
    Item item;
    if (!ReadItem(menu, i, item) || item.separator || item.caption != Plain(path[level])) continue;
    if (level + 1 == path.size()) {
      if (item.sub) return false;
      return id = item.id, true;
    }
    if (item.sub) return FindAlong(item.sub, path, level + 1, id);
  }
  return false;
}

// Alt and the menu's mnemonic open it; each following mnemonic opens or chooses an item.
int ChooseByKeyboard(HWND w, const std::vector<std::string>& path) {
  std::vector<char> keys;
  for (const std::string& level : path) {
    char key = Mnemonic(level);
    if (!key) {
      std::fprintf(stderr, "the menu cannot be read from here; give the way with its mnemonics, "
                           "like \"&View|&Configuration\"\n");
      return 1;
    }
    keys.push_back(key);
  }
  if (keys.size() < 2) {
    std::fprintf(stderr, "the menu cannot be read from here; name the menu too, like \"&View|&Configuration\"\n");
    return 1;
  }
  SetForegroundWindow(w);
  PostMessageA(w, WM_SYSCOMMAND, SC_KEYMENU, keys.front());
  for (size_t i = 1; i < keys.size(); ++i) {
    Sleep(300);  // the menu opens before its item is chosen
    PostMessageA(w, WM_CHAR, static_cast<WPARAM>(static_cast<unsigned char>(keys[i])), 1);
  }
  return 0;
}

HWND WaitForWindow(const char* cls, int seconds) {
  for (int i = 0; i < seconds * 20; ++i) {
    HWND w = FindWindowA(cls, nullptr);
    if (w && IsWindowVisible(w) && IsWindowEnabled(w)) return w;
    Sleep(50);
  }
  return nullptr;
}

struct ButtonSearch {
  std::string caption;
  HWND found = nullptr;
};

BOOL CALLBACK MatchButton(HWND child, LPARAM lp) {
  auto* search = reinterpret_cast<ButtonSearch*>(lp);
  char cls[32] = "", text[256] = "";
  GetClassNameA(child, cls, sizeof cls);
  GetWindowTextA(child, text, sizeof text);
  try {
    if (lstrcmpiA(cls, "Button") == 0 && IsWindowVisible(child) && Plain(text) == search->caption) {
      search->found = child;
      return FALSE;
    }
    return TRUE;
  } catch (...) {
    return FALSE;  // nothing may be thrown into the platform's enumeration
  }
}

int ClickButton(const char* cls, const std::string& caption) {
  HWND w = WaitForWindow(cls, 30);
  if (!w) return std::fprintf(stderr, "no window of class %s ready for input\n", cls), 1;
  ButtonSearch search{Plain(caption)};
  EnumChildWindows(w, &MatchButton, reinterpret_cast<LPARAM>(&search));
  if (!search.found) return std::fprintf(stderr, "no button \"%s\" in %s\n", caption.c_str(), cls), 1;
  PostMessageA(search.found, BM_CLICK, 0, 0);
  for (int i = 0; i < 30 * 20 && IsWindowVisible(w); ++i) Sleep(50);
  return IsWindowVisible(w) ? 1 : 0;
}

}  // namespace

int RunMenuCommand(const std::string& cmd, int argc, char** argv) {
  if (cmd == "button" && argc >= 4) return ClickButton(argv[2], argv[3]);
  if (cmd != "menu") return -1;
  if (argc < 4) {
    std::fprintf(stderr, "usage: Driver menu CLASS \"Item caption\" | \"&Menu|&Item\"\n");
    return 2;
  }
  HWND w = WaitForWindow(argv[2], 30);
  if (!w) return std::fprintf(stderr, "no window of class %s ready for input\n", argv[2]), 1;
  HMENU bar = GetMenu(w);
  if (!bar) return std::fprintf(stderr, "the window of class %s has no menu bar\n", argv[2]), 1;
  std::vector<std::string> path = SplitPath(argv[3]);
  if (GetMenuItemCount(bar) < 0) return ChooseByKeyboard(w, path);
  UINT id = 0;
  bool found = path.size() == 1 ? FindAnywhere(bar, Plain(path[0]), id) : FindAlong(bar, path, 0, id);
  if (!found) return std::fprintf(stderr, "no menu item \"%s\"\n", argv[3]), 1;
  PostMessageA(w, WM_COMMAND, MAKEWPARAM(id, 0), 0);
  return 0;
}
