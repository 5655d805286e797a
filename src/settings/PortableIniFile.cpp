// The settings file: read once, written whole through a new file that replaces the old one.
#include "settings/PortableIniFile.h"

#include <utility>

#include "settings/IntegerText.h"
#include "win/Handles.h"
#include "win/LongPath.h"

namespace {

using settings::IniDocument;
using settings::IniSection;

IniSection& SectionOf(IniDocument& document, const std::string& name) {
  if (IniSection* s = settings::FindSection(document, name)) return *s;
  return document.emplace_back(IniSection{name, {}});
}

[[noreturn]] void ThrowNotKept(const std::string& path, DWORD error) {
  throw ESettingsFileException(win::FormatMessageText("The settings could not be kept in %s: ", path) +
                               win::SystemErrorText(error) +
                               ". The next start uses the settings the file held before",
                               error);
}

// The text to a new file beside the target, made whole on the disc, then moved over the target.
void WriteReplacing(const std::string& path, const std::string& text) {
  // A file its user marked read-only stays as it is: Windows refuses to replace it, and so does
  // the program where the platform (Wine) would not.
  const DWORD attributes = win::FileAttributes(path);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) ThrowNotKept(path, ERROR_ACCESS_DENIED);
  const std::string temporary = path + "." + std::to_string(GetCurrentProcessId()) + ".new";
  DWORD error = ERROR_SUCCESS;
  {
    win::UniqueHandle<win::FileHandleTraits> file(
        win::OpenFile(temporary, GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL));
    if (!file) ThrowNotKept(path, GetLastError());
    DWORD written = 0;
    if (!WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
        written != text.size() || !FlushFileBuffers(file.get()))
      error = GetLastError() != ERROR_SUCCESS ? GetLastError() : ERROR_WRITE_FAULT;
  }
  if (error == ERROR_SUCCESS &&
      !MoveFileExW(win::FilePath(temporary).c_str(), win::FilePath(path).c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    error = GetLastError();
  if (error != ERROR_SUCCESS) {
    win::RemoveFile(temporary);
    ThrowNotKept(path, error);
  }
}

}  // namespace

std::optional<IniDocument> ReadIniFile(const std::string& path) {
  win::UniqueHandle<win::FileHandleTraits> file(
      win::OpenFile(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING, 0));
  if (!file) return std::nullopt;
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size)) return std::nullopt;
  if (size.QuadPart > static_cast<LONGLONG>(settings::kMaxIniFileSize)) return IniDocument{};
  std::string text(static_cast<size_t>(size.QuadPart), '\0');
  DWORD got = 0;
  if (!text.empty() && !ReadFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &got, nullptr))
    return std::nullopt;
  text.resize(got);
  return settings::ParseIniText(text);
}

TPortableIniFile::TPortableIniFile(std::string path) : path_(std::move(path)) {
  document_ = ReadIniFile(path_).value_or(IniDocument{});
}

void TPortableIniFile::Apply(const Change& change) const {
  IniSection& section = SectionOf(document_, change.section);
  if (change.value) section.Set(change.value->first, change.value->second);
  else section.values.clear();
}

std::string TPortableIniFile::ReadString(const std::string& section, const std::string& name,
                                         const std::string& def) const {
  const IniSection* s = settings::FindSection(document_, section);
  const std::string* value = s ? s->Find(name) : nullptr;
  return value ? *value : def;
}

void TPortableIniFile::WriteString(const std::string& section, const std::string& name,
                                   const std::string& value) const {
  changes_.push_back({section, std::make_pair(name, value)});
  Apply(changes_.back());
}

int TPortableIniFile::ReadInteger(const std::string& section, const std::string& name, int def) const {
  const IniSection* s = settings::FindSection(document_, section);
  const std::string* value = s ? s->Find(name) : nullptr;
  return value ? ParseIntegerText(*value).value_or(def) : def;
}

void TPortableIniFile::WriteInteger(const std::string& section, const std::string& name, int value) const {
  WriteString(section, name, std::to_string(value));
}

bool TPortableIniFile::ReadBool(const std::string& section, const std::string& name, bool def) const {
  return ReadInteger(section, name, def ? 1 : 0) != 0;
}

void TPortableIniFile::WriteBool(const std::string& section, const std::string& name, bool value) const {
  WriteString(section, name, value ? "1" : "0");
}

void TPortableIniFile::EraseSection(const std::string& section) const {
  changes_.push_back({section, std::nullopt});
  Apply(changes_.back());
}

void TPortableIniFile::Keep() {
  // What the file holds now, else this store's copy (a file held open for a moment loses nothing).
  IniDocument now = ReadIniFile(path_).value_or(document_);
  std::swap(now, document_);
  for (const Change& change : changes_) Apply(change);
  try {
    WriteReplacing(path_, settings::IniText(document_));
  } catch (...) {
    // The store keeps this session's values as they were written.
    std::swap(now, document_);
    throw;
  }
  changes_.clear();
}
