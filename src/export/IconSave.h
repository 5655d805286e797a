// Saving one icon into a folder under a name of its own: the one step that Save As, the command
// line and dragging out share, with what came of it told by a result, not by a message text.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <cstddef>
#include <string>
#include <vector>

#include "export/SaveImage.h"
#include "iconres/IconFile.h"
#include "win/Errors.h"

// One icon to save. The stored kinds read its group from its file; the other kinds take its
// saved sizes, 32 x 32 and 16 x 16, from slot of a pair of image lists.
struct IconToSave {
  const iconres::IconFile* file = nullptr;
  std::size_t group = 0;
  HIMAGELIST large = nullptr, small = nullptr;
  int slot = 0;
  // The entry's caption and index text, which name the file.
  std::string caption, indexText;
};

struct SaveResult {
  enum class Kind {
    Saved,         // written to path
    NoSoundImage,  // nothing it stores is sound enough to write (reason: no sound image, a damaged animated cursor)
    NotMade,       // its picture could not be made of what it stores (reason)
    NotWritten,    // the folder took no file (reason)
  };
  Kind kind = Kind::NotWritten;
  std::string path;    // the file written (the first, for a kind that writes several)
  std::vector<std::string> paths;  // every file written, in order
  std::string reason;  // why nothing was written, in the program's words (the window shows them)
  // The error that stopped it: its kind (FileCreate, NoSoundImage ...) and the system's error code
  // where a platform call failed (the file not created or written, the imaging library's
  // refusal), else 0.
  win::ErrorKind failure = win::ErrorKind::Program;
  DWORD error = 0;
  // For the stored kinds: the damaged images left out of the file, of how many the group holds.
  std::size_t leftOut = 0, images = 0;
  // For the sized kinds: the images made by resampling another size.
  std::size_t resampled = 0;
};

// Saves the icon as kind into folder (ending in "\") as OutputFileName(caption, indexText, the
// kind's extension), never overwriting anything: a taken name gets underscores in front. The
// sized kinds put their edges after the index text ("shell323-48x48.png"); EveryPng writes a
// file per image. Only faults outside the icon and the folder (no memory) are raised.
SaveResult SaveOneIcon(const SaveKind& kind, const IconToSave& icon, const std::string& folder);
