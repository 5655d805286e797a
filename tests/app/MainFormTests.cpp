// The main window on the test display: start-up state, settings read at start and written
// at close, the pane switches, the toolbar looks, the splitter, keys and error display.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <vector>

#include "AppTestSupport.h"
#include "RawRegistry.h"
#include "ModalAnswerer.h"
#include "app/MainForm.h"
#include "settings/RegistryIniFile.h"
#include "settings/Settings.h"
#include "ui/Application.h"

using ui::Application;

namespace {

const char* kSectionPath = "software\\Varnholt\\Glyph Gatherer";

using testreg::RawValue;

RawValue Raw(const char* name) { return testreg::ReadRaw(kSectionPath, name); }

void Put(const char* name, DWORD type, const void* data, DWORD size) {
  testreg::WriteRaw(kSectionPath, name, type, data, size);
}

void PutText(const char* name, const char* text) { Put(name, REG_SZ, text, static_cast<DWORD>(strlen(text) + 1)); }
void PutDword(const char* name, DWORD v) { Put(name, REG_DWORD, &v, 4); }

bool SectionExists() {
  HKEY key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kSectionPath, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

class MainFormTest : public testing::Test {
 protected:
  void SetUp() override {
    TRegistryIniFile(kBaseKey).EraseSection(kSection);
    IncludeSubs = ExtractFromAll = false;
    FileTypes.clear();
  }
  void TearDown() override {
    Application.DestroyForms();
    DrainQuit();
    TRegistryIniFile(kBaseKey).EraseSection(kSection);
  }

  TfrmMainForm& Open() { return apptest::OpenMainWindow(); }

  // The normal close path; the closed main form ends the message loop, which the test
  // takes back so that later tests get a fresh one.
  void CloseAndForget(TfrmMainForm& f) {
    f.Close();
    EXPECT_EQ(f.Handle(), nullptr) << "the window should be gone";
    Application.DestroyForms();
    DrainQuit();
  }

  static void DrainQuit() { apptest::DrainQuit(); }
};

TEST_F(MainFormTest, StartsWithDefaultsWhenNothingIsStored) {
  ModalAnswerer boxes;
  TfrmMainForm& f = Open();
  // The tree's root is the desktop, shown by its parsing name.
  EXPECT_EQ(f.Caption(), f.stNav.RootNode()->Text() + " - Varnholt Glyph Gatherer");
  EXPECT_EQ(f.sbInfo.PanelText(0), "0 icons");
  RECT r = f.WindowBounds();
  EXPECT_EQ(r.left, 236);
  EXPECT_EQ(r.top, 113);
  EXPECT_EQ(r.right - r.left, 582);
  EXPECT_EQ(r.bottom - r.top, 480);
  EXPECT_EQ(f.stNav.Width(), 170);
  EXPECT_EQ(f.Splitter1.Left(), 170);
  EXPECT_EQ(f.tbMain.Height(), 41);
  EXPECT_EQ(f.sbInfo.Height(), 19);
  EXPECT_EQ(f.pnlInfo.Height(), 20);
  // Commands that need a selection or a parent folder start disabled.
  for (auto* b : {&f.tbUp, &f.tbSave, &f.tbCopy}) EXPECT_FALSE(b->Enabled()) << b->Name();
  EXPECT_TRUE(f.tbViews.Enabled());
  for (auto* m : {&f.miUp, &f.miSave, &f.miCopy, &f.pmiSave, &f.pmiCopy}) EXPECT_FALSE(m->Enabled()) << m->Name();
  for (auto* m : {&f.miToolbar, &f.miStatusbar, &f.miHeader, &f.miLarge, &f.pmiLarge, &f.pmiLarge2})
    EXPECT_TRUE(m->Checked()) << m->Name();
  EXPECT_TRUE(f.pmiSave.IsDefault());
  // Grey images until "Toolbar Colour Only" says otherwise; colour under the mouse.
  EXPECT_EQ(f.tbMain.Images(), &f.ImageList2);
  EXPECT_TRUE(ExtractFromAll);
  EXPECT_EQ(FileTypes, kDefaultFileTypes);
  EXPECT_FALSE(IncludeSubs);
  EXPECT_EQ(Application.HelpFile.substr(Application.HelpFile.size() - 13), "\\Mirovane.chm");
  EXPECT_TRUE(boxes.Boxes().empty());
  // Reading creates the base key, never the section.
  EXPECT_FALSE(SectionExists());
}

TEST_F(MainFormTest, ToolbarLookFollowsTheThreeFlags) {
  TfrmMainForm& f = Open();
  f.ApplyToolbarSettings(false, false, true);
  SIZE s = f.tbMain.ReportedButtonSize();
  EXPECT_EQ(s.cx, 23);
  EXPECT_EQ(s.cy, 22);
  EXPECT_EQ(f.tbMain.Height(), 26);
  EXPECT_FALSE(f.tbMain.ShowCaptions());
  EXPECT_FALSE(f.tbMain.ShowHint());
  EXPECT_EQ(f.tbMain.Images(), &f.ImageList1);
  f.ApplyToolbarSettings(true, true, false);
  s = f.tbMain.ReportedButtonSize();
  EXPECT_EQ(s.cx, 47);
  EXPECT_EQ(s.cy, 36);
  EXPECT_EQ(f.tbMain.Height(), 41);
  EXPECT_TRUE(f.tbMain.ShowCaptions());
  EXPECT_EQ(f.tbMain.Images(), &f.ImageList2);
  // The panes below follow the toolbar's height.
  EXPECT_EQ(f.stNav.Top(), 41);
}

TEST_F(MainFormTest, StoredSettingsApplyAtStart) {
  PutText("Toolbar", "0");
  PutDword("Status Bar", 0);
  PutText("Toolbar Button Text", "0");
  PutText("Toolbar Colour Only", "1");
  PutText("Include Subs", "1");
  PutText("Extract From All", "0");
  PutText("File Types", "");
  PutText("Main Height", "300");
  PutDword("Main Left", 10);
  PutDword("Main Top", 20);
  PutDword("Main Width", 400);
  PutDword("Nav Width", 120);
  TfrmMainForm& f = Open();
  EXPECT_FALSE(f.tbMain.Visible());
  EXPECT_FALSE(f.miToolbar.Checked());
  EXPECT_FALSE(f.sbInfo.Visible());
  EXPECT_FALSE(f.miStatusbar.Checked());
  EXPECT_TRUE(f.pnlInfo.Visible());
  EXPECT_EQ(f.tbMain.Height(), 26);
  EXPECT_EQ(f.tbMain.Images(), &f.ImageList1);
  EXPECT_TRUE(IncludeSubs);
  EXPECT_FALSE(ExtractFromAll);
  EXPECT_EQ(FileTypes, "");
  RECT r = f.WindowBounds();
  EXPECT_EQ(r.left, 10);
  EXPECT_EQ(r.top, 20);
  EXPECT_EQ(r.right - r.left, 400);
  EXPECT_EQ(r.bottom - r.top, 300);
  EXPECT_EQ(f.stNav.Width(), 120);
  // The switches show the panes again and keep their check marks in step.
  f.miToolbar.Click();
  EXPECT_TRUE(f.tbMain.Visible());
  EXPECT_TRUE(f.miToolbar.Checked());
  EXPECT_EQ(f.stNav.Top(), 26);
  f.miHeader.Click();
  EXPECT_FALSE(f.pnlInfo.Visible());
  EXPECT_EQ(f.lvIcons.Top(), 0);
  CloseAndForget(f);
  // A text integer stays text; the pane states are stored as text flags.
  EXPECT_EQ(Raw("Main Height").type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(Raw("Main Height").Text(), std::string("300\0", 4));
  EXPECT_EQ(Raw("Status Bar").Text(), std::string("0\0", 2));
  EXPECT_EQ(Raw("Header Pane").Text(), std::string("0\0", 2));
  EXPECT_EQ(Raw("Toolbar").Text(), std::string("1\0", 2));
}

TEST_F(MainFormTest, CloseWritesTheLayoutWithExactTypes) {
  TfrmMainForm& f = Open();
  f.SetWindowBounds(50, 60, 500, 400);
  f.Splitter1.ProposeSize(200);
  CloseAndForget(f);
  for (const char* flag : {"Toolbar", "Status Bar", "Header Pane"}) {
    EXPECT_EQ(Raw(flag).type, static_cast<DWORD>(REG_SZ)) << flag;
    EXPECT_EQ(Raw(flag).Text(), std::string("1\0", 2)) << flag;
  }
  struct Expect {
    const char* name;
    DWORD value;
  } ints[] = {{"Main Height", 400}, {"Main Left", 50}, {"Main Top", 60}, {"Main Width", 500},
              {"Main WindowState", 0}, {"Nav Width", 200}};
  for (auto& e : ints) {
    EXPECT_EQ(Raw(e.name).type, static_cast<DWORD>(REG_DWORD)) << e.name;
    EXPECT_EQ(Raw(e.name).Dword(), e.value) << e.name;
  }
  // The dialog's values appear only when the dialog applies them.
  EXPECT_EQ(Raw("Remove").type, static_cast<DWORD>(REG_NONE));
}

TEST_F(MainFormTest, MaximisedAndMinimisedClosesStoreOnlyTheState) {
  PutDword("Main Height", 333);
  TfrmMainForm& f = Open();
  f.SetWindowState(ui::WindowState::Maximized);
  CloseAndForget(f);
  EXPECT_EQ(Raw("Main WindowState").Dword(), 1u);
  EXPECT_EQ(Raw("Main Height").Dword(), 333u);
  EXPECT_EQ(Raw("Main Left").type, static_cast<DWORD>(REG_NONE));

  TfrmMainForm& g = Open();
  EXPECT_EQ(g.GetWindowState(), ui::WindowState::Maximized);
  g.SetWindowState(ui::WindowState::Minimized);
  CloseAndForget(g);
  EXPECT_EQ(Raw("Main WindowState").Dword(), 1u);
  EXPECT_EQ(Raw("Main Height").Dword(), 333u);
}

TEST_F(MainFormTest, RemoveErasesTheSectionAtCloseButKeepsTheBaseKey) {
  PutText("Remove", "1");
  TfrmMainForm& f = Open();
  CloseAndForget(f);
  EXPECT_FALSE(SectionExists());
  HKEY key;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "software\\Varnholt", 0, KEY_READ, &key), ERROR_SUCCESS);
  RegCloseKey(key);
}

TEST_F(MainFormTest, UnusableStoredBoundsFallBackToDefaults) {
  for (auto [left, top, width, height] : {std::array{5000, 5000, 582, 480}, std::array{-3000, 100, 582, 480},
                                          std::array{100, 100, 20, 480}, std::array{100, 100, 582, -5}}) {
    PutDword("Main Left", left);
    PutDword("Main Top", top);
    PutDword("Main Width", width);
    PutDword("Main Height", height);
    TfrmMainForm& f = Open();
    RECT r = f.WindowBounds();
    EXPECT_EQ(r.left, 236) << left << "," << top << " " << width << "x" << height;
    EXPECT_EQ(r.right - r.left, 582);
    EXPECT_EQ(r.bottom - r.top, 480);
    Application.DestroyForms();
    DrainQuit();
  }
}

TEST_F(MainFormTest, StoredValuesTheWindowCannotHoldCountAsMissing) {
  // Pane widths the 582-pixel window and the splitter's minimum of 80 cannot hold.
  for (DWORD nav : {0x7FFFFFFFu, 0x80000000u, 0u, 79u, 500u}) {
    PutDword("Nav Width", nav);
    TfrmMainForm& f = Open();
    EXPECT_EQ(f.stNav.Width(), 170) << nav;
    CloseAndForget(f);
    EXPECT_EQ(Raw("Nav Width").Dword(), 170u) << "written back sane: " << nav;
  }
  // Bounds whose sums would leave int; a types text no one typed.
  PutDword("Main Left", 0x7FFFFFFF);
  PutDword("Main Top", 0x7FFFFFFF);
  PutDword("Main Width", 0x7FFFFFFF);
  PutDword("Main Height", 0x80000000);
  PutText("File Types", std::string(100 * 1024, 'x').c_str());
  TfrmMainForm& f = Open();
  RECT r = f.WindowBounds();
  EXPECT_EQ(r.left, 236);
  EXPECT_EQ(r.right - r.left, 582);
  EXPECT_EQ(FileTypes, kDefaultFileTypes);
  CloseAndForget(f);
  // A maximised window holds a wider tree than the normal window would.
  PutDword("Main WindowState", 1);
  PutDword("Nav Width", 600);
  TfrmMainForm& g = Open();
  EXPECT_EQ(g.stNav.Width(), 600);
}

TEST_F(MainFormTest, BadStoredTypesAreShownAndTheWindowStillOpens) {
  BYTE eight[8] = {1};
  Put("Status Bar", REG_BINARY, eight, 8);
  PutDword("File Types", 5);
  {
    ModalAnswerer boxes;
    TfrmMainForm& f = Open();
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].caption, "Varnholt Glyph Gatherer");
    // "'" sorts before ".", so no full stop is added.
    EXPECT_EQ(boxes.Boxes()[0].text, "Failed to get data for 'Status Bar'");
    EXPECT_TRUE(IsWindowVisible(f.Handle()));
    EXPECT_TRUE(f.sbInfo.Visible());  // settings not yet read keep their layout values
    Application.DestroyForms();
    DrainQuit();
  }
  BYTE two[2] = {0};
  Put("Status Bar", REG_BINARY, two, 2);
  ModalAnswerer boxes;
  Open();
  std::vector<std::string> texts;
  for (auto& b : boxes.Boxes()) texts.push_back(b.text);
  EXPECT_EQ(texts, std::vector<std::string>{"Invalid data type for 'Status Bar'"});
}

