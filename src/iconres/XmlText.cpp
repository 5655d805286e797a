#include "iconres/XmlText.h"

#include <cstdint>

namespace iconres::package {
namespace {

bool XmlChar(std::uint32_t c) {
  return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
         (c >= 0x10000 && c <= 0x10FFFF);
}

bool Utf8(ByteSpan s) {
  for (std::size_t i = 0; i < s.size();) {
    const std::uint8_t lead = s[i];
    std::size_t length = 1;
    std::uint32_t c = lead, least = 0;
    if (lead >= 0xF0 && lead <= 0xF4) length = 4, c = lead & 0x07u, least = 0x10000;
    else if (lead >= 0xE0 && lead <= 0xEF) length = 3, c = lead & 0x0Fu, least = 0x800;
    else if (lead >= 0xC2 && lead <= 0xDF) length = 2, c = lead & 0x1Fu, least = 0x80;
    else if (lead >= 0x80) return false;
    if (length > s.size() - i) return false;
    for (std::size_t k = 1; k < length; ++k) {
      if ((s[i + k] & 0xC0u) != 0x80u) return false;
      c = (c << 6) | (s[i + k] & 0x3Fu);
    }
    if (c < least || !XmlChar(c)) return false;  // overlong forms and surrogates included
    i += length;
  }
  return true;
}

bool Utf16(ByteSpan s, bool little) {
  if (s.size() % 2 != 0) return false;
  auto unit = [&](std::size_t i) -> std::uint32_t {
    return little ? s[i] | (s[i + 1] << 8) : (s[i] << 8) | s[i + 1];
  };
  for (std::size_t i = 0; i < s.size(); i += 2) {
    std::uint32_t c = unit(i);
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (s.size() - i < 4) return false;
      const std::uint32_t low = unit(i + 2);
      if (low < 0xDC00 || low > 0xDFFF) return false;
      c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
      i += 2;
    }
    if (!XmlChar(c)) return false;
  }
  return true;
}

}  // namespace

bool IsXmlText(ByteSpan bytes) {
  if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) return Utf16(bytes.subspan(2), true);
  if (bytes.size() >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF) return Utf16(bytes.subspan(2), false);
  if (bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) return Utf8(bytes.subspan(3));
  return Utf8(bytes);
}

}  // namespace iconres::package
