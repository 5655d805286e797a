// The settings' integer texts and the range rules for stored values: any text, any numbers.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "settings/IntegerText.h"
#include "settings/StoredRanges.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  if (auto value = ParseIntegerText(text)) {
    // What was read is read again the same from its decimal form.
    if (ParseIntegerText(std::to_string(*value)) != value) std::abort();
  }
  int n[6] = {};
  std::memcpy(n, data, size < sizeof n ? size : sizeof n);
  const bool fits = settings::PaneWidthFits(n[0], n[1], n[2] & 0xFF, n[3] & 0xFFF);
  if (fits && (n[0] < (n[3] & 0xFFF) || static_cast<long long>(n[0]) > n[1])) std::abort();
  if (settings::WindowBoundsInRange(n[0], n[1], n[2], n[3], n[4] & 0xFFF, n[5] & 0xFFF) &&
      (n[2] > settings::kMaxWindowCoordinate || n[0] < -settings::kMaxWindowCoordinate))
    std::abort();
  if (settings::FileTypesInRange(text, ".EXE").size() > settings::kMaxFileTypesLength) std::abort();
  return 0;
}
