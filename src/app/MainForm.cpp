// The main window: its stored layout, start-up and close sequences, and its commands.
#include "app/MainForm.h"

#include <mmsystem.h>
#include <shellapi.h>
#include <shlobj.h>

#include <memory>

#include "export/BrowseFolder.h"
#include "export/Clipbrd.h"
#include "export/Graphics.h"
#include "export/SaveImage.h"
#include "export/StoredIcon.h"
#include "extract/AllFilesIterator.h"
#include "extract/ExtractHelpers.h"
#include "extract/LargeIcon.h"
#include "iconres/IconFile.h"
#include "resource.h"
#include "settings/Config.h"
#include "settings/RegistryIniFile.h"
#include "settings/Settings.h"
#include "ui/Application.h"

using namespace ui;
using F = TfrmMainForm;

bool Extracting = false;

namespace {

// Window defaults and the smallest bounds that still make a usable window.
constexpr int kDefaultLeft = 236, kDefaultTop = 113, kDefaultWidth = 582, kDefaultHeight = 480;
constexpr int kMinUsableWidth = 120, kMinUsableHeight = 100;

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

const FormLayout<F>& Layout() {
  static const FormLayout<F> layout{
      "TfrmMainForm",
      {.bounds = {kDefaultLeft, kDefaultTop, kDefaultWidth, kDefaultHeight}, .caption = "Varnholt Glyph Gatherer"},
      /*keyPreview=*/true,
      IDI_MAINICON,
      {On(&Form::OnCreate, &F::FormCreate), On(&Form::OnClose, &F::FormClose),
       On(&Form::OnCloseQuery, &F::FormCloseQuery), On(&Form::OnKeyDown, &F::FormKeyDown)},
      {
          {"ImageList1", &F::ImageList1, {.resource = IDB_COLOURIMAGES, .imageSize = 16, .imageCount = 7}},
          {"ImageList2", &F::ImageList2, {.resource = IDB_GREYIMAGES, .imageSize = 16, .imageCount = 6}},
          {"Icons", &F::Icons, {.imageSize = 32}},
          {"SmallIcons", &F::SmallIcons, {.imageSize = 16}},

          {"MainMenu1", &F::MainMenu1, {.images = "ImageList1"}},
          {"mFile", &F::mFile, {.parent = "MainMenu1", .caption = "&File"}},
          {"miSave", &F::miSave, {.parent = "mFile", .caption = "&Save As", .enabled = false, .imageIndex = 0}},
          {"miIcon", &F::miIcon, {.parent = "miSave", .caption = "32 x 32 &Icon"}, {On(&MenuItem::OnClick, &F::miIconClick)}},
          {"miSIcon", &F::miSIcon, {.parent = "miSave", .caption = "16 x 16 I&con"}, {On(&MenuItem::OnClick, &F::miSIconClick)}},
          {"miBmp", &F::miBmp, {.parent = "miSave", .caption = "32 x 32 &Bitmap"}, {On(&MenuItem::OnClick, &F::miBmpClick)}},
          {"miSBmp", &F::miSBmp, {.parent = "miSave", .caption = "16 x 16 Bit&map"}, {On(&MenuItem::OnClick, &F::miSBmpClick)}},
          {"N3", &F::N3, {.parent = "mFile", .caption = "-"}},
          {"miExit", &F::miExit, {.parent = "mFile", .caption = "E&xit"}, {On(&MenuItem::OnClick, &F::miExitClick)}},
          {"mEdit", &F::mEdit, {.parent = "MainMenu1", .caption = "&Edit"}},
          {"miCopy", &F::miCopy, {.parent = "mEdit", .caption = "&Copy", .enabled = false, .imageIndex = 1, .shortCut = ShortCut('C', kCtrl)},
           {On(&MenuItem::OnClick, &F::miCopyClick)}},
          {"N2", &F::N2, {.parent = "mEdit", .caption = "-"}},
          {"miSelAll", &F::miSelAll, {.parent = "mEdit", .caption = "Select &All", .shortCut = ShortCut('A', kCtrl)},
           {On(&MenuItem::OnClick, &F::miSelAllClick)}},
          {"miInvert", &F::miInvert, {.parent = "mEdit", .caption = "&Invert Selection"}, {On(&MenuItem::OnClick, &F::miInvertClick)}},
          {"mView", &F::mView, {.parent = "MainMenu1", .caption = "&View"}},
          {"miToolbar", &F::miToolbar, {.parent = "mView", .caption = "&Toolbar", .checked = true}, {On(&MenuItem::OnClick, &F::miToolbarClick)}},
          {"miStatusbar", &F::miStatusbar, {.parent = "mView", .caption = "&Status Bar", .checked = true},
           {On(&MenuItem::OnClick, &F::miStatusbarClick)}},
          {"miHeader", &F::miHeader, {.parent = "mView", .caption = "&Header Pane", .checked = true}, {On(&MenuItem::OnClick, &F::miHeaderClick)}},
          {"N7", &F::N7, {.parent = "mView", .caption = "-"}},
          {"miLarge", &F::miLarge, {.parent = "mView", .caption = "Lar&ge Icons", .checked = true, .radioItem = true},
           {On(&MenuItem::OnClick, &F::miLargeClick)}},
          {"miSmall", &F::miSmall, {.parent = "mView", .caption = "S&mall Icons", .radioItem = true}, {On(&MenuItem::OnClick, &F::miSmallClick)}},
          {"miList", &F::miList, {.parent = "mView", .caption = "&List", .radioItem = true}, {On(&MenuItem::OnClick, &F::miListClick)}},
          {"miDetails", &F::miDetails, {.parent = "mView", .caption = "&Details", .radioItem = true}, {On(&MenuItem::OnClick, &F::miDetailsClick)}},
          {"N1", &F::N1, {.parent = "mView", .caption = "-"}},
          {"miRefresh", &F::miRefresh, {.parent = "mView", .caption = "&Refresh"}, {On(&MenuItem::OnClick, &F::miRefreshClick)}},
          {"N8", &F::N8, {.parent = "mView", .caption = "-"}},
          {"miConfig", &F::miConfig, {.parent = "mView", .caption = "&Configuration"}, {On(&MenuItem::OnClick, &F::miConfigClick)}},
          {"mGo", &F::mGo, {.parent = "MainMenu1", .caption = "&Go"}},
          {"miUp", &F::miUp, {.parent = "mGo", .caption = "&Up One Level", .enabled = false, .imageIndex = 2}, {On(&MenuItem::OnClick, &F::miUpClick)}},
          {"mHelp", &F::mHelp, {.parent = "MainMenu1", .caption = "&Help"}},
          {"miContents", &F::miContents, {.parent = "mHelp", .caption = "&Contents and Index", .imageIndex = 6, .shortCut = ShortCut(VK_F1)},
           {On(&MenuItem::OnClick, &F::miContentsClick)}},
          {"N11", &F::N11, {.parent = "mHelp", .caption = "-"}},
          {"miHome", &F::miHome, {.parent = "mHelp", .caption = "&Varnholt Home Page"}, {On(&MenuItem::OnClick, &F::miHomeClick)}},
          {"N4", &F::N4, {.parent = "mHelp", .caption = "-"}},
          {"miAbout", &F::miAbout, {.parent = "mHelp", .caption = "&About"}, {On(&MenuItem::OnClick, &F::miAboutClick)}},

          {"pmViews", &F::pmViews, {}},
          {"pmiLarge", &F::pmiLarge, {.parent = "pmViews", .caption = "Lar&ge Icons", .checked = true, .radioItem = true},
           {On(&MenuItem::OnClick, &F::miLargeClick)}},
          {"pmiSmall", &F::pmiSmall, {.parent = "pmViews", .caption = "S&mall Icons", .radioItem = true}, {On(&MenuItem::OnClick, &F::miSmallClick)}},
          {"pmiList", &F::pmiList, {.parent = "pmViews", .caption = "&List", .radioItem = true}, {On(&MenuItem::OnClick, &F::miListClick)}},
          {"pmiDetails", &F::pmiDetails, {.parent = "pmViews", .caption = "&Details", .radioItem = true}, {On(&MenuItem::OnClick, &F::miDetailsClick)}},
          {"pmSave", &F::pmSave, {}},
          {"pmiIcon2", &F::pmiIcon2, {.parent = "pmSave", .caption = "32 x 32 &Icon"}, {On(&MenuItem::OnClick, &F::miIconClick)}},
          {"pmiSIcon2", &F::pmiSIcon2, {.parent = "pmSave", .caption = "16 x 16 I&con"}, {On(&MenuItem::OnClick, &F::miSIconClick)}},
          {"pmiBmp2", &F::pmiBmp2, {.parent = "pmSave", .caption = "32 x 32 &Bitmap"}, {On(&MenuItem::OnClick, &F::miBmpClick)}},
          {"pmiSBmp2", &F::pmiSBmp2, {.parent = "pmSave", .caption = "16 x 16 Bit&map"}, {On(&MenuItem::OnClick, &F::miSBmpClick)}},
          {"pmIcons", &F::pmIcons, {.images = "ImageList1"}},
          {"pmiSave", &F::pmiSave, {.parent = "pmIcons", .caption = "&Save As", .enabled = false, .defaultItem = true, .imageIndex = 0}},
          {"pmiIcon", &F::pmiIcon, {.parent = "pmiSave", .caption = "32 x 32 &Icon"}, {On(&MenuItem::OnClick, &F::miIconClick)}},
          {"pmiSIcon", &F::pmiSIcon, {.parent = "pmiSave", .caption = "16 x 16 I&con"}, {On(&MenuItem::OnClick, &F::miSIconClick)}},
          {"pmiBmp", &F::pmiBmp, {.parent = "pmiSave", .caption = "32 x 32 &Bitmap"}, {On(&MenuItem::OnClick, &F::miBmpClick)}},
          {"pmiSbmp", &F::pmiSbmp, {.parent = "pmiSave", .caption = "16 x 16 Bit&map"}, {On(&MenuItem::OnClick, &F::miSBmpClick)}},
          {"N5", &F::N5, {.parent = "pmIcons", .caption = "-"}},
          {"pmiCopy", &F::pmiCopy, {.parent = "pmIcons", .caption = "&Copy", .enabled = false, .imageIndex = 1}, {On(&MenuItem::OnClick, &F::miCopyClick)}},
          {"N6", &F::N6, {.parent = "pmIcons", .caption = "-"}},
          {"pmiView", &F::pmiView, {.parent = "pmIcons", .caption = "&View", .imageIndex = 3}},
          {"pmiLarge2", &F::pmiLarge2, {.parent = "pmiView", .caption = "Lar&ge Icons", .checked = true, .radioItem = true},
           {On(&MenuItem::OnClick, &F::miLargeClick)}},
          {"pmiSmall2", &F::pmiSmall2, {.parent = "pmiView", .caption = "S&mall Icons", .radioItem = true}, {On(&MenuItem::OnClick, &F::miSmallClick)}},
          {"pmiList2", &F::pmiList2, {.parent = "pmiView", .caption = "&List", .radioItem = true}, {On(&MenuItem::OnClick, &F::miListClick)}},
          {"pmiDetails2", &F::pmiDetails2, {.parent = "pmiView", .caption = "&Details", .radioItem = true},
           {On(&MenuItem::OnClick, &F::miDetailsClick)}},
          {"N9", &F::N9, {.parent = "pmIcons", .caption = "-"}},
          {"pmiSelAll", &F::pmiSelAll, {.parent = "pmIcons", .caption = "Select &All"}, {On(&MenuItem::OnClick, &F::miSelAllClick)}},
          {"pmiInvert", &F::pmiInvert, {.parent = "pmIcons", .caption = "&Invert Selection"}, {On(&MenuItem::OnClick, &F::miInvertClick)}},
          {"N10", &F::N10, {.parent = "pmIcons", .caption = "-"}},
          {"pmiRefresh", &F::pmiRefresh, {.parent = "pmIcons", .caption = "&Refresh"}, {On(&MenuItem::OnClick, &F::miRefreshClick)}},

          {"tbMain", &F::tbMain,
           {.align = Align::Top, .bounds = {0, 0, 0, 40}, .showHint = true, .images = "ImageList1", .hotImages = "ImageList1",
            .disabledImages = "ImageList2", .buttonWidth = 47, .buttonHeight = 36, .showCaptions = true, .autoSize = true}},
          {"tbUp", &F::tbUp, {.parent = "tbMain", .caption = "Up", .hint = "Go up one level", .enabled = false, .imageIndex = 2},
           {On(&ToolButton::OnClick, &F::miUpClick)}},
          {"tbSep1", &F::tbSep1, {.parent = "tbMain", .bounds = {0, 0, 8, 0}, .style = ButtonStyle::Separator}},
          {"tbSave", &F::tbSave,
           {.parent = "tbMain", .caption = "Save As", .hint = "Save selected icon(s) as...", .enabled = false, .imageIndex = 0,
            .dropdownMenu = "pmSave", .style = ButtonStyle::DropDown},
           {On(&ToolButton::OnClick, &F::miIconClick)}},
          {"tbCopy", &F::tbCopy, {.parent = "tbMain", .caption = "Copy", .hint = "Copy selected icon to clipboard", .enabled = false, .imageIndex = 1},
           {On(&ToolButton::OnClick, &F::miCopyClick)}},
          {"tbSep2", &F::tbSep2, {.parent = "tbMain", .bounds = {0, 0, 8, 0}, .style = ButtonStyle::Separator}},
          {"tbViews", &F::tbViews,
           {.parent = "tbMain", .caption = "Views", .hint = "Change way icons are displayed", .imageIndex = 3, .dropdownMenu = "pmViews",
            .style = ButtonStyle::DropDown},
           {On(&ToolButton::OnClick, &F::tbViewsClick)}},
          {"sbInfo", &F::sbInfo, {.align = Align::Bottom, .bounds = {0, 0, 0, 19}, .panels = {500}}},
          {"stNav", &F::stNav, {.align = Align::Left, .bounds = {0, 0, 170, 0}, .hideSelection = true, .readOnly = true, .showRoot = false, .indent = 19},
           {On(&TreeView::OnChange, &F::stNavChange), On(&TreeView::OnChanging, &F::stNavChanging),
            On(&TShellTree::OnPopupMenu, &F::stNavPopupMenu), &NavTreeProperties}},
          {"Splitter1", &F::Splitter1, {.align = Align::Left, .bounds = {170, 0, 3, 0}, .minSize = 80, .cursor = CursorShape::SizeWE},
           {On(&Splitter::OnCanResize, &F::Splitter1CanResize)}},
          {"pnlClient", &F::pnlClient, {.align = Align::Client}},
          {"pnlInfo", &F::pnlInfo, {.parent = "pnlClient", .align = Align::Top, .bounds = {0, 0, 0, 20}, .border = BorderStyle::Single}},
          {"lblInfo", &F::lblInfo,
           {.parent = "pnlInfo", .align = Align::Client, .caption = "", .bold = true, .layout = TextLayout::Center,
            .color = static_cast<COLORREF>(GetSysColor(COLOR_HIGHLIGHT))}},
          {"imgAbout", &F::imgAbout, {.parent = "pnlInfo", .bounds = {0, 0, 57, 145}, .visible = false, .resource = IDB_ABOUTSIDE}},
          {"lvIcons", &F::lvIcons,
           {.parent = "pnlClient", .align = Align::Client, .images = "Icons", .smallImages = "SmallIcons", .popupMenu = "pmIcons",
            .columns = {{"Name", 150}, {"Icon Index", 50, true}}, .view = ViewStyle::Icon, .multiSelect = true,
            .hideSelection = false, .readOnly = true},
           {On(&ListView::OnChange, &F::lvIconsChange)}},
      }};
  return layout;
}

std::string ProgramFolder() {
  char path[MAX_PATH] = "";
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string p = path;
  return p.substr(0, p.find_last_of("\\/") + 1);
}

// Whether the rectangle shows at least partly on some monitor.
bool OnSomeMonitor(const RECT& r) { return MonitorFromRect(&r, MONITOR_DEFAULTTONULL) != nullptr; }

}  // namespace

