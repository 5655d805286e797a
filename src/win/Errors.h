// Error types raised by library-level operations, and the texts the error display shows.
#pragma once
#include <exception>
#include <stdexcept>
#include <string>
#include <windows.h>

namespace win {

// What went wrong, so code can tell errors apart without reading their messages.
enum class ErrorKind {
  Program,           // a state the program does not expect (its own fault or its caller's)
  Platform,          // a platform call refused: a window, image, list or folder was not made
  OutOfMemory,
  FileCreate,        // a file could not be created
  FileWrite,         // a file took fewer bytes than were written
  Clipboard,         // the clipboard could not be opened
  Settings,          // the settings (registry or file) could not be read or kept
  InvalidGraphic,    // no picture could be made of what an icon stores
  InvalidOperation,  // a graphic was asked for what its kind cannot do
  NoSoundImage,      // nothing the icon stores is sound enough to write
  DamagedAnimation,  // an animated cursor whose parts disagree or whose frames are not all sound
};

// Every error the program raises carries a message text meant for the user, its kind and,
// where a platform call failed, the system's error code (GetLastError, a registry call's result
// or an HRESULT) taken where it failed; 0 when the platform gave none.
class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& message, ErrorKind kind = ErrorKind::Program, DWORD code = 0)
      : std::runtime_error(message), kind_(kind), code_(code) {}
  ErrorKind Kind() const noexcept { return kind_; }
  DWORD Code() const noexcept { return code_; }

 private:
  ErrorKind kind_;
  DWORD code_;
};

class EOutOfMemory : public Exception {
 public:
  EOutOfMemory() : Exception("Out of memory", ErrorKind::OutOfMemory) {}
};

// "%s" in the pattern replaced by the argument.
std::string FormatMessageText(const std::string& pattern, const std::string& arg);

// The text the general error display shows: a full stop is added when the message's
// last character sorts after ".".
std::string ErrorDisplayText(const std::string& message);

// The platform's description of an error code, without its line break and closing full stop
// ("Access is denied"); "Error 1234" for a code the system has no text for.
std::string SystemErrorText(DWORD code);

// The program's words, then the system's reason for the code: "Cannot create file C:\a.ico:
// Access is denied". The words alone for code 0.
std::string WithSystemReason(const std::string& words, DWORD code);

// The kind and the system's error code an exception carries; for one that is no win::Exception,
// OutOfMemory for std::bad_alloc, else Program, and code 0.
ErrorKind ErrorKindOf(const std::exception& e);
DWORD ErrorCode(const std::exception& e);

// An error as a one-line report gives it: its message, then the system's reason where it has
// a code and the message does not give that reason already.
std::string ReportText(const std::exception& e);

}  // namespace win
