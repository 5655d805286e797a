// Tests of the version information reader: the program's own resource, and resource-only
// libraries (built beside this test program) that each lack something.
#include "about/GetFileVerInfo.h"
#include "about/VersionText.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>

namespace {

std::string OwnFile() {
  char path[MAX_PATH] = {};
  const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  return std::string(path, n);
}

// A file in this test program's own folder, where the fixture libraries are built.
std::string Beside(const std::string& name) {
  const std::string own = OwnFile();
  return own.substr(0, own.find_last_of("\\/") + 1) + name;
}

std::string Fixture(const std::string& stem) { return Beside("verfix_" + stem + ".dll"); }

std::vector<std::string> Strings(const std::string& file) {
  std::vector<std::string> list;
  GetVersionStrings(file, list);
  return list;
}

}  // namespace

TEST(GetFileVerInfo, OwnResourceGivesTheTenEntriesInKeyOrder) {
  const std::string own = OwnFile();
  const auto list = Strings(own);
  ASSERT_EQ(list.size(), 10u);
  EXPECT_EQ(list[0], "Varnholt");
  EXPECT_EQ(list[1], sizeof(void*) == 8 ? "Varnholt Glyph Gatherer Application (64-bit)"
                                         : "Varnholt Glyph Gatherer Application (32-bit)");
  EXPECT_EQ(list[2], "1.3.2.17");
  EXPECT_EQ(list[3], "MIROVANE");
  EXPECT_EQ(list[4].rfind("Copyright ", 0), 0u) << list[4];
  // Stored as "LegalTrademarks", asked for as "LegalTradeMarks": the lookup ignores case.
  EXPECT_NE(list[5].find("LICENSE.TXT"), std::string::npos) << list[5];
  EXPECT_EQ(list[6], "Mirovane.exe");
  EXPECT_EQ(list[7], "Varnholt Glyph Gatherer");
  EXPECT_EQ(list[8], "1.3.2.17");
  EXPECT_EQ(list[9].rfind("Written by ", 0), 0u) << list[9];
  for (int i = 0; i < 10; ++i) EXPECT_EQ(GetVersionString(own, i), list[i]) << "index " << i;
}

TEST(GetFileVerInfo, AppendsToWhatTheListHolds) {
  std::vector<std::string> list = {"kept"};
  GetVersionStrings(OwnFile(), list);
  ASSERT_EQ(list.size(), 11u);
  EXPECT_EQ(list[0], "kept");
  EXPECT_EQ(list[8], "Varnholt Glyph Gatherer");
}

TEST(GetFileVerInfo, FilesWithoutAReadableTableGiveNothing) {
  const std::string text = Beside("verfix_plain.txt");
  std::ofstream(text) << "not a program\r\n";
  // A library without version resource, a string table filed under another code page,
  // a file that is no program at all, a file that does not exist.
  for (const std::string& file : {Fixture("noversion"), Fixture("unicodetable"), text,
                                  Beside("verfix_missing.dll"), std::string()}) {
    EXPECT_TRUE(Strings(file).empty()) << file;
    for (int i = 0; i < 10; ++i) EXPECT_EQ(GetVersionString(file, i), "") << file << " " << i;
  }
  DeleteFileA(text.c_str());
}

TEST(GetFileVerInfo, MissingKeyMovesLaterEntriesUp) {
  const std::string file = Fixture("nointernal");
  const auto list = Strings(file);
  ASSERT_EQ(list.size(), 9u);
  EXPECT_EQ(list[2], "2.0.0.5");
  EXPECT_EQ(list[3], "Fixture rights line");
  EXPECT_EQ(list[8], "Fixture comments");
  EXPECT_EQ(GetVersionString(file, 3), "");
  EXPECT_EQ(GetVersionString(file, 4), "Fixture rights line");
}

TEST(GetFileVerInfo, EmptyValueReadsAsUnknown) {
  const std::string file = Fixture("emptyvalue");
  const auto list = Strings(file);
  ASSERT_EQ(list.size(), 10u);
  EXPECT_EQ(list[9], "(unknown)");
  EXPECT_EQ(GetVersionString(file, 9), "(unknown)");
  EXPECT_EQ(GetVersionString(file, 8), "2.0.0.5");
}

TEST(GetFileVerInfo, ValueStoredWithoutTextIsNotReadFromTheNextEntry) {
  const std::string file = Fixture("zerolength");
  EXPECT_EQ(GetVersionString(file, 9), "(unknown)");
  EXPECT_EQ(GetVersionString(file, 7), "Z");
  EXPECT_EQ(Strings(file), (std::vector<std::string>{"Z", "(unknown)"}));
}

TEST(GetFileVerInfo, IndexOutsideTheKeyTableGivesEmptyText) {
  EXPECT_EQ(GetVersionString(OwnFile(), -1), "");
  EXPECT_EQ(GetVersionString(OwnFile(), 10), "");
}

TEST(GetFileVerInfo, ReadsTheFileAfreshOnEveryCall) {
  const std::string copy = Beside("verfix_changing.dll");
  ASSERT_TRUE(CopyFileA(Fixture("nointernal").c_str(), copy.c_str(), FALSE));
  EXPECT_EQ(GetVersionString(copy, 3), "");
  ASSERT_TRUE(CopyFileA(Fixture("emptyvalue").c_str(), copy.c_str(), FALSE));
  EXPECT_EQ(GetVersionString(copy, 3), "FIXTURE");
  DeleteFileA(copy.c_str());
}

// A damaged resource may leave a text without its NUL: the read ends with the block.
TEST(VersionEntryText, ReadsNoFurtherThanTheBlock) {
  const char block[] = {'a', 'b', '\0', 'c', 'd', 'e'};
  EXPECT_EQ(VersionEntryText(block, sizeof block, block, 3), "ab");
  EXPECT_EQ(VersionEntryText(block, sizeof block, block + 3, 4), "cde");
  EXPECT_EQ(VersionEntryText(block, sizeof block, block + 2, 1), "(unknown)");
  EXPECT_EQ(VersionEntryText(block, sizeof block, block, 0), "(unknown)");
  EXPECT_EQ(VersionEntryText(block, 3, block + 3, 4), "(unknown)") << "outside the block";
}
