// The folder tree: its root, its properties, and its reactions to the mouse wheel,
// context-menu requests and label editing. Nodes, listing, paths and notices have files of
// their own (ShellNode, ShellTreeListing, ShellTreePaths, ShellTreeNotices).
#include "shelltree/ShellTree.h"

#include <windowsx.h>

#include <algorithm>

#include "shelltree/FileMask.h"
#include "shelltree/ItemProp.h"
#include "ui/Dpi.h"
#include "win/Errors.h"
#include "win/ScopeExit.h"
#include "ui/Form.h"

using shelltree::UniquePidl;

namespace {

constexpr int kWheelNotch = 120;

}  // namespace

// ---- The tree

TShellTree::TShellTree() {
  notifyWindow_.reset(CreateNotifyWindow(this));
  if (FAILED(SHGetMalloc(malloc_.put())) || !malloc_ || FAILED(SHGetDesktopFolder(desktopFolder_.put())) ||
      !desktopFolder_)
    throw win::EOutOfMemory();
}

TShellTree::~TShellTree() {
  // The look-ups' thread calls into the tree: it ends first.
  imageLookups_.reset();
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
  win::ScopeExit restore([this, was = std::exchange(clearing_, true)] { clearing_ = was; });
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
  if (userRootPIDL_ && shelltree::SameByShell(desktopFolder_.get(), userRootPIDL_.get(), pidl)) return;
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
  win::ScopeExit leave([this] { LeaveBusy(); });
  return TreeView::HandleNotify(hdr, result);
}

int TShellTree::OverlayFor(ULONG attributes) const {
  // The system list's overlays: the shared hand first, the shortcut arrow second.
  if (showSharedOverlay_ && (attributes & SFGAO_SHARE)) return 0;
  if (showLinkOverlay_ && (attributes & SFGAO_LINK)) return 1;
  return -1;
}

void TShellTree::NodeImages(ui::TreeNode& node, int& image, int* selected) {
  // Without a window to take answers the shell is asked at once.
  static_cast<TShellnode&>(node).Images(image, selected, Painting() && notifyWindow_);
  images_.Cover(selected ? std::max(image, *selected) : image);
}

int TShellTree::LookUpImage(LPCITEMIDLIST item, bool open) const {
  SHFILEINFOA info{};
  if (!item) return 0;
  SHGetFileInfoA(reinterpret_cast<LPCSTR>(item), 0, &info, sizeof info,
                 SHGFI_PIDL | SHGFI_SYSICONINDEX | (open ? SHGFI_OPENICON : 0));
  return info.iIcon;
}

int TShellTree::PlainFolderImage(bool open) {
  int& image = plainFolderImage_[open ? 1 : 0];
  if (image < 0) {
    // By attributes alone: the shell reads nothing of any folder for it.
    SHFILEINFOA info{};
    SHGetFileInfoA("folder", FILE_ATTRIBUTE_DIRECTORY, &info, sizeof info,
                   SHGFI_USEFILEATTRIBUTES | SHGFI_SYSICONINDEX | (open ? SHGFI_OPENICON : 0));
    image = info.iIcon;
  }
  return image;
}

void TShellTree::AskImage(TShellnode& node, bool open) {
  if (!imageLookups_) {
    imageLookups_ = std::make_unique<shelltree::ImageLookups>(
        [this](LPCITEMIDLIST item, bool o) { return LookUpImage(item, o); }, notifyWindow_.get(), kImageAnswers);
  }
  if (!node.imageTicket_) {
    node.imageTicket_ = ++lastImageTicket_;
    awaitingImages_[node.imageTicket_] = &node;
  }
  imageLookups_->Ask(node.imageTicket_, node.Info.AbsPIDL.get(), open);
  (open ? node.selectedAsked_ : node.imageAsked_) = true;
}

void TShellTree::TakeImageAnswers() {
  if (!imageLookups_) return;
  for (const shelltree::ImageLookups::Answer& answer : imageLookups_->Take()) {
    const auto it = awaitingImages_.find(answer.ticket);
    if (it == awaitingImages_.end()) continue;  // the node went, or was refreshed
    TShellnode& node = *it->second;
    node.ImageAnswered(answer.open, answer.image);
    if (!node.imageAsked_ && !node.selectedAsked_) {
      awaitingImages_.erase(it);
      node.imageTicket_ = 0;
    }
    images_.Cover(answer.image);
    // Erased: the icon is drawn with its mask, over what the row showed before.
    RECT r;
    if (TreeView_GetItemRect(Handle(), node.Item(), &r, FALSE)) InvalidateRect(Handle(), &r, TRUE);
  }
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

