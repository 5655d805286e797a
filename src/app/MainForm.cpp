// The main window: its stored layout, start-up and close sequences, and its commands.
#include "app/MainForm.h"

#include <shellapi.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <utility>

#include "app/SaveCopy.h"
#include "app/SizeDialogs.h"
#include "app/WindowPlacement.h"
#include "batch/CommandLine.h"
#include "export/Clipbrd.h"
#include "extract/AllFilesIterator.h"
#include "extract/ExtractHelpers.h"
#include "extract/LargeIcon.h"
#include "extract/ListedPictures.h"
#include "extract/Locations.h"
#include "extract/StoredImages.h"
#include "resource.h"
#include "settings/Config.h"
#include "settings/SettingsStore.h"
#include "settings/Settings.h"
#include "ui/Application.h"
#include "ui/MenuTable.h"
#include "win/LongPath.h"
#include "win/PathText.h"
#include "win/Text.h"

using namespace ui;
using F = TfrmMainForm;

namespace {

// The four views, one checked at a time.
constexpr int kViewGroup = 1;
// The preview pane's smallest height: one row of small images with their labels.
constexpr int kMinPreviewHeight = 40;

// The folder tree's stored properties. They are set while the form loads, before the tree's
// end of loading builds its root; the stored path is lost then, as the tree has no root yet.
void NavTreeProperties(F& f, Component&) {
  TShellTree& t = f.stNav;
  t.SetRootUsePIDL(true);
  t.SetRootPIDL(shelltree::PIDL_DESKTOP);
  t.SetOptions(TF_FOLDERS | TF_HIDDEN);
  t.SetShowVirtualFolders(false);
  t.SetShowSharedOverlay(true);
  t.SetShowLinkOverlay(true);
  t.SetShowIcons(true);
  t.UpdAuto = true;
  t.UpdAutoThread = true;
  t.UpdAutoRec = false;
  t.SetFileMask("*.*");
  t.SetFileMaskUse(false);
  t.SetFileSortType(shelltree::so_Name);
  t.SetFileSortOrder(shelltree::so_Ascending);
  t.PopupMenuMode = pmm_PopupMenu;
  t.ShowMessages = true;
  t.SetPath("C:\\WINDOWS\\Desktop");
}

// The Save kinds, in the order every Save As menu lists them.
constexpr MenuTable<F, 10> kSaveKinds{&F::actIcon,     &F::actSIcon,   &F::actBmp,      &F::actSBmp,    &F::actOrigIcon,
                                       &F::actPng,      nullptr,        &F::actPngSize,  &F::actPngAll, &F::actIcoSizes};
// The View items of the menu bar, the icon list's pop-up menu and the Views drop-down.
constexpr MenuTable<F, 6> kViewItems{&F::actLarge, &F::actSmall, &F::actList, &F::actDetails, nullptr, &F::actPreview};

const FormLayout<F>& Layout() {
  static const FormLayout<F> layout{
      "TfrmMainForm",
      {.bounds = kDefaultBounds, .caption = "Varnholt Glyph Gatherer"},
      /*keyPreview=*/true,
      IDI_MAINICON,
      {On(&Form::OnCreate, &F::FormCreate), On(&Form::OnClose, &F::FormClose),
       On(&Form::OnKeyDown, &F::FormKeyDown),
       On(&Form::OnDpiChanged, &F::FormDpiChanged)},
      Rows<F>({{
          // Commands. Save As on its own saves 32 x 32 icons; its menus offer every kind.
          {"actSaveAs", &F::actSaveAs, {.caption = "&Save As", .hint = "Save selected icon(s) as...", .imageIndex = 0, .enabled = false},
           {On(&Action::OnExecute, &F::miIconClick)}},
          {"actIcon", &F::actIcon, {.caption = "32 x 32 &Icon"}, {On(&Action::OnExecute, &F::miIconClick)}},
          {"actSIcon", &F::actSIcon, {.caption = "16 x 16 I&con"}, {On(&Action::OnExecute, &F::miSIconClick)}},
          {"actBmp", &F::actBmp, {.caption = "32 x 32 &Bitmap"}, {On(&Action::OnExecute, &F::miBmpClick)}},
          {"actSBmp", &F::actSBmp, {.caption = "16 x 16 Bit&map"}, {On(&Action::OnExecute, &F::miSBmpClick)}},
          {"actOrigIcon", &F::actOrigIcon,
           {.caption = "Original Icon (all sizes)", .hint = "Save the icon with every size and colour depth its file stores"},
           {On(&Action::OnExecute, &F::miOrigIconClick)}},
          {"actPng", &F::actPng, {.caption = "PNG Image (largest size)", .hint = "Save the icon's largest image as a PNG image with transparency"},
           {On(&Action::OnExecute, &F::miPngClick)}},
          {"actPngSize", &F::actPngSize, {.caption = "PNG at &Size...", .hint = "Save each icon as a PNG image of the size you choose"},
           {On(&Action::OnExecute, &F::miPngSizeClick)}},
          {"actPngAll", &F::actPngAll, {.caption = "Every Image as P&NG", .hint = "Save every image the icon stores as a PNG image of its own"},
           {On(&Action::OnExecute, &F::miPngAllClick)}},
          {"actIcoSizes", &F::actIcoSizes, {.caption = "Icon with Si&zes...", .hint = "Save each icon with just the sizes you choose"},
           {On(&Action::OnExecute, &F::miIcoSizesClick)}},
          {"actSheet", &F::actSheet,
           {.caption = "&Contact Sheet...", .hint = "Draw the selected icons, or every listed one, on a sheet with their names and numbers"},
           {On(&Action::OnExecute, &F::miSheetClick)}},
          {"actExit", &F::actExit, {.caption = "E&xit"}, {On(&Action::OnExecute, &F::miExitClick)}},
          {"actCopy", &F::actCopy,
           {.caption = "&Copy", .hint = "Copy selected icon to clipboard", .imageIndex = 1, .shortCut = ShortCut('C', kCtrl), .enabled = false},
           {On(&Action::OnExecute, &F::miCopyClick)}},
          {"actCopyLocation", &F::actCopyLocation,
           {.caption = "Copy &Location", .hint = "Copy the selected icons' locations, as Windows names icons",
            .shortCut = ShortCut('C', kCtrl | kShift), .enabled = false},
           {On(&Action::OnExecute, &F::miCopyLocationClick)}},
          {"actSelAll", &F::actSelAll, {.caption = "Select &All", .shortCut = ShortCut('A', kCtrl)}, {On(&Action::OnExecute, &F::miSelAllClick)}},
          {"actInvert", &F::actInvert, {.caption = "&Invert Selection"}, {On(&Action::OnExecute, &F::miInvertClick)}},
          {"actToolbar", &F::actToolbar, {.caption = "&Toolbar", .checked = true, .autoCheck = true}, {On(&Action::OnExecute, &F::miToolbarClick)}},
          {"actStatusbar", &F::actStatusbar, {.caption = "&Status Bar", .checked = true, .autoCheck = true}, {On(&Action::OnExecute, &F::miStatusbarClick)}},
          {"actHeader", &F::actHeader, {.caption = "&Header Pane", .checked = true, .autoCheck = true}, {On(&Action::OnExecute, &F::miHeaderClick)}},
          {"actLarge", &F::actLarge, {.caption = "Lar&ge Icons", .checked = true, .groupIndex = kViewGroup, .autoCheck = true}, {On(&Action::OnExecute, &F::miLargeClick)}},
          {"actSmall", &F::actSmall, {.caption = "S&mall Icons", .groupIndex = kViewGroup, .autoCheck = true}, {On(&Action::OnExecute, &F::miSmallClick)}},
          {"actList", &F::actList, {.caption = "&List", .groupIndex = kViewGroup, .autoCheck = true}, {On(&Action::OnExecute, &F::miListClick)}},
          {"actDetails", &F::actDetails, {.caption = "&Details", .groupIndex = kViewGroup, .autoCheck = true}, {On(&Action::OnExecute, &F::miDetailsClick)}},
          {"actPreview", &F::actPreview, {.caption = "Pre&view", .hint = "Show every image the focused icon stores, each at its own size", .autoCheck = true},
           {On(&Action::OnExecute, &F::miPreviewClick)}},
          {"actUnique", &F::actUnique,
           {.caption = "Hide D&uplicate Icons", .hint = "List an icon only once, however many files store the same images",
            .autoCheck = true},
           {On(&Action::OnExecute, &F::miUniqueClick)}},
          {"actCursors", &F::actCursors,
           {.caption = "&Include Cursors", .hint = "List the cursors stored in programs and libraries after their icons",
            .autoCheck = true},
           {On(&Action::OnExecute, &F::miCursorsClick)}},
          {"actViews", &F::actViews, {.caption = "Views", .hint = "Change way icons are displayed", .imageIndex = 3},
           {On(&Action::OnExecute, &F::tbViewsClick)}},
          {"actRefresh", &F::actRefresh, {.caption = "&Refresh"}, {On(&Action::OnExecute, &F::miRefreshClick)}},
          {"actConfig", &F::actConfig, {.caption = "&Configuration"}, {On(&Action::OnExecute, &F::miConfigClick)}},
          {"actUp", &F::actUp, {.caption = "&Up One Level", .hint = "Go up one level", .imageIndex = 2, .enabled = false},
           {On(&Action::OnExecute, &F::miUpClick)}},
          {"actGoToLocation", &F::actGoToLocation,
           {.caption = "&Go to Location...", .hint = "Open an icon location such as imageres.dll,-184", .shortCut = ShortCut('L', kCtrl)},
           {On(&Action::OnExecute, &F::miGoToLocationClick)}},
          {"actContents", &F::actContents, {.caption = "&Contents and Index", .imageIndex = 6, .shortCut = ShortCut(VK_F1)},
           {On(&Action::OnExecute, &F::miContentsClick)}},
          {"actHome", &F::actHome, {.caption = "&Varnholt Home Page"}, {On(&Action::OnExecute, &F::miHomeClick)}},
          {"actAbout", &F::actAbout, {.caption = "&About"}, {On(&Action::OnExecute, &F::miAboutClick)}},

          {"ImageList1", &F::ImageList1,
           {.resource = IDB_COLOURIMAGES, .imageSize = 16, .imageCount = 7,
            .largerResources = {{24, IDB_COLOURIMAGES24}, {32, IDB_COLOURIMAGES32}}}},
          {"ImageList2", &F::ImageList2,
           {.resource = IDB_GREYIMAGES, .imageSize = 16, .imageCount = 6,
            .largerResources = {{24, IDB_GREYIMAGES24}, {32, IDB_GREYIMAGES32}}}},
          {"Icons", &F::Icons, {.imageSize = 32}},
          {"SmallIcons", &F::SmallIcons, {.imageSize = 16}},
          {"ShownIcons", &F::ShownIcons, {.imageSize = 32}},
          {"ShownSmallIcons", &F::ShownSmallIcons, {.imageSize = 16}},

          {"MainMenu1", &F::MainMenu1, {.images = &F::ImageList1}},
          {"mFile", &F::mFile, {.parent = &F::MainMenu1, .caption = "&File"}},
          {"miSave", &F::miSave, {.parent = &F::mFile, .action = &F::actSaveAs}},
      }, MenuRows(&F::miSave, kSaveKinds, {{{"miIcon", &F::miIcon}, {"miSIcon", &F::miSIcon}, {"miBmp", &F::miBmp},
                                            {"miSBmp", &F::miSBmp}, {"miOrigIcon", &F::miOrigIcon},
                                            {"miPng", &F::miPng}, {"N15", &F::N15}, {"miPngSize", &F::miPngSize},
                                            {"miPngAll", &F::miPngAll}, {"miIcoSizes", &F::miIcoSizes}}}), {
          {"miSheet", &F::miSheet, {.parent = &F::mFile, .action = &F::actSheet}},
          {"N3", &F::N3, {.parent = &F::mFile, .caption = "-"}},
          {"miExit", &F::miExit, {.parent = &F::mFile, .action = &F::actExit}},
          {"mEdit", &F::mEdit, {.parent = &F::MainMenu1, .caption = "&Edit"}},
          {"miCopy", &F::miCopy, {.parent = &F::mEdit, .action = &F::actCopy}},
          {"miCopyLocation", &F::miCopyLocation, {.parent = &F::mEdit, .action = &F::actCopyLocation}},
          {"N2", &F::N2, {.parent = &F::mEdit, .caption = "-"}},
          {"miSelAll", &F::miSelAll, {.parent = &F::mEdit, .action = &F::actSelAll}},
          {"miInvert", &F::miInvert, {.parent = &F::mEdit, .action = &F::actInvert}},
          {"mView", &F::mView, {.parent = &F::MainMenu1, .caption = "&View"}},
          {"miToolbar", &F::miToolbar, {.parent = &F::mView, .action = &F::actToolbar}},
          {"miStatusbar", &F::miStatusbar, {.parent = &F::mView, .action = &F::actStatusbar}},
          {"miHeader", &F::miHeader, {.parent = &F::mView, .action = &F::actHeader}},
          {"N7", &F::N7, {.parent = &F::mView, .caption = "-"}},
      }, MenuRows(&F::mView, kViewItems, {{{"miLarge", &F::miLarge}, {"miSmall", &F::miSmall}, {"miList", &F::miList},
                                           {"miDetails", &F::miDetails}, {"N12", &F::N12},
                                           {"miPreview", &F::miPreview}}}), {
          {"miUnique", &F::miUnique, {.parent = &F::mView, .action = &F::actUnique}},
          {"miCursors", &F::miCursors, {.parent = &F::mView, .action = &F::actCursors}},
          {"N1", &F::N1, {.parent = &F::mView, .caption = "-"}},
          {"miRefresh", &F::miRefresh, {.parent = &F::mView, .action = &F::actRefresh}},
          {"N8", &F::N8, {.parent = &F::mView, .caption = "-"}},
          {"miConfig", &F::miConfig, {.parent = &F::mView, .action = &F::actConfig}},
          {"mGo", &F::mGo, {.parent = &F::MainMenu1, .caption = "&Go"}},
          {"miUp", &F::miUp, {.parent = &F::mGo, .action = &F::actUp}},
          {"miGoToLocation", &F::miGoToLocation, {.parent = &F::mGo, .action = &F::actGoToLocation}},
          {"mHelp", &F::mHelp, {.parent = &F::MainMenu1, .caption = "&Help"}},
          {"miContents", &F::miContents, {.parent = &F::mHelp, .action = &F::actContents}},
          {"N11", &F::N11, {.parent = &F::mHelp, .caption = "-"}},
          {"miHome", &F::miHome, {.parent = &F::mHelp, .action = &F::actHome}},
          {"N4", &F::N4, {.parent = &F::mHelp, .caption = "-"}},
          {"miAbout", &F::miAbout, {.parent = &F::mHelp, .action = &F::actAbout}},

          {"pmViews", &F::pmViews, {}},
      }, MenuRows(&F::pmViews, kViewItems, {{{"pmiLarge", &F::pmiLarge}, {"pmiSmall", &F::pmiSmall},
                                             {"pmiList", &F::pmiList}, {"pmiDetails", &F::pmiDetails},
                                             {"N13", &F::N13}, {"pmiPreview", &F::pmiPreview}}}), {
          {"pmSave", &F::pmSave, {}},
      }, MenuRows(&F::pmSave, kSaveKinds, {{{"pmiIcon2", &F::pmiIcon2}, {"pmiSIcon2", &F::pmiSIcon2},
                                            {"pmiBmp2", &F::pmiBmp2}, {"pmiSBmp2", &F::pmiSBmp2},
                                            {"pmiOrigIcon2", &F::pmiOrigIcon2}, {"pmiPng2", &F::pmiPng2},
                                            {"N16", &F::N16}, {"pmiPngSize2", &F::pmiPngSize2},
                                            {"pmiPngAll2", &F::pmiPngAll2}, {"pmiIcoSizes2", &F::pmiIcoSizes2}}}), {
          {"pmIcons", &F::pmIcons, {.images = &F::ImageList1}},
          {"pmiSave", &F::pmiSave, {.parent = &F::pmIcons, .action = &F::actSaveAs, .defaultItem = true}},
      }, MenuRows(&F::pmiSave, kSaveKinds, {{{"pmiIcon", &F::pmiIcon}, {"pmiSIcon", &F::pmiSIcon},
                                             {"pmiBmp", &F::pmiBmp}, {"pmiSbmp", &F::pmiSbmp},
                                             {"pmiOrigIcon", &F::pmiOrigIcon}, {"pmiPng", &F::pmiPng},
                                             {"N17", &F::N17}, {"pmiPngSize", &F::pmiPngSize},
                                             {"pmiPngAll", &F::pmiPngAll}, {"pmiIcoSizes", &F::pmiIcoSizes}}}), {
          {"N5", &F::N5, {.parent = &F::pmIcons, .caption = "-"}},
          {"pmiCopy", &F::pmiCopy, {.parent = &F::pmIcons, .action = &F::actCopy}},
          {"pmiCopyLocation", &F::pmiCopyLocation, {.parent = &F::pmIcons, .action = &F::actCopyLocation}},
          {"N6", &F::N6, {.parent = &F::pmIcons, .caption = "-"}},
          {"pmiView", &F::pmiView, {.parent = &F::pmIcons, .caption = "&View", .imageIndex = 3}},
      }, MenuRows(&F::pmiView, kViewItems, {{{"pmiLarge2", &F::pmiLarge2}, {"pmiSmall2", &F::pmiSmall2},
                                             {"pmiList2", &F::pmiList2}, {"pmiDetails2", &F::pmiDetails2},
                                             {"N14", &F::N14}, {"pmiPreview2", &F::pmiPreview2}}}), {
          {"pmiCursors", &F::pmiCursors, {.parent = &F::pmiView, .action = &F::actCursors}},
          {"N9", &F::N9, {.parent = &F::pmIcons, .caption = "-"}},
          {"pmiSelAll", &F::pmiSelAll, {.parent = &F::pmIcons, .action = &F::actSelAll}},
          {"pmiInvert", &F::pmiInvert, {.parent = &F::pmIcons, .action = &F::actInvert}},
          {"N10", &F::N10, {.parent = &F::pmIcons, .caption = "-"}},
          {"pmiRefresh", &F::pmiRefresh, {.parent = &F::pmIcons, .action = &F::actRefresh}},

          {"tbMain", &F::tbMain,
           {.align = Align::Top, .bounds = {0, 0, 0, kCaptionedToolbar.barHeight}, .showHint = true, .images = &F::ImageList1,
            .hotImages = &F::ImageList1, .disabledImages = &F::ImageList2, .buttonWidth = kCaptionedToolbar.buttonWidth,
            .buttonHeight = kCaptionedToolbar.buttonHeight, .showCaptions = true}},
          {"tbUp", &F::tbUp, {.parent = &F::tbMain, .action = &F::actUp, .caption = "Up"}},
          {"tbSep1", &F::tbSep1, {.parent = &F::tbMain, .style = ButtonStyle::Separator, .width = 8}},
          {"tbSave", &F::tbSave,
           {.parent = &F::tbMain, .action = &F::actSaveAs, .caption = "Save As", .style = ButtonStyle::DropDown, .dropdownMenu = &F::pmSave}},
          {"tbCopy", &F::tbCopy, {.parent = &F::tbMain, .action = &F::actCopy, .caption = "Copy"}},
          {"tbSep2", &F::tbSep2, {.parent = &F::tbMain, .style = ButtonStyle::Separator, .width = 8}},
          {"tbViews", &F::tbViews,
           {.parent = &F::tbMain, .action = &F::actViews, .style = ButtonStyle::DropDown, .dropdownMenu = &F::pmViews}},
          {"sbInfo", &F::sbInfo, {.align = Align::Bottom, .bounds = {0, 0, 0, 19}, .panels = {500}}},
          {"stNav", &F::stNav, {.align = Align::Left, .bounds = {0, 0, 170, 0}, .hideSelection = true, .readOnly = true, .showRoot = false, .indent = 19},
           {On(&TreeView::OnChange, &F::stNavChange), On(&TreeView::OnChanging, &F::stNavChanging),
            On(&TShellTree::OnPopupMenu, &F::stNavPopupMenu), &NavTreeProperties}},
          {"Splitter1", &F::Splitter1, {.align = Align::Left, .bounds = {170, 0, 3, 0}, .minSize = 80, .cursor = CursorShape::SizeWE},
           {On(&Splitter::OnCanResize, &F::Splitter1CanResize)}},
          {"pnlClient", &F::pnlClient, {.align = Align::Client}},
          {"pnlInfo", &F::pnlInfo, {.parent = &F::pnlClient, .align = Align::Top, .bounds = {0, 0, 0, 20}, .border = BorderStyle::Single}},
          {"lblInfo", &F::lblInfo,
           {.parent = &F::pnlInfo, .align = Align::Client, .caption = "", .bold = true, .layout = TextLayout::Center,
            .color = static_cast<COLORREF>(GetSysColor(COLOR_HIGHLIGHT))}},
          {"imgAbout", &F::imgAbout, {.parent = &F::pnlInfo, .bounds = {0, 0, 57, 145}, .visible = false, .resource = IDB_ABOUTSIDE}},
          // The preview lies below the list, the splitter between them; both hidden until asked for.
          {"pnlPreview", &F::pnlPreview,
           {.parent = &F::pnlClient, .align = Align::Bottom, .bounds = {0, 0, 0, stored::PreviewHeight.missing}, .visible = false}},
          {"Splitter2", &F::Splitter2,
           {.parent = &F::pnlClient, .align = Align::Bottom, .bounds = {0, 0, 0, 3}, .visible = false, .minSize = kMinPreviewHeight,
            .cursor = CursorShape::SizeNS},
           {On(&Splitter::OnCanResize, &F::Splitter2CanResize)}},
          {"lvIcons", &F::lvIcons,
           {.parent = &F::pnlClient, .align = Align::Client, .images = &F::Icons, .smallImages = &F::SmallIcons, .popupMenu = &F::pmIcons,
            .columns = {{"Name", 150}, {"Icon Index", 50, true}, {"Sizes", 120}, {"Type", 110}, {"Resource", 70}}, .view = ViewStyle::Icon, .multiSelect = true,
            .hideSelection = false, .readOnly = true, .infoTips = true},
           {On(&ListView::OnChange, &F::lvIconsChange), On(&ListView::OnInfoTip, &F::lvIconsInfoTip),
            On(&ListView::OnBeginDrag, &F::lvIconsBeginDrag)}},
      }})};
  return layout;
}

// A pane is never dragged down to its splitter's minimum.
void KeepAboveMinimum(const Splitter& splitter, int& newSize, bool& accept) {
  newSize = std::max(newSize, splitter.MinSize() + 1);
  accept = true;
}

std::string ProgramFolder() { return pathtext::DirectoryPart(win::ModuleFileName()); }

}  // namespace

