// Tests of file-name mask matching and of the mask text.
#include <gtest/gtest.h>
#include "shelltree/FileMask.h"

using namespace shelltree;

TEST(MatchMask, WildcardWalk) {
  EXPECT_TRUE(MatchMask("a.exe", "*.ex?"));
  EXPECT_TRUE(MatchMask("ab", "a?"));
  EXPECT_FALSE(MatchMask("a", "a?"));
  EXPECT_FALSE(MatchMask("abc", "a?"));
  EXPECT_TRUE(MatchMask("xy.txt", "x*.txt"));
  EXPECT_TRUE(MatchMask("x.txt", "x*.txt"));
  EXPECT_FALSE(MatchMask("a.txt.bak", "*.txt"));
  EXPECT_TRUE(MatchMask("abc", "a*"));
  EXPECT_TRUE(MatchMask("abc", "?b?"));
  EXPECT_TRUE(MatchMask("abc", "*?"));
  EXPECT_FALSE(MatchMask("", "*?"));
  // A literal after a star binds to its first occurrence; the walk never goes back.
  EXPECT_FALSE(MatchMask("abcac", "a*c"));
  EXPECT_FALSE(MatchMask("xy.txt.txt", "x*.txt"));
  EXPECT_TRUE(MatchMask("abcac", "a*c*"));
}

TEST(MatchMask, SpecialMasks) {
  EXPECT_TRUE(MatchMask("anything", "*"));
  EXPECT_TRUE(MatchMask("", "*"));
  EXPECT_TRUE(MatchMask("a.b", "*.*"));
  EXPECT_TRUE(MatchMask(".", "*.*"));
  EXPECT_FALSE(MatchMask("README", "*.*"));
  EXPECT_FALSE(MatchMask("a", ""));
  EXPECT_FALSE(MatchMask("", ""));
  EXPECT_TRUE(MatchMask("Setup.EXE", "setup.exe"));
  EXPECT_FALSE(MatchMask("setup.ex", "setup.exe"));
}

TEST(MatchMask, IgnoresCase) {
  EXPECT_TRUE(MatchMask("Setup.EXE", "*.exe"));
  EXPECT_TRUE(MatchMask("setup.exe", "S*.E?E"));
  EXPECT_FALSE(MatchMask("readme.txt", "*.exe"));
}

TEST(MatchMask, ListMatchesAnyOrEverythingWhenEmpty) {
  EXPECT_TRUE(MatchMaskList("x.dll", {}));
  EXPECT_TRUE(MatchMaskList("x.dll", {"*.exe", "*.dll"}));
  EXPECT_FALSE(MatchMaskList("x.txt", {"*.exe", "*.dll"}));
}

TEST(FileMaskText, SplitTrimsAndDropsEmptyParts) {
  using V = std::vector<std::string>;
  EXPECT_EQ(V({"*.*"}), SplitFileMask(""));
  EXPECT_EQ(V({"*.*"}), SplitFileMask("  \t "));
  EXPECT_EQ(V({"*.exe", "*.dll"}), SplitFileMask(" *.exe ; ;*.dll ;"));
  EXPECT_EQ(V({"a b.txt"}), SplitFileMask("a b.txt"));
  EXPECT_EQ(V{}, SplitFileMask(";;"));
  EXPECT_EQ("*.exe;*.dll", JoinFileMask(SplitFileMask("*.exe ; *.dll")));
  EXPECT_EQ("", JoinFileMask({}));
}
