// The pictures one listed icon gives the list's two image lists at a scale, made from its file.
#pragma once
#include <windows.h>

#include <cstdint>

#include "extract/FileIcons.h"
#include "extract/IconScale.h"
#include "win/Handles.h"

// A picture for one image list: made for it, or one of the icons it was made from, which must
// outlive it; with its edge in pixels where known (0 where not). A picture made by resampling
// keeps its pixels and becomes an icon only when one is asked for (get).
class ListPicture {
 public:
  ListPicture() = default;
  ListPicture(win::UniqueIcon own, int ownEdge, HICON instead, int insteadEdge)
      : own_(std::move(own)), instead_(instead), ownEdge_(ownEdge), insteadEdge_(insteadEdge) {}
  ListPicture(iconscale::Pixels made, HICON instead, int insteadEdge)
      : made_(std::move(made)), instead_(instead), ownEdge_(made_.width), insteadEdge_(insteadEdge) {}
  // Makes the icon of a made picture on the first call; instead where that fails.
  HICON get() const;
  int Edge() const { return own_ || !made_.argb.empty() ? ownEdge_ : insteadEdge_; }
  bool Empty() const { return !own_ && made_.argb.empty() && !instead_; }
  // A made picture's premultiplied pixels, Edge() x Edge(), rows top down; else null.
  const std::uint32_t* Pixels() const { return made_.argb.empty() ? nullptr : made_.argb.data(); }

 private:
  mutable win::UniqueIcon own_;
  mutable iconscale::Pixels made_;
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