TEST_F(MainFormTest, ACloseThatCannotWriteStillCloses) {
  // Under a volatile base key no lasting section can be created, so every write fails.
  TfrmMainForm& f = Open();
  RegDeleteKeyA(HKEY_CURRENT_USER, "software\\Varnholt");
  HKEY base = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "software\\Varnholt", 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS,
                            nullptr, &base, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(base);
  ModalAnswerer boxes;
  CloseAndForget(f);
  RegDeleteKeyA(HKEY_CURRENT_USER, "software\\Varnholt");
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].text, "Failed to create key Glyph Gatherer.");
}

TEST_F(MainFormTest, SplitterNeverNarrowsTheTreeBelow81) {
  TfrmMainForm& f = Open();
  f.Splitter1.ProposeSize(10);
  EXPECT_EQ(f.stNav.Width(), 81);
  f.Splitter1.ProposeSize(80);
  EXPECT_EQ(f.stNav.Width(), 81);
  f.Splitter1.ProposeSize(250);
  EXPECT_EQ(f.stNav.Width(), 250);
  EXPECT_EQ(f.Splitter1.Left(), 250);
  // A real drag: press on the splitter and move the mouse far left.
  SendMessageA(f.Splitter1.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 5));
  SendMessageA(f.Splitter1.Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(static_cast<WORD>(-240), 5));
  SendMessageA(f.Splitter1.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(0, 5));
  EXPECT_EQ(f.stNav.Width(), 81);
}

