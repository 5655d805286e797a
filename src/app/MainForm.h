// The main window: folder tree, icon list, toolbar, menus, status bar and their commands.
#pragma once
#include <chrono>
#include <memory>

#include "about/AboutForm.h"  // kHomePage
#include "app/DropIn.h"
#include "app/ExtractionSession.h"
#include "app/IconSlots.h"
#include "app/PreviewPane.h"
#include "app/RunPacer.h"
#include "export/ContactSheet.h"
#include "export/SaveImage.h"
#include "export/SizedIcon.h"
#include "settings/Settings.h"
#include "shelltree/ShellTree.h"
#include "ui/Actions.h"
#include "ui/Form.h"
#include "ui/Images.h"
#include "ui/ListView.h"
#include "ui/Menus.h"
#include "ui/StdControls.h"
#include "ui/TreeView.h"

class TfrmMainForm : public ui::Form {
 public:
  ~TfrmMainForm() override;
  void Create() override;

  // Gives the toolbar its look: captions and button size, tool tips, colour or grey images
  // (with the window's other stored looks, in WindowPlacement).
  void ApplyToolbarSettings(bool buttonText, bool toolTips, bool colourOnly);
  // Fills the icon list from the folder selected in the tree: starts a run, which replaces any
  // run before it; its icons arrive while the window's thread serves its messages.
  void ExtractIcons();
  // Whether a run goes on: the window's one question to its run.
  bool Extracting() const { return static_cast<bool>(run_); }
  // How many runs the window has started (a folder without a path counts too): what a caller
  // compares to tell whether something started one.
  unsigned RunsStarted() const { return runsStarted_; }
  // Holds the reader of the runs started from now on at the gate's phase, until it is opened:
  // for acting while a run is in that phase. nullptr holds none.
  void HoldRuns(std::shared_ptr<RunGate> gate) { runGate_ = std::move(gate); }
  // Whether the runs from now on hand their icons over in batches: as learnt once for the
  // window (the default), or as a test settles it.
  void JudgeBatchesBy(std::shared_ptr<BatchVerdicts> verdicts) { batchVerdicts_ = std::move(verdicts); }
  // Selects the folder a command-line argument (or a drop) names, or a file's folder with the
  // file's first entry focused once it is listed; anything else is reported by the error
  // display and the tree stays where it is.
  void OpenStartFolder(const std::string& argument);
  // Opens an icon location as Windows writes it ("%SystemRoot%\System32\imageres.dll,-184",
  // quoted or not, without an index the first icon): its folder selected, the icon selected
  // and shown once listed. What is not there is reported by the error display; false then.
  bool GoToLocation(const std::string& text);

  // Event handlers, bound by the layout.
  void FormCreate(ui::Component& sender);
  void FormClose(ui::Component& sender, ui::CloseAction& action);
  void FormKeyDown(ui::Component& sender, WORD& key);
  void stNavChange(ui::Component& sender, ui::TreeNode* node);
  void stNavChanging(ui::Component& sender, ui::TreeNode* node, bool& allow);
  void stNavPopupMenu(ui::Component& sender, TShellnode* node, bool& allow);
  void Splitter1CanResize(ui::Component& sender, int& newSize, bool& accept);
  void miUpClick(ui::Component& sender);
  void miExitClick(ui::Component& sender);
  void miContentsClick(ui::Component& sender);
  void miHomeClick(ui::Component& sender);
  void miAboutClick(ui::Component& sender);
  void miConfigClick(ui::Component& sender);
  void miIconClick(ui::Component& sender);
  void miSIconClick(ui::Component& sender);
  void miBmpClick(ui::Component& sender);
  void miSBmpClick(ui::Component& sender);
  // The icon as its file stores it: "Original Icon (all sizes)" and "PNG Image (largest size)".
  void miOrigIconClick(ui::Component& sender);
  void miPngClick(ui::Component& sender);
  // The sized kinds: a PNG of one edge, every stored image as PNG, an icon of chosen edges.
  void miPngSizeClick(ui::Component& sender);
  void miPngAllClick(ui::Component& sender);
  void miIcoSizesClick(ui::Component& sender);
  // The selected or listed icons on a contact sheet.
  void miSheetClick(ui::Component& sender);
  void miCopyClick(ui::Component& sender);
  // The selected icons' locations as text, and the box that opens one.
  void miCopyLocationClick(ui::Component& sender);
  void miGoToLocationClick(ui::Component& sender);
  void miSelAllClick(ui::Component& sender);
  void miInvertClick(ui::Component& sender);
  void miToolbarClick(ui::Component& sender);
  void miStatusbarClick(ui::Component& sender);
  void miHeaderClick(ui::Component& sender);
  void miLargeClick(ui::Component& sender);
  void miSmallClick(ui::Component& sender);
  void miListClick(ui::Component& sender);
  void miDetailsClick(ui::Component& sender);
  void miRefreshClick(ui::Component& sender);
  // The preview pane below the icon list, and listing each icon once.
  void miPreviewClick(ui::Component& sender);
  void miUniqueClick(ui::Component& sender);
  // The cursors inside programs after their icons, or icons only: the run starts over.
  void miCursorsClick(ui::Component& sender);
  void Splitter2CanResize(ui::Component& sender, int& newSize, bool& accept);
  void lvIconsInfoTip(ui::Component& sender, int item, std::string& text);
  void tbViewsClick(ui::Component& sender);
  void lvIconsChange(ui::Component& sender);
  void lvIconsBeginDrag(ui::Component& sender);
  void FormDpiChanged(ui::Component& sender);

