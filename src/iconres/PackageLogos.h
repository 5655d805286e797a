// A Store app package's logos as icon groups: each logo its manifest names, found in every
// variant the package holds by the package's qualifier naming, in both its forms
// ("Assets\Logo.scale-200_altform-unplated.png", "Assets\scale-200\Logo.png"). Windows chooses
// among the plated, unplated and light-unplated sets and the high-contrast ones by where the
// logo is shown, so each set is a group of its own. Pure code, so it also builds natively for
// fuzzing.
#pragma once
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "iconres/IconResources.h"

namespace iconres::package {

// A logo as the manifest names it: whose it is (the caption of its entries), which attribute
// names it ("Square44x44Logo"), and its path in the package as written there.
struct Logo {
  std::string caption, attribute, path;
};

// The qualifiers of one variant's name; none where a part is not a qualifier, so a name that
// merely begins like the logo's ("LogoWide.png") is no variant.
struct Qualifiers {
  int scale = 0, targetSize = 0;
  std::string altForm, contrast, theme;
  // The set the variant belongs to: the same for every variant Windows chooses among by size.
  std::string SetName() const;
};
std::optional<Qualifiers> VariantOf(std::string_view logoPath, std::string_view path);

// A logo path that stays inside the package: relative, no drive, no "..", no stream.
bool InsidePackage(std::string_view path);

// One logo set: the logo, the set's name ("" for the plated one) and its variants' paths as the
// package lists them, in the order of `files`.
struct LogoSet {
  std::size_t logo = 0;
  std::string set;
  std::vector<std::string> files;
};
// The sets of every logo among the package's files ('\' or '/' between folders). A logo named
// twice (an app's tile that is also the package's logo) gives its sets once.
std::vector<LogoSet> FindLogoSets(const std::vector<Logo>& logos, const std::vector<std::string>& files);

// Reads a package file's bytes; none when it cannot be read (or is too large to be a logo).
using ReadFile = std::function<std::optional<Bytes>(const std::string& path)>;

// Limits no real package comes near.
constexpr std::size_t kMaxLogoBytes = 16u << 20, kMaxPackageImageBytes = 96u << 20, kMaxSetImages = 64;

// The package's logos as groups over `buffer`, which receives every image read: each set's
// sound PNG variants, smallest first, one per size. A set none of whose variants can be read
// gives no group; a variant that cannot is damage.
IconFileContents LogoGroups(const std::vector<Logo>& logos, const std::vector<std::string>& files,
                            const ReadFile& read, Bytes& buffer);

// The resource-form directory of a group's images (ids are their places from 1), as the
// platform's best-match rule takes it; an edge of 256 or more is written as 0.
Bytes ResourceDirectory(const std::vector<IconImage>& images);

}  // namespace iconres::package
