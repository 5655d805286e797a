// The program's texts and the platform's wide ones. The program calls the ANSI functions, whose
// code page is UTF-8 where the system honours the manifest's setting (Windows 10 1903 and
// later), and a single- or double-byte code page on older systems, where a name the code page
// cannot spell has to be reached by its short 8.3 form.
#pragma once
#include <windows.h>

#include <string>
#include <string_view>

namespace win {

// Whether the ANSI code page of this process is UTF-8.
bool AnsiIsUtf8();

// The text in UTF-16; empty when it is not valid in the ANSI code page.
std::wstring Widen(std::string_view text);

// The wide text in the ANSI code page; a character the code page lacks becomes its default
// character ('?'), so such a text names nothing: use ExactNarrow for names.
std::string Narrow(std::wstring_view text);

// The wide text in the ANSI code page when the code page spells every character of it (no '?',
// no look-alike letter); false otherwise.
bool ExactNarrow(std::wstring_view text, std::string& out);

// A wide path as the ANSI calls take it: exactly, or else its short 8.3 form where the file
// system keeps one and the code page spells that; or else the lossy spelling, which names
// nothing.
std::string PathFromWide(const wchar_t* path);

// The text in UTF-8, whatever the ANSI code page.
std::string ToUtf8(std::string_view text);
std::string ToUtf8(std::wstring_view text);

// Length in UTF-16 units, as the platform counts the limits of paths (MAX_PATH).
size_t PlatformLength(std::string_view text);

// How many bytes of the text, at most limit, end with a whole character of the ANSI code
// page: where a text is cut to fit a buffer, no character is cut in two.
size_t WholeCharacters(std::string_view text, size_t limit);

// Locale-aware comparison in the user's locale, over the whole characters of both texts
// (CompareStringW flags such as NORM_IGNORECASE): <0, 0, >0.
int CompareText(std::string_view a, std::string_view b, DWORD flags = 0);
// The text's sort key under the same rules: two keys compared byte by byte order as
// CompareText orders their texts. Empty where the platform gives none.
std::string SortKey(std::string_view text, DWORD flags = 0);

// DrawTextW of the text: GDI's ANSI text functions keep the system's code page whatever the
// program's is, so the program's texts are drawn and measured wide.
int DrawText(HDC dc, const std::string& text, RECT& rect, UINT format);

// The window's text, however long.
std::string WindowText(HWND window);

// The full path of a path; empty when the platform cannot make one.
std::string FullPathName(const std::string& path);

// The path of a loaded module (nullptr: the program); empty when it cannot be read.
std::string ModuleFileName(HMODULE module = nullptr);

// A path another program can open whatever its own code page: the path when it is plain
// ASCII, else its short 8.3 path when that is, else the path.
std::string PathForOtherPrograms(const std::string& path);

}  // namespace win