// ---- Start-up, close, keys

void F::Create() { LoadLayout(Layout()); }

void F::FormCreate(Component&) {
  Application.HelpFile = ProgramFolder() + "Mirovane.hlp";
  Extracting = false;
  // The clipboard is opened with the application's window while there is one.
  Clipboard().SetOwnerProvider([] { return Application.Handle(); });
  TRegistryIniFile ini(kBaseKey);
  if (!ini.ReadBool(kSection, "Toolbar", true)) miToolbar.Click();
  if (!ini.ReadBool(kSection, "Status Bar", true)) miStatusbar.Click();
  if (!ini.ReadBool(kSection, "Header Pane", true)) miHeader.Click();
  bool colourOnly = ini.ReadBool(kSection, "Toolbar Colour Only", false);
  bool toolTips = ini.ReadBool(kSection, "Toolbar Tool Tips", true);
  bool buttonText = ini.ReadBool(kSection, "Toolbar Button Text", true);
  ApplyToolbarSettings(buttonText, toolTips, colourOnly);
  IncludeSubs = ini.ReadBool(kSection, "Include Subs", false);
  ExtractFromAll = ini.ReadBool(kSection, "Extract From All", true);
  FileTypes = ini.ReadString(kSection, "File Types", kDefaultFileTypes);
  if (ini.ReadInteger(kSection, "Main WindowState", 0) != 0) {
    SetWindowState(WindowState::Maximized);
  } else {
    int height = ini.ReadInteger(kSection, "Main Height", kDefaultHeight);
    int left = ini.ReadInteger(kSection, "Main Left", kDefaultLeft);
    int top = ini.ReadInteger(kSection, "Main Top", kDefaultTop);
    int width = ini.ReadInteger(kSection, "Main Width", kDefaultWidth);
    // Stored bounds that would hide the window or leave it unusably small are not used.
    RECT r{left, top, left + width, top + height};
    if (width < kMinUsableWidth || height < kMinUsableHeight || !OnSomeMonitor(r))
      left = kDefaultLeft, top = kDefaultTop, width = kDefaultWidth, height = kDefaultHeight;
    SetWindowBounds(left, top, width, height);
    SetWindowState(WindowState::Normal);
  }
  stNav.SetWidth(ini.ReadInteger(kSection, "Nav Width", 170));
  lblInfo.SetFontColor(GetSysColor(COLOR_HIGHLIGHTTEXT));
  if (TreeNode* first = stNav.FirstNode()) {
    if (TreeNode* child = first->FirstChild()) child->Expand();
  }
}

