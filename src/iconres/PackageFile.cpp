// Packages and installers into icon groups: where their files come from (a folder, a zip, the
// zips inside a bundle) and what each form is refused for.
#include "iconres/PackageFile.h"

#include <windows.h>

#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "iconres/AppxManifest.h"
#include "iconres/InstallerIcons.h"
#include "iconres/PackageLogos.h"
#include "iconres/ZipArchive.h"
#include "win/Handles.h"
#include "win/LongPath.h"
#include "win/PathText.h"
#include "win/Text.h"

namespace iconres {
namespace {

constexpr const char* kManifest = "AppxManifest.xml";
constexpr std::size_t kMaxFolderFiles = 20000, kMaxFolderDepth = 8;

std::string Lower(std::string s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return s;
}

bool EndsWith(const std::string& lower, const char* end) {
  const std::string e = end;
  return lower.size() >= e.size() && lower.compare(lower.size() - e.size(), e.size(), e) == 0;
}

std::string RefusalOf(zip::Status status) {
  switch (status) {
    case zip::Status::Encrypted: return "the package is encrypted";
    case zip::Status::TooLarge: return "the package inflates past any real package's size: refused";
    default: return {};
  }
}

// A file of a package folder, read whole when it is no larger than a logo can be.
std::optional<Bytes> ReadSmallFile(const std::wstring& path) {
  win::UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size{};
  if (!file || !GetFileSizeEx(file.get(), &size) || size.QuadPart <= 0 ||
      static_cast<unsigned long long>(size.QuadPart) > package::kMaxLogoBytes)
    return std::nullopt;
  Bytes bytes(static_cast<std::size_t>(size.QuadPart));
  DWORD read = 0;
  if (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) || read != bytes.size())
    return std::nullopt;
  return bytes;
}

// The PNG files under a package folder by their paths in it ('/' between folders), bounded.
void ListPngFiles(const std::wstring& folder, const std::string& prefix, std::size_t depth,
                  std::map<std::string, std::wstring>& files) {
  WIN32_FIND_DATAW found{};
  HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    if (files.size() >= kMaxFolderFiles) break;
    const std::string relative = prefix + win::ToUtf8(name);
    // A link inside the package could lead out of it, or round in a circle.
    if (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (depth < kMaxFolderDepth) ListPngFiles(folder + L"\\" + name, relative + "/", depth + 1, files);
    } else if (EndsWith(Lower(relative), ".png")) {
      files.emplace(relative, folder + L"\\" + name);
    }
  } while (FindNextFileW(find, &found));
  FindClose(find);
}

std::vector<std::string> Names(const std::map<std::string, std::wstring>& files) {
  std::vector<std::string> names;
  for (const auto& [name, path] : files) names.push_back(name);
  return names;
}

// A logo without a caption of its own is called by the package's file or folder name.
void CaptionLogos(package::Manifest& manifest, const std::string& fallback) {
  for (package::Logo& logo : manifest.logos)
    if (logo.caption.empty()) logo.caption = fallback;
}

IconFile Finished(IconFileContents contents, Bytes buffer) {
  IconFile file;
  file.bytes = FileBytes(std::move(buffer));
  file.contents = std::move(contents);
  return file;
}

IconFile FromFolder(const std::string& manifestPath) {
  FileBytes xml(manifestPath);
  std::optional<package::Manifest> manifest = package::ReadManifest(xml.Span());
  IconFileContents none;
  none.kind = FileKind::Package;
  none.damaged = true;
  if (!manifest) return Finished(std::move(none), {});
  const std::string folder = pathtext::DirectoryPart(manifestPath);
  std::string folderName = folder;
  if (!folderName.empty() && folderName.back() == '\\') folderName.pop_back();
  CaptionLogos(*manifest, pathtext::NamePart(folderName));
  std::map<std::string, std::wstring> files;
  std::wstring wideFolder = win::FilePath(folderName);
  if (!wideFolder.empty()) ListPngFiles(wideFolder, "", 0, files);
  Bytes buffer;
  IconFileContents contents = package::LogoGroups(
      manifest->logos, Names(files),
      [&](const std::string& name) -> std::optional<Bytes> {
        const auto at = files.find(name);
        return at == files.end() ? std::nullopt : ReadSmallFile(at->second);
      },
      buffer);
  return Finished(std::move(contents), std::move(buffer));
}

// An entry's bytes; none when it cannot be read, the first refusal of the package kept.
std::optional<Bytes> ReadEntry(zip::Archive& archive, const zip::Entry& entry, std::string& refused) {
  Bytes buffer;
  ByteSpan view;
  const zip::Status status = archive.Read(entry, buffer, view);
  if (status != zip::Status::Ok) {
    if (refused.empty()) refused = RefusalOf(status);
    return std::nullopt;
  }
  if (buffer.empty()) buffer.assign(view.begin(), view.end());  // a stored entry: a view of the archive
  return buffer;
}

// The packages a logo's files can come from, and which of them holds each name.
struct Sources {
  std::vector<zip::Archive> archives;
  std::map<std::string, std::size_t> names;  // a PNG entry's name -> its archive
  std::string refused;
  bool damaged = false;

