// Files whose icons are not resources: a Store app's package in each of its forms (an
// installed package's AppxManifest.xml, a package file, a bundle of packages) and an installer,
// read into an IconFile of their logos or their Icon table's icons.
#pragma once
#include <string>

#include "iconres/IconFile.h"

namespace iconres {

enum class Container { None, Manifest, Package, Bundle, EncryptedPackage, Installer };

// What the file is read as, by its name: AppxManifest.xml, .msix and .appx, .msixbundle and
// .appxbundle, their encrypted forms (.emsix, .eappx and their bundles), .msi.
Container ContainerOf(const std::string& path);

// Reads a file of one of those kinds (not None); never throws for what the file holds.
IconFile LoadContainer(const std::string& path, Container kind);

}  // namespace iconres