void F::FormCloseQuery(Component&, bool&) { Extracting = false; }

void F::FormClose(Component&, CloseAction& action) {
  action = CloseAction::Free;
  // The window closes even when the settings cannot be written: the user can always exit.
  try {
    TRegistryIniFile ini(kBaseKey);
    ini.WriteBool(kSection, "Toolbar", tbMain.Visible());
    ini.WriteBool(kSection, "Status Bar", sbInfo.Visible());
    ini.WriteBool(kSection, "Header Pane", pnlInfo.Visible());
    if (GetWindowState() != WindowState::Normal) {
      ini.WriteInteger(kSection, "Main WindowState", 1);
    } else {
      RECT r = WindowBounds();
      ini.WriteInteger(kSection, "Main Height", r.bottom - r.top);
      ini.WriteInteger(kSection, "Main Left", r.left);
      ini.WriteInteger(kSection, "Main Top", r.top);
      ini.WriteInteger(kSection, "Main Width", r.right - r.left);
      ini.WriteInteger(kSection, "Main WindowState", 0);
    }
    ini.WriteInteger(kSection, "Nav Width", stNav.Width());
    if (ini.ReadBool(kSection, "Remove", false)) ini.EraseSection(kSection);
  } catch (const std::exception& e) {
    Application.HandleException(e);
  }
}

