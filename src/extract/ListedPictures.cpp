// The list's pictures of one icon, for the window's run and for the list made again at a new scale.
#include "extract/ListedPictures.h"

#include <algorithm>

HICON ListPicture::get() const {
  if (!own_ && !made_.argb.empty()) {
    own_.reset(iconscale::IconFromPixels(made_));
    if (!own_) made_ = {};
  }
  return own_ ? own_.get() : instead_;
}

ListedPictures MakeListedPictures(const FileIcons& file, int index, HICON icon, HICON fallback, int largeSize,
                                  int smallSize) {
  ListedPictures p;
  // The run's own icon is made at the saved large size; another fallback's edge is not known.
  const int fallbackEdge = fallback == icon ? kSavedLargeSize : 0;
  if (largeSize == kSavedLargeSize) {
    // The small slot from the file's own small image; the list scales the large one where
    // that cannot be read.
    p.large = ListPicture({}, 0, icon, kSavedLargeSize);
    p.small = ListPicture(file.Icon(index, kSavedSmallSize), kSavedSmallSize, icon, kSavedLargeSize);
    return p;
  }
  // At twice the design scale the small entries show the saved large size; where the file
  // stores that size the picture is the run's own icon, which need not be made again.
  const bool runIconShown = icon && smallSize == kSavedLargeSize && index < file.Count() &&
                            std::ranges::any_of(file.Group(index).images, [&](const iconres::IconImage& image) {
                              return image.intact && image.width == smallSize && image.height == smallSize;
                            });
  const auto shown = [&](int size) {
    ShownPicture picture = file.Shown(index, size);
    return picture.icon || picture.pixels.argb.empty()
               ? ListPicture(std::move(picture.icon), size, fallback, fallbackEdge)
               : ListPicture(std::move(picture.pixels), fallback, fallbackEdge);
  };
  p.large = shown(largeSize);
  p.small = runIconShown ? ListPicture({}, 0, icon, kSavedLargeSize) : shown(smallSize);
  return p;
}
