// A bounded reader of zip archives, as Store packages and their bundles are: the central
// directory (with its 64-bit forms), entries stored or deflated (through zlib). Pure code on a
// byte range, so it also builds natively for fuzzing. Nothing an archive claims is trusted: every
// offset and size is checked against the bytes, an entry never inflates past what it declares,
// and what is inflated is held to limits no real package comes near, so a zip bomb costs
// nothing but its refusal.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "iconres/IconResources.h"

namespace iconres::zip {

struct Entry {
  std::string name;  // as stored: UTF-8 with '/' between folders
  std::uint64_t localOffset = 0, compressedSize = 0, size = 0;
  std::uint32_t crc = 0;
  std::uint16_t method = 0, flags = 0;
};

// What an archive may cost; past these it is refused.
struct Limits {
  std::size_t maxEntries = 0x10000;
  std::uint64_t maxEntrySize = 64ull << 20;   // one entry inflated
  std::uint64_t maxInflated = 256ull << 20;   // every entry inflated from one archive
  std::uint64_t maxRatio = 1000;              // inflated to compressed, past the first megabyte
};

enum class Status { Ok, Damaged, Encrypted, Unsupported, TooLarge };

class Archive {
 public:
  // Reads the central directory of `bytes`, which must stay alive as long as the archive.
  // State() says why an archive holds no entries.
  explicit Archive(ByteSpan bytes, Limits limits = {});
  Status State() const { return status_; }
  const std::vector<Entry>& Entries() const { return entries_; }
  // The entry of this name, compared without regard to ASCII case and with '\' as '/'; null
  // when there is none.
  const Entry* Find(std::string_view name) const;
  // The entry's bytes: a view of the archive for a stored entry, else inflated into `buffer`
  // (and `view` then shows it). Anything but Ok leaves `view` empty. Entries read through one
  // archive share its inflation budget.
  // check: compare its check sum (a nested archive, checked by its own reading, is not).
  Status Read(const Entry& entry, Bytes& buffer, ByteSpan& view, bool check = true);

 private:
  bool ReadDirectory(std::uint64_t at, std::uint64_t size, std::uint64_t count);
  ByteSpan bytes_;
  Limits limits_;
  Status status_ = Status::Ok;
  std::vector<Entry> entries_;
  std::uint64_t inflated_ = 0;
};

// The entry names compared as Find compares them.
bool SameName(std::string_view a, std::string_view b);

}  // namespace iconres::zip
