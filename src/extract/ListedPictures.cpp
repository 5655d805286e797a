// The list's pictures of one icon, for the window's run and for the list made again at a new scale.
#include "extract/ListedPictures.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "iconres/SoundImage.h"

HICON ListPicture::get() const {
  if (!own_ && !made_.argb.empty()) {
    own_.reset(iconscale::IconFromPixels(made_));
    if (!own_) made_ = {};
  }
  if (!own_ && !stored_.empty()) {
    own_ = iconres::IconFromStored(stored_, ownEdge_, ownEdge_);
    if (!own_) stored_.clear();
  }
  return own_ ? own_.get() : instead_;
}

namespace {

// The image the platform picks for size x size, stored, where it is plain (see
// iconres::DrawnStoredImage) and of that size, or with shrunk, larger (the platform's icon of
// it shrinks it, iconres::DrawnShrunkImage); else empty.
ListPicture StoredPicture(const FileIcons& file, int index, int size, bool shrunk, HICON instead, int insteadEdge) {
  if (index < 0 || index >= file.Count()) return {};
  // Without shrunk, the platform is asked only where the file stores that size.
  if (!shrunk && std::ranges::none_of(file.Group(index).images, [size](const iconres::IconImage& image) {
        return image.intact && image.width == size && image.height == size;
      }))
    return {};
  const iconres::IconImage* image = file.Picked(index, size);
  if (!image || !image->intact || image->width != image->height || image->width < size) return {};
  const iconres::ByteSpan bytes = file.File().Bytes(*image);
  std::optional<iconres::DrawnImage> drawn =
      image->width == size ? iconres::DrawnStoredImage(bytes)
                           : (shrunk ? iconres::DrawnShrunkImage(bytes, size) : std::nullopt);
  if (!drawn) return {};
  return ListPicture(iconres::Bytes(bytes.begin(), bytes.end()), std::move(*drawn), instead, insteadEdge);
}

}  // namespace

ListedPictures MakeListedPictures(const FileIcons& file, int index, HICON icon, HICON fallback, int largeSize,
                                  int smallSize, bool drawn, bool shrunk) {
  ListedPictures p;
  // The run's own icon is made at the saved large size; another fallback's edge is not known.
  const int fallbackEdge = fallback == icon ? kSavedLargeSize : 0;
  // The run's own icon, or the stored image it is made of.
  const auto runIcon = [&] {
    ListPicture stored =
        drawn ? StoredPicture(file, index, kSavedLargeSize, shrunk, icon, kSavedLargeSize) : ListPicture();
    return stored.Drawn() ? std::move(stored) : ListPicture({}, 0, icon, kSavedLargeSize);
  };
  if (largeSize == kSavedLargeSize) {
    // The small slot from the file's own small image; the list scales the large one where
    // that cannot be read.
    p.large = runIcon();
    if (drawn) p.small = StoredPicture(file, index, kSavedSmallSize, shrunk, icon, kSavedLargeSize);
    if (!p.small.Drawn())
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
    if (drawn)
      if (ListPicture stored = StoredPicture(file, index, size, false, fallback, fallbackEdge); stored.Drawn())
        return stored;
    ShownPicture picture = file.Shown(index, size, drawn);
    return picture.icon || picture.pixels.argb.empty()
               ? ListPicture(std::move(picture.icon), size, fallback, fallbackEdge)
               : ListPicture(std::move(picture.pixels), fallback, fallbackEdge);
  };
  p.large = shown(largeSize);
  p.small = runIconShown ? runIcon() : shown(smallSize);
  return p;
}
