// The icon reader's cursors: a .cur file's hotspots, animated cursors (RIFF "ACON": anih,
// LIST fram of icon chunks, seq, rate), and an executable's cursor groups and animated cursors.
#include <algorithm>

#include "iconres/ReaderParts.h"

namespace iconres::parts {
namespace {

void Put16(Bytes& b, unsigned v) {
  b.push_back(static_cast<std::uint8_t>(v));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}

constexpr std::uint32_t Tag(const char (&s)[5]) {
  return static_cast<std::uint32_t>(static_cast<std::uint8_t>(s[0])) |
         static_cast<std::uint32_t>(static_cast<std::uint8_t>(s[1])) << 8 |
         static_cast<std::uint32_t>(static_cast<std::uint8_t>(s[2])) << 16 |
         static_cast<std::uint32_t>(static_cast<std::uint8_t>(s[3])) << 24;
}

// More steps than this in one animation is damage; no real cursor comes near.
constexpr std::size_t kMaxSteps = 1u << 15;

// The chunks between `from` and `to` of a RIFF body, each as (tag, data offset, data length);
// false when one claims more bytes than there are. Each step moves on by 8 bytes at least.
template <class Each>
bool ForEachChunk(const Reader& r, std::uint64_t from, std::uint64_t to, Each each) {
  std::uint64_t at = from;
  for (; at + 8 <= to; at += 8 + std::uint64_t{r.U32(at + 4)} + (r.U32(at + 4) & 1)) {
    const std::uint32_t length = r.U32(at + 4);
    if (length > to - at - 8) return false;
    each(r.U32(at), at + 8, std::uint64_t{length});
  }
  return true;
}

// The values of a "rate" or "seq " chunk, at most kMaxSteps of them.
std::vector<std::uint32_t> Values(const Reader& r, std::uint64_t at, std::uint64_t length) {
  std::vector<std::uint32_t> values;
  for (std::uint64_t i = 0; i < length / 4 && i < kMaxSteps; ++i) values.push_back(r.U32(at + i * 4));
  return values;
}

}  // namespace

bool IsAnimatedCursor(ByteSpan bytes) {
  const Reader r(bytes);
  return r.U32(0) == Tag("RIFF") && r.U32(8) == Tag("ACON");
}

Bytes IconFormDirectory(const std::vector<IconImage>& images) {
  Bytes d;
  Put16(d, 0);
  Put16(d, 1);
  Put16(d, static_cast<unsigned>(images.size()));
  for (const IconImage& image : images) {
    d.push_back(static_cast<std::uint8_t>(image.width >= 256 ? 0 : image.width));
    d.push_back(static_cast<std::uint8_t>(image.height >= 256 ? 0 : image.height));
    d.push_back(static_cast<std::uint8_t>(image.bitCount > 0 && image.bitCount < 8 ? 1 << image.bitCount : 0));
    d.push_back(0);
    Put16(d, 1);
    Put16(d, static_cast<unsigned>(image.bitCount));
    Put16(d, static_cast<unsigned>(image.size & 0xFFFF));
    Put16(d, static_cast<unsigned>(image.size >> 16 & 0xFFFF));
    Put16(d, image.id);
  }
  return d;
}

void TakeFileHotspot(IconImage& image, ByteSpan entry) {
  const Reader r(entry);
  image.hotspotX = r.U16(4);
  image.hotspotY = r.U16(6);
  // A cursor entry has no bit count; only the image's own header gives one.
  if (!image.intact) image.bitCount = 0;
}

// A cursor group's entry gives edges as words (the height doubled, for the colour bits and the
// mask), and its image starts with its hotspot.
void DescribeCursorResource(FileRead& read, IconImage& image, ByteSpan entry, Place place, bool ownLength) {
  const auto [offset, size] = place;
  const Reader file(read.File());
  if (size >= 4) {
    image.hotspotX = file.U16(offset);
    image.hotspotY = file.U16(offset + 2);
  }
  const Reader e(entry);
  DescribeImage(read, image, e.U16(0), e.U16(2) / 2, 0, offset + 4, size >= 4 ? size - 4 : 0, ownLength);
}

IconGroup ReadAnimatedCursor(FileRead& read, std::uint64_t base, std::uint64_t length) {
  IconGroup g;
  g.kind = GroupKind::AnimatedCursor;
  const Reader r(Reader(read.File()).Sub(base, length));
  if (!IsAnimatedCursor(Reader(read.File()).Sub(base, length))) {
    read.Damaged();
    return g;
  }
  bool whole = true;
  std::uint64_t end = std::uint64_t{r.U32(4)} + 8;
  if (end > r.size()) {
    end = r.size();
    whole = false;
  }
  g.offset = static_cast<std::size_t>(base);
  g.size = static_cast<std::size_t>(end);
  bool header = false;
  std::uint32_t frameCount = 0, stepCount = 0, rate = 0, flags = 0;
  std::vector<std::uint32_t> rates, sequence;
  bool haveRates = false, haveSequence = false;
  std::vector<std::pair<std::uint64_t, std::uint64_t>> frames;
  whole &= ForEachChunk(r, 12, end, [&](std::uint32_t tag, std::uint64_t at, std::uint64_t size) {
    if (tag == Tag("anih") && !header && size >= 36) {
      header = true;
      frameCount = r.U32(at + 4);
      stepCount = r.U32(at + 8);
      rate = r.U32(at + 28);
      flags = r.U32(at + 32);
    } else if (tag == Tag("rate") && !haveRates) {
      haveRates = true;
      rates = Values(r, at, size);
    } else if (tag == Tag("seq ") && !haveSequence) {
      haveSequence = true;
      sequence = Values(r, at, size);
    } else if (tag == Tag("LIST") && size >= 4 && r.U32(at) == Tag("fram") && frames.empty()) {
      whole &= ForEachChunk(r, at + 4, at + size, [&](std::uint32_t inner, std::uint64_t frame, std::uint64_t bytes) {
        if (inner == Tag("icon")) frames.emplace_back(frame, bytes);
      });
    }
  });
  // Frames that are bare bitmaps rather than icon files (no flag 1) are not read.
  if (!header || !(flags & 1)) {
    read.Damaged();
    return g;
  }
  for (const auto& [at, size] : frames) {
    auto frame = ReadIconDirectory(read, base + at, size);
    if (!frame) {
      whole = false;
      g.frames.emplace_back();
      continue;
    }
    g.frames.push_back(std::move(frame->images));
  }
  if (!g.frames.empty()) g.images = g.frames.front();
  g.directory = IconFormDirectory(g.images);
  // Without a sequence the frames play in their order, as many steps as the header counts.
  const std::size_t steps = std::min<std::size_t>(stepCount, kMaxSteps);
  whole &= stepCount > 0 && stepCount <= kMaxSteps;
  for (std::size_t i = 0; i < steps; ++i) {
    std::size_t frame = i;
    if (haveSequence) {
      if (i >= sequence.size()) {
        whole = false;
        break;
      }
      frame = sequence[i];
    }
    if (frame >= g.frames.size()) {
      whole = false;
      if (haveSequence) continue;
      break;
    }
    std::uint32_t jiffies = rate;
    if (haveRates) {
      if (i < rates.size()) {
        jiffies = rates[i];
      } else {
        whole = false;
      }
    }
    g.steps.push_back({frame, jiffies});
  }
  for (const auto& frame : g.frames) whole &= !frame.empty();
  g.wellFormed = whole && frameCount == g.frames.size() && !g.frames.empty() && g.steps.size() == stepCount;
  if (!g.wellFormed) read.Damaged();
  return g;
}

// The cursor groups, then the animated cursors, walked as the icons are but in a tree of their
// own, so that reading them changes nothing of the icons' reading.
void WalkCursors(FileRead& read, ResourceTree& tree) {
  const auto types = tree.Directory(0);
  if (!types) return;
  const auto groups = tree.TypeDirectory(*types, 12);    // RT_GROUP_CURSOR
  const auto animated = tree.TypeDirectory(*types, 21);  // RT_ANICURSOR
  if (!groups && !animated) return;
  const auto cursorDir = tree.TypeDirectory(*types, 1);  // RT_CURSOR
  // Every type directory before any table below them.
  const auto cursorCount = cursorDir ? tree.Directory(*cursorDir) : std::nullopt;
  const auto groupCount = groups ? tree.Directory(*groups) : std::nullopt;
  const auto animatedCount = animated ? tree.Directory(*animated) : std::nullopt;

  const auto cursors = ImagesById(tree, cursorDir, cursorCount);
  const Reader r(read.File());
  auto& out = read.Out().groups;
  for (std::size_t i = 0; groupCount && i < *groupCount && out.size() < kMaxGroups; ++i) {
    ResourceName name = tree.NameOf(*groups, i);
    const auto place = tree.Data(tree.Target(*groups, i), &name.language);
    if (!place) return;
    out.push_back(ReadResourceGroup(
        read, r.Sub(place->first, place->second), false,
        [&](std::uint16_t id) {
          const auto found = cursors.find(id);
          return found == cursors.end() ? Place{0, 0} : found->second;
        },
        true));
    out.back().resource = std::move(name);
  }
  for (std::size_t i = 0; animatedCount && i < *animatedCount && out.size() < kMaxGroups; ++i) {
    ResourceName name = tree.NameOf(*animated, i);
    const auto place = tree.Data(tree.Target(*animated, i), &name.language);
    if (!place) return;
    out.push_back(ReadAnimatedCursor(read, place->first, place->second));
    out.back().resource = std::move(name);
  }
}

}  // namespace iconres::parts
