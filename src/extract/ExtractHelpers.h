// Window-free steps of the extraction run: type filter, name part, path shortening, entry order.
#pragma once
#include <functional>
#include <string>
#include <vector>
#include <windows.h>

#include "extract/PathFit.h"

// text with only the letters A to Z lowered (other bytes, including multi-byte ones, kept).
std::string LowerAsciiLetters(std::string text);

// True when the file is to be asked for icons: always when extractFromAll, otherwise when its
// extension is non-empty and occurs anywhere in fileTypes, both compared in lower case.
bool PassesTypeFilter(const std::string& file, const std::string& fileTypes, bool extractFromAll);

// The same, measured with GetTextExtentPoint32A in font on a screen-compatible memory DC.
std::string FitPathToWidth(const std::string& path, HFONT font, int maxWidth);

// What the window says after a run about the files it could not open or read: "1 file could
// not be read", "3 files could not be read"; empty when there were none.
std::string UnreadableText(std::size_t files);
// The tip that names them: the first few, one a line, and how many more there are.
std::string UnreadableTip(const std::vector<std::string>& files);

// The order of the run's entries by caption, wherever it matters: locale-aware over whole
// characters, as win::CompareText (<0, 0, >0).
int CompareCaptions(const char* a, const char* b);

// Order of icon list entries: captions by CompareCaptions; equal captions by image-list slot,
// which is the order the run added them, so each file's icons stay in index order.
int CompareIconEntries(const std::string& captionA, int slotA, const std::string& captionB, int slotB);