  void Add(zip::Archive archive) {
    if (archive.State() != zip::Status::Ok) {
      damaged = true;
      if (refused.empty()) refused = RefusalOf(archive.State());
    }
    for (const zip::Entry& e : archive.Entries())
      if (EndsWith(Lower(e.name), ".png")) names.emplace(e.name, archives.size());
    archives.push_back(std::move(archive));
  }
  std::optional<Bytes> Read(const std::string& name) {
    const auto at = names.find(name);
    if (at == names.end()) return std::nullopt;
    zip::Archive& archive = archives[at->second];
    const zip::Entry* entry = archive.Find(name);
    if (!entry) return std::nullopt;
    if (entry->size > package::kMaxLogoBytes) {
      if (refused.empty()) refused = RefusalOf(zip::Status::TooLarge);
      return std::nullopt;
    }
    return ReadEntry(archive, *entry, refused);
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> list;
    for (const auto& [name, archive] : names) list.push_back(name);
    return list;
  }
};

std::optional<package::Manifest> ManifestIn(zip::Archive& archive, std::string& refused) {
  const zip::Entry* entry = archive.Find(kManifest);
  if (!entry) return std::nullopt;
  if (entry->size > package::kMaxManifestBytes) return std::nullopt;
  const std::optional<Bytes> xml = ReadEntry(archive, *entry, refused);
  if (!xml) return std::nullopt;
  return package::ReadManifest(*xml);
}

bool HasApplication(const package::Manifest& manifest) {
  for (const package::Logo& logo : manifest.logos)
    if (logo.attribute != "Package logo") return true;
  return false;
}

IconFile FromArchive(const std::string& path, bool bundle) {
  IconFileContents contents;
  contents.kind = FileKind::Package;
  FileBytes bytes(path);
  if (bytes.Error() != 0) {
    IconFile failed;
    failed.bytes = std::move(bytes);
    failed.contents = std::move(contents);
    return failed;
  }
  zip::Archive outer(bytes.Span());
  Sources sources;
  std::optional<package::Manifest> manifest;
  std::vector<Bytes> inflatedPackages;  // nested packages that were deflated, kept while read
  if (!bundle) {
    sources.Add(std::move(outer));
    manifest = ManifestIn(sources.archives.front(), sources.refused);
  } else {
    if (outer.State() != zip::Status::Ok) {
      sources.damaged = true;
      sources.refused = RefusalOf(outer.State());
    }
    for (const zip::Entry& e : outer.Entries()) {
      const std::string name = Lower(e.name);
      if (name.find('/') != std::string::npos || (!EndsWith(name, ".appx") && !EndsWith(name, ".msix"))) continue;
      Bytes buffer;
      ByteSpan view;
      // Nested packages are stored whole in real bundles; each checks its own entries.
      const zip::Status status = outer.Read(e, buffer, view, false);
      if (status != zip::Status::Ok) {
        sources.damaged = true;
        if (sources.refused.empty()) sources.refused = RefusalOf(status);
        continue;
      }
      if (!buffer.empty()) {
        inflatedPackages.push_back(std::move(buffer));
        view = inflatedPackages.back();
      }
      zip::Archive inner(view);
      std::optional<package::Manifest> found = ManifestIn(inner, sources.refused);
      if (found && (!manifest || (!HasApplication(*manifest) && HasApplication(*found)))) manifest = std::move(found);
      sources.Add(std::move(inner));
    }
  }
  if (!manifest) {
    contents.damaged = true;
    contents.refused = sources.refused;
    return Finished(std::move(contents), {});
  }
  CaptionLogos(*manifest, pathtext::NamePart(path));
  Bytes buffer;
  contents = package::LogoGroups(
      manifest->logos, sources.Names(), [&](const std::string& name) { return sources.Read(name); }, buffer);
  contents.damaged = contents.damaged || sources.damaged;
  contents.refused = sources.refused;
  return Finished(std::move(contents), std::move(buffer));
}

IconFile FromInstaller(const std::string& path) {
  const installer::InstallerIcons icons = installer::ReadInstallerIcons(path);
  if (icons.error != 0) {
    IconFile failed;
    failed.bytes = FileBytes::Failed(icons.error);
    failed.contents.kind = FileKind::Installer;
    return failed;
  }
  Bytes buffer;
  IconFileContents contents = installer::InstallerGroups(icons, buffer);
  return Finished(std::move(contents), std::move(buffer));
}

}  // namespace

Container ContainerOf(const std::string& path) {
  const std::string name = Lower(pathtext::NamePart(path));
  if (name == Lower(kManifest)) return Container::Manifest;
  const std::string ext = Lower(pathtext::Extension(path));
  if (ext == ".msix" || ext == ".appx") return Container::Package;
  if (ext == ".msixbundle" || ext == ".appxbundle") return Container::Bundle;
  if (ext == ".emsix" || ext == ".eappx" || ext == ".emsixbundle" || ext == ".eappxbundle")
    return Container::EncryptedPackage;
  if (ext == ".msi") return Container::Installer;
  return Container::None;
}

IconFile LoadContainer(const std::string& path, Container kind) {
  switch (kind) {
    case Container::Manifest: return FromFolder(path);
    case Container::Package: return FromArchive(path, false);
    case Container::Bundle: return FromArchive(path, true);
    case Container::Installer: return FromInstaller(path);
    case Container::EncryptedPackage: {
      IconFile file;
      file.contents.kind = FileKind::Package;
      file.contents.damaged = true;
      file.contents.refused = RefusalOf(zip::Status::Encrypted);
      return file;
    }
    case Container::None:
    default: return {};
  }
}

}  // namespace iconres
