// The command line's sources and forms: a file or a location where a folder goes, a program's
// cursors, the sized kinds, Store packages and installers, and the window opened on a file or a
// location given to it.
#include "BatchSupport.h"

namespace {

using batchtest::At;
using batchtest::CommandLine;
using batchtest::kConsoleTwin;
using batchtest::kProgram;
using batchtest::NoSlash;
using batchtest::Outcome;
using batchtest::Quoted;
using batchtest::RunProgram;
using saved::Listing;
using saved::ReadAll;

// A file where a folder goes lists that file's icons, each with its location last; a location
// lists or saves that one icon, and one that is not there says which.
TEST_F(CommandLine, ListAndSaveTakeAFileOrALocation) {
  const std::string ids = corpus::Folder("ids") + "ids32.dll";
  auto line = [&](int position, const char* sizes, int index) {
    return ids + "\t" + std::to_string(position) + "\t" + sizes + At(ids, index);
  };
  Outcome all = RunProgram("/list " + Quoted(ids));
  EXPECT_EQ(all.exitCode, 0u) << all.Text();
  EXPECT_EQ(all.lines, (std::vector<std::string>{line(0, "48x48 32bpp, 32x32 32bpp", 0), line(1, "32x32 8bpp", 1),
                                                 line(2, "32x32 4bpp, 16x16 4bpp", -100),
                                                 line(3, "32x32 32bpp, 16x16 32bpp", -184), "4 icons in 1 file, 0 failed."}));
  Outcome one = RunProgram("/list " + Quoted(ids + ",-184"));
  EXPECT_EQ(one.exitCode, 0u) << one.Text();
  EXPECT_EQ(one.lines, (std::vector<std::string>{line(3, "32x32 32bpp, 16x16 32bpp", -184), "1 icon in 1 file, 0 failed."}));
  Outcome missing = RunProgram("/list " + Quoted(ids + ",-999"));
  EXPECT_EQ(missing.exitCode, 1u);
  EXPECT_EQ(missing.lines, std::vector<std::string>{"Error: " + ids + " holds no icon with the resource ID 999"});

  fixtures::TempFolder out("loc");
  Outcome saved = RunProgram("/save " + Quoted(ids + ",-100") + " " + Quoted(out.Path()));
  EXPECT_EQ(saved.exitCode, 0u) << saved.Text();
  EXPECT_EQ(Listing(out.Path()).size(), 1u) << saved.Text();
}

// The hotspots of every image of each cursor group of a program, as the platform's resource
// calls read them: "x,y x,y" per group, in the file's order.
BOOL CALLBACK AddName(HMODULE, LPCSTR, LPSTR name, LONG_PTR names) {
  reinterpret_cast<std::vector<std::string>*>(names)->push_back(
      IS_INTRESOURCE(name) ? "#" + std::to_string(reinterpret_cast<UINT_PTR>(name)) : std::string(name));
  return TRUE;
}

std::vector<std::string> ResourceHotspots(const std::string& path) {
  std::vector<std::string> groups, names;
  HMODULE lib = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!lib) return groups;
  EnumResourceNamesA(lib, MAKEINTRESOURCEA(12), AddName, reinterpret_cast<LONG_PTR>(&names));  // RT_GROUP_CURSOR
  auto data = [&](LPCSTR name, LPCSTR type) -> std::pair<const BYTE*, DWORD> {
    HRSRC found = FindResourceA(lib, name, type);
    HGLOBAL loaded = found ? LoadResource(lib, found) : nullptr;
    return {loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr, found ? SizeofResource(lib, found) : 0};
  };
  for (const std::string& name : names) {
    const auto [dir, size] = data(name.c_str(), MAKEINTRESOURCEA(12));
    std::string hotspots;
    const unsigned count = dir && size >= 6 ? dir[4] | dir[5] << 8 : 0;
    for (unsigned i = 0; i < count && 6 + 14 * (i + 1) <= size; ++i) {
      const WORD id = static_cast<WORD>(dir[6 + 14 * i + 12] | dir[6 + 14 * i + 13] << 8);
      const auto [image, length] = data(MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(1));  // RT_CURSOR
      if (!image || length < 4) continue;
      hotspots += (hotspots.empty() ? "" : " ") + std::to_string(image[0] | image[1] << 8) + "," +
                  std::to_string(image[2] | image[3] << 8);
    }
    groups.push_back(hotspots);
  }
  FreeLibrary(lib);
  return groups;
}

