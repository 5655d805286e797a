// Tries the installer as an administrator's script would: a silent install over an earlier
// version in a chosen folder, the installed program started and closed, a second install over
// the first, a silent uninstall, and what each step leaves behind; on 64-bit Windows also an
// install over a 32-bit one of the kind released before the 64-bit program. The program
// installed is the one of this Windows: 64-bit on 64-bit Windows, 32-bit on 32-bit Windows.
#include <gtest/gtest.h>
#include <shlobj.h>
#include <tlhelp32.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "DriverCommon.h"
#include "win/Handles.h"
#include "version.h"

namespace fs = std::filesystem;

namespace {

std::string WindowsPath(std::string path) {
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

// The build passes where the two trees keep their downloads, relative to the test programs'
// working folder (build/tests, build/x64/tests).
const std::string kDist32 = WindowsPath(MIROVANE_X86_DIST) + "\\";
const std::string kDist64 = WindowsPath(MIROVANE_X64_DIST) + "\\";
// The installer under test, one calling itself version 0.0.0.1, and one of that version that
// installs the 32-bit program everywhere, as the releases before the 64-bit program did.
const std::string kSetup = kDist32 + "tests\\setup.exe";
const std::string kEarlierSetup = kDist32 + "tests\\earlier-setup.exe";
const std::string kEarlier32Setup = kDist32 + "tests\\earlier32-setup.exe";
const char* const kArpKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Varnholt Glyph Gatherer";
const char* const kSettingsKey = "software\\Varnholt\\Glyph Gatherer";
const char* const kInstalledFiles[] = {"Mirovane.exe", "Mirovane.com", "Mirovane.chm", "LICENSE.TXT", "README.TXT",
                                       "Uninstall.exe"};
// The classes that get the Explorer command: folders, drives and the icon container files.
const char* const kVerbClasses[] = {"Directory", "Drive"};
const char* const kVerbFileTypes[] = {".exe", ".dll", ".ico", ".cur", ".ani", ".icl", ".cpl", ".ocx", ".scr"};
constexpr DWORD kStepTimeoutMs = 30000;
// Registry views: the 64-bit one where the installer writes on 64-bit Windows (on 32-bit
// Windows both name the only one).
constexpr REGSAM k64 = KEY_WOW64_64KEY, k32 = KEY_WOW64_32KEY;

bool Windows64() {
  SYSTEM_INFO info = {};
  GetNativeSystemInfo(&info);
  return info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64;
}

// What the installer packed for this Windows.
std::string PackedFiles() { return (Windows64() ? kDist64 : kDist32) + "files\\"; }

// Program Files of this Windows' own programs, and of 32-bit ones.
std::string ProgramFiles() {
  char folder[MAX_PATH] = "";
  if (Windows64()) ExpandEnvironmentStringsA("%ProgramW6432%", folder, MAX_PATH);
  else SHGetFolderPathA(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, folder);
  return folder;
}
std::string ProgramFiles32() {
  char folder[MAX_PATH] = "";
  SHGetFolderPathA(nullptr, CSIDL_PROGRAM_FILESX86, nullptr, SHGFP_TYPE_CURRENT, folder);
  return folder;
}

// The machine a program file is made for, from its PE header; 0 for anything else.
WORD Machine(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  char dos[64] = {};
  if (!in.read(dos, sizeof dos) || dos[0] != 'M' || dos[1] != 'Z') return 0;
  DWORD at = 0;
  std::memcpy(&at, dos + 0x3C, sizeof at);
  char header[6] = {};
  if (!in.seekg(at).read(header, sizeof header) || std::memcmp(header, "PE\0\0", 4) != 0) return 0;
  WORD machine = 0;
  std::memcpy(&machine, header + 4, sizeof machine);
  return machine;
}

WORD ThisWindowsMachine() { return Windows64() ? IMAGE_FILE_MACHINE_AMD64 : IMAGE_FILE_MACHINE_I386; }

std::string FullPath(const std::string& relative) {
  char path[MAX_PATH] = "";
  GetFullPathNameA(relative.c_str(), MAX_PATH, path, nullptr);
  return path;
}

std::string ShortcutFile() {
  char folder[MAX_PATH] = "";
  SHGetFolderPathA(nullptr, CSIDL_COMMON_PROGRAMS, nullptr, SHGFP_TYPE_CURRENT, folder);
  return std::string(folder) + "\\Varnholt Glyph Gatherer.lnk";
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string Contents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

struct Started {
  win::UniqueEvent process;
  DWORD id = 0;
};

Started Start(const std::string& commandLine) {
  STARTUPINFOA si = {sizeof si};
  PROCESS_INFORMATION pi = {};
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');
  Started s;
  if (CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    CloseHandle(pi.hThread);
    s.process.reset(pi.hProcess);
    s.id = pi.dwProcessId;
  }
  return s;
}

// The exit code, or a made-up one for a process that could not start or did not end in time.
DWORD WaitForExit(HANDLE process) {
  if (!process) return 0xBAD0;
  if (WaitForSingleObject(process, kStepTimeoutMs) != WAIT_OBJECT_0) return 0xBAD1;
  DWORD code = 0xBAD2;
  GetExitCodeProcess(process, &code);
  return code;
}

DWORD RunToEnd(const std::string& commandLine) { return WaitForExit(Start(commandLine).process.get()); }

ULONGLONG StartedAt(HANDLE process) {
  FILETIME created = {}, exited = {}, kernel = {}, user = {};
  if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return 0;
  return (static_cast<ULONGLONG>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
}

// The uninstaller copies itself to a temporary folder, starts the copy and ends at once; the
// copy does the work. Waits for every process the first one started. Process ids are reused
// (Wine hands out a dead thread's id again), so a process older than the first one is some
// other program's child and is not waited for.
DWORD RunUninstaller(const std::string& commandLine) {
  Started first = Start(commandLine);
  const ULONGLONG firstStarted = first.process ? StartedAt(first.process.get()) : 0;
  const DWORD code = WaitForExit(first.process.get());
  win::UniqueFile snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  PROCESSENTRY32 entry = {sizeof entry};
  for (BOOL more = snapshot && Process32First(snapshot.get(), &entry); more; more = Process32Next(snapshot.get(), &entry)) {
    if (entry.th32ParentProcessID != first.id) continue;
    win::UniqueEvent child(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID));
    if (!child || StartedAt(child.get()) < firstStarted) continue;
    if (const DWORD childCode = WaitForExit(child.get()); childCode != 0) {
      ADD_FAILURE() << entry.szExeFile << " ended with " << childCode;
      return 0xBAD3;
    }
  }
  return code;
}

// The uninstaller's windows as a user answers them: Uninstall, then Yes to removing the
// settings, then Close. Each is clicked once it is there and enabled.
BOOL CALLBACK AnswerUninstallerWindow(HWND window, LPARAM pid) {
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  char cls[16] = "";
  GetClassNameA(window, cls, sizeof cls);
  if (owner != static_cast<DWORD>(pid) || !IsWindowVisible(window) || std::strcmp(cls, "#32770") != 0) return TRUE;
  HWND button = GetDlgItem(window, IDYES);
  if (!button) button = GetDlgItem(window, IDOK);
  if (button && IsWindowEnabled(button) && IsWindowVisible(button)) PostMessageA(button, BM_CLICK, 0, 0);
  return TRUE;
}

// Runs the uninstaller with its windows and answers them; its copy's exit code.
DWORD RunUninstallerAnswering(const std::string& commandLine) {
  Started first = Start(commandLine);
  const ULONGLONG firstStarted = first.process ? StartedAt(first.process.get()) : 0;
  if (WaitForExit(first.process.get()) != 0) return 0xBAD0;
  win::UniqueFile snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  PROCESSENTRY32 entry = {sizeof entry};
  for (BOOL more = snapshot && Process32First(snapshot.get(), &entry); more; more = Process32Next(snapshot.get(), &entry)) {
    if (entry.th32ParentProcessID != first.id) continue;
    win::UniqueEvent copy(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID));
    if (!copy || StartedAt(copy.get()) < firstStarted) continue;
    // The copy waits on its windows; they are answered while it runs.
    const ULONGLONG deadline = GetTickCount64() + 4 * kStepTimeoutMs;
    while (WaitForSingleObject(copy.get(), 250) == WAIT_TIMEOUT) {
      if (GetTickCount64() > deadline) return 0xBAD1;
      EnumWindows(AnswerUninstallerWindow, static_cast<LPARAM>(entry.th32ProcessID));
    }
    DWORD code = 0xBAD2;
    GetExitCodeProcess(copy.get(), &code);
    return code;
  }
  return 0xBAD3;
}

struct Value {
  DWORD type = REG_NONE;
  std::string text;
  DWORD number = 0;
};

Value ReadValue(HKEY root, const char* keyPath, const char* name, REGSAM view = k64) {
  Value v;
  HKEY raw = nullptr;
  if (RegOpenKeyExA(root, keyPath, 0, KEY_READ | view, &raw) != ERROR_SUCCESS) return v;
  win::UniqueKey key(raw);
  char data[1024] = "";
  DWORD size = sizeof data - 1;
  if (RegQueryValueExA(key.get(), name, nullptr, &v.type, reinterpret_cast<BYTE*>(data), &size) != ERROR_SUCCESS)
    return Value{};
  if (v.type == REG_DWORD && size == sizeof(DWORD)) std::memcpy(&v.number, data, sizeof(DWORD));
  else v.text.assign(data, strnlen(data, size));
  return v;
}

bool KeyExists(HKEY root, const char* keyPath, REGSAM view = k64) {
  HKEY raw = nullptr;
  if (RegOpenKeyExA(root, keyPath, 0, KEY_READ | view, &raw) != ERROR_SUCCESS) return false;
  RegCloseKey(raw);
  return true;
}

// The Explorer command's key under a class of HKLM\Software\Classes.
std::string VerbKey(const std::string& cls) { return "Software\\Classes\\" + cls + "\\shell\\MirovaneShowIcons"; }

// Every class the Explorer command belongs to.
std::vector<std::string> VerbClassNames() {
  std::vector<std::string> names(std::begin(kVerbClasses), std::end(kVerbClasses));
  for (const char* type : kVerbFileTypes) names.push_back(std::string("SystemFileAssociations\\") + type);
  return names;
}

// Where the shortcut leads.
std::string ShortcutTarget(const std::string& link) {
  win::ComPtr<IShellLinkA> shellLink;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, shellLink.put_void())))
    return {};
  auto file = shellLink.As<IPersistFile>(IID_IPersistFile);
  std::wstring wide(link.begin(), link.end());
  if (!file || FAILED(file->Load(wide.c_str(), STGM_READ))) return {};
  char target[MAX_PATH] = "";
  shellLink->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH);
  return target;
}

