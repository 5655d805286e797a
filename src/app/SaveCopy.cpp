// Save As and Copy over the icon slots: where each entry's pictures come from, and what the
// user is told.
#include "app/SaveCopy.h"

#include <commdlg.h>
#include <mmsystem.h>

#include <algorithm>
#include <iterator>
#include <memory>
#include <optional>
#include <vector>

#include "app/DragOut.h"
#include "app/IconSlots.h"
#include "app/SizeDialogs.h"
#include "export/ContactSheet.h"
#include "export/BrowseFolder.h"
#include "export/Clipbrd.h"
#include "export/IconSave.h"
#include "export/StoredIcon.h"
#include "extract/IconRun.h"
#include "extract/LargeIcon.h"
#include "ui/Application.h"
#include "ui/ListView.h"
#include "win/Errors.h"
#include "win/LongPath.h"
#include "win/PathText.h"

namespace {

// The icon at slot for a save or copy of kind. The stored kinds read its file (through
// sources, once however many of its icons are saved); the others take the saved sizes from
// the window's lists at 96 DPI, else made again from its file into scratch.
IconToSave SlotIcon(const IconSlots& slots, int slot, OutputKind kind, SourceFiles& sources, SavedIcon& scratch) {
  if (!IsStoredKind(kind) && !slots.ShowsOwnSizes())
    return {.large = slots.Saved(), .small = slots.SavedSmall(), .slot = slot};
  const IconSource* source = slots.Find(slot);
  if (!source) throw win::Exception("The icon's file is not known");
  const iconres::IconFile& file = sources.Read(source->file);
  const auto group = static_cast<size_t>(source->index);
  if (IsStoredKind(kind)) return {.file = &file, .group = group};
  // Made as the run makes them at 96 DPI, so that what is saved does not depend on the scale.
  const win::UniqueIcon icon(MakeIcon(file, group, kSavedLargeSize));
  if (!icon) throw win::Exception("Cannot read the icon from " + source->file);
  const win::UniqueIcon smallIcon(MakeIcon(file, group, kSavedSmallSize));
  scratch.Hold(icon.get(), smallIcon.get());
  return {.large = scratch.Large(), .small = scratch.Small(), .slot = 0};
}

// The largest image of the icon at slot as PNG, as the PNG kind saves it; none when it
// stores no image that can be written.
std::vector<std::uint8_t> SlotPng(const IconSlots& slots, int slot, SourceFiles& sources) {
  const IconSource* source = slots.Find(slot);
  if (!source) return {};
  try {
    return LargestImagePngBytes(sources.Read(source->file), static_cast<size_t>(source->index));
  } catch (const std::exception&) {
    // The bitmaps still go on the clipboard or with the drag.
    return {};
  }
}

// The sheet's file, asked through the platform's save dialog; empty when cancelled.
std::string AskSheetFile() {
  std::vector<char> name(win::kLongPathLimit, '\0');
  const char initial[] = "icons.png";
  std::copy(std::begin(initial), std::end(initial), name.begin());
  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = GetActiveWindow();
  ofn.lpstrFilter = "PNG Image (*.png)\0*.png\0";
  ofn.lpstrFile = name.data();
  ofn.nMaxFile = static_cast<DWORD>(name.size());
  ofn.lpstrTitle = "Save Contact Sheet As";
  ofn.lpstrDefExt = "png";
  // Nothing is overwritten: a taken name moves the whole set aside, so no question is asked.
  ofn.Flags = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
  if (!GetSaveFileNameA(&ofn)) return {};
  return name.data();
}

}  // namespace

void SaveContactSheet(const ui::ListView& list, const IconSlots& slots, int& edge) {
  if (list.Count() == 0) {
    ui::Application.ShowMessageBox("There are no icons listed to put on a contact sheet.", kSheetCaption,
                                   MB_OK | MB_ICONINFORMATION);
    return;
  }
  const std::optional<int> asked = AskSheetEdge(edge);
  if (!asked) return;
  edge = *asked;
  const std::string path = AskSheetFile();
  if (path.empty()) return;
  ui::CursorScope wait(ui::CursorKind::HourGlass);
  const bool selectedOnly = list.SelCount() > 0;
  SourceFiles sources;
  std::vector<sheet::Entry> entries;
  std::size_t left = 0;
  for (int i = 0; i < list.Count(); ++i) {
    if (selectedOnly && !list.Selected(i)) continue;
    const IconSource* source = slots.Find(list.ImageIndex(i));
    try {
      if (!source) throw win::Exception("The icon's file is not known");
      entries.push_back(sheet::EntryOf(sources.Read(source->file), static_cast<size_t>(source->index), source->file,
                                       list.Caption(i), list.SubItem(i, 1), edge));
    } catch (const win::Exception&) {
      // Its file changed since it was listed; the sheet shows the others and the user is told.
      ++left;
    }
  }
  if (entries.empty()) {
    ui::Application.ShowMessageBox("None of these icons can be read from their files any more.", "Error!",
                                   MB_OK | MB_ICONERROR);
    return;
  }
  sheet::Written written;
  try {
    written = sheet::WriteSheets(entries, edge, path);
  } catch (const win::Exception&) {
    ui::Application.ShowMessageBox("Cannot save to " + pathtext::DirectoryPart(path) + ".  Please select another destination.",
                                   "Error!", MB_OK | MB_ICONERROR);
    return;
  }
  PlaySoundA("SystemAsterisk", nullptr, SND_ALIAS | SND_ASYNC);
  const std::string icons = entries.size() == 1 ? "1 icon" : std::to_string(entries.size()) + " icons";
  std::string text = written.sheets.size() == 1
                         ? "The contact sheet of " + icons + " was saved as " + written.sheets.front()
                         : "The " + icons + " were saved on " + std::to_string(written.sheets.size()) + " contact sheets, " +
                               written.sheets.front() + " to " + pathtext::NamePart(written.sheets.back());
  text += ", with their list in " + pathtext::NamePart(written.csv) + ".";
  if (left > 0)
    text += " " + (left == 1 ? std::string("1 icon was") : std::to_string(left) + " icons were") +
            " left out because its file no longer holds it.";
  ui::Application.ShowMessageBox(text, "Saved", MB_OK | MB_ICONINFORMATION);
}

