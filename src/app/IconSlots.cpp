// The icon slots: one append for every image list, one lookup for every slot.
#include "app/IconSlots.h"

#include <algorithm>
#include <limits>
#include <memory>

#include "extract/FileIcons.h"
#include "extract/LargeIcon.h"
#include "ui/Form.h"
#include "win/Errors.h"

IconSlots::IconSlots(const ui::Form& form, ui::ImageList& icons, ui::ImageList& smallIcons, ui::ImageList& shownIcons,
                     ui::ImageList& shownSmallIcons)
    : form_(form), icons_(icons), smallIcons_(smallIcons), shownIcons_(shownIcons), shownSmallIcons_(shownSmallIcons) {}

bool IconSlots::ShowsOwnSizes() const { return form_.Scale(kSavedLargeSize) != kSavedLargeSize; }

int IconSlots::AppendPictures(const ListedPictures& pictures) {
  // Both lists grow together, or the entries would show and save the wrong pictures.
  ui::ImageList& smallList = ShownSmall();
  HICON large = pictures.large.get(), small = pictures.small.get();
  if (smallList.AddIcon(small ? small : large) < 0)
    throw win::Exception("Cannot add an icon to the image list", win::ErrorKind::Platform);
  const int slot = Shown().AddIcon(large);
  if (slot < 0) {
    ImageList_Remove(smallList.Handle(), smallList.Count() - 1);
    throw win::Exception("Cannot add an icon to the image list", win::ErrorKind::Platform);
  }
  return slot;
}

int IconSlots::AppendFromFile(const FileIcons& file, int index, HICON icon, HICON fallback) {
  return AppendPictures(
      MakeListedPictures(file, index, icon, fallback, form_.Scale(kSavedLargeSize), form_.Scale(kSavedSmallSize)));
}

void IconSlots::Record(int slot, IconSource source) {
  if (sources_.size() <= static_cast<size_t>(slot)) sources_.resize(static_cast<size_t>(slot) + 1);
  sources_[static_cast<size_t>(slot)] = std::move(source);
}

int IconSlots::Append(IconSource source, const ListedPictures& pictures) {
  const int slot = AppendPictures(pictures);
  Record(slot, std::move(source));
  return slot;
}

int IconSlots::AppendBatch(std::span<IconSource> sources, const win::IconBatch& large, const win::IconBatch& small) {
  ui::ImageList &largeList = Shown(), &smallList = ShownSmall();
  const int first = largeList.Count();
  const int n = static_cast<int>(sources.size());
  if (n == 0 || large.Count() != n || small.Count() != n || smallList.Count() != first) return -1;
  // Both lists grow together, or the entries would show and save the wrong pictures.
  if (!small.AppendTo(smallList.Handle())) return -1;
  if (!large.AppendTo(largeList.Handle())) {
    ImageList_SetImageCount(smallList.Handle(), static_cast<UINT>(first));
    return -1;
  }
  for (int i = 0; i < n; ++i) Record(first + i, std::move(sources[static_cast<std::size_t>(i)]));
  return first;
}

const IconSource* IconSlots::Find(int slot) const {
  if (slot < 0 || static_cast<size_t>(slot) >= sources_.size()) return nullptr;
  return &sources_[static_cast<size_t>(slot)];
}

void IconSlots::Clear() {
  StopMakingRoom();
  icons_.Clear();
  smallIcons_.Clear();
  shownIcons_.Clear();
  shownSmallIcons_.Clear();
  sources_.clear();
}

