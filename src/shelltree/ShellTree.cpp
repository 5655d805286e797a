// The folder tree: shell nodes, listing and reconciling children, the root, path selection,
// and the tree's reactions to the mouse wheel, context-menu requests and label editing.
#include "shelltree/ShellTree.h"

#include <windowsx.h>

#include <algorithm>
#include <cstring>

#include "shelltree/FileMask.h"
#include "shelltree/ItemProp.h"
#include "ui/Application.h"
#include "ui/Dpi.h"
#include "win/Errors.h"
#include "win/Text.h"
#include "ui/Form.h"
#include "ui/Guard.h"

using shelltree::UniquePidl;

namespace {

// Attributes asked for every listed item: what it can do, how it shows, and what it is.
constexpr ULONG kItemAttributes = SFGAO_CANCOPY | SFGAO_CANMOVE | SFGAO_CANLINK | SFGAO_CANRENAME | SFGAO_CANDELETE |
                                  SFGAO_HASPROPSHEET | SFGAO_DROPTARGET | SFGAO_LINK | SFGAO_SHARE | SFGAO_HIDDEN |
                                  SFGAO_REMOVABLE | SFGAO_COMPRESSED | SFGAO_FILESYSANCESTOR | SFGAO_FOLDER |
                                  SFGAO_FILESYSTEM | SFGAO_HASSUBFOLDER;
static_assert(kItemAttributes == 0xF60B0177);
constexpr int kWheelNotch = 120;
// Posted to the NotifyWindow: change reports that came in while the tree was busy.
constexpr UINT kRunPendingRefreshes = WM_APP + 1;

USHORT ItemCount(LPCITEMIDLIST p) {
  USHORT cb;
  std::memcpy(&cb, p, sizeof cb);  // items are not aligned
  return cb;
}

LPCITEMIDLIST SkipItems(LPCITEMIDLIST p, UINT n) {
  auto* bytes = reinterpret_cast<const BYTE*>(p);
  for (UINT i = 0; i < n; ++i) bytes += ItemCount(reinterpret_cast<LPCITEMIDLIST>(bytes));
  return reinterpret_cast<LPCITEMIDLIST>(bytes);
}

// The first `n` items of a list that has at least that many, as a list of their own.
UniquePidl Prefix(IMalloc* malloc, LPCITEMIDLIST list, UINT n) {
  auto size = static_cast<std::size_t>(reinterpret_cast<const BYTE*>(SkipItems(list, n)) -
                                       reinterpret_cast<const BYTE*>(list));
  auto* block = static_cast<BYTE*>(malloc->Alloc(size + 2));
  if (!block) throw win::EOutOfMemory();
  std::memcpy(block, list, size);
  block[size] = block[size + 1] = 0;
  return UniquePidl(malloc, reinterpret_cast<LPITEMIDLIST>(block));
}

// Whether a folder finds two of its items to be the same. A failed comparison is no match.
bool SameByShell(IShellFolder* folder, LPCITEMIDLIST a, LPCITEMIDLIST b) {
  if (!folder || !a || !b) return false;
  HRESULT hr = folder->CompareIDs(0, a, b);
  return SUCCEEDED(hr) && static_cast<short>(HRESULT_CODE(hr)) == 0;
}

int CompareShellNodes(ui::TreeNode& a, ui::TreeNode& b, void* data) {
  auto& tree = *static_cast<TShellTree*>(data);
  auto& x = static_cast<TShellnode&>(a);
  auto& y = static_cast<TShellnode&>(b);
  return shelltree::CompareSiblings(x.Info.ParentFolder.get(), x.Info.RelPIDL.get(), x.Info.Attributes,
                                    y.Info.RelPIDL.get(), y.Info.Attributes, tree.FileSortType(),
                                    tree.FileSortOrder());
}

int SystemIconIndex(LPCITEMIDLIST abs, UINT extraFlags) {
  SHFILEINFOA info{};
  if (!abs) return 0;
  SHGetFileInfoA(reinterpret_cast<LPCSTR>(abs), 0, &info, sizeof info, SHGFI_PIDL | SHGFI_SYSICONINDEX | extraFlags);
  return info.iIcon;
}

// A hidden top-level window: device-change broadcasts reach only those.
LRESULT CALLBACK NotifyWindowProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* tree = reinterpret_cast<TShellTree*>(GetWindowLongPtrA(wnd, GWLP_USERDATA));
  if (msg == WM_DEVICECHANGE && tree)
    return ui::Guarded(LRESULT{1}, [&] { return tree->OnDriveChange(msg, wp, lp); });
  if (msg == kRunPendingRefreshes && tree) {
    ui::Guarded([&] { tree->RunPendingRefreshes(); });
    return 0;
  }
  return DefWindowProcA(wnd, msg, wp, lp);
}

// A hidden top-level window, since the system broadcasts device changes to those only.
HWND CreateNotifyWindow(TShellTree* tree) {
  static const char* const kClass = "TShellTreeNotify";
  HINSTANCE inst = GetModuleHandleA(nullptr);
  WNDCLASSA wc{};
  wc.lpfnWndProc = NotifyWindowProc;
  wc.hInstance = inst;
  wc.lpszClassName = kClass;
  RegisterClassA(&wc);  // a second tree finds it registered
  HWND wnd = CreateWindowExA(0, kClass, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, inst, nullptr);
  if (wnd) SetWindowLongPtrA(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(tree));
  return wnd;
}

}  // namespace

