// Splitting and reading the command line, and the usage text that describes it.
#include "batch/CommandLine.h"

#include <windows.h>
#include <shellapi.h>

#include "export/SizedIcon.h"
#include "extract/ExtractHelpers.h"
#include "settings/IntegerText.h"
#include "settings/StoredRanges.h"
#include "win/Errors.h"
#include "win/LongPath.h"
#include "win/PathText.h"
#include "win/Text.h"

namespace batch {

namespace {

struct KindName {
  const char* name;
  OutputKind kind;
};
constexpr KindName kKinds[] = {{"ico32", OutputKind::Icon32},
                               {"ico16", OutputKind::Icon16},
                               {"bmp32", OutputKind::Bitmap32},
                               {"bmp16", OutputKind::Bitmap16},
                               {"original", OutputKind::OriginalIcon},
                               {"png", OutputKind::Png},
                               {"pngall", OutputKind::EveryPng}};

// The sized kinds, which take their edges after a colon: png:48, ico:16,32,256, ico:windows.
constexpr const char* kSizedKinds = "png:N (N from 8 to 1024), ico:LIST (such as ico:16,32,256, or ico:windows)";

// A sized kind's name and edges; false when the text names none or its edges are wrong.
bool ParseSizedKind(const std::string& text, Command& c) {
  const size_t colon = text.find(':');
  if (colon == std::string::npos) return false;
  const std::string name = LowerAsciiLetters(text.substr(0, colon)), edges = text.substr(colon + 1);
  std::optional<std::vector<int>> parsed;
  if (name == "png") {
    c.kind = OutputKind::PngAtSize;
    parsed = edges.find(',') == std::string::npos ? ParseEdges(edges, kMaxSavedEdge) : std::nullopt;
  } else if (name == "ico") {
    c.kind = OutputKind::IconWithSizes;
    parsed = LowerAsciiLetters(edges) == "windows" ? std::vector<int>(std::begin(kWindowsIconEdges), std::end(kWindowsIconEdges))
                                                    : ParseEdges(edges, kMaxIconEdge);
  }
  if (!parsed) return false;
  c.edges = *parsed;
  return true;
}

std::string KindList() {
  std::string list;
  for (const KindName& k : kKinds) list += (list.empty() ? "" : ", ") + std::string(k.name);
  return list;
}

Command Bad(const std::string& error) {
  Command c;
  c.mode = Mode::BadArguments;
  c.error = error;
  return c;
}

}  // namespace

std::vector<std::string> ProgramArguments() {
  std::vector<std::string> args;
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!wide) return args;
  for (int i = 1; i < count; ++i) {
    // A name the code page cannot spell is passed on by its short path, which the ANSI calls open.
    args.push_back(win::PathFromWide(wide[i]));
  }
  LocalFree(wide);
  return args;
}

