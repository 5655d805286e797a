// The main window in portable use: with the settings file beside the program, its start and
// close read and write that file alone.
#include <gtest/gtest.h>

#include <string>

#include "AppTestSupport.h"
#include "ModalAnswerer.h"
#include "PortableSettings.h"
#include "app/MainForm.h"
#include "settings/Settings.h"
#include "ui/Application.h"

using ui::Application;

namespace {

class PortableWindowTest : public testing::Test {
 protected:
  void SetUp() override { testportable::DeleteVendorKey(); }
  void TearDown() override {
    Application.DestroyForms();
    DrainQuit();
  }

  static TfrmMainForm& Open() { return apptest::OpenMainWindow(); }
  static void CloseAndForget(TfrmMainForm& f) {
    f.Close();
    Application.DestroyForms();
    DrainQuit();
  }
  static void DrainQuit() { apptest::DrainQuit(); }
};

// A damaged file gives the defaults and is written afresh; what the window kept there comes
// back at the next start; the registry's key is never made.
TEST_F(PortableWindowTest, TheLayoutGoesToTheFileAndComesBackWithoutARegistryKey) {
  ModalAnswerer boxes;
  const char damaged[] = "\x00\xFF[Glyph\x01 Gatherer]\r\nToolbar=0\x07\r\n";
  testportable::SettingsFile file(std::string(damaged, sizeof damaged - 1));
  {
    TfrmMainForm& f = Open();
    EXPECT_TRUE(f.tbMain.Visible());
    f.SetWindowBounds(40, 50, 620, 450);
    f.actToolbar.Execute();
    f.actPreview.Execute();
    f.Splitter1.ProposeSize(190);
    CloseAndForget(f);
  }
  EXPECT_FALSE(testportable::VendorKeyExists());
  const std::string text = file.Text();
  EXPECT_EQ(text.rfind("[Glyph Gatherer]\r\nToolbar=0\r\n", 0), 0u) << text;
  for (const char* line : {"Preview Pane=1\r\n", "Main Left=40\r\n", "Main Width=620\r\n", "Nav Width=190\r\n"})
    EXPECT_NE(text.find(line), std::string::npos) << line;
  {
    TfrmMainForm& f = Open();
    EXPECT_FALSE(f.tbMain.Visible());
    EXPECT_TRUE(f.pnlPreview.Visible());
    const RECT r = f.WindowBounds();
    EXPECT_EQ(r.left, 40);
    EXPECT_EQ(r.right - r.left, 620);
    EXPECT_EQ(f.stNav.Width(), 190);
    CloseAndForget(f);
  }
  EXPECT_FALSE(testportable::VendorKeyExists());
  EXPECT_TRUE(boxes.Boxes().empty());
}

// A file the program cannot replace (as in a read-only folder): the close says once why the
// settings were not kept, and the file stays as it was.
TEST_F(PortableWindowTest, AFileThatCannotBeWrittenIsReportedOnceAtClose) {
  const std::string before = "[Glyph Gatherer]\r\nNav Width=200\r\n";
  testportable::SettingsFile file(before);
  file.SetReadOnly(true);
  ModalAnswerer boxes;
  TfrmMainForm& f = Open();
  EXPECT_EQ(f.stNav.Width(), 200);
  f.Splitter1.ProposeSize(230);
  CloseAndForget(f);
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_NE(boxes.Boxes()[0].text.find("could not be kept in " + file.Path() + ": "), std::string::npos)
      << boxes.Boxes()[0].text;
  EXPECT_EQ(file.Text(), before);
  EXPECT_FALSE(testportable::VendorKeyExists());
}

// Remove in portable use empties the file's section at exit, and the file stays.
TEST_F(PortableWindowTest, RemoveEmptiesTheFileAtClose) {
  testportable::SettingsFile file("[Glyph Gatherer]\r\nRemove=1\r\nToolbar=0\r\n");
  TfrmMainForm& f = Open();
  EXPECT_FALSE(f.tbMain.Visible());
  CloseAndForget(f);
  EXPECT_EQ(file.Text(), "[Glyph Gatherer]\r\n");
  EXPECT_FALSE(testportable::VendorKeyExists());
}

}  // namespace
