// Shortening a path to a width, folder by folder from the front. No Win32 here, so it also
// builds natively (for fuzzing); the measure says how wide a text is.
#pragma once
#include <functional>
#include <string>

// One shortening step on a directory text: the first folder becomes "...".
void DropFirstFolder(std::string& dir);

// Width in pixels of a text; FitPathToWidth's measure.
using TMeasureText = std::function<int(const std::string& text)>;

// path with leading folders replaced by "..." until measure(result) <= maxWidth, or until only
// the name is left.
std::string FitPathToWidth(const std::string& path, const TMeasureText& measure, int maxWidth);