void F::FormKeyDown(Component&, WORD& key) {
  if (key == VK_ESCAPE) Extracting = false;
  else if (key == VK_F5) miRefreshClick(*this);
}

void F::ApplyToolbarSettings(bool buttonText, bool toolTips, bool colourOnly) {
  tbMain.SetShowCaptions(buttonText);
  if (buttonText) tbMain.SetButtonSize(47, 36);
  else tbMain.SetButtonSize(23, 22);
  tbMain.SetHeight(buttonText ? 41 : 26);
  tbMain.SetShowHint(toolTips);
  tbMain.SetImages(colourOnly ? &ImageList1 : &ImageList2);
}

// ---- Folder tree

void F::stNavChange(Component&, TreeNode* node) {
  Extracting = false;
  tbUp.SetEnabled(stNav.Selected() != stNav.FirstNode());
  miUp.SetEnabled(tbUp.Enabled());
  SetCaption((node ? node->Text() : std::string()) + " - " + Application.Title);
  ExtractIcons();
}

void F::stNavChanging(Component&, TreeNode* node, bool& allow) { allow = node != nullptr; }

// The folder tree never shows a context menu, so a right click leaves the selection alone.
void F::stNavPopupMenu(Component&, TShellnode*, bool& allow) { allow = false; }

void F::Splitter1CanResize(Component&, int& newSize, bool& accept) {
  if (newSize <= Splitter1.MinSize()) newSize = Splitter1.MinSize() + 1;
  accept = true;
}