// ---- Nodes

TShellnode::TShellnode(TShellTree& tree) : ui::TreeNode(tree) {}

TShellnode::~TShellnode() {
  Monitor.reset();  // waits for its thread; a report still pending is dropped
  // The control may delete a parent before or after its children; a parent that loses a child
  // may lose its button with it.
  for (TShellnode* c : listed_) c->listedBy_ = nullptr;
  if (listedBy_) {
    std::erase(listedBy_->listed_, this);
    listedBy_->button_ = -1;
  }
  TShellTree& tree = Tree();
  std::erase(tree.pendingRefreshes_, this);
  if (tree.rootNode_ == this) tree.rootNode_ = nullptr;
}

TShellTree& TShellnode::Tree() const { return static_cast<TShellTree&>(Owner()); }

void TShellnode::SetNodeIdentity(IShellFolder* parentFolder, UniquePidl rel, bool recurse, const TShellnode* parent) {
  ForgetImages();
  Info.ParentFolder = win::ComPtr<IShellFolder>::Share(parentFolder);
  if (rel) {
    FolderBound = false;
    Info.Folder.reset();
    Info.RelPIDL = std::move(rel);
  }
  IMalloc* malloc = Tree().Malloc();
  if (!parent) parent = ParentNode();
  if (parent)
    Info.AbsPIDL = UniquePidl::Append(malloc, parent->Info.AbsPIDL.get(), Info.RelPIDL.get());
  else
    Info.AbsPIDL = UniquePidl::Clone(malloc, Info.RelPIDL.get());
  if (!recurse) return;
  IShellFolder* own = BindFolder();
  for (TShellnode* c = FirstChildNode(); c; c = c->NextSiblingNode())
    c->SetNodeIdentity(own, std::move(c->Info.RelPIDL), true, this);
}

IShellFolder* TShellnode::BindFolder() {
  if (FolderBound && !Info.Folder) FolderBound = false;
  if (!FolderBound) {
    FolderBound = true;
    if (Info.RelPIDL.count() > 0) {
      if (Info.ParentFolder &&
          FAILED(Info.ParentFolder->BindToObject(Info.RelPIDL.get(), nullptr, IID_IShellFolder,
                                                 Info.Folder.put_void())))
        Info.Folder.reset();
    } else {
      Info.Folder = Info.ParentFolder;
    }
  }
  return Info.Folder.get();
}

std::string TShellnode::Path() const { return shelltree::PIDLPath(Info.AbsPIDL.get()); }

std::string TShellnode::GetDisplayName() const {
  DWORD flags = Parent() ? SHGDN_NORMAL : SHGDN_FORPARSING;
  return shelltree::DisplayNameOf(Info.ParentFolder.get(), Info.RelPIDL.get(), flags, Info.RelPIDL.limit());
}

void TShellnode::UpdateImages() {
  ForgetImages();
  const int overlay = OverlayIndex();
  HWND control = Tree().Handle();
  if (imagesOnDemand_ && overlay == overlay_) {
    // Nothing the control holds changes, and changing an item costs the control more the more
    // items it has: drawing the node again asks for its images anew. Inside an update bracket
    // the bracket's end redraws everything anyway.
    RECT r;
    if (!Tree().Updating() && TreeView_GetItemRect(control, Item(), &r, FALSE)) InvalidateRect(control, &r, FALSE);
    return;
  }
  imagesOnDemand_ = true;
  overlay_ = overlay;
  TVITEMA it{};
  it.mask = TVIF_HANDLE | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_STATE;
  it.hItem = Item();
  it.iImage = it.iSelectedImage = I_IMAGECALLBACK;
  it.stateMask = TVIS_OVERLAYMASK;
  it.state = overlay >= 0 ? INDEXTOOVERLAYMASK(overlay + 1) : 0;
  SendMessageA(control, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&it));
}

void TShellnode::ShowCaption(const std::string& text) {
  if (captionKnown_ && text == caption_) return;
  SetText(text);
  caption_ = text;
  captionKnown_ = true;
}

void TShellnode::ShowButton(bool on) {
  if (button_ == (on ? 1 : 0)) return;
  SetHasChildren(on);
  button_ = on ? 1 : 0;
}

int TShellnode::OverlayIndex() const { return Tree().OverlayFor(Info.Attributes); }

void TShellnode::Images(int& image, int* selected) {
  // A node asked before it has its item has nothing to look up yet.
  const bool identified = Info.AbsPIDL.get() != nullptr;
  if (!imageKnown_) {
    image_ = LookUpImage(false);
    imageKnown_ = identified;
  }
  image = image_;
  if (!selected) return;
  if (!(Info.Attributes & SFGAO_FOLDER)) {
    *selected = image_;
    return;
  }
  if (!selectedKnown_) {
    selectedImage_ = LookUpImage(true);
    selectedKnown_ = identified;
  }
  *selected = selectedImage_;
}

