// Zip archives as packages hold them: no archive reads outside its bytes, no entry inflates past
// what it declares, and what an entry gives is exactly its declared size.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "iconres/ZipArchive.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const iconres::ByteSpan bytes(data, size);
  // Small limits, so that the fuzzer meets them.
  iconres::zip::Limits limits;
  limits.maxEntries = 64;
  limits.maxEntrySize = 1u << 20;
  limits.maxInflated = 4u << 20;
  iconres::zip::Archive archive(bytes, limits);
  if (archive.State() == iconres::zip::Status::Ok && archive.Entries().size() > limits.maxEntries) std::abort();
  for (const iconres::zip::Entry& entry : archive.Entries()) {
    iconres::Bytes buffer;
    iconres::ByteSpan view;
    if (archive.Read(entry, buffer, view) != iconres::zip::Status::Ok) {
      if (!view.empty()) std::abort();
      continue;
    }
    if (view.size() != entry.size) std::abort();
    const bool inArchive = view.data() >= data && view.data() + view.size() <= data + size;
    const bool inBuffer = view.data() == buffer.data() && view.size() == buffer.size();
    if (!inArchive && !inBuffer && !view.empty()) std::abort();
    if (archive.Find(entry.name) == nullptr) std::abort();
  }
  return 0;
}