void F::miUpClick(Component&) {
  if (TreeNode* sel = stNav.Selected())
    if (TreeNode* parent = sel->Parent()) stNav.Select(parent);
}

void F::miExitClick(Component&) { Close(); }

void F::miContentsClick(Component&) { Application.HelpCommand(HELP_CONTEXT, 0, Handle()); }

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
  frmConfig->ShowModal();
}

// ---- Extraction

namespace {

// Slot of each appended icon; both lists must grow together or the entries would show and
// save the wrong pictures.
void AppendIconToBoth(ImageList& small, ImageList& large, HICON icon, int& largeSlot) {
  if (small.AddIcon(icon) < 0) throw Exception("Cannot add an icon to the image list");
  largeSlot = large.AddIcon(icon);
  if (largeSlot < 0) {
    ImageList_Remove(small.Handle(), small.Count() - 1);
    throw Exception("Cannot add an icon to the image list");
  }
}

int CompareCaptions(const char* a, const char* b) { return lstrcmpA(a, b); }

}  // namespace

std::string F::InfoText(const std::string& path) const {
  return "Icons contained in " + FitPathToWidth(path, lblInfo.Font(), lblInfo.Width() - 110);
}

void F::ExtractIcons() {
  Extracting = true;
  lvIcons.Clear();
  // Deleting entries reports no selection change, so the commands are brought in step here.
  lvIconsChange(lvIcons);
  Icons.Clear();
  SmallIcons.Clear();
  IconSources.clear();
  std::string path = stNav.Path();
  if (path.empty()) {
    lblInfo.SetCaption("");
    Extracting = false;
    return;
  }
  Application.SetCursor(CursorKind::AppStart);
  TStringList files;
  // Runs on every way out, including an error from the listing or an image list; an older
  // run interrupted by a newer one rewrites the texts from the newer run's result.
  auto finish = [&] {
    files.Clear();
    std::string current = stNav.Path();
    lblInfo.SetCaption(current.empty() ? std::string() : InfoText(current));
    sbInfo.SetPanelText(0, std::to_string(lvIcons.Count()) + " icons");
    lvIcons.SortByCaption(&CompareCaptions);
    if (lvIcons.Count() > 0) lvIcons.MakeVisible(0, false);
    Extracting = false;
    Application.SetCursor(CursorKind::Default);
  };
  try {
    lblInfo.SetCaption(InfoText(path));
    path = AddTrailingBackslash(path);
    {
      TStringList folders;
      sbInfo.SetPanelText(0, "Obtaining Folder Structure...");
      // Nothing is pumped while the files are listed, so the status must be painted now.
      Repaint();
      if (IncludeSubs) ListAllFiles(path, files, folders);
      else ListFiles(path + "*.*", files, false);
    }
    sbInfo.SetPanelText(0, "Extracting Icons... Press <Esc> to stop...");
    const std::string windowsFolder = MunWindowsFolder();
    for (const std::string& file : files) {
      // Read per file: the configuration dialog may change the types during a run.
      if (!PassesTypeFilter(file, FileTypes, ExtractFromAll)) continue;
      // Read once for the count and every icon; a damaged file holds fewer icons, never ends the run.
      const iconres::IconFile icons = iconres::LoadIconFile(file, windowsFolder);
      const int count = static_cast<int>(icons.Count());
      if (count > 0) {
        lblInfo.SetCaption(InfoText(file));
        const std::string caption = FileNamePart(file);
        for (int i = 0; i < count; ++i) {
          UniqueIcon icon(MakeLargeIcon(icons, static_cast<size_t>(i)));
          // A group without a sound image is refused and leaves a gap in the numbering.
          if (!icon) continue;
          int slot = -1;
          AppendIconToBoth(SmallIcons, Icons, icon.get(), slot);
          if (IconSources.size() <= static_cast<size_t>(slot)) IconSources.resize(static_cast<size_t>(slot) + 1);
          IconSources[static_cast<size_t>(slot)] = {file, i};
          const int item = lvIcons.AddItem(caption, slot);
          lvIcons.SetSubItem(item, 1, std::to_string(i));
          lvIcons.Scroll(0, 76);
          // The insertion and the scroll invalidated what changed; painting just that keeps
          // the new icon in view without redrawing every visible entry again.
          UpdateWindow(lvIcons.Handle());
          icon.reset();
          // Esc, clicks, menu commands and folder changes take effect here.
          Application.ProcessMessages();
          if (!Extracting) break;
        }
      }
      if (!Extracting) break;
    }
  } catch (...) {
    finish();
    throw;
  }
  finish();
}

