// Reading and writing the settings file's text.
#include "settings/IniText.h"

namespace settings {

namespace {

bool SameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

bool IsControl(char c) {
  const auto u = static_cast<unsigned char>(c);
  return (u < 0x20 && c != '\t') || u == 0x7F;
}

std::string_view Trimmed(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

}  // namespace

const std::string* IniSection::Find(std::string_view key) const {
  for (const auto& [name, value] : values)
    if (SameText(name, key)) return &value;
  return nullptr;
}

void IniSection::Set(const std::string& key, const std::string& value) {
  for (auto& [name, old] : values)
    if (SameText(name, key)) {
      old = value;
      return;
    }
  values.emplace_back(key, value);
}

IniSection* FindSection(IniDocument& document, std::string_view name) {
  for (IniSection& s : document)
    if (SameText(s.name, name)) return &s;
  return nullptr;
}

const IniSection* FindSection(const IniDocument& document, std::string_view name) {
  return FindSection(const_cast<IniDocument&>(document), name);
}

IniDocument ParseIniText(std::string_view text) {
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  IniDocument document;
  IniSection* current = nullptr;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.size() > kMaxIniLineLength) continue;
    bool control = false;
    for (char c : line) control = control || IsControl(c);
    if (control) continue;
    line = Trimmed(line);
    if (line.empty() || line.front() == ';' || line.front() == '#') continue;
    if (line.front() == '[' && line.back() == ']' && line.size() >= 2) {
      const std::string name(Trimmed(line.substr(1, line.size() - 2)));
      current = FindSection(document, name);
      if (!current) current = &document.emplace_back(IniSection{name, {}});
      continue;
    }
    const std::size_t equals = line.find('=');
    if (!current || equals == std::string_view::npos) continue;
    const std::string_view key = Trimmed(line.substr(0, equals));
    if (key.empty() || current->Find(key)) continue;
    current->values.emplace_back(std::string(key), std::string(Trimmed(line.substr(equals + 1))));
  }
  return document;
}

std::string IniText(const IniDocument& document) {
  std::string out;
  for (const IniSection& s : document) {
    if (!out.empty()) out += "\r\n";
    out += "[" + s.name + "]\r\n";
    for (const auto& [name, value] : s.values) {
      out += name + "=";
      for (char c : value) out += IsControl(c) ? ' ' : c;
      out += "\r\n";
    }
  }
  return out;
}

}  // namespace settings
