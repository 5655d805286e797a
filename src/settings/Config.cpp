// The configuration dialog: its stored layout, loading and storing of its eight values,
// and Apply, OK and Cancel.
#include "settings/Config.h"

#include <iterator>

#include "settings/PortableIniFile.h"
#include "settings/RegistryIniFile.h"
#include "settings/Settings.h"
#include "settings/StoredRanges.h"
#include "ui/Application.h"

using namespace ui;
using F = TfrmConfig;

TfrmConfig* frmConfig = nullptr;

namespace {

// The size filter's choices, as the drop-down lists them.
constexpr int kMinSizes[] = {0, 16, 24, 32, 48, 64, 128, 256};

// The choice that shows a stored size: the largest one not above it.
int MinSizeChoice(int minSize) {
  int choice = 0;
  for (int i = 0; i < static_cast<int>(std::size(kMinSizes)); ++i)
    if (kMinSizes[i] <= minSize) choice = i;
  return choice;
}

const FormLayout<F>& Layout() {
  static const FormLayout<F> layout{
      "TfrmConfig",
      {.bounds = {0, 0, 321, 352}, .caption = "Configuration", .autoSize = true, .border = BorderStyle::Single},
      /*keyPreview=*/true,
      0,
      {On(&Form::OnCreate, &F::FormCreate), On(&Form::OnShow, &F::FormShow), On(&Form::OnKeyDown, &F::FormKeyDown)},
      {
          {"PageControl1", &F::PageControl1, {.bounds = {8, 8, 305, 305}, .activePage = &F::tsGeneral}},
          {"tsGeneral", &F::tsGeneral, {.parent = &F::PageControl1, .caption = "General"}},
          {"grpToolbar", &F::grpToolbar, {.parent = &F::tsGeneral, .bounds = {8, 8, 281, 105}, .caption = "Toolbar"}},
          {"chkText", &F::chkText, {.parent = &F::grpToolbar, .bounds = {16, 24, 121, 17}, .caption = "Show &button text", .checked = true},
           {On(&Control::OnClick, &F::chkTextClick)}},
          {"chkTips", &F::chkTips, {.parent = &F::grpToolbar, .bounds = {16, 48, 97, 17}, .caption = "Show &tool tips", .checked = true},
           {On(&Control::OnClick, &F::chkTextClick)}},
          {"chkColour", &F::chkColour, {.parent = &F::grpToolbar, .bounds = {16, 72, 145, 17}, .caption = "&Images always coloured"},
           {On(&Control::OnClick, &F::chkTextClick)}},
          {"grpMisc", &F::grpMisc, {.parent = &F::tsGeneral, .bounds = {8, 120, 281, 145}, .caption = "Miscellaneous"}},
          {"chkSub", &F::chkSub,
           {.parent = &F::grpMisc, .bounds = {16, 24, 249, 17}, .caption = "Include files in &sub-folders when extracting"},
           {On(&Control::OnClick, &F::chkTextClick)}},
          {"chkDeleteReg", &F::chkDeleteReg,
           {.parent = &F::grpMisc, .bounds = {16, 48, 257, 17}, .caption = "&Remove all entries from the system registry for this"},
           {On(&Control::OnClick, &F::chkTextClick)}},
          {"Label1", &F::Label1,
           {.parent = &F::grpMisc,
            .bounds = {34, 62, 230, 52},
            .caption = "application.  Use this option only if you are going to remove this software from your "
                       "computer.  Entries will not be deleted until you exit the application",
            .wordWrap = true}},
          {"tsAdvanced", &F::tsAdvanced, {.parent = &F::PageControl1, .caption = "Advanced"}},
          {"grpExtractFrom", &F::grpExtractFrom,
           {.parent = &F::tsAdvanced, .bounds = {8, 8, 281, 129}, .caption = "Extract icons from"}},
          {"rbAll", &F::rbAll, {.parent = &F::grpExtractFrom, .bounds = {16, 24, 113, 17}, .caption = "&All file types", .checked = true},
           {On(&Control::OnClick, &F::rbAllClick)}},
          {"rbSpecific", &F::rbSpecific,
           {.parent = &F::grpExtractFrom, .bounds = {16, 48, 129, 17}, .caption = "&These file types only:"},
           {On(&Control::OnClick, &F::rbSpecificClick)}},
          {"mmoFileTypes", &F::mmoFileTypes,
           {.parent = &F::grpExtractFrom,
            .bounds = {34, 68, 231, 49},
            .hint = "Add or remove file extensions, separated by a period (.)",
            .enabled = false,
            .vertScroll = true,
            .wantReturns = false},
           {On(&Memo::OnChange, &F::chkTextClick)}},
          {"grpImageSize", &F::grpImageSize, {.parent = &F::tsAdvanced, .bounds = {8, 144, 281, 121}, .caption = "Image size"}},
          {"lblMinSize", &F::lblMinSize,
           {.parent = &F::grpImageSize, .bounds = {16, 24, 249, 17}, .caption = "Only list icons that store an image of at least"}},
          {"cboMinSize", &F::cboMinSize,
           {.parent = &F::grpImageSize,
            .bounds = {16, 44, 57, 160},
            .hint = "Icons without an image this large are left out; 256 lists only the largest icons",
            .items = {"0", "16", "24", "32", "48", "64", "128", "256"}},
           {On(&ComboBox::OnChange, &F::chkTextClick)}},
          {"lblPixels", &F::lblPixels, {.parent = &F::grpImageSize, .bounds = {80, 47, 185, 17}, .caption = "pixels (0 lists every icon)"}},
          {"cmdOK", &F::cmdOK, {.bounds = {80, 320, 75, 25}, .caption = "OK", .defaultButton = true},
           {On(&Control::OnClick, &F::cmdOKClick)}},
          {"cmdCancel", &F::cmdCancel, {.bounds = {160, 320, 75, 25}, .caption = "Cancel", .cancelButton = true},
           {On(&Control::OnClick, &F::cmdCancelClick)}},
          {"cmdApply", &F::cmdApply, {.bounds = {240, 320, 75, 25}, .caption = "&Apply", .enabled = false},
           {On(&Control::OnClick, &F::cmdApplyClick)}},
      }};
  return layout;
}

}  // namespace

