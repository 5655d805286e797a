// Reads the icon groups stored in a file's bytes: PE32 and PE32+ executables and libraries,
// 16-bit NE files (.exe, .dll, .icl), single .ico files, and cursors: a .cur file, an animated
// cursor (.ani, RIFF "ACON") and, when asked, the cursor groups and animated cursors inside
// executables. Pure code on a byte range, no platform calls, so it also builds natively for
// fuzzing.
//
// Groups come in the order the shell's ExtractIconA numbers them; a file's own cursors follow
// its icons. Nothing in a file is trusted:
// every offset, count and size is checked against the bytes; a damaged part makes the file
// hold fewer icons (an empty group keeps its index, as the shell's numbering does). Damage in
// the tables that lead to the groups (a table outside the resource section, tables overlapping
// each other, a directory reached twice, more entries than the bytes can hold) ends the walk
// there: the groups before it are kept, and the file is marked damaged.
//
// Whether the platform can open an image is not decided here: see SoundImage.h.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace iconres {

using Bytes = std::vector<std::uint8_t>;
using ByteSpan = std::span<const std::uint8_t>;

// Package: a Store app's logos (PackageFile.h); Installer: the icons of an installer's Icon table.
enum class FileKind { None, Ico, Cur, Ani, Pe32, Pe32Plus, Ne, Package, Installer };

// What a group is: an icon, a cursor (images with hotspots), or an animated cursor (frames).
enum class GroupKind { Icon, Cursor, AnimatedCursor };

// One image a group's directory names.
struct IconImage {
  std::uint16_t id = 0;  // the directory's name for it: an RT_ICON id, or its place in an .ico file
  int width = 0, height = 0, bitCount = 0;  // from the image itself when intact, else from the directory
  bool png = false;
  // Its bytes lie inside the file and its header agrees with them. Only an intact image is put
  // to the platform's test of a sound image (iconres::IconFile::Sound).
  bool intact = false;
  // Its stored bytes in the file; size 0 when not found. An intact image of a 16-bit file ends
  // where its own data ends, not at the end of the resource's last alignment unit.
  std::size_t offset = 0, size = 0;
  // A cursor image's hotspot: from its .cur entry, or the head of its RT_CURSOR resource.
  int hotspotX = 0, hotspotY = 0;
};

// One step of an animated cursor: the frame it shows and for how long, in 1/60 s.
struct AnimationStep {
  std::size_t frame = 0;
  std::uint32_t jiffies = 0;
};

// What a group is called in its file's resource directory. Windows names a group by a number or
// by a name (stored in capitals); locations of the "file,-id" form take the number.
struct ResourceName {
  std::uint16_t id = 0;  // 0 when the group has a name, or the file has no resource directory
  std::string name;
  std::uint16_t language = 0;  // of the data entry the reader took (the first)
  bool Known() const { return id != 0 || !name.empty(); }
};

struct IconGroup {
  GroupKind kind = GroupKind::Icon;
  // Its own id or name as the directory gives it, never worked out from its position; empty
  // for an .ico, .cur or .ani file.
  ResourceName resource;
  // The group's directory in resource form (6-byte head, 14-byte entries naming ids), as the
  // platform's best-match rule for icons takes it. Only entries that lie inside the file are
  // kept. A cursor's is made from its images, in the icon form.
  Bytes directory;
  // One per directory entry, in directory order; an animated cursor's first frame.
  std::vector<IconImage> images;

  // An animated cursor: every frame's images (the first are `images`), the steps it plays, and
  // its own bytes in the file. Sound means its parts agree (a header, frames as many as it
  // counts, every step naming one of them), so its bytes may be written as they are.
  std::vector<std::vector<IconImage>> frames;
  std::vector<AnimationStep> steps;
  std::size_t offset = 0, size = 0;
  bool wellFormed = false;

  // A package's logo set or an installer's icon: the entry's caption (the app's name, the
  // row's name) and what it is, where they are not the file's name and the group's kind.
  std::string caption, type;
};

struct IconFileContents {
  FileKind kind = FileKind::None;  // set as soon as the file shows it is an icon container of this kind
  // The icons, in the shell's numbering (a .cur or .ani file's one entry among them), then the
  // file's cursors when they were asked for: cursor groups, then animated cursors.
  std::vector<IconGroup> groups;
  std::size_t icons = 0;  // how many of the groups are numbered as icons
  // The file claims more than it holds: its walk ended early, or a directory did not fit.
  bool damaged = false;
  // Why a package's contents were refused, not read (encrypted, inflating past all bounds);
  // empty otherwise.
  std::string refused;
};

// Limits no real file comes near; past them a file is treated as damaged there.
constexpr std::size_t kMaxGroups = 0xFFFF;
constexpr std::size_t kMaxImagesPerFile = 1u << 15;
constexpr int kMaxImageEdge = 4096;

// What a file's first bytes must be for the reader to find anything in it: an executable's
// "MZ", an icon or cursor file's head, an animated cursor's RIFF "ACON". A file of fewer than
// kSmallestIconFile bytes gives nothing, whatever it holds (no icon, no damage), and so does
// any file whose first kHeadBytes (or all of it, when shorter) MayHoldIcons refuses: such a
// file need not be read further. Packages and installers are known by name, not by these.
constexpr std::size_t kSmallestIconFile = 6, kHeadBytes = 12;
bool MayHoldIcons(ByteSpan head);

// No file of fewer bytes holds an intact image, so none gives an icon a run can list, though a
// smaller one may be damaged. An executable needs its 64-byte head and an animated cursor its
// header chunk and a framed icon file. An icon or cursor file this small has room for one
// entry, and its intact image (20 bytes at the least: a 12-byte header over a 1 x 1 picture and
// its mask) would start within the file's first 12 bytes, where the head and the entry's own
// size and offset leave no place for a header with its one plane.
constexpr std::size_t kSmallestListedIconFile = 32;

// withCursors: an executable's cursor groups and animated cursors too, after its icons; without,
// an executable's reading is exactly that of its icons.
IconFileContents ReadIconGroups(ByteSpan file, bool withCursors = false);

// A group's index text: "3" for the icon at index 3, "cursor 0" for the file's first cursor,
// "logo 0" for a package's first logo set.
std::string IndexText(const IconFileContents& contents, std::size_t group);

// What an image's own header says, when its header and its data agree (a bitmap-info image
// with one plane, a colour table no larger than its bit count allows, colour bits and mask all
// inside the data, or a PNG image whose chunks are whole, with sound check sums, IHDR first and
// IEND last).
struct ImageInfo {
  int width = 0, height = 0, bitCount = 0;
  bool png = false;
  std::size_t length = 0;  // the bytes the image itself takes, from its start
};
std::optional<ImageInfo> CheckImage(ByteSpan data);

// The stored bytes of an image (empty when it was not found).
ByteSpan ImageBytes(ByteSpan file, const IconImage& image);

// The first image of the group with this id, or null.
const IconImage* FindImage(const IconGroup& group, std::uint16_t id);

}  // namespace iconres
