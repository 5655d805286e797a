// Path text primitives that respect the multi-byte code page (a trail byte may equal '\\').
// Only IsLeadByte asks the platform, so the rest also builds natively (for fuzzing). UTF-8 has
// no lead bytes in this sense: every byte of a multi-byte character is 0x80 or more, so the
// walk takes it byte by byte and never finds a delimiter inside a character, and a text is only
// ever cut at a delimiter.
#pragma once
#include <cstddef>
#include <string>

namespace pathtext {

using UINT = unsigned int;
// The system's ANSI code page (the platform's CP_ACP).
inline constexpr UINT kAnsiCodePage = 0;

// Whether the byte opens a two-byte character in the code page (IsDBCSLeadByteEx).
bool IsLeadByte(UINT codePage, unsigned char byte);

// Byte offset of the last whole character of text, or npos for an empty text.
size_t LastCharPos(const std::string& text, UINT codePage = kAnsiCodePage);

// Byte offset of the last character that is one of delims, counting whole characters only.
size_t LastDelimiter(const std::string& text, const char* delims, UINT codePage = kAnsiCodePage);

// Byte offset of the first whole-character backslash, or npos.
size_t FirstBackslash(const std::string& text, UINT codePage = kAnsiCodePage);

// Everything up to and including the last backslash or colon; empty when there is neither.
std::string DirectoryPart(const std::string& path, UINT codePage = kAnsiCodePage);

// The rest after the directory part.
std::string NamePart(const std::string& path, UINT codePage = kAnsiCodePage);

// From the last period to the end when that period follows the last backslash and colon, else
// empty: C:\a\b.tar.GZ gives ".GZ", C:\dir.d\file nothing.
std::string Extension(const std::string& path, UINT codePage = kAnsiCodePage);

// The text with a backslash appended unless its last whole character already is one (drive
// roots end in one). A trail byte of the backslash's value ends a character, not a folder name.
std::string WithTrailingBackslash(const std::string& text, UINT codePage = kAnsiCodePage);

}  // namespace pathtext