void F::Create() {
  SetHelpTopic(kConfigHelpTopic);
  LoadDialogLayout(Layout());
  // No longer than the store takes back, with room for the period Apply may put in front.
  SendMessageA(mmoFileTypes.Handle(), EM_LIMITTEXT, settings::kMaxFileTypesLength - 1, 0);
}

Options F::Shown() const {
  Options o;
  o.buttonText = chkText.Checked();
  o.toolTips = chkTips.Checked();
  o.colourOnly = chkColour.Checked();
  o.remove = chkDeleteReg.Checked();
  const int choice = cboMinSize.ItemIndex();
  const int minSize = choice >= 0 && choice < static_cast<int>(std::size(kMinSizes)) ? kMinSizes[choice] : 0;
  o.extraction = {chkSub.Checked(), rbAll.Checked(), mmoFileTypes.Text(), minSize};
  return o;
}

void F::ReadWriteRegistry(Access mode) {
  std::unique_ptr<SettingsStore> own;
  SettingsStore& ini = store_ ? *store_ : *(own = settings::OpenSettings());
  if (mode == Access::Store) {
    Shown().Save(ini);
    // A file that cannot be written now keeps the values for the session: the close writes
    // them, or says why it cannot.
    try {
      ini.Keep();
    } catch (const ESettingsFileException&) {
    }
    return;
  }
  // On an error the controls still show what was read before it.
  Options o = Shown();
  auto show = [&] {
    chkText.SetChecked(o.buttonText);
    chkTips.SetChecked(o.toolTips);
    chkColour.SetChecked(o.colourOnly);
    chkDeleteReg.SetChecked(o.remove);
    chkSub.SetChecked(o.extraction.includeSubs);
    rbAll.SetChecked(o.extraction.extractFromAll);
    rbSpecific.SetChecked(!rbAll.Checked());
    mmoFileTypes.SetText(o.extraction.fileTypes);
    cboMinSize.SetItemIndex(MinSizeChoice(o.extraction.minSize));
  };
  try {
    o.Load(ini);
  } catch (...) {
    show();
    throw;
  }
  show();
}

// In portable use the settings live in the file beside the program, which the removal empties.
// Said before the captions are fitted.
void F::FormCreate(Component&) {
  if (settings::PortableSettingsFile().empty()) return;
  chkDeleteReg.SetCaption("&Remove all settings from Mirovane.ini for this");
  Label1.SetCaption("application (the file stays, empty, in its folder).  Use this option only if you are going "
                    "to remove this software.  Nothing is removed until you exit the application");
}

// Loading raises the controls' events like a user's changes; Apply is disabled afterwards.
void F::FormShow(Component&) {
  ReadWriteRegistry(Access::Load);
  PageControl1.SetActivePage(&tsGeneral);
  cmdApply.SetEnabled(false);
  FocusControl(cmdOK);
}

void F::FormKeyDown(Component&, WORD& key) {
  if (key != VK_F1) return;
  Application.ShowHelp(HelpTopic());
  key = 0;
}

void F::chkTextClick(Component&) { cmdApply.SetEnabled(true); }

void F::rbAllClick(Component&) {
  mmoFileTypes.SetEnabled(false);
  cmdApply.SetEnabled(true);
}

void F::rbSpecificClick(Component&) {
  mmoFileTypes.SetEnabled(true);
  cmdApply.SetEnabled(true);
}

void F::cmdApplyClick(Component&) {
  // Each extension is introduced by a period; only a missing first one is put in.
  std::string types = mmoFileTypes.Text();
  if (!types.empty() && types.front() != '.') mmoFileTypes.SetText("." + types);
  const Options applied = Shown();
  OptionsApplied(*this, applied);
  ReadWriteRegistry(Access::Store);
  Extraction = applied.extraction;
  cmdApply.SetEnabled(false);
  FocusControl(cmdOK);
}

void F::cmdOKClick(Component& sender) {
  cmdApplyClick(sender);
  SetModalResult(mrOk);
}

void F::cmdCancelClick(Component&) { SetModalResult(mrCancel); }
