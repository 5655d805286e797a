// Image lists for icons added at run time.
#pragma once
#include "win/Handles.h"

namespace win {

// An empty list of size x size images at the display's depth, with masks: what the icon list
// keeps and the save commands read back.
UniqueImageList CreateIconImageList(int size);

}  // namespace win
