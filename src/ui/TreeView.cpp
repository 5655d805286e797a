// The tree view control and its nodes.
#include "ui/TreeView.h"

#include "ui/Form.h"

#include "win/Errors.h"
#include "win/ScopeExit.h"
#include "win/Text.h"
#include "ui/Guard.h"

namespace ui {

namespace {
TVITEMA ItemQuery(HTREEITEM item, UINT mask) {
  TVITEMA it{};
  it.mask = mask | TVIF_HANDLE;
  it.hItem = item;
  return it;
}

struct NodeSort {
  int (*compare)(TreeNode&, TreeNode&, void*);
  void* data;
  CallbackErrors errors;
};

int CALLBACK CompareNodes(LPARAM a, LPARAM b, LPARAM c) {
  auto* x = reinterpret_cast<NodeSort*>(c);
  return x->errors.Run(0, [&] {
    return x->compare(*reinterpret_cast<TreeNode*>(a), *reinterpret_cast<TreeNode*>(b), x->data);
  });
}
}  // namespace

std::string TreeNode::Text() const {
  // Read wide, with room for the longest text: an ANSI read into a fixed buffer would cut a
  // long name, perhaps inside a character.
  std::wstring buf(MAX_PATH * 2, L'\0');
  for (;;) {
    TVITEMW it{};
    it.mask = TVIF_TEXT | TVIF_HANDLE;
    it.hItem = item_;
    it.pszText = buf.data();
    it.cchTextMax = static_cast<int>(buf.size());
    SendMessageW(owner_.Handle(), TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&it));
    const size_t n = wcsnlen(buf.data(), buf.size());
    if (n + 1 < buf.size() || buf.size() >= 32768) {
      buf.resize(n);
      return win::Narrow(buf);
    }
    buf.assign(buf.size() * 2, L'\0');
  }
}

void TreeNode::SetText(const std::string& text) {
  TVITEMA it = ItemQuery(item_, TVIF_TEXT);
  it.pszText = const_cast<char*>(text.c_str());
  SendMessageA(owner_.Handle(), TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&it));
}

int TreeNode::ImageIndex() const {
  TVITEMA it = ItemQuery(item_, TVIF_IMAGE);
  SendMessageA(owner_.Handle(), TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&it));
  if (it.iImage == I_IMAGECALLBACK) owner_.NodeImages(const_cast<TreeNode&>(*this), it.iImage, nullptr);
  return it.iImage;
}

void TreeNode::SetImageIndex(int i) {
  TVITEMA it = ItemQuery(item_, TVIF_IMAGE);
  it.iImage = i;
  SendMessageA(owner_.Handle(), TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&it));
}

void TreeNode::SetSelectedIndex(int i) {
  TVITEMA it = ItemQuery(item_, TVIF_SELECTEDIMAGE);
  it.iSelectedImage = i;
  SendMessageA(owner_.Handle(), TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&it));
}

void TreeNode::SetOverlayIndex(int i) {
  TVITEMA it = ItemQuery(item_, TVIF_STATE);
  it.stateMask = TVIS_OVERLAYMASK;
  it.state = i >= 0 ? INDEXTOOVERLAYMASK(i + 1) : 0;
  SendMessageA(owner_.Handle(), TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&it));
}

bool TreeNode::HasChildren() const {
  TVITEMA it = ItemQuery(item_, TVIF_CHILDREN);
  SendMessageA(owner_.Handle(), TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&it));
  return it.cChildren != 0;
}

void TreeNode::SetHasChildren(bool on) {
  TVITEMA it = ItemQuery(item_, TVIF_CHILDREN);
  it.cChildren = on ? 1 : 0;
  SendMessageA(owner_.Handle(), TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&it));
}

