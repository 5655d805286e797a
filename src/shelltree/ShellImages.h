// The shell's small icons for the folder tree at the display's scale.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include "win/Handles.h"

namespace shelltree {

// The shell keeps its icon lists at the sizes of the scale the program started with; the
// indexes it gives out are the same in all of them. At another scale the tree gets the shell
// list of that size where there is one, else a list of its own at that size, copied image by
// image (indexes and overlays kept) from the nearest larger shell list as the tree looks icons up.
class ShellImages {
 public:
  // Chooses the list of small icons at dpi.
  void Choose(int dpi);
  HIMAGELIST List() const { return own_ ? own_.get() : shell_; }
  // Makes sure the list holds the shell's image at index.
  void Cover(int index);

 private:
  HIMAGELIST shell_ = nullptr;  // the shell's, never destroyed here
  HIMAGELIST source_ = nullptr;  // the shell's list own_ is copied from
  win::UniqueImageList own_;
};

}  // namespace shelltree
