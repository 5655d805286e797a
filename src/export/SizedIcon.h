// Icons saved at the sizes the user picks: a PNG of one edge, each stored image as a PNG of its
// own, and an .ico of chosen edges. A stored image of the asked edge is used as it is; where
// the icon stores none, the edge is resampled from the best sound image it stores (the
// smallest larger one, else the largest). Damaged images are never a source.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "export/StoredIcon.h"

// The edges a sized kind may ask for; an .ico holds edges up to 256.
constexpr int kMinSavedEdge = 8, kMaxSavedEdge = 1024, kMaxIconEdge = 256;
// The edges "PNG at Size..." offers first.
inline constexpr int kCommonPngEdges[] = {16, 24, 32, 48, 64, 96, 128, 256, 512};
// The edges Windows 10 and 11 draw icons at, from the smallest to the largest.
inline constexpr int kWindowsIconEdges[] = {16, 20, 24, 32, 40, 48, 64, 256};

// The group's sound images in the order an edge takes them as its source: those of the edge
// itself (most bits per pixel first), then the larger ones from the smallest, then the smaller
// ones from the largest; images of one size and depth in the group's order. An animated
// cursor's are its first frame's.
std::vector<const iconres::IconImage*> SourcesForEdge(const iconres::IconFile& file, const iconres::IconGroup& group,
                                                      int edge);

// A sized kind's output for one icon: file bytes, what the name adds after the index text, and
// how many of its images were resampled from another size.
struct SizedOutput {
  std::vector<std::uint8_t> bytes;
  std::string suffix;
  std::string extension;
  std::size_t resampled = 0;
};

// The icon as an edge x edge PNG, named "-48x48": a stored PNG of that edge byte for byte, a
// stored bitmap of that edge with its pixels exactly, else resampled. Raises ENoSoundImage when
// no image is sound, EInvalidGraphic when none can be decoded.
SizedOutput PngAtEdge(const iconres::IconFile& file, std::size_t group, int edge);

// Every sound image as a PNG of its own, in the group's order, named by size and depth
// ("-48x48-32bit"); leftOut counts the images that are not sound. Raises as PngAtEdge.
std::vector<SizedOutput> EveryImagePng(const iconres::IconFile& file, std::size_t group, std::size_t& leftOut);

// The icon as an .ico of the edges (a cursor and an animated cursor's first frame as a .cur
// with their hotspots), smallest first: each the stored image of that edge as it is stored,
// else resampled, as 32 bits with alpha and a 256 one as PNG. Raises as PngAtEdge.
SizedOutput IconWithEdges(const iconres::IconFile& file, std::size_t group, const std::vector<int>& edges);

// Edges typed as "16,24,32" (spaces allowed), each from kMinSavedEdge to maxEdge, given back
// from the smallest, each once; none for anything else.
std::optional<std::vector<int>> ParseEdges(const std::string& text, int maxEdge);
// The edges as ParseEdges reads them: "16,24,32".
std::string EdgesText(const std::vector<int>& edges);
