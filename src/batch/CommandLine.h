// The program's command line: a folder to start the window in, or a batch command and its switches.
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "export/ContactSheet.h"
#include "export/SaveImage.h"

namespace batch {

enum class Mode { Window, Save, List, Sheet, Usage, BadArguments };

struct Command {
  Mode mode = Mode::Window;
  // Window: the folder (or file) to start in, empty for the usual start; Save and List: the
  // folder whose files are read.
  std::string folder;
  std::string output;  // Save: where the files go; Sheet: the sheet's .png file
  OutputKind kind = OutputKind::Icon32;
  std::vector<int> edges;  // /kind png:N and ico:LIST: the edges asked for
  int sheetEdge = sheet::kDefaultSheetEdge;  // /sheet: the icons' edge, /edge N
  bool stored = false;  // start from the options the configuration dialog keeps
  bool sub = false;
  bool all = false;
  std::optional<std::string> types;
  std::optional<int> minSize;  // /minsize: only icons with an image at least this large
  bool unique = false;         // /unique: an icon the same as one already listed is left out
  bool cursors = false;        // /cursors: each file's cursors follow its icons
  std::string error;  // BadArguments: what is wrong
};

// The arguments after the program's name, split by the platform's rules for a command line.
std::vector<std::string> ProgramArguments();

// What the arguments ask for. Switches start with "/", in any case; a switch's value follows
// it as the next argument or after a colon (/kind:bmp16). Arguments without any switch name
// one folder, even when its spaces split it into several.
Command ParseArguments(const std::vector<std::string>& args);

// The usage text, one "\r\n" after each line.
std::string UsageText();

// The full path of the folder an argument names: the folder itself, or a file's folder. Raises
// "Cannot find the folder ..." for anything else.
std::string StartFolder(const std::string& argument);

}  // namespace batch