int TShellnode::LookUpImage(bool open) const {
  // Each look-up costs the shell milliseconds, more the larger the folder, which is why only
  // what the control draws is looked up.
  return SystemIconIndex(Info.AbsPIDL.get(), open ? SHGFI_OPENICON : 0);
}

bool TShellnode::Rename(const std::string& newName) {
  if (newName == Text() || !Info.ParentFolder) return false;
  // A name too long for the shell is refused rather than cut to some other name.
  WCHAR wide[MAX_PATH - 1];
  if (MultiByteToWideChar(CP_ACP, 0, newName.c_str(), -1, wide, MAX_PATH - 1) == 0) return false;
  TShellTree& tree = Tree();
  UniquePidl renamed;
  if (FAILED(Info.ParentFolder->SetNameOf(tree.MessageOwner(), Info.RelPIDL.get(), wide, SHGDN_INFOLDER,
                                          renamed.put(tree.Malloc()))) ||
      !renamed)
    return false;
  SetNodeIdentity(Info.ParentFolder.get(), std::move(renamed), true);
  if (TShellnode* parent = ParentNode()) tree.SortChildren(*parent, false);
  tree.OnChange(tree, this);
  return true;
}

void TShellnode::MonitorChanged() {
  TShellTree& tree = Tree();
  if (!tree.UpdAutoThread) return;
  // A report can arrive while the tree is inside its own work (a selection change whose
  // handler pumps messages, a batch of node changes): re-listing then would change nodes under
  // the control's feet, so the report waits until the tree is done.
  if (tree.busy_ > 0) {
    if (std::find(tree.pendingRefreshes_.begin(), tree.pendingRefreshes_.end(), this) == tree.pendingRefreshes_.end())
      tree.pendingRefreshes_.push_back(this);
    return;
  }
  // A refresh nobody asked for must not raise shell dialogs.
  struct OwnerCleared {
    TShellTree& t;
    HWND saved;
    ~OwnerCleared() { t.SetOwnerWindow(saved); }
  } restore{tree, tree.OwnerWindow()};
  tree.SetOwnerWindow(nullptr);
  tree.RefreshNode(this, false);
}

// ---- The tree

TShellTree::TShellTree() {
  notifyWindow_.reset(CreateNotifyWindow(this));
  if (FAILED(SHGetMalloc(malloc_.put())) || !malloc_ || FAILED(SHGetDesktopFolder(desktopFolder_.put())) ||
      !desktopFolder_)
    throw win::EOutOfMemory();
}

TShellTree::~TShellTree() {
  // Nodes go while the tree they refer to still exists. Their monitors are all told to stop
  // first, so they wind down together instead of one after another.
  if (Handle()) {
    ForEachNode([](TShellnode& n) {
      if (n.Monitor) n.Monitor->Stop();
    });
    ClearNodes();
  }
}

void TShellTree::ForEachNode(const std::function<void(TShellnode&)>& visit) {
  std::function<void(TShellnode*)> walk = [&](TShellnode* n) {
    for (; n; n = n->NextSiblingNode()) {
      visit(*n);
      walk(n->FirstChildNode());
    }
  };
  walk(static_cast<TShellnode*>(FirstNode()));
}

TShellTree::UpdateBracket::UpdateBracket(TShellTree& tree) : tree_(tree) {
  tree_.HandleNeeded();
  tree_.BeginUpdate();
  ++tree_.busy_;
}

TShellTree::UpdateBracket::~UpdateBracket() {
  tree_.EndUpdate();
  tree_.LeaveBusy();
}

void TShellTree::LeaveBusy() {
  if (--busy_ == 0 && !pendingRefreshes_.empty()) PostMessageA(notifyWindow_.get(), kRunPendingRefreshes, 0, 0);
}

void TShellTree::RunPendingRefreshes() {
  while (busy_ == 0 && !pendingRefreshes_.empty()) {
    TShellnode* node = pendingRefreshes_.front();
    pendingRefreshes_.erase(pendingRefreshes_.begin());
    node->MonitorChanged();  // a node deleted meanwhile has left the list
  }
}

bool TShellTree::Streaming() const { return OwnerForm() && OwnerForm()->Loading(); }

std::unique_ptr<ui::TreeNode> TShellTree::CreateNode() { return std::make_unique<TShellnode>(*this); }

void TShellTree::Loaded() {
  TreeView::Loaded();
  Rebuild(RebuildMode::Reload);
}

void TShellTree::HandleNeeded() {
  if (ready_ || !Handle()) return;
  ready_ = true;
  // No root exists yet, so a path stored before this selects nothing.
  if (!pendingPath_.empty()) SetPath(std::exchange(pendingPath_, std::string()));
  IMalloc* malloc = malloc_.get();
  desktopPIDL_ = shelltree::SpecialFolderPIDL(malloc, MessageOwner(), CSIDL_DESKTOP);
  if (!desktopPIDL_) desktopPIDL_ = UniquePidl::Append(malloc, nullptr, nullptr);
  drivesPIDL_ = shelltree::SpecialFolderPIDL(malloc, MessageOwner(), CSIDL_DRIVES);
  if (drivesPIDL_ &&
      FAILED(desktopFolder_->BindToObject(drivesPIDL_.get(), nullptr, IID_IShellFolder, drivesFolder_.put_void())))
    drivesFolder_.reset();
  SetUserRootPIDL(desktopPIDL_.get());
  ComputeOwnerWindow();
  if (!Streaming()) Rebuild(RebuildMode::Reload);
}

