// The folder tree's listing: a node's children listed by the shell and reconciled with the
// nodes already there, in the tree's order, each listed folder watched for changes.
#include "shelltree/ShellTree.h"

#include "shelltree/FileMask.h"
#include "ui/Application.h"
#include "win/PathText.h"
#include "win/Text.h"

using shelltree::UniquePidl;

namespace {

// Attributes asked for every listed item: what it can do, how it shows, and what it is.
constexpr ULONG kItemAttributes = SFGAO_CANCOPY | SFGAO_CANMOVE | SFGAO_CANLINK | SFGAO_CANRENAME | SFGAO_CANDELETE |
                                  SFGAO_HASPROPSHEET | SFGAO_DROPTARGET | SFGAO_LINK | SFGAO_SHARE | SFGAO_HIDDEN |
                                  SFGAO_REMOVABLE | SFGAO_COMPRESSED | SFGAO_FILESYSANCESTOR | SFGAO_FOLDER |
                                  SFGAO_FILESYSTEM | SFGAO_HASSUBFOLDER;
static_assert(kItemAttributes == 0xF60B0177);

int CompareShellNodes(ui::TreeNode& a, ui::TreeNode& b, void* data) {
  auto& tree = *static_cast<TShellTree*>(data);
  auto& x = static_cast<TShellnode&>(a);
  auto& y = static_cast<TShellnode&>(b);
  return shelltree::CompareSiblings(x.Info.ParentFolder.get(), x.Info.RelPIDL.get(), x.Info.Attributes,
                                    y.Info.RelPIDL.get(), y.Info.Attributes, tree.FileSortType(),
                                    tree.FileSortOrder());
}

}  // namespace

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
  const ULONG attributes = ItemAttributes(folder, item.get());
  if (!Accepts(folder, item.get(), itemLimit, attributes)) {
    if (existing) {
      existing->Info.Keep = false;  // so that the listing deletes it
      earlier.push_back(existing);
    }
    return false;
  }
  TShellnode* child = existing;
  if (child) {
    UpdateChild(*child, node, folder, std::move(item), caption, attributes, reorder);
  } else {
    child = NewChild(node, folder, std::move(item), caption, attributes);
    reorder = true;
  }
  child->Info.Keep = true;
  SettleButton(*child, attributes);
  return true;
}

ULONG TShellTree::ItemAttributes(IShellFolder* folder, LPCITEMIDLIST item) {
  ULONG attributes = kItemAttributes;
  if (!folder || FAILED(folder->GetAttributesOf(1, &item, &attributes))) attributes = 0;
  return attributes;
}

bool TShellTree::Accepts(IShellFolder* folder, LPCITEMIDLIST item, std::size_t itemLimit, ULONG attributes) {
  const ULONG fileSystem = SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR;
  if (!showVirtualFolders_ && !(attributes & fileSystem)) return false;
  // Files pass the mask, then the owner's OnFileAdd; folders are always listed.
  if (!(options_ & TF_NONFOLDERS) || !(attributes & fileSystem) || (attributes & SFGAO_FOLDER)) return true;
  const std::string fullName = shelltree::DisplayNameOf(folder, item, SHGDN_FORPARSING, itemLimit);
  if (fileMaskUse_ && !shelltree::MatchMaskList(pathtext::NamePart(fullName), maskList_)) return false;
  bool allow = true;
  if (OnFileAdd) OnFileAdd(*this, fullName, attributes, allow);
  return allow;
}

TShellnode* TShellTree::NewChild(TShellnode& node, IShellFolder* folder, UniquePidl item, const std::string& caption,
                                 ULONG attributes) {
  const bool button = (attributes & SFGAO_HASSUBFOLDER) != 0;
  ui::NodeArgs args;
  args.text = caption;
  args.hasChildren = button;
  args.imagesOnDemand = true;
  args.overlay = OverlayFor(attributes);
  auto* child = static_cast<TShellnode*>(AddChild(&node, args));
  // What the control was given, so that nothing is given to it twice.
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
  return child;
}

void TShellTree::UpdateChild(TShellnode& child, TShellnode& node, IShellFolder* folder, UniquePidl item,
                             const std::string& caption, ULONG attributes, bool& reorder) {
  // Folders go by name; a file's changed bytes (its size or date) may move it under the file
  // order, and so may turning from folder to file or back.
  const bool file = shelltree::IsFileItem(attributes);
  if (file != child.IsFile() ||
      (file && !shelltree::SameItem(0, child.Info.RelPIDL.get(), item.get(), child.Info.RelPIDL.limit(), item.limit())))
    reorder = true;
  child.Info.Attributes = attributes;
  child.SetNodeIdentity(folder, std::move(item), false, &node);
  if (!child.captionKnown_ || caption != child.caption_) {
    child.ShowCaption(caption);
    reorder = true;
  }
  child.UpdateImages();
}

void TShellTree::SettleButton(TShellnode& child, ULONG attributes) {
  bool button = (attributes & SFGAO_HASSUBFOLDER) != 0;
  // Listing files too, a folder without sub-folders may still hold a file to show.
  if (!button && (options_ & TF_NONFOLDERS) && (attributes & SFGAO_FOLDER) && child.BindFolder()) {
    if (child.Expanded()) {
      button = true;
    } else {
      EnumerateChildren(child, false);
      button = child.Count() > 0;
    }
  }
  if (!button) {
    // A folder without sub-items is watched, so that a new one shows its button.
    child.Info.Enumerated = false;
    if (!child.listed_.empty()) child.DeleteChildren();
    if (!child.MonitorStarted) StartMonitor(&child);
  }
  child.ShowButton(button);
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
