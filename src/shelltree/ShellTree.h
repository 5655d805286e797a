// The folder tree over the shell namespace: nodes that carry shell items, children listed on
// demand and reconciled with the nodes already present, folders selected by path.
#pragma once
#include <windows.h>
#include <shlobj.h>

#include <dbt.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "shelltree/DiscMonitor.h"
#include "shelltree/ImageLookups.h"
#include "shelltree/Pidl.h"
#include "shelltree/ShellImages.h"
#include "shelltree/ShellPath.h"
#include "shelltree/SiblingOrder.h"
#include "ui/Menus.h"
#include "ui/TreeView.h"

class TShellTree;

// What a listing shows; a set of these bits.
enum TVisOption : unsigned { TF_FOLDERS = 1, TF_NONFOLDERS = 2, TF_HIDDEN = 4 };
using TVisOptions = unsigned;

// Which menu a request for a node's context menu shows.
enum TPopupMenuMode { pmm_System, pmm_PopupMenu };

using shelltree::TFileSortOrder;
using shelltree::TFileSortType;
using shelltree::TPidls;

// The shell identity of one node. Both lists come from the tree's allocator.
struct TNodeInfo {
  shelltree::UniquePidl RelPIDL;  // relative to ParentFolder; the root's is absolute
  shelltree::UniquePidl AbsPIDL;
  win::ComPtr<IShellFolder> ParentFolder;
  win::ComPtr<IShellFolder> Folder;  // bound when first needed
  ULONG Attributes = 0;
  bool Enumerated = false;  // children listed since last cleared
  bool Keep = false;        // found again while the parent is re-listed
};

class TShellnode : public ui::TreeNode, public TMonitorTarget {
 public:
  explicit TShellnode(TShellTree& tree);
  ~TShellnode() override;

  TShellTree& Tree() const;
  TShellnode* ParentNode() const { return static_cast<TShellnode*>(Parent()); }
  TShellnode* FirstChildNode() const { return static_cast<TShellnode*>(FirstChild()); }
  TShellnode* NextSiblingNode() const { return static_cast<TShellnode*>(NextSibling()); }

  // Overlay from the node's attributes; image and selected image from the system image list,
  // looked up again when the control next asks for them.
  virtual void UpdateImages();
  // Image and, unless `selected` is null, selected image (the open folder's when the node is a
  // folder), each looked up once on the first request for it and kept until the node is
  // refreshed or re-identified. Asked while the control draws, they are looked up on the side
  // (`later`): meanwhile the node shows what it had, or the plain folder's icon.
  void Images(int& image, int* selected, bool later = false);
  // The overlay the tree's settings give the node's attributes, or none.
  int OverlayIndex() const;
  // Caption and expand button, given to the control only when they differ from what this node
  // last gave it: the control searches all its items for every question and every change.
  void ShowCaption(const std::string& text);
  void ShowButton(bool on);
  // The caption the shell gives: the parsing name for the root, the normal name otherwise.
  virtual std::string GetDisplayName() const;
  // Renames the item in the shell; true when it was renamed (the caller sets the caption).
  virtual bool Rename(const std::string& newName);

  // Places the node below `parentFolder`. A given `rel` (taken over) becomes the relative list
  // and the own folder is bound afresh when next needed; the absolute list is always
  // recomputed, and with `recurse` that of every descendant too. A caller that knows the
  // node's parent passes it: asking the control costs a search of all its items.
  void SetNodeIdentity(IShellFolder* parentFolder, shelltree::UniquePidl rel, bool recurse,
                       const TShellnode* parent = nullptr);
  // The node's own folder, bound on first use; a failed bind is tried again next time.
  IShellFolder* BindFolder();
  // File-system path of the item; empty for a virtual folder.
  std::string Path() const;
  bool IsFile() const { return shelltree::IsFileItem(Info.Attributes); }

  // A change monitor saw the folder's contents change: re-list the children, without shell
  // dialogs. Runs on the user-interface thread.
  void MonitorChanged() override;