// ---- Start-up, close, keys

void F::Create() { LoadLayout(Layout()); }

F::~TfrmMainForm() {
  // The worker ends before anything it hands over to is freed.
  StopRun();
  dropIn_.reset();
  OptionsApplied = nullptr;
}

void F::FormCreate(Component&) {
  Application.HelpFile = ProgramFolder() + "Mirovane.chm";
  // The clipboard is opened with the application's window while there is one.
  Clipboard().SetOwnerProvider([] { return Application.Handle(); });
  // The configuration dialog's Apply changes the toolbar's look at once.
  // A run going on reads its later files with the types applied.
  OptionsApplied = [this](Component&, const Options& o) {
    ApplyToolbarSettings(o.buttonText, o.toolTips, o.colourOnly);
    if (run_) run_->SetTypes(o.extraction.fileTypes, o.extraction.extractFromAll);
  };
  settings_ = settings::OpenSettings();
  RestoreWindow(*this, *settings_);
  Extraction.Load(*settings_);
  ShowIconsAtScale();
  lblInfo.SetFontColor(GetSysColor(COLOR_HIGHLIGHTTEXT));
  if (TreeNode* first = stNav.FirstNode()) {
    if (TreeNode* child = first->FirstChild()) child->Expand();
  }
  // A folder or file dropped onto the window opens as one given on the command line.
  dropTarget_ = dragdrop::MakeFolderDropTarget(
      [this](const dragdrop::DropPlace& place) { OpenStartFolder(place.file.empty() ? place.folder : place.file); });
  // Without drops (the platform refused) the window still works; the user is told.
  try {
    dropIn_ = std::make_unique<dragdrop::DropRegistration>(Handle(), dropTarget_.get());
  } catch (const std::exception& e) {
    Application.HandleException(e);
  }
}

