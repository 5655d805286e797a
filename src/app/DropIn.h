// Dropping onto the main window through OLE: a folder selects it in the folder tree, a file
// its folder with the file's first entry focused; anything else is refused.
#pragma once
#include <windows.h>
#include <ole2.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "win/Handles.h"

namespace dragdrop {

// Where a drop leads: the folder to select, and the file whose first entry gets the focus
// (empty for a folder).
struct DropPlace {
  std::string folder;
  std::string file;
};

// The place the dropped paths name: exactly one path, of a folder or a file that exists.
// Nothing for several paths, none, or a path that names nothing.
std::optional<DropPlace> PlaceOfDrop(const std::vector<std::string>& paths);

// The paths a data object carries as files (CF_HDROP); none when it carries no files.
std::vector<std::string> DroppedPaths(IDataObject* data);

// The drop target of the main window. It takes a data object that names one folder or file
// (not one of our own drags), showing the copy cursor, and hands the place to `open` once the
// drop is over (from this thread's message loop, so the source is not kept waiting); anything
// else gets the no-entry cursor. What `open` throws goes to the error display. Raises
// win::Exception when it cannot be made.
win::ComPtr<IDropTarget> MakeFolderDropTarget(std::function<void(const DropPlace&)> open);

// A window registered as a drop target for as long as this lives.
class DropRegistration {
 public:
  DropRegistration() = default;
  // Raises win::Exception when the platform refuses (OLE not initialised on this thread).
  DropRegistration(HWND window, IDropTarget* target);
  ~DropRegistration();
  DropRegistration(const DropRegistration&) = delete;
  DropRegistration& operator=(const DropRegistration&) = delete;

 private:
  HWND window_ = nullptr;
};

}  // namespace dragdrop
