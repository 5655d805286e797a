// One icon's facts as they travel from the run to the slots, the tips, saving and copying.
#pragma once
#include <optional>
#include <string>

#include "extract/StoredImages.h"

class FileIcons;

// Where a slot's icon came from: its file and its index there, and what its group stores (as
// the reader found it, without the bytes). The entries show only the file's name; the saves of
// stored images, the tips and the preview need the file itself.
struct IconSource {
  std::string file;
  int index = 0;
  std::string indexText;             // "3", "cursor 0", "logo 1"
  storedimages::GroupFacts group;    // for the tip and the Resource column
  std::optional<int> location;       // its index in a location (none for a program's cursors)
};

// The icon at index of a file as the run lists it: made here and nowhere else.
IconSource SourceOf(const FileIcons& file, int index);

// The icon list's tip for a slot's icon: its file, index and stored images.
std::string InfoTip(const IconSource& source);
