// A file's icon groups with the bytes they point into: the file is opened and read once. The
// icons of a system library that keeps them in %windir%\SystemResources\<name>.mun are read
// from there, as the shell does.
#pragma once
#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <utility>

#include "iconres/IconResources.h"
#include "win/Handles.h"

namespace iconres {

// A file's bytes, read into memory through a read-only view; empty when it cannot be read, and
// then Error() says why (0 for a file that was read, or is empty).
class FileBytes {
 public:
  FileBytes() = default;
  // iconsOnly: a file whose first bytes show it holds no icons (MayHoldIcons) is closed
  // unmapped and read as empty; under Wine mapping a file costs several round trips more.
  explicit FileBytes(const std::string& path, bool iconsOnly = false);
  // Bytes made in memory (a package's logos, an installer's rows), held here.
  explicit FileBytes(Bytes owned) : owned_(std::move(owned)) {}
  // A file that could not be read, for this reason.
  static FileBytes Failed(unsigned long error) {
    FileBytes bytes;
    bytes.error_ = error;
    return bytes;
  }
  FileBytes(const FileBytes&) = delete;
  FileBytes& operator=(const FileBytes&) = delete;
  FileBytes(FileBytes&& other) noexcept;
  FileBytes& operator=(FileBytes&& other) noexcept;
  ~FileBytes();
  ByteSpan Span() const { return view_ ? ByteSpan(static_cast<const std::uint8_t*>(view_), size_) : ByteSpan(owned_); }
  unsigned long Error() const { return error_; }

 private:
  void Release();
  void* view_ = nullptr;
  std::size_t size_ = 0;
  Bytes owned_;
  unsigned long error_ = 0;
};

struct IconFile {
  FileBytes bytes;
  IconFileContents contents;
  std::size_t Count() const { return contents.groups.size(); }
  ByteSpan Bytes(const IconImage& image) const { return ImageBytes(bytes.Span(), image); }
  // The one rule for a sound image, for the run, every kind saved, the clipboard and /list: the
  // reader found it intact and the platform opens it (SoundImage.h: judged in-process, the
  // platform asked only about forms only it can decide). Asked only for the images that are
  // shown, listed or written, each stored range once per file, the verdict kept here.
  bool Sound(const IconImage& image) const;
  // A sound image as an icon of cx x cy; none when it is not sound or cannot be made at that
  // size. At a bitmap image's stored size the one creation is also the platform's test of it.
  win::UniqueIcon CreateIcon(const IconImage& image, int cx, int cy) const;

  // Verdicts given so far, by (offset, size). Read on one thread at a time.
  mutable std::map<std::pair<std::size_t, std::size_t>, bool> verdicts;
};

// Where the icons of `file` live when it holds none itself: %windir%\SystemResources\<name>.mun
// for a file directly inside windowsFolder\System32 or windowsFolder\SysWOW64 (compared without
// regard to case); empty for any other file. windowsFolder may end with a backslash.
std::string ResourceFileFor(const std::string& file, const std::string& windowsFolder);

// Reads the file's icon groups (withCursors: its cursors after them); a file that holds no icons
// is followed to its .mun file where it has one. A file that cannot hold any (MayHoldIcons) is
// read no further than its first bytes. A package or an installer is read as
// PackageFile.h reads it. Never throws: a file that cannot be read or
// understood holds no icons.
// listedSize: the file's size as its folder's listing gave it, where known: a file smaller
// than kSmallestIconFile is not even opened.
IconFile LoadIconFile(const std::string& path, const std::string& windowsFolder, bool withCursors = false,
                      std::optional<std::uint64_t> listedSize = std::nullopt);

}  // namespace iconres
