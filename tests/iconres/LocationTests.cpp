// Icon locations: every group's id, name and language from the resource directory, the text
// Copy Location writes and Go to Location reads, and the shortcuts, Internet shortcuts and
// desktop.ini files the run resolves to the icon they show.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <fstream>

#include "AppTestSupport.h"
#include "CorpusSupport.h"
#include "ModalAnswerer.h"
#include "extract/FileIcons.h"
#include "extract/LargeIcon.h"
#include "extract/Locations.h"
#include "iconres/IconFile.h"
#include "win/Handles.h"
#include "win/Text.h"

namespace {

using location::Location;
using Strings = std::vector<std::string>;

std::string Ids() { return corpus::Folder("ids") + "ids32.dll"; }

TEST(IconLocations, GroupsKnowTheirIdNameAndLanguageFromTheDirectory) {
  fixtures::TempFolder windows("win");
  ASSERT_TRUE(CreateDirectoryA((windows.Path() + "System32").c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryA((windows.Path() + "SystemResources").c_str(), nullptr));
  const std::string plain = windows.Path() + "System32\\plain.dll";
  ASSERT_TRUE(CopyFileA((fixtures::ProgramFolder() + "iconfixture_base.dll").c_str(), plain.c_str(), FALSE));
  ASSERT_TRUE(CopyFileA((corpus::Folder("ids") + "ids64.dll").c_str(),
                        (windows.Path() + "SystemResources\\plain.dll.mun").c_str(), FALSE));
  // Both widths, and a library whose icons live in its .mun: named first, then 1, 100, 184.
  for (const std::string& path : {Ids(), corpus::Folder("ids") + "ids64.dll", plain}) {
    const iconres::IconFile file = iconres::LoadIconFile(path, windows.Path());
    ASSERT_EQ(file.Count(), 4u) << path;
    Strings names, indexes;
    for (size_t i = 0; i < file.Count(); ++i) {
      const iconres::ResourceName& r = file.contents.groups[i].resource;
      names.push_back(location::ResourceText(r) + "/" + std::to_string(r.language));
      indexes.push_back(std::to_string(*location::IndexFor(file.contents, i)));
    }
    EXPECT_EQ(names, (Strings{"MAINICON/1033", "1/1033", "100/1031", "184/1033"})) << path;
    // A named group goes by its position, and so does the id 1 (ExtractIconEx takes -1 for a
    // question); the rest by their ids.
    EXPECT_EQ(indexes, (Strings{"0", "1", "-100", "-184"})) << path;
    EXPECT_EQ(location::GroupFor(file.contents, -1), 1u);
    EXPECT_EQ(location::GroupFor(file.contents, -184), 3u);
    EXPECT_EQ(location::GroupFor(file.contents, 0), 0u);
    EXPECT_FALSE(location::GroupFor(file.contents, -2));
    EXPECT_FALSE(location::GroupFor(file.contents, 4));
  }
  // Files the platform reads by position only, and a program's cursors, which have no location.
  const iconres::IconFile ne = iconres::LoadIconFile(corpus::Folder("good") + "ne.icl", "");
  EXPECT_EQ(location::IndexFor(ne.contents, 2), 2);
  EXPECT_EQ(location::IndexFor(iconres::LoadIconFile(corpus::Folder("good") + "every.ico", "").contents, 0), 0);
  const iconres::IconFile cursors = iconres::LoadIconFile(corpus::Folder("good") + "cursors32.dll", "", true);
  ASSERT_GT(cursors.Count(), cursors.contents.icons);
  EXPECT_TRUE(location::IndexFor(cursors.contents, 0));
  EXPECT_FALSE(location::IndexFor(cursors.contents, cursors.contents.icons));
}

TEST(IconLocations, TextIsWrittenAndReadAsWindowsWritesIt) {
  EXPECT_EQ(location::Text({"C:\\Windows\\System32\\imageres.dll", -184}, "C:\\WINDOWS\\"),
            "%SystemRoot%\\System32\\imageres.dll,-184");
  EXPECT_EQ(location::Text({"C:\\Program Files\\A\\a.exe", 0}, "C:\\Windows"), "\"C:\\Program Files\\A\\a.exe\",0");
  EXPECT_EQ(location::Text({"C:\\WindowsApps\\a,b.dll", 3}, "C:\\Windows"), "\"C:\\WindowsApps\\a,b.dll\",3");

  struct Case {
    const char* text;
    const char* path;
    int index;
  };
  for (const Case& c : {Case{"\"C:\\a b\\x.dll\",-5", "C:\\a b\\x.dll", -5}, Case{"C:\\x.dll", "C:\\x.dll", 0},
                        Case{" C:\\x.dll , 3 ", "C:\\x.dll", 3}, Case{"C:\\a,b\\x.dll", "C:\\a,b\\x.dll", 0},
                        Case{"\"C:\\x.dll\"", "C:\\x.dll", 0}}) {
    const auto where = location::Parse(c.text);
    ASSERT_TRUE(where) << c.text;
    EXPECT_EQ(where->path, c.path) << c.text;
    EXPECT_EQ(where->index, c.index) << c.text;
  }
  for (const char* bad : {"", "  ", "\"C:\\x.dll", "\"\",1", "\"C:\\x.dll\" 4", "\"C:\\x.dll\",9999999999"})
    EXPECT_FALSE(location::Parse(bad)) << bad;

  // Variables expanded, then found: the file, or which of it is missing.
  const auto expanded = location::Read("%SystemRoot%\\System32\\shell32.dll,-3");
  ASSERT_TRUE(expanded);
  EXPECT_EQ(lstrcmpiA(expanded->path.c_str(), (location::WindowsFolder() + "\\System32\\shell32.dll").c_str()), 0);
  std::string error;
  const auto found = location::Find("\"" + Ids() + "\",-100", error);
  ASSERT_TRUE(found) << error;
  EXPECT_EQ(found->group, 2u);
  EXPECT_EQ(location::Find(Ids(), error)->group, 0u);
  EXPECT_FALSE(location::Find(Ids() + ",-999", error));
  EXPECT_EQ(error, Ids() + " holds no icon with the resource ID 999");
  EXPECT_FALSE(location::Find(Ids() + ",7", error));
  EXPECT_EQ(error, Ids() + " holds no icon at position 7");
  EXPECT_FALSE(location::Find(corpus::Folder("ids") + "none.dll,1", error));
  EXPECT_EQ(error, "cannot find the file " + corpus::Folder("ids") + "none.dll");
}

// ---- Shortcuts, Internet shortcuts, desktop.ini

void WriteText(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

// A shortcut made through the platform's shell link object.
void MakeShortcut(const std::string& path, const std::string& target, const std::string& icon = {}, int index = 0) {
  win::ComPtr<IShellLinkW> link;
  ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                         reinterpret_cast<void**>(link.put()))));
  link->SetPath(win::Widen(target).c_str());
  if (!icon.empty()) link->SetIconLocation(win::Widen(icon).c_str(), index);
  win::ComPtr<IPersistFile> file;
  ASSERT_TRUE(SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.put()))));
  ASSERT_TRUE(SUCCEEDED(file->Save(win::Widen(path).c_str(), TRUE)));
}

