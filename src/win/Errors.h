// Error types raised by library-level operations, and the texts the error display shows.
#pragma once
#include <stdexcept>
#include <string>
#include <windows.h>

namespace win {

// Every error the program raises carries a message text meant for the user.
class Exception : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class EOutOfMemory : public Exception {
 public:
  EOutOfMemory() : Exception("Out of memory") {}
};

// "%s" in the pattern replaced by the argument.
std::string FormatMessageText(const std::string& pattern, const std::string& arg);

// The text the general error display shows: a full stop is added when the message's
// last character sorts after ".".
std::string ErrorDisplayText(const std::string& message);

// The platform's description of an error code.
std::string SystemErrorText(DWORD code);

}  // namespace win
