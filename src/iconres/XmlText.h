// Whether bytes are text an XML document may hold, checked before the platform's XML reader sees
// them: Wine's reader takes a NUL for the end of its buffer, and a document that is no text is
// no manifest whatever the reader makes of it.
#pragma once
#include "iconres/IconResources.h"

namespace iconres::package {

// True for UTF-8 (with or without its mark) or UTF-16 with its mark, each character one XML
// allows (tab, line breaks, and the printable planes without surrogates, U+FFFE and U+FFFF).
bool IsXmlText(ByteSpan bytes);

}  // namespace iconres::package
