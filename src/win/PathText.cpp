// Path text primitives that respect the multi-byte code page.
#include "win/PathText.h"

#include <cstring>

namespace pathtext {
namespace {

// Walks the text character by character; a lead byte swallows the byte after it.
template <class F>
void ForEachChar(const std::string& text, UINT codePage, F f) {
  size_t i = 0;
  while (i < text.size()) {
    size_t len = 1;
    if (IsLeadByte(codePage, static_cast<unsigned char>(text[i])) && i + 1 < text.size()) len = 2;
    if (!f(i, len)) return;
    i += len;
  }
}

}  // namespace

size_t LastCharPos(const std::string& text, UINT codePage) {
  size_t last = std::string::npos;
  ForEachChar(text, codePage, [&](size_t i, size_t) { last = i; return true; });
  return last;
}

size_t LastDelimiter(const std::string& text, const char* delims, UINT codePage) {
  size_t found = std::string::npos;
  ForEachChar(text, codePage, [&](size_t i, size_t len) {
    if (len == 1 && std::strchr(delims, text[i]) != nullptr && text[i] != '\0') found = i;
    return true;
  });
  return found;
}

size_t FirstBackslash(const std::string& text, UINT codePage) {
  size_t found = std::string::npos;
  ForEachChar(text, codePage, [&](size_t i, size_t len) {
    if (len == 1 && text[i] == '\\') {
      found = i;
      return false;
    }
    return true;
  });
  return found;
}

std::string DirectoryPart(const std::string& path, UINT codePage) {
  size_t p = LastDelimiter(path, "\\:", codePage);
  return p == std::string::npos ? std::string() : path.substr(0, p + 1);
}

std::string NamePart(const std::string& path, UINT codePage) {
  size_t p = LastDelimiter(path, "\\:", codePage);
  return p == std::string::npos ? path : path.substr(p + 1);
}

std::string Extension(const std::string& path, UINT codePage) {
  size_t dot = LastDelimiter(path, ".\\:", codePage);
  if (dot == std::string::npos || path[dot] != '.') return {};
  return path.substr(dot);
}

std::string WithTrailingBackslash(const std::string& text, UINT codePage) {
  size_t last = LastCharPos(text, codePage);
  bool endsInBackslash = last != std::string::npos && last + 1 == text.size() && text[last] == '\\';
  return endsInBackslash ? text : text + '\\';
}

}  // namespace pathtext
