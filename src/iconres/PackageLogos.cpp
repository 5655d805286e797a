// Package qualifier names and the logo sets they make.
#include "iconres/PackageLogos.h"

#include <algorithm>
#include <map>
#include <tuple>

namespace iconres::package {
namespace {

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c == '\\') c = '/';
    else if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

std::vector<std::string_view> Split(std::string_view s, char by) {
  std::vector<std::string_view> parts;
  for (std::size_t from = 0;;) {
    const std::size_t at = s.find(by, from);
    parts.push_back(s.substr(from, at == std::string_view::npos ? std::string_view::npos : at - from));
    if (at == std::string_view::npos) return parts;
    from = at + 1;
  }
}

std::optional<int> Number(std::string_view s) {
  if (s.empty() || s.size() > 5) return std::nullopt;
  int n = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return std::nullopt;
    n = n * 10 + (c - '0');
  }
  return n;
}

// One part of a qualified name ("scale-200", "altform-unplated", or several joined by '_'),
// lower case, added to q; false when any of it is not a qualifier.
bool TakeQualifiers(std::string_view text, Qualifiers& q) {
  for (std::string_view token : Split(text, '_')) {
    const std::size_t dash = token.find('-');
    if (dash == std::string_view::npos || dash == 0 || dash + 1 == token.size()) return false;
    const std::string_view key = token.substr(0, dash), value = token.substr(dash + 1);
    if (key == "scale" || key == "targetsize") {
      const std::optional<int> n = Number(value);
      if (!n) return false;
      (key == "scale" ? q.scale : q.targetSize) = *n;
    } else if (key == "altform") {
      q.altForm = value;
    } else if (key == "contrast") {
      q.contrast = value == "standard" ? "" : std::string(value);
    } else if (key == "theme") {
      q.theme = value;
    } else if (key != "lang" && key != "language" && key != "dxfeaturelevel" && key != "homeregion" &&
               key != "config" && key != "layoutdir" && key != "device") {
      return false;
    }
  }
  return true;
}

// The order Windows' sets are listed in: plated, unplated, light unplated, then the rest; the
// high-contrast ones last.
std::tuple<bool, int, std::string, std::string> Rank(const Qualifiers& q) {
  const int form = q.altForm.empty() ? 0 : q.altForm == "unplated" ? 1 : q.altForm == "lightunplated" ? 2 : 3;
  return {!q.contrast.empty(), form, q.theme, q.contrast + "/" + q.altForm};
}

}  // namespace

std::string Qualifiers::SetName() const {
  std::vector<std::string> parts;
  if (altForm == "lightunplated") parts.push_back("light unplated");
  else if (!altForm.empty()) parts.push_back(altForm);
  if (contrast == "high") parts.push_back("high contrast");
  else if (!contrast.empty()) parts.push_back("high contrast " + contrast);
  if (!theme.empty()) parts.push_back(theme + " theme");
  std::string name;
  for (const std::string& part : parts) name += (name.empty() ? "" : ", ") + part;
  return name;
}

bool InsidePackage(std::string_view path) {
  if (path.empty() || path.size() > 1024 || path.front() == '/' || path.front() == '\\') return false;
  if (path.find(':') != std::string_view::npos) return false;
  const std::string lower = Lower(path);  // named: the parts are views of it
  for (std::string_view part : Split(lower, '/')) {
    if (part.empty() || part == "." || part == "..") return false;
  }
  return true;
}

std::optional<Qualifiers> VariantOf(std::string_view logoPath, std::string_view path) {
  if (!InsidePackage(logoPath) || !InsidePackage(path)) return std::nullopt;
  const std::string logo = Lower(logoPath), file = Lower(path);
  const std::vector<std::string_view> logoParts = Split(logo, '/'), parts = Split(file, '/');
  if (parts.size() < logoParts.size()) return std::nullopt;
  Qualifiers q;
  for (std::size_t i = 0; i + 1 < logoParts.size(); ++i)
    if (parts[i] != logoParts[i]) return std::nullopt;
  for (std::size_t i = logoParts.size() - 1; i + 1 < parts.size(); ++i)
    if (!TakeQualifiers(parts[i], q)) return std::nullopt;
  const std::string_view logoName = logoParts.back(), name = parts.back();
  const std::size_t dot = logoName.rfind('.');
  const std::string_view stem = logoName.substr(0, dot), ext = dot == std::string_view::npos ? "" : logoName.substr(dot);
  if (name.size() < stem.size() + ext.size() || name.substr(0, stem.size()) != stem ||
      name.substr(name.size() - ext.size()) != ext)
    return std::nullopt;
  const std::string_view middle = name.substr(stem.size(), name.size() - stem.size() - ext.size());
  if (middle.empty()) return q;
  if (middle.size() < 2 || middle.front() != '.' || !TakeQualifiers(middle.substr(1), q)) return std::nullopt;
  return q;
}

