// The icon list's slots: each listed icon appended to every image list the window keeps at once,
// and found again by its slot with the file and index it came from.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "app/IconSource.h"
#include "extract/ListedPictures.h"
#include "iconres/IconFile.h"
#include "ui/Images.h"
#include "win/IconBatch.h"
#include "win/ImageLists.h"

class FileIcons;
namespace ui {
class Form;
}

// At 96 DPI the lists at the saved sizes (32 x 32 and 16 x 16) hold every listed icon, which the
// list shows and the commands save; at other scales the shown lists hold them at the list's own
// sizes, made from their files, and the saved sizes are made again from the file when needed.
class IconSlots {
 public:
  IconSlots(const ui::Form& form, ui::ImageList& icons, ui::ImageList& smallIcons, ui::ImageList& shownIcons,
            ui::ImageList& shownSmallIcons);
  IconSlots(const IconSlots&) = delete;
  IconSlots& operator=(const IconSlots&) = delete;

  // Whether the list shows sizes other than the saved ones at the form's scale.
  bool ShowsOwnSizes() const;
  // The lists the icon list shows at the form's scale.
  ui::ImageList& Shown() const { return ShowsOwnSizes() ? shownIcons_ : icons_; }
  ui::ImageList& ShownSmall() const { return ShowsOwnSizes() ? shownSmallIcons_ : smallIcons_; }
  // The saved-size lists, which hold the slots only at 96 DPI.
  HIMAGELIST Saved() const { return icons_.Handle(); }
  HIMAGELIST SavedSmall() const { return smallIcons_.Handle(); }

  // Appends pictures made already for the lists of the form's scale (MakeListedPictures; a
  // small one that is none takes the large one), as the run's batches do, and returns the slot.
  // Nothing is redrawn here: a caller appending many holds the list's drawing. Raises
  // win::Exception, the lists as they were, when a list refuses the icon.
  int Append(IconSource source, const ListedPictures& pictures);

  // Appends a run's batch, its pictures drawn already for the lists of the form's scale, with
  // their sources (moved from); returns the first slot, or -1, lists and sources as they were,
  // when the batch was drawn for other sizes or the lists refuse it.
  int AppendBatch(std::span<IconSource> sources, const win::IconBatch& large, const win::IconBatch& small);

  // The source of the icon at slot; none for a slot that holds no icon.
  const IconSource* Find(int slot) const;
  int Count() const { return static_cast<int>(sources_.size()); }
  // Empties every list.
  void Clear();
  // While the lists are empty: gives the lists the form's scale shows room for a run over this
  // many files (two icons each, within a few hundred megabytes). Controls showing the lists must
  // be given them again.
  void ReserveFor(std::size_t files);
  // While a run fills the reserved lists, and is expected to end with this many slots: makes
  // room ahead of need, copying more of their images into lists with more room at each call,
  // and true once those have taken over. Controls showing the lists must then be given them
  // again; the ones shown until now are kept until the next call.
  bool MakeRoom(std::uint64_t expected);
  // Lets go of the room being made and makes no more until the next reservation (a run's end).
  void StopMakingRoom();
  // Gives the lists the sizes of the form's scale and makes every slot's pictures again from
  // its file. shownUntilNow: the list the icons were shown from until now, whose pictures stand in
  // for files that can no longer be read. Controls showing the lists must be given them again.
  void MakeAgain(HIMAGELIST shownUntilNow);

 private:
  // Appends the pictures to both lists of the scale, both or neither; returns the slot.
  int AppendPictures(const ListedPictures& pictures);
  // The pictures of the icon at index of file for the lists of the form's scale; icon: its
  // saved-size icon; fallback stands in where the file gives no picture at a shown size.
  int AppendFromFile(const FileIcons& file, int index, HICON icon, HICON fallback);
  void Record(int slot, IconSource source);

  const ui::Form& form_;
  ui::ImageList &icons_, &smallIcons_, &shownIcons_, &shownSmallIcons_;
  std::vector<IconSource> sources_;
  // The room of the shown lists (0: none reserved) and what they held at the last call, their
  // successors (large, small), and the lists those took over from.
  int room_ = 0, countBefore_ = 0;
  std::array<win::ListSuccessor, 2> next_;
  std::array<win::UniqueImageList, 2> retired_;
};