void SetSetting(const char* name, DWORD value, REGSAM view) {
  HKEY raw = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_SET_VALUE | view, nullptr, &raw, nullptr) !=
      ERROR_SUCCESS)
    return;
  RegSetValueExA(raw, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
  RegCloseKey(raw);
}

void DeleteSetting(const char* name) {
  HKEY raw = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_SET_VALUE, &raw) == ERROR_SUCCESS) {
    RegDeleteValueA(raw, name);
    RegCloseKey(raw);
  }
}

class InstallerTest : public testing::Test {
 protected:
  void SetUp() override {
    for (const std::string& setup : {kSetup, kEarlierSetup, kEarlier32Setup}) ASSERT_TRUE(Exists(setup)) << setup;
    // What an earlier, interrupted run may have left.
    RemoveInstalls();
    DeleteFileA(ShortcutFile().c_str());
  }
  void TearDown() override {
    RemoveInstalls();
    DeleteSetting(kMarker);
    DeleteSetting(kHeight);
  }
  void RemoveInstalls() {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
    for (const std::string& parent : {ProgramFiles(), ProgramFiles32()}) {
      if (parent.empty()) continue;
      fs::remove_all(parent + "\\Varnholt\\Glyph Gatherer", ignored);
      RemoveDirectoryA((parent + "\\Varnholt").c_str());
    }
    RegDeleteKeyExA(HKEY_LOCAL_MACHINE, kArpKey, k64, 0);
    RegDeleteKeyExA(HKEY_LOCAL_MACHINE, kArpKey, k32, 0);
    for (const std::string& cls : VerbClassNames()) {
      for (REGSAM view : {k64, k32}) {
        HKEY raw = nullptr;
        const std::string shell = VerbKey(cls).substr(0, VerbKey(cls).rfind('\\'));
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, shell.c_str(), 0, KEY_ALL_ACCESS | view, &raw) != ERROR_SUCCESS) continue;
        win::UniqueKey key(raw);
        RegDeleteTreeA(key.get(), "MirovaneShowIcons");
      }
    }
  }

  // Spaces in both names: /D= takes the rest of the command line, unquoted.
  const std::string root_ = FullPath("package test");
  const std::string dir_ = root_ + "\\Glyph Gatherer";
  static constexpr const char* kMarker = "Kept by the uninstaller";
  static constexpr const char* kHeight = "Main Height";
  static constexpr DWORD kMarkerValue = 1;
};