  bool FolderBound = false;
  bool MonitorStarted = false;
  TNodeInfo Info;
  // Declared last so it is gone before the item lists it watches.
  std::unique_ptr<TDiscMonitorThread> Monitor;

 private:
  friend class TShellTree;
  void ForgetImages();
  // The closed or the open icon: kept, looked up now, or (later) asked for on the side.
  int OneImage(bool open, bool later);
  // An answer from the look-ups asked for on the side.
  void ImageAnswered(bool open, int image);
  // What the control holds: images asked for on demand, the overlay, caption and button.
  bool imagesOnDemand_ = false;
  int overlay_ = -1;
  std::string caption_;
  bool captionKnown_ = false;
  int button_ = -1;  // unknown
  // The children this node's listings made, in the order they were made, and the node whose
  // listing made this one: a listing goes through these rather than through the control.
  std::vector<TShellnode*> listed_;
  TShellnode* listedBy_ = nullptr;
  bool imageKnown_ = false, selectedKnown_ = false;
  int image_ = -1, selectedImage_ = -1;  // none yet
  std::uint64_t imageTicket_ = 0;        // the look-ups on the side it waits for, or none
  bool imageAsked_ = false, selectedAsked_ = false;
};

class TShellTree : public ui::TreeView {
 public:
  TShellTree();
  ~TShellTree() override;

  // Properties. Setters follow the tree's rules for refreshing and rebuilding.
  bool ShowVirtualFolders() const { return showVirtualFolders_; }
  void SetShowVirtualFolders(bool on);
  bool ShowSharedOverlay() const { return showSharedOverlay_; }
  void SetShowSharedOverlay(bool on);
  bool ShowLinkOverlay() const { return showLinkOverlay_; }
  void SetShowLinkOverlay(bool on);
  bool RootUsePIDL() const { return rootUsePIDL_; }
  void SetRootUsePIDL(bool on);
  TPidls RootPIDL() const { return rootPIDL_; }
  void SetRootPIDL(TPidls value);
  const std::string& RootDir() const { return rootDir_; }
  void SetRootDir(const std::string& dir);
  TVisOptions Options() const { return options_; }
  void SetOptions(TVisOptions options);
  // The selected folder's file-system path; empty with no selection or for a virtual folder.
  std::string Path() const;
  // Selects the folder of a path, or its nearest existing ancestor; "" selects the root.
  void SetPath(const std::string& path);
  bool ShowIcons() const { return showIcons_; }
  void SetShowIcons(bool on);
  std::string FileMask() const;
  void SetFileMask(const std::string& mask);
  bool FileMaskUse() const { return fileMaskUse_; }
  void SetFileMaskUse(bool on);
  TFileSortType FileSortType() const { return fileSortType_; }
  void SetFileSortType(TFileSortType type);
  TFileSortOrder FileSortOrder() const { return fileSortOrder_; }
  void SetFileSortOrder(TFileSortOrder order);
  // The menu shown in pmm_PopupMenu mode (SetPopupMenu sets it).
  ui::PopupMenu* PopupMenu() const { return GetPopupMenu(); }

  bool UpdAutoThread = true;  // change monitors refresh their nodes
  bool UpdAuto = true;        // every expansion re-lists the node
  bool UpdAutoRec = false;    // ... and its expanded descendants
  bool ShowMessages = true;   // shell calls may show their own messages
  TPopupMenuMode PopupMenuMode = pmm_System;

  // A file about to be listed: (full name, attributes, allow).
  ui::Event<const std::string&, ULONG, bool&> OnFileAdd;
  // A context menu is about to be shown for a node: (node, allow).
  ui::Event<TShellnode*, bool&> OnPopupMenu;
  ui::Event<TShellnode*, HMENU> OnSystemContextMenu;

