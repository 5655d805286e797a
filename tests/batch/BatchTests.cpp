// The command line end to end: Mirovane.exe started with a folder or a batch command, its
// standard output caught in a file, its exit code, and the files it saved.
#include "BatchSupport.h"

namespace {

using batchtest::At;
using batchtest::CommandLine;
using batchtest::kConsoleTwin;
using batchtest::kProgram;
using batchtest::Outcome;
using batchtest::Quoted;
using batchtest::RunProgram;
using saved::Int32At;
using saved::Listing;
using saved::ReadAll;

TEST_F(CommandLine, SaveWritesEachKindUnderTheWindowsNames) {
  fixtures::TempFolder dest("dest");
  struct Kind {
    const char* switches;
    const char* extension;
    int size;
  };
  // No /kind saves 32 x 32 icons, as the Save As button does.
  // 0 for the kinds written as the file stores the icon.
  for (const Kind& k : {Kind{"", ".ico", 32}, {"/kind ico16", ".ico", 16}, {"/KIND:bmp32", ".bmp", 32}, {"/kind BMP16", ".bmp", 16},
                        {"/kind original", ".ico", 0}, {"/kind png", ".png", 0}}) {
    SCOPED_TRACE(k.switches);
    // The output folder is made, with the folder above it.
    const std::string out = dest.Path() + "made\\" + (k.switches[0] ? k.switches + 6 : "plain") + "\\";
    Outcome o = RunProgram("/save " + Quoted(sound_->Path()) + " " + Quoted(out) + " " + k.switches);
    EXPECT_EQ(o.exitCode, 0u) << o.Text();
    std::vector<std::string> names;
    for (const char* base : {"icons0", "icons1", "icons2", "icons3", "single0"}) names.push_back(base + std::string(k.extension));
    EXPECT_EQ(Listing(out), names);
    std::vector<std::string> printed;
    for (const std::string& n : names) printed.push_back(out + n);
    printed.push_back("5 files saved to " + out + ", 0 failed.");
    EXPECT_EQ(o.lines, printed);
    for (const std::string& n : names) {
      const std::vector<uint8_t> b = ReadAll(out + n);
      if (k.size == 0) {
        // Byte for byte what Save As writes for the icon as its file stores it.
        const std::string source = sound_->Path() + (n[0] == 'i' ? "icons.dll" : "single.ico");
        const iconres::IconFile file = iconres::LoadIconFile(source, "");
        const size_t group = static_cast<size_t>(n[n.size() - 5] - '0');
        EXPECT_EQ(b, k.extension == std::string(".png") ? LargestImagePngBytes(file, group) : OriginalIconBytes(file, group)) << n;
        continue;
      }
      ASSERT_GE(b.size(), 54u) << n;
      if (k.extension == std::string(".ico")) {
        // One 4-bit image, as Save As writes it.
        EXPECT_EQ(b.size(), k.size == 32 ? 766u : 318u) << n;
        EXPECT_EQ(b[6], k.size) << n;
      } else {
        EXPECT_EQ(b[0], 'B') << n;
        EXPECT_EQ(Int32At(b, 18), k.size) << n;
        EXPECT_EQ(Int32At(b, 22), k.size) << n;
      }
    }
  }
  // A second save into the same folder keeps what is there and puts "_" in front.
  const std::string out = dest.Path() + "made\\plain\\";
  Outcome again = RunProgram("/save " + Quoted(sound_->Path()) + " " + Quoted(out) + " /types .ico");
  EXPECT_EQ(again.exitCode, 0u) << again.Text();
  EXPECT_EQ(again.lines, (std::vector<std::string>{out + "_single0.ico", "1 file saved to " + out + ", 0 failed."}));
  EXPECT_EQ(Listing(out).size(), 6u);
  // Nothing of the program's settings was read or written.
  HKEY section = nullptr;
  EXPECT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, (std::string(kBaseKey) + "\\" + kSection).c_str(), 0, KEY_READ, &section),
            ERROR_SUCCESS);
  if (section) RegCloseKey(section);
}

