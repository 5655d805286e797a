// The command line's one-line reports name the system's reason where a platform call failed.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "batch/Batch.h"
#include "batch/CommandLine.h"
#include "fixtures/IconFixtures.h"
#include "win/Errors.h"

namespace {

// The output folder goes while the save runs (a drive pulled, a share gone) and a read-only
// file takes its name: the icon whose file cannot be created is reported with the program's
// words and then the system's reason, and the save stops there.
TEST(SaveReasons, AFolderThatCannotBeWrittenIsReportedWithTheSystemsReason) {
  fixtures::TempFolder src("reason-src"), dest("reason-dest");
  fixtures::MakeIconFixtureFolder(src.Path());
  const std::string file = src.Path() + "icons.dll";
  const std::string out = dest.Path() + "out\\";
  std::vector<std::string> lines;
  const int code = batch::Save(batch::ParseArguments({"/save", file, out}), [&](const std::string& line) {
    lines.push_back(line);
    if (lines.size() != 1) return;
    fixtures::RemoveFolderTree(out);
    const std::string plain = out.substr(0, out.size() - 1);
    fixtures::WriteFileBytes(plain, "x", 1);
    SetFileAttributesA(plain.c_str(), FILE_ATTRIBUTE_READONLY);
  });
  SetFileAttributesA((dest.Path() + "out").c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(code, batch::kSomethingFailed);
  EXPECT_EQ(lines, (std::vector<std::string>{
                       out + "icons0.ico",
                       "Error: " + file + ": 1 of 4 icons failed: Cannot create file " + out +
                           "icons1.ico: " + win::SystemErrorText(ERROR_PATH_NOT_FOUND),
                       "Error: stopped, " + out + " is no longer a folder", "1 file saved to " + out + ", 1 failed."}));
}

}  // namespace