TEST_F(InstallerTest, InstallsRunsReinstallsAndUninstallsLeavingOnlyTheSettings) {
  SetSetting(kMarker, kMarkerValue, k64);
  ASSERT_EQ(RunToEnd(kEarlierSetup + " /S /D=" + dir_), 0u);
  EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, kArpKey, "DisplayVersion").text, "0.0.0.1");
  // The WinHelp file of the releases before the compiled HTML Help, and its viewer's index.
  for (const char* old : {"\\Mirovane.hlp", "\\Mirovane.GID"}) std::ofstream(dir_ + old) << "old help";
  // Over the earlier version: into its folder without being told.
  ASSERT_EQ(RunToEnd(kSetup + " /S"), 0u);
  for (const char* name : kInstalledFiles) EXPECT_TRUE(Exists(dir_ + "\\" + name)) << name;
  EXPECT_FALSE(Exists(dir_ + "\\Mirovane.hlp") || Exists(dir_ + "\\Mirovane.GID"));
  // Without a settings file the installed program keeps its settings in the registry.
  EXPECT_FALSE(Exists(dir_ + "\\Mirovane.ini"));
  for (const char* name : {"Mirovane.exe", "Mirovane.com", "Mirovane.chm", "LICENSE.TXT", "README.TXT"}) {
    const std::string packed = Contents(PackedFiles() + name);
    EXPECT_FALSE(packed.empty()) << name;
    EXPECT_TRUE(Contents(dir_ + "\\" + name) == packed) << name;
  }
  EXPECT_EQ(Machine(dir_ + "\\Mirovane.exe"), ThisWindowsMachine());
  EXPECT_EQ(Machine(dir_ + "\\Mirovane.com"), ThisWindowsMachine());

  {
    SCOPED_TRACE("the installed program starts to its main window, in the layout either program stored");
    // Written as the 32-bit program writes it: the 64-bit one reads the same settings.
    constexpr DWORD kStoredHeight = 400;
    SetSetting(kHeight, kStoredHeight, k32);
    // Through the Explorer command on a folder, as Explorer runs it.
    std::string command = ReadValue(HKEY_LOCAL_MACHINE, (VerbKey("Directory") + "\\command").c_str(), "").text;
    ASSERT_EQ(command, "\"" + dir_ + "\\Mirovane.exe\" \"%1\"");
    command.replace(command.find("%1"), 2, dir_);
    Started program = Start(command);
    ASSERT_TRUE(program.process);
    HWND main = driver::WaitFor("TfrmMainForm", 30);
    ASSERT_NE(main, nullptr);
    DWORD owner = 0;
    GetWindowThreadProcessId(main, &owner);
    EXPECT_EQ(owner, program.id);
    char caption[256] = "";
    const char* const atFolder = "Glyph Gatherer - Varnholt Glyph Gatherer";
    for (DWORD start = GetTickCount(); _stricmp(caption, atFolder) != 0 && GetTickCount() - start < 30000; Sleep(100))
      GetWindowTextA(main, caption, sizeof caption);
    EXPECT_EQ(_stricmp(caption, atFolder), 0) << caption;
    RECT bounds = {};
    GetWindowRect(main, &bounds);
    EXPECT_EQ(bounds.bottom - bounds.top, static_cast<LONG>(kStoredHeight));
    // A running copy keeps its file locked: a silent install gives up rather than half-succeed.
    EXPECT_EQ(RunToEnd(kSetup + " /S"), 2u);
    EXPECT_EQ(driver::CloseAndWait("TfrmMainForm", 30), 0);
    EXPECT_EQ(WaitForExit(program.process.get()), 0u);
  }

  const std::string uninstaller = "\"" + dir_ + "\\Uninstall.exe\"";
  EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, kArpKey, "DisplayName").text, "Varnholt Glyph Gatherer");
  EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, kArpKey, "DisplayVersion").text, MIROVANE_VERSION_TEXT);
  EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, kArpKey, "Publisher").text, "Varnholt");
  EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, kArpKey, "DisplayIcon").text, dir_ + "\\Mirovane.exe,0");
  EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, kArpKey, "UninstallString").text, uninstaller);
  EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, kArpKey, "QuietUninstallString").text, uninstaller + " /S");
  const Value size = ReadValue(HKEY_LOCAL_MACHINE, kArpKey, "EstimatedSize");
  EXPECT_EQ(size.type, static_cast<DWORD>(REG_DWORD));
  std::error_code ec;
  EXPECT_GE(size.number, fs::file_size(dir_ + "\\Mirovane.exe", ec) / 1024);
  EXPECT_LT(size.number, 16u * 1024);
  EXPECT_TRUE(_stricmp(ShortcutTarget(ShortcutFile()).c_str(), (dir_ + "\\Mirovane.exe").c_str()) == 0)
      << ShortcutTarget(ShortcutFile());
  for (const std::string& cls : VerbClassNames()) {
    EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, VerbKey(cls).c_str(), "").text, "Show icons with Glyph Gatherer") << cls;
    EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, (VerbKey(cls) + "\\command").c_str(), "").text,
              "\"" + dir_ + "\\Mirovane.exe\" \"%1\"")
        << cls;
  }

  {
    SCOPED_TRACE("the same version again over itself");
    ASSERT_EQ(RunToEnd(kSetup + " /S"), 0u);
    for (const char* name : kInstalledFiles) EXPECT_TRUE(Exists(dir_ + "\\" + name)) << name;
    EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, kArpKey, "UninstallString").text, uninstaller);
  }

  ASSERT_EQ(RunUninstaller(uninstaller + " /S"), 0u);
  for (const char* name : kInstalledFiles) EXPECT_FALSE(Exists(dir_ + "\\" + name)) << name;
  EXPECT_FALSE(Exists(dir_));
  EXPECT_FALSE(Exists(ShortcutFile()));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kArpKey));
  for (const std::string& cls : VerbClassNames()) EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, VerbKey(cls).c_str())) << cls;
  const Value kept = ReadValue(HKEY_CURRENT_USER, kSettingsKey, kMarker);
  EXPECT_EQ(kept.type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(kept.number, kMarkerValue);
}