  // Item lists come from and go back to this allocator.
  IMalloc* Malloc() const { return malloc_.get(); }
  IShellFolder* DesktopFolder() const { return desktopFolder_.get(); }
  TShellnode* RootNode() const { return rootNode_; }
  TShellnode* Selected() const { return static_cast<TShellnode*>(TreeView::Selected()); }
  HWND NotifyWindow() const { return notifyWindow_.get(); }
  DWORD NotifyFilter() const { return notifyFilter_; }
  HWND OwnerWindow() const { return ownerWindow_; }
  void SetOwnerWindow(HWND wnd) { ownerWindow_ = wnd; }
  // The window shell calls may show messages over: none unless ShowMessages is on.
  HWND MessageOwner() const { return ShowMessages ? ownerWindow_ : nullptr; }
  const std::vector<std::string>& MaskList() const { return maskList_; }
  // The shell's small icons at the tree's scale.
  HIMAGELIST SystemImages() const { return images_.List(); }
  // Some rows' icons are being looked up on the side.
  bool LookingUpImages() const { return !awaitingImages_.empty(); }
  // The window exists and the shell objects of the namespace's top are known.
  bool Ready() const { return ready_; }

  // Why the nodes are built again, which decides what is restored afterwards.
  enum class RebuildMode {
    Reload = 0,       // loading ended or the kind of root changed: RootDir is applied again
    NewRootPidl = 1,  // another special folder is the root: RootDir is applied again
    NewRootDir = 2,   // another folder is the root: the previous path is selected again
  };
  // Deletes every node and builds the root again, then restores what the mode says.
  void Rebuild(RebuildMode mode);
  void SetUserRootPIDL(LPCITEMIDLIST pidl);
  LPCITEMIDLIST UserRootPIDL() const { return userRootPIDL_.get(); }
  // Re-lists a node's children; with `descend`, expanded children are re-listed too and the
  // others on their next expansion.
  void RefreshNode(TShellnode* node, bool descend);
  void RefreshAll();
  // The node of an absolute list: the walk from the root, expanding on the way when asked.
  // A walk that stops early gives the last node reached, unless `exact`.
  TShellnode* FindNodeByPIDL(LPCITEMIDLIST abs, bool expand, bool exact);
  // Lists a node's children: all of them, or only until the first one accepted.
  void EnumerateChildren(TShellnode& node, bool full);
  // Orders a node's children: folders by name, files by FileSortType and FileSortOrder.
  void SortChildren(TShellnode& node, bool recurse);
  // Starts the change monitor of a node, once.
  void StartMonitor(TShellnode* node);
  // A drive or medium came or went: the NotifyWindow's handling of WM_DEVICECHANGE.
  LRESULT OnDriveChange(UINT msg, WPARAM wp, LPARAM lp);
  // Drives of `unitMask` changed below `node` (My Computer), or, with no node, the drive
  // that is the root.
  void ApplyVolumeChange(WPARAM event, DWORD unitMask, TShellnode* node);
  // Parses the node's path anew, e.g. after its medium changed.
  void ReidentifyNode(TShellnode* node);

  // Suspends redrawing for a batch of node changes; brackets nest.
  class UpdateBracket {
   public:
    explicit UpdateBracket(TShellTree& tree);
    UpdateBracket(const UpdateBracket&) = delete;
    UpdateBracket& operator=(const UpdateBracket&) = delete;
    ~UpdateBracket();

   private:
    TShellTree& tree_;
  };

  void Loaded() override;