void F::FormClose(Component&, CloseAction& action) {
  action = CloseAction::Free;
  dropIn_.reset();
  // The window goes: a run going on stops, without showing what it found.
  if (StopRun()) Application.SetCursor(CursorKind::Default);
  // The window closes even when the settings cannot be written: the user can always exit.
  try {
    if (!settings_) settings_ = settings::OpenSettings();
    StoreWindow(*this, *settings_);
    if (stored::Remove.Read(*settings_)) settings_->EraseSection(kSection);
    settings_->Keep();
  } catch (const std::exception& e) {
    Application.HandleException(e);
  }
}

void F::FormKeyDown(Component&, WORD& key) {
  if (key == VK_ESCAPE && Extracting()) FinishRun(StopRun());
  else if (key == VK_F5) miRefreshClick(*this);
}

// ---- Folder tree

void F::stNavChange(Component&, TreeNode* node) {
  actUp.SetEnabled(stNav.Selected() != stNav.FirstNode());
  SetCaption((node ? node->Text() : std::string()) + " - " + Application.Title);
  ExtractIcons();
}

void F::OpenStartFolder(const std::string& argument) {
  // A location ("imageres.dll,-184") where the argument names no file or folder as it stands.
  if (location::IsLocationArgument(argument)) {
    GoToLocation(argument);
    return;
  }
  try {
    const std::string folder = batch::StartFolder(argument);
    const std::string full = win::FullPathName(argument);
    // A file of any depth is focused once listed; a folder, or a path that is not there, focuses nothing.
    const DWORD attributes = win::FileAttributes(full);
    ShowStart(folder, attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) ? std::string() : full, -1);
  } catch (const std::exception& e) {
    Application.HandleException(e);
  }
}

