// What the command line's tests share: the program started with arguments, its output caught
// in a file, and the fixture folders of icons its tests list and save.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "CorpusSupport.h"
#include "DriverCommon.h"
#include "LogPixels.h"
#include "PlatformOpens.h"
#include "PortableSettings.h"
#include "SavedFiles.h"
#include "batch/Batch.h"
#include "batch/CommandLine.h"
#include "batch/ConsoleBreak.h"
#include "export/ContactSheet.h"
#include "export/SaveImage.h"
#include "export/StoredIcon.h"
#include "extract/Locations.h"
#include "fixtures/IconFixtures.h"
#include "iconres/IconFile.h"
#include "settings/RegistryIniFile.h"
#include "settings/Settings.h"
#include "win/Handles.h"

namespace batchtest {

// Relative to the test programs' working folder, build/.../tests.
inline const char* const kProgram = "..\\Mirovane.exe";
inline const char* const kConsoleTwin = "..\\Mirovane.com";
// A save of the whole damaged corpus takes most of a minute on a busy machine.
constexpr DWORD kRunTimeoutMs = 180000;

struct Outcome {
  DWORD exitCode = 0xBAD0;
  std::vector<std::string> lines;
  std::string Text() const {
    std::string all;
    for (const std::string& l : lines) all += l + "\n";
    return all;
  }
};

// Runs the program with the arguments, its standard output and error going to one file.
inline Outcome RunProgram(const std::string& arguments, const char* program = kProgram) {
  fixtures::TempFolder scratch("out");
  const std::string capture = scratch.Path() + "stdout.txt";
  Outcome outcome;
  {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    win::UniqueFile file(CreateFileA(capture.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return outcome;
    STARTUPINFOA si{sizeof si};
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = file.get();
    si.hStdError = file.get();
    std::string line = std::string("\"") + program + "\" " + arguments;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(program, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) return outcome;
    CloseHandle(pi.hThread);
    win::UniqueEvent process(pi.hProcess);
    outcome.exitCode = 0xBAD1;
    if (WaitForSingleObject(process.get(), kRunTimeoutMs) == WAIT_OBJECT_0) GetExitCodeProcess(process.get(), &outcome.exitCode);
    else TerminateProcess(process.get(), 0xBAD1);
  }
  std::vector<uint8_t> bytes = saved::ReadAll(capture);
  std::istringstream in(std::string(bytes.begin(), bytes.end()));
  for (std::string l; std::getline(in, l);) {
    if (!l.empty() && l.back() == '\r') l.pop_back();
    outcome.lines.push_back(l);
  }
  return outcome;
}

// A folder's path without its last backslash, which would escape a closing quote.
inline std::string NoSlash(std::string path) {
  if (path.size() > 3 && path.back() == '\\') path.pop_back();
  return path;
}

inline std::string Quoted(const std::string& path) { return "\"" + NoSlash(path) + "\""; }

// The last column of a /list line: the icon's location.
inline std::string At(const std::string& path, int index) {
  return "\t" + location::Text({path, index}, location::WindowsFolder());
}

class CommandLine : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    fixture_ = std::make_unique<fixtures::TempFolder>("src");
    fixtures::MakeIconFixtureFolder(fixture_->Path());
    // A folder where every icon reads: icons.dll (four) and single.ico.
    sound_ = std::make_unique<fixtures::TempFolder>("sound");
    for (const char* name : {"icons.dll", "single.ico"})
      CopyFileA((fixture_->Path() + name).c_str(), (sound_->Path() + name).c_str(), FALSE);
  }
  static void TearDownTestSuite() {
    fixture_.reset();
    sound_.reset();
  }
  void SetUp() override { TRegistryIniFile(kBaseKey).EraseSection(kSection); }
  void TearDown() override { TRegistryIniFile(kBaseKey).EraseSection(kSection); }

  inline static std::unique_ptr<fixtures::TempFolder> fixture_;
  inline static std::unique_ptr<fixtures::TempFolder> sound_;
};

}  // namespace batchtest
