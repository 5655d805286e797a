// The one platform question of the path text primitives.
#include <windows.h>

#include "win/PathText.h"

namespace pathtext {

bool IsLeadByte(UINT codePage, unsigned char byte) { return IsDBCSLeadByteEx(codePage, byte) != FALSE; }

}  // namespace pathtext