void F::ShowStart(const std::string& folder, const std::string& file, int index) {
  startFile_ = file.empty() ? file : win::LongPathName(file);
  startIndex_ = index;
  const bool shown = !Extracting() && !stNav.Path().empty() &&
                     win::CompareText(pathtext::WithTrailingBackslash(stNav.Path()), pathtext::WithTrailingBackslash(folder),
                                      NORM_IGNORECASE) == 0;
  stNav.SetPath(folder);
  // The folder already listed is not read again.
  if (shown) FocusStartFile();
}

void F::FocusStartFile() {
  const std::string file = std::exchange(startFile_, std::string());
  if (file.empty()) return;
  // Its first entry (the list keeps each file's entries in the order of their indexes), or the
  // one asked for.
  for (int i = 0; i < lvIcons.Count(); ++i) {
    const IconSource* source = iconSlots.Find(lvIcons.ImageIndex(i));
    if (!source || win::CompareText(source->file, file, NORM_IGNORECASE) != 0) continue;
    if (startIndex_ >= 0 && source->index != startIndex_) continue;
    for (int j = 0; j < lvIcons.Count(); ++j)
      if (lvIcons.Selected(j)) lvIcons.SetSelected(j, false);
    lvIcons.SetSelected(i, true);
    lvIcons.SetFocused(i);
    lvIcons.MakeVisible(i, false);
    return;
  }
}

