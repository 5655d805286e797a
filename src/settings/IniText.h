// The text of a settings file: sections of "name=value" lines. Pure code over the file's
// bytes, so it is tested and fuzzed without Win32. Anyone can edit the file: what cannot be
// read is left out, and writing the result back gives a sound file.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace settings {

// A line longer than this holds no value the program wrote (its longest, the file types,
// stays under 4,096 characters): it is left out whole.
inline constexpr std::size_t kMaxIniLineLength = 65536;
// A larger file is no settings file; it reads as empty.
inline constexpr std::size_t kMaxIniFileSize = 16u << 20;

struct IniSection {
  std::string name;
  // Each name once (matched without regard to case), in the order of the file.
  std::vector<std::pair<std::string, std::string>> values;

  const std::string* Find(std::string_view key) const;
  void Set(const std::string& key, const std::string& value);
};
using IniDocument = std::vector<IniSection>;

// The sections of the text, each value name once (the first one counts; a section named again
// goes on in the first). Left out:
// lines before the first section, comments (";" or "#"), lines without "=" or a name, lines
// longer than kMaxIniLineLength and lines holding control characters (a binary file, a file in
// UTF-16). Blanks around names and values are no part of them; a UTF-8 byte order mark is skipped.
IniDocument ParseIniText(std::string_view text);

// The file's text, with Windows line ends; a value's control characters are written as blanks,
// since a line cannot hold a line break.
std::string IniText(const IniDocument& document);

IniSection* FindSection(IniDocument& document, std::string_view name);
const IniSection* FindSection(const IniDocument& document, std::string_view name);

}  // namespace settings
