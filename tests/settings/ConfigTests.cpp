// The configuration dialog opened by the main window's Configuration command: loading from
// the store at every showing, Apply/OK/Cancel with the keys that press them, the toolbar
// changing at once, the file-type fix, and what a failing store leaves behind.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

#include "RawRegistry.h"
#include "DialogSteps.h"
#include "ModalAnswerer.h"
#include "PortableSettings.h"
#include "app/MainForm.h"
#include "settings/Config.h"
#include "settings/RegistryIniFile.h"
#include "settings/Settings.h"
#include "ui/Application.h"

using ui::Application;
using ui::CursorKind;

namespace {

const char* kSectionPath = "software\\Varnholt\\Glyph Gatherer";

// The stored value exactly as the registry holds it: type and bytes.
std::pair<DWORD, std::string> Raw(const char* name) {
  testreg::RawValue v = testreg::ReadRaw(kSectionPath, name);
  return {v.type, v.Text()};
}

std::pair<DWORD, std::string> Text(const std::string& s) { return {REG_SZ, s + '\0'}; }

void PutText(const char* name, const char* text) {
  HKEY key;
  RegCreateKeyExA(HKEY_CURRENT_USER, kSectionPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
  RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), static_cast<DWORD>(strlen(text) + 1));
  RegCloseKey(key);
}

void Click(const ui::Control& c) { SendMessageA(c.Handle(), BM_CLICK, 0, 0); }

// Closes a dialog that a test step failed to close, so the test ends instead of hanging.
void CALLBACK CloseForgottenDialog(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  if (frmConfig && frmConfig->IsModal()) {
    ADD_FAILURE() << "the dialog was still open";
    frmConfig->Close();
  }
}

