// The folder tree on folders of 1,000 and 5,000 sub-folders: its listing (the folder's first
// expansion) and re-listing, each painted, beside the bare listing of the same folder (the
// shell's items with their display names, one insert each into a plain tree control).
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <cstdio>
#include <memory>
#include <string>

#include "BenchSupport.h"
#include "fixtures/IconFixtures.h"
#include "shelltree/Pidl.h"
#include "shelltree/ShellTree.h"
#include "ui/Application.h"
#include "ui/Form.h"
#include "ui/Layout.h"

namespace {

using bench::Now;

// A form holding one tree rooted at a folder, with the main window's tree options.
class TreeHost : public ui::Form {
 public:
  std::string root;
  TShellTree tree;

  void Create() override { LoadLayout(Layout()); }

 private:
  static const ui::FormLayout<TreeHost>& Layout() {
    static const ui::FormLayout<TreeHost> layout{
        "TBenchTreeHost",
        {.bounds = {0, 0, 300, 600}, .caption = "tree"},
        false,
        0,
        {},
        {{"tree",
          &TreeHost::tree,
          {.align = ui::Align::Client, .hideSelection = true, .readOnly = true, .showRoot = false, .indent = 19},
          {[](TreeHost& h, ui::Component&) {
            h.tree.SetRootUsePIDL(false);
            h.tree.SetRootDir(h.root);
            h.tree.SetOptions(TF_FOLDERS | TF_HIDDEN);
            h.tree.SetShowVirtualFolders(false);
          }}}}};
    return layout;
  }
};

// The shell's listing of a folder into a plain tree control, with nothing else.
double BareListing(const std::string& folder, int& items) {
  HWND window = CreateWindowExA(0, WC_STATICA, "bare", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 320, 0, 300, 600, nullptr,
                                nullptr, GetModuleHandleA(nullptr), nullptr);
  HWND tree = CreateWindowExA(WS_EX_CLIENTEDGE, WC_TREEVIEWA, "", WS_CHILD | WS_VISIBLE | TVS_HASBUTTONS | TVS_HASLINES,
                              0, 0, 280, 560, window, nullptr, GetModuleHandleA(nullptr), nullptr);
  UpdateWindow(window);
  double t0 = Now();
  items = 0;
  // Redrawing waits for the end, as it does in any listing of many items. The items go below
  // one for the folder, as a folder's children do in a tree.
  SendMessageA(tree, WM_SETREDRAW, FALSE, 0);
  TVINSERTSTRUCTA top{};
  top.hParent = TVI_ROOT;
  top.hInsertAfter = TVI_LAST;
  top.item.mask = TVIF_TEXT;
  top.item.pszText = const_cast<char*>("folder");
  auto parent = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&top)));
  win::ComPtr<IShellFolder> desktop;
  win::ComPtr<IMalloc> malloc;
  SHGetDesktopFolder(desktop.put());
  SHGetMalloc(malloc.put());
  WCHAR wide[MAX_PATH];
  MultiByteToWideChar(CP_ACP, 0, folder.c_str(), -1, wide, MAX_PATH);
  shelltree::UniquePidl abs;
  win::ComPtr<IShellFolder> shellFolder;
  win::ComPtr<IEnumIDList> list;
  if (SUCCEEDED(desktop->ParseDisplayName(nullptr, nullptr, wide, nullptr, abs.put(malloc.get()), nullptr)) &&
      SUCCEEDED(desktop->BindToObject(abs.get(), nullptr, IID_IShellFolder, shellFolder.put_void())) &&
      SUCCEEDED(shellFolder->EnumObjects(nullptr, SHCONTF_FOLDERS | SHCONTF_INCLUDEHIDDEN, list.put())) && list) {
    for (;;) {
      shelltree::UniquePidl item;
      ULONG fetched = 0;
      if (list->Next(1, item.put(malloc.get()), &fetched) != S_OK || !fetched) break;
      std::string name = shelltree::DisplayNameOf(shellFolder.get(), item.get(), SHGDN_NORMAL, item.limit());
      TVINSERTSTRUCTA ins{};
      ins.hParent = parent;
      ins.hInsertAfter = TVI_LAST;
      ins.item.mask = TVIF_TEXT;
      ins.item.pszText = name.data();
      SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&ins));
      ++items;
    }
  }
  SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(parent));
  SendMessageA(tree, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(tree, nullptr, TRUE);
  UpdateWindow(tree);
  double spent = Now() - t0;
  DestroyWindow(window);
  return spent;
}

void MeasureTree(int count) {
  fixtures::TempFolder parent("benchtree");
  const std::string big = parent.Path() + "big";
  CreateDirectoryA(big.c_str(), nullptr);
  for (int i = 0; i < count; ++i) CreateDirectoryA((big + "\\f" + std::to_string(i)).c_str(), nullptr);

  int bareItems = 0;
  BareListing(big, bareItems);  // the first listing reads the folder into the cache
  double bare = BareListing(big, bareItems);

  double listed = 0, relisted = 0;
  int nodes = 0;
  {
    auto host = std::make_unique<TreeHost>();
    host->root = parent.Path();
    host->Create();
    ShowWindow(host->Handle(), SW_SHOWNA);
    UpdateWindow(host->Handle());
    TShellnode* node = host->tree.RootNode() ? host->tree.RootNode()->FirstChildNode() : nullptr;
    if (node) {
      double t0 = Now();
      node->Expand();
      UpdateWindow(host->tree.Handle());
      double t1 = Now();
      host->tree.RefreshNode(node, false);
      UpdateWindow(host->tree.Handle());
      double t2 = Now();
      listed = t1 - t0;
      relisted = t2 - t1;
      nodes = node->Count();
    }
  }
  ui::Application.ProcessMessages();
  std::printf("%d sub-folders (bare %d items, tree %d nodes):\n", count, bareItems, nodes);
  std::printf("  bare listing %8.3f s\n", bare);
  std::printf("  tree listing %8.3f s  %6.1f x bare\n", listed, listed / bare);
  std::printf("  re-listing   %8.3f s  %6.1f x bare, %.2f of the listing\n", relisted, relisted / bare,
              relisted / listed);
  std::fflush(stdout);
}

}  // namespace

namespace bench {

void TreeBench(bool quick) {
  for (int count : {1000, 5000})
    if (!quick || count == 1000) MeasureTree(count);
}

}  // namespace bench
