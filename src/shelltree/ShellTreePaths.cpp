// The folder tree's paths: the selected folder's path, and selecting a folder by path or by
// its absolute item list.
#include "shelltree/ShellTree.h"

using shelltree::UniquePidl;

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
  // Every step below is one of the bounded walks, within the list's block where the tree's
  // allocator made it, so a malformed count is never stepped over.
  const std::size_t limit = shelltree::BlockLimit(malloc_.get(), abs);
  UINT count = shelltree::PIDLCount(abs, limit);
  if (count < rootCount) return nullptr;
  // Only a list that starts with the root's own items lies below the root.
  if (rootCount > 0 &&
      !shelltree::SameByShell(desktopFolder_.get(), UniquePidl::Prefix(malloc_.get(), abs, rootCount).get(), rootList))
    return nullptr;
  if (count == rootCount) return rootNode_;

  TShellnode* current = rootNode_;
  const auto* bytes = reinterpret_cast<const BYTE*>(abs);
  std::size_t offset = shelltree::PIDLSize(abs, limit, rootCount);
  for (UINT index = rootCount;; ++index) {
    auto rest = reinterpret_cast<LPCITEMIDLIST>(bytes + offset);
    UniquePidl item = UniquePidl::Append(malloc_.get(), nullptr, rest);
    IShellFolder* folder = current->BindFolder();
    TShellnode* match = nullptr;
    for (TShellnode* c = current->FirstChildNode(); c && !match; c = c->NextSiblingNode())
      if (shelltree::SameByShell(folder, item.get(), c->Info.RelPIDL.get())) match = c;
    if (!match) return exact ? nullptr : current;
    current = match;
    if (index + 1 == count) return current;
    offset += shelltree::PIDLSize(rest, limit - offset, 1);
    if (expand && !current->Expanded()) current->Expand();
    if (!current->Expanded()) return nullptr;
  }
}