// A folder of every kind, sound and not; the icons they point at live in its sub-folder.
struct ShortcutFolder {
  fixtures::TempFolder folder{"links"};
  std::string ids = folder.Path() + "icons\\ids32.dll";
  ShortcutFolder() {
    win::ComScope com;
    CreateDirectoryA((folder.Path() + "icons").c_str(), nullptr);
    CopyFileA(Ids().c_str(), ids.c_str(), FALSE);
    const std::string at = folder.Path();
    MakeShortcut(at + "own.lnk", ids, ids, -100);
    MakeShortcut(at + "target.lnk", ids);
    WriteText(at + "site.url", "[InternetShortcut]\r\nURL=https://example.com/\r\nIconFile=" + ids + "\r\nIconIndex=-184\r\n");
    // Relative to the folder, as Explorer writes it for an icon kept beside the folder.
    WriteText(at + "desktop.ini", "[.ShellClassInfo]\r\nIconResource=icons\\ids32.dll,1\r\n");
    // Damaged, pointing at itself, round in a circle, nowhere.
    WriteText(at + "broken.lnk", std::string("L\0\0\0\x01\x14\x02\0garbage", 16));
    WriteText(at + "self.url", "[InternetShortcut]\r\nIconFile=" + at + "self.url\r\nIconIndex=0\r\n");
    MakeShortcut(at + "circle1.lnk", at + "circle2.lnk");
    MakeShortcut(at + "circle2.lnk", at + "circle1.lnk");
    WriteText(at + "nowhere.url", "[InternetShortcut]\r\nIconFile=" + at + "missing.dll\r\n");
    WriteText(at + "noicon.url", "[InternetShortcut]\r\nIconFile=" + ids + "\r\nIconIndex=-999\r\n");
  }
};

TEST(Shortcuts, EachShowsItsSourcesIconAndTheDamagedOnesNothing) {
  ShortcutFolder links;
  const std::string at = links.folder.Path();
  struct Case {
    const char* name;
    int group;  // -1: nothing to show
  };
  for (const Case& c : {Case{"own.lnk", 2}, Case{"target.lnk", 0}, Case{"site.url", 3}, Case{"desktop.ini", 1},
                        Case{"broken.lnk", -1}, Case{"self.url", -1}, Case{"circle1.lnk", -1}, Case{"nowhere.url", -1},
                        Case{"noicon.url", -1}}) {
    const FileIcons file(at + c.name, "");
    EXPECT_EQ(file.Caption(), c.name);
    if (c.group < 0) {
      EXPECT_EQ(file.First(), file.End()) << c.name;
      EXPECT_NE(file.Error(), 0u) << c.name;
      continue;
    }
    EXPECT_EQ(lstrcmpiA(file.Path().c_str(), links.ids.c_str()), 0) << c.name << " " << file.Path();
    EXPECT_EQ(file.First(), c.group) << c.name;
    EXPECT_EQ(file.End(), c.group + 1) << c.name;
    EXPECT_EQ(file.Error(), 0u) << c.name;
  }
}