void TShellTree::ComputeOwnerWindow() {
  if (OwnerForm() && OwnerForm()->Handle()) ownerWindow_ = OwnerForm()->Handle();
  else if (HWND parent = GetParent(Handle())) ownerWindow_ = parent;
  else ownerWindow_ = Handle();
}

void TShellTree::InitImageList() {
  images_.Choose(OwnerForm() ? OwnerForm()->Dpi() : ui::SystemDpi());
  if (showIcons_) SetImages(images_.List());
}

void TShellTree::DpiChanged(int from, int to) {
  TreeView::DpiChanged(from, to);
  if (!imageListReady_) return;
  images_.Choose(to);
  if (showIcons_ && !Streaming()) SetImages(images_.List());
}

void TShellTree::ClearNodes() {
  // Deleting every node is no selection change anyone should hear about.
  bool was = std::exchange(clearing_, true);
  struct Restore {
    bool& flag;
    bool value;
    ~Restore() { flag = value; }
  } restore{clearing_, was};
  rootNode_ = nullptr;
  Clear();
}

void TShellTree::Rebuild(RebuildMode mode) {
  UpdateBracket bracket(*this);
  if (!imageListReady_) {
    InitImageList();
    imageListReady_ = true;
  }
  if (Streaming()) return;
  std::string path = Path();
  std::string rootDir = rootDir_;
  ClearNodes();
  CreateRoot();
  if (mode == RebuildMode::NewRootDir) SetPath(path);
  else if (rootDir.size() > 1) SetRootDir(rootDir);
}

void TShellTree::CreateRoot() {
  IMalloc* malloc = malloc_.get();
  UniquePidl list;
  if (rootUsePIDL_) {
    if (rootPIDL_ == shelltree::PIDL_USERDEFINED) {
      list = UniquePidl::Clone(malloc, userRootPIDL_.get());
    } else {
      list = shelltree::SpecialFolderPIDL(malloc, MessageOwner(), shelltree::SpecialFolderNumber(rootPIDL_));
    }
  } else {
    list = shelltree::ParsePath(desktopFolder_.get(), malloc, rootDir_, true, MessageOwner());
    if (!list) list = shelltree::ParsePath(desktopFolder_.get(), malloc, "C:\\", true, MessageOwner());
  }
  // Whatever cannot be located, the desktop can.
  if (!list) list = shelltree::SpecialFolderPIDL(malloc, MessageOwner(), CSIDL_DESKTOP);
  if (!list) list = UniquePidl::Append(malloc, nullptr, nullptr);

  rootNode_ = nullptr;
  auto* root = static_cast<TShellnode*>(AddChild(nullptr, ""));
  rootNode_ = root;
  root->SetNodeIdentity(desktopFolder_.get(), std::move(list), false);
  root->ShowCaption(root->GetDisplayName());
  root->ShowButton(true);
  root->UpdateImages();
  expandAllowed_ = true;
  root->Expand();
  Select(root);
  if (!rootUsePIDL_) rootDir_ = root->Path();
}

void TShellTree::SetUserRootPIDL(LPCITEMIDLIST pidl) {
  UniquePidl desktop;
  if (!pidl) {
    if (!desktopPIDL_) desktop = UniquePidl::Append(malloc_.get(), nullptr, nullptr);
    pidl = desktopPIDL_ ? desktopPIDL_.get() : desktop.get();
  }
  if (userRootPIDL_ && SameByShell(desktopFolder_.get(), userRootPIDL_.get(), pidl)) return;
  userRootPIDL_ = UniquePidl::Clone(malloc_.get(), pidl);
  if (rootPIDL_ == shelltree::PIDL_USERDEFINED && rootUsePIDL_) Rebuild(RebuildMode::NewRootPidl);
}

// ---- Properties

void TShellTree::SetShowVirtualFolders(bool on) {
  if (on == showVirtualFolders_) return;
  showVirtualFolders_ = on;
  if (!Streaming()) RefreshAll();
}

void TShellTree::SetShowSharedOverlay(bool on) {
  if (on == showSharedOverlay_) return;
  showSharedOverlay_ = on;
  RefreshAll();
}

void TShellTree::SetShowLinkOverlay(bool on) {
  if (on == showLinkOverlay_) return;
  showLinkOverlay_ = on;
  RefreshAll();
}

void TShellTree::SetRootUsePIDL(bool on) {
  if (on == rootUsePIDL_) return;
  rootUsePIDL_ = on;
  if (ready_) Rebuild(RebuildMode::Reload);
}

void TShellTree::SetRootPIDL(TPidls value) {
  if (value == rootPIDL_) return;
  rootPIDL_ = value;
  if (ready_ && rootUsePIDL_) Rebuild(RebuildMode::NewRootPidl);
}

void TShellTree::SetRootDir(const std::string& dir) {
  std::string normal = shelltree::NormalizePath(dir);
  if (normal.empty() || normal == rootDir_) return;
  rootDir_ = normal;
  if (ready_ && !rootUsePIDL_) Rebuild(RebuildMode::NewRootDir);
}