// The four kinds made from the 32 x 32 and 16 x 16 slots come out byte for byte the same
// whatever the display's scale, also for icons that store larger sizes the scale would pick.
TEST_F(CommandLine, SavedImagesDoNotDependOnTheDisplayScale) {
  fixtures::TempFolder src("scaled"), dest("scaled-out");
  char system[MAX_PATH] = "";
  ASSERT_GT(GetSystemDirectoryA(system, MAX_PATH), 0u);
  ASSERT_TRUE(CopyFileA((std::string(system) + "\\comdlg32.dll").c_str(), (src.Path() + "comdlg32.dll").c_str(), FALSE));
  ASSERT_TRUE(CopyFileA((fixture_->Path() + "icons.dll").c_str(), (src.Path() + "icons.dll").c_str(), FALSE));
  auto saveAt = [&](DWORD dpi, const std::string& kind) {
    testsupport::ScopedLogPixels scale(dpi);
    const std::string out = dest.Path() + std::to_string(dpi) + kind + "\\";
    Outcome o = RunProgram("/save " + Quoted(src.Path()) + " " + Quoted(out) + " /kind " + kind);
    EXPECT_EQ(o.exitCode, 0u) << o.Text();
    std::vector<std::vector<uint8_t>> files;
    for (const std::string& name : Listing(out)) files.push_back(ReadAll(out + name));
    return files;
  };
  for (const char* kind : {"ico32", "ico16", "bmp32", "bmp16"}) {
    SCOPED_TRACE(kind);
    const auto at96 = saveAt(96, kind);
    ASSERT_GT(at96.size(), 4u);
    for (DWORD dpi : {144u, 192u}) EXPECT_TRUE(saveAt(dpi, kind) == at96) << dpi;
  }
}

TEST_F(CommandLine, SubAndTypesChooseTheFilesAsTheWindowDoes) {
  const std::string src = fixture_->Path();
  // Hidden and system files are read; hidden and system folders are not walked.
  Outcome flat = RunProgram("/list " + Quoted(src) + " /types .ICO");
  EXPECT_EQ(flat.exitCode, 0u) << flat.Text();
  EXPECT_EQ(flat.lines,
            (std::vector<std::string>{src + "hidden.ico\t0\t32x32 4bpp" + At(src + "hidden.ico", 0),
                                      src + "single.ico\t0\t16x16 4bpp, 32x32 8bpp, 32x32 32bpp, 48x48 32bpp" +
                                          At(src + "single.ico", 0),
                                      src + "system.ico\t0\t32x32 4bpp" + At(src + "system.ico", 0),
                                      src + "UPPER.ICO\t0\t32x32 8bpp" + At(src + "UPPER.ICO", 0), "4 icons in 4 files, 0 failed."}));
  const std::string deepSizes = "\t0\t32x32 8bpp";
  fixtures::TempFolder dest("sub");
  Outcome deep = RunProgram("/save " + Quoted(src) + " " + Quoted(dest.Path()) + " /sub /types:.ico /kind bmp16");
  EXPECT_EQ(deep.exitCode, 0u) << deep.Text();
  EXPECT_EQ(Listing(dest.Path()), (std::vector<std::string>{"UPPER0.bmp", "deep0.bmp", "hidden0.bmp", "inner0.bmp",
                                                            "single0.bmp", "system0.bmp"}));
  ASSERT_FALSE(deep.lines.empty());
  EXPECT_EQ(deep.lines.back(), "6 files saved to " + dest.Path() + ", 0 failed.");
  // /stored starts from the configuration dialog's options; the switches still change them.
  TRegistryIniFile ini(kBaseKey);
  stored::IncludeSubs.Write(ini, true);
  stored::ExtractFromAll.Write(ini, false);
  stored::FileTypes.Write(ini, ".cur.ico");
  Outcome stored = RunProgram("/list " + Quoted(src + "sub") + " /stored");
  EXPECT_EQ(stored.lines, (std::vector<std::string>{src + "sub\\deep.ico" + deepSizes + At(src + "sub\\deep.ico", 0),
                                                    src + "sub\\inner\\inner.ico" + deepSizes + At(src + "sub\\inner\\inner.ico", 0),
                                                    "2 icons in 2 files, 0 failed."}));
  Outcome storedAndTypes = RunProgram("/list " + Quoted(src + "sub") + " /stored /types .dll");
  EXPECT_EQ(storedAndTypes.lines, std::vector<std::string>{"0 icons in 0 files, 0 failed."});
  Outcome withoutStored = RunProgram("/list " + Quoted(src + "sub"));
  EXPECT_EQ(withoutStored.lines, (std::vector<std::string>{src + "sub\\deep.ico" + deepSizes + At(src + "sub\\deep.ico", 0),
                                                           "1 icon in 1 file, 0 failed."}));
}

