// The About box: its texts from the version resource, the mail link and the logo handed to
// the shell (intercepted here, so no mail program or browser starts), the keys that close
// it, and a creation that fails without stopping the program.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DialogSteps.h"
#include "ModalAnswerer.h"
#include "about/AboutForm.h"
#include "about/GetFileVerInfo.h"
#include "app/MainForm.h"
#include "ui/Application.h"
#include "version.h"

using ui::Application;
using ui::CursorKind;

namespace {

struct ShellCall {
  HWND owner;
  std::string verb, file;
  bool noParameters, noDirectory;
  int show;
  CursorKind cursor;
};
std::vector<ShellCall> shellCalls;

HINSTANCE WINAPI RecordShellCall(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR params, LPCSTR dir, INT show) {
  shellCalls.push_back({owner, verb ? verb : "", file ? file : "", params == nullptr, dir == nullptr, show,
                        Application.Cursor()});
  return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(33));
}

std::string OwnFile() {
  char path[MAX_PATH] = "";
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  return path;
}

std::string Beside(const std::string& name) {
  std::string own = OwnFile();
  return own.substr(0, own.find_last_of("\\/") + 1) + name;
}

void ClickLabel(const ui::Control& c) { SendMessageA(c.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(2, 2)); }

class AboutTest : public testing::Test {
 protected:
  void SetUp() override {
    shellCalls.clear();
    AboutShellExecute = &RecordShellCall;
  }
  void TearDown() override {
    Application.DestroyForms();
    frmAbout = nullptr;
    AboutShellExecute = &ShellExecuteA;
    AboutVersionFile.clear();
    MSG m;
    while (PeekMessageA(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    Application.Initialize();
  }

  // As the program starts: the main window, then the About box, hidden until its command.
  TfrmMainForm& Start() {
    main_ = &Application.CreateForm<TfrmMainForm>();
    frmAbout = &Application.CreateForm<TfrmAbout>();
    main_->Show(SW_SHOWNORMAL);
    Application.ProcessMessages();
    return *main_;
  }

  TfrmMainForm* main_ = nullptr;
};

TEST_F(AboutTest, TextsComeFromTheProgramsOwnVersionResource) {
  Start();
  TfrmAbout& a = *frmAbout;
  std::vector<std::string> list;
  GetVersionStrings(OwnFile(), list);
  ASSERT_EQ(list.size(), 10u);
  EXPECT_EQ(a.Caption(), "About Varnholt Glyph Gatherer");
  EXPECT_EQ(a.lblTitle.Caption(), "Varnholt Glyph Gatherer");
  // Which program runs: the 64-bit one always says so, the 32-bit one only on 64-bit Windows.
  SYSTEM_INFO system = {};
  GetNativeSystemInfo(&system);
  const bool windows64 = system.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64;
  const char* kind = sizeof(void*) == 8 ? " (64-bit)" : windows64 ? " (32-bit)" : "";
  EXPECT_EQ(a.lblVersion.Caption(), std::string("Version " MIROVANE_VERSION_TEXT) + kind);
  EXPECT_EQ(a.lblInfo.Caption(), list[4] + "\r" + list[9]);
  EXPECT_EQ(a.lblDisclaimer.Caption(), list[5]);
  RECT client = a.ClientRect();
  EXPECT_EQ(client.right, 373);
  EXPECT_EQ(client.bottom, 229);
  // Plain labels draw in the form's font, not the system font.
  EXPECT_EQ(a.lblVersion.Font(), a.Font());
  // The address starts two pixels after the sentence, whatever width the font gives it.
  EXPECT_EQ(a.Label4.Width(), a.Label4.TextExtent().cx);
  EXPECT_GT(a.Label4.Width(), 100);
  EXPECT_EQ(a.lblEmail.Left(), a.Label4.Left() + a.Label4.Width() + 2);
  EXPECT_EQ(a.HintText(a.lblEmail), kMailLink);
  EXPECT_EQ(a.lblEmail.FontColor(), RGB(0, 0, 255));
  EXPECT_NE(a.ImgVarnholt.Picture(), nullptr);
  EXPECT_TRUE(a.cmdOK.IsDefault());
  EXPECT_TRUE(a.cmdOK.IsCancel());
}

TEST_F(AboutTest, LinksGoToTheShellAndTheMailLabelStaysMaroon) {
  TfrmMainForm& main = Start();
  TfrmAbout& a = *frmAbout;
  ClickLabel(a.lblEmail);
  ClickLabel(a.lblEmail);
  ASSERT_EQ(shellCalls.size(), 2u);
  for (const ShellCall& call : shellCalls) {
    EXPECT_EQ(call.file, std::string(kMailLink) + "?Subject=MIROVANE_" MIROVANE_VERSION_TEXT);
    EXPECT_EQ(call.verb, "open");
    EXPECT_EQ(call.owner, main.Handle());
    EXPECT_TRUE(call.noParameters && call.noDirectory);
    EXPECT_EQ(call.show, SW_SHOWNORMAL);
  }
  EXPECT_EQ(a.lblEmail.FontColor(), RGB(128, 0, 0));

  ClickLabel(a.ImgVarnholt);
  ASSERT_EQ(shellCalls.size(), 3u);
  EXPECT_EQ(shellCalls[2].file, kHomePage);
  EXPECT_EQ(shellCalls[2].cursor, CursorKind::HourGlass);
  EXPECT_EQ(Application.Cursor(), CursorKind::Default);
  EXPECT_EQ(a.lblEmail.FontColor(), RGB(128, 0, 0));
}

TEST_F(AboutTest, TheAboutCommandShowsTheBoxAndEnterOrEscClosesIt) {
  TfrmMainForm& main = Start();
  for (WORD key : {VK_ESCAPE, VK_RETURN}) {
    bool shown = false;
    WhenShown([&, key] {
      shown = IsWindowVisible(frmAbout->Handle()) && !IsWindowEnabled(main.Handle());
      EXPECT_NE(frmAbout->imgAbout.Picture(), nullptr);  // handed over by the main window
      EXPECT_EQ(GetFocus(), frmAbout->cmdOK.Handle());
      PostKey(frmAbout->cmdOK.Handle(), key);
    });
    main.miAbout.Click();
    EXPECT_TRUE(shown) << key;
    EXPECT_FALSE(IsWindowVisible(frmAbout->Handle())) << key;
    EXPECT_EQ(Application.Cursor(), CursorKind::Default);
  }
}

TEST_F(AboutTest, ACreationThatFailsIsShownAndTheProgramGoesOn) {
  // A resource without "InternalName" has nine entries: entry 9 is missing.
  AboutVersionFile = Beside("verfix_nointernal.dll");
  ModalAnswerer boxes;
  main_ = &Application.CreateForm<TfrmMainForm>();
  frmAbout = &Application.CreateForm<TfrmAbout>();
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].caption, "Varnholt Glyph Gatherer");
  EXPECT_EQ(boxes.Boxes()[0].text, "List index out of bounds (9)");
  // The steps after the error kept their design-time state.
  EXPECT_EQ(frmAbout->lblInfo.Caption(), "Copyright");
  EXPECT_EQ(frmAbout->lblDisclaimer.Caption(), "Disclaimer");
  EXPECT_EQ(frmAbout->lblEmail.Left(), 244);
  EXPECT_TRUE(IsWindow(main_->Handle()));
}

}  // namespace