void TShellTree::SetOptions(TVisOptions options) {
  DWORD filter = ((options & TF_FOLDERS) ? FILE_NOTIFY_CHANGE_DIR_NAME | FILE_NOTIFY_CHANGE_ATTRIBUTES
                                         : FILE_NOTIFY_CHANGE_ATTRIBUTES) |
                 ((options & TF_NONFOLDERS) ? FILE_NOTIFY_CHANGE_FILE_NAME : 0);
  if (filter != notifyFilter_) {
    notifyFilter_ = filter;
    ForEachNode([filter](TShellnode& n) {
      if (n.Monitor) n.Monitor->SetFilter(filter);  // reaches running monitors only
    });
  }
  if (options == options_) return;
  options_ = options;
  if (ready_) RefreshAll();
}

void TShellTree::SetShowIcons(bool on) {
  if (on == showIcons_) return;
  showIcons_ = on;
  if (!Streaming()) SetImages(on ? images_.List() : nullptr);
}

std::string TShellTree::FileMask() const { return shelltree::JoinFileMask(maskList_); }

void TShellTree::SetFileMask(const std::string& mask) {
  maskList_ = shelltree::SplitFileMask(mask);
  if (options_ & TF_NONFOLDERS) RefreshAll();
}

void TShellTree::SetFileMaskUse(bool on) {
  if (on == fileMaskUse_) return;
  fileMaskUse_ = on;
  if (options_ & TF_NONFOLDERS) RefreshAll();
}

void TShellTree::SetFileSortType(TFileSortType type) {
  if (type == fileSortType_) return;
  fileSortType_ = type;
  if (rootNode_) SortChildren(*rootNode_, true);
}

void TShellTree::SetFileSortOrder(TFileSortOrder order) {
  if (order == fileSortOrder_) return;
  fileSortOrder_ = order;
  if (rootNode_) SortChildren(*rootNode_, true);
}

// ---- Paths

std::string TShellTree::Path() const {
  TShellnode* node = Selected();
  return node ? node->Path() : std::string();
}

void TShellTree::SetPath(const std::string& path) {
  std::string normal = shelltree::NormalizePath(path);
  if (normal.empty() && rootNode_) Select(rootNode_);
  if (normal == Path()) return;
  if (!ready_) {
    pendingPath_ = normal;
    return;
  }
  SelectPath(normal);
}

void TShellTree::SelectPath(const std::string& path) {
  UniquePidl list = shelltree::ParsePath(desktopFolder_.get(), malloc_.get(), path, true, MessageOwner());
  if (!list) return;
  UpdateBracket bracket(*this);
  if (TShellnode* node = FindNodeByPIDL(list.get(), true, false)) {
    node->Expand();
    Select(node);
  }
}

TShellnode* TShellTree::FindNodeByPIDL(LPCITEMIDLIST abs, bool expand, bool exact) {
  if (!rootNode_ || !abs) return nullptr;
  LPCITEMIDLIST rootList = rootNode_->Info.AbsPIDL.get();
  UINT rootCount = rootNode_->Info.AbsPIDL.count();
  UINT count = shelltree::PIDLCount(abs);
  if (count < rootCount) return nullptr;
  // Only a list that starts with the root's own items lies below the root.
  if (rootCount > 0 && !SameByShell(desktopFolder_.get(), Prefix(malloc_.get(), abs, rootCount).get(), rootList))
    return nullptr;
  if (count == rootCount) return rootNode_;

  // The walk goes by the counted items only, so a malformed count is never stepped over.
  TShellnode* current = rootNode_;
  LPCITEMIDLIST rest = SkipItems(abs, rootCount);
  for (UINT index = rootCount;; ++index) {
    UniquePidl item = UniquePidl::Append(malloc_.get(), nullptr, rest);
    IShellFolder* folder = current->BindFolder();
    TShellnode* match = nullptr;
    for (TShellnode* c = current->FirstChildNode(); c && !match; c = c->NextSiblingNode())
      if (SameByShell(folder, item.get(), c->Info.RelPIDL.get())) match = c;
    if (!match) return exact ? nullptr : current;
    current = match;
    if (index + 1 == count) return current;
    rest = SkipItems(rest, 1);
    if (expand && !current->Expanded()) current->Expand();
    if (!current->Expanded()) return nullptr;
  }
}

// ---- Listing

void TShellTree::RefreshNode(TShellnode* node, bool descend) {
  if (!node) return;
  EnumerateChildren(*node, true);
  if (!descend) return;
  for (TShellnode* c = node->FirstChildNode(); c; c = c->NextSiblingNode()) {
    if (c->Count() > 0 && c->Expanded()) RefreshNode(c, true);
    else c->Info.Enumerated = false;
  }
}

void TShellTree::RefreshAll() {
  if (!ready_ || !rootNode_) return;
  UpdateBracket bracket(*this);
  RefreshNode(rootNode_, true);
}

