// Zip archives: the end record, the central directory and each entry's local header, every
// read bounded by the bytes.
#include "iconres/ZipArchive.h"

#include <zlib.h>

#include <algorithm>

#include "iconres/ReaderParts.h"

namespace iconres::zip {
namespace {

constexpr std::uint32_t kEndSig = 0x06054b50, kEnd64Sig = 0x06064b50, kLocator64Sig = 0x07064b50;
constexpr std::uint32_t kCentralSig = 0x02014b50, kLocalSig = 0x04034b50;
constexpr std::size_t kEndSize = 22, kCentralSize = 46, kLocalSize = 30;
constexpr std::uint16_t kStored = 0, kDeflated = 8, kAes = 99;
constexpr std::uint64_t kRatioFloor = 1u << 20;
// An encrypted package or bundle is no zip: its own header says what it is, whatever its name.
constexpr std::uint32_t kEncryptedPackage = 0x48505845, kEncryptedBundle = 0x48425845,  // "EXPH", "EXBH"
    kEncryptedStream = 0x48535845;                                                        // "EXSH"

std::uint64_t U64(const parts::Reader& r, std::uint64_t at) {
  return static_cast<std::uint64_t>(r.U32(at)) | static_cast<std::uint64_t>(r.U32(at + 4)) << 32;
}

char Folded(char c) {
  if (c == '\\') return '/';
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::uint32_t Crc(ByteSpan bytes) {
  uLong crc = crc32(0, nullptr, 0);
  for (std::size_t at = 0; at < bytes.size();) {
    const std::size_t part = std::min<std::size_t>(bytes.size() - at, 1u << 30);
    crc = crc32(crc, bytes.data() + at, static_cast<uInt>(part));
    at += part;
  }
  return static_cast<std::uint32_t>(crc);
}

// Raw deflate data into exactly `size` bytes: Damaged when it ends sooner or is damaged,
// TooLarge when it holds more than it declares (a bomb that lies about its size).
Status Inflate(ByteSpan in, std::size_t size, Bytes& out) {
  out.assign(size, 0);
  z_stream z{};
  if (inflateInit2(&z, -MAX_WBITS) != Z_OK) return Status::Damaged;
  Bytef spare = 0;  // where output goes once `out` is full: any byte there is a lie
  z.next_out = size ? out.data() : &spare;
  z.avail_out = static_cast<uInt>(size);
  std::size_t fed = 0;
  int result = Z_OK;
  for (;;) {
    // zlib counts in 32 bits: input and output are given in parts no larger than that.
    if (z.avail_in == 0 && fed < in.size()) {
      const std::size_t part = std::min<std::size_t>(in.size() - fed, 1u << 30);
      z.next_in = const_cast<Bytef*>(in.data() + fed);
      z.avail_in = static_cast<uInt>(part);
      fed += part;
    }
    if (z.avail_out == 0) {
      if (z.total_out < size) {
        const std::size_t part = std::min<std::size_t>(size - z.total_out, 1u << 30);
        z.next_out = out.data() + z.total_out;
        z.avail_out = static_cast<uInt>(part);
      } else {
        z.next_out = &spare;
        z.avail_out = 1;
      }
    }
    result = inflate(&z, Z_NO_FLUSH);
    if (result != Z_OK || z.total_out > size) break;
  }
  const bool more = z.total_out > size, whole = result == Z_STREAM_END && z.total_out == size;
  inflateEnd(&z);
  return more ? Status::TooLarge : whole ? Status::Ok : Status::Damaged;
}

}  // namespace

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return Folded(x) == Folded(y);
         });
}

Archive::Archive(ByteSpan bytes, Limits limits) : bytes_(bytes), limits_(limits) {
  const parts::Reader r(bytes_);
  if (const std::uint32_t magic = r.size() >= 4 ? r.U32(0) : 0;
      magic == kEncryptedPackage || magic == kEncryptedBundle || magic == kEncryptedStream) {
    status_ = Status::Encrypted;
    return;
  }
  // The end record lies in the last 64 KB, behind a comment of at most 65535 bytes.
  if (r.size() < kEndSize) {
    status_ = Status::Damaged;
    return;
  }
  std::uint64_t end = r.size() - kEndSize;
  const std::uint64_t lowest = end > 0xFFFF ? end - 0xFFFF : 0;
  while (r.U32(end) != kEndSig || r.U16(end + 20) != r.size() - kEndSize - end) {
    if (end == lowest) {
      status_ = Status::Damaged;
      return;
    }
    --end;
  }
  std::uint64_t count = r.U16(end + 10), size = r.U32(end + 12), at = r.U32(end + 16);
  if (end >= 20 && r.U32(end - 20) == kLocator64Sig) {
    const std::uint64_t end64 = U64(r, end - 12);
    if (r.Has(end64, 56) && r.U32(end64) == kEnd64Sig) {
      count = U64(r, end64 + 32);
      size = U64(r, end64 + 40);
      at = U64(r, end64 + 48);
    }
  }
  if (!ReadDirectory(at, size, count)) entries_.clear();
}

