// File-name masks of the folder tree: matching a name against one mask or a list of them, and
// the mask text the tree's FileMask property reads and writes.
#pragma once
#include <string>
#include <vector>

namespace shelltree {

// Case-insensitive wildcard match. "*" matches every name, "*.*" every name with a period, a
// mask without wildcards only the equal name, an empty mask nothing. Otherwise "?" takes one
// character and a literal after "*" binds to its first occurrence, without back-tracking.
bool MatchMask(const std::string& name, const std::string& mask);

// True when `masks` is empty or any of its masks matches.
bool MatchMaskList(const std::string& name, const std::vector<std::string>& masks);

// The masks of a mask text: split at ";", each part trimmed, empty parts left out; a blank
// text means "*.*".
std::vector<std::string> SplitFileMask(const std::string& text);

// The mask text of a list: the masks joined with ";".
std::string JoinFileMask(const std::vector<std::string>& masks);

}  // namespace shelltree