// In portable use /stored reads the settings file beside the program, and writes nothing.
TEST_F(CommandLine, StoredReadsTheSettingsFileAndWritesNothing) {
  const std::string text =
      "[Glyph Gatherer]\r\nInclude Subs=1\r\nExtract From All=0\r\nFile Types=.cur\r\nMinimum Image Size=32\r\n";
  testportable::SettingsFile file(text);
  testportable::DeleteVendorKey();
  batch::Command command;
  command.stored = true;
  const ExtractionOptions options = batch::OptionsFor(command);
  EXPECT_TRUE(options.includeSubs);
  EXPECT_FALSE(options.extractFromAll);
  EXPECT_EQ(options.fileTypes, ".cur");
  EXPECT_EQ(options.minSize, 32);
  EXPECT_EQ(file.Text(), text);
  EXPECT_FALSE(testportable::VendorKeyExists());
}

TEST_F(CommandLine, ListNamesEachIconAndEachIconThatCannotBeRead) {
  const std::string src = fixture_->Path();
  Outcome o = RunProgram("/list " + Quoted(src) + " /types .DLL");
  EXPECT_EQ(o.exitCode, 1u) << o.Text();
  // The sizes each icon's group stores, in the group's order; a file's failures in one line after its icons.
  const char* const sizes[] = {"32x32 4bpp, 16x16 4bpp", "32x32 8bpp", "32x32 32bpp, 16x16 32bpp", "48x48 24bpp, 32x32 24bpp"};
  // Then its location: the groups' ids are 1 to 4, and the id 1 goes by its position.
  const int index[] = {0, -2, -3, -4};
  std::vector<std::string> want = {src + "gaps.dll\t0\t32x32 4bpp" + At(src + "gaps.dll", 0),
                                   src + "gaps.dll\t2\t32x32 32bpp" + At(src + "gaps.dll", -3),
                                   src + "gaps.dll\t3\t32x32 24bpp" + At(src + "gaps.dll", -4),
                                   "Error: " + src + "gaps.dll: 1 of 4 icons unreadable: no sound image"};
  for (const char* file : {"icons.dll", "LIBRARY.DLL"})
    for (int i = 0; i < 4; ++i)
      want.push_back(src + file + "\t" + std::to_string(i) + "\t" + sizes[i] + At(src + file, index[i]));
  want.push_back("11 icons in 3 files, 1 failed.");
  EXPECT_EQ(o.lines, want);

  Outcome missing = RunProgram("/list " + Quoted(src + "nothing"));
  EXPECT_EQ(missing.exitCode, 1u);
  EXPECT_EQ(missing.lines, std::vector<std::string>{"Error: cannot find the folder " + src + "nothing"});
}

// Fourteen folders with long names, 500 characters deep: both programs are listed, and saved
// into a folder that deep; a short tree gives the same lines as ever.
TEST_F(CommandLine, FoldersPastTheOldPathLimitAreListedAndSavedInto) {
  fixtures::TempFolder dest("deep");
  const fixtures::DeepTree tree(dest.Path(), sound_->Path() + "icons.dll");
  Outcome listed = RunProgram("/list " + Quoted(tree.Top()) + " /sub");
  EXPECT_EQ(listed.exitCode, 0u) << listed.Text();
  ASSERT_EQ(listed.lines.size(), 9u) << listed.Text();
  EXPECT_EQ(listed.lines[0].substr(0, tree.Bottom().size() + 12), tree.Bottom() + "bottom.dll\t0");
  EXPECT_EQ(listed.lines[4].substr(0, tree.Top().size() + 9), tree.Top() + "top.dll\t0");
  EXPECT_EQ(listed.lines[8], "8 icons in 2 files, 0 failed.");

  const std::string out = tree.Bottom() + "saved\\";
  Outcome saved = RunProgram("/save " + Quoted(tree.Top()) + " " + Quoted(out) + " /sub");
  EXPECT_EQ(saved.exitCode, 0u) << saved.Text();
  EXPECT_EQ(fixtures::DeepTree::Names(out),
            (std::vector<std::string>{"bottom0.ico", "bottom1.ico", "bottom2.ico", "bottom3.ico", "top0.ico", "top1.ico", "top2.ico",
                     "top3.ico"}));
  EXPECT_EQ(saved.lines.back(), "8 files saved to " + out + ", 0 failed.");
}

