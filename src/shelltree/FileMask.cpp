// File-name mask matching with the tree's single forward token walk, and mask-text handling.
#include "shelltree/FileMask.h"

#include "shelltree/MaskMatch.h"

#include <windows.h>

#include "win/Text.h"

namespace shelltree {
namespace {

// Lowered as whole characters: in a multi-byte code page a lowered letter may take another
// number of bytes than the capital, which an in-place lowering of the bytes would cut.
std::string Lower(const std::string& s) {
  std::wstring wide = win::Widen(s);
  if (wide.empty()) return s;
  CharLowerBuffW(wide.data(), static_cast<DWORD>(wide.size()));
  return win::Narrow(wide);
}

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

std::string Trim(const std::string& s) {
  std::size_t b = 0, e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

}  // namespace

bool MatchMask(const std::string& nameText, const std::string& maskText) {
  return MatchLoweredMask(Lower(nameText), Lower(maskText));
}

bool MatchMaskList(const std::string& name, const std::vector<std::string>& masks) {
  if (masks.empty()) return true;
  for (const std::string& mask : masks)
    if (MatchMask(name, mask)) return true;
  return false;
}

std::vector<std::string> SplitFileMask(const std::string& textIn) {
  std::string text = Trim(textIn);
  if (text.empty()) text = "*.*";
  std::vector<std::string> masks;
  std::size_t start = 0;
  for (;;) {
    std::size_t end = text.find(';', start);
    std::string part = Trim(text.substr(start, end == std::string::npos ? end : end - start));
    if (!part.empty()) masks.push_back(std::move(part));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return masks;
}

std::string JoinFileMask(const std::vector<std::string>& masks) {
  std::string text;
  for (std::size_t i = 0; i < masks.size(); ++i) {
    if (i) text += ';';
    text += masks[i];
  }
  return text;
}

}  // namespace shelltree
