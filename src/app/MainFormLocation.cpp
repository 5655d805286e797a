// The main window's icon locations: Edit > Copy Location and Go > Go to Location.
#include "app/MainForm.h"

#include <cctype>
#include <optional>

#include "export/Clipbrd.h"
#include "extract/Locations.h"
#include "ui/Application.h"
#include "ui/InputBox.h"
#include "win/Errors.h"
#include "win/PathText.h"

using namespace ui;
using F = TfrmMainForm;

void F::miCopyLocationClick(Component&) {
  std::string text;
  int copied = 0, leftOut = 0;
  const std::string windows = location::WindowsFolder();
  for (int i = 0; i < lvIcons.Count(); ++i) {
    if (!lvIcons.Selected(i)) continue;
    const IconSource* source = iconSlots.Find(lvIcons.ImageIndex(i));
    if (!source) continue;
    // A program's cursors have no location: no call that takes one reads them.
    if (!source->location) {
      ++leftOut;
      continue;
    }
    text += (copied > 0 ? "\r\n" : "") + location::Text({source->file, *source->location}, windows);
    ++copied;
  }
  if (copied > 0) CopyTextToClipboard(text);
  std::string status = copied == 1 ? "1 location copied" : std::to_string(copied) + " locations copied";
  if (leftOut > 0)
    status += leftOut == 1 ? ", 1 cursor left out: cursors inside programs have no location"
                           : ", " + std::to_string(leftOut) + " cursors left out: cursors inside programs have no location";
  sbInfo.SetPanelText(0, status);
}

void F::miGoToLocationClick(Component&) {
  std::string text;
  if (!InputBox(Handle(), "Go to Location", "&Location of an icon, such as %SystemRoot%\\System32\\imageres.dll,-184:", text))
    return;
  if (!text.empty()) GoToLocation(text);
}

bool F::GoToLocation(const std::string& text) {
  try {
    std::string error;
    const std::optional<location::FoundIcon> found = location::Find(text, error);
    if (!found) {
      if (!error.empty()) error[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(error[0])));
      throw win::Exception(error);
    }
    ShowStart(pathtext::DirectoryPart(found->path), found->path, static_cast<int>(found->group));
    return true;
  } catch (const std::exception& e) {
    Application.HandleException(e);
    return false;
  }
}
