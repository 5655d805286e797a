// The pictures one listed icon gives the list's two image lists at a scale, made from its file.
#pragma once
#include <windows.h>

#include <cstdint>
#include <span>

#include "extract/FileIcons.h"
#include "extract/IconScale.h"
#include "iconres/BitmapPixels.h"
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
  // A stored image of the list's size, kept as its bytes and as what drawing it leaves in a
  // list's cell, which a batch writes without a platform icon.
  ListPicture(iconres::Bytes stored, iconres::DrawnImage drawn, HICON instead, int insteadEdge)
      : stored_(std::move(stored)), drawn_(std::move(drawn)), instead_(instead), ownEdge_(drawn_.edge),
        insteadEdge_(insteadEdge) {}
  // Makes the icon of a made or stored picture on the first call; instead where that fails.
  HICON get() const;
  int Edge() const { return Own() ? ownEdge_ : insteadEdge_; }
  bool Empty() const { return !Own() && !instead_; }
  // A made picture's premultiplied pixels, Edge() x Edge(), rows top down; else null.
  std::span<const std::uint32_t> Pixels() const { return made_.argb; }
  // A stored picture's drawing; else null.
  const iconres::DrawnImage* Drawn() const { return stored_.empty() ? nullptr : &drawn_; }

 private:
  bool Own() const { return own_ || !made_.argb.empty() || !stored_.empty(); }

  mutable win::UniqueIcon own_;
  mutable iconscale::Pixels made_;
  mutable iconres::Bytes stored_;
  iconres::DrawnImage drawn_;
  HICON instead_ = nullptr;
  int ownEdge_ = 0, insteadEdge_ = 0;
};

struct ListedPictures {
  ListPicture small, large;
};

// The pictures of the icon at index for lists of largeSize and smallSize. At the saved sizes
// (96 DPI) the large one is the run's own icon and the small one the file's 16 x 16 image;
// at other scales both are made at the shown sizes. icon: the run's own (saved-size) icon;
// fallback stands in where the file gives no picture at a shown size. With drawn, a picture
// that is a plain stored image of its list's size (iconres::DrawnStoredImage) is given stored,
// for a batch that takes it so, and a picture resampled from a plain image is made without
// asking the platform whether it opens the image (the trial of that kind answered for the
// form); with shrunk as well, at the saved sizes, one the platform makes by shrinking a larger
// plain image (iconres::DrawnShrunkImage).
ListedPictures MakeListedPictures(const FileIcons& file, int index, HICON icon, HICON fallback, int largeSize,
                                  int smallSize, bool drawn = false, bool shrunk = false);
