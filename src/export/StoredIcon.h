// Output of an icon as its file stores it: the whole group as an .ico file (every stored image
// byte for byte under a rebuilt directory) or its largest image as a PNG file with its alpha.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "export/Graphics.h"
#include "iconres/IconFile.h"

// The group as an .ico file: a directory rebuilt from the images themselves, then every sound
// image's stored bytes unchanged (PNG images stay PNG), in the group's order. Raises
// EInvalidGraphic when the group holds no sound image.
std::vector<std::uint8_t> OriginalIconBytes(const iconres::IconFile& file, std::size_t group);

// The group's largest sound image (most pixels, then most bits per pixel).
const iconres::IconImage* LargestImage(const iconres::IconGroup& group);

// The largest image as PNG bytes: a stored PNG image unchanged, any other decoded and encoded
// through the platform's imaging library (WIC) as 32-bit colour with alpha. Raises
// EInvalidGraphic when there is no sound image or the imaging library fails.
std::vector<std::uint8_t> LargestImagePngBytes(const iconres::IconFile& file, std::size_t group);

// Ready-made file bytes as a graphic, so they are saved like the other kinds.
class TStoredImage : public TGraphic {
 public:
  explicit TStoredImage(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}
  void SetWidth(int) override { throw EInvalidGraphicOperation("Cannot change the size of a stored image"); }
  void SetHeight(int) override { throw EInvalidGraphicOperation("Cannot change the size of a stored image"); }
  void SaveToStream(TStream& stream) override { stream.WriteBuffer(bytes_.data(), bytes_.size()); }

 private:
  std::vector<std::uint8_t> bytes_;
};

// The group as the kinds OriginalIcon (png false) and Png save it: OriginalIconBytes or
// LargestImagePngBytes as a graphic. Raises as they do.
std::unique_ptr<TGraphic> StoredIconGraphic(const iconres::IconFile& file, std::size_t group, bool png);