void TShellTree::EnumerateChildren(TShellnode& node, bool full) {
  IShellFolder* folder = node.BindFolder();
  if (!folder) return;
  UpdateBracket bracket(*this);
  ui::SavedCursorScope wait(ui::CursorKind::HourGlass);
  SHCONTF flags = static_cast<SHCONTF>((options_ & (TF_FOLDERS | TF_NONFOLDERS | TF_HIDDEN)) << 5);
  // The children from before this listing, in the order earlier listings made them: matching
  // items against this list rather than walking the control's items keeps a listing of
  // thousands of folders linear (the control answers each step of a walk by searching all of
  // its items).
  std::vector<TShellnode*> earlier = node.listed_;
  for (TShellnode* c : earlier) c->Info.Keep = false;

  // Sorting asks the shell to compare items thousands of times; a listing that found the same
  // items again, unchanged, leaves the order as it was.
  bool reorder = false;
  int accepted = 0;
  win::ComPtr<IEnumIDList> items;
  if (SUCCEEDED(folder->EnumObjects(MessageOwner(), flags, items.put())) && items) {
    items->Reset();
    for (;;) {
      UniquePidl item;
      ULONG fetched = 0;
      if (items->Next(1, item.put(malloc_.get()), &fetched) != S_OK || fetched == 0 || !item) break;
      if (!AddChildItem(node, std::move(item), earlier, reorder)) continue;
      ++accepted;
      if (!full) break;
    }
  }
  // What is left of the earlier children was not found again (or no longer accepted). Walking
  // the control for them instead would cost a search of all its items per step.
  for (auto it = earlier.rbegin(); it != earlier.rend(); ++it)
    if (!(*it)->Info.Keep) (*it)->Delete();
  node.ShowButton(accepted > 0);
  if (reorder) SortChildren(node, false);
}

TShellnode* TShellTree::FindChildByItem(TShellnode& node, std::vector<TShellnode*>& earlier, LPCITEMIDLIST item,
                                        std::size_t itemLimit, const std::string& caption) {
  // A found child leaves the list, so in the usual case (the same items in the same order) the
  // match is at the front.
  for (auto it = earlier.begin(); it != earlier.end(); ++it) {
    TShellnode* c = *it;
    if (!c->Info.Keep && shelltree::SameItem(0, c->Info.RelPIDL.get(), item, c->Info.RelPIDL.limit(), itemLimit)) {
      c->Info.Keep = true;
      earlier.erase(it);
      return c;
    }
  }
  // The shell may encode changing details (such as a folder's write time) in an item's bytes.
  // Such an item is still the same folder: keep its node, with its selection, expansion and
  // monitor, rather than replace it and let the selection jump to a neighbour.
  if (IShellFolder* folder = node.Info.Folder.get()) {
    for (auto it = earlier.begin(); it != earlier.end(); ++it) {
      TShellnode* c = *it;
      if (c->Info.Keep || !c->Info.RelPIDL) continue;
      // Only a node of the same name can be the same item, and the shell's comparison costs
      // far more than comparing the captions first.
      if (win::CompareText(c->Text(), caption, NORM_IGNORECASE) != 0) continue;
      HRESULT hr = folder->CompareIDs(0, c->Info.RelPIDL.get(), item);
      if (SUCCEEDED(hr) && static_cast<short>(HRESULT_CODE(hr)) == 0) {
        c->Info.Keep = true;
        earlier.erase(it);
        return c;
      }
    }
  }
  return nullptr;
}

bool TShellTree::AddChildItem(TShellnode& node, UniquePidl item, std::vector<TShellnode*>& earlier,
                               bool& reorder) {
  IShellFolder* folder = node.BindFolder();
  const std::size_t itemLimit = item.limit();
  const std::string caption = shelltree::DisplayNameOf(folder, item.get(), SHGDN_NORMAL, itemLimit);
  TShellnode* existing = FindChildByItem(node, earlier, item.get(), itemLimit, caption);

  ULONG attributes = kItemAttributes;
  LPCITEMIDLIST one = item.get();
  if (!folder || FAILED(folder->GetAttributesOf(1, &one, &attributes))) attributes = 0;

  const ULONG fileSystem = SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR;
  bool accepted = showVirtualFolders_ || (attributes & fileSystem);
  if ((options_ & TF_NONFOLDERS) && accepted && (attributes & fileSystem) && !(attributes & SFGAO_FOLDER)) {
    std::string fullName = shelltree::DisplayNameOf(folder, item.get(), SHGDN_FORPARSING, itemLimit);
    if (fileMaskUse_ && !shelltree::MatchMaskList(shelltree::NamePart(fullName), maskList_)) {
      accepted = false;
    } else if (OnFileAdd) {
      bool allow = true;
      OnFileAdd(*this, fullName, attributes, allow);
      accepted = allow;
    }
  }
  if (!accepted) {
    if (existing) {
      existing->Info.Keep = false;  // so that the listing deletes it
      earlier.push_back(existing);
    }
    return false;
  }

  TShellnode* child = existing;
  bool button = (attributes & SFGAO_HASSUBFOLDER) != 0;
  if (!child) {
    ui::NodeArgs args;
    args.text = caption;
    args.hasChildren = button;
    args.imagesOnDemand = true;
    args.overlay = OverlayFor(attributes);
    child = static_cast<TShellnode*>(AddChild(&node, args));
    reorder = true;
    child->imagesOnDemand_ = true;
    child->overlay_ = args.overlay;
    child->caption_ = args.text;
    child->captionKnown_ = true;
    child->button_ = button ? 1 : 0;
    child->listedBy_ = &node;
    node.listed_.push_back(child);
    child->Info.Attributes = attributes;
    child->SetNodeIdentity(folder, std::move(item), false, &node);
    if (!node.MonitorStarted) StartMonitor(&node);
  } else {
    // Folders go by name; a file's changed bytes (its size or date) may move it under the
    // file order, and so may turning from folder to file or back.
    const bool file = shelltree::IsFileItem(attributes);
    if (file != child->IsFile() ||
        (file && !shelltree::SameItem(0, child->Info.RelPIDL.get(), item.get(), child->Info.RelPIDL.limit(), itemLimit)))
      reorder = true;
    child->Info.Attributes = attributes;
    child->SetNodeIdentity(folder, std::move(item), false, &node);
    if (!child->captionKnown_ || caption != child->caption_) {
      child->ShowCaption(caption);
      reorder = true;
    }
    child->UpdateImages();
  }
  child->Info.Keep = true;

  if (!button && (options_ & TF_NONFOLDERS) && (attributes & SFGAO_FOLDER) && child->BindFolder()) {
    if (child->Expanded()) {
      button = true;
    } else {
      EnumerateChildren(*child, false);
      button = child->Count() > 0;
    }
  }
  if (!button) {
    // A folder without sub-items is watched, so that a new one shows its button.
    child->Info.Enumerated = false;
    if (!child->listed_.empty()) child->DeleteChildren();
    if (!child->MonitorStarted) StartMonitor(child);
  }
  child->ShowButton(button);
  return true;
}