void F::stNavChanging(Component&, TreeNode* node, bool& allow) { allow = node != nullptr; }

// The folder tree never shows a context menu, so a right click leaves the selection alone.
void F::stNavPopupMenu(Component&, TShellnode*, bool& allow) { allow = false; }

void F::Splitter1CanResize(Component&, int& newSize, bool& accept) { KeepAboveMinimum(Splitter1, newSize, accept); }
void F::Splitter2CanResize(Component&, int& newSize, bool& accept) { KeepAboveMinimum(Splitter2, newSize, accept); }

void F::miUpClick(Component&) {
  if (TreeNode* sel = stNav.Selected())
    if (TreeNode* parent = sel->Parent()) stNav.Select(parent);
}

void F::miExitClick(Component&) { Close(); }

void F::miContentsClick(Component&) { Application.ShowHelp("contents"); }

void F::miHomeClick(Component&) {
  CursorScope wait(CursorKind::HourGlass);
  ShellExecuteA(Application.Handle(), "open", kHomePage, nullptr, nullptr, SW_SHOWNORMAL);
}

void F::miAboutClick(Component&) {
  if (!frmAbout) return;  // its creation failed at start, which was reported then
  CursorScope wait(CursorKind::HourGlass);
  frmAbout->SetPicture(imgAbout.Picture());
  frmAbout->ShowModal();
}

