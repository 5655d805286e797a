// Window-free steps of the extraction run: type filter, name part, path shortening, entry order.
#pragma once
#include <functional>
#include <string>
#include <windows.h>

#include "extract/PathFit.h"

// The text from the last period to the end, provided that period comes after the last
// backslash and colon; otherwise empty.
std::string FileExtension(const std::string& file);

// text with only the letters A to Z lowered (other bytes, including multi-byte ones, kept).
std::string LowerAsciiLetters(std::string text);

// True when the file is to be asked for icons: always when extractFromAll, otherwise when its
// extension is non-empty and occurs anywhere in fileTypes, both compared in lower case.
bool PassesTypeFilter(const std::string& file, const std::string& fileTypes, bool extractFromAll);

// The file's name without its folder: the part after the last backslash or colon.
std::string FileNamePart(const std::string& file);

// The same, measured with GetTextExtentPoint32A in font on a screen-compatible memory DC.
std::string FitPathToWidth(const std::string& path, HFONT font, int maxWidth);

// The order of the run's entries by caption, wherever it matters: locale-aware over whole
// characters, as win::CompareText (<0, 0, >0).
int CompareCaptions(const char* a, const char* b);

// Order of icon list entries: captions by CompareCaptions; equal captions by image-list slot,
// which is the order the run added them, so each file's icons stay in index order.
int CompareIconEntries(const std::string& captionA, int slotA, const std::string& captionB, int slotB);
