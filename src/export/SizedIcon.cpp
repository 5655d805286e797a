// The sized kinds: which stored image makes each edge, and the files made of them.
#include "export/SizedIcon.h"

#include <algorithm>
#include <exception>

#include "export/PngCodec.h"
#include "settings/IntegerText.h"

namespace {

const iconres::IconGroup& GroupOf(const iconres::IconFile& file, std::size_t group) {
  if (group >= file.contents.groups.size()) throw ENoSoundImage();
  return file.contents.groups[group];
}

long long Pixels(const iconres::IconImage& image) { return 1LL * image.width * image.height; }

std::string EdgeName(int width, int height) { return "-" + std::to_string(width) + "x" + std::to_string(height); }

pngcodec::Pixels Decode(const iconres::IconFile& file, const iconres::IconImage& image) {
  if (image.png) return pngcodec::DecodePngImage(file.Bytes(image));
  return pngcodec::DecodeIco(IcoFileBytes({StoredEntry(file, image)}, false));
}

// One edge made of the first source that decodes: its pixels, its hotspot moved with them, or
// the stored image itself when it is of that edge.
struct Made {
  const iconres::IconImage* stored = nullptr;  // of the edge, used as it is
  pngcodec::Pixels pixels;                     // else resampled
  int hotspotX = 0, hotspotY = 0;
};

Made MakeEdge(const iconres::IconFile& file, const iconres::IconGroup& group, int edge) {
  const std::vector<const iconres::IconImage*> sources = SourcesForEdge(file, group, edge);
  if (sources.empty()) throw ENoSoundImage();
  std::exception_ptr failed;  // the last source that would not decode, raised as it came
  for (const iconres::IconImage* image : sources) {
    if (image->width == edge && image->height == edge) return {.stored = image};
    try {
      Made made{.pixels = pngcodec::FitToSquare(Decode(file, *image), static_cast<UINT>(edge))};
      // The pointer's tip stays on the same spot of the picture.
      const int longer = std::max(image->width, image->height);
      made.hotspotX = (edge - image->width * edge / longer) / 2 + image->hotspotX * edge / longer;
      made.hotspotY = (edge - image->height * edge / longer) / 2 + image->hotspotY * edge / longer;
      return made;
    } catch (const EInvalidGraphic&) {
      failed = std::current_exception();
    }
  }
  std::rethrow_exception(failed);
}

void Put32(std::vector<std::uint8_t>& b, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// The pixels as an icon image of 32 bits: the header (height doubled for the mask), the
// colour rows and the mask rows, both bottom up; the mask marks the fully transparent pixels.
std::vector<std::uint8_t> DibImage(const pngcodec::Pixels& p) {
  const std::uint32_t maskRow = (p.width + 31) / 32 * 4;
  std::vector<std::uint8_t> b;
  for (std::uint32_t v : {40u, p.width, p.height * 2, 1u | (32u << 16), 0u, p.width * p.height * 4, 0u, 0u, 0u, 0u})
    Put32(b, v);
  for (UINT y = p.height; y-- > 0;) {
    const auto row = p.bgra.begin() + static_cast<std::ptrdiff_t>(std::size_t{y} * p.width * 4);
    b.insert(b.end(), row, row + static_cast<std::ptrdiff_t>(p.width * 4));
  }
  for (UINT y = p.height; y-- > 0;) {
    std::vector<std::uint8_t> row(maskRow, 0);
    for (UINT x = 0; x < p.width; ++x)
      if (p.bgra[(std::size_t{y} * p.width + x) * 4 + 3] == 0) row[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
    b.insert(b.end(), row.begin(), row.end());
  }
  return b;
}

}  // namespace

std::vector<const iconres::IconImage*> SourcesForEdge(const iconres::IconFile& file, const iconres::IconGroup& group,
                                                      int edge) {
  std::vector<const iconres::IconImage*> images;
  for (const iconres::IconImage& image : group.images)
    if (file.Sound(image)) images.push_back(&image);
  auto rank = [edge](const iconres::IconImage* i) {
    if (i->width == edge && i->height == edge) return 0;
    return i->width >= edge && i->height >= edge ? 1 : 2;
  };
  std::stable_sort(images.begin(), images.end(), [&](const iconres::IconImage* a, const iconres::IconImage* b) {
    if (rank(a) != rank(b)) return rank(a) < rank(b);
    if (Pixels(*a) != Pixels(*b)) return rank(a) == 1 ? Pixels(*a) < Pixels(*b) : Pixels(*a) > Pixels(*b);
    return a->bitCount > b->bitCount;
  });
  return images;
}

SizedOutput PngAtEdge(const iconres::IconFile& file, std::size_t group, int edge) {
  const Made made = MakeEdge(file, GroupOf(file, group), edge);
  SizedOutput out{.suffix = EdgeName(edge, edge), .extension = ".png"};
  if (made.stored) {
    out.bytes = ImagePngBytes(file, *made.stored);
  } else {
    out.bytes = pngcodec::EncodePng(made.pixels);
    out.resampled = 1;
  }
  return out;
}

std::vector<SizedOutput> EveryImagePng(const iconres::IconFile& file, std::size_t group, std::size_t& leftOut) {
  const iconres::IconGroup& g = GroupOf(file, group);
  std::vector<SizedOutput> outs;
  leftOut = 0;
  for (const iconres::IconImage& image : g.images) {
    if (!file.Sound(image)) {
      ++leftOut;
      continue;
    }
    outs.push_back({.bytes = ImagePngBytes(file, image),
                    .suffix = EdgeName(image.width, image.height) + "-" + std::to_string(image.bitCount) + "bit",
                    .extension = ".png"});
  }
  if (outs.empty()) throw ENoSoundImage();
  return outs;
}

SizedOutput IconWithEdges(const iconres::IconFile& file, std::size_t group, const std::vector<int>& edges) {
  const iconres::IconGroup& g = GroupOf(file, group);
  const bool cursor = g.kind != iconres::GroupKind::Icon;
  std::vector<std::vector<std::uint8_t>> made;  // the resampled images' bytes, kept for the entries
  made.reserve(edges.size());
  std::vector<IcoEntry> entries;
  SizedOutput out{.extension = cursor ? ".cur" : ".ico"};
  for (int edge : edges) {
    const Made m = MakeEdge(file, g, edge);
    if (m.stored) {
      entries.push_back(StoredEntry(file, *m.stored));
      continue;
    }
    // A 256 image takes a quarter of a megabyte as a bitmap; PNG is how such icons are kept.
    made.push_back(edge >= 256 ? pngcodec::EncodePng(m.pixels) : DibImage(m.pixels));
    entries.push_back({edge, edge, 32, m.hotspotX, m.hotspotY, made.back()});
    ++out.resampled;
  }
  out.bytes = IcoFileBytes(entries, cursor);
  return out;
}

std::optional<std::vector<int>> ParseEdges(const std::string& text, int maxEdge) {
  std::vector<int> edges;
  std::size_t at = 0;
  while (at <= text.size()) {
    std::size_t comma = text.find(',', at);
    if (comma == std::string::npos) comma = text.size();
    std::string part = text.substr(at, comma - at);
    part.erase(0, part.find_first_not_of(' '));
    part.erase(part.find_last_not_of(' ') + 1);
    if (part.empty() || part.size() > 4 || part.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
    const std::optional<int> edge = ParseIntegerText(part);
    if (!edge || *edge < kMinSavedEdge || *edge > maxEdge) return std::nullopt;
    edges.push_back(*edge);
    at = comma + 1;
  }
  std::sort(edges.begin(), edges.end());
  edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
  return edges;
}

std::string EdgesText(const std::vector<int>& edges) {
  std::string text;
  for (int edge : edges) text += (text.empty() ? "" : ",") + std::to_string(edge);
  return text;
}
