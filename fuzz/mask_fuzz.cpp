// The folder tree's mask walk: any name against any mask (split at the first zero byte).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "shelltree/MaskMatch.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const size_t cut = input.find('\0');
  const std::string name = input.substr(0, cut);
  const std::string mask = cut == std::string::npos ? std::string() : input.substr(cut + 1);
  const bool matched = shelltree::MatchLoweredMask(name, mask);
  // A mask without wildcards matches only the equal name; "*" every name.
  if (!mask.empty() && mask.find_first_of("*?") == std::string::npos && matched != (name == mask)) std::abort();
  if (!shelltree::MatchLoweredMask(name, "*")) std::abort();
  // Every name matches itself read as a mask, unless the name holds wildcards of its own.
  if (!name.empty() && name.find_first_of("*?") == std::string::npos && !shelltree::MatchLoweredMask(name, name))
    std::abort();
  return 0;
}
