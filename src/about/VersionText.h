// The text of one version entry, read from where the version library points into the block.
// No Win32 here, so it also builds natively (for fuzzing).
#pragma once
#include <cstddef>
#include <string>

// The entry's text: up to its NUL, never past the end of the block. `length` is the length
// the library reports. A value with length zero, an empty text, or a pointer outside the
// block gives VersionUnknownText (the entry exists but shows no text of its own).
std::string VersionEntryText(const char* block, std::size_t blockSize, const char* value, unsigned length);
