// The main window's side of an extraction run: starting it, showing what its worker hands over once
// per frame, and ending it with the count, the sort and the entry asked for at start.
#include "app/MainForm.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <utility>

#include "extract/ExtractHelpers.h"
#include "extract/IconLocation.h"
#include "extract/LargeIcon.h"
#include "extract/ListedPictures.h"
#include "extract/StoredImages.h"
#include "settings/Settings.h"
#include "ui/Application.h"
#include "win/PathText.h"
#include "win/Text.h"

using namespace ui;
using F = TfrmMainForm;

namespace {

// The status at the end of a run: "812 icons", and with duplicates hidden
// "812 icons, 377 duplicates hidden".
std::string IconCountText(int listed, bool unique, int hidden) {
  std::string text = std::to_string(listed) + " icons";
  if (unique) text += ", " + std::to_string(hidden) + (hidden == 1 ? " duplicate hidden" : " duplicates hidden");
  return text;
}

// The files a run could not open or read: counted in a part of the bar of their own (there
// only while there are some), the first few named in the bar's tip.
void ShowUnreadable(StatusBar& bar, const std::vector<std::string>& files) {
  bar.SetPanels(files.empty() ? std::vector<int>{500} : std::vector<int>{500, -1});
  if (!files.empty()) bar.SetPanelText(1, UnreadableText(files.size()));
  bar.SetTip(UnreadableTip(files));
}

}  // namespace

void F::ShowIconsAtScale() {
  const HIMAGELIST shown = ListView_GetImageList(lvIcons.Handle(), LVSIL_NORMAL);
  lvIcons.SetImageLists(nullptr, nullptr);
  iconSlots.MakeAgain(shown);
  lvIcons.SetImageLists(&iconSlots.Shown(), &iconSlots.ShownSmall());
}

void F::FormDpiChanged(Component&) {
  ShowIconsAtScale();
  if (run_) run_->SetSizes(Scale(kSavedLargeSize), Scale(kSavedSmallSize));
  const std::string current = stNav.Path();
  lblInfo.SetCaption(current.empty() ? std::string() : InfoText(current));
}

std::string F::InfoText(const std::string& path) const {
  return "Icons contained in " + FitPathToWidth(path, lblInfo.Font(), lblInfo.Width() - Scale(110));
}

void F::ExtractIcons() {
  // An older run stops here; what it had not shown yet goes with it.
  const bool replaced = static_cast<bool>(StopRun());
  ShowHeldEntries(false);
  ++runsStarted_;
  const auto clearEntries = [this] {
    lvIcons.Clear();
    // Deleting entries reports no selection change, so the commands are brought in step here.
    lvIconsChange(lvIcons);
    iconSlots.Clear();
    pnlPreview.Clear();
  };
  ShowUnreadable(sbInfo, {});
  const std::string path = stNav.Path();
  if (path.empty()) {
    clearEntries();
    lblInfo.SetCaption("");
    if (replaced) Application.SetCursor(CursorKind::Default);
    return;
  }
  Application.SetCursor(CursorKind::AppStart);
  folderText_.clear();
  try {
    folderText_ = InfoText(path);
    lblInfo.SetCaption(folderText_);
    sbInfo.SetPanelText(0, "Obtaining Folder Structure...");
    RunOptions options{pathtext::WithTrailingBackslash(path), IncludeSubs, ExtractFromAll, FileTypes, Extraction.minSize,
                       actUnique.Checked(), Scale(kSavedLargeSize), Scale(kSavedSmallSize), actCursors.Checked(),
                       runGate_, batchVerdicts_};
    run_ = std::make_unique<ExtractionSession>(std::move(options), pacer_.Follow());
  } catch (...) {
    clearEntries();
    FinishRun(StopRun());
    throw;
  }
  // The older entries go while the new run lists its files, which it does on its own thread.
  clearEntries();
}

void F::RunFrame() {
  std::exception_ptr failure;
  bool ended = true;
  try {
    ended = TakeRunHandover(*run_, failure);
  } catch (...) {
    FinishRun(StopRun());
    throw;
  }
  if (!ended) return;
  // The run is dropped here, once its last frame has been taken, and only then is its failure told.
  FinishRun(StopRun());
  if (failure) std::rethrow_exception(failure);
}