  // Components, in layout order. Every command is an action; the menu items and tool
  // buttons that show it are linked to it.
  ui::Action actSaveAs, actIcon, actSIcon, actBmp, actSBmp, actOrigIcon, actPng, actExit;
  ui::Action actPngSize, actPngAll, actIcoSizes, actSheet;
  ui::Action actCopy, actCopyLocation, actSelAll, actInvert;
  ui::Action actToolbar, actStatusbar, actHeader, actLarge, actSmall, actList, actDetails, actPreview, actUnique, actCursors, actViews,
      actRefresh, actConfig;
  ui::Action actUp, actGoToLocation;
  ui::Action actContents, actHome, actAbout;
  // The listed icons at the saved sizes (Icons, SmallIcons) and at the list's own (see IconSlots).
  ui::ImageList ImageList1, ImageList2, Icons, SmallIcons, ShownIcons, ShownSmallIcons;
  ui::MainMenu MainMenu1;
  ui::MenuItem mFile, miSave, miIcon, miSIcon, miBmp, miSBmp, miOrigIcon, miPng, N3, miExit;
  ui::MenuItem N15, miPngSize, miPngAll, miIcoSizes, miSheet;
  ui::MenuItem mEdit, miCopy, miCopyLocation, N2, miSelAll, miInvert;
  ui::MenuItem mView, miToolbar, miStatusbar, miHeader, N7, miLarge, miSmall, miList, miDetails, N12, miPreview, miUnique, miCursors,
      N1, miRefresh, N8, miConfig;
  ui::MenuItem mGo, miUp, miGoToLocation;
  ui::MenuItem mHelp, miContents, N11, miHome, N4, miAbout;
  ui::PopupMenu pmViews;
  ui::MenuItem pmiLarge, pmiSmall, pmiList, pmiDetails, N13, pmiPreview;
  ui::PopupMenu pmSave;
  ui::MenuItem pmiIcon2, pmiSIcon2, pmiBmp2, pmiSBmp2, pmiOrigIcon2, pmiPng2;
  ui::MenuItem N16, pmiPngSize2, pmiPngAll2, pmiIcoSizes2;
  ui::PopupMenu pmIcons;
  ui::MenuItem pmiSave, pmiIcon, pmiSIcon, pmiBmp, pmiSbmp, pmiOrigIcon, pmiPng, N5, pmiCopy, pmiCopyLocation, N6, pmiView, pmiLarge2, pmiSmall2, pmiList2,
      pmiDetails2, N14, pmiPreview2, pmiCursors, N9, pmiSelAll, pmiInvert, N10, pmiRefresh;
  ui::MenuItem N17, pmiPngSize, pmiPngAll, pmiIcoSizes;
  ui::ToolBar tbMain;
  ui::ToolButton tbUp, tbSep1, tbSave, tbCopy, tbSep2, tbViews;
  ui::StatusBar sbInfo;
  TShellTree stNav;
  ui::Splitter Splitter1;
  ui::Panel pnlClient, pnlInfo;
  ui::Label lblInfo;
  ui::Image imgAbout;
  PreviewPane pnlPreview;
  ui::Splitter Splitter2;
  ui::ListView lvIcons;