// A file the program may not open is said once, with the system's reason, and counts as failed.
TEST_F(CommandLine, AFileThatCannotBeOpenedIsReportedOnceAndFails) {
  fixtures::TempFolder dir("locked");
  ASSERT_TRUE(CopyFileA((sound_->Path() + "icons.dll").c_str(), (dir.Path() + "locked.dll").c_str(), FALSE));
  ASSERT_TRUE(CopyFileA((sound_->Path() + "single.ico").c_str(), (dir.Path() + "single.ico").c_str(), FALSE));
  // Held without sharing, as a program writing it would.
  win::UniqueFile hold(CreateFileA((dir.Path() + "locked.dll").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                   OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(hold);
  Outcome o = RunProgram("/list " + Quoted(dir.Path()));
  EXPECT_EQ(o.exitCode, 1u) << o.Text();
  ASSERT_EQ(o.lines.size(), 3u) << o.Text();
  const std::string said = "Error: " + dir.Path() + "locked.dll: cannot be read: ";
  EXPECT_EQ(o.lines[0].substr(0, said.size()), said);
  EXPECT_GT(o.lines[0].size(), said.size()) << "the reason";
  EXPECT_EQ(o.lines[1].substr(0, dir.Path().size() + 12), dir.Path() + "single.ico\t0");
  EXPECT_EQ(o.lines[2], "1 icon in 1 file, 1 failed.");
}

TEST_F(CommandLine, MinsizeAndUniqueLeaveOutIconsAsTheWindowDoes) {
  // Of icons.dll only the fourth icon stores a 48 x 48 image; single.ico stores one too.
  Outcome large = RunProgram("/list " + Quoted(sound_->Path()) + " /minsize:48");
  EXPECT_EQ(large.exitCode, 0u) << large.Text();
  ASSERT_EQ(large.lines.size(), 3u) << large.Text();
  EXPECT_EQ(large.lines[0], sound_->Path() + "icons.dll\t3\t48x48 24bpp, 32x32 24bpp" + At(sound_->Path() + "icons.dll", -4));
  EXPECT_EQ(large.lines[1].rfind(sound_->Path() + "single.ico\t0\t", 0), 0u);
  EXPECT_EQ(large.lines[2], "2 icons in 2 files, 0 failed.");
  // Three copies of one library and another file: the copies' icons are listed once.
  fixtures::TempFolder dups("dups");
  for (const char* copy : {"a.dll", "b.dll", "c.dll"})
    ASSERT_TRUE(CopyFileA((sound_->Path() + "icons.dll").c_str(), (dups.Path() + copy).c_str(), FALSE));
  ASSERT_TRUE(CopyFileA((sound_->Path() + "single.ico").c_str(), (dups.Path() + "single.ico").c_str(), FALSE));
  Outcome unique = RunProgram("/list " + Quoted(dups.Path()) + " /UNIQUE");
  EXPECT_EQ(unique.exitCode, 0u) << unique.Text();
  ASSERT_EQ(unique.lines.size(), 6u) << unique.Text();
  for (int i = 0; i < 4; ++i) EXPECT_EQ(unique.lines[i].rfind(dups.Path() + "a.dll\t" + std::to_string(i), 0), 0u) << i;
  EXPECT_EQ(unique.lines[4].rfind(dups.Path() + "single.ico\t0", 0), 0u);
  EXPECT_EQ(unique.lines[5], "5 icons in 4 files, 8 duplicates hidden, 0 failed.");
}

// Names in every script on the command line: arguments naming folders in other scripts, /list
// printing every file under its own name as valid UTF-8 into a file, /save writing each under
// its own name (of two names that differ only in case, the later one with the underscore).
TEST_F(CommandLine, NamesInEveryScriptAreListedAndSavedAsTheyAre) {
  fixtures::TempFolder top("names");
  const std::string src = top.Path() + "Ключи", dest = top.Path() + "出力";
  ASSERT_TRUE(CreateDirectoryA(src.c_str(), nullptr));
  const std::vector<std::string> made = fixtures::MakeNamesInEveryScript(src + "\\");

  Outcome list = RunProgram("/list " + Quoted(src) + " /sub");
  EXPECT_EQ(list.exitCode, 0u) << list.Text();
  const std::string text = list.Text();
  EXPECT_GT(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()), nullptr, 0), 0);
  std::vector<std::string> listed, want;
  for (const std::string& line : list.lines)
    if (line.find('\t') != std::string::npos) listed.push_back(line.substr(0, line.find('\t')));
  for (const std::string& name : made) want.push_back(src + "\\" + name);
  std::sort(listed.begin(), listed.end());
  std::sort(want.begin(), want.end());
  EXPECT_EQ(listed, want);

  Outcome save = RunProgram("/save " + Quoted(src) + " " + Quoted(dest) + " /sub");
  EXPECT_EQ(save.exitCode, 0u) << save.Text();
  std::vector<std::string> saved = Listing(dest + "\\"), names;
  for (const std::string& name : made) names.push_back(OutputFileName(name.substr(name.rfind('\\') + 1), "0", ".ico"));
  // Which of the two gets the underscore follows the order; one of them does.
  for (const char* later : {"Écran0.ico", "écran0.ico"}) {
    std::vector<std::string> w = names;
    std::replace(w.begin(), w.end(), std::string(later), "_" + std::string(later));
    std::sort(w.begin(), w.end());
    if (w == saved) names = w;
  }
  EXPECT_EQ(saved, names);
  ASSERT_FALSE(save.lines.empty());
  EXPECT_EQ(save.lines.back(), "9 files saved to " + dest + "\\, 0 failed.");
}