// The hotspots a /list line gives: "hotspot x,y" of each image.
std::string ListedHotspots(const std::string& line) {
  std::string hotspots;
  for (size_t at = line.find(" hotspot "); at != std::string::npos; at = line.find(" hotspot ", at + 1)) {
    const size_t comma = line.find(',', at + 9);
    const size_t end = comma == std::string::npos ? comma : line.find_first_not_of("0123456789", comma + 1);
    hotspots += (hotspots.empty() ? "" : " ") + line.substr(at + 9, end - at - 9);
  }
  return hotspots;
}

// /cursors over a real program (Wine's own user32, 28 cursor groups): each group listed after
// the icons as "cursor N" with the hotspots of its resources, and saved as a .cur file that the
// platform loads pointing where the resource does.
TEST_F(CommandLine, CursorsOfAProgramAreListedAndSavedWithTheirHotspots) {
  char system[MAX_PATH] = "";
  ASSERT_GT(GetSystemDirectoryA(system, MAX_PATH), 0u);
  fixtures::TempFolder src("user32"), dest("cursors");
  ASSERT_TRUE(CopyFileA((std::string(system) + "\\user32.dll").c_str(), (src.Path() + "user32.dll").c_str(), FALSE));
  const std::vector<std::string> expected = ResourceHotspots(src.Path() + "user32.dll");
  ASSERT_EQ(expected.size(), 28u);

  // Without the switch nothing of this changes.
  Outcome icons = RunProgram("/list " + Quoted(src.Path()));
  Outcome o = RunProgram("/list " + Quoted(src.Path()) + " /cursors");
  EXPECT_EQ(o.exitCode, 0u) << o.Text();
  ASSERT_EQ(o.lines.size(), icons.lines.size() + 28) << o.Text();
  EXPECT_TRUE(std::equal(icons.lines.begin(), icons.lines.end() - 1, o.lines.begin()));
  const size_t first = icons.lines.size() - 1;
  for (size_t i = 0; i < 28; ++i) {
    const std::string prefix = src.Path() + "user32.dll\tcursor " + std::to_string(i) + "\t";
    ASSERT_EQ(o.lines[first + i].rfind(prefix, 0), 0u) << o.lines[first + i];
    EXPECT_EQ(ListedHotspots(o.lines[first + i]), expected[i]) << o.lines[first + i];
  }

  Outcome saved = RunProgram("/save " + Quoted(src.Path()) + " " + Quoted(dest.Path()) + " /cursors /kind original");
  EXPECT_EQ(saved.exitCode, 0u) << saved.Text();
  for (size_t i = 0; i < 28; ++i) {
    const std::string path = dest.Path() + "user32cursor " + std::to_string(i) + ".cur";
    const std::vector<uint8_t> bytes = ReadAll(path);
    EXPECT_EQ(opens::CursorFault(bytes, ".cur"), "") << path;
    const auto read = iconres::ReadIconGroups(bytes);
    ASSERT_EQ(read.groups.size(), 1u) << path;
    std::string hotspots;
    for (const auto& image : read.groups[0].images)
      hotspots += (hotspots.empty() ? "" : " ") + std::to_string(image.hotspotX) + "," + std::to_string(image.hotspotY);
    EXPECT_EQ(hotspots, expected[i]) << path;
  }
}

