// Window-free steps of the extraction run.
#include "extract/ExtractHelpers.h"

#include "extract/PathText.h"
#include "win/Handles.h"
#include "win/Text.h"

std::string FileExtension(const std::string& file) {
  size_t dot = pathtext::LastDelimiter(file, ".\\:");
  if (dot == std::string::npos || file[dot] != '.') return {};
  return file.substr(dot);
}

std::string LowerAsciiLetters(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

bool PassesTypeFilter(const std::string& file, const std::string& fileTypes, bool extractFromAll) {
  if (extractFromAll) return true;
  const std::string ext = LowerAsciiLetters(FileExtension(file));
  return !ext.empty() && LowerAsciiLetters(fileTypes).find(ext) != std::string::npos;
}

std::string FileNamePart(const std::string& file) { return pathtext::NamePart(file); }

std::string FitPathToWidth(const std::string& path, HFONT font, int maxWidth) {
  win::UniqueDC dc(CreateCompatibleDC(nullptr));
  win::SelectInDC selected(dc.get(), font);
  return FitPathToWidth(
      path,
      [&](const std::string& text) {
        // The ANSI text functions of GDI keep the system's code page whatever the program's is.
        const std::wstring wide = win::Widen(text);
        SIZE size{};
        GetTextExtentPoint32W(dc.get(), wide.c_str(), static_cast<int>(wide.size()), &size);
        return static_cast<int>(size.cx);
      },
      maxWidth);
}

int CompareCaptions(const char* a, const char* b) { return win::CompareText(a, b); }

int CompareIconEntries(const std::string& captionA, int slotA, const std::string& captionB, int slotB) {
  int byCaption = CompareCaptions(captionA.c_str(), captionB.c_str());
  if (byCaption != 0) return byCaption;
  return slotA < slotB ? -1 : (slotA > slotB ? 1 : 0);
}
