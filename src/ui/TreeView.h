// The tree view with node objects. Each item's parameter holds its node; the node is
// destroyed when the control deletes the item.
#pragma once
#include <memory>

#include "ui/Component.h"

namespace ui {

class TreeView;

// What a new node shows from the start, given to the control in its one insertion.
struct NodeArgs {
  std::string text;
  bool hasChildren = false;
  // The control asks for the images when it first shows the node (TreeView::NodeImages).
  bool imagesOnDemand = false;
  int overlay = -1;  // overlay image, or none
};

class TreeNode {
 public:
  explicit TreeNode(TreeView& owner) : owner_(owner) {}
  TreeNode(const TreeNode&) = delete;
  TreeNode& operator=(const TreeNode&) = delete;
  virtual ~TreeNode() = default;

  TreeView& Owner() const { return owner_; }
  HTREEITEM Item() const { return item_; }
  std::string Text() const;
  void SetText(const std::string& text);
  // The node's image; for images on demand, what the owner answers.
  int ImageIndex() const;
  void SetImageIndex(int i);
  void SetSelectedIndex(int i);
  void SetOverlayIndex(int i);
  bool HasChildren() const;
  void SetHasChildren(bool on);
  bool Expanded() const;
  // Expands one level (or the whole subtree) after the expansion query allows it, also
  // when the control itself would not ask again.
  void Expand(bool recurse = false);
  void Collapse();
  bool Selected() const;

  TreeNode* Parent() const;
  TreeNode* FirstChild() const;
  TreeNode* NextSibling() const;
  TreeNode* PrevSibling() const;
  TreeNode* LastChild() const;
  int Count() const;
  int Level() const;
  void DeleteChildren();
  void Delete();
  RECT LabelRect() const;

 private:
  friend class TreeView;
  TreeView& owner_;
  HTREEITEM item_ = nullptr;
};

class TreeView : public Control {
 public:
  // The indent follows the scale.
  void DpiChanged(int from, int to) override;
  TreeNode* FirstNode() const { return NodeOf(TreeView_GetRoot(Handle())); }
  TreeNode* Selected() const { return NodeOf(TreeView_GetSelection(Handle())); }
  // Selects the node; OnChanging may refuse, then OnChange follows.
  void Select(TreeNode* node);
  // Appends a node under the parent (none: a top-level node).
  TreeNode* AddChild(TreeNode* parent, const std::string& text);
  TreeNode* AddChild(TreeNode* parent, const NodeArgs& args);
  void Clear();
  TreeNode* NodeAt(int x, int y) const;
  TreeNode* NodeOf(HTREEITEM item) const;
  // Sorts a node's children (none: the top level) with the comparison.
  void SortChildren(TreeNode* parent, int (*compare)(TreeNode&, TreeNode&, void*), void* data);
  void SetImages(HIMAGELIST list) { TreeView_SetImageList(Handle(), list, TVSIL_NORMAL); }
  // Labels cannot be edited in a read-only tree.
  bool ReadOnly() const { return (GetWindowLongPtrA(Handle(), GWL_STYLE) & TVS_EDITLABELS) == 0; }
  // Redrawing suspended inside the bracket; brackets nest.
  void BeginUpdate();
  void EndUpdate();
  bool Updating() const { return updating_ > 0; }

  Event<TreeNode*, bool&> OnChanging;
  Event<TreeNode*> OnChange;
  Event<TreeNode*, bool&> OnExpanding;
  Event<TreeNode*> OnExpanded;
  Event<TreeNode*, bool&> OnEditing;
  Event<TreeNode*, std::string&> OnEdited;

 protected:
  HWND CreateHandle(const Props& props, HWND parent) override;
  bool HandleNotify(NMHDR& hdr, LRESULT& result) override;
  // The node factory; derived trees make their own node class.
  virtual std::unique_ptr<TreeNode> CreateNode() { return std::make_unique<TreeNode>(*this); }
  // The expansion query: whether the node may expand.
  virtual bool CanExpand(TreeNode& node);
  // The edit query: whether the node's label may be edited.
  virtual bool CanEdit(TreeNode& node);
  // Editing ended with a new text; the default lets OnEdited change it, then takes it.
  virtual void Edited(TreeNode& node, std::string text);
  // The image and, unless `selected` is null, the selected image of a node whose images are on
  // demand; the control asks for them whenever it draws the node.
  virtual void NodeImages(TreeNode& node, int& image, int* selected);
  // Inside the control's painting.
  bool Painting() const { return painting_ > 0; }
  bool WndProc(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

 private:
  friend class TreeNode;
  int indent_ = 0;  // at 96 DPI
  int updating_ = 0;
  int painting_ = 0;
  int manualExpand_ = 0;  // an expansion whose query has already been answered
};

}  // namespace ui