Command ParseArguments(const std::vector<std::string>& args) {
  Command c;
  std::vector<std::string> plain;
  bool anySwitch = false, save = false, list = false, sheet = false, kindGiven = false, edgeGiven = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg.empty() || arg[0] != '/') {
      // No name holds a quote: in "C:\" or "folder\" the backslash kept the closing quote. At
      // the end that is the backslash meant (a drive dropped on the program gives that); in
      // the middle it swallowed the arguments after it.
      const size_t quote = arg.find('"');
      if (quote == std::string::npos) plain.push_back(arg);
      else if (quote + 1 == arg.size()) plain.push_back(arg.substr(0, quote) + "\\");
      else return Bad("A quoted folder name must not end with a backslash: " + arg);
      continue;
    }
    anySwitch = true;
    std::string name = LowerAsciiLetters(arg.substr(1));
    std::optional<std::string> value;
    if (const size_t colon = name.find(':'); colon != std::string::npos) {
      value = arg.substr(1 + colon + 1);
      name.resize(colon);
    }
    // The value of a switch that takes one: after the colon, or the next argument.
    auto takeValue = [&]() -> std::optional<std::string> {
      if (value) return value;
      if (i + 1 < args.size() && (args[i + 1].empty() || args[i + 1][0] != '/')) return args[++i];
      return std::nullopt;
    };
    if (name == "?" && !value) return Command{.mode = Mode::Usage};
    if (name == "save" && !value) save = true;
    else if (name == "list" && !value) list = true;
    else if (name == "sheet" && !value) sheet = true;
    else if (name == "sub" && !value) c.sub = true;
    else if (name == "all" && !value) c.all = true;
    else if (name == "stored" && !value) c.stored = true;
    else if (name == "unique" && !value) c.unique = true;
    else if (name == "cursors" && !value) c.cursors = true;
    else if (name == "minsize") {
      const std::optional<std::string> size = takeValue();
      // Decimal digits only: the text is a number of pixels, not a setting's stored form.
      const bool digits = size && !size->empty() && size->size() <= 4 &&
                          size->find_first_not_of("0123456789") == std::string::npos;
      c.minSize = digits ? ParseIntegerText(*size) : std::nullopt;
      if (!c.minSize || *c.minSize > settings::kMaxImageSize)
        return Bad("/minsize needs a number of pixels from 0 to " + std::to_string(settings::kMaxImageSize));
    }
    else if (name == "types") {
      c.types = takeValue();
      if (!c.types || c.types->empty()) return Bad("/types needs a list of extensions, such as .EXE.DLL");
    } else if (name == "kind") {
      const std::optional<std::string> kind = takeValue();
      const KindName* found = nullptr;
      for (const KindName& k : kKinds)
        if (kind && LowerAsciiLetters(*kind) == k.name) found = &k;
      if (found) c.kind = found->kind;
      else if (!kind || !ParseSizedKind(*kind, c)) return Bad("/kind needs one of " + KindList() + ", " + kSizedKinds);
      kindGiven = true;
    } else if (name == "edge") {
      // As /kind png:N reads its one edge.
      const std::optional<std::string> edge = takeValue();
      const std::optional<std::vector<int>> edges =
          edge && edge->find(',') == std::string::npos ? ParseEdges(*edge, kMaxSavedEdge) : std::nullopt;
      if (!edges) return Bad("/edge needs a size from " + std::to_string(kMinSavedEdge) + " to " +
                             std::to_string(kMaxSavedEdge) + " pixels, such as /edge 48");
      c.sheetEdge = edges->front();
      edgeGiven = true;
    } else {
      return Bad("Unknown switch " + arg);
    }
  }
  if (!anySwitch) {
    // A folder whose name holds spaces may arrive unquoted, as several arguments.
    for (const std::string& part : plain) c.folder += (c.folder.empty() ? "" : " ") + part;
    return c;
  }
  if (int{save} + int{list} + int{sheet} > 1) return Bad("Use only one of /save, /list and /sheet");
  if (!save && !list && !sheet) return Bad("Use /save, /list or /sheet with these switches");
  if (c.all && c.types) return Bad("/all and /types cannot be used together");
  if (!save && kindGiven) return Bad("/kind belongs to /save");
  if (!sheet && edgeGiven) return Bad("/edge belongs to /sheet");
  const size_t wanted = list ? 1 : 2;
  if (plain.size() < wanted)
    return Bad(save ? "/save needs a folder and an output folder"
                    : sheet ? "/sheet needs a folder and the sheet's file name" : "/list needs a folder");
  if (plain.size() > wanted) return Bad("Unexpected argument " + plain[wanted]);
  for (const std::string& p : plain)
    if (p.empty()) return Bad("A folder name is empty");
  c.mode = save ? Mode::Save : sheet ? Mode::Sheet : Mode::List;
  c.folder = plain[0];
  if (!list) c.output = plain[1];
  return c;
}

