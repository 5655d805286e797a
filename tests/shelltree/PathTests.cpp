// Tests of path normalisation and parsing against real folders, the special-folder table and
// the sibling order of the folder tree.
#include <gtest/gtest.h>
#include "ShellTestSupport.h"
#include "shelltree/ShellPath.h"
#include "shelltree/SiblingOrder.h"

using namespace shelltree;

namespace {

bool SamePath(const std::string& a, const std::string& b) {
  return lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

// Restores the current directory after a test changes it.
class CurrentDirScope {
 public:
  CurrentDirScope() { GetCurrentDirectoryA(MAX_PATH, old_); }
  CurrentDirScope(const CurrentDirScope&) = delete;
  CurrentDirScope& operator=(const CurrentDirScope&) = delete;
  ~CurrentDirScope() { SetCurrentDirectoryA(old_); }

 private:
  char old_[MAX_PATH];
};

bool SameDrive(char a, char b) { return (a | 0x20) == (b | 0x20); }

char MissingDrive() {
  DWORD drives = GetLogicalDrives();
  for (char c = 'Y'; c > 'D'; --c)
    if (!(drives & (1u << (c - 'A')))) return c;
  return 0;
}

}  // namespace

TEST(PathRoot, DriveNetworkAndNone) {
  EXPECT_EQ("C:\\", PathRoot("C:\\windows\\system"));
  EXPECT_EQ("C:\\", PathRoot("C:"));
  EXPECT_EQ("d:\\", PathRoot("d:dir"));
  EXPECT_EQ("\\\\server\\", PathRoot("\\\\server\\share\\dir"));
  EXPECT_EQ("\\\\server\\", PathRoot("\\\\server"));
  EXPECT_EQ("", PathRoot("relative\\dir"));
  EXPECT_EQ("", PathRoot("\\rooted"));
  EXPECT_EQ("", PathRoot(""));
}

class PathsOnDisk : public testing::Test {
 protected:
  shelltest::ScratchDir dir;
};

TEST_F(PathsOnDisk, FolderExistsOnlyForDirectories) {
  std::string file = dir.file("f.txt", 3);
  EXPECT_TRUE(FolderExists(dir.path()));
  EXPECT_TRUE(FolderExists(dir.path() + "\\"));
  EXPECT_FALSE(FolderExists(file));
  EXPECT_FALSE(FolderExists(dir.sub("missing")));
  if (char d = MissingDrive()) {
    EXPECT_FALSE(FolderExists(std::string(1, d) + ":\\"));
  }
}

TEST_F(PathsOnDisk, NormalizeWalksUpToTheNearestExistingFolder) {
  std::string a = dir.mkdir("a");
  EXPECT_EQ(a, NormalizePath(a));
  EXPECT_EQ(a + "\\", NormalizePath(a + "\\"));
  EXPECT_EQ(a + "\\", NormalizePath(a + "\\missing\\deeper\\still"));
  EXPECT_EQ(a + "\\", NormalizePath(a + "\\missing\\"));
  std::string file = dir.file("a\\plain.txt", 1);
  EXPECT_EQ(a + "\\", NormalizePath(file));
  EXPECT_EQ("", NormalizePath(""));
  EXPECT_EQ("", NormalizePath("relative\\path"));
  if (char d = MissingDrive()) {
    EXPECT_EQ("", NormalizePath(std::string(1, d) + ":\\x\\y"));
  }
}

TEST_F(PathsOnDisk, NormalizeStopsAtTheDriveRoot) {
  std::string root = PathRoot(dir.path());
  std::string missingTop = root + "no-such-top-folder-7731\\below";
  EXPECT_TRUE(SamePath(root, NormalizePath(missingTop)));
}

TEST_F(PathsOnDisk, NormalizeMakesDriveRelativePathsAbsolute) {
  CurrentDirScope keep;
  std::string a = dir.mkdir("a");
  dir.mkdir("a\\b");
  ASSERT_TRUE(SetCurrentDirectoryA(a.c_str()));
  std::string drive = dir.path().substr(0, 2);
  EXPECT_EQ(a + "\\b", NormalizePath(drive + "b"));
  EXPECT_EQ(a + "\\b\\", NormalizePath(drive + "b\\missing"));

  // The current directory of the drive root has no second backslash to add.
  ASSERT_TRUE(SetCurrentDirectoryA(PathRoot(dir.path()).c_str()));
  std::string relToRoot = dir.path().substr(3) + "\\a";
  EXPECT_TRUE(SamePath(a, NormalizePath(drive + relToRoot)));
}

TEST_F(PathsOnDisk, NormalizeDriveRelativeOnAnotherDriveUsesThatDrive) {
  // A folder named relative to another drive (Wine's Z: is the host's root) lies on that drive,
  // not below the current directory.
  CurrentDirScope keep;
  ASSERT_TRUE(SetCurrentDirectoryA(dir.path().c_str()));
  const char drive = dir.path()[0];
  for (char other = 'Z'; other >= 'C'; --other) {
    std::string prefix = std::string(1, other) + ":";
    if (SameDrive(other, drive)) continue;
    if (GetDriveTypeA((prefix + "\\").c_str()) != DRIVE_FIXED) continue;
    WIN32_FIND_DATAA fd;
    win::UniqueFind find(FindFirstFileA((prefix + "*").c_str(), &fd));
    if (!find) continue;
    do {
      if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && fd.cFileName[0] != '.') {
        std::string normal = NormalizePath(prefix + fd.cFileName);
        ASSERT_GT(normal.size(), 3u);
        EXPECT_TRUE(SameDrive(other, normal[0])) << normal;
        EXPECT_TRUE(FolderExists(normal)) << normal;
        return;
      }
    } while (FindNextFileA(find.get(), &fd));
  }
  GTEST_SKIP() << "no folder on a second fixed drive";
}

