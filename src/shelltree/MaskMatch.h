// The wildcard walk of MatchMask on texts already lowered (lowering follows the locale, which
// is the platform's). No Win32 here, so it also builds natively (for fuzzing).
#pragma once
#include <string>

namespace shelltree {

// MatchMask's rules (see FileMask.h), comparing bytes exactly.
bool MatchLoweredMask(const std::string& name, const std::string& mask);

}  // namespace shelltree
