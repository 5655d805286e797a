// Output of an icon as its file stores it: the whole group as an .ico file (every stored image
// byte for byte under a rebuilt directory; a cursor as a .cur file with its hotspots, an
// animated cursor as its own bytes in an .ani file) or its largest image as a PNG file with its
// alpha.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "export/Graphics.h"
#include "iconres/IconFile.h"

// Why an icon gives nothing to write: none of its images is sound (IconFile::Sound).
constexpr const char* kNoSoundImage = "no sound image";
// Why an animated cursor is not written as it is stored: its parts disagree or a frame's image
// is not sound, and its bytes are written whole or not at all.
constexpr const char* kDamagedAnimation = "damaged animated cursor";
// An icon with nothing sound enough to write: its kind NoSoundImage, or DamagedAnimation for a
// damaged animated cursor; its message the reason's words.
class ENoSoundImage : public EInvalidGraphic {
 public:
  explicit ENoSoundImage(win::ErrorKind kind = win::ErrorKind::NoSoundImage)
      : EInvalidGraphic(kind == win::ErrorKind::DamagedAnimation ? kDamagedAnimation : kNoSoundImage, kind) {}
};

// Ready-made file bytes as a graphic, so they are saved like the other kinds; with how many of
// the group's images were left out of them because they are not sound.
class TStoredImage : public TGraphic {
 public:
  explicit TStoredImage(std::vector<std::uint8_t> bytes, std::size_t leftOut = 0, std::size_t images = 0,
                        std::string extension = ".ico")
      : bytes_(std::move(bytes)), leftOut_(leftOut), images_(images), extension_(std::move(extension)) {}
  void SetWidth(int) override { throw EInvalidGraphicOperation("Cannot change the size of a stored image"); }
  void SetHeight(int) override { throw EInvalidGraphicOperation("Cannot change the size of a stored image"); }
  void SaveToStream(TStream& stream) override { stream.WriteBuffer(bytes_.data(), bytes_.size()); }
  const std::vector<std::uint8_t>& Bytes() const { return bytes_; }
  std::size_t LeftOut() const { return leftOut_; }
  std::size_t Images() const { return images_; }
  // What the bytes are: ".ico", ".cur", ".ani" or ".png".
  const std::string& Extension() const { return extension_; }

 private:
  std::vector<std::uint8_t> bytes_;
  std::size_t leftOut_, images_;
  std::string extension_;
};

// One image of an .ico or .cur file to be written: its size and depth, its hotspot (a cursor's)
// and its bytes, which the caller keeps alive.
struct IcoEntry {
  int width = 0, height = 0, bitCount = 0;
  int hotspotX = 0, hotspotY = 0;
  iconres::ByteSpan bytes;
};
// An .ico file of the entries, in this order, under a directory made from them; a .cur file
// for a cursor, whose entries keep their hotspots where an icon's keep planes and bit count.
std::vector<std::uint8_t> IcoFileBytes(const std::vector<IcoEntry>& entries, bool cursor);
// A stored image as an entry, its bytes as its file stores them.
IcoEntry StoredEntry(const iconres::IconFile& file, const iconres::IconImage& image);

// One sound image as PNG bytes: a stored PNG image unchanged, a bitmap image decoded and
// encoded through WIC as 32-bit colour with alpha (EInvalidGraphic when WIC cannot).
std::vector<std::uint8_t> ImagePngBytes(const iconres::IconFile& file, const iconres::IconImage& image);

// The group as an .ico file: a directory rebuilt from the images themselves, then every sound
// image's stored bytes unchanged (PNG images stay PNG), in the group's order; images that are
// not sound are left out and counted. A cursor group the same as a .cur file, each entry with
// its image's hotspot. An animated cursor as its own bytes, when it is whole and every image
// of every frame is sound (else ENoSoundImage of the kind DamagedAnimation). Raises ENoSoundImage
// when no image is sound.
TStoredImage OriginalIcon(const iconres::IconFile& file, std::size_t group);
std::vector<std::uint8_t> OriginalIconBytes(const iconres::IconFile& file, std::size_t group);

// The group's largest sound image (most pixels, then most bits per pixel) as PNG bytes: a
// stored PNG image unchanged, a bitmap image decoded and encoded through the platform's imaging
// library (WIC) as 32-bit colour with alpha. An image the imaging library cannot encode gives
// way to the next largest. Raises ENoSoundImage when no image is sound, EInvalidGraphic when
// none of the sound ones can be encoded.
std::vector<std::uint8_t> LargestImagePngBytes(const iconres::IconFile& file, std::size_t group);

// The group as the kinds OriginalIcon (png false) and Png save it: OriginalIcon or
// LargestImagePngBytes as a graphic. Raises as they do.
std::unique_ptr<TStoredImage> StoredIconGraphic(const iconres::IconFile& file, std::size_t group, bool png);
