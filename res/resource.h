// Resource identifiers shared by the resource script and the code.
#pragma once
#define IDI_MAINICON 1        // window icon: 16 to 64 pixels and 256 as PNG, 32-bit with alpha
#define IDB_COLOURIMAGES 101  // seven 16 x 16 images in a strip, magenta = transparent
#define IDB_GREYIMAGES 102    // grey versions of colour images 0 to 5
#define IDB_ABOUTSIDE 103     // About box side picture, 57 x 145, 16 colours
#define IDB_LOGO 104          // maker's logo, 70 x 42
// The toolbar strips at 24 x 24 and 32 x 32, for scaled displays.
#define IDB_COLOURIMAGES24 105
#define IDB_COLOURIMAGES32 106
#define IDB_GREYIMAGES24 107
#define IDB_GREYIMAGES32 108