// The uninstaller removes only what the installer put there: a file of the user's own stays,
// and with it its folder.
TEST_F(InstallerTest, UninstallingKeepsTheUsersOwnFilesAndTheirFolder) {
  ASSERT_EQ(RunToEnd(kSetup + " /S /D=" + dir_), 0u);
  const std::string own = dir_ + "\\my notes.txt";
  std::ofstream(own) << "mine";
  ASSERT_EQ(RunUninstaller("\"" + dir_ + "\\Uninstall.exe\" /S"), 0u);
  for (const char* name : kInstalledFiles) EXPECT_FALSE(Exists(dir_ + "\\" + name)) << name;
  EXPECT_EQ(Contents(own), "mine");
}

// Asked, the uninstaller also removes the settings: the registry's and a settings file a user
// made in the program's folder, and then the folder.
TEST_F(InstallerTest, UninstallingWithTheSettingsRemovesTheRegistrysAndTheFilesToo) {
  ASSERT_EQ(RunToEnd(kSetup + " /S /D=" + dir_), 0u);
  SetSetting(kMarker, kMarkerValue, k64);
  std::ofstream(dir_ + "\\Mirovane.ini") << "[Glyph Gatherer]\n";
  ASSERT_EQ(RunUninstallerAnswering("\"" + dir_ + "\\Uninstall.exe\""), 0u);
  EXPECT_FALSE(Exists(dir_ + "\\Mirovane.ini"));
  EXPECT_FALSE(Exists(dir_));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kSettingsKey));
}

