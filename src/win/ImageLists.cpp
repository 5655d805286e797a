// Image lists for icons added at run time.
#include "win/ImageLists.h"

namespace win {

UniqueImageList CreateIconImageList(int size, int grow) {
  // Each growth copies every image so far: a large step keeps a run of thousands of icons
  // from paying again and again for the icons it already has.
  UniqueImageList list(ImageList_Create(size, size, ILC_COLORDDB | ILC_MASK, 0, grow));
  ImageList_SetBkColor(list.get(), CLR_NONE);
  return list;
}

}  // namespace win
