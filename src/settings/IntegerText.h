// Parsing of integer texts kept in the settings store.
#pragma once
#include <optional>
#include <string>

// Parses a whole text as a signed 32-bit number: optional leading blanks, optional sign,
// decimal digits, or hexadecimal digits after "$", "x" or "0x" (eight may fill all 32 bits).
std::optional<int> ParseIntegerText(const std::string& text);