// ---- Icon list views and selection commands

void F::SetViewMode(ViewStyle view) {
  lvIcons.SetView(view);
  MenuItem* groups[3][4] = {{&miLarge, &miSmall, &miList, &miDetails},
                            {&pmiLarge, &pmiSmall, &pmiList, &pmiDetails},
                            {&pmiLarge2, &pmiSmall2, &pmiList2, &pmiDetails2}};
  for (auto& group : groups) group[static_cast<int>(view)]->SetChecked(true);
}

void F::miLargeClick(Component&) { SetViewMode(ViewStyle::Icon); }
void F::miSmallClick(Component&) { SetViewMode(ViewStyle::SmallIcon); }
void F::miListClick(Component&) { SetViewMode(ViewStyle::List); }
void F::miDetailsClick(Component&) { SetViewMode(ViewStyle::Report); }

void F::tbViewsClick(Component&) {
  switch (lvIcons.View()) {
    case ViewStyle::Icon: miSmall.Click(); break;
    case ViewStyle::SmallIcon: miList.Click(); break;
    case ViewStyle::List: miDetails.Click(); break;
    default: miLarge.Click(); break;
  }
}

void F::lvIconsChange(Component&) {
  bool any = lvIcons.SelCount() > 0;
  tbCopy.SetEnabled(any);
  miCopy.SetEnabled(any);
  pmiCopy.SetEnabled(any);
  tbSave.SetEnabled(any);
  miSave.SetEnabled(any);
  pmiSave.SetEnabled(any);
}

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
  Extracting = false;
  ExtractIcons();
}