std::vector<LogoSet> FindLogoSets(const std::vector<Logo>& logos, const std::vector<std::string>& files) {
  std::vector<LogoSet> sets;
  std::vector<std::string> seen;
  for (std::size_t l = 0; l < logos.size(); ++l) {
    const std::string key = Lower(logos[l].path);
    if (!InsidePackage(key) || std::find(seen.begin(), seen.end(), key) != seen.end()) continue;
    seen.push_back(key);
    std::map<std::tuple<bool, int, std::string, std::string>, LogoSet> found;
    for (const std::string& file : files) {
      const std::optional<Qualifiers> q = VariantOf(logos[l].path, file);
      if (!q) continue;
      LogoSet& set = found[Rank(*q)];
      set.logo = l;
      set.set = q->SetName();
      set.files.push_back(file);
    }
    for (auto& [rank, set] : found) sets.push_back(std::move(set));
  }
  return sets;
}

Bytes ResourceDirectory(const std::vector<IconImage>& images) {
  Bytes b{0, 0, 1, 0, static_cast<std::uint8_t>(images.size()), static_cast<std::uint8_t>(images.size() >> 8)};
  for (std::size_t i = 0; i < images.size(); ++i) {
    const IconImage& image = images[i];
    const auto edge = [](int v) { return static_cast<std::uint8_t>(v >= 256 ? 0 : v); };
    const std::uint32_t size = static_cast<std::uint32_t>(image.size);
    const std::uint16_t id = static_cast<std::uint16_t>(i + 1);
    const std::uint8_t entry[14] = {edge(image.width),
                                    edge(image.height),
                                    0,
                                    0,
                                    1,
                                    0,
                                    static_cast<std::uint8_t>(image.bitCount),
                                    static_cast<std::uint8_t>(image.bitCount >> 8),
                                    static_cast<std::uint8_t>(size),
                                    static_cast<std::uint8_t>(size >> 8),
                                    static_cast<std::uint8_t>(size >> 16),
                                    static_cast<std::uint8_t>(size >> 24),
                                    static_cast<std::uint8_t>(id),
                                    static_cast<std::uint8_t>(id >> 8)};
    b.insert(b.end(), entry, entry + sizeof entry);
  }
  return b;
}

IconFileContents LogoGroups(const std::vector<Logo>& logos, const std::vector<std::string>& files,
                            const ReadFile& read, Bytes& buffer) {
  IconFileContents contents;
  contents.kind = FileKind::Package;
  for (const LogoSet& set : FindLogoSets(logos, files)) {
    if (contents.groups.size() == kMaxGroups) {
      contents.damaged = true;
      break;
    }
    IconGroup group;
    group.caption = logos[set.logo].caption;
    group.type = logos[set.logo].attribute + (set.set.empty() ? "" : ", " + set.set);
    for (const std::string& path : set.files) {
      if (group.images.size() == kMaxSetImages) {
        contents.damaged = true;
        break;
      }
      const std::optional<Bytes> bytes = read(path);
      const std::optional<ImageInfo> info = bytes ? CheckImage(*bytes) : std::nullopt;
      if (!info || !info->png || bytes->size() > kMaxPackageImageBytes - std::min(buffer.size(), kMaxPackageImageBytes)) {
        contents.damaged = true;
        continue;
      }
      const bool sameSize = std::any_of(group.images.begin(), group.images.end(), [&](const IconImage& image) {
        return image.width == info->width && image.height == info->height;
      });
      if (sameSize) continue;  // one per size, as an icon holds them
      IconImage image;
      image.width = info->width;
      image.height = info->height;
      image.bitCount = info->bitCount;
      image.png = image.intact = true;
      image.offset = buffer.size();
      image.size = bytes->size();
      buffer.insert(buffer.end(), bytes->begin(), bytes->end());
      group.images.push_back(image);
    }
    if (group.images.empty()) continue;
    std::stable_sort(group.images.begin(), group.images.end(), [](const IconImage& a, const IconImage& b) {
      return 1LL * a.width * a.height < 1LL * b.width * b.height;
    });
    for (std::size_t i = 0; i < group.images.size(); ++i) group.images[i].id = static_cast<std::uint16_t>(i + 1);
    group.directory = ResourceDirectory(group.images);
    contents.groups.push_back(std::move(group));
  }
  contents.icons = contents.groups.size();
  return contents;
}

}  // namespace iconres::package