TEST_F(CommandLine, DestinationThatCannotTakeFilesFailsWithReasons) {
  fixtures::TempFolder dest("dest");
  // A folder that cannot be made: a file has its parent's name.
  ASSERT_TRUE(CreateDirectoryA((dest.Path() + "kept").c_str(), nullptr));
  fixtures::WriteFileBytes(dest.Path() + "file", "x", 1);
  Outcome none = RunProgram("/save " + Quoted(sound_->Path()) + " " + Quoted(dest.Path() + "file\\out"));
  EXPECT_EQ(none.exitCode, 1u) << none.Text();
  ASSERT_EQ(none.lines.size(), 1u) << none.Text();
  EXPECT_EQ(none.lines[0].rfind("Error: cannot save to " + dest.Path() + "file\\out: ", 0), 0u) << none.lines[0];
  EXPECT_EQ(Listing(dest.Path()), (std::vector<std::string>{"file", "kept/"}));

  // A source file whose name leaves no room for the index: its icons' file names are longer
  // than any folder entry may be. The saves before it stay, the file's failures are reported in
  // one line with their reason, and the batch goes on. A short folder keeps the source's own
  // path readable.
  const std::string src = "C:\\mb\\";
  const std::string longName(253, 'X');
  ASSERT_TRUE(CreateDirectoryA(src.c_str(), nullptr));
  struct Remove {
    std::string folder;
    ~Remove() { fixtures::RemoveFolderTree(folder); }
  } remove{src};
  for (const char* name : {"gaps.dll", "icons.dll"})
    ASSERT_TRUE(CopyFileA((fixture_->Path() + name).c_str(), (src + name).c_str(), FALSE));
  ASSERT_TRUE(CopyFileA((fixture_->Path() + "icons.dll").c_str(), (src + longName).c_str(), FALSE));
  const std::string out = dest.Path() + "kept\\";
  Outcome some = RunProgram("/save " + Quoted(src) + " " + Quoted(out));
  EXPECT_EQ(some.exitCode, 1u) << some.Text();
  EXPECT_EQ(Listing(out), (std::vector<std::string>{"gaps0.ico", "gaps2.ico", "gaps3.ico", "icons0.ico", "icons1.ico",
                                                     "icons2.ico", "icons3.ico"}));
  ASSERT_EQ(some.lines.size(), 10u) << some.Text();
  EXPECT_EQ(some.lines[3], "Error: " + src + "gaps.dll: 1 of 4 icons unreadable: no sound image");
  const std::string failure = "Error: " + src + longName + ": 4 of 4 icons failed: Cannot create file ";
  EXPECT_EQ(some.lines[8].rfind(failure, 0), 0u) << some.lines[8];
  EXPECT_EQ(some.lines.back(), "7 files saved to " + out + ", 5 failed.");
}

