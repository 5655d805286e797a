// Integer texts as the settings store keeps them: no Win32 needed, so the parser also builds
// natively for fuzzing.
#include "settings/IntegerText.h"

std::optional<int> ParseIntegerText(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  int base = 10;
  if (i < text.size() && text[i] == '$') {
    base = 16, ++i;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16, i += 2;
  } else if (i < text.size() && (text[i] == 'x' || text[i] == 'X')) {
    base = 16, ++i;
  }
  if (i >= text.size()) return std::nullopt;
  unsigned long long v = 0;
  for (; i < text.size(); ++i) {
    char c = text[i];
    int d = c >= '0' && c <= '9'                 ? c - '0'
            : base == 16 && c >= 'a' && c <= 'f' ? c - 'a' + 10
            : base == 16 && c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                 : -1;
    if (d < 0) return std::nullopt;
    v = v * base + d;
    if (v > 0xFFFFFFFFull) return std::nullopt;
  }
  if (base == 16) {
    // Eight hex digits fill all 32 bits; the sign then negates modulo 2^32, so "-$80000000"
    // stays the smallest int rather than overflowing.
    auto bits = static_cast<unsigned>(v);
    return static_cast<int>(negative ? 0u - bits : bits);
  }
  if (negative ? v > 0x80000000ull : v > 0x7FFFFFFFull) return std::nullopt;
  return negative ? static_cast<int>(-static_cast<long long>(v)) : static_cast<int>(v);
}