class ConfigTest : public testing::Test {
 protected:
  void SetUp() override { TRegistryIniFile(kBaseKey).EraseSection(kSection); }
  void TearDown() override {
    Application.DestroyForms();
    frmConfig = nullptr;
    MSG m;
    while (PeekMessageA(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    Application.Initialize();
    TRegistryIniFile(kBaseKey).EraseSection(kSection);
  }

  // As the program starts: the main window, then the dialog, hidden until its command.
  TfrmMainForm& Start() {
    main_ = &Application.CreateForm<TfrmMainForm>();
    frmConfig = &Application.CreateForm<TfrmConfig>();
    main_->Show(SW_SHOWNORMAL);
    Application.ProcessMessages();
    return *main_;
  }

  // The main window's Configuration command; the step runs while the dialog is up and
  // must close it.
  void OpenConfiguration(std::function<void(TfrmConfig&)> step) {
    WhenShown([step] { step(*frmConfig); });
    UINT_PTR guard = SetTimer(nullptr, 0, 20000, &CloseForgottenDialog);
    main_->miConfig.Click();
    KillTimer(nullptr, guard);
  }

  TfrmMainForm* main_ = nullptr;
};

TEST_F(ConfigTest, EachShowingLoadsTheStoreAndCancelKeepsItUnchanged) {
  PutText("Toolbar Button Text", "0");
  PutText("Toolbar Colour Only", "1");
  PutText("Remove", "1");
  PutText("Include Subs", "1");
  PutText("Extract From All", "0");
  PutText("File Types", ".ico.cur");
  TfrmMainForm& main = Start();
  CursorKind openingCursor = CursorKind::Default;
  frmConfig->OnShow = [&](ui::Component& sender) {
    openingCursor = Application.Cursor();
    frmConfig->FormShow(sender);
  };
  OpenConfiguration([&](TfrmConfig& d) {
    EXPECT_FALSE(d.chkText.Checked());
    EXPECT_TRUE(d.chkTips.Checked());
    EXPECT_TRUE(d.chkColour.Checked());
    EXPECT_TRUE(d.chkDeleteReg.Checked());
    EXPECT_TRUE(d.chkSub.Checked());
    EXPECT_FALSE(d.rbAll.Checked());
    EXPECT_TRUE(d.rbSpecific.Checked());
    EXPECT_TRUE(d.mmoFileTypes.Enabled());
    EXPECT_EQ(d.mmoFileTypes.Text(), ".ico.cur");
    // Loading raised the controls' events, yet Apply starts disabled.
    EXPECT_FALSE(d.cmdApply.Enabled());
    EXPECT_EQ(d.PageControl1.ActivePage(), &d.tsGeneral);
    EXPECT_EQ(GetFocus(), d.cmdOK.Handle());
    EXPECT_FALSE(IsWindowEnabled(main.Handle()));
    EXPECT_EQ(Application.Cursor(), CursorKind::Default);
    // Changes the user then makes, all abandoned by Esc.
    Click(d.chkSub);
    EXPECT_TRUE(d.cmdApply.Enabled());
    d.PageControl1.SetActivePage(&d.tsAdvanced);
    Click(d.rbAll);
    EXPECT_FALSE(d.mmoFileTypes.Enabled());
    d.mmoFileTypes.SetText(".exe");
    PostKey(d.rbAll.Handle(), VK_ESCAPE);
  });
  EXPECT_EQ(openingCursor, CursorKind::HourGlass);
  EXPECT_EQ(Application.Cursor(), CursorKind::Default);
  EXPECT_TRUE(IsWindowEnabled(main.Handle()));
  EXPECT_FALSE(IsWindowVisible(frmConfig->Handle()));
  EXPECT_EQ(Raw("Include Subs"), Text("1"));
  EXPECT_EQ(Raw("Extract From All"), Text("0"));
  EXPECT_EQ(Raw("File Types"), Text(".ico.cur"));

  // The next showing reloads the store, the General page in front; the close box cancels.
  PutText("Extract From All", "1");
  OpenConfiguration([&](TfrmConfig& d) {
    EXPECT_TRUE(d.chkSub.Checked());
    EXPECT_TRUE(d.rbAll.Checked());
    EXPECT_FALSE(d.rbSpecific.Checked());
    EXPECT_FALSE(d.mmoFileTypes.Enabled());
    EXPECT_EQ(d.mmoFileTypes.Text(), ".ico.cur");
    EXPECT_EQ(d.PageControl1.ActivePage(), &d.tsGeneral);
    EXPECT_FALSE(d.cmdApply.Enabled());
    Click(d.chkText);
    SendMessageA(d.Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
  });
  EXPECT_FALSE(IsWindowVisible(frmConfig->Handle()));
  EXPECT_EQ(Raw("Toolbar Button Text"), Text("0"));
}

TEST_F(ConfigTest, ApplyStoresAndPutsEverythingIntoForceAtOnce) {
  TfrmMainForm& main = Start();
  IncludeSubs = false;
  TfrmConfig& d = *frmConfig;
  d.Show();
  Application.ProcessMessages();
  EXPECT_FALSE(d.cmdApply.Enabled());
  Click(d.chkText);
  EXPECT_TRUE(d.cmdApply.Enabled());
  Click(d.chkSub);
  Click(d.rbSpecific);
  EXPECT_TRUE(d.mmoFileTypes.Enabled());
  EXPECT_FALSE(d.rbAll.Checked());
  d.mmoFileTypes.SetText("exe.dll");
  Click(d.cmdApply);
  // The toolbar shrinks while the dialog stays open.
  EXPECT_TRUE(IsWindowVisible(d.Handle()));
  SIZE button = main.tbMain.ReportedButtonSize();
  EXPECT_EQ(button.cx, 23);
  EXPECT_EQ(button.cy, 22);
  EXPECT_EQ(main.tbMain.Height(), 26);
  EXPECT_EQ(d.mmoFileTypes.Text(), ".exe.dll");
  EXPECT_EQ(Raw("Toolbar Button Text"), Text("0"));
  EXPECT_EQ(Raw("Include Subs"), Text("1"));
  EXPECT_EQ(Raw("Extract From All"), Text("0"));
  EXPECT_EQ(Raw("File Types"), Text(".exe.dll"));
  EXPECT_TRUE(IncludeSubs);
  EXPECT_FALSE(ExtractFromAll);
  EXPECT_EQ(FileTypes, ".exe.dll");
  EXPECT_FALSE(d.cmdApply.Enabled());
  EXPECT_EQ(GetFocus(), d.cmdOK.Handle());

  // Emptying the memo by keyboard is a change; the empty text is stored as it is.
  d.PageControl1.SetActivePage(&d.tsAdvanced);
  SetFocus(d.mmoFileTypes.Handle());
  SendMessageA(d.mmoFileTypes.Handle(), EM_SETSEL, 0, -1);
  SendMessageA(d.mmoFileTypes.Handle(), WM_CHAR, VK_BACK, 1);
  EXPECT_TRUE(d.cmdApply.Enabled());
  Click(d.cmdApply);
  EXPECT_EQ(Raw("File Types"), Text(""));
  EXPECT_EQ(FileTypes, "");

  // The size filter's choice is a change like the others, stored and in force at once.
  EXPECT_EQ(d.cboMinSize.Item(d.cboMinSize.ItemIndex()), "0");
  d.cboMinSize.SetItemIndex(7);
  EXPECT_TRUE(d.cmdApply.Enabled());
  Click(d.cmdApply);
  EXPECT_EQ(d.cboMinSize.Item(7), "256");
  EXPECT_EQ(Extraction.minSize, 256);
  EXPECT_EQ(TRegistryIniFile(kBaseKey).ReadInteger(kSection, "Minimum Image Size", -1), 256);
  Extraction.minSize = 0;
}

TEST_F(ConfigTest, OkWritesAllEightValuesEvenWithoutChanges) {
  Start();
  ExtractFromAll = false;
  FileTypes.clear();
  // Enter with a check box focused presses OK.
  OpenConfiguration([](TfrmConfig& d) {
    SetFocus(d.chkTips.Handle());
    PostKey(d.chkTips.Handle(), VK_RETURN);
  });
  EXPECT_FALSE(IsWindowVisible(frmConfig->Handle()));
  EXPECT_EQ(Raw("Toolbar Button Text"), Text("1"));
  EXPECT_EQ(Raw("Toolbar Tool Tips"), Text("1"));
  EXPECT_EQ(Raw("Toolbar Colour Only"), Text("0"));
  EXPECT_EQ(Raw("Remove"), Text("0"));
  EXPECT_EQ(Raw("Include Subs"), Text("0"));
  EXPECT_EQ(Raw("Extract From All"), Text("1"));
  EXPECT_EQ(Raw("File Types"), Text(kDefaultFileTypes));
  EXPECT_EQ(TRegistryIniFile(kBaseKey).ReadInteger(kSection, "Minimum Image Size", -1), 0);
  EXPECT_TRUE(ExtractFromAll);
  EXPECT_EQ(FileTypes, kDefaultFileTypes);

  // Enter while typing in the memo presses OK too, and never becomes a line break.
  OpenConfiguration([](TfrmConfig& d) {
    d.PageControl1.SetActivePage(&d.tsAdvanced);
    Click(d.rbSpecific);
    SetFocus(d.mmoFileTypes.Handle());
    PostKey(d.mmoFileTypes.Handle(), VK_RETURN);
  });
  EXPECT_FALSE(IsWindowVisible(frmConfig->Handle()));
  EXPECT_EQ(frmConfig->mmoFileTypes.Text(), kDefaultFileTypes);
  EXPECT_EQ(Raw("Extract From All"), Text("0"));
}

TEST_F(ConfigTest, AFailingStoreLeavesTheDialogOpenWithApplyEnabled) {
  TfrmMainForm& main = Start();
  ExtractFromAll = true;
  FileTypes = "kept";
  // Under a volatile base key no lasting section can be created, so every write fails.
  RegDeleteKeyA(HKEY_CURRENT_USER, "software\\Varnholt");
  HKEY base = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "software\\Varnholt", 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS,
                            nullptr, &base, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(base);
  ModalAnswerer boxes;
  OpenConfiguration([&](TfrmConfig& d) {
    Click(d.chkText);
    Click(d.rbSpecific);
    Click(d.cmdOK);
    EXPECT_TRUE(d.IsModal());
    EXPECT_TRUE(IsWindowVisible(d.Handle()));
    EXPECT_TRUE(d.cmdApply.Enabled());
    EXPECT_EQ(main.tbMain.Height(), 26);  // the toolbar changed before the store failed
    Click(d.cmdCancel);
  });
  RegDeleteKeyA(HKEY_CURRENT_USER, "software\\Varnholt");
  EXPECT_TRUE(ExtractFromAll);
  EXPECT_EQ(FileTypes, "kept");
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].text, "Failed to create key Glyph Gatherer.");
}

std::vector<HWND> TabWalk(HWND dialog) {
  std::vector<HWND> order;
  HWND first = GetNextDlgTabItem(dialog, nullptr, FALSE);
  for (HWND w = first; w && order.size() < 20; w = GetNextDlgTabItem(dialog, w, FALSE)) {
    if (!order.empty() && w == first) break;
    order.push_back(w);
  }
  return order;
}

TEST_F(ConfigTest, LayoutTabOrderToolTipAndHelp) {
  TfrmMainForm& main = Start();
  TfrmConfig& d = *frmConfig;
  d.Show();
  Application.ProcessMessages();
  EXPECT_EQ(d.Caption(), "Configuration");
  // The design's client area, wider where a caption needs the room in the display's font.
  RECT client = d.ClientRect();
  EXPECT_GE(client.right, 321);
  EXPECT_EQ(client.bottom, 352);
  LONG_PTR style = GetWindowLongPtrA(d.Handle(), GWL_STYLE);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
  EXPECT_TRUE(d.cmdOK.IsDefault());
  EXPECT_TRUE(d.cmdCancel.IsCancel());

  HWND tabs = d.PageControl1.TabHandle();
  EXPECT_EQ(TabWalk(d.Handle()), (std::vector<HWND>{tabs, d.chkText.Handle(), d.chkTips.Handle(), d.chkColour.Handle(),
                                                    d.chkSub.Handle(), d.chkDeleteReg.Handle(), d.cmdOK.Handle(),
                                                    d.cmdCancel.Handle()}));
  d.PageControl1.SetActivePage(&d.tsAdvanced);
  EXPECT_EQ(TabWalk(d.Handle()), (std::vector<HWND>{tabs, d.rbAll.Handle(), d.cboMinSize.Handle(), d.cmdOK.Handle(),
                                                    d.cmdCancel.Handle()}));
  Click(d.rbSpecific);
  EXPECT_EQ(TabWalk(d.Handle()), (std::vector<HWND>{tabs, d.rbSpecific.Handle(), d.mmoFileTypes.Handle(),
                                                    d.cboMinSize.Handle(), d.cmdOK.Handle(), d.cmdCancel.Handle(),
                                                    d.cmdApply.Handle()}));
  EXPECT_EQ(d.HintText(d.mmoFileTypes), "Add or remove file extensions, separated by a period (.)");
  EXPECT_FALSE(d.HintText(d.cboMinSize).empty());

  // F1 anywhere in the dialog opens the HTML Help viewer, at the dialog's topic, in front of it.
  char chm[MAX_PATH] = "";
  GetFullPathNameA("..\\Mirovane.chm", MAX_PATH, chm, nullptr);
  Application.HelpFile = chm;
  EXPECT_EQ(d.HelpTopic(), "configuration");
  PostKey(d.mmoFileTypes.Handle(), VK_F1);
  HWND viewer = nullptr;
  for (int i = 0; i < 200 && !viewer; ++i) {
    Application.ProcessMessages();
    viewer = FindWindowA("HH Parent", nullptr);
    if (!viewer) Sleep(25);
  }
  ASSERT_TRUE(viewer);
  EXPECT_TRUE(IsWindowVisible(viewer));
  EXPECT_EQ(GetWindow(viewer, GW_OWNER), main.Handle());
}

// In portable use the dialog says that Remove empties the settings file, and Apply writes the
// file at once, never the registry.
TEST_F(ConfigTest, InPortableUseRemoveNamesTheFileAndApplyWritesIt) {
  testportable::SettingsFile file;
  testportable::DeleteVendorKey();
  Start();
  OpenConfiguration([](TfrmConfig& d) {
    EXPECT_NE(d.chkDeleteReg.Caption().find("Mirovane.ini"), std::string::npos) << d.chkDeleteReg.Caption();
    Click(d.chkDeleteReg);
    Click(d.cmdOK);
  });
  EXPECT_EQ(file.Text(), "[Glyph Gatherer]\r\nToolbar Button Text=1\r\nToolbar Tool Tips=1\r\nToolbar Colour Only=0\r\n"
                         "Remove=1\r\nInclude Subs=0\r\nExtract From All=1\r\nFile Types=" +
                             std::string(kDefaultFileTypes) + "\r\nMinimum Image Size=0\r\n");
  EXPECT_FALSE(testportable::VendorKeyExists());
}

}  // namespace
