// Driver commands for tree views: walks a window's folder tree by captions, expanding each
// level and selecting the last, through the control's own messages.
//   Driver tree-select CLASS CAPTION...   in the visible top-level window of CLASS (the main
//                                         window, or "#32770" for the folder chooser)
// Captions match case-insensitively: an equal caption first, then for a drive ("C:" or "C:\")
// one that names it as "(C:)", then one that contains the text.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

#include "DriverCommon.h"

namespace {

constexpr UINT kReplyMs = 30000;  // listing a large folder takes a while under Wine
constexpr int kTextChars = 512;

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

BOOL CALLBACK FindTreeChild(HWND w, LPARAM lp) {
  char cls[64] = "";
  GetClassNameA(w, cls, sizeof cls);
  if (lstrcmpiA(cls, WC_TREEVIEWA) == 0 && IsWindowVisible(w)) {
    *reinterpret_cast<HWND*>(lp) = w;
    return FALSE;
  }
  return TRUE;
}

// The first visible tree view inside a visible top-level window of the class, once it has items.
HWND WaitForTree(const char* cls, int seconds) {
  for (int i = 0; i < seconds * 20; ++i) {
    HWND top = FindWindowA(cls, nullptr);
    HWND tree = nullptr;
    if (top && IsWindowVisible(top)) EnumChildWindows(top, &FindTreeChild, reinterpret_cast<LPARAM>(&tree));
    if (tree && SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0)) return tree;
    Sleep(50);
  }
  return nullptr;
}

// Memory in the tree's process for one item query and its text.
class RemoteItemBuffer {
 public:
  explicit RemoteItemBuffer(HWND tree) : buffer_(tree, sizeof(TVITEMA) + kTextChars) {}
  bool ok() const { return buffer_.Valid(); }

  std::string Text(HWND tree, HTREEITEM item) {
    TVITEMA it{};
    it.mask = TVIF_TEXT | TVIF_HANDLE;
    it.hItem = item;
    it.pszText = reinterpret_cast<char*>(buffer_.Address(sizeof(TVITEMA)));
    it.cchTextMax = kTextChars;
    char text[kTextChars] = "";
    DWORD_PTR reply = 0;
    if (!buffer_.Write(&it, sizeof it) ||
        !SendMessageTimeoutA(tree, TVM_GETITEMA, 0, buffer_.Address(), SMTO_NORMAL, kReplyMs, &reply) ||
        !buffer_.Read(text, sizeof text, sizeof(TVITEMA)))
      return {};
    text[kTextChars - 1] = '\0';
    return text;
  }

 private:
  driver::RemoteBuffer buffer_;
};

HTREEITEM Next(HWND tree, UINT code, HTREEITEM item) {
  DWORD_PTR reply = 0;
  SendMessageTimeoutA(tree, TVM_GETNEXTITEM, code, reinterpret_cast<LPARAM>(item), SMTO_NORMAL, kReplyMs, &reply);
  return reinterpret_cast<HTREEITEM>(reply);
}

bool IsDrive(const std::string& w) {
  return (w.size() == 2 || (w.size() == 3 && w[2] == '\\')) && std::isalpha(static_cast<unsigned char>(w[0])) &&
         w[1] == ':';
}

// The sibling from `first` on whose caption best matches `wanted`; none when no caption does.
HTREEITEM Match(HWND tree, RemoteItemBuffer& buf, HTREEITEM first, const std::string& wanted,
                std::vector<std::string>& seen) {
  const std::string w = Lower(wanted);
  HTREEITEM drive = nullptr, contains = nullptr;
  for (HTREEITEM item = first; item; item = Next(tree, TVGN_NEXT, item)) {
    std::string caption = buf.Text(tree, item);
    seen.push_back(caption);
    std::string c = Lower(caption);
    if (c == w) return item;
    if (!drive && IsDrive(w) && (c.find("(" + w.substr(0, 2) + ")") != std::string::npos || c == w.substr(0, 2) + "\\"))
      drive = item;
    if (!contains && !w.empty() && c.find(w) != std::string::npos) contains = item;
  }
  return drive ? drive : contains;
}

int TreeSelect(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: Driver tree-select CLASS CAPTION...\n");
    return 2;
  }
  HWND tree = WaitForTree(argv[2], 30);
  if (!tree) return std::fprintf(stderr, "no tree view in a window of class %s\n", argv[2]), 1;
  RemoteItemBuffer buf(tree);
  if (!buf.ok()) return std::fprintf(stderr, "cannot reach the tree's process\n"), 1;

  HTREEITEM item = nullptr;
  HTREEITEM level = Next(tree, TVGN_ROOT, nullptr);
  for (int i = 3; i < argc; ++i) {
    if (item) {
      // Opening a level lists it; the reply comes when the listing is done.
      DWORD_PTR reply = 0;
      SendMessageTimeoutA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item), SMTO_NORMAL, kReplyMs, &reply);
      level = Next(tree, TVGN_CHILD, item);
    }
    std::vector<std::string> seen;
    HTREEITEM found = Match(tree, buf, level, argv[i], seen);
    if (!found) {
      std::fprintf(stderr, "no item \"%s\"; this level has:", argv[i]);
      for (const std::string& s : seen) std::fprintf(stderr, " \"%s\"", s.c_str());
      std::fprintf(stderr, "\n");
      return 1;
    }
    item = found;
  }
  DWORD_PTR reply = 0;
  SendMessageTimeoutA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item), SMTO_NORMAL, kReplyMs, &reply);
  SendMessageTimeoutA(tree, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(item), SMTO_NORMAL, kReplyMs, &reply);
  if (Next(tree, TVGN_CARET, nullptr) != item) return std::fprintf(stderr, "the selection did not move\n"), 1;
  std::printf("%s\n", buf.Text(tree, item).c_str());
  return 0;
}

}  // namespace

int RunTreeCommand(const std::string& cmd, int argc, char** argv) {
  if (cmd == "tree-select") return TreeSelect(argc, argv);
  return -1;
}