// Over the whole damaged corpus, for listing and the kinds: at most one failure line per file,
// and every file written opens through the platform.
TEST_F(CommandLine, DamagedFilesGetOneLineEachAndEveryWrittenFileOpens) {
  win::ComScope com;
  const std::string damaged = corpus::Folder("damaged");
  fixtures::TempFolder dest("damaged");
  for (const std::string kind : {"list", "png", "original", "ico32"}) {
    SCOPED_TRACE(kind);
    const std::string out = dest.Path() + kind + "\\";
    Outcome o = RunProgram(kind == "list" ? "/list " + Quoted(damaged)
                                          : "/save " + Quoted(damaged) + " " + Quoted(out) + " /kind " + kind);
    EXPECT_EQ(o.exitCode, 1u);
    std::map<std::string, int> failures;
    for (const std::string& line : o.lines) {
      if (line.rfind("Error: ", 0) != 0) continue;
      const size_t end = line.find(": ", 7);
      ASSERT_NE(end, std::string::npos) << line;
      EXPECT_EQ(++failures[line.substr(7, end - 7)], 1) << line;
    }
    // An .ico whose count was raised past its directory, its images intact, is told too.
    EXPECT_EQ(failures.count(damaged + "ico_count_ffff.ico"), 1u);
    EXPECT_GT(failures.size(), 100u);
    // A PNG image whose pixels are broken under sound check sums is marked, not called sound;
    // an original icon without its damaged images says so.
    const std::string marked = damaged + "sizes_png_idat.ico\t0\t16x16 32bpp, 32x32 32bpp, 48x48 32bpp, 256x256 32bpp PNG damaged" +
                               At(damaged + "sizes_png_idat.ico", 0);
    if (kind == "original") {
      EXPECT_NE(std::find(o.lines.begin(), o.lines.end(), out + "sizes_png_idat0.ico: 1 of 4 images left out, damaged"),
                o.lines.end());
    }
    if (kind == "list") {
      EXPECT_NE(std::find(o.lines.begin(), o.lines.end(), marked), o.lines.end());
      continue;
    }
    const std::vector<std::string> written = Listing(out);
    EXPECT_GT(written.size(), 300u);
    for (const std::string& name : written) {
      const std::vector<uint8_t> bytes = ReadAll(out + name);
      const std::string extension = name.size() > 4 ? name.substr(name.size() - 4) : "";
      if (extension == ".png")
        EXPECT_NE(opens::PngOpens(bytes), (std::pair<UINT, UINT>(0, 0))) << name;
      else if (extension == ".cur" || extension == ".ani")
        EXPECT_EQ(opens::CursorFault(bytes, extension), "") << name;
      else
        EXPECT_EQ(opens::IcoFault(bytes, false), "") << name;
    }
  }
}

TEST_F(CommandLine, BadArgumentsGiveTheUsageAndExitCodeTwo) {
  for (const char* args : {"/save onlyone", "/frobnicate", "/list x /kind ico16", "/kind gif /save a b", "/list x /minsize",
                           "/list x /minsize 4097", "/list x /minsize -1", "/list x /minsize 0x20", "/list x /unique:1"}) {
    SCOPED_TRACE(args);
    Outcome o = RunProgram(args);
    EXPECT_EQ(o.exitCode, 2u);
    ASSERT_GE(o.lines.size(), 3u) << o.Text();
    EXPECT_EQ(o.lines[0].rfind("Error: ", 0), 0u) << o.lines[0];
    EXPECT_NE(o.Text().find("Mirovane.exe /save folder output"), std::string::npos) << o.Text();
  }
  Outcome help = RunProgram("/?");
  EXPECT_EQ(help.exitCode, 0u);
  std::string usage = batch::UsageText();
  for (size_t at; (at = usage.find('\r')) != std::string::npos;) usage.erase(at, 1);
  EXPECT_EQ(help.Text(), usage);
}

