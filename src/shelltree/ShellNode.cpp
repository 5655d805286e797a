// The folder tree's nodes: each carries one shell item, its images, caption and button as the
// control last had them, and its change monitor.
#include "shelltree/ShellTree.h"

#include <algorithm>
#include <utility>

#include "win/ScopeExit.h"

using shelltree::UniquePidl;

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
  if (imageTicket_) tree.awaitingImages_.erase(imageTicket_);
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

void TShellnode::Images(int& image, int* selected, bool later) {
  // A node asked before it has its item has nothing to look up yet. Only folders wait for
  // theirs: a file's icon meanwhile would be the wrong kind's.
  const bool folder = (Info.Attributes & SFGAO_FOLDER) != 0;
  later = later && Info.AbsPIDL.get() && folder;
  image = OneImage(false, later);
  if (selected) *selected = folder ? OneImage(true, later) : image;
}

int TShellnode::OneImage(bool open, bool later) {
  int& value = open ? selectedImage_ : image_;
  bool& known = open ? selectedKnown_ : imageKnown_;
  TShellTree& tree = Tree();
  if (!known) {
    if (!later) {
      value = tree.LookUpImage(Info.AbsPIDL.get(), open);
      known = Info.AbsPIDL.get() != nullptr;
    } else if (!(open ? selectedAsked_ : imageAsked_)) {
      tree.AskImage(*this, open);
    }
  }
  return value >= 0 ? value : tree.PlainFolderImage(open);
}

void TShellnode::ForgetImages() {
  imageKnown_ = selectedKnown_ = false;
  imageAsked_ = selectedAsked_ = false;
  // Answers for the node as it was are not taken.
  if (imageTicket_) Tree().awaitingImages_.erase(std::exchange(imageTicket_, 0));
}

void TShellnode::ImageAnswered(bool open, int image) {
  (open ? selectedImage_ : image_) = image;
  (open ? selectedKnown_ : imageKnown_) = true;
  (open ? selectedAsked_ : imageAsked_) = false;
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
  win::ScopeExit restore([&tree, saved = tree.OwnerWindow()] { tree.SetOwnerWindow(saved); });
  tree.SetOwnerWindow(nullptr);
  tree.RefreshNode(this, false);
}