  // Every listed icon in the four lists above, found by its slot.
  IconSlots iconSlots{*this, Icons, SmallIcons, ShownIcons, ShownSmallIcons};

 private:
  // A frame of the run on the window's thread (RunPacer): what its threads handed over, added
  // to the lists with the list's redrawing held; at the run's end, the run dropped and ended.
  void RunFrame();
  // What the run handed over, taken as the pacer allows; true once the run has ended (its
  // failure, if any, in failure).
  bool TakeRunHandover(ExtractionSession& session, std::exception_ptr& failure);
  // Adds a batch's icons to the lists and the entries; returns how many.
  int ShowBatch(RunBatch& batch);
  // Adds one icon of batch to the lists on its own: its own pictures, or pictures made again
  // from its file where the batch was drawn for another scale or the lists refused it.
  int AppendListed(ListedIcon& icon, const RunBatch& batch, std::size_t at);
  // Brings the list up to date on screen after entries were added with its drawing held; the
  // list follows the newest of them when asked.
  void ShowHeldEntries(bool followNewest);
  // The one way a run is stopped (Esc, a close, a newer run, its end): no frame of it comes
  // after this; the stopped run, if there was one, is the caller's to read and let go.
  std::unique_ptr<ExtractionSession> StopRun();
  // Ends a stopped run (or, without one, a run that did not start): the count, the sort and
  // the entry asked for at start.
  void FinishRun(std::unique_ptr<ExtractionSession> run);
  void SetViewMode(ui::ViewStyle view);
  // Gives the list its images for the form's scale, made again for every listed icon.
  void ShowIconsAtScale();
  // The info label's text for a folder or file, shortened to the label.
  std::string InfoText(const std::string& path) const;
  // Shows the focused entry's images in the preview pane (see PreviewPane::ShowSlot).
  void UpdatePreview();
  // Save As of kind, which a drag out then makes too.
  void SaveSelected(const SaveKind& kind);
  // Selects and shows the first entry of startFile_, once; after a run or a start in the
  // folder already shown.
  void FocusStartFile();
  // Selects folder in the tree, with file's entry at index (-1: its first; no file: none)
  // focused once listed.
  void ShowStart(const std::string& folder, const std::string& file, int index);

  std::unique_ptr<ExtractionSession> run_;  // the newest run while it goes on
  RunPacer pacer_{{[this] { RunFrame(); }, [this] { return run_ && run_->DrawerEnded(); },
                   [this] { return run_ && run_->Queued(); }}};
  unsigned runsStarted_ = 0;
  std::shared_ptr<RunGate> runGate_;
  // Learnt by the window's first run, for every run after it.
  std::shared_ptr<BatchVerdicts> batchVerdicts_ = std::make_shared<BatchVerdicts>();
  std::string folderText_;                  // the info label's text for the run's folder
  // The list's drawing held over the run's entries, and how many it added since it was last
  // brought up to date on screen.
  bool entriesHeld_ = false;
  int entriesUnseen_ = 0;
  // What a drag out of the list makes: the kind last saved, the icon as stored until then.
  SaveKind dragKind_{OutputKind::OriginalIcon};
  // The edges the sized kinds' dialogs last took, offered again.
  int pngEdge_ = 48;
  int sheetEdge_ = sheet::kDefaultSheetEdge;
  std::vector<int> iconEdges_{std::begin(kWindowsIconEdges), std::end(kWindowsIconEdges)};
  // The file (long path) whose first entry (or the entry at startIndex_, when that is not -1)
  // gets the focus when its folder is listed.
  std::string startFile_;
  int startIndex_ = -1;
  // The settings of the session: read at start, written at close (and by the configuration dialog).
  std::unique_ptr<SettingsStore> settings_;
  // Folders and files dropped onto the window.
  win::ComPtr<IDropTarget> dropTarget_;
  std::unique_ptr<dragdrop::DropRegistration> dropIn_;
};

