// The main window's side of an extraction run: starting it, showing what its worker hands over once
// per frame, and ending it with the count, the sort and the entry asked for at start.
#include "app/MainForm.h"

#include <algorithm>
#include <chrono>
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
  const bool replaced = static_cast<bool>(run_);
  run_.reset();
  ShowHeldEntries(false);
  roomSpent_ = {};
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
    run_ = std::make_unique<ExtractionSession>(std::move(options),
                                               [this](ExtractionSession& session) { TakeRunHandover(session); });
  } catch (...) {
    clearEntries();
    FinishRun();
    throw;
  }
  // The older entries go while the new run lists its files, which it does on its own thread.
  clearEntries();
}

void F::TakeRunHandover(ExtractionSession& session) {
  // Only the newest run's icons are shown; an older one's are dropped with it.
  if (&session != run_.get()) return;
  // Entries are added with the list's drawing held, as long as a frame lasts, and the input
  // waiting is served between frames with the drawing still held. Every few frames the list is
  // brought up to date on screen, in a frame of its own: under Wine resuming the list's drawing
  // and scrolling it cost as much as a frame of entries.
  constexpr auto kFrame = std::chrono::milliseconds(25);
  constexpr auto kShowEvery = std::chrono::milliseconds(100);
  const auto start = std::chrono::steady_clock::now();
  // Once everything is read, what is held is shown with the run's end, sorted, not before.
  const bool showing = entriesUnseen_ > 0 && start - entriesShown_ >= kShowEvery && !session.AllHanded();
  // The run's first entries are shown in the frame that takes them.
  const bool firstEntries = iconSlots.Count() == 0;
  if (showing) ShowHeldEntries(true);
  RunHandover h;
  try {
    // A frame that shows takes one batch, which may carry the run's end.
    do {
      h = session.Take();
      if (h.listed) {
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
    } while (!showing && !h.batch.icons.empty() && std::chrono::steady_clock::now() - start + roomSpent_ < kFrame);
    // Room for what is still to come, as the files read so far let it be expected. Making it
    // copies the lists a slice at a time, as much as the frame's entries call for, so the next
    // frame takes fewer: a frame never lasts a frame's batches and its room together.
    const std::uint64_t expected = h.filesRead ? std::uint64_t(iconSlots.Count()) * h.files / h.filesRead : 0;
    if (!showing) {
      const auto room = std::chrono::steady_clock::now();
      if (iconSlots.MakeRoom(expected)) lvIcons.ReplaceImageLists(iconSlots.Shown(), iconSlots.ShownSmall());
      roomSpent_ = std::chrono::steady_clock::now() - room;
    }
  } catch (...) {
    FinishRun();
    throw;
  }
  if (!h.finished) {
    if (firstEntries && entriesUnseen_ > 0) ShowHeldEntries(true);
    // What is held is shown in time even if nothing more comes for a while.
    if (entriesUnseen_ > 0) session.DeliverWithin(static_cast<unsigned>(kShowEvery.count()));
    return;
  }
  const std::exception_ptr failure = h.failure;
  FinishRun();
  if (failure) std::rethrow_exception(failure);
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
  entriesShown_ = std::chrono::steady_clock::now();
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

void F::FinishRun() {
  const bool unique = run_ ? run_->Options().unique : actUnique.Checked();
  const int hidden = run_ ? run_->DuplicatesHidden() : 0;
  ShowUnreadable(sbInfo, run_ ? run_->Unreadable() : std::vector<std::string>{});
  // The worker kept the order by caption as it went: the list only takes it.
  const std::vector<int> ranks = run_ ? run_->CaptionRanks(lvIcons.Count()) : std::vector<int>{};
  run_.reset();
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

void F::StopRun() {
  if (run_) FinishRun();
}