void F::miToolbarClick(Component&) {
  miToolbar.SetChecked(!miToolbar.Checked());
  tbMain.SetVisible(miToolbar.Checked());
}

void F::miStatusbarClick(Component&) {
  miStatusbar.SetChecked(!miStatusbar.Checked());
  sbInfo.SetVisible(miStatusbar.Checked());
}

void F::miHeaderClick(Component&) {
  miHeader.SetChecked(!miHeader.Checked());
  pnlInfo.SetVisible(miHeader.Checked());
}

// ---- Saving and copying

void F::SaveIcon(int kind) {
  std::string folder;
  {
    TBrowseForFolderDialog chooser;
    chooser.SetTitle("Save image(s) to:");
    if (!chooser.Execute()) return;
    folder = chooser.FolderPath();
  }
  folder = WithTrailingBackslash(folder);
  CursorScope wait(CursorKind::HourGlass);
  HIMAGELIST list = (kind == 0 || kind == 2) ? Icons.Handle() : SmallIcons.Handle();
  for (int i = 0; i < lvIcons.Count(); ++i) {
    if (!lvIcons.Selected(i)) continue;
    std::unique_ptr<TGraphic> graphic;
    std::string extension;
    if (kind >= 4) {
      graphic = StoredIconGraphic(lvIcons.ImageIndex(i), kind == 5);
      extension = kind == 5 ? ".png" : ".ico";
    } else if (kind < 2) {
      auto icon = std::make_unique<TIcon>();
      CopySlotAsIcon(list, lvIcons.ImageIndex(i), icon.get());
      graphic = std::move(icon);
    } else {
      auto bitmap = std::make_unique<TBitmap>();
      RenderSlotToBitmap(list, lvIcons.ImageIndex(i), bitmap.get());
      graphic = std::move(bitmap);
    }
    if (extension.empty()) extension = GraphicExtension(*graphic);
    const std::string name = OutputFileName(lvIcons.Caption(i), lvIcons.SubItem(i, 1), extension);
    try {
      // Never overwrites: anything already named so (file or folder) gets an underscore in front.
      SaveGraphicToFreeName(*graphic, folder, name);
    } catch (const std::exception&) {
      Application.ShowMessageBox("Cannot save to " + folder + ".  Please select another destination.", "Error!",
                                 MB_OK | MB_ICONERROR);
      return;
    }
    PlaySoundA("SystemAsterisk", nullptr, SND_ALIAS | SND_ASYNC);
  }
}