void SaveSelectedIcons(const ui::ListView& list, const IconSlots& slots, const SaveKind& kind) {
  std::string folder;
  {
    TBrowseForFolderDialog chooser;
    chooser.SetTitle("Save image(s) to:");
    if (!chooser.Execute()) return;
    folder = chooser.FolderPath();
  }
  folder = pathtext::WithTrailingBackslash(folder);
  ui::CursorScope wait(ui::CursorKind::HourGlass);
  SourceFiles sources;
  SavedIcon scratch(kSavedLargeSize, kSavedSmallSize);
  // Damaged images the stored kinds left out: the user is told once, after the last file.
  std::size_t leftOut = 0, resampled = 0, images = 0;
  for (int i = 0; i < list.Count(); ++i) {
    if (!list.Selected(i)) continue;
    IconToSave icon = SlotIcon(slots, list.ImageIndex(i), kind.kind, sources, scratch);
    icon.caption = list.Caption(i);
    icon.indexText = list.SubItem(i, 1);
    const SaveResult saved = SaveOneIcon(kind, icon, folder);
    switch (saved.kind) {
      case SaveResult::Kind::Saved: break;
      case SaveResult::Kind::NotWritten:
        ui::Application.ShowMessageBox("Cannot save to " + folder + ".  Please select another destination.",
                                       "Error!", MB_OK | MB_ICONERROR);
        return;
      case SaveResult::Kind::NoSoundImage:
      case SaveResult::Kind::NotMade:
        if (IsStoredKind(kind.kind))
          throw win::Exception("Cannot read the icon from " + slots.Find(list.ImageIndex(i))->file, saved.failure,
                               saved.error);
        throw win::Exception(saved.reason, saved.failure, saved.error);
    }
    leftOut += saved.leftOut;
    resampled += saved.resampled;
    images += kind.kind == OutputKind::IconWithSizes ? kind.edges.size() : saved.paths.size();
    PlaySoundA("SystemAsterisk", nullptr, SND_ALIAS | SND_ASYNC);
  }
  if (leftOut > 0)
    ui::Application.ShowMessageBox(leftOut == 1 ? "1 image was left out of the saved icons because it is damaged."
                                                : std::to_string(leftOut) +
                                                      " images were left out of the saved icons because they are damaged.",
                                   "Warning", MB_OK | MB_ICONWARNING);
  if (resampled > 0)
    ui::Application.ShowMessageBox(std::to_string(resampled) + " of the " + std::to_string(images) +
                                       (images == 1 ? " image was" : " images were") +
                                       " resampled from another size, as the icon stores none of that size.",
                                   "Saved", MB_OK | MB_ICONINFORMATION);
}

void CopyFocusedIcon(const ui::ListView& list, const IconSlots& slots) {
  int focused = -1;
  for (int i = 0; i < list.Count() && focused < 0; ++i)
    if (list.Focused(i)) focused = i;
  if (focused < 0) return;
  SourceFiles sources;
  SavedIcon scratch(kSavedLargeSize, kSavedSmallSize);
  const IconToSave icon = SlotIcon(slots, list.ImageIndex(focused), OutputKind::Bitmap32, sources, scratch);
  const std::unique_ptr<TGraphic> bitmap = SlotGraphic(OutputKind::Bitmap32, icon.large, icon.small, icon.slot);
  const win::UniqueIcon large(ImageList_GetIcon(icon.large, icon.slot, ILD_NORMAL));
  CopyIconToClipboard(static_cast<TBitmap&>(*bitmap), large.get(), SlotPng(slots, list.ImageIndex(focused), sources));
}

void DragSelectedIcons(const ui::ListView& list, const IconSlots& slots, const SaveKind& kind) {
  dragdrop::DragFolder folder;
  dragdrop::DragContent content;
  {
    ui::CursorScope wait(ui::CursorKind::HourGlass);
    SourceFiles sources;
    SavedIcon scratch(kSavedLargeSize, kSavedSmallSize);
    for (int i = 0; i < list.Count(); ++i) {
      if (!list.Selected(i)) continue;
      IconToSave icon = SlotIcon(slots, list.ImageIndex(i), kind.kind, sources, scratch);
      icon.caption = list.Caption(i);
      icon.indexText = list.SubItem(i, 1);
      const SaveResult saved = SaveOneIcon(kind, icon, folder.Path());
      if (saved.kind != SaveResult::Kind::Saved)
        throw win::Exception("Cannot drag " + icon.caption + " " + icon.indexText + ": " + saved.reason, saved.failure,
                             saved.error);
      const bool first = content.files.empty();
      content.files.insert(content.files.end(), saved.paths.begin(), saved.paths.end());
      if (first) content.png = SlotPng(slots, list.ImageIndex(i), sources);
    }
  }
  if (content.files.empty()) return;
  dragdrop::DragOut(content);
}
