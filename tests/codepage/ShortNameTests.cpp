// On a system that ignores the manifest's UTF-8 code page (before Windows 10 1903), names the
// system's code page cannot spell are listed, opened and walked by their short 8.3 names.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <fstream>
#include <iterator>

#include "AppTestSupport.h"
#include "batch/Batch.h"
#include "batch/Console.h"
#include "extract/AllFilesIterator.h"
#include "fixtures/IconFixtures.h"
#include "win/Handles.h"

using apptest::Entries;
using apptest::WithoutTrailingBackslash;

namespace {

using Strings = std::vector<std::string>;


TEST(LegacyCodePage, ThisProgramRunsInTheSystemsCodePage) { EXPECT_NE(GetACP(), static_cast<UINT>(CP_UTF8)); }

// Output redirected to a file is UTF-8 in any code page, so a script reads one encoding.
TEST(LegacyCodePage, RedirectedOutputIsUtf8) {
  fixtures::TempFolder dir("out");
  const std::string path = dir.Path() + "out.txt";
  {
    win::UniqueFile file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(file);
    const HANDLE before = GetStdHandle(STD_OUTPUT_HANDLE);
    SetStdHandle(STD_OUTPUT_HANDLE, file.get());
    {
      batch::ConsoleOutput out;
      out.Line("caf\xE9");  // the code page's spelling of "café"
    }
    SetStdHandle(STD_OUTPUT_HANDLE, before);
  }
  std::ifstream in(path, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(bytes, "caf\xC3\xA9\r\n");
}

// Names the code page cannot spell, made with the wide calls. The ANSI calls would give them
// with '?' or a look-alike letter, which opens nothing: the listing gives the short name, in
// files and folders alike, and the walk goes into such a folder.
TEST(FilesIteratorNames, NamesOutsideTheCodePageComeAsTheirShortNames) {
  fixtures::TempFolder dir("wide");
  const std::wstring base(dir.Path().begin(), dir.Path().end());  // the temporary folder is plain ASCII
  auto make = [&](const std::wstring& name) {
    win::UniqueFile f(CreateFileW((base + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    EXPECT_TRUE(f);
  };
  auto shortName = [&](const std::wstring& name) {
    WIN32_FIND_DATAW found{};
    win::UniqueFind find(FindFirstFileW((base + name).c_str(), &found));
    EXPECT_TRUE(find && found.cAlternateFileName[0]) << "the file system keeps a short name";
    return std::string(found.cAlternateFileName, found.cAlternateFileName + wcslen(found.cAlternateFileName));
  };
  // Cyrillic, Greek, Japanese, an emoji, and a letter the system would spell as a plain "a".
  const wchar_t* lossy[] = {L"\u041F\u0440\u0438\u0432\u0435\u0442.dll", L"\u03B1\u03B2\u03B3.ico",
                            L"\u65E5\u672C\u8A9E.ico", L"\U0001F600.ico", L"\u0101bc.ico"};
  std::vector<std::string> expected = {"caf\xE9.ico", "plain.ico"};  // both spelt by the code page
  make(L"caf\u00E9.ico");
  make(L"plain.ico");
  for (const wchar_t* name : lossy) {
    make(name);
    expected.push_back(shortName(name));
  }
  const std::wstring folder = L"\u041F\u0430\u043F\u043A\u0430";
  ASSERT_TRUE(CreateDirectoryW((base + folder).c_str(), nullptr));
  make(folder + L"\\inner.ico");

  TStringList names;
  ListFiles(dir.Path() + "*.*", names, true);
  std::sort(expected.begin(), expected.end(), [](auto& a, auto& b) { return TStringList::Compare(a, b) < 0; });
  EXPECT_EQ(names.Strings(), expected);

  TStringList files, folders;
  ListAllFiles(dir.Path(), files, folders);
  ASSERT_EQ(folders.Count(), 2);
  EXPECT_EQ(folders[1], dir.Path() + shortName(folder) + "\\");
  EXPECT_EQ(files.Count(), 8);
  EXPECT_EQ(files[7], folders[1] + "inner.ico");
}


// Run by its own CTest entry under the Japanese code page (932), where 0x95 0x5C is one
// character whose trail byte has the backslash's value. A folder whose name ends in it is a
// folder of its own: /save writes into it, not beside it under names that run on from it.
TEST(DoubleByteCodePage, SavesIntoAFolderWhoseNameEndsInATrailByteOfTheBackslashsValue) {
  ASSERT_EQ(GetACP(), 932u) << "the CTest entry sets a Japanese locale";
  ASSERT_TRUE(IsDBCSLeadByte(0x95));
  fixtures::TempFolder source("src");
  fixtures::MakeIconFixtureFolder(source.Path());
  fixtures::TempFolder dir("dbcs");
  const std::string out = dir.Path() + "\x95\x5C";
  ASSERT_TRUE(CreateDirectoryA(out.c_str(), nullptr));

  batch::Command command;
  command.mode = batch::Mode::Save;
  command.folder = source.Path();
  command.output = out;
  Strings lines;
  batch::Run(command, [&](const std::string& line) { lines.push_back(line); });
  TStringList inside, beside;
  ListFiles(out + "\\*.*", inside, true);
  ListFiles(dir.Path() + "*.*", beside, true);
  EXPECT_GT(inside.Count(), 0) << (lines.empty() ? "" : lines.back());
  EXPECT_EQ(beside.Count(), 0) << beside[0];
}

using LegacyWindow = apptest::FixtureFolderTest;

// Files and a folder whose names the code page cannot spell, made with the wide calls: every
// file gives its icons under its short name, and the folder selected in the tree lists its own.
TEST_F(LegacyWindow, NamesOutsideTheCodePageGiveTheirIconsUnderTheirShortNames) {
  fixtures::TempFolder dir("wide");
  const std::wstring base(dir.Path().begin(), dir.Path().end());  // plain ASCII
  auto copy = [&](const char* fixture, const std::wstring& name) {
    std::string from = Root() + "\\" + fixture;
    EXPECT_TRUE(CopyFileW(std::wstring(from.begin(), from.end()).c_str(), (base + name).c_str(), TRUE));
    WIN32_FIND_DATAW found{};
    win::UniqueFind find(FindFirstFileW((base + name).c_str(), &found));
    return std::string(found.cAlternateFileName, found.cAlternateFileName + wcslen(found.cAlternateFileName));
  };
  Strings expected;
  auto expect = [&](const std::string& caption, int icons) {
    EXPECT_FALSE(caption.empty()) << "the file system keeps a short name";
    for (int i = 0; i < icons; ++i) expected.push_back(caption + "#" + std::to_string(i));
  };
  // Cyrillic, Greek, Japanese, an emoji, and a letter the system would spell as a plain "a".
  expect(copy("icons.dll", L"\u041F\u0440\u0438\u0432\u0435\u0442.dll"), 4);
  expect(copy("icons.dll", L"\u03B1\u03B2\u03B3.dll"), 4);
  expect(copy("single.ico", L"\u65E5\u672C\u8A9E.ico"), 1);
  expect(copy("single.ico", L"\U0001F600.ico"), 1);
  expect(copy("single.ico", L"\u0101bc.ico"), 1);
  copy("single.ico", L"plain.ico");
  expected.push_back("plain.ico#0");
  std::sort(expected.begin(), expected.end(), [](auto& a, auto& b) { return lstrcmpA(a.c_str(), b.c_str()) < 0; });
  const std::wstring folder = L"\u0395\u03BB\u03BB\u03AC\u03B4\u03B1";
  ASSERT_TRUE(CreateDirectoryW((base + folder).c_str(), nullptr));
  const std::string inner = copy("single.ico", folder + L"\\\u0436.ico");

  TfrmMainForm& f = Open(false, false, kDefaultFileTypes);
  f.stNav.RefreshAll();
  f.stNav.SetPath(WithoutTrailingBackslash(dir.Path()));
  apptest::WaitForRun(f);
  EXPECT_EQ(Entries(f), expected);

  TShellnode* parent = f.stNav.Selected();
  ASSERT_NE(parent, nullptr);
  parent->Expand();
  ASSERT_EQ(parent->Count(), 1);
  f.stNav.Select(parent->FirstChildNode());
  apptest::WaitForRun(f);
  EXPECT_EQ(f.stNav.Path().find('?'), std::string::npos) << f.stNav.Path();
  EXPECT_EQ(Entries(f), Strings{inner + "#0"});
}

}  // namespace