std::string UsageText() {
  return "Varnholt Glyph Gatherer: starting on a folder, and saving or listing icons without a window.\r\n"
         "\r\n"
         "  Mirovane.exe [folder]\r\n"
         "      Opens the window with the folder selected, or the folder of a file with the\r\n"
         "      file's first icon selected.\r\n"
         "\r\n"
         "  Mirovane.exe /save folder output [/sub] [/all | /types LIST] [/minsize N] [/unique]\r\n"
         "               [/cursors] [/kind KIND] [/stored]\r\n"
         "      Saves each icon of the folder's files into the output folder (made when missing),\r\n"
         "      named as Save As names them; existing files are never overwritten. Prints each\r\n"
         "      file it saves and a summary.\r\n"
         "\r\n"
         "  Mirovane.exe /list folder [/sub] [/all | /types LIST] [/minsize N] [/unique] [/cursors]\r\n"
         "               [/stored]\r\n"
         "      Prints one line per icon: the file, the icon's index and the sizes the file\r\n"
         "      stores (such as 32x32 4bpp, 256x256 32bpp PNG), separated by tabs; a cursor's\r\n"
         "      images with their hotspots (32x32 1bpp hotspot 4,6).\r\n"
         "\r\n"
         "  Mirovane.exe /sheet folder sheet.png [/edge N] [/sub] [/all | /types LIST] [/minsize N]\r\n"
         "               [/unique] [/cursors] [/stored]\r\n"
         "      Draws the icons, N x N pixels (8 to 1024; 48 when not given), in a grid on one PNG,\r\n"
         "      each with its file, position and resource ID, and writes sheet.csv beside it: the\r\n"
         "      file, position, ID, sizes, depths and SHA-256 hash of the largest image of each.\r\n"
         "      A sheet is at most 16384 pixels on a side; more icons give sheet-1.png,\r\n"
         "      sheet-2.png ... Existing files are never overwritten.\r\n"
         "\r\n"
         "  /sub          include the files of every visible sub-folder\r\n"
         "  /all          read every file (without /types or /stored, the default)\r\n"
         "  /types LIST   read only files whose extension is in LIST, such as .EXE.DLL\r\n"
         "  /minsize N    only icons that store an image at least N x N pixels (0: every icon)\r\n"
         "  /unique       leaves out an icon whose images are the same, byte for byte, as those\r\n"
         "                of an icon already saved or listed\r\n"
         "  /cursors      also the cursors inside programs and libraries, after each file's\r\n"
         "                icons, numbered cursor 0, cursor 1 ... (.cur and .ani files always\r\n"
         "                give their one entry)\r\n"
         "  /kind KIND    " + KindList() + ":\r\n"
         "                a 32 x 32 or 16 x 16 icon or bitmap, the icon with every size\r\n"
         "                its file stores (.ico; a cursor as .cur with its hotspots, an\r\n"
         "                animated cursor as .ani), its largest image (.png), or every\r\n"
         "                image it stores as a PNG of its own (pngall); ico32 when not given\r\n"
         "  /kind png:N   a PNG of N x N pixels (8 to 1024), such as png:48: the stored image\r\n"
         "                of that size, else resampled from a larger (or the largest) one\r\n"
         "  /kind ico:LIST\r\n"
         "                an .ico of just these sizes, such as ico:16,32,256 (8 to 256;\r\n"
         "                ico:windows gives 16,20,24,32,40,48,64,256), each as stored or\r\n"
         "                resampled as png:N does\r\n"
         "  /stored       start from the options kept by View > Configuration; /sub, /all,\r\n"
         "                /types and /minsize then change them. Without it no stored setting\r\n"
         "                is read.\r\n"
         "  /?            shows this text\r\n"
         "\r\n"
         "At a command prompt or in a script, type Mirovane without .exe: Mirovane.com, beside\r\n"
         "Mirovane.exe, runs these commands in the console and waits for them (Ctrl+C stops\r\n"
         "them between two files); Mirovane.exe is the window program, which they do not wait for.\r\n"
         "\r\n"
         "Names in any script are printed as they are: as Unicode text to the command prompt,\r\n"
         "as UTF-8 into a file or pipe.\r\n"
         "\r\n"
         "Exit code: 0 every icon saved, listed or drawn, 1 something failed (each failure is printed\r\n"
         "with its reason), 2 the arguments were wrong.\r\n";
}

std::string StartFolder(const std::string& argument) {
  const std::string full = win::FullPathName(argument);
  const DWORD attributes = full.empty() ? INVALID_FILE_ATTRIBUTES : win::FileAttributes(full);
  if (attributes == INVALID_FILE_ATTRIBUTES)
    throw win::Exception("Cannot find the folder " + argument, win::ErrorKind::Platform,
                         full.empty() ? ERROR_INVALID_NAME : GetLastError());
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return full;
  return pathtext::DirectoryPart(full);
}

}  // namespace batch
