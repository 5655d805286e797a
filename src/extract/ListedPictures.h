// The pictures one listed icon gives the list's two image lists at a scale, made from its file.
#pragma once
#include <windows.h>

#include "extract/FileIcons.h"
#include "win/Handles.h"

// A picture for one image list: made for it, or one of the icons it was made from, which must
// outlive it; with its edge in pixels where known (0 where not).
class ListPicture {
 public:
  ListPicture() = default;
  ListPicture(win::UniqueIcon own, int ownEdge, HICON instead, int insteadEdge)
      : own_(std::move(own)), instead_(instead), ownEdge_(ownEdge), insteadEdge_(insteadEdge) {}
  HICON get() const { return own_ ? own_.get() : instead_; }
  int Edge() const { return own_ ? ownEdge_ : insteadEdge_; }

 private:
  win::UniqueIcon own_;
  HICON instead_ = nullptr;
  int ownEdge_ = 0, insteadEdge_ = 0;
};

struct ListedPictures {
  ListPicture small, large;
};

// The pictures of the icon at index for lists of largeSize and smallSize. At the saved sizes
// (96 DPI) the large one is the run's own icon and the small one the file's 16 x 16 image;
// at other scales both are made at the shown sizes. icon: the run's own (saved-size) icon;
// fallback stands in where the file gives no picture at a shown size.
ListedPictures MakeListedPictures(const FileIcons& file, int index, HICON icon, HICON fallback, int largeSize,
                                  int smallSize);