TEST_F(MainFormTest, KeysReachTheWindowBeforeTheFocusedControl) {
  TfrmMainForm& f = Open();
  // Held while it lists its folder, the run F5 starts still goes when Esc comes.
  f.HoldRuns(std::make_shared<RunGate>(RunGate::Phase::Listing));
  const unsigned runs = f.RunsStarted();
  PostMessageA(f.lvIcons.Handle(), WM_KEYDOWN, VK_F5, 0);
  Application.ProcessMessages();
  EXPECT_EQ(f.RunsStarted(), runs + 1);
  ASSERT_TRUE(f.Extracting());
  PostMessageA(f.lvIcons.Handle(), WM_KEYDOWN, VK_ESCAPE, 0);
  Application.ProcessMessages();
  EXPECT_FALSE(f.Extracting());
  EXPECT_FALSE(f.Extracting());
  EXPECT_EQ(f.sbInfo.PanelText(0), "0 icons");
}

TEST_F(MainFormTest, ViewsCycleKeepsThreeRadioGroupsInStep) {
  TfrmMainForm& f = Open();
  ui::MenuItem* groups[3][4] = {{&f.miLarge, &f.miSmall, &f.miList, &f.miDetails},
                                {&f.pmiLarge, &f.pmiSmall, &f.pmiList, &f.pmiDetails},
                                {&f.pmiLarge2, &f.pmiSmall2, &f.pmiList2, &f.pmiDetails2}};
  ui::ViewStyle order[] = {ui::ViewStyle::SmallIcon, ui::ViewStyle::List, ui::ViewStyle::Report, ui::ViewStyle::Icon};
  for (int press = 0; press < 4; ++press) {
    f.tbViews.Click();
    EXPECT_EQ(f.lvIcons.View(), order[press]);
    int mode = (press + 1) % 4;
    for (auto& group : groups)
      for (int i = 0; i < 4; ++i) EXPECT_EQ(group[i]->Checked(), i == mode) << group[i]->Name();
  }
  f.pmiDetails2.Click();
  EXPECT_TRUE(f.miDetails.Checked());
  EXPECT_TRUE(f.pmiDetails.Checked());
  EXPECT_FALSE(f.miLarge.Checked());
}