bool Archive::ReadDirectory(std::uint64_t at, std::uint64_t size, std::uint64_t count) {
  const parts::Reader r(bytes_);
  if (!r.Has(at, size)) {
    status_ = Status::Damaged;
    return false;
  }
  const std::uint64_t end = at + size;
  for (std::uint64_t i = 0; i < count; ++i) {
    if (entries_.size() == limits_.maxEntries) {
      status_ = Status::TooLarge;
      return false;
    }
    if (end - at < kCentralSize || r.U32(at) != kCentralSig) {
      status_ = Status::Damaged;
      return false;
    }
    const std::uint64_t nameLength = r.U16(at + 28), extraLength = r.U16(at + 30), commentLength = r.U16(at + 32);
    const std::uint64_t length = kCentralSize + nameLength + extraLength + commentLength;
    if (end - at < length) {
      status_ = Status::Damaged;
      return false;
    }
    Entry e;
    e.flags = r.U16(at + 8);
    e.method = r.U16(at + 10);
    e.crc = r.U32(at + 16);
    e.compressedSize = r.U32(at + 20);
    e.size = r.U32(at + 24);
    e.localOffset = r.U32(at + 42);
    const ByteSpan name = r.Sub(at + kCentralSize, nameLength);
    e.name.assign(name.begin(), name.end());
    // The 64-bit extra field holds, in this order, each of the three that did not fit.
    const parts::Reader extra(r.Sub(at + kCentralSize + nameLength, extraLength));
    for (std::uint64_t x = 0; extra.Has(x, 4); x += 4 + extra.U16(x + 2)) {
      if (extra.U16(x) != 1) continue;
      std::uint64_t field = x + 4;
      const std::uint64_t fieldEnd = field + extra.U16(x + 2);
      for (std::uint64_t* value : {&e.size, &e.compressedSize, &e.localOffset}) {
        if (*value != 0xFFFFFFFF) continue;
        if (field + 8 > fieldEnd || !extra.Has(field, 8)) break;
        *value = U64(extra, field);
        field += 8;
      }
      break;
    }
    entries_.push_back(std::move(e));
    at += length;
  }
  return true;
}

const Entry* Archive::Find(std::string_view name) const {
  for (const Entry& e : entries_) {
    if (SameName(e.name, name)) return &e;
  }
  return nullptr;
}

Status Archive::Read(const Entry& e, Bytes& buffer, ByteSpan& view, bool check) {
  view = {};
  const parts::Reader r(bytes_);
  if ((e.flags & 1) != 0 || e.method == kAes) return Status::Encrypted;
  if (e.method != kStored && e.method != kDeflated) return Status::Unsupported;
  if (!r.Has(e.localOffset, kLocalSize) || r.U32(e.localOffset) != kLocalSig) return Status::Damaged;
  const std::uint64_t nameLength = r.U16(e.localOffset + 26);
  const ByteSpan localName = r.Sub(e.localOffset + kLocalSize, nameLength);
  if (r.U16(e.localOffset + 8) != e.method || localName.size() != nameLength ||
      !std::equal(localName.begin(), localName.end(), e.name.begin(), e.name.end(),
                  [](std::uint8_t a, char b) { return a == static_cast<std::uint8_t>(b); }))
    return Status::Damaged;
  const std::uint64_t data = e.localOffset + kLocalSize + nameLength + r.U16(e.localOffset + 28);
  if (!r.Has(data, e.compressedSize)) return Status::Damaged;
  const ByteSpan stored = r.Sub(data, e.compressedSize);
  ByteSpan out = stored;
  if (e.method == kStored) {
    if (e.size != e.compressedSize) return Status::Damaged;
  } else {
    if (e.size > limits_.maxEntrySize || e.size > limits_.maxInflated - inflated_ ||
        (e.size > kRatioFloor && e.size / std::max<std::uint64_t>(e.compressedSize, 1) > limits_.maxRatio))
      return Status::TooLarge;
    inflated_ += e.size;
    if (const Status inflated = Inflate(stored, static_cast<std::size_t>(e.size), buffer); inflated != Status::Ok)
      return inflated;
    out = buffer;
  }
  if (check && Crc(out) != e.crc) return Status::Damaged;
  view = out;
  return Status::Ok;
}

}  // namespace iconres::zip
