// What a Store package's AppxManifest.xml says about its logos, read through the platform's XML
// reader (XmlLite): the package's logo, and each application's list logo and tiles with the
// app's display name.
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "iconres/PackageLogos.h"

namespace iconres::package {

// Manifests this large are no manifest: they are refused unread.
constexpr std::size_t kMaxManifestBytes = 4u << 20;

struct Manifest {
  std::string name;  // the package's identity name
  // In the manifest's order: the package logo, then each application's logos. A caption that
  // is a resource reference ("ms-resource:...") is left empty: it can be resolved only through
  // the package's resource index. Paths are UTF-8, as a package stores its names.
  std::vector<Logo> logos;
};

// The manifest in these bytes; none when they are no well-formed manifest (or the platform's
// XML reader is missing).
std::optional<Manifest> ReadManifest(ByteSpan xml);

}  // namespace iconres::package