bool F::TakeRunHandover(ExtractionSession& session, std::exception_ptr& failure) {
  const bool showing = pacer_.BeginFrame(entriesUnseen_ > 0);
  // The run's first entries are shown in the frame that takes them.
  const bool firstEntries = iconSlots.Count() == 0;
  if (showing) ShowHeldEntries(true);
  RunHandover h;
  // A frame that shows takes one batch, which may carry the run's end.
  do {
    h = session.Take();
    if (h.listed) {
      pacer_.Listed();
      sbInfo.SetPanelText(0, "Extracting Icons... Press <Esc> to stop...");
      if (iconSlots.Count() == 0) {
        lvIcons.SetImageLists(nullptr, nullptr);
        iconSlots.ReserveFor(h.files);
        lvIcons.SetImageLists(&iconSlots.Shown(), &iconSlots.ShownSmall());
      }
    }
    if (!h.fileInHand.empty()) lblInfo.SetCaption(InfoText(h.fileInHand));
    if (!h.batch.icons.empty()) {
      if (!entriesHeld_) lvIcons.BeginUpdate();
      entriesHeld_ = true;
      entriesUnseen_ += ShowBatch(h.batch);
    }
  } while (!showing && !h.batch.icons.empty() && pacer_.FrameHasRoom());
  // Room for what is still to come, as the files read so far let it be expected. Making it
  // copies the lists a slice at a time, as much as the frame's entries call for, so the next
  // frame takes fewer: a frame never lasts a frame's batches and its room together.
  const std::uint64_t expected = h.filesRead ? std::uint64_t(iconSlots.Count()) * h.files / h.filesRead : 0;
  if (!showing) pacer_.Grow([&] {
    if (iconSlots.MakeRoom(expected)) lvIcons.ReplaceImageLists(iconSlots.Shown(), iconSlots.ShownSmall());
  });
  if (h.finished) {
    failure = h.failure;
    return true;
  }
  if (pacer_.EndFrame(firstEntries, entriesUnseen_ > 0)) ShowHeldEntries(true);
  return false;
}

void F::ShowHeldEntries(bool followNewest) {
  if (!entriesHeld_) return;
  entriesHeld_ = false;
  // The list follows the newest entries, as far as one row's step per entry takes it. It
  // scrolls while its drawing is still held, and is painted as painting comes, after the input
  // that waits: Wine's list paints all of itself at once when it scrolls while drawing, and held,
  // knows its extent as it was last drawn, so there it follows a showing behind.
  if (followNewest && entriesUnseen_ > 0) lvIcons.Scroll(0, Scale(76) * std::min(entriesUnseen_, 1000));
  lvIcons.EndUpdate();
  entriesUnseen_ = 0;
  pacer_.Shown();
}

int F::ShowBatch(RunBatch& batch) {
  const int n = static_cast<int>(batch.icons.size());
  int first = -1;
  const bool atScale = n > 0 && batch.icons.front().largeSize == Scale(kSavedLargeSize) &&
                       batch.icons.front().smallSize == Scale(kSavedSmallSize);
  if (atScale && batch.Drawn()) {
    std::vector<IconSource> sources;
    sources.reserve(batch.icons.size());
    for (const ListedIcon& icon : batch.icons) sources.push_back(icon.source);
    first = iconSlots.AppendBatch(sources, batch.large, batch.small);
  }
  for (int i = 0; i < n; ++i) {
    ListedIcon& icon = batch.icons[static_cast<std::size_t>(i)];
    const int slot = first >= 0 ? first + i : AppendListed(icon, batch, static_cast<std::size_t>(i));
    const int item = lvIcons.AddItem(icon.caption, slot);
    lvIcons.SetSubItem(item, 1, icon.source.indexText);
    lvIcons.SetSubItem(item, 2, icon.sizes);
    lvIcons.SetSubItem(item, 3, icon.type);
    lvIcons.SetSubItem(item, 4, location::ResourceText(icon.source.group.resource));
  }
  return n;
}

int F::AppendListed(ListedIcon& icon, const RunBatch& batch, std::size_t at) {
  const bool atScale = icon.largeSize == Scale(kSavedLargeSize) && icon.smallSize == Scale(kSavedSmallSize);
  if (!atScale || !icon.pictures.large.get()) {
    // The run's own icon again, or where the file can no longer be read, the picture drawn.
    const FileIcons file(icon.source.file, MunWindowsFolder());
    if (!icon.icon) icon.icon = file.Icon(icon.source.index);
    if (!icon.icon) icon.icon = batch.large.Icon(static_cast<int>(at));
    icon.pictures = MakeListedPictures(file, icon.source.index, icon.icon.get(), icon.icon.get(), Scale(kSavedLargeSize),
                                       Scale(kSavedSmallSize));
  }
  // A copy: the entry still shows the source's index and resource.
  return iconSlots.Append(icon.source, icon.pictures);
}

void F::FinishRun(std::unique_ptr<ExtractionSession> run) {
  const bool unique = run ? run->Options().unique : actUnique.Checked();
  const int hidden = run ? run->DuplicatesHidden() : 0;
  ShowUnreadable(sbInfo, run ? run->Unreadable() : std::vector<std::string>{});
  // The worker kept the order by caption as it went: the list only takes it.
  const std::vector<int> ranks = run ? run->CaptionRanks(lvIcons.Count()) : std::vector<int>{};
  run.reset();
  iconSlots.StopMakingRoom();
  ShowHeldEntries(false);
  // The folder's text as the run began with it: a run the window started while it was loading
  // ends after it has been laid out, and keeps the text it had.
  lblInfo.SetCaption(stNav.Path().empty() ? std::string() : folderText_);
  sbInfo.SetPanelText(0, IconCountText(lvIcons.Count(), unique, hidden));
  if (ranks.size() == static_cast<std::size_t>(lvIcons.Count())) lvIcons.SortByRanks(ranks);
  else lvIcons.SortByCaption(&CompareCaptions);
  if (lvIcons.Count() > 0) lvIcons.MakeVisible(0, false);
  FocusStartFile();
  Application.SetCursor(CursorKind::Default);
}

std::unique_ptr<ExtractionSession> F::StopRun() {
  pacer_.Drop();
  if (run_) run_->Stop();
  return std::move(run_);
}
