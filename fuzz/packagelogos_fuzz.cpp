// Package logo names: text lines name logos ("L:" first) and the package's files, and the bytes
// after the first NUL are what every file holds. No logo set takes a file outside the package
// or one that is no variant of its logo, and every image lies inside the buffer made. The whole
// input is also checked as a manifest's text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "iconres/PackageLogos.h"
#include "iconres/XmlText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The same bytes as a manifest's text: the check before the XML reader reads no further.
  (void)iconres::package::IsXmlText({data, size});
  const std::string_view all(reinterpret_cast<const char*>(data), size);
  const std::size_t nul = all.find('\0');
  const std::string_view text = all.substr(0, nul);
  const iconres::Bytes held = nul == std::string_view::npos ? iconres::Bytes()
                                                             : iconres::Bytes(data + nul + 1, data + size);
  std::vector<iconres::package::Logo> logos;
  std::vector<std::string> files;
  for (std::size_t from = 0; from <= text.size();) {
    std::size_t end = text.find('\n', from);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(from, end - from);
    if (line.substr(0, 2) == "L:") logos.push_back({"caption", "Logo", std::string(line.substr(2))});
    else if (!line.empty()) files.emplace_back(line);
    from = end + 1;
  }
  for (const iconres::package::LogoSet& set : iconres::package::FindLogoSets(logos, files)) {
    if (set.logo >= logos.size()) std::abort();
    for (const std::string& file : set.files) {
      if (!iconres::package::InsidePackage(file)) std::abort();
      const auto q = iconres::package::VariantOf(logos[set.logo].path, file);
      if (!q || q->SetName() != set.set) std::abort();
    }
  }
  iconres::Bytes buffer;
  const iconres::IconFileContents contents = iconres::package::LogoGroups(
      logos, files, [&](const std::string&) { return std::optional<iconres::Bytes>(held); }, buffer);
  for (const iconres::IconGroup& group : contents.groups) {
    if (group.images.empty()) std::abort();
    for (const iconres::IconImage& image : group.images)
      if (image.offset > buffer.size() || image.size > buffer.size() - image.offset) std::abort();
  }
  return 0;
}