std::string ClipboardText() {
  std::string text;
  if (!OpenClipboard(nullptr)) return text;
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* wide = static_cast<const wchar_t*>(GlobalLock(data))) {
      text = win::Narrow(wide);
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return text;
}

class LocationWindow : public apptest::MainWindowTest {};

// The Resource column, Copy Location over entries of every kind, and Go to Location back.
TEST_F(LocationWindow, CopiedLocationsLeadBackToTheirIcons) {
  ModalAnswerer boxes;
  ShortcutFolder links;
  CopyFileA((corpus::Folder("good") + "cursors32.dll").c_str(), (links.folder.Path() + "cursors32.dll").c_str(), FALSE);
  TfrmMainForm& f = Open(false, true, "");
  f.actCursors.Execute();
  apptest::WaitForRun(f);
  f.stNav.SetPath(links.folder.Path().substr(0, links.folder.Path().size() - 1));
  apptest::WaitForRun(f);
  // The shortcuts by their own names, each with its source's index and id; the library's icon,
  // then its cursors.
  Strings entries;
  for (int i = 0; i < f.lvIcons.Count(); ++i)
    entries.push_back(f.lvIcons.Caption(i) + "#" + f.lvIcons.SubItem(i, 1) + "#" + f.lvIcons.SubItem(i, 4));
  EXPECT_EQ(entries, (Strings{"cursors32.dll#0#1", "cursors32.dll#cursor 0#ARROW", "cursors32.dll#cursor 1#1",
                              "cursors32.dll#cursor 2#4", "cursors32.dll#cursor 3#1", "desktop.ini#1#1", "own.lnk#2#100",
                              "site.url#3#184", "target.lnk#0#MAINICON"}));
  // The six that show nothing are counted as unreadable.
  EXPECT_EQ(f.sbInfo.PanelText(1).substr(0, 2), "6 ") << f.sbInfo.PanelText(1);

  f.actSelAll.Execute();
  EXPECT_TRUE(f.actCopyLocation.Enabled());
  EXPECT_EQ(f.pmiCopyLocation.GetAction(), &f.actCopyLocation);
  EXPECT_EQ(f.actCopyLocation.ShortCut(), ui::ShortCut('C', ui::kCtrl | ui::kShift));
  f.actCopyLocation.Execute();
  const std::string lib = links.folder.Path() + "cursors32.dll", ids = links.ids;
  Strings want;
  for (const auto& [path, index] : {std::pair{lib, 0}, std::pair{ids, 1}, std::pair{ids, -100}, std::pair{ids, -184},
                                    std::pair{ids, 0}})
    want.push_back(location::TextOf(path, index));
  std::string wanted;
  for (const std::string& line : want) wanted += (wanted.empty() ? "" : "\r\n") + line;
  EXPECT_EQ(_stricmp(ClipboardText().c_str(), wanted.c_str()), 0) << ClipboardText();
  EXPECT_EQ(f.sbInfo.PanelText(0), "5 locations copied, 4 cursors left out: cursors inside programs have no location");

  // Back: each notation selects its icon, in view; what is missing is named.
  for (const auto& [text, index] : {std::pair{"\"" + ids + "\",-184", "3"}, std::pair{ids, "0"},
                                    std::pair{location::TextOf(ids, -100), "2"}, std::pair{lib, "0"}}) {
    ASSERT_TRUE(f.GoToLocation(text)) << text;
    apptest::WaitForRun(f);
    const int focused = f.lvIcons.FocusedItem();
    ASSERT_GE(focused, 0) << text;
    EXPECT_TRUE(f.lvIcons.Selected(focused)) << text;
    EXPECT_EQ(f.lvIcons.SubItem(focused, 1), index) << text;
    EXPECT_EQ(f.lvIcons.SelCount(), 1) << text;
  }
  EXPECT_FALSE(f.GoToLocation(ids + ",-999"));
  ASSERT_FALSE(boxes.Boxes().empty());
  EXPECT_NE(boxes.Boxes().back().text.find("holds no icon with the resource ID 999"), std::string::npos);
  // Typed into Go to Location's box, as a user pastes one copied from the registry.
  {
    ModalAnswerer typing("\"" + ids + "\",-100");
    EXPECT_EQ(f.actGoToLocation.ShortCut(), ui::ShortCut('L', ui::kCtrl));
    f.actGoToLocation.Execute();
    apptest::WaitForRun(f);
    ASSERT_EQ(typing.Boxes().size(), 1u);
    EXPECT_EQ(typing.Boxes()[0].caption, "Go to Location");
    ASSERT_GE(f.lvIcons.FocusedItem(), 0);
    EXPECT_EQ(f.lvIcons.SubItem(f.lvIcons.FocusedItem(), 1), "2");
  }
}

}  // namespace