// A file opens the window on its folder; the console twin hands it to the window program and
// returns at once.
TEST_F(CommandLine, FileArgumentOpensTheWindowOnItsFolderAndReadsIt) {
  for (const char* starter : {kProgram, kConsoleTwin}) {
    SCOPED_TRACE(starter);
    std::string line = std::string("\"") + starter + "\" " + Quoted(sound_->Path() + "icons.dll");
    STARTUPINFOA si{sizeof si};
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessA(starter, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    CloseHandle(pi.hThread);
    win::UniqueEvent process(pi.hProcess);
    if (starter == kConsoleTwin) {
      ASSERT_EQ(WaitForSingleObject(process.get(), 30000), WAIT_OBJECT_0);
      DWORD code = 0xBAD0;
      GetExitCodeProcess(process.get(), &code);
      EXPECT_EQ(code, 0u);
    }
    HWND window = driver::WaitFor("TfrmMainForm", 60);
    ASSERT_NE(window, nullptr);
    HWND bar = FindWindowExA(window, nullptr, STATUSCLASSNAMEA, nullptr);
    ASSERT_NE(bar, nullptr);
    driver::RemoteBuffer buffer(bar, 256);
    ASSERT_TRUE(buffer.Valid());
    std::string status;
    for (DWORD start = GetTickCount(); status != "5 icons" && GetTickCount() - start < 60000; Sleep(100)) {
      DWORD_PTR ignored = 0;
      char text[256] = "";
      if (SendMessageTimeoutA(bar, SB_GETTEXTA, 0, buffer.Address(), SMTO_NORMAL, 1000, &ignored) &&
          buffer.Read(text, sizeof text - 1))
        status = text;
    }
    EXPECT_EQ(status, "5 icons");
    std::string folder = NoSlash(sound_->Path());
    folder = folder.substr(folder.rfind('\\') + 1);
    char caption[256] = "";
    GetWindowTextA(window, caption, sizeof caption);
    EXPECT_EQ(_stricmp(caption, (folder + " - Varnholt Glyph Gatherer").c_str()), 0) << caption;
    EXPECT_EQ(driver::CloseAndWait("TfrmMainForm", 30), 0);
    if (starter == kProgram) TerminateProcess(process.get(), 1);
  }
}

BOOL CALLBACK FindListView(HWND child, LPARAM found) {
  char name[64] = "";
  GetClassNameA(child, name, sizeof name);
  if (lstrcmpiA(name, WC_LISTVIEWA) != 0) return TRUE;
  *reinterpret_cast<HWND*>(found) = child;
  return FALSE;
}

// A location where a file goes opens the window there with that icon selected: the group of
// ID 3 is icons.dll's third entry.
TEST_F(CommandLine, LocationArgumentSelectsItsIcon) {
  std::string line = std::string("\"") + kProgram + "\" \"" + sound_->Path() + "icons.dll,-3\"";
  STARTUPINFOA si{sizeof si};
  PROCESS_INFORMATION pi{};
  ASSERT_TRUE(CreateProcessA(kProgram, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
  CloseHandle(pi.hThread);
  win::UniqueEvent process(pi.hProcess);
  HWND window = driver::WaitFor("TfrmMainForm", 60);
  ASSERT_NE(window, nullptr);
  HWND list = nullptr;
  EnumChildWindows(window, FindListView, reinterpret_cast<LPARAM>(&list));
  ASSERT_NE(list, nullptr);
  // The run fills the list and then selects the icon: wait for the selection, not for time.
  LRESULT selected = -1;
  for (DWORD start = GetTickCount(); selected < 0 && GetTickCount() - start < 60000; Sleep(100)) {
    DWORD_PTR answer = 0;
    if (SendMessageTimeoutA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED | LVNI_FOCUSED, SMTO_NORMAL,
                            1000, &answer))
      selected = static_cast<LRESULT>(answer);
  }
  EXPECT_EQ(selected, 2);
  DWORD_PTR count = 0;
  SendMessageTimeoutA(list, LVM_GETSELECTEDCOUNT, 0, 0, SMTO_NORMAL, 1000, &count);
  EXPECT_EQ(count, 1u);
  EXPECT_EQ(driver::CloseAndWait("TfrmMainForm", 30), 0);
  TerminateProcess(process.get(), 1);
}


// The command line as Explorer, shortcuts and typing hand it over.
TEST(CommandLineArguments, KeepWhatTheUserMeant) {
  using batch::Mode;
  using batch::ParseArguments;
  // An unquoted folder with spaces; a quoted drive whose backslash kept the closing quote.
  EXPECT_EQ(ParseArguments({"C:\\My", "Icons"}).folder, "C:\\My Icons");
  const batch::Command drive = ParseArguments({"C:\""});
  EXPECT_EQ(drive.mode, Mode::Window);
  EXPECT_EQ(drive.folder, "C:\\");
  EXPECT_EQ(ParseArguments({"/list", "C:\\"}).folder, "C:\\");
  // A quoted "folder\" in the middle swallowed the arguments after it.
  EXPECT_EQ(ParseArguments({"/save", "C:\\src\" C:\\out"}).mode, Mode::BadArguments);
  EXPECT_EQ(ParseArguments({"/save", "a", "b", "/all", "/types", ".exe"}).mode, Mode::BadArguments);
  EXPECT_EQ(ParseArguments({"/save", "a", "b", "/types"}).mode, Mode::BadArguments);
  EXPECT_EQ(ParseArguments({"/save", "a", "b", "c"}).mode, Mode::BadArguments);
  EXPECT_EQ(ParseArguments({"/sub", "a"}).mode, Mode::BadArguments);
  EXPECT_EQ(ParseArguments({"/list", "a", "/?"}).mode, Mode::Usage);
}

// The sized kinds take their edges after a colon; any other form is refused.
TEST(CommandLineParse, SizedKindsTakeTheirEdges) {
  using batch::Mode;
  using batch::ParseArguments;
  const batch::Command png = ParseArguments({"/save", "a", "b", "/kind", "PNG:48"});
  EXPECT_EQ(png.kind, OutputKind::PngAtSize);
  EXPECT_EQ(png.edges, std::vector<int>{48});
  const batch::Command ico = ParseArguments({"/save", "a", "b", "/kind:ico:256,16,32"});
  EXPECT_EQ(ico.kind, OutputKind::IconWithSizes);
  EXPECT_EQ(ico.edges, (std::vector<int>{16, 32, 256}));
  EXPECT_EQ(ParseArguments({"/save", "a", "b", "/kind", "ico:windows"}).edges, (std::vector<int>{16, 20, 24, 32, 40, 48, 64, 256}));
  EXPECT_EQ(ParseArguments({"/save", "a", "b", "/kind", "pngall"}).kind, OutputKind::EveryPng);
  for (const char* bad : {"png:", "png:7", "png:1025", "png:16,32", "ico:", "ico:300", "ico:16,,32", "pngall:3", "gif:16", "png48"})
    EXPECT_EQ(ParseArguments({"/save", "a", "b", "/kind", bad}).mode, Mode::BadArguments) << bad;
}

// Over a file with a 256 PNG: png:48 gives the stored 48 as it is, pngall a file per image,
// ico:16,24,256 an icon of those sizes, and the summary says what was resampled.
TEST_F(CommandLine, SizedKindsSaveTheChosenSizes) {
  fixtures::TempFolder src("sizedsrc"), dest("sized");
  ASSERT_TRUE(CopyFileA((corpus::Folder("good") + "sizes.dll").c_str(), (src.Path() + "sizes.dll").c_str(), TRUE));
  Outcome png = RunProgram("/save " + Quoted(src.Path()) + " " + Quoted(dest.Path() + "png\\") + " /kind png:48");
  EXPECT_EQ(png.exitCode, 0u) << png.Text();
  EXPECT_EQ(Listing(dest.Path() + "png\\"), std::vector<std::string>{"sizes0-48x48.png"});
  EXPECT_NE(png.Text().find("1 file saved to " + dest.Path() + "png\\, 0 images resampled, 0 failed."), std::string::npos)
      << png.Text();
  Outcome all = RunProgram("/save " + Quoted(src.Path()) + " " + Quoted(dest.Path() + "all\\") + " /kind pngall");
  EXPECT_EQ(all.exitCode, 0u) << all.Text();
  EXPECT_EQ(Listing(dest.Path() + "all\\"), (std::vector<std::string>{"sizes0-16x16-32bit.png", "sizes0-256x256-32bit.png",
                                                                    "sizes0-32x32-32bit.png", "sizes0-48x48-32bit.png"}));
  Outcome ico = RunProgram("/save " + Quoted(src.Path()) + " " + Quoted(dest.Path() + "ico\\") + " /kind ico:16,24,256");
  EXPECT_EQ(ico.exitCode, 0u) << ico.Text();
  EXPECT_NE(ico.Text().find("1 image resampled"), std::string::npos) << ico.Text();
  const std::vector<uint8_t> bytes = ReadAll(dest.Path() + "ico\\sizes0.ico");
  EXPECT_EQ(opens::IcoFault(bytes, true), "");
  const iconres::IconFileContents written = iconres::ReadIconGroups(bytes);
  std::vector<int> edges;
  for (const auto& image : written.groups.at(0).images) edges.push_back(image.width);
  EXPECT_EQ(edges, (std::vector<int>{16, 24, 256}));
}

// Store packages and installers go by the default file types; a package refused in part lists
// what it could read after one line, and an encrypted one says so, by its name or by its header.
TEST_F(CommandLine, PackagesAndInstallersAreListedAndSavedAsOtherFiles) {
  const std::string packages = fixtures::ProgramFolder() + "packages\\";
  Outcome all = RunProgram("/list " + Quoted(packages));
  EXPECT_EQ(all.exitCode, 0u) << all.Text();
  EXPECT_EQ(all.lines.back(), "15 icons in 3 files, 0 failed.") << all.Text();
  EXPECT_EQ(all.lines.front(), packages + "Sample.msi\t0\t16x16 32bpp, 32x32 32bpp, 48x48 32bpp, 256x256 32bpp PNG\t");

  Outcome bomb = RunProgram("/list " + Quoted(packages + "damaged\\bomb-lying.msix"));
  EXPECT_EQ(bomb.exitCode, 1u) << bomb.Text();
  ASSERT_GE(bomb.lines.size(), 3u) << bomb.Text();
  EXPECT_EQ(bomb.lines[bomb.lines.size() - 2], "Error: " + packages + "damaged\\bomb-lying.msix: some images left out: "
                                                  "the package inflates past any real package's size: refused");
  Outcome encrypted = RunProgram("/list " + Quoted(packages + "damaged\\Sample.emsix"));
  EXPECT_EQ(encrypted.lines.front(), "Error: " + packages + "damaged\\Sample.emsix: no icons read: the package is encrypted");
  Outcome header = RunProgram("/list " + Quoted(packages + "damaged\\encrypted-header.msix"));
  EXPECT_EQ(header.lines.front(), "Error: " + packages + "damaged\\encrypted-header.msix: no icons read: the package is encrypted");

  fixtures::TempFolder dest("msisave");
  Outcome save = RunProgram("/save " + Quoted(packages + "Sample.msi") + " " + Quoted(dest.Path()) + " /kind original");
  EXPECT_EQ(save.exitCode, 0u) << save.Text();
  EXPECT_EQ(Listing(dest.Path()), (std::vector<std::string>{"AppIcon0.ico", "ToolIcon1.ico", "ToolIcon2.ico"}));
}

}  // namespace

// Files too small for any icon file are not opened and files whose first bytes are no icon
// container's are not mapped: the lines are what reading them whole gives.
TEST_F(CommandLine, FilesThatCannotHoldAnIconAreReportedAsWhenReadWhole) {
  fixtures::TempFolder dir("floor");
  const std::string path = dir.Path();
  const unsigned char head[] = {0, 0, 1, 0, 0, 0};  // an icon file's head counting no image
  fixtures::WriteFileBytes(path + "empty.ico", "", 0);
  fixtures::WriteFileBytes(path + "short.ico", "abc", 3);
  fixtures::WriteFileBytes(path + "head.txt", head, sizeof head);
  fixtures::WriteFileBytes(path + "note.txt", "a small note\n", 13);
  fixtures::WriteFileBytes(path + "locked.txt", "a held note\n", 12);
  ASSERT_TRUE(CopyFileA((sound_->Path() + "single.ico").c_str(), (path + "single.ico").c_str(), FALSE));
  win::UniqueFile hold(CreateFileA((path + "locked.txt").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                   OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(hold);
  Outcome o = RunProgram("/list " + Quoted(path) + " /all");
  ASSERT_EQ(o.lines.size(), 6u) << o.Text();
  EXPECT_EQ(o.lines[0], "Error: " + path + "empty.ico: no icons read: the file is damaged");
  EXPECT_EQ(o.lines[1], "Error: " + path + "head.txt: no icons read: the file is damaged");
  EXPECT_EQ(o.lines[2].rfind("Error: " + path + "locked.txt: cannot be read: ", 0), 0u) << o.lines[2];
  EXPECT_EQ(o.lines[3], "Error: " + path + "short.ico: no icons read: the file is damaged");
  EXPECT_EQ(o.lines[4].rfind(path + "single.ico\t0\t", 0), 0u) << o.lines[4];
  EXPECT_EQ(o.lines[5], "1 icon in 1 file, 4 failed.");
}