// Changed options take effect through the dialog itself.
void F::miConfigClick(Component&) {
  if (!frmConfig) return;
  CursorScope wait(CursorKind::HourGlass);
  frmConfig->UseStore(settings_.get());
  frmConfig->ShowModal();
}

// ---- Icon list views and selection commands

void F::SetViewMode(ViewStyle view) { lvIcons.SetView(view); }

void F::miLargeClick(Component&) { SetViewMode(ViewStyle::Icon); }
void F::miSmallClick(Component&) { SetViewMode(ViewStyle::SmallIcon); }
void F::miListClick(Component&) { SetViewMode(ViewStyle::List); }
void F::miDetailsClick(Component&) { SetViewMode(ViewStyle::Report); }

// The next of the four views, in their menus' order; after Details, Large Icons again.
void F::tbViewsClick(Component&) { (this->*kViewItems[(static_cast<size_t>(lvIcons.View()) + 1) % 4]).Execute(); }

void F::lvIconsChange(Component&) {
  bool any = lvIcons.SelCount() > 0;
  actCopy.SetEnabled(any);
  actCopyLocation.SetEnabled(any);
  actSaveAs.SetEnabled(any);
  UpdatePreview();
}

void F::lvIconsInfoTip(Component&, int item, std::string& text) {
  if (item < 0 || item >= lvIcons.Count()) return;
  if (const IconSource* source = iconSlots.Find(lvIcons.ImageIndex(item))) text = InfoTip(*source);
}