// The 32-bit and the 64-bit program unpacked into one folder with a settings file both read it,
// and both write their layout there at close, never to the registry.
TEST_F(InstallerTest, BothProgramsInOneFolderShareTheSettingsFile) {
  if (!Windows64()) GTEST_SKIP() << "32-bit Windows runs only the 32-bit program";
  std::error_code ignored;
  fs::create_directories(dir_, ignored);
  const std::string programs[] = {dir_ + "\\Mirovane.exe", dir_ + "\\Mirovane64.exe"};
  ASSERT_TRUE(CopyFileA((kDist32 + "files\\Mirovane.exe").c_str(), programs[0].c_str(), FALSE));
  ASSERT_TRUE(CopyFileA((kDist64 + "files\\Mirovane.exe").c_str(), programs[1].c_str(), FALSE));
  const std::string ini = dir_ + "\\Mirovane.ini";
  std::ofstream(ini) << "[Glyph Gatherer]\nFile Types=.XYZ\n";
  RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey);
  for (const std::string& program : programs) {
    SCOPED_TRACE(program);
    EXPECT_EQ(Machine(program), &program == &programs[0] ? IMAGE_FILE_MACHINE_I386 : IMAGE_FILE_MACHINE_AMD64);
    // The stored types name no file of the folder: nothing is listed, nothing fails.
    EXPECT_EQ(RunToEnd("\"" + program + "\" /list \"" + dir_ + "\" /stored"), 0u);
    Started window = Start("\"" + program + "\"");
    ASSERT_NE(driver::WaitFor("TfrmMainForm", 60), nullptr);
    EXPECT_EQ(driver::CloseAndWait("TfrmMainForm", 30), 0);
    EXPECT_EQ(WaitForExit(window.process.get()), 0u);
    const std::string kept = Contents(ini);
    EXPECT_NE(kept.find("File Types=.XYZ"), std::string::npos) << kept;
    EXPECT_NE(kept.find("Main Height="), std::string::npos) << kept;
  }
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kSettingsKey));
}

