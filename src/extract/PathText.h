// Path text primitives that respect the multi-byte code page (a trail byte may equal '\\').
#pragma once
#include <string>
#include <windows.h>

namespace pathtext {

// Byte offset of the last whole character of text, or npos for an empty text.
size_t LastCharPos(const std::string& text, UINT codePage = CP_ACP);

// Byte offset of the last character that is one of delims, counting whole characters only.
size_t LastDelimiter(const std::string& text, const char* delims, UINT codePage = CP_ACP);

// Byte offset of the first whole-character backslash, or npos.
size_t FirstBackslash(const std::string& text, UINT codePage = CP_ACP);

// Everything up to and including the last backslash or colon; empty when there is neither.
std::string DirectoryPart(const std::string& path, UINT codePage = CP_ACP);

// The rest after the directory part.
std::string NamePart(const std::string& path, UINT codePage = CP_ACP);

}  // namespace pathtext