void F::UpdatePreview() {
  const int focused = lvIcons.FocusedItem();
  const int slot = focused >= 0 ? lvIcons.ImageIndex(focused) : -1;
  pnlPreview.ShowSlot(slot, iconSlots.Find(slot));
}

void F::miPreviewClick(Component&) {
  pnlPreview.SetVisible(actPreview.Checked());
  Splitter2.SetVisible(actPreview.Checked());
  pnlPreview.Clear();
  UpdatePreview();
}

// The run lists each icon once from now on, or every icon again: it starts over.
void F::miUniqueClick(Component&) { miRefreshClick(*this); }

void F::miCursorsClick(Component&) { miRefreshClick(*this); }

void F::miSelAllClick(Component&) {
  lvIcons.BeginUpdate();
  for (int i = 0; i < lvIcons.Count(); ++i) lvIcons.SetSelected(i, true);
  lvIcons.EndUpdate();
}

void F::miInvertClick(Component&) {
  lvIcons.BeginUpdate();
  for (int i = 0; i < lvIcons.Count(); ++i) lvIcons.SetSelected(i, !lvIcons.Selected(i));
  lvIcons.EndUpdate();
}

void F::miRefreshClick(Component&) {
  ExtractIcons();
}

void F::miToolbarClick(Component&) { tbMain.SetVisible(actToolbar.Checked()); }
void F::miStatusbarClick(Component&) { sbInfo.SetVisible(actStatusbar.Checked()); }
void F::miHeaderClick(Component&) { pnlInfo.SetVisible(actHeader.Checked()); }

