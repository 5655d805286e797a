// The batch commands: the same steps as the window's extraction run and Save As, reported line by line.
#include "batch/Batch.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>

#include "batch/Console.h"
#include "export/SaveImage.h"
#include "export/StoredIcon.h"
#include "extract/AllFilesIterator.h"
#include "extract/ExtractHelpers.h"
#include "extract/FileIcons.h"
#include "extract/LargeIcon.h"
#include "settings/RegistryIniFile.h"
#include "win/Errors.h"
#include "ui/Images.h"

namespace batch {

namespace {

bool IsFolder(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The full path of a folder argument, ending in "\"; empty when the platform cannot make one.
std::string FullFolderPath(const std::string& folder) {
  char full[MAX_PATH] = "";
  const DWORD length = GetFullPathNameA(folder.c_str(), MAX_PATH, full, nullptr);
  if (length == 0 || length >= MAX_PATH) return {};
  return WithTrailingBackslash(full);
}

std::string Plural(int count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

std::string IconName(const std::string& file, int index) { return file + ", icon " + std::to_string(index); }

constexpr const char* kNoSoundImage = "the file stores no sound image for this icon";

// The sound images of a group as "32x32 4bpp, 256x256 32bpp PNG", in the group's order.
std::string StoredSizes(const iconres::IconGroup& group) {
  std::string sizes;
  for (const iconres::IconImage& image : group.images) {
    if (!image.sound) continue;
    if (!sizes.empty()) sizes += ", ";
    sizes += std::to_string(image.width) + "x" + std::to_string(image.height) + " " + std::to_string(image.bitCount) +
             "bpp" + (image.png ? " PNG" : "");
  }
  return sizes;
}

// The folder whose files a command reads; prints why not and gives "" when it is no folder.
std::string SourceFolder(const Command& command, const Print& print) {
  const std::string folder = FullFolderPath(command.folder);
  if (folder.empty() || !IsFolder(folder)) {
    print("Error: cannot find the folder " + command.folder);
    return {};
  }
  return folder;
}

// The output folder, made (with any missing folders above it) when it is not there yet.
std::string OutputFolder(const Command& command, const Print& print) {
  const std::string folder = FullFolderPath(command.output);
  if (folder.empty()) {
    print("Error: cannot save to " + command.output + ": the name is not valid");
    return {};
  }
  if (IsFolder(folder)) return folder;
  const int made = SHCreateDirectoryExA(nullptr, folder.substr(0, folder.size() - 1).c_str(), nullptr);
  if (made != ERROR_SUCCESS || !IsFolder(folder)) {
    const DWORD reason = made == ERROR_SUCCESS || made == ERROR_ALREADY_EXISTS ? ERROR_DIRECTORY : static_cast<DWORD>(made);
    print("Error: cannot save to " + command.output + ": " + win::SystemErrorText(reason));
    return {};
  }
  return folder;
}

}  // namespace

ExtractionOptions OptionsFor(const Command& command) {
  ExtractionOptions options{stored::IncludeSubs.missing, stored::ExtractFromAll.missing, stored::FileTypes.missing};
  if (command.stored) options.Load(TRegistryIniFile(kBaseKey));
  if (command.sub) options.includeSubs = true;
  if (command.all) options.extractFromAll = true;
  if (command.types) {
    options.extractFromAll = false;
    options.fileTypes = *command.types;
  }
  return options;
}

std::vector<std::string> FilesToRead(const std::string& folder, const ExtractionOptions& options) {
  TStringList listed;
  ListRunFiles(folder, options.includeSubs, listed);
  std::vector<std::string> files;
  for (const std::string& file : listed)
    if (PassesTypeFilter(file, options.fileTypes, options.extractFromAll)) files.push_back(file);
  // The window sorts its entries by caption and keeps equal ones in the order they came.
  std::stable_sort(files.begin(), files.end(), [](const std::string& a, const std::string& b) {
    return lstrcmpA(FileNamePart(a).c_str(), FileNamePart(b).c_str()) < 0;
  });
  return files;
}

int Save(const Command& command, const Print& print) {
  const std::string source = SourceFolder(command, print);
  if (source.empty()) return kSomethingFailed;
  const std::string output = OutputFolder(command, print);
  if (output.empty()) return kSomethingFailed;
  // The window keeps every icon in a large and a small list and saves from there; so does this,
  // one icon at a time.
  win::UniqueImageList large = ui::CreateIconImageList(32), small = ui::CreateIconImageList(16);
  int saved = 0, failed = 0;
  bool stopped = false;
  const std::string windowsFolder = MunWindowsFolder();
  for (const std::string& file : FilesToRead(source, OptionsFor(command))) {
    const FileIcons icons(file, windowsFolder);
    const std::string caption = FileNamePart(file);
    for (int i = 0; i < icons.Count() && !stopped; ++i) {
      try {
        // The window lists only the icons it can show, whatever kind is saved.
        win::UniqueIcon icon = icons.Icon(i);
        if (!icon) throw win::Exception(kNoSoundImage);
        std::unique_ptr<TGraphic> graphic;
        if (IsStoredKind(command.kind)) {
          graphic = StoredIconGraphic(icons.File(), static_cast<size_t>(i), command.kind == OutputKind::Png);
        } else {
          ImageList_RemoveAll(small.get());
          ImageList_RemoveAll(large.get());
          const int slot = ImageList_ReplaceIcon(small.get(), -1, icon.get());
          if (slot < 0 || ImageList_ReplaceIcon(large.get(), -1, icon.get()) != slot)
            throw win::Exception("Cannot add an icon to the image list");
          graphic = SlotGraphic(command.kind, large.get(), small.get(), slot);
        }
        const std::string name = OutputFileName(caption, std::to_string(i), KindExtension(command.kind, *graphic));
        print(SaveGraphicToFreeName(*graphic, output, name));
        ++saved;
      } catch (const std::exception& e) {
        print("Error: " + IconName(file, i) + ": " + e.what());
        ++failed;
        // Every later save would fail the same way.
        if (!IsFolder(output)) {
          print("Error: stopped, " + output + " is no longer a folder");
          stopped = true;
        }
      }
    }
    if (stopped) break;
  }
  print(Plural(saved, "file", "files") + " saved to " + output + ", " + std::to_string(failed) + " failed.");
  return failed == 0 ? kAllDone : kSomethingFailed;
}

int List(const Command& command, const Print& print) {
  const std::string source = SourceFolder(command, print);
  if (source.empty()) return kSomethingFailed;
  int listed = 0, failed = 0, files = 0;
  const std::string windowsFolder = MunWindowsFolder();
  for (const std::string& file : FilesToRead(source, OptionsFor(command))) {
    const FileIcons icons(file, windowsFolder);
    if (icons.Count() > 0) ++files;
    for (int i = 0; i < icons.Count(); ++i) {
      if (!icons.Icon(i)) {
        print("Error: " + IconName(file, i) + ": " + kNoSoundImage);
        ++failed;
        continue;
      }
      print(file + "\t" + std::to_string(i) + "\t" + StoredSizes(icons.File().contents.groups[static_cast<size_t>(i)]));
      ++listed;
    }
  }
  print(Plural(listed, "icon", "icons") + " in " + Plural(files, "file", "files") + ", " + std::to_string(failed) +
        " failed.");
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
      case Mode::BadArguments:
      default:
        print("Error: " + command.error);
        print("");
        print(UsageText().substr(0, UsageText().size() - 2));
        return kBadArguments;
    }
  } catch (const std::exception& e) {
    // Listing the files or the registry failed: said, never silent.
    print(std::string("Error: ") + e.what());
    return kSomethingFailed;
  }
}

int RunFromCommandLine(const Command& command) noexcept {
  // The program entry calls this: nothing may leave it as an exception.
  try {
    ConsoleOutput console;
    return Run(command, [&](const std::string& line) { console.Line(line); });
  } catch (...) {
    return kSomethingFailed;
  }
}

}  // namespace batch
