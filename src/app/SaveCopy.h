// Saving and copying the icon list's entries: Save As of every kind into a folder the user
// picks, Copy of the focused entry to the clipboard, and dragging the selection out.
#pragma once
#include "export/SaveImage.h"  // SaveKind

class IconSlots;
namespace ui {
class ListView;
}

// Asks for a folder and saves the selected entries there as kind, each under a name nothing
// in the folder has yet. A folder that takes no file is said and ends the saving; a picture
// that cannot be made is raised. After the last file the user learns how many damaged images
// the stored kinds left out, and how many images the sized kinds resampled.
void SaveSelectedIcons(const ui::ListView& list, const IconSlots& slots, const SaveKind& kind);

// Asks for the edge (starting from `edge`, which keeps the answer) and the sheet's file, then
// draws the selected entries, or every listed one when none is selected, on contact sheets
// there with their .csv (ContactSheet.h); the user learns which files were written.
void SaveContactSheet(const ui::ListView& list, const IconSlots& slots, int& edge);

// Puts the focused entry (the one last clicked or moved to, not the selection) on the
// clipboard: a 32 x 32 bitmap over white, the same with its alpha, and its file's largest image
// as PNG; nothing without one.
void CopyFocusedIcon(const ui::ListView& list, const IconSlots& slots);

// Drags the selected entries out of the list: each saved as kind into a temporary folder of
// the user's, named as Save As names it, with the first one's largest image as PNG beside
// them; the folder goes once the drop is over. An entry that cannot be saved there is raised
// before the drag starts.
void DragSelectedIcons(const ui::ListView& list, const IconSlots& slots, const SaveKind& kind);
