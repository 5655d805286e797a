// The settings file of portable use: its text read whatever it holds, and its safe replacement.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <iterator>
#include <string>

#include "fixtures/IconFixtures.h"
#include "settings/IniText.h"
#include "settings/PortableIniFile.h"
#include "settings/Settings.h"
#include "win/Handles.h"

namespace {

using namespace std::string_literals;
using settings::IniDocument;
using settings::IniSection;
using Values = std::vector<std::pair<std::string, std::string>>;

std::string Contents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Put(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

// Every file name in the folder.
std::vector<std::string> Names(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA((folder + "*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
  } while (FindNextFileA(find, &found));
  FindClose(find);
  return names;
}

TEST(IniText, ReadsWhatIsSoundOfADamagedFileAndWritesItBackWhole) {
  const std::string megabyteLine = "Main Left=" + std::string(1 << 20, '7');
  const std::string text = std::string("\xEF\xBB\xBF") + "Toolbar=0\r\n"  // before any section
                           "[Glyph Gatherer]\r\n"
                           "Main Top = 200 \r\n"
                           "Main Top=300\r\n"  // the same name again: the first counts
                           "Nav\x01Width=9\x02\r\n" +  // binary bytes
                           megabyteLine + "\n" +
                           "; a comment\r\n"
                           "no equals sign\r\n"
                           "=no name\r\n"
                           "[Other]\r\n"
                           "a=b\r\n"
                           "[GLYPH GATHERER]\r\n"  // the same section again, in other capitals
                           "main top=400\r\n"
                           "File Types=.ICO.EXE";  // the last line without its line end
  const IniDocument read = settings::ParseIniText(text);
  ASSERT_EQ(read.size(), 2u);
  EXPECT_EQ(read[0].name, "Glyph Gatherer");
  EXPECT_EQ(read[0].values, (Values{{"Main Top", "200"}, {"File Types", ".ICO.EXE"}}));
  EXPECT_EQ(read[1].values, (Values{{"a", "b"}}));
  EXPECT_EQ(settings::IniText(read), "[Glyph Gatherer]\r\nMain Top=200\r\nFile Types=.ICO.EXE\r\n\r\n[Other]\r\na=b\r\n");
  // A file in UTF-16, as Notepad's "Unicode", reads as nothing rather than as nonsense.
  EXPECT_TRUE(settings::ParseIniText(std::string("\xFF\xFE[\0G\0]\0\r\0\n\0", 12)).empty());
}

class PortableIniFileTest : public testing::Test {
 protected:
  void TearDown() override { SetFileAttributesA(path_.c_str(), FILE_ATTRIBUTE_NORMAL); }
  fixtures::TempFolder folder_{"ini"};
  const std::string path_ = folder_.Path() + "Mirovane.ini";
};

TEST_F(PortableIniFileTest, ValuesThatCannotBeReadGiveTheirDefaultsAndKeepRewritesTheFileWhole) {
  Put(path_, "[Glyph Gatherer]\r\nMain Left=99999999999\r\nToolbar=yes\r\nMain Top=$10\r\nMain\0Width=1\r\n"
             "File Types=.ICO\r\n"s);
  TPortableIniFile ini(path_);
  EXPECT_EQ(stored::MainLeft.Read(ini), stored::MainLeft.missing);
  EXPECT_EQ(stored::Toolbar.Read(ini), stored::Toolbar.missing);
  EXPECT_EQ(stored::MainTop.Read(ini), 16);
  EXPECT_EQ(stored::FileTypes.Read(ini), ".ICO");
  EXPECT_EQ(stored::MainWidth.Read(ini), stored::MainWidth.missing);
  stored::StatusBar.Write(ini, false);
  stored::MainHeight.Write(ini, -5);
  ini.Keep();
  EXPECT_EQ(Contents(path_),
            "[Glyph Gatherer]\r\nMain Left=99999999999\r\nToolbar=yes\r\nMain Top=$10\r\nFile Types=.ICO\r\n"
            "Status Bar=0\r\nMain Height=-5\r\n");
  TPortableIniFile again(path_);
  EXPECT_FALSE(stored::StatusBar.Read(again));
  EXPECT_EQ(stored::MainHeight.Read(again), -5);
}

// A write that fails after the new file is written (the old one held open by a program that
// lets nobody replace it) leaves the old file whole and no new file beside it; the store keeps
// the session's values, and a later Keep that can write writes them. A read-only file is never
// replaced.
TEST_F(PortableIniFileTest, AFailedWriteLeavesTheOldFileWholeAndTheSessionsValuesInTheStore) {
  const std::string before = "[Glyph Gatherer]\r\nNav Width=200\r\n";
  Put(path_, before);
  TPortableIniFile ini(path_);
  stored::NavWidth.Write(ini, 310);
  // The reason as the platform gives it (Windows: a sharing violation; Wine: access denied).
  auto expectNotKept = [&](const std::string& reason) {
    try {
      ini.Keep();
      ADD_FAILURE() << "the file was replaced";
    } catch (const ESettingsFileException& e) {
      const std::string text = e.what();
      EXPECT_NE(text.find("could not be kept in " + path_ + ": " + reason), std::string::npos)
          << text;
    }
    EXPECT_EQ(Contents(path_), before);
    EXPECT_EQ(Names(folder_.Path()), std::vector<std::string>{"Mirovane.ini"});
    EXPECT_EQ(stored::NavWidth.Read(ini), 310);
  };
  {
    win::UniqueHandle<win::FileHandleTraits> held(
        CreateFileA(path_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held);
    expectNotKept("");
  }
  SetFileAttributesA(path_.c_str(), FILE_ATTRIBUTE_READONLY);
  expectNotKept(win::SystemErrorText(ERROR_ACCESS_DENIED));
  SetFileAttributesA(path_.c_str(), FILE_ATTRIBUTE_NORMAL);
  ini.Keep();
  EXPECT_EQ(stored::NavWidth.Read(TPortableIniFile(path_)), 310);
}

// The 32-bit and the 64-bit program in one folder: each keeps only what it wrote over what the
// file holds when it keeps, as each writes only its own values into the shared registry key.
TEST_F(PortableIniFileTest, TwoProgramsOnOneFileKeepEachOthersValues) {
  Put(path_, "");
  TPortableIniFile first(path_), second(path_);
  stored::MinSize.Write(first, 48);
  first.Keep();
  stored::NavWidth.Write(second, 222);
  second.Keep();
  TPortableIniFile next(path_);
  EXPECT_EQ(stored::MinSize.Read(next), 48);
  EXPECT_EQ(stored::NavWidth.Read(next), 222);
}

// Remove in portable use: the section is emptied and the file stays, still naming it.
TEST_F(PortableIniFileTest, ErasingEmptiesTheSectionAndKeepsTheFile) {
  Put(path_, "[Glyph Gatherer]\r\nToolbar=0\r\nRemove=1\r\n");
  TPortableIniFile ini(path_);
  ini.EraseSection(kSection);
  EXPECT_TRUE(stored::Toolbar.Read(ini));
  ini.Keep();
  EXPECT_EQ(Contents(path_), "[Glyph Gatherer]\r\n");
}

}  // namespace
