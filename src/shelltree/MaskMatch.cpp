// The mask walk: one forward pass over the mask's tokens.
#include "shelltree/MaskMatch.h"

namespace shelltree {

bool MatchLoweredMask(const std::string& name, const std::string& mask) {
  if (mask.empty()) return false;
  if (mask == "*") return true;
  if (mask == "*.*") return name.find('.') != std::string::npos;
  if (mask.find_first_of("*?") == std::string::npos) return name == mask;

  std::size_t pos = 0;  // in the name
  bool star = false;
  for (std::size_t i = 0; i < mask.size();) {
    char c = mask[i];
    if (c == '*') {
      star = true;
      ++i;
    } else if (c == '?') {
      if (pos >= name.size()) return false;
      ++pos;
      ++i;
    } else {
      std::size_t end = mask.find_first_of("*?", i);
      if (end == std::string::npos) end = mask.size();
      const std::string literal = mask.substr(i, end - i);
      if (star) {
        std::size_t found = name.find(literal, pos);
        if (found == std::string::npos) return false;
        pos = found + literal.size();
        star = false;
      } else {
        if (name.compare(pos, literal.size(), literal) != 0) return false;
        pos += literal.size();
      }
      i = end;
    }
  }
  return star || pos == name.size();
}

}  // namespace shelltree
