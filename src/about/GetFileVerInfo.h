// Reads the text entries of a file's version resource (the About box's texts).
#pragma once
#include <array>
#include <string>
#include <vector>

// The keys read from the version resource, in the order the About box indexes them.
enum VersionKey {
  vkCompanyName, vkFileDescription, vkFileVersion, vkInternalName, vkLegalCopyright,
  vkLegalTradeMarks, vkOriginalFilename, vkProductName, vkProductVersion, vkComments,
};
inline constexpr std::array<const char*, 10> VersionKeys = {
    "CompanyName",      "FileDescription", "FileVersion", "InternalName",   "LegalCopyright",
    "LegalTradeMarks",  "OriginalFilename", "ProductName", "ProductVersion", "Comments"};

// Only the U.S. English / Windows Latin 1 string table is read; the resource's own
// translation table is not consulted.
inline constexpr char VersionQueryPrefix[] = "StringFileInfo\\040904E4\\";

// Stands for an entry that exists but is empty.
inline constexpr char VersionUnknownText[] = "(unknown)";

// Appends one entry per key the file's resource has, in key order (a missing key adds
// nothing, so later entries move up). The list is not cleared first.
void GetVersionStrings(const std::string& fileName, std::vector<std::string>& list);

// The entry for VersionKeys[index]; empty when the file has no version resource, the
// resource lacks the key, or the index is outside the table.
std::string GetVersionString(const std::string& fileName, int index);