// The console twin runs the same commands in its console: the same lines and exit codes, which
// a script's pipe and for /f take from it.
TEST_F(CommandLine, ConsoleTwinPrintsWhatTheProgramPrintsWithTheSameExitCode) {
  for (const std::string& args : {"/list " + Quoted(fixture_->Path()), std::string("/frobnicate"), std::string("/?")}) {
    SCOPED_TRACE(args);
    const Outcome program = RunProgram(args), twin = RunProgram(args, kConsoleTwin);
    EXPECT_EQ(twin.exitCode, program.exitCode);
    EXPECT_EQ(twin.lines, program.lines);
    EXPECT_GT(twin.lines.size(), 2u);
  }
  fixtures::TempFolder dest("twin");
  auto save = [&](const char* program, const std::string& out) {
    Outcome o = RunProgram("/save " + Quoted(fixture_->Path()) + " " + Quoted(out), program);
    for (std::string& line : o.lines)
      if (const size_t at = line.find(out); at != std::string::npos) line.replace(at, out.size(), "OUT\\");
    return o;
  };
  const Outcome program = save(kProgram, dest.Path() + "exe\\"), twin = save(kConsoleTwin, dest.Path() + "com\\");
  EXPECT_EQ(twin.exitCode, program.exitCode);
  EXPECT_EQ(twin.lines, program.lines);
  EXPECT_EQ(Listing(dest.Path() + "com\\"), Listing(dest.Path() + "exe\\"));
}

// Ctrl+C ends a command between two files: what was written is whole, and the summary and
// the exit code say that not everything was done.
TEST_F(CommandLine, StopAskedForEndsTheCommandBetweenTwoFiles) {
  fixtures::TempFolder dest("stopped");
  const std::string out = dest.Path() + "out\\";
  std::vector<std::string> lines;
  const int code = batch::Save(batch::ParseArguments({"/save", sound_->Path(), out}), [&](const std::string& line) {
    lines.push_back(line);
    if (lines.size() == 2) batch::RequestStop();
  });
  batch::RequestStop(false);
  EXPECT_EQ(code, batch::kSomethingFailed);
  EXPECT_EQ(lines, (std::vector<std::string>{out + "icons0.ico", out + "icons1.ico", "Stopped: Ctrl+C was pressed.",
                                             "2 files saved to " + out + ", 0 failed."}));
  EXPECT_EQ(Listing(out), (std::vector<std::string>{"icons0.ico", "icons1.ico"}));
}

// /sheet draws the folder's icons on one sheet the platform opens at the layout's size, with a
// .csv row per icon that names the icons /list names; its wrong forms are refused.
TEST_F(CommandLine, SheetDrawsEveryListedIconAndWritesItsCsv) {
  fixtures::TempFolder dest("sheet");
  Outcome o = RunProgram("/sheet " + Quoted(sound_->Path()) + " " + Quoted(dest.Path() + "icons.png") + " /edge 32");
  EXPECT_EQ(o.exitCode, 0u) << o.Text();
  EXPECT_EQ(o.lines, (std::vector<std::string>{dest.Path() + "icons.png", dest.Path() + "icons.csv",
                                               "5 icons on 1 sheet saved to " + dest.Path() + ", 0 failed."}));
  const sheet::Layout layout(5, 32);
  EXPECT_EQ(opens::PngOpens(ReadAll(dest.Path() + "icons.png")),
            (std::pair<UINT, UINT>(static_cast<UINT>(layout.Width(0)), static_cast<UINT>(layout.Height(0)))));
  const std::vector<uint8_t> csv = ReadAll(dest.Path() + "icons.csv");
  std::istringstream rows(std::string(csv.begin(), csv.end()));
  // A row's file and position, and a /list line's.
  auto firstTwo = [](std::string line, char separator) {
    line.resize(std::min(line.size(), line.find(separator, line.find(separator) + 1)));
    std::replace(line.begin(), line.end(), separator, ',');
    return line;
  };
  std::vector<std::string> named, listed;
  std::string row;
  std::getline(rows, row);  // the header
  while (std::getline(rows, row)) named.push_back(firstTwo(row, ','));
  for (const std::string& line : RunProgram("/list " + Quoted(sound_->Path())).lines)
    if (line.find('\t') != std::string::npos) listed.push_back(firstTwo(line, '\t'));
  EXPECT_EQ(named.size(), 5u);
  EXPECT_EQ(named, listed);
  for (const char* args : {"/sheet onlyone", "/sheet a b /edge 7", "/sheet a b /edge 16,32", "/list a /edge 48",
                           "/sheet a b /kind png", "/sheet a b /save"}) {
    SCOPED_TRACE(args);
    EXPECT_EQ(RunProgram(args).exitCode, 2u);
  }
}

// Store packages and installers go by the default file types; a package refused in part lists

}  // namespace
