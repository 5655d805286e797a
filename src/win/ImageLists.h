// Image lists for icons added at run time.
#pragma once
#include "win/Handles.h"

namespace win {

// An empty list of size x size images at the display's depth, with masks: what the icon list
// keeps and the save commands read back. It grows by `grow` images at a time.
UniqueImageList CreateIconImageList(int size, int grow = 256);

}  // namespace win