// ---- Saving and copying

void F::miIconClick(Component&) { SaveSelected(OutputKind::Icon32); }
void F::miSIconClick(Component&) { SaveSelected(OutputKind::Icon16); }
void F::miBmpClick(Component&) { SaveSelected(OutputKind::Bitmap32); }
void F::miSBmpClick(Component&) { SaveSelected(OutputKind::Bitmap16); }
void F::miOrigIconClick(Component&) { SaveSelected(OutputKind::OriginalIcon); }
void F::miPngClick(Component&) { SaveSelected(OutputKind::Png); }
void F::miPngAllClick(Component&) { SaveSelected(OutputKind::EveryPng); }

void F::miPngSizeClick(Component&) {
  const std::optional<int> edge = AskPngEdge(pngEdge_);
  if (!edge) return;
  pngEdge_ = *edge;
  SaveSelected({OutputKind::PngAtSize, {*edge}});
}

void F::miIcoSizesClick(Component&) {
  const std::optional<std::vector<int>> edges = AskIconEdges(iconEdges_);
  if (!edges) return;
  iconEdges_ = *edges;
  SaveSelected({OutputKind::IconWithSizes, *edges});
}

void F::miSheetClick(Component&) { SaveContactSheet(lvIcons, iconSlots, sheetEdge_); }

void F::miCopyClick(Component&) { CopyFocusedIcon(lvIcons, iconSlots); }

void F::SaveSelected(const SaveKind& kind) {
  dragKind_ = kind;
  SaveSelectedIcons(lvIcons, iconSlots, kind);
}

void F::lvIconsBeginDrag(Component&) { DragSelectedIcons(lvIcons, iconSlots, dragKind_); }