bool TreeNode::Expanded() const {
  return (TreeView_GetItemState(owner_.Handle(), item_, TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
}

void TreeNode::Expand(bool recurse) {
  // The control asks only at an item's first expansion; a program's expansion always asks.
  if (owner_.CanExpand(*this)) {
    ++owner_.manualExpand_;
    TreeView_Expand(owner_.Handle(), item_, TVE_EXPAND);
    --owner_.manualExpand_;
  }
  if (recurse)
    for (TreeNode* c = FirstChild(); c; c = c->NextSibling()) c->Expand(true);
}

void TreeNode::Collapse() { TreeView_Expand(owner_.Handle(), item_, TVE_COLLAPSE); }

bool TreeNode::Selected() const { return TreeView_GetSelection(owner_.Handle()) == item_; }

TreeNode* TreeNode::Parent() const { return owner_.NodeOf(TreeView_GetParent(owner_.Handle(), item_)); }
TreeNode* TreeNode::FirstChild() const { return owner_.NodeOf(TreeView_GetChild(owner_.Handle(), item_)); }
TreeNode* TreeNode::NextSibling() const { return owner_.NodeOf(TreeView_GetNextSibling(owner_.Handle(), item_)); }
TreeNode* TreeNode::PrevSibling() const { return owner_.NodeOf(TreeView_GetPrevSibling(owner_.Handle(), item_)); }

TreeNode* TreeNode::LastChild() const {
  TreeNode* last = nullptr;
  for (TreeNode* c = FirstChild(); c; c = c->NextSibling()) last = c;
  return last;
}

int TreeNode::Count() const {
  int n = 0;
  for (TreeNode* c = FirstChild(); c; c = c->NextSibling()) ++n;
  return n;
}

int TreeNode::Level() const {
  int n = 0;
  for (TreeNode* p = Parent(); p; p = p->Parent()) ++n;
  return n;
}

void TreeNode::DeleteChildren() {
  owner_.BeginUpdate();
  while (TreeNode* c = FirstChild()) c->Delete();
  owner_.EndUpdate();
}

// Destroys this node object too.
void TreeNode::Delete() { TreeView_DeleteItem(owner_.Handle(), item_); }

RECT TreeNode::LabelRect() const {
  RECT r{};
  TreeView_GetItemRect(owner_.Handle(), item_, &r, TRUE);
  return r;
}

HWND TreeView::CreateHandle(const Props& p, HWND parent) {
  DWORD style = TVS_HASBUTTONS | TVS_HASLINES | WS_TABSTOP;
  if (p.showRoot) style |= TVS_LINESATROOT;
  if (!p.readOnly) style |= TVS_EDITLABELS;
  if (!p.hideSelection) style |= TVS_SHOWSELALWAYS;
  HWND w = CreateChild(WC_TREEVIEWA, style, WS_EX_CLIENTEDGE, parent);
  if (p.indent) TreeView_SetIndent(w, OwnerForm()->Scale(p.indent));
  // Without one the control's own, which other scales scale too.
  indent_ = p.indent ? p.indent : Unscaled(static_cast<int>(TreeView_GetIndent(w)), OwnerForm()->Dpi());
  return w;
}

void TreeView::DpiChanged(int, int) { TreeView_SetIndent(Handle(), OwnerForm()->Scale(indent_)); }

TreeNode* TreeView::NodeOf(HTREEITEM item) const {
  if (!item) return nullptr;
  TVITEMA it = ItemQuery(item, TVIF_PARAM);
  SendMessageA(Handle(), TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&it));
  return reinterpret_cast<TreeNode*>(it.lParam);
}

TreeNode* TreeView::AddChild(TreeNode* parent, const std::string& text) {
  std::unique_ptr<TreeNode> node = CreateNode();
  TVINSERTSTRUCTA ins{};
  ins.hParent = parent ? parent->item_ : TVI_ROOT;
  ins.hInsertAfter = TVI_LAST;
  ins.item.mask = TVIF_TEXT | TVIF_PARAM;
  ins.item.pszText = const_cast<char*>(text.c_str());
  ins.item.lParam = reinterpret_cast<LPARAM>(node.get());
  auto item = reinterpret_cast<HTREEITEM>(SendMessageA(Handle(), TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&ins)));
  if (!item) throw win::Exception("Cannot add a tree node", win::ErrorKind::Platform);
  node->item_ = item;
  return node.release();  // owned by the control's item from here on
}

// Everything in one insertion: each further change of an item is a message of its own, and a
// listing of thousands of children would pay for all of them.
TreeNode* TreeView::AddChild(TreeNode* parent, const NodeArgs& args) {
  std::unique_ptr<TreeNode> node = CreateNode();
  TVINSERTSTRUCTA ins{};
  ins.hParent = parent ? parent->item_ : TVI_ROOT;
  ins.hInsertAfter = TVI_LAST;
  ins.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_CHILDREN | TVIF_STATE;
  ins.item.pszText = const_cast<char*>(args.text.c_str());
  ins.item.lParam = reinterpret_cast<LPARAM>(node.get());
  ins.item.cChildren = args.hasChildren ? 1 : 0;
  ins.item.stateMask = TVIS_OVERLAYMASK;
  ins.item.state = args.overlay >= 0 ? INDEXTOOVERLAYMASK(args.overlay + 1) : 0;
  if (args.imagesOnDemand) {
    ins.item.mask |= TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    ins.item.iImage = ins.item.iSelectedImage = I_IMAGECALLBACK;
  }
  auto item = reinterpret_cast<HTREEITEM>(SendMessageA(Handle(), TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&ins)));
  if (!item) throw win::Exception("Cannot add a tree node", win::ErrorKind::Platform);
  node->item_ = item;
  return node.release();  // owned by the control's item from here on
}

void TreeView::Clear() {
  BeginUpdate();
  TreeView_DeleteAllItems(Handle());
  EndUpdate();
}

void TreeView::Select(TreeNode* node) { TreeView_SelectItem(Handle(), node ? node->item_ : nullptr); }

TreeNode* TreeView::NodeAt(int x, int y) const {
  TVHITTESTINFO hit{};
  hit.pt = {x, y};
  HTREEITEM item = TreeView_HitTest(Handle(), &hit);
  return (hit.flags & TVHT_ONITEM) ? NodeOf(item) : nullptr;
}