// The slot's icon as its file stores it, read again from that file: the whole group as .ico,
// or its largest image as PNG.
std::unique_ptr<TGraphic> F::StoredIconGraphic(int slot, bool png) const {
  if (slot < 0 || static_cast<size_t>(slot) >= IconSources.size()) throw Exception("The icon's file is not known");
  const IconSource& source = IconSources[static_cast<size_t>(slot)];
  try {
    const iconres::IconFile file = iconres::LoadIconFile(source.file, MunWindowsFolder());
    const size_t group = static_cast<size_t>(source.index);
    return std::make_unique<TStoredImage>(png ? LargestImagePngBytes(file, group) : OriginalIconBytes(file, group));
  } catch (const EInvalidGraphic&) {
    throw Exception("Cannot read the icon from " + source.file);
  }
}

void F::miIconClick(Component&) { SaveIcon(0); }
void F::miSIconClick(Component&) { SaveIcon(1); }
void F::miBmpClick(Component&) { SaveIcon(2); }
void F::miSBmpClick(Component&) { SaveIcon(3); }
void F::miOrigIconClick(Component&) { SaveIcon(4); }
void F::miPngClick(Component&) { SaveIcon(5); }

void F::miCopyClick(Component&) {
  // The focused entry, not the selection: the one the user last clicked or moved to.
  int focused = -1;
  for (int i = 0; i < lvIcons.Count() && focused < 0; ++i)
    if (lvIcons.Focused(i)) focused = i;
  if (focused < 0) return;
  TBitmap bitmap;
  RenderSlotToBitmap(Icons.Handle(), lvIcons.ImageIndex(focused), &bitmap);
  CopyBitmapToClipboard(bitmap);
}