void IconSlots::ReserveFor(std::size_t files) {
  if (Count() > 0) return;
  StopMakingRoom();
  // Two icons per file, in a few hundred megabytes at most (room not filled is not written to):
  // a run that needs more has it made as it goes (MakeRoom).
  constexpr std::size_t kReservedBytes = 256 << 20;
  const int size = form_.Scale(kSavedLargeSize), smallSize = form_.Scale(kSavedSmallSize);
  const std::size_t perImage = static_cast<std::size_t>(size) * static_cast<std::size_t>(size) * 5;
  room_ = static_cast<int>(std::clamp<std::size_t>(files, 128, std::max<std::size_t>(128, kReservedBytes / perImage / 2)) * 2);
  // The platform's own steps, where it takes them, are as large.
  Shown().Reset(size, room_, room_);
  ShownSmall().Reset(smallSize, room_, room_);
  if (!Shown().Handle() || !ShownSmall().Handle()) {
    // No room for so many at once: the lists grow as they can.
    room_ = 0;
    Shown().Reset(size);
    ShownSmall().Reset(smallSize);
  }
  countBefore_ = 0;
}

bool IconSlots::MakeRoom(std::uint64_t expected) {
  retired_ = {};
  ui::ImageList* lists[] = {&Shown(), &ShownSmall()};
  const int count = lists[0]->Count(), added = std::max(0, count - countBefore_);
  countBefore_ = count;
  if (room_ <= 0 || lists[1]->Count() != count) return false;
  // Made for a run expected to fill the room, once it is half full.
  if (!next_[0].Begun() && (count < room_ / 2 || expected <= std::uint64_t(room_ - room_ / 8))) return false;
  const auto more = static_cast<int>(std::min<std::uint64_t>(std::max<std::uint64_t>(2ull * room_, expected + expected / 4),
                                                             std::numeric_limits<int>::max() / 2));
  // A quarter faster than the run fills what is left, the copying ends before the lists are full.
  const long long left = std::max(1, room_ - count), toCopy = room_ - next_[0].Count();
  const int slice = static_cast<int>(std::clamp<long long>(5 * added * toCopy / (4 * left), 64, count));
  for (std::size_t i = 0; i < 2; ++i) {
    const HIMAGELIST list = lists[i]->Handle();
    if ((!next_[i].Begun() && !next_[i].Begin(list, more)) || !next_[i].CopyFrom(list, slice)) {
      // No more room, or lists that do not copy: the lists grow as they can.
      StopMakingRoom();
      return false;
    }
  }
  if (!next_[0].Holds(lists[0]->Handle()) || !next_[1].Holds(lists[1]->Handle())) return false;
  room_ = next_[0].Room();
  for (std::size_t i = 0; i < 2; ++i) retired_[i] = lists[i]->Replace(next_[i].Take());
  return true;
}

void IconSlots::StopMakingRoom() {
  room_ = 0;
  next_ = {};
  retired_ = {};
}

void IconSlots::MakeAgain(HIMAGELIST shownUntilNow) {
  const int slots = Count();
  StopMakingRoom();
  // The pictures shown so far stand in for any file that can no longer be read.
  win::UniqueImageList previous(shownUntilNow && ImageList_GetImageCount(shownUntilNow) == slots
                                    ? ImageList_Duplicate(shownUntilNow)
                                    : nullptr);
  // Only the lists of this scale hold icons: at other scales the saved sizes are made when
  // they are saved or copied.
  icons_.Reset(kSavedLargeSize);
  smallIcons_.Reset(kSavedSmallSize);
  shownIcons_.Reset(form_.Scale(kSavedLargeSize));
  shownSmallIcons_.Reset(form_.Scale(kSavedSmallSize));
  // Every listed icon again, each file read once for its run of icons.
  const std::string windowsFolder = MunWindowsFolder();
  const auto picks = std::make_shared<ImagePicks>();
  std::unique_ptr<FileIcons> file;
  for (int slot = 0; slot < slots; ++slot) {
    const IconSource& source = sources_[static_cast<size_t>(slot)];
    if (!file || file->Path() != source.file)
      file = std::make_unique<FileIcons>(source.file, windowsFolder, true, picks);
    const win::UniqueIcon shownBefore(previous ? ImageList_GetIcon(previous.get(), slot, ILD_NORMAL) : nullptr);
    win::UniqueIcon icon = file->Icon(source.index);
    if (!icon && shownBefore) icon.reset(CopyIcon(shownBefore.get()));
    AppendFromFile(*file, source.index, icon.get(), shownBefore ? shownBefore.get() : icon.get());
  }
}
