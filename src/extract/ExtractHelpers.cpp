// Window-free steps of the extraction run.
#include "extract/ExtractHelpers.h"

#include "win/Handles.h"
#include "win/PathText.h"
#include "win/Text.h"


std::string LowerAsciiLetters(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

bool PassesTypeFilter(const std::string& file, const std::string& fileTypes, bool extractFromAll) {
  if (extractFromAll) return true;
  // An installed Store app is known by its manifest's name, whatever the types listed.
  if (LowerAsciiLetters(pathtext::NamePart(file)) == "appxmanifest.xml") return true;
  const std::string ext = LowerAsciiLetters(pathtext::Extension(file));
  return !ext.empty() && LowerAsciiLetters(fileTypes).find(ext) != std::string::npos;
}

std::string UnreadableText(std::size_t files) {
  if (files == 0) return {};
  return std::to_string(files) + (files == 1 ? " file" : " files") + " could not be read";
}

std::string UnreadableTip(const std::vector<std::string>& files) {
  constexpr std::size_t kNamed = 5;
  std::string tip;
  for (std::size_t i = 0; i < files.size() && i < kNamed; ++i) tip += (i ? "\r\n" : "") + files[i];
  if (files.size() > kNamed) tip += "\r\nand " + std::to_string(files.size() - kNamed) + " more";
  return tip;
}

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