void TShellTree::SortChildren(TShellnode& node, bool recurse) {
  TreeView::SortChildren(&node, &CompareShellNodes, this);
  if (!recurse) return;
  for (TShellnode* c = node.FirstChildNode(); c; c = c->NextSiblingNode()) SortChildren(*c, true);
}

void TShellTree::StartMonitor(TShellnode* node) {
  if (!node || node->MonitorStarted) return;
  node->MonitorStarted = true;
  node->Monitor = StartDiscMonitor(node, node->Path(), notifyFilter_);
}

LRESULT TShellTree::OnDriveChange(UINT, WPARAM wp, LPARAM lp) {
  if (wp != DBT_DEVICEARRIVAL && wp != DBT_DEVICEREMOVECOMPLETE) return -1;
  if (drivesFolder_) {
    ULONG validate = SFGAO_VALIDATE;
    drivesFolder_->GetAttributesOf(0, nullptr, &validate);
  }
  auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(lp);
  bool volume = header && header->dbch_devicetype == DBT_DEVTYP_VOLUME;
  DWORD units = volume ? reinterpret_cast<const DEV_BROADCAST_VOLUME*>(lp)->dbcv_unitmask : 0;
  if (!rootNode_ || !drivesPIDL_) return 1;
  UINT rootItems = rootNode_->Info.AbsPIDL.count();
  if (rootItems <= 1) {
    TShellnode* drives = FindNodeByPIDL(drivesPIDL_.get(), false, true);
    if (volume) ApplyVolumeChange(wp, units, drives);
    else if (drives && drives->FirstChild()) RefreshNode(drives, false);
  } else if (rootItems == 2 && volume) {
    UniquePidl parent = UniquePidl::Clone(malloc_.get(), rootNode_->Info.AbsPIDL.get());
    if (parent && shelltree::DropLastItem(parent.get()) &&
        desktopFolder_->CompareIDs(0, parent.get(), drivesPIDL_.get()) == 0)
      ApplyVolumeChange(wp, units, nullptr);
  }
  return 1;
}

namespace {
bool DriveInMask(const std::string& path, DWORD unitMask) {
  if (path.empty()) return false;
  unsigned char c = static_cast<unsigned char>(path[0]);
  if (c >= 'a' && c <= 'z') c = static_cast<unsigned char>(c - 'a' + 'A');
  return c >= 'A' && c <= 'Z' && (unitMask & (1u << (c - 'A')));
}
}  // namespace

void TShellTree::ApplyVolumeChange(WPARAM event, DWORD unitMask, TShellnode* node) {
  if (node) {
    for (TShellnode* child = node->FirstChildNode(); child; child = child->NextSiblingNode()) {
      if (!(child->Info.Attributes & SFGAO_FILESYSTEM) || !DriveInMask(child->Path(), unitMask)) continue;
      if (event == DBT_DEVICEREMOVECOMPLETE) child->DeleteChildren();
      child->ShowButton(true);
      ReidentifyNode(child);
    }
    return;
  }
  if (!rootNode_) return;
  // The root is a drive: no dialog for a drive without a medium.
  bool saved = ShowMessages;
  ShowMessages = false;
  struct Restore {
    TShellTree& t;
    bool v;
    ~Restore() { t.ShowMessages = v; }
  } restore{*this, saved};
  std::string path = rootNode_->Path();
  if (path.size() <= 3 && DriveInMask(path, unitMask)) {
    ReidentifyNode(rootNode_);
    RefreshNode(rootNode_, false);
  }
}

