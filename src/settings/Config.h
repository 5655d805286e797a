// The configuration dialog: toolbar looks, sub-folders, removal of the stored settings, the
// file types an extraction examines and the smallest image size an icon must store. It reloads the store each time it is shown; Apply
// and OK store all eight values and put them into force at once.
#pragma once
#include "settings/Settings.h"
#include "ui/Buttons.h"
#include "ui/Dialogs.h"
#include "ui/Memo.h"
#include "ui/PageControl.h"
#include "ui/StdControls.h"

class TfrmConfig : public ui::DialogForm {
 public:
  void Create() override;

  enum class Access { Load, Store };
  // Loads the controls from the store, or stores them.
  void ReadWriteRegistry(Access mode);
  // The options as the controls show them.
  Options Shown() const;
  // The session's settings, which loading and storing use from now on; without them each
  // access opens the settings on its own.
  void UseStore(SettingsStore* store) { store_ = store; }

  // Event handlers, bound by the layout.
  void FormCreate(ui::Component& sender);
  void FormShow(ui::Component& sender);
  void FormKeyDown(ui::Component& sender, WORD& key);
  void chkTextClick(ui::Component& sender);
  void rbAllClick(ui::Component& sender);
  void rbSpecificClick(ui::Component& sender);
  void cmdApplyClick(ui::Component& sender);
  void cmdOKClick(ui::Component& sender);
  void cmdCancelClick(ui::Component& sender);

  // Components, in layout (and tab) order.
  ui::PageControl PageControl1;
  ui::TabSheet tsGeneral;
  ui::GroupBox grpToolbar;
  ui::CheckBox chkText, chkTips, chkColour;
  ui::GroupBox grpMisc;
  ui::CheckBox chkSub, chkDeleteReg;
  ui::Label Label1;
  ui::TabSheet tsAdvanced;
  ui::GroupBox grpExtractFrom;
  ui::RadioButton rbAll, rbSpecific;
  ui::Memo mmoFileTypes;
  ui::GroupBox grpImageSize;
  ui::Label lblMinSize;
  ui::ComboBox cboMinSize;
  ui::Label lblPixels;
  ui::Button cmdOK, cmdCancel, cmdApply;

 private:
  SettingsStore* store_ = nullptr;
};

// The dialog's topic in the program's help file.
inline constexpr const char* kConfigHelpTopic = "configuration";

// Raised by Apply (and OK) with the options the dialog shows, before they are stored, so the
// toolbar's look changes even when storing fails. The main window subscribes while it lives.
inline ui::Event<const Options&> OptionsApplied;

// Created once at start, after the main window.
extern TfrmConfig* frmConfig;