 protected:
  std::unique_ptr<ui::TreeNode> CreateNode() override;
  bool CanExpand(ui::TreeNode& node) override;
  bool CanEdit(ui::TreeNode& node) override;
  void Edited(ui::TreeNode& node, std::string text) override;
  bool HandleNotify(NMHDR& hdr, LRESULT& result) override;
  void NodeImages(ui::TreeNode& node, int& image, int* selected) override;
  bool WndProc(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
  void DpiChanged(int from, int to) override;

  virtual void InitImageList();
  // The shell's look-up of an item's closed or open icon; it runs on the look-ups' thread too.
  virtual int LookUpImage(LPCITEMIDLIST item, bool open) const;
  // Whether a context menu may be shown for the node (OnPopupMenu decides).
  virtual bool DoPopupMenu(TShellnode* node);
  virtual void CreateRoot();

 private:
  friend class TShellnode;
  bool Streaming() const;
  // The window's first use: the namespace's top located, a pending path applied, and the
  // root built unless the form is still loading.
  void HandleNeeded();
  void ComputeOwnerWindow();
  void ClearNodes();
  int OverlayFor(ULONG attributes) const;
  void SelectPath(const std::string& path);
  // `earlier`: the node's children from before the listing not yet found again.
  // `reorder` is set when the listing changed what the children's order depends on.
  bool AddChildItem(TShellnode& node, shelltree::UniquePidl item, std::vector<TShellnode*>& earlier, bool& reorder);
  // AddChildItem's steps: the item's attributes, whether the listing shows it, a node made for
  // it or the node found again brought up to date, and the node's expand button.
  static ULONG ItemAttributes(IShellFolder* folder, LPCITEMIDLIST item);
  bool Accepts(IShellFolder* folder, LPCITEMIDLIST item, std::size_t itemLimit, ULONG attributes);
  TShellnode* NewChild(TShellnode& node, IShellFolder* folder, shelltree::UniquePidl item, const std::string& caption,
                       ULONG attributes);
  void UpdateChild(TShellnode& child, TShellnode& node, IShellFolder* folder, shelltree::UniquePidl item,
                   const std::string& caption, ULONG attributes, bool& reorder);
  void SettleButton(TShellnode& child, ULONG attributes);
  TShellnode* FindChildByItem(TShellnode& node, std::vector<TShellnode*>& earlier, LPCITEMIDLIST item,
                              std::size_t itemLimit, const std::string& caption);
  void ContextMenu(LPARAM lp);
  void WheelScroll(short delta);
  void ShowingChanged();
  void ForEachNode(const std::function<void(TShellnode&)>& visit);
  void LeaveBusy();
  static HWND CreateNotifyWindow(TShellTree* tree);
  // The look-ups on the side: a node's question, the plain folder's icon meanwhile, and the
  // answers taken in (the NotifyWindow calls this).
  void AskImage(TShellnode& node, bool open);
  int PlainFolderImage(bool open);
 public:
  static constexpr UINT kImageAnswers = WM_APP + 2;
  void TakeImageAnswers();

  // Change reports held back while the tree was busy (the NotifyWindow calls this).
  void RunPendingRefreshes();

 private:

  bool showVirtualFolders_ = true;
  bool showSharedOverlay_ = true;
  bool showLinkOverlay_ = true;
  bool rootUsePIDL_ = true;
  TPidls rootPIDL_ = shelltree::PIDL_DESKTOP;
  std::string rootDir_ = "C:\\";
  TVisOptions options_ = TF_FOLDERS;
  bool showIcons_ = true;
  bool fileMaskUse_ = false;
  TFileSortType fileSortType_ = shelltree::so_Name;
  TFileSortOrder fileSortOrder_ = shelltree::so_Ascending;

  std::string pendingPath_;
  win::UniqueWindow notifyWindow_;
  win::ComPtr<IMalloc> malloc_;
  win::ComPtr<IShellFolder> desktopFolder_;
  shelltree::UniquePidl desktopPIDL_;
  win::ComPtr<IShellFolder> drivesFolder_;
  shelltree::UniquePidl drivesPIDL_;
  bool expandAllowed_ = false;
  bool imageListReady_ = false;
  shelltree::UniquePidl userRootPIDL_;
  std::vector<std::string> maskList_{"*.*"};
  HWND ownerWindow_ = nullptr;
  DWORD notifyFilter_ = FILE_NOTIFY_CHANGE_DIR_NAME | FILE_NOTIFY_CHANGE_ATTRIBUTES;
  shelltree::ShellImages images_;
  TShellnode* rootNode_ = nullptr;
  bool ready_ = false;
  bool clearing_ = false;
  int busy_ = 0;  // inside a notification of the control or an update bracket
  std::vector<TShellnode*> pendingRefreshes_;
  std::unordered_map<std::uint64_t, TShellnode*> awaitingImages_;
  std::uint64_t lastImageTicket_ = 0;
  int plainFolderImage_[2] = {-1, -1};
  // Last: its thread is joined before anything else of the tree goes.
  std::unique_ptr<shelltree::ImageLookups> imageLookups_;
};