TEST(NormalizePath, UnknownServerGivesEmpty) {
  EXPECT_EQ("", NormalizePath("\\\\no-such-server-8812\\share\\dir"));
}

class ParsePaths : public testing::Test {
 protected:
  win::ComPtr<IMalloc> malloc = shelltest::ShellMalloc();
  win::ComPtr<IShellFolder> desktop = shelltest::Desktop();
  shelltest::ScratchDir dir;
};

TEST_F(ParsePaths, ParsesExistingAndNormalisedPaths) {
  std::string a = dir.mkdir("a");
  UniquePidl exact = ParsePath(desktop.get(), malloc.get(), a, false, nullptr);
  ASSERT_TRUE(exact);
  EXPECT_TRUE(SamePath(a, PIDLPath(exact.get())));
  EXPECT_EQ(exact.size() + 2, exact.limit());  // owned by the shell allocator

  UniquePidl walked = ParsePath(desktop.get(), malloc.get(), a + "\\gone\\too", true, nullptr);
  ASSERT_TRUE(walked);
  EXPECT_TRUE(SamePath(a, PIDLPath(walked.get())));
  EXPECT_EQ(0, CompareItems(desktop.get(), 0, exact.get(), walked.get()));
}

TEST_F(ParsePaths, FailuresYieldNoList) {
  EXPECT_FALSE(ParsePath(desktop.get(), malloc.get(), "", false, nullptr));
  EXPECT_FALSE(ParsePath(desktop.get(), malloc.get(), "relative", true, nullptr));
  EXPECT_FALSE(ParsePath(desktop.get(), malloc.get(), dir.sub("gone\\too"), false, nullptr));
  EXPECT_FALSE(ParsePath(nullptr, malloc.get(), dir.path(), false, nullptr));
  // Too long to hand over whole: refused rather than cut to some other path.
  std::string deep = dir.path();
  while (deep.size() <= static_cast<std::size_t>(kMaxParseChars)) deep += "\\segment";
  EXPECT_FALSE(ParsePath(desktop.get(), malloc.get(), deep, false, nullptr));
}

TEST(SpecialFolders, TableAndLookup) {
  EXPECT_EQ(0, SpecialFolderNumber(PIDL_DESKTOP));
  EXPECT_EQ(2, SpecialFolderNumber(PIDL_PROGRAMS));
  EXPECT_EQ(10, SpecialFolderNumber(PIDL_BITBUCKET));
  EXPECT_EQ(11, SpecialFolderNumber(PIDL_STARTMENU));
  EXPECT_EQ(16, SpecialFolderNumber(PIDL_DESKTOPDIRECTORY));
  EXPECT_EQ(17, SpecialFolderNumber(PIDL_DRIVES));
  EXPECT_EQ(21, SpecialFolderNumber(PIDL_TEMPLATES));
  EXPECT_EQ(-1, SpecialFolderNumber(PIDL_USERDEFINED));

  auto malloc = shelltest::ShellMalloc();
  EXPECT_EQ(0u, SpecialFolderPIDL(malloc.get(), nullptr, 0).count());
  EXPECT_TRUE(SpecialFolderPIDL(malloc.get(), nullptr, 0));
  EXPECT_EQ(1u, SpecialFolderPIDL(malloc.get(), nullptr, CSIDL_DRIVES).count());
  EXPECT_FALSE(SpecialFolderPIDL(malloc.get(), nullptr, -1));
}