void TShellTree::ReidentifyNode(TShellnode* node) {
  if (!node) return;
  UpdateBracket bracket(*this);
  UniquePidl fresh = shelltree::ParsePath(node->Info.ParentFolder.get(), malloc_.get(), node->Path(), false,
                                          MessageOwner());
  // Unparsable now: keep the old list, recompute only the absolute one.
  node->SetNodeIdentity(node->Info.ParentFolder.get(), std::move(fresh), false);
  node->ShowCaption(node->GetDisplayName());
  node->UpdateImages();
}

// ---- Control events

bool TShellTree::CanExpand(ui::TreeNode& treeNode) {
  auto& node = static_cast<TShellnode&>(treeNode);
  bool allow = expandAllowed_;
  OnExpanding(*this, &node, allow);
  if (allow && (UpdAuto || !node.Info.Enumerated)) {
    RefreshNode(&node, UpdAutoRec);
    node.Info.Enumerated = true;
  }
  return allow;
}

bool TShellTree::CanEdit(ui::TreeNode& node) {
  return TreeView::CanEdit(node) && (static_cast<TShellnode&>(node).Info.Attributes & SFGAO_CANRENAME);
}

void TShellTree::Edited(ui::TreeNode& node, std::string text) {
  OnEdited(*this, &node, text);
  if (static_cast<TShellnode&>(node).Rename(text)) static_cast<TShellnode&>(node).ShowCaption(text);
}

bool TShellTree::HandleNotify(NMHDR& hdr, LRESULT& result) {
  if (clearing_ && (hdr.code == TVN_SELCHANGINGA || hdr.code == TVN_SELCHANGEDA)) {
    result = FALSE;
    return true;
  }
  ++busy_;
  struct Leave {
    TShellTree& t;
    ~Leave() { t.LeaveBusy(); }
  } leave{*this};
  return TreeView::HandleNotify(hdr, result);
}

int TShellTree::OverlayFor(ULONG attributes) const {
  // The system list's overlays: the shared hand first, the shortcut arrow second.
  if (showSharedOverlay_ && (attributes & SFGAO_SHARE)) return 0;
  if (showLinkOverlay_ && (attributes & SFGAO_LINK)) return 1;
  return -1;
}

void TShellTree::NodeImages(ui::TreeNode& node, int& image, int* selected) {
  static_cast<TShellnode&>(node).Images(image, selected);
  images_.Cover(selected ? std::max(image, *selected) : image);
}

bool TShellTree::WndProc(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  switch (msg) {
    case WM_CONTEXTMENU:
      ContextMenu(lp);
      result = 0;
      return true;
    case WM_MOUSEWHEEL:
      WheelScroll(GET_WHEEL_DELTA_WPARAM(wp));
      result = 0;
      return true;
    case WM_SHOWWINDOW:
      result = DefaultProc(msg, wp, lp);
      if (wp) ShowingChanged();
      return true;
    case WM_DESTROY:
      clearing_ = true;  // the control deletes its items now
      return false;
    default:
      return TreeView::WndProc(msg, wp, lp, result);
  }
}

bool TShellTree::DoPopupMenu(TShellnode* node) {
  if (!node) return false;
  bool allow = true;
  OnPopupMenu(*this, node, allow);
  return allow;
}

void TShellTree::ContextMenu(LPARAM lp) {
  POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
  TShellnode* node;
  if (pt.x == -1 && pt.y == -1) {
    // From the keyboard: the selected node, at the middle of its label.
    node = Selected();
    if (!node) return;
    RECT r = node->LabelRect();
    pt = {r.left + (r.right - r.left) / 2, r.bottom - (r.bottom - r.top) / 2};
  } else {
    ScreenToClient(Handle(), &pt);
    node = static_cast<TShellnode*>(NodeAt(pt.x, pt.y));
  }
  if (!DoPopupMenu(node)) return;
  ClientToScreen(Handle(), &pt);
  TShellnode* previous = nullptr;
  if (node != Selected()) {
    previous = Selected();
    Select(node);
  }
  if (PopupMenuMode == pmm_PopupMenu) {
    if (ui::PopupMenu* menu = PopupMenu()) menu->Popup(pt.x, pt.y, this);
  } else if (node->Info.ParentFolder) {
    LPCITEMIDLIST item = node->Info.RelPIDL.get();
    ShowItemMenu(node->Info.ParentFolder.get(), &item, 0, OwnerWindow(), pt, 1);
  }
  if (previous) Select(previous);
}

void TShellTree::WheelScroll(short delta) {
  // A page per notch, whatever the control would do by itself.
  for (int notches = delta / kWheelNotch; notches != 0; notches += notches > 0 ? -1 : 1)
    SendMessageA(Handle(), WM_VSCROLL, notches < 0 ? SB_PAGEDOWN : SB_PAGEUP, 0);
}

// Shown again: the owner may have changed, and the folders may have changed meanwhile.
void TShellTree::ShowingChanged() {
  if (!ready_) return;
  ComputeOwnerWindow();
  if (showIcons_) {
    SetImages(nullptr);
    SetImages(images_.List());
  }
  RefreshAll();
}