void TreeView::SortChildren(TreeNode* parent, int (*compare)(TreeNode&, TreeNode&, void*), void* data) {
  NodeSort ctx{compare, data, {}};
  TVSORTCB sort{};
  sort.hParent = parent ? parent->item_ : TVI_ROOT;
  sort.lpfnCompare = &CompareNodes;
  sort.lParam = reinterpret_cast<LPARAM>(&ctx);
  TreeView_SortChildrenCB(Handle(), &sort, FALSE);
  ctx.errors.Rethrow();
}

void TreeView::BeginUpdate() {
  if (updating_++ == 0) SendMessageA(Handle(), WM_SETREDRAW, FALSE, 0);
}

void TreeView::EndUpdate() {
  if (--updating_ == 0) {
    SendMessageA(Handle(), WM_SETREDRAW, TRUE, 0);
    InvalidateRect(Handle(), nullptr, TRUE);
  }
}

void TreeView::NodeImages(TreeNode&, int&, int*) {}

bool TreeView::WndProc(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  if (msg != WM_PAINT) return Control::WndProc(msg, wp, lp, result);
  ++painting_;
  win::ScopeExit painted([this] { --painting_; });
  result = DefaultProc(msg, wp, lp);
  return true;
}

bool TreeView::CanExpand(TreeNode& node) {
  bool allow = true;
  OnExpanding(*this, &node, allow);
  return allow;
}

bool TreeView::CanEdit(TreeNode& node) {
  bool allow = !ReadOnly();
  OnEditing(*this, &node, allow);
  return allow;
}

void TreeView::Edited(TreeNode& node, std::string text) {
  OnEdited(*this, &node, text);
  node.SetText(text);
}

bool TreeView::HandleNotify(NMHDR& hdr, LRESULT& result) {
  switch (hdr.code) {
    case TVN_SELCHANGINGA: {
      auto& nm = reinterpret_cast<NMTREEVIEWA&>(hdr);
      bool allow = true;
      OnChanging(*this, reinterpret_cast<TreeNode*>(nm.itemNew.lParam), allow);
      result = allow ? FALSE : TRUE;
      return true;
    }
    case TVN_SELCHANGEDA: {
      auto& nm = reinterpret_cast<NMTREEVIEWA&>(hdr);
      OnChange(*this, reinterpret_cast<TreeNode*>(nm.itemNew.lParam));
      return true;
    }
    case TVN_ITEMEXPANDINGA: {
      auto& nm = reinterpret_cast<NMTREEVIEWA&>(hdr);
      if (nm.action & TVE_EXPAND) {
        auto* node = reinterpret_cast<TreeNode*>(nm.itemNew.lParam);
        result = node && !manualExpand_ && !CanExpand(*node) ? TRUE : FALSE;
        return true;
      }
      return false;
    }
    case TVN_ITEMEXPANDEDA: {
      auto& nm = reinterpret_cast<NMTREEVIEWA&>(hdr);
      if (nm.action & TVE_EXPAND) OnExpanded(*this, reinterpret_cast<TreeNode*>(nm.itemNew.lParam));
      return true;
    }
    case TVN_BEGINLABELEDITA: {
      auto& di = reinterpret_cast<NMTVDISPINFOA&>(hdr);
      TreeNode* node = di.item.lParam ? reinterpret_cast<TreeNode*>(di.item.lParam) : NodeOf(di.item.hItem);
      result = node && CanEdit(*node) ? FALSE : TRUE;
      return true;
    }
    case TVN_ENDLABELEDITA: {
      auto& di = reinterpret_cast<NMTVDISPINFOA&>(hdr);
      TreeNode* node = di.item.lParam ? reinterpret_cast<TreeNode*>(di.item.lParam) : NodeOf(di.item.hItem);
      // The control keeps its old text; Edited sets the text that was accepted.
      if (node && di.item.pszText) Edited(*node, di.item.pszText);
      result = FALSE;
      return true;
    }
    case TVN_GETDISPINFOA: {
      auto& di = reinterpret_cast<NMTVDISPINFOA&>(hdr);
      TreeNode* node = di.item.lParam ? reinterpret_cast<TreeNode*>(di.item.lParam) : NodeOf(di.item.hItem);
      if (node && (di.item.mask & (TVIF_IMAGE | TVIF_SELECTEDIMAGE))) {
        // Drawing asks for both images of every item but shows the selected image only on the
        // selected item; the answer is not kept, so a later question gets the real one.
        const bool selectedShown = (di.item.mask & TVIF_SELECTEDIMAGE) &&
                                   (painting_ == 0 || TreeView_GetSelection(Handle()) == node->Item());
        int image = 0, selected = 0;
        NodeImages(*node, image, selectedShown ? &selected : nullptr);
        if (di.item.mask & TVIF_IMAGE) di.item.iImage = image;
        if (di.item.mask & TVIF_SELECTEDIMAGE) di.item.iSelectedImage = selectedShown ? selected : image;
      }
      return true;
    }
    case TVN_DELETEITEMA: {
      auto& nm = reinterpret_cast<NMTREEVIEWA&>(hdr);
      std::unique_ptr<TreeNode>(reinterpret_cast<TreeNode*>(nm.itemOld.lParam));
      return true;
    }
    default:
      return false;
  }
}

}  // namespace ui