TEST(SiblingOrder, CompareResultKeepsOnlyTheSign) {
  EXPECT_EQ(0, CompareIDsResult(MAKE_HRESULT(SEVERITY_SUCCESS, 0, 0)));
  EXPECT_EQ(1, CompareIDsResult(MAKE_HRESULT(SEVERITY_SUCCESS, 0, 1)));
  EXPECT_EQ(1, CompareIDsResult(MAKE_HRESULT(SEVERITY_SUCCESS, 0, 2)));
  EXPECT_EQ(-1, CompareIDsResult(MAKE_HRESULT(SEVERITY_SUCCESS, 0, 0xFFFF)));
  EXPECT_EQ(-1, CompareIDsResult(MAKE_HRESULT(SEVERITY_SUCCESS, 0, 0x8000)));
  EXPECT_EQ(0, CompareIDsResult(E_INVALIDARG));
}

TEST(SiblingOrder, DirectionOnlyForTwoFiles) {
  SiblingSort files = SiblingSortFor(true, true, so_Size, so_Descending);
  EXPECT_EQ(1, files.column);
  EXPECT_TRUE(files.reversed);
  EXPECT_FALSE(SiblingSortFor(true, true, so_Date, so_Ascending).reversed);
  SiblingSort mixed = SiblingSortFor(true, false, so_Date, so_Descending);
  EXPECT_EQ(0, mixed.column);
  EXPECT_FALSE(mixed.reversed);
  EXPECT_TRUE(IsFileItem(SFGAO_FILESYSTEM));
  EXPECT_FALSE(IsFileItem(SFGAO_FILESYSTEM | SFGAO_FOLDER));
  EXPECT_FALSE(IsFileItem(SFGAO_FOLDER));
}

TEST_F(ParsePaths, SiblingsOrderThroughTheShell) {
  dir.mkdir("alpha");
  dir.mkdir("beta");
  dir.file("big.txt", 5000);
  dir.file("small.txt", 10);
  UniquePidl parent = ParsePath(desktop.get(), malloc.get(), dir.path(), false, nullptr);
  win::ComPtr<IShellFolder> folder;
  ASSERT_TRUE(SUCCEEDED(
      desktop->BindToObject(parent.get(), nullptr, IID_IShellFolder, folder.put_void())));
  auto item = [&](const char* name) {
    UniquePidl p = ParsePath(folder.get(), malloc.get(), name, false, nullptr);
    EXPECT_TRUE(p) << name;
    ULONG attributes = SFGAO_FOLDER | SFGAO_FILESYSTEM;
    LPCITEMIDLIST one = p.get();
    folder->GetAttributesOf(1, &one, &attributes);
    return std::make_pair(std::move(p), attributes);
  };
  auto [alpha, alphaAttr] = item("alpha");
  auto [beta, betaAttr] = item("beta");
  auto [big, bigAttr] = item("big.txt");
  auto [small, smallAttr] = item("small.txt");
  ASSERT_TRUE(IsFileItem(bigAttr));
  ASSERT_FALSE(IsFileItem(alphaAttr));

  auto cmp = [&](const UniquePidl& a, ULONG aa, const UniquePidl& b, ULONG ba,
                 TFileSortType t, TFileSortOrder o) {
    return CompareSiblings(folder.get(), a.get(), aa, b.get(), ba, t, o);
  };
  EXPECT_EQ(-1, cmp(alpha, alphaAttr, beta, betaAttr, so_Name, so_Ascending));
  EXPECT_EQ(1, cmp(beta, betaAttr, alpha, alphaAttr, so_Name, so_Ascending));
  EXPECT_EQ(0, cmp(alpha, alphaAttr, alpha, alphaAttr, so_Name, so_Ascending));
  // Folders keep the name order whatever the file order is.
  EXPECT_EQ(-1, cmp(alpha, alphaAttr, beta, betaAttr, so_Size, so_Descending));
  EXPECT_EQ(-1, cmp(big, bigAttr, small, smallAttr, so_Name, so_Ascending));
  EXPECT_EQ(1, cmp(big, bigAttr, small, smallAttr, so_Name, so_Descending));
  // Windows orders by size here; Wine's folders order every column by name. Either way the
  // descending order is the ascending one turned round.
  int bySize = cmp(big, bigAttr, small, smallAttr, so_Size, so_Ascending);
  EXPECT_NE(0, bySize);
  EXPECT_EQ(-bySize, cmp(big, bigAttr, small, smallAttr, so_Size, so_Descending));
}