TEST_F(InstallerTest, On64BitWindowsReplacesA32BitInstallWithOneProgramAndOneEntry) {
  if (!Windows64()) GTEST_SKIP() << "32-bit Windows has only the 32-bit program";
  SetSetting(kMarker, kMarkerValue, k64);
  const std::string old = ProgramFiles32() + "\\Varnholt\\Glyph Gatherer";
  const std::string now = ProgramFiles() + "\\Varnholt\\Glyph Gatherer";
  ASSERT_EQ(RunToEnd(kEarlier32Setup + " /S"), 0u);
  ASSERT_EQ(Machine(old + "\\Mirovane.exe"), IMAGE_FILE_MACHINE_I386);
  ASSERT_EQ(ReadValue(HKEY_LOCAL_MACHINE, kArpKey, "InstallLocation", k32).text, old);
  ASSERT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kArpKey, k64));

  ASSERT_EQ(RunToEnd(kSetup + " /S"), 0u);
  EXPECT_FALSE(Exists(ProgramFiles32() + "\\Varnholt"));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kArpKey, k32));
  EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, kArpKey, "InstallLocation").text, now);
  EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, kArpKey, "DisplayVersion").text, MIROVANE_VERSION_TEXT);
  EXPECT_EQ(Machine(now + "\\Mirovane.exe"), IMAGE_FILE_MACHINE_AMD64);
  EXPECT_TRUE(_stricmp(ShortcutTarget(ShortcutFile()).c_str(), (now + "\\Mirovane.exe").c_str()) == 0)
      << ShortcutTarget(ShortcutFile());
  EXPECT_EQ(ReadValue(HKEY_CURRENT_USER, kSettingsKey, kMarker).number, kMarkerValue);

  ASSERT_EQ(RunUninstaller("\"" + now + "\\Uninstall.exe\" /S"), 0u);
  EXPECT_FALSE(Exists(ProgramFiles() + "\\Varnholt"));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kArpKey));
  EXPECT_FALSE(Exists(ShortcutFile()));
}

}  // namespace
