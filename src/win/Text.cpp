// Conversions between the program's texts and the platform's wide ones.
#include "win/Text.h"

#include <algorithm>
#include <vector>

namespace win {

namespace {

// Wide text of a short input without touching the heap; longer texts use the string.
class WideText {
 public:
  explicit WideText(std::string_view text) {
    if (text.empty()) return;
    const int size = static_cast<int>(text.size());
    int n = MultiByteToWideChar(CP_ACP, 0, text.data(), size, local_, kLocal);
    if (n == 0 && GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
      n = MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
      heap_.resize(static_cast<size_t>(std::max(n, 0)));
      if (n > 0) n = MultiByteToWideChar(CP_ACP, 0, text.data(), size, heap_.data(), n);
      data_ = heap_.data();
    }
    length_ = std::max(n, 0);
  }
  WideText(const WideText&) = delete;
  WideText& operator=(const WideText&) = delete;
  const wchar_t* data() const { return data_; }
  int length() const { return length_; }

 private:
  static constexpr int kLocal = 256;
  wchar_t local_[kLocal];
  std::wstring heap_;
  const wchar_t* data_ = local_;
  int length_ = 0;
};

bool IsAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

}  // namespace

bool AnsiIsUtf8() { return GetACP() == CP_UTF8; }

std::wstring Widen(std::string_view text) {
  const WideText wide(text);
  return std::wstring(wide.data(), static_cast<size_t>(wide.length()));
}

std::string Narrow(std::wstring_view text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int n = WideCharToMultiByte(CP_ACP, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return {};
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, text.data(), size, out.data(), n, nullptr, nullptr);
  return out;
}

bool ExactNarrow(std::wstring_view text, std::string& out) {
  out.clear();
  if (text.empty()) return true;
  const int size = static_cast<int>(text.size());
  // UTF-8 spells every character; only a lone surrogate half cannot be written. The lossy
  // flag and best-fit mapping belong to the other code pages (UTF-8 refuses them).
  const bool utf8 = AnsiIsUtf8();
  const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
  BOOL lossy = FALSE;
  BOOL* lossyFlag = utf8 ? nullptr : &lossy;
  // One call for a name that fits on the stack: a listing converts every name it finds.
  char local[512];
  int n = WideCharToMultiByte(CP_ACP, flags, text.data(), size, local, sizeof local, nullptr, lossyFlag);
  if (n > 0) {
    if (lossy) return false;
    out.assign(local, static_cast<size_t>(n));
    return true;
  }
  if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return false;
  lossy = FALSE;
  n = WideCharToMultiByte(CP_ACP, flags, text.data(), size, nullptr, 0, nullptr, lossyFlag);
  if (n <= 0 || lossy) return false;
  out.assign(static_cast<size_t>(n), '\0');
  if (WideCharToMultiByte(CP_ACP, flags, text.data(), size, out.data(), n, nullptr, lossyFlag) != n || lossy) {
    out.clear();
    return false;
  }
  return true;
}

std::string PathFromWide(const wchar_t* path) {
  std::string out;
  if (!path || ExactNarrow(path, out)) return out;
  std::wstring shortPath(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetShortPathNameW(path, shortPath.data(), static_cast<DWORD>(shortPath.size()));
    if (n == 0) break;
    if (n < shortPath.size()) {
      shortPath.resize(n);
      if (ExactNarrow(shortPath, out)) return out;
      break;
    }
    shortPath.assign(n, L'\0');
  }
  return Narrow(path);
}

std::string ToUtf8(std::string_view text) {
  if (AnsiIsUtf8() || IsAscii(text)) return std::string(text);
  const WideText wide(text);
  return ToUtf8(std::wstring_view(wide.data(), static_cast<size_t>(wide.length())));
}

std::string ToUtf8(std::wstring_view text) {
  if (text.empty()) return {};
  const int length = static_cast<int>(text.size());
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return {};
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), length, out.data(), n, nullptr, nullptr);
  return out;
}

size_t PlatformLength(std::string_view text) {
  if (text.empty()) return 0;
  const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  return n > 0 ? static_cast<size_t>(n) : text.size();
}

