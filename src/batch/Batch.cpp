// The batch commands: the same steps as the window's extraction run and Save As, reported line
// by line, a file's failures in one line.
#include "batch/Batch.h"

#include <windows.h>
#include <shlobj.h>

#include <memory>
#include <optional>

#include "batch/Console.h"
#include "batch/ConsoleBreak.h"
#include "batch/FileReport.h"
#include "export/ContactSheet.h"
#include "export/IconSave.h"
#include "export/SaveImage.h"
#include "export/StoredIcon.h"
#include "extract/IconRun.h"
#include "extract/Locations.h"
#include "extract/LargeIcon.h"
#include "extract/StoredImages.h"
#include "settings/SettingsStore.h"
#include "win/Errors.h"
#include "win/Imaging.h"
#include "win/LongPath.h"
#include "win/PathText.h"
#include "win/Text.h"

namespace batch {

namespace {

const char kInterruptedLine[] = "Stopped: Ctrl+C was pressed.";

bool IsFolder(const std::string& path) {
  const DWORD attributes = win::FileAttributes(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The full path of a folder argument, ending in "\"; empty when the platform cannot make one.
std::string FullFolderPath(const std::string& folder) {
  const std::string full = win::FullPathName(folder);
  return full.empty() ? full : pathtext::WithTrailingBackslash(full);
}

std::string Plural(int count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

// ", 3 duplicates hidden" after /unique, else nothing.
std::string HiddenText(const storedimages::IconFilter& filter) {
  if (!filter.Unique()) return {};
  return ", " + Plural(filter.DuplicatesHidden(), "duplicate", "duplicates") + " hidden";
}

// The images of a group as "32x32 4bpp, 256x256 32bpp PNG damaged", in the group's order; an
// image that is not sound is marked damaged. A cursor's images give their hotspots ("32x32
// 1bpp hotspot 4,6"); an animated cursor's are its first frame's, then its frame count.
std::string StoredSizes(const iconres::IconFile& file, const iconres::IconGroup& group) {
  const bool cursor = group.kind != iconres::GroupKind::Icon;
  std::string sizes;
  for (const iconres::IconImage& image : group.images) {
    if (!sizes.empty()) sizes += ", ";
    sizes += std::to_string(image.width) + "x" + std::to_string(image.height) + " " + std::to_string(image.bitCount) +
             "bpp" + (image.png ? " PNG" : "") +
             (cursor ? " hotspot " + std::to_string(image.hotspotX) + "," + std::to_string(image.hotspotY) : "") +
             (file.Sound(image) ? "" : " damaged");
  }
  if (group.kind == iconres::GroupKind::AnimatedCursor)
    sizes += " (animated, " + Plural(static_cast<int>(group.frames.size()), "frame", "frames") + ")";
  return sizes;
}

// What a command reads: a folder's files, one file's icons (as the platform's own tools take
// a file), or one icon of a file, which a location names.
struct Source {
  std::string folder;  // ending in "\"; empty for a file
  std::string file;
  int group = -1;  // the icon a location names, or -1 for all
};

// The source a command's argument names; prints why not and gives none.
std::optional<Source> SourceOf(const Command& command, const Print& print) {
  const std::string full = win::FullPathName(command.folder);
  const DWORD attributes = full.empty() ? INVALID_FILE_ATTRIBUTES : win::FileAttributes(full);
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return Source{FullFolderPath(command.folder)};
    return Source{{}, full};
  }
  if (location::IsLocationArgument(command.folder)) {
    std::string error;
    if (const auto found = location::Find(command.folder, error))
      return Source{{}, found->path, static_cast<int>(found->group)};
    print("Error: " + error);
    return std::nullopt;
  }
  print("Error: cannot find the folder " + command.folder);
  return std::nullopt;
}

// The run over a source: a folder's files as the options list them, or the one file.
std::unique_ptr<IconRun> RunOver(const Source& source, const ExtractionOptions& options, storedimages::IconFilter& filter) {
  if (source.file.empty()) return std::make_unique<IconRun>(source.folder, options.includeSubs, IconRun::Order::Caption, &filter);
  return std::make_unique<IconRun>(std::vector<std::string>{source.file}, &filter);
}

// The files a source reads: a folder's by the type filter; a file named is read whatever its type.
FileFilter FilterFor(const Source& source, const ExtractionOptions& options) {
  if (source.file.empty()) return TypeFilter(options.fileTypes, options.extractFromAll);
  return [](const std::string&) { return true; };
}

// The output folder, made (with any missing folders above it) when it is not there yet.
std::string OutputFolder(const Command& command, const Print& print, const std::string& path) {
  const std::string folder = FullFolderPath(path);
  if (folder.empty()) {
    print("Error: cannot save to " + command.output + ": the name is not valid");
    return {};
  }
  if (IsFolder(folder)) return folder;
  const DWORD made = win::CreateFolders(folder);
  if (made != ERROR_SUCCESS || !IsFolder(folder)) {
    const DWORD reason = made == ERROR_SUCCESS || made == ERROR_ALREADY_EXISTS ? ERROR_DIRECTORY : made;
    print("Error: cannot save to " + command.output + ": " + win::SystemErrorText(reason));
    return {};
  }
  return folder;
}

// A file's lines before its icons: a file that cannot be read or is a damaged container is
// said in its one line and has no report (nothing more of it is read); else its report, which
// already knows what a package left out. Each counts as failed.
std::optional<FileReport> StartFile(const FileIcons& file, const Print& print, int& failed) {
  for (const std::string& line : {UnreadableFileLine(file.Origin(), file.Error()),
                                  DamagedContainerLine(file.Path(), file.File().contents)}) {
    if (line.empty()) continue;
    print(line);
    ++failed;
    return std::nullopt;
  }
  FileReport report(file.Path(), file.End() - file.First());
  if (const std::string& refused = file.File().contents.refused; !refused.empty()) {
    report.LeftOut(refused);
    ++failed;
  }
  return report;
}

}  // namespace

ExtractionOptions OptionsFor(const Command& command) {
  ExtractionOptions options{stored::IncludeSubs.missing, stored::ExtractFromAll.missing, stored::FileTypes.missing,
                            stored::MinSize.missing};
  if (command.stored) options.Load(*settings::OpenSettings());
  if (command.sub) options.includeSubs = true;
  if (command.all) options.extractFromAll = true;
  if (command.types) {
    options.extractFromAll = false;
    options.fileTypes = *command.types;
  }
  if (command.minSize) options.minSize = *command.minSize;
  return options;
}

int Save(const Command& command, const Print& print) {
  const std::optional<Source> source = SourceOf(command, print);
  if (!source) return kSomethingFailed;
  const std::string output = OutputFolder(command, print, command.output);
  if (output.empty()) return kSomethingFailed;
  const ExtractionOptions options = OptionsFor(command);
  storedimages::IconFilter filter(options.minSize, command.unique, MunWindowsFolder());
  // Read in the order of the window's icon list, so clashing names get their underscores alike.
  const std::unique_ptr<IconRun> reading = RunOver(*source, options, filter);
  IconRun& run = *reading;
  run.SetIncludeCursors(command.cursors);
  // Only the large kinds are written from the run's icon; the stored ones read the file.
  run.SetMakeIcons(!IsStoredKind(command.kind) && !IsSmallKind(command.kind));
  const FileFilter types = FilterFor(*source, options);
  // The saved sizes as the window keeps them, one icon at a time.
  SavedIcon slot(kSavedLargeSize, kSavedSmallSize);
  int saved = 0, failed = 0, partial = 0, resampled = 0;
  bool stopped = false, interrupted = false;
  while (!stopped && !(interrupted = StopRequested()) && run.NextFile(types)) {
    const FileIcons& file = run.File();
    std::optional<FileReport> started = StartFile(file, print, failed);
    if (!started) continue;
    FileReport& report = *started;
    RunIcon icon;
    while (!stopped && !(interrupted = StopRequested()) && run.NextIcon(icon)) {
      if (icon.refusal == RunIcon::Refusal::LeftOut || (source->group >= 0 && icon.index != source->group)) continue;
      SaveResult result{.kind = SaveResult::Kind::NoSoundImage, .reason = kNoSoundImage,
                        .failure = win::ErrorKind::NoSoundImage};
      try {
        // The window lists only the icons it can show, whatever kind is saved.
        if (icon.Listed()) {
          IconToSave toSave{.file = &file.File(), .group = static_cast<size_t>(icon.index), .large = slot.Large(),
                            .small = slot.Small(), .caption = file.Caption(icon.index), .indexText = file.IndexText(icon.index)};
          if (IsSmallKind(command.kind)) {
            // The small size from the file's own small picture, else from its icon drawn small.
            const win::UniqueIcon small = file.Icon(icon.index, kSavedSmallSize);
            const win::UniqueIcon large = small ? win::UniqueIcon() : file.Icon(icon.index);
            slot.HoldFor(command.kind, large.get(), small.get());
          } else if (!IsStoredKind(command.kind)) {
            slot.HoldFor(command.kind, icon.icon.get(), nullptr);
          }
          result = SaveOneIcon({command.kind, command.edges}, toSave, output);
        }
      } catch (const std::exception& e) {
        result = {.kind = SaveResult::Kind::NotMade, .reason = e.what(), .failure = win::ErrorKindOf(e),
                  .error = win::ErrorCode(e)};
      }
      switch (result.kind) {
        case SaveResult::Kind::Saved:
          for (size_t p = 0; p + 1 < result.paths.size(); ++p) print(result.paths[p]);
          if (result.leftOut > 0) {
            print(result.paths.back() + ": " + std::to_string(result.leftOut) + " of " + std::to_string(result.images) +
                  " images left out, damaged");
            ++partial;
          } else {
            print(result.paths.back());
          }
          saved += static_cast<int>(result.paths.size());
          resampled += static_cast<int>(result.resampled);
          continue;
        case SaveResult::Kind::NoSoundImage: report.Unreadable(result.reason); break;
        case SaveResult::Kind::NotMade:
        case SaveResult::Kind::NotWritten:
          // The files of the icon written before the folder refused one are whole.
          for (const std::string& path : result.paths) print(path);
          saved += static_cast<int>(result.paths.size());
          report.Failed(result.reason, result.error);
          break;
      }
      ++failed;
      // Every later save would fail the same way.
      stopped = !IsFolder(output);
    }
    if (const std::string line = report.Line(); !line.empty()) print(line);
    if (stopped) print("Error: stopped, " + output + " is no longer a folder");
  }
  // Between two files: everything saved is whole.
  if (interrupted) print(kInterruptedLine);
  // The sized kinds say how many of their images are not the file's own.
  const std::string made = command.kind == OutputKind::PngAtSize || command.kind == OutputKind::IconWithSizes
                               ? ", " + Plural(resampled, "image", "images") + " resampled"
                               : "";
  print(Plural(saved, "file", "files") + " saved to " + output + made + HiddenText(filter) + ", " + std::to_string(failed) +
        " failed" + (partial ? ", " + std::to_string(partial) + " with damaged images left out." : "."));
  return failed == 0 && partial == 0 && !interrupted ? kAllDone : kSomethingFailed;
}

int List(const Command& command, const Print& print) {
  const std::optional<Source> source = SourceOf(command, print);
  if (!source) return kSomethingFailed;
  const ExtractionOptions options = OptionsFor(command);
  storedimages::IconFilter filter(options.minSize, command.unique, MunWindowsFolder());
  const std::unique_ptr<IconRun> reading = RunOver(*source, options, filter);
  IconRun& run = *reading;
  run.SetIncludeCursors(command.cursors);
  run.SetMakeIcons(false);
  const FileFilter types = FilterFor(*source, options);
  int listed = 0, failed = 0, files = 0;
  bool interrupted = false;
  while (!(interrupted = StopRequested()) && run.NextFile(types)) {
    const FileIcons& file = run.File();
    std::optional<FileReport> started = StartFile(file, print, failed);
    if (!started) continue;
    FileReport& report = *started;
    if (file.Count() > 0) ++files;
    RunIcon icon;
    while (!(interrupted = StopRequested()) && run.NextIcon(icon)) {
      if (icon.refusal == RunIcon::Refusal::LeftOut || (source->group >= 0 && icon.index != source->group)) continue;
      if (!icon.Listed()) {
        report.Unreadable(kNoSoundImage);
        ++failed;
        continue;
      }
      // The location last: a script reading the first three columns reads what it read before.
      print(file.Path() + "\t" + file.IndexText(icon.index) + "\t" + StoredSizes(file.File(), *icon.group) + "\t" +
            location::TextOf(file.Path(), location::IndexFor(file.File().contents, static_cast<std::size_t>(icon.index))));
      ++listed;
    }
    if (const std::string line = report.Line(); !line.empty()) print(line);
  }
  if (interrupted) print(kInterruptedLine);
  print(Plural(listed, "icon", "icons") + " in " + Plural(files, "file", "files") + HiddenText(filter) + ", " +
        std::to_string(failed) + " failed.");
  return failed == 0 && !interrupted ? kAllDone : kSomethingFailed;
}

int Sheet(const Command& command, const Print& print) {
  const std::optional<Source> source = SourceOf(command, print);
  if (!source) return kSomethingFailed;
  const std::string target = win::FullPathName(command.output);
  if (target.empty() || pathtext::NamePart(target).empty() || IsFolder(target)) {
    print("Error: cannot save to " + command.output + ": give the sheet's file name, such as icons.png");
    return kSomethingFailed;
  }
  if (OutputFolder(command, print, pathtext::DirectoryPart(target)).empty()) return kSomethingFailed;
  const ExtractionOptions options = OptionsFor(command);
  storedimages::IconFilter filter(options.minSize, command.unique, MunWindowsFolder());
  const std::unique_ptr<IconRun> reading = RunOver(*source, options, filter);
  IconRun& run = *reading;
  run.SetIncludeCursors(command.cursors);
  run.SetMakeIcons(false);
  const FileFilter types = FilterFor(*source, options);
  std::vector<sheet::Entry> entries;
  int failed = 0;
  bool interrupted = false;
  while (!(interrupted = StopRequested()) && run.NextFile(types)) {
    const FileIcons& file = run.File();
    std::optional<FileReport> started = StartFile(file, print, failed);
    if (!started) continue;
    FileReport& report = *started;
    RunIcon icon;
    while (!(interrupted = StopRequested()) && run.NextIcon(icon)) {
      if (icon.refusal == RunIcon::Refusal::LeftOut || (source->group >= 0 && icon.index != source->group)) continue;
      try {
        if (!icon.Listed()) throw ENoSoundImage();
        entries.push_back(sheet::EntryOf(file.File(), static_cast<size_t>(icon.index), file.Path(),
                                         file.Caption(icon.index), file.IndexText(icon.index), command.sheetEdge));
        continue;
      } catch (const ENoSoundImage& e) {
        report.Unreadable(e.what());
      } catch (const std::exception& e) {
        report.Failed(e.what());
      }
      ++failed;
    }
    if (const std::string line = report.Line(); !line.empty()) print(line);
  }
  // A sheet of part of the icons would pass for the whole folder's.
  if (interrupted) {
    print(kInterruptedLine);
    return kSomethingFailed;
  }
  if (entries.empty()) {
    print("Error: no icon to put on a sheet" + HiddenText(filter) + ", " + std::to_string(failed) + " failed.");
    return kSomethingFailed;
  }
  sheet::Written written;
  try {
    written = sheet::WriteSheets(entries, command.sheetEdge, target);
  } catch (const std::exception& e) {
    print("Error: cannot save to " + command.output + ": " + e.what());
    return kSomethingFailed;
  }
  for (const std::string& path : written.sheets) print(path);
  print(written.csv);
  print(Plural(static_cast<int>(entries.size()), "icon", "icons") + " on " +
        Plural(static_cast<int>(written.sheets.size()), "sheet", "sheets") + " saved to " +
        pathtext::DirectoryPart(written.csv) + HiddenText(filter) + ", " + std::to_string(failed) + " failed.");
  return failed == 0 ? kAllDone : kSomethingFailed;
}

int Run(const Command& command, const Print& print) {
  try {
    switch (command.mode) {
      case Mode::Usage:
        print(UsageText().substr(0, UsageText().size() - 2));
        return kAllDone;
      case Mode::Save: return Save(command, print);
      case Mode::List: return List(command, print);
      case Mode::Sheet: return Sheet(command, print);
      case Mode::BadArguments:
      default:
        print("Error: " + command.error);
        print("");
        print(UsageText().substr(0, UsageText().size() - 2));
        return kBadArguments;
    }
  } catch (const std::exception& e) {
    // Listing the files or the registry failed: said, never silent.
    print("Error: " + win::ReportText(e));
    return kSomethingFailed;
  }
}

int RunFromCommandLine(const Command& command) noexcept {
  // The program entry calls this: nothing may leave it as an exception.
  try {
    // One imaging factory for every image the command judges, decodes or encodes.
    win::ImagingScope imaging;
    ConsoleOutput console;
    return Run(command, [&](const std::string& line) { console.Line(line); });
  } catch (...) {
    return kSomethingFailed;
  }
}

}  // namespace batch
