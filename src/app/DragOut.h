// Dragging icons out of the list through OLE: the files of one drag in a temporary folder of
// the user's, the data object that offers them (and the first one's image as PNG), and the
// drag itself.
#pragma once
#include <windows.h>
#include <ole2.h>

#include <cstdint>
#include <string>
#include <vector>

#include "win/Handles.h"

namespace dragdrop {

// A fresh folder under the user's temporary folder for one drag's files. When the object goes,
// the files in it and the folder are removed: a drop target has copied what it takes by then.
class DragFolder {
 public:
  // Raises win::Exception when no folder can be made.
  DragFolder();
  ~DragFolder();
  DragFolder(const DragFolder&) = delete;
  DragFolder& operator=(const DragFolder&) = delete;
  // Ends in "\".
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

// What a drag out of the list carries: the entries' files (for Explorer and the desktop) and
// the first entry's image as PNG (for programs that take images); either may be empty.
struct DragContent {
  std::vector<std::string> files;
  std::vector<std::uint8_t> png;
};

// The data object of a drag out: CF_HDROP for the files, "PNG" for the image, and a mark of
// its own by which the program's window refuses its own drags.
win::ComPtr<IDataObject> MakeDragData(DragContent content);

// Whether a data object is one of our own drags.
bool IsOwnDrag(IDataObject* data);

// The drop source of every drag of ours: it drops when the mouse button is released and
// stops on Esc or when the other button is pressed.
win::ComPtr<IDropSource> MakeDropSource();

// Runs the drag until the drop (the platform's modal loop) and gives the effect the target
// took: DROPEFFECT_COPY, or DROPEFFECT_NONE when it refused or the user stopped. Only copies
// are offered: the files stay where they are until the drag folder goes.
DWORD DragOut(const DragContent& content);

}  // namespace dragdrop