TEST_F(MainFormTest, HandlerErrorsReachTheErrorDisplayAndTheProgramCarriesOn) {
  ModalAnswerer boxes;
  TfrmMainForm& f = Open();
  f.lvIcons.OnChange = [](ui::Component&) { throw win::Exception("Cannot open clipboard"); };
  f.lvIcons.AddItem("a.dll", -1);
  f.lvIcons.SetSelected(0, true);
  Application.ProcessMessages();
  ASSERT_FALSE(boxes.Boxes().empty());
  EXPECT_EQ(boxes.Boxes()[0].text, "Cannot open clipboard.");
  EXPECT_EQ(boxes.Boxes()[0].caption, "Varnholt Glyph Gatherer");
  EXPECT_TRUE(IsWindow(f.Handle()));
}

TEST_F(MainFormTest, SelectionCommandsFollowTheSelection) {
  TfrmMainForm& f = Open();
  for (int i = 0; i < 3; ++i) f.lvIcons.AddItem("x" + std::to_string(i) + ".dll", -1);
  f.miSelAllClick(f);
  EXPECT_EQ(f.lvIcons.SelCount(), 3);
  for (auto* b : {&f.tbSave, &f.tbCopy}) EXPECT_TRUE(b->Enabled());
  for (auto* m : {&f.miSave, &f.miCopy, &f.pmiSave, &f.pmiCopy}) EXPECT_TRUE(m->Enabled());
  f.lvIcons.SetSelected(1, false);
  f.miInvertClick(f);
  EXPECT_EQ(f.lvIcons.SelCount(), 1);
  EXPECT_TRUE(f.lvIcons.Selected(1));
  f.miInvertClick(f);
  f.miInvertClick(f);
  EXPECT_EQ(f.lvIcons.SelCount(), 1);
  f.lvIcons.SetSelected(1, false);
  for (auto* m : {&f.miSave, &f.miCopy, &f.pmiSave, &f.pmiCopy}) EXPECT_FALSE(m->Enabled());
  EXPECT_FALSE(f.tbCopy.Enabled());
}

}  // namespace