int CompareText(std::string_view a, std::string_view b, DWORD flags) {
  const WideText x(a), y(b);
  return CompareStringW(LOCALE_USER_DEFAULT, flags, x.data(), x.length(), y.data(), y.length()) - CSTR_EQUAL;
}

std::string SortKey(std::string_view text, DWORD flags) {
  const WideText wide(text);
  if (wide.length() == 0) return text.empty() ? std::string(1, '\0') : std::string();
  const DWORD how = LCMAP_SORTKEY | flags;
  // One call where the key fits on the stack: a listing makes a key for every name it sorts.
  alignas(wchar_t) char local[1024];
  const int made = LCMapStringW(LOCALE_USER_DEFAULT, how, wide.data(), wide.length(), reinterpret_cast<LPWSTR>(local),
                                sizeof local);
  if (made > 0) return std::string(local, static_cast<size_t>(made));
  if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return {};
  const int bytes = LCMapStringW(LOCALE_USER_DEFAULT, how, wide.data(), wide.length(), nullptr, 0);
  if (bytes <= 0) return {};
  std::string key(static_cast<size_t>(bytes), '\0');
  // The key is bytes, written through the wide signature.
  if (LCMapStringW(LOCALE_USER_DEFAULT, how, wide.data(), wide.length(), reinterpret_cast<LPWSTR>(key.data()), bytes) !=
      bytes)
    return {};
  return key;
}

int DrawText(HDC dc, const std::string& text, RECT& rect, UINT format) {
  const WideText wide(text);
  return DrawTextW(dc, wide.data(), wide.length(), &rect, format);
}

std::string WindowText(HWND window) {
  // The ANSI length is never less than the text's, and may be more.
  std::string text(static_cast<size_t>(std::max(GetWindowTextLengthA(window), 0)) + 1, '\0');
  const int n = GetWindowTextA(window, text.data(), static_cast<int>(text.size()));
  text.resize(static_cast<size_t>(std::max(n, 0)));
  return text;
}

std::string FullPathName(const std::string& path) {
  // Wide, since the ANSI call stops at the old limit.
  const std::wstring wide = Widen(path);
  if (wide.empty()) return {};
  std::wstring full(MAX_PATH, L'\0');
  for (int tries = 0; tries < 4; ++tries) {
    const DWORD n = GetFullPathNameW(wide.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (n == 0) return {};
    if (n < full.size()) return Narrow(std::wstring_view(full.data(), n));
    full.assign(n + 1, L'\0');
  }
  return {};
}

std::string ModuleFileName(HMODULE module) {
  std::vector<char> name(MAX_PATH);
  for (;;) {
    const DWORD n = GetModuleFileNameA(module, name.data(), static_cast<DWORD>(name.size()));
    if (n == 0) return {};
    if (n < name.size() - 1) return std::string(name.data(), n);
    if (name.size() >= 32768 * 4) return {};
    name.assign(name.size() * 2, '\0');
  }
}

std::string PathForOtherPrograms(const std::string& path) {
  if (IsAscii(path)) return path;
  const std::wstring wide = Widen(path);
  std::wstring shortPath(MAX_PATH, L'\0');
  const DWORD n = GetShortPathNameW(wide.c_str(), shortPath.data(), static_cast<DWORD>(shortPath.size()));
  if (n == 0 || n >= shortPath.size()) return path;
  shortPath.resize(n);
  if (!std::all_of(shortPath.begin(), shortPath.end(), [](wchar_t c) { return c < 0x80; })) return path;
  return std::string(shortPath.begin(), shortPath.end());
}

size_t WholeCharacters(std::string_view text, size_t limit) {
  if (text.size() <= limit) return text.size();
  size_t n = 0;
  if (AnsiIsUtf8()) {
    // Back from the limit to the start of the character that crosses it.
    n = limit;
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
    return n;
  }
  while (n < text.size()) {
    const size_t step = IsDBCSLeadByte(static_cast<BYTE>(text[n])) && n + 1 < text.size() ? 2 : 1;
    if (n + step > limit) break;
    n += step;
  }
  return n;
}

}  // namespace win
