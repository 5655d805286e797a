// Times the command line's /save: where a save spends its time (listing, reading and parsing
// the files, making the icons, the saved sizes, writing), then the command itself, on the
// system folder and on a generated folder, for ico32 and original.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "batch/Batch.h"
#include "batch/CommandLine.h"
#include "export/IconSave.h"
#include "export/SaveImage.h"
#include "extract/AllFilesIterator.h"
#include "extract/ExtractHelpers.h"
#include "extract/IconRun.h"
#include "extract/LargeIcon.h"
#include "iconres/IconFile.h"
#include "fixtures/IconFixtures.h"
#include "win/PathText.h"

namespace bench {

namespace {

struct Phases {
  double list = 0, read = 0, icons = 0, small = 0, sizes = 0, write = 0, total = 0;
  int files = 0, saved = 0;
};

// The steps of /save one after another, each timed: what the command does, on one thread.
Phases TimedSave(const batch::Command& command) {
  Phases p;
  const double start = Now();
  double t = start;
  auto lap = [&t](double& into) {
    const double now = Now();
    into += now - t;
    t = now;
  };
  const ExtractionOptions options = batch::OptionsFor(command);
  storedimages::IconFilter filter(options.minSize, command.unique, MunWindowsFolder());
  IconRun run(pathtext::WithTrailingBackslash(command.folder), options.includeSubs, IconRun::Order::Caption, &filter);
  const FileFilter types = TypeFilter(options.fileTypes, options.extractFromAll);
  SavedIcon slot(kSavedLargeSize, kSavedSmallSize);
  const std::string output = pathtext::WithTrailingBackslash(command.output);
  CreateDirectoryA(output.c_str(), nullptr);
  lap(p.list);
  while (run.NextFile(types)) {
    lap(p.read);
    ++p.files;
    const FileIcons& file = run.File();
    RunIcon icon;
    while (run.NextIcon(icon)) {
      lap(p.icons);
      if (!icon.Listed()) continue;
      IconToSave toSave{.file = &file.File(), .group = static_cast<size_t>(icon.index), .large = slot.Large(),
                        .small = slot.Small(), .caption = file.Caption(), .indexText = file.IndexText(icon.index)};
      if (!IsStoredKind(command.kind)) {
        win::UniqueIcon small = file.Icon(icon.index, kSavedSmallSize);
        lap(p.small);
        slot.Hold(icon.icon.get(), small.get());
      }
      lap(p.sizes);
      if (SaveOneIcon(command.kind, toSave, output).kind == SaveResult::Kind::Saved) ++p.saved;
      lap(p.write);
    }
    lap(p.icons);
  }
  lap(p.read);
  p.total = Now() - start;
  return p;
}

double CommandSeconds(const batch::Command& command, int& saved) {
  const double start = Now();
  batch::Save(command, [&saved](const std::string& line) {
    if (line.rfind("Error", 0) != 0) ++saved;
  });
  return Now() - start;
}

void Folder(const char* title, const std::string& source, int rounds) {
  for (const char* kind : {"ico32", "original"}) {
    // The two sides one after the other in each round; the machine's speed drifts, so the
    // ratio is taken per round and the median kept, the steps' shares from the best round.
    Phases best;
    best.total = 1e9;
    double command = 1e9;
    std::vector<double> ratios;
    int saved = 0;
    auto into = [&](const fixtures::TempFolder& out) {
      return batch::ParseArguments({"/save", source, out.Path() + "o", "/kind", kind});
    };
    // Deleting while listing skips an entry now and then in a folder of thousands of files under
    // Wine: one pass more before the folder's own leaves it empty.
    auto empty = [](const fixtures::TempFolder& out) { fixtures::RemoveFolderTree(out.Path() + "o"); };
    for (int round = 0; round < rounds; ++round) {
      Phases p;
      {
        fixtures::TempFolder out("clibench");
        p = TimedSave(into(out));
        if (p.total < best.total) best = p;
        empty(out);
      }
      fixtures::TempFolder out("clibench");
      saved = -1;  // the summary line
      const double seconds = CommandSeconds(into(out), saved);
      empty(out);
      command = std::min(command, seconds);
      ratios.push_back(seconds / p.total);
    }
    std::sort(ratios.begin(), ratios.end());
    auto share = [&best](double s) { return 100.0 * s / best.total; };
    std::printf("/save %s, %s: %d files, %d saved\n", title, kind, best.files, best.saved);
    std::printf("  steps one after another %.3f s: list %.3f s (%.0f%%), read and parse %.3f s (%.0f%%), icons "
                "%.3f s (%.0f%%), small icons %.3f s (%.0f%%), held in the lists %.3f s (%.0f%%), write %.3f s "
                "(%.0f%%)\n",
                best.total, best.list, share(best.list), best.read, share(best.read), best.icons, share(best.icons),
                best.small, share(best.small), best.sizes, share(best.sizes), best.write, share(best.write));
    // What a worker reading ahead can take off the writing thread at most.
    const double floor = best.total - best.read - best.icons - best.small;
    std::printf("  the command: best %.3f s (%d saved), per round %.2f to %.2f x the steps one after another, median "
                "%.2f x; the writing thread's steps alone %.2f x\n",
                command, saved, ratios.front(), ratios.back(), ratios[ratios.size() / 2], floor / best.total);
    std::fflush(stdout);
  }
}

// The folder a variable names (ending in "\"), or empty.
std::string FolderFrom(const char* variable) {
  const char* value = std::getenv(variable);
  return value && *value ? pathtext::WithTrailingBackslash(value) : std::string();
}

// The bare reader loop over a folder's files: each read once, its groups counted.
void ReaderLoop(const std::string& folder) {
  TStringList files;
  ListFiles(folder + "*.*", files, false);
  const std::string windows = MunWindowsFolder();
  const double start = Now();
  std::size_t groups = 0;
  for (const std::string& file : files) groups += iconres::LoadIconFile(file, windows).Count();
  std::printf("bare reader loop: %.3f s over %d files, %zu groups\n", Now() - start, files.Count(), groups);
}

// The platform's walk of a tree, each file opened and its first 64 bytes read where `read`.
int Walk(const std::string& folder, bool read) {
  int files = 0;
  WIN32_FIND_DATAA found{};
  HANDLE find = FindFirstFileA((folder + "*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return 0;
  do {
    const std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      files += Walk(folder + name + "\\", read);
      continue;
    }
    ++files;
    if (!read) continue;
    HANDLE file = CreateFileA((folder + name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) continue;
    char head[64];
    DWORD got = 0;
    ReadFile(file, head, sizeof head, &got, nullptr);
    CloseHandle(file);
  } while (FindNextFileA(find, &found));
  FindClose(find);
  return files;
}

// The run's reader over a tree with every file examined (Extract From All, sub-folders), the
// icons made as the window's reader makes them, against the platform's bare walk and its
// open-and-read loop. The three take turns for `rounds` rounds and each keeps its best: the
// machine's speed drifts more between two runs than the loops differ.
void TreeRun(const char* title, const std::string& tree, int rounds) {
  double walk = 1e9, openRead = 1e9, reading = 1e9, listing = 1e9;
  int files = 0, icons = 0;
  for (int round = 0; round < rounds; ++round) {
    double t = Now();
    files = Walk(tree, false);
    walk = std::min(walk, Now() - t);
    t = Now();
    Walk(tree, true);
    openRead = std::min(openRead, Now() - t);
    t = Now();
    IconRun run(tree, true);
    run.SetListedOnly(true);
    listing = std::min(listing, Now() - t);
    const FileFilter all = TypeFilter("", true);
    icons = 0;
    while (run.NextFile(all)) {
      RunIcon icon;
      while (run.NextIcon(icon)) icons += icon.Listed();
    }
    reading = std::min(reading, Now() - t);
  }
  std::printf("%s: %d files, %d icons, best of %d: the run's reader %.3f s (listing %.3f s) = %.2f x the bare walk "
              "(%.3f s), %.2f x open-and-read (%.3f s)\n",
              title, files, icons, rounds, reading, listing, reading / walk, walk, reading / openRead, openRead);
  std::fflush(stdout);
}

}  // namespace

void CliBench(bool quick) {
  // The folders tools/bench_cli.sh writes, where it ran.
  if (const std::string files = FolderFrom("BENCH_CLI_FILES"); !files.empty()) ReaderLoop(files);
  if (const std::string tree = FolderFrom("BENCH_CLI_TREE"); !tree.empty()) TreeRun("50,000 small files", tree, quick ? 1 : 3);
  if (const std::string blank = FolderFrom("BENCH_CLI_BLANK"); !blank.empty())
    TreeRun("10,000 files of 4 KB without icons", blank, quick ? 1 : 3);
  char windows[MAX_PATH] = {};
  GetSystemDirectoryA(windows, MAX_PATH);
  Folder("the system folder", windows, quick ? 1 : 9);
  // The fixture files copied until the folder holds 2,000 files, about 2,500 icons.
  fixtures::TempFolder seed("clibseed"), generated("clibgen");
  fixtures::MakeIconFixtureFolder(seed.Path());
  TStringList sources;
  ListFiles(seed.Path() + "*.*", sources, false);
  for (int n = 0; n < 2000; ++n) {
    const std::string& from = sources[n % sources.Count()];
    const std::string to = generated.Path() + "f" + std::to_string(10000 + n) + "_" + pathtext::NamePart(from);
    CopyFileA(from.c_str(), to.c_str(), FALSE);
  }
  Folder("2,000 generated files", generated.Path(), quick ? 1 : 5);
}

}  // namespace bench
