// Whether the platform opens a bitmap icon image, decided from its bytes where that can be done:
// under Wine asking the platform makes and destroys an icon, several round trips to the server
// for each stored image. Pure code, also built natively for fuzzing.
#pragma once
#include "iconres/IconResources.h"

namespace iconres {

enum class BitmapVerdict {
  Opens,        // the platform's icon creation takes it at its stored size
  Refused,      // no bitmap image the reader takes (CheckImage refuses it)
  AskPlatform,  // a form the platforms do not take alike: only the platform can say
};

// Decided here: the form icons are written with, a 40-byte header, one plane, uncompressed, 1,
// 4, 8, 24 or 32 bits, a colour table no larger than the bits can name (none past 8 bits),
// edges from 1 to kMaxImageEdge, the colour bits and the mask whole inside the bytes. Every
// platform we run on creates an icon of any such image. Asked of the platform: a 12-byte or
// a 108- or 124-byte header, bit fields, 16 bits, a colour table past 8 bits: Wine refuses
// the larger headers and bit fields that Windows' loader reads, and lays a colour table past
// 8 bits out otherwise than the bits' own offset says. A PNG image is not judged here.
BitmapVerdict JudgeBitmap(ByteSpan image);

}  // namespace iconres
