// Reads the icon groups stored in a file's bytes: PE32 and PE32+ executables and libraries,
// 16-bit NE files (.exe, .dll, .icl) and single .ico files. Pure code on a byte range, no
// platform calls, so it also builds natively for fuzzing.
//
// Groups come in the order the shell's ExtractIconA numbers them. Nothing in a file is trusted:
// every offset, count and size is checked against the bytes; a damaged part makes the file
// hold fewer icons (an empty group keeps its index, as the shell's numbering does).
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace iconres {

using Bytes = std::vector<std::uint8_t>;
using ByteSpan = std::span<const std::uint8_t>;

enum class FileKind { None, Ico, Pe32, Pe32Plus, Ne };

// One image a group's directory names.
struct IconImage {
  std::uint16_t id = 0;  // the directory's name for it: an RT_ICON id, or its place in an .ico file
  int width = 0, height = 0, bitCount = 0;  // from the image itself when sound, else from the directory
  bool png = false;
  bool sound = false;  // its bytes lie inside the file and its header agrees with them
  std::size_t offset = 0, size = 0;  // its stored bytes in the file; size 0 when not found
};

struct IconGroup {
  // The group's directory in resource form (6-byte head, 14-byte entries naming ids), as the
  // platform's best-match rule takes it. Only entries that lie inside the file are kept.
  Bytes directory;
  std::vector<IconImage> images;  // one per directory entry, in directory order
};

struct IconFileContents {
  FileKind kind = FileKind::None;
  std::vector<IconGroup> groups;
};

// Limits no real file comes near; past them a file is treated as damaged there.
constexpr std::size_t kMaxGroups = 0xFFFF;
constexpr std::size_t kMaxImagesPerFile = 1u << 15;
constexpr int kMaxImageEdge = 4096;

IconFileContents ReadIconGroups(ByteSpan file);

// What an image's own header says, when its header and its data agree (a bitmap-info image
// with its colour table, colour bits and mask all inside the data, or a PNG image whose chunks
// are whole, with sound check sums, IHDR first and IEND last).
struct ImageInfo {
  int width = 0, height = 0, bitCount = 0;
  bool png = false;
};
std::optional<ImageInfo> CheckImage(ByteSpan data);

// The stored bytes of an image (empty when it was not found).
ByteSpan ImageBytes(ByteSpan file, const IconImage& image);

// The first image of the group with this id, or null.
const IconImage* FindImage(const IconGroup& group, std::uint16_t id);

}  // namespace iconres
